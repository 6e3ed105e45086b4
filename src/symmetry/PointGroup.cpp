#include "symmetry/PointGroup.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <unordered_set>
#include <utility>

#include "symmetry/AtomImages.h"
#include "symmetry/GroupOperations.h"
#include "symmetry/GroupTheory.h"
#include "symmetry/LinearAlgebra.h"

namespace pivora::symmetry {

namespace {

// Distance tests one search may make (a few seconds' work). Ordinary
// molecules need a thousandth of it; only many like atoms at one distance
// from the centre under a large tolerance come near.
constexpr std::uint64_t kWorkBudget = 100'000'000;

// Angles of idealised operations agree to rounding; this only has to lie
// between that and the smallest angle between two elements of a group.
constexpr long double kExactAngle = 1e-9L;

struct Molecule {
    std::size_t n = 0;
    std::span<const int> kinds;
    double tol = 0;
    // The test threshold: the tolerance less what the rounding of the
    // centre and of the reported directions could add, so that an element
    // reported passes the test also when a caller redoes it from them.
    double strict = 0;
    LVec centre{};
    std::vector<Point> p;  // positions about the centre
    std::vector<double> r;
    double rMax = 0;
    double rRms = 0;

    LVec At(std::size_t i) const { return {p[i][0], p[i][1], p[i][2]}; }
};

struct Op {
    LMat m;
    std::vector<int> image;
};

Vec3 ToVec3(const LVec& v) {
    return {static_cast<double>(v[0]), static_cast<double>(v[1]), static_cast<double>(v[2])};
}

std::string Validate(const AtomSet& atoms, double tolerance) {
    if (atoms.positions.size() != atoms.kinds.size())
        return "The atoms and their kinds differ in number.";
    if (atoms.positions.empty()) return "There are no atoms to find the symmetry of.";
    if (atoms.positions.size() > kMaxAtoms)
        return "Point groups are found for at most " + std::to_string(kMaxAtoms) +
               " atoms; this molecule has " + std::to_string(atoms.positions.size()) + ".";
    if (!(tolerance > 0 && tolerance <= kMaxTolerance))
        return "The symmetry tolerance must be greater than 0 \u00C5 and at most 1 \u00C5.";
    for (std::size_t i = 0; i < atoms.positions.size(); ++i)
        for (const double v : atoms.positions[i])
            if (!(std::fabs(v) <= kMaxCoordinate))
                return "Atom " + std::to_string(i + 1) +
                       " has a coordinate beyond \u00B11000000 \u00C5 or one that is not a "
                       "number; point groups are found only within that range.";
    return {};
}

Molecule Prepare(const AtomSet& atoms, double tolerance) {
    Molecule mol;
    mol.n = atoms.positions.size();
    mol.kinds = atoms.kinds;
    mol.tol = tolerance;
    LVec sum{0, 0, 0};
    for (const Vec3& x : atoms.positions)
        for (int k = 0; k < 3; ++k) sum[k] += x[k];
    mol.centre = Scale(sum, 1.0L / static_cast<long double>(mol.n));
    mol.p.resize(mol.n);
    mol.r.resize(mol.n);
    long double squares = 0;
    for (std::size_t i = 0; i < mol.n; ++i) {
        for (int k = 0; k < 3; ++k)
            mol.p[i][k] = static_cast<double>(atoms.positions[i][k] - mol.centre[k]);
        const Point& q = mol.p[i];
        mol.r[i] = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]);
        mol.rMax = std::max(mol.rMax, mol.r[i]);
        squares += static_cast<long double>(mol.r[i]) * mol.r[i];
    }
    mol.rRms = static_cast<double>(std::sqrt(squares / static_cast<long double>(mol.n)));
    const long double reach =
        mol.rMax +
        std::max({std::fabs(mol.centre[0]), std::fabs(mol.centre[1]), std::fabs(mol.centre[2])});
    mol.strict =
        std::max(0.0, tolerance * (1 - 1e-9) - static_cast<double>(64 * DBL_EPSILON * reach));
    return mol;
}

// The order of a permutation (the least common multiple of its cycles),
// or 0 when it is absurdly high.
int PermutationOrder(const std::vector<int>& image) {
    std::vector<char> seen(image.size(), 0);
    std::int64_t order = 1;
    for (std::size_t i = 0; i < image.size(); ++i) {
        if (seen[i]) continue;
        std::int64_t length = 0;
        for (std::size_t j = i; !seen[j]; j = static_cast<std::size_t>(image[j]))
            seen[j] = 1, ++length;
        order = std::lcm(order, length);
        if (order > 1'000'000) return 0;
    }
    return static_cast<int>(order);
}

// The best proper (or improper) operation sending each atom onto its image.
LMat FitOperation(const Molecule& mol, const std::vector<int>& image, bool proper) {
    Correlation c{};
    for (std::size_t i = 0; i < mol.n; ++i) {
        const LVec to = mol.At(static_cast<std::size_t>(image[i]));
        AddCorrelation(c, mol.At(i), proper ? to : Scale(to, -1));
    }
    LMat t = BestRotation(c);
    if (!proper)
        for (long double& v : t) v = -v;
    return t;
}

// A rough candidate made exact: the images it gives (within the tolerance,
// else within a loose radius) give the best-fitting operation, which must
// then pass the test. Rough candidates far off fail at the first atoms
// tried.
bool Refine(const Molecule& mol, AtomImages& images, const LMat& rough, double loose, bool proper,
            Op& op) {
    std::vector<int> image;
    if (images.Match(rough, mol.strict, true, image)) {
        const LMat m = FitOperation(mol, image, proper);
        op = {images.Holds(m, mol.strict, image) ? m : rough, std::move(image)};
        return true;
    }
    if (!images.Match(rough, loose, false, image)) return false;
    for (int round = 0; round < 2; ++round) {
        const LMat m = FitOperation(mol, image, proper);
        if (images.Holds(m, mol.strict, image) || images.Match(m, mol.strict, true, image)) {
            op = {m, std::move(image)};
            return true;
        }
        if (round == 0 && !images.Match(m, 2 * mol.tol, false, image)) return false;
    }
    return false;
}

// Rows: a's direction, the part of b perpendicular to it, their cross product.
LMat LocalFrame(const LVec& a, const LVec& b) {
    const LVec e1 = Normalized(a);
    const LVec e2 = Normalized(Perpendicular(b, e1));
    return FrameRows(Cross(e1, e2), e1);
}

struct Search {
    std::vector<Op> ops;
    bool tooLong = false;
};

// Every operation of the molecule, each once: see the header for the method.
Search FindOperations(const Molecule& mol, AtomImages& images) {
    Search found;
    const std::size_t n = mol.n;
    // Atoms sorted by kind, then distance from the centre: the candidate
    // images of an atom are a run of it.
    std::vector<int> sorted(n);
    std::iota(sorted.begin(), sorted.end(), 0);
    auto key = [&](int i) {
        return std::pair{mol.kinds[static_cast<std::size_t>(i)],
                         mol.r[static_cast<std::size_t>(i)]};
    };
    std::sort(sorted.begin(), sorted.end(), [&](int a, int b) { return key(a) < key(b); });
    auto shell = [&](int a) {
        const int kind = mol.kinds[static_cast<std::size_t>(a)];
        const double r = mol.r[static_cast<std::size_t>(a)];
        const auto from =
            std::lower_bound(sorted.begin(), sorted.end(), std::pair{kind, r - mol.tol},
                             [&](int i, const std::pair<int, double>& k) { return key(i) < k; });
        const auto to =
            std::upper_bound(sorted.begin(), sorted.end(), std::pair{kind, r + mol.tol},
                             [&](const std::pair<int, double>& k, int i) { return k < key(i); });
        return std::pair{from, to};
    };
    auto shellSize = [&](int a) {
        const auto [from, to] = shell(a);
        return to - from;
    };

    // a: far from the centre, with the fewest candidate images.
    int a = -1;
    for (std::size_t i = 0; i < n; ++i) {
        if (mol.r[i] < 0.5 * mol.rMax) continue;
        const int c = static_cast<int>(i);
        if (a < 0 || shellSize(c) < shellSize(a) ||
            (shellSize(c) == shellSize(a) && mol.r[i] > mol.r[static_cast<std::size_t>(a)]))
            a = c;
    }
    const LVec pa = mol.At(static_cast<std::size_t>(a));
    const LVec ua = Normalized(pa);
    std::vector<double> q(n);
    double qMax = 0;
    for (std::size_t i = 0; i < n; ++i) {
        q[i] = static_cast<double>(Norm(Cross(mol.At(i), ua)));
        qMax = std::max(qMax, q[i]);
    }

    auto add = [&](Op&& op) {
        for (const Op& known : found.ops)
            if (known.image == op.image && (Determinant(known.m) > 0) == (Determinant(op.m) > 0))
                return;
        found.ops.push_back(std::move(op));
    };

    if (qMax <= 4 * mol.tol && qMax <= 0.25 * mol.rMax) {
        // Nearly linear, yet not within the linear test: the axes of the
        // atoms' spread are the only candidates.
        LMat spread{};
        for (std::size_t i = 0; i < n; ++i)
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) spread[3 * r + c] += mol.At(i)[r] * mol.At(i)[c];
        const Eigen<3> e = SymmetricEigen3(spread);
        std::vector<LMat> candidates{Identity(), Negated(Identity())};
        for (const auto& v : e.vectors) {
            const LVec u = Normalized({v[0], v[1], v[2]});
            candidates.push_back(Rotation(u, kPi));
            candidates.push_back(Reflection(u));
        }
        for (const LMat& c : candidates) {
            Op op;
            if (Refine(mol, images, c, 2 * mol.tol, Determinant(c) > 0, op)) add(std::move(op));
        }
        return found;
    }

    // a': far from a's line, with the fewest candidate images.
    int a2 = -1;
    for (std::size_t i = 0; i < n; ++i) {
        if (q[i] < 0.5 * qMax) continue;
        const int c = static_cast<int>(i);
        if (a2 < 0 || shellSize(c) < shellSize(a2) ||
            (shellSize(c) == shellSize(a2) && q[i] > q[static_cast<std::size_t>(a2)]))
            a2 = c;
    }
    const LVec pa2 = mol.At(static_cast<std::size_t>(a2));
    const long double separation = Norm(Sub(pa, pa2));
    // How far a candidate built from noisy a, a', b, b' can send the other
    // atoms: the error of a's direction times the reach, and of the turn
    // about it times the reach from a's line.
    const double loose =
        std::clamp(mol.tol * (2 + 3 * mol.rMax / mol.r[static_cast<std::size_t>(a)] +
                              3 * qMax / q[static_cast<std::size_t>(a2)]),
                   mol.tol, std::max(2 * mol.tol, 1.0));
    const LMat frameA = LocalFrame(pa, pa2);

    std::unordered_set<std::uint64_t> covered;
    auto coverKey = [&](int b, int b2, bool proper) {
        return ((static_cast<std::uint64_t>(b) * n + static_cast<std::uint64_t>(b2)) << 1) |
               (proper ? 1u : 0u);
    };
    const auto [aFrom, aTo] = shell(a);
    const auto [a2From, a2To] = shell(a2);
    std::uint64_t pairWork = 0;
    for (auto ib = aFrom; ib != aTo; ++ib) {
        const LVec pb = mol.At(static_cast<std::size_t>(*ib));
        for (auto ib2 = a2From; ib2 != a2To; ++ib2) {
            ++pairWork;
            if (*ib2 == *ib) continue;
            const LVec pb2 = mol.At(static_cast<std::size_t>(*ib2));
            if (std::fabs(Norm(Sub(pb, pb2)) - separation) > 2 * mol.tol) continue;
            if (Norm(Cross(pb, pb2)) == 0) continue;
            const LMat frameB = LocalFrame(pb, pb2);
            for (const bool proper : {true, false}) {
                if (covered.count(coverKey(*ib, *ib2, proper))) continue;
                LMat flip = Identity();
                if (!proper) flip[8] = -1;
                const LMat rough = Multiply(Transpose(frameB), Multiply(flip, frameA));
                Op op;
                if (!Refine(mol, images, rough, loose, proper, op)) continue;
                const auto k = coverKey(op.image[static_cast<std::size_t>(a)],
                                        op.image[static_cast<std::size_t>(a2)], proper);
                if (covered.insert(k).second) found.ops.push_back(std::move(op));
            }
            if (images.Work() + pairWork > kWorkBudget) {
                found.tooLong = true;
                return found;
            }
        }
    }
    return found;
}

std::vector<LMat> ToMolecule(const LMat& frame, const std::vector<LMat>& ideal) {
    std::vector<LMat> out;
    out.reserve(ideal.size());
    const LMat back = Transpose(frame);
    for (const LMat& g : ideal) out.push_back(Multiply(back, Multiply(g, frame)));
    return out;
}

struct Idealised {
    std::vector<LMat> inFrame;     // the textbook operations
    std::vector<LMat> inMolecule;  // turned into the molecule's frame
    std::vector<std::vector<int>> images;
    std::vector<bool> passes;
    std::size_t passed = 0;
};

// The textbook operations of the group named, in the frame of the axes
// found, turned until they fit the atoms best: the average of the atoms'
// images is exactly symmetric in the current frame, and the turn that lays
// that average best onto the atoms moves the frame. Then each is tested.
Idealised Idealise(const Molecule& mol, AtomImages& images, const Classification& c, int variant) {
    Idealised out;
    out.inFrame = IdealOperations(c.family, c.n, variant);
    const LVec z = Normalized(c.z);
    LMat frame = FrameRows(z, Normalized(Perpendicular(c.x, z)));
    const std::size_t count = out.inFrame.size();
    out.images.resize(count);
    // The images under the first frame; the turns below move the
    // operations by about the noise, far less than the atoms' spacing, so
    // the images stay.
    bool complete = count > 1;
    {
        const std::vector<LMat> ops = ToMolecule(frame, out.inFrame);
        for (std::size_t g = 0; g < count && complete; ++g)
            complete = images.Match(ops[g], 2 * mol.tol, false, out.images[g]);
    }
    for (int round = 0; round < 3 && complete; ++round) {
        const std::vector<LMat> ops = ToMolecule(frame, out.inFrame);
        std::vector<LVec> average(mol.n, LVec{0, 0, 0});
        for (std::size_t g = 0; g < count; ++g) {
            const LMat back = Transpose(ops[g]);
            for (std::size_t i = 0; i < mol.n; ++i)
                average[i] = Add(average[i],
                                 Apply(back, mol.At(static_cast<std::size_t>(out.images[g][i]))));
        }
        Correlation corr{};
        for (std::size_t i = 0; i < mol.n; ++i)
            AddCorrelation(corr, Scale(average[i], 1.0L / static_cast<long double>(count)),
                           mol.At(i));
        const LMat turn = BestRotation(corr);
        if (MaxDifference(turn, Identity()) < 1e-16L) break;
        frame = Multiply(frame, Transpose(turn));
    }
    out.inMolecule = ToMolecule(frame, out.inFrame);
    out.passes.resize(count);
    // The identity keeps every atom, also where two like atoms coincide.
    out.images[0].resize(mol.n);
    std::iota(out.images[0].begin(), out.images[0].end(), 0);
    for (std::size_t g = 0; g < count; ++g) {
        out.passes[g] = (g == 0 || images.Holds(out.inMolecule[g], mol.strict, out.images[g])) ||
                        images.Match(out.inMolecule[g], mol.strict, true, out.images[g]);
        out.passed += out.passes[g] ? 1 : 0;
    }
    return out;
}

// Choices that depend on the atoms: the sign rule, the order in which equal
// candidates are taken, the atoms on an element.
class Atoms {
  public:
    explicit Atoms(const Molecule& mol) : mol_(mol) {}

    // +1 or -1: the side the sign rule gives d.
    int Side(const LVec& d) const {
        for (std::size_t i = 0; i < mol_.n; ++i) {
            const long double t = Dot(d, mol_.At(i));
            if (std::fabs(t) > mol_.tol) return t > 0 ? 1 : -1;
        }
        std::size_t a = 0;
        while (a < mol_.n && mol_.r[a] <= mol_.tol) ++a;
        if (a == mol_.n) return 1;
        for (std::size_t b = 0; b < mol_.n; ++b) {
            if (b == a) continue;
            const long double t = Dot(d, Cross(mol_.At(a), mol_.At(b)));
            if (std::fabs(t) > mol_.tol * (mol_.r[a] + mol_.r[b])) return t > 0 ? 1 : -1;
        }
        return 1;
    }
    LVec Signed(const LVec& d) const { return Side(d) > 0 ? d : Scale(d, -1); }

    // > 0 when a points more nearly toward atom 1 than b (then atom 2, ...).
    int Compare(const LVec& a, const LVec& b) const {
        const LVec d = Sub(a, b);
        for (std::size_t i = 0; i < mol_.n; ++i) {
            const long double t = Dot(d, mol_.At(i));
            if (t > mol_.tol) return 1;
            if (t < -mol_.tol) return -1;
        }
        return 0;
    }

    // The index of the line whose direction, of either sign, wins Compare.
    std::size_t Pick(const std::vector<LVec>& lines) const {
        std::size_t best = 0;
        LVec bestDirection = lines.at(0);
        for (std::size_t k = 0; k < lines.size(); ++k)
            for (const long double s : {1.0L, -1.0L}) {
                const LVec d = Scale(lines[k], s);
                if (Compare(d, bestDirection) > 0) best = k, bestDirection = d;
            }
        return best;
    }

    // The part perpendicular to z of the first atom farther than the
    // tolerance from z's line; any perpendicular when there is none.
    LVec TowardFirstAtomOff(const LVec& z) const {
        for (std::size_t i = 0; i < mol_.n; ++i) {
            const LVec off = Perpendicular(mol_.At(i), z);
            if (Norm(off) > mol_.tol) return Normalized(off);
        }
        return AnyPerpendicular(z);
    }

    std::vector<int> OnLine(const LVec& u) const {
        return Select([&](const LVec& p) { return Norm(Perpendicular(p, u)) <= mol_.tol; });
    }
    std::vector<int> OnPlane(const LVec& normal) const {
        return Select([&](const LVec& p) { return std::fabs(Dot(p, normal)) <= mol_.tol; });
    }
    std::vector<int> AtCentre() const {
        return Select([&](const LVec& p) { return Norm(p) <= mol_.tol; });
    }

  private:
    template <typename F>
    std::vector<int> Select(F&& on) const {
        std::vector<int> numbers;
        for (std::size_t i = 0; i < mol_.n; ++i)
            if (on(mol_.At(i))) numbers.push_back(static_cast<int>(i + 1));
        return numbers;
    }

    const Molecule& mol_;
};

// Which lines an operation of the group carries into each other: the
// classes of the axes or planes. Each class is the orbit of its first line.
std::vector<int> LineClasses(const std::vector<LVec>& lines, const std::vector<Op>& ops) {
    std::vector<int> classes(lines.size(), -1);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (classes[k] >= 0) continue;
        classes[k] = static_cast<int>(k);
        for (const Op& op : ops) {
            const LVec v = Apply(op.m, lines[k]);
            for (std::size_t j = k + 1; j < lines.size(); ++j)
                if (classes[j] < 0 && std::fabs(Dot(v, lines[j])) > 1 - 1e-9L) {
                    classes[j] = static_cast<int>(k);
                    break;
                }
        }
    }
    return classes;
}

bool IsParallel(const LVec& a, const LVec& b) {
    return std::fabs(Dot(a, b)) > 1 - 1e-9L;
}
bool IsPerpendicular(const LVec& a, const LVec& b) {
    return std::fabs(Dot(a, b)) < 1e-9L;
}

// Puts entries in the header's order: by rank, then each run of equal rank
// by the atoms (the direction pointing most nearly toward atom 1 first).
template <typename T, typename Rank>
void Arrange(std::vector<T>& items, const Atoms& atoms, Rank rank, auto direction) {
    std::stable_sort(items.begin(), items.end(),
                     [&](const T& x, const T& y) { return rank(x) < rank(y); });
    for (std::size_t from = 0; from < items.size();) {
        std::size_t to = from + 1;
        while (to < items.size() && rank(items[to]) == rank(items[from])) ++to;
        for (std::size_t k = from; k + 1 < to; ++k) {
            std::size_t best = k;
            for (std::size_t j = k + 1; j < to; ++j)
                if (atoms.Compare(direction(items[j]), direction(items[best])) > 0) best = j;
            std::swap(items[k], items[best]);
        }
        from = to;
    }
}

bool IsAxial(Family f) {
    return f == Family::Cn || f == Family::Cnv || f == Family::Cnh || f == Family::S2n ||
           f == Family::Dn || f == Family::Dnh || f == Family::Dnd;
}

bool IsDihedral(Family f) {
    return f == Family::Dn || f == Family::Dnh || f == Family::Dnd;
}

// The group of exact operations, described: symbol, elements with their
// roles, classes, signs and atoms, and the standard frame.
PointGroup Report(const Molecule& mol, std::vector<Op> ops) {
    const Atoms atoms(mol);
    std::vector<OpInfo> infos;
    for (const Op& op : ops) infos.push_back(Describe(op.m, 0, kExactAngle));
    const Elements e = CollectElements(infos, kExactAngle);
    const Classification c = Classify(e, kExactAngle);

    PointGroup g;
    g.family = c.family;
    g.n = c.n;
    g.tolerance = mol.tol;
    g.centre = ToVec3(mol.centre);
    g.inversion = e.inversion;
    g.atomsAtCentre = atoms.AtCentre();

    std::vector<LVec> axes, normals;
    for (const ElementLine& l : e.proper) axes.push_back(l.axis);
    for (const ElementLine& l : e.planes) normals.push_back(l.axis);
    const std::vector<int> axisClass = LineClasses(axes, ops);
    const std::vector<int> planeClass = LineClasses(normals, ops);
    auto atomsOnAxes = [&](auto&& pick) {
        std::size_t total = 0;
        for (std::size_t k = 0; k < axes.size(); ++k)
            if (pick(k)) total += atoms.OnLine(axes[k]).size();
        return total;
    };
    auto atomsOnPlanes = [&](auto&& pick) {
        std::size_t total = 0;
        for (std::size_t k = 0; k < normals.size(); ++k)
            if (pick(k)) total += atoms.OnPlane(normals[k]).size();
        return total;
    };
    auto linesWhere = [&](const std::vector<LVec>& lines, auto&& pick) {
        std::vector<LVec> chosen;
        for (std::size_t k = 0; k < lines.size(); ++k)
            if (pick(k)) chosen.push_back(lines[k]);
        return chosen;
    };
    // Of the classes of lines that pick accepts, the one holding more
    // atoms; on a tie the class of the line the atoms pick.
    auto richerClass = [&](const std::vector<LVec>& lines, const std::vector<int>& classes,
                           auto&& pick, auto&& count) {
        std::vector<int> seen;
        for (std::size_t k = 0; k < lines.size(); ++k)
            if (pick(k) && std::find(seen.begin(), seen.end(), classes[k]) == seen.end())
                seen.push_back(classes[k]);
        if (seen.size() == 1) return seen[0];
        std::vector<std::size_t> totals;
        for (const int cls : seen)
            totals.push_back(count([&](std::size_t k) { return pick(k) && classes[k] == cls; }));
        const auto most = std::max_element(totals.begin(), totals.end());
        if (std::count(totals.begin(), totals.end(), *most) == 1)
            return seen[static_cast<std::size_t>(most - totals.begin())];
        std::vector<std::size_t> index;
        for (std::size_t k = 0; k < lines.size(); ++k)
            if (pick(k) &&
                totals[static_cast<std::size_t>(std::find(seen.begin(), seen.end(), classes[k]) -
                                                seen.begin())] == *most)
                index.push_back(k);
        std::vector<LVec> tied;
        for (const std::size_t k : index) tied.push_back(lines[k]);
        return classes[index[atoms.Pick(tied)]];
    };

    LVec z{0, 0, 1}, x{1, 0, 0};
    int principal = -1;  // index into axes
    auto lineAlong = [&](const LVec& u) {
        for (std::size_t k = 0; k < axes.size(); ++k)
            if (IsParallel(axes[k], u)) return static_cast<int>(k);
        return -1;
    };
    auto pickFrom = [&](const std::vector<LVec>& lines) { return lines[atoms.Pick(lines)]; };

    switch (g.family) {
        case Family::C1:
        case Family::Ci: {
            // Principal axes of inertia, unit weights.
            LMat inertia{};
            long double spread = 0;
            for (std::size_t i = 0; i < mol.n; ++i) {
                const LVec p = mol.At(i);
                const long double r2 = Dot(p, p);
                spread += mol.r[i];
                for (int a = 0; a < 3; ++a)
                    for (int b = 0; b < 3; ++b)
                        inertia[3 * a + b] += (a == b ? r2 : 0) - p[a] * p[b];
            }
            const Eigen<3> m = SymmetricEigen3(inertia);
            // What the tolerance lets a moment move by.
            const long double slack = 2 * mol.tol * spread + mol.n * mol.tol * mol.tol;
            auto axis = [&](int k) {
                return LVec{m.vectors[k][0], m.vectors[k][1], m.vectors[k][2]};
            };
            const bool largestApart = m.values[2] - m.values[1] > slack;
            const bool smallestApart = m.values[1] - m.values[0] > slack;
            if (largestApart) {
                z = axis(2);
                x = smallestApart ? axis(0) : atoms.TowardFirstAtomOff(z);
            } else if (smallestApart) {
                z = axis(0);
                x = atoms.TowardFirstAtomOff(z);
            } else {
                // Toward the first atom off the centre.
                z = atoms.TowardFirstAtomOff({0, 0, 0});
                x = atoms.TowardFirstAtomOff(z);
            }
            break;
        }
        case Family::Cs:
            z = normals[0];
            x = atoms.TowardFirstAtomOff(z);
            break;
        case Family::Cn:
        case Family::Cnh:
        case Family::S2n:
            principal = lineAlong(c.z);
            z = axes[static_cast<std::size_t>(principal)];
            x = atoms.TowardFirstAtomOff(z);
            break;
        case Family::Cnv: {
            principal = lineAlong(c.z);
            z = axes[static_cast<std::size_t>(principal)];
            std::vector<LVec> inPlane;
            for (const LVec& nrm : normals) inPlane.push_back(Normalized(Cross(z, nrm)));
            if (g.n == 2) {
                const std::size_t c0 = atoms.OnPlane(normals[0]).size();
                const std::size_t c1 = atoms.OnPlane(normals[1]).size();
                x = c0 != c1 ? inPlane[c0 < c1 ? 0 : 1] : pickFrom(inPlane);
            } else {
                const int cls = richerClass(
                    inPlane, planeClass, [](std::size_t) { return true; },
                    [&](auto&& pick) { return atomsOnPlanes(pick); });
                x = pickFrom(
                    linesWhere(inPlane, [&](std::size_t k) { return planeClass[k] == cls; }));
            }
            break;
        }
        case Family::Dn:
        case Family::Dnh:
        case Family::Dnd: {
            if (g.n == 2 && g.family != Family::Dnd) {
                // Three C2 axes: Z through the most atoms (a planar D2h
                // molecule's normal goes on X), X through the most of the
                // rest; ties as the atoms pick.
                int xLine = -1;
                if (g.family == Family::Dnh)
                    for (const LVec& nrm : normals)
                        if (atoms.OnPlane(nrm).size() == mol.n) xLine = lineAlong(nrm);
                auto most = [&](int excluded) {
                    std::size_t top = 0;
                    for (std::size_t k = 0; k < axes.size(); ++k)
                        if (static_cast<int>(k) != excluded)
                            top = std::max(top, atoms.OnLine(axes[k]).size());
                    std::vector<int> index;
                    std::vector<LVec> tied;
                    for (std::size_t k = 0; k < axes.size(); ++k)
                        if (static_cast<int>(k) != excluded &&
                            atoms.OnLine(axes[k]).size() == top) {
                            index.push_back(static_cast<int>(k));
                            tied.push_back(axes[k]);
                        }
                    return index[atoms.Pick(tied)];
                };
                principal = most(xLine);
                if (xLine < 0) xLine = most(principal);
                z = axes[static_cast<std::size_t>(principal)];
                x = axes[static_cast<std::size_t>(xLine)];
            } else {
                principal = lineAlong(c.z);
                z = axes[static_cast<std::size_t>(principal)];
                auto twofold = [&](std::size_t k) {
                    return static_cast<int>(k) != principal && IsPerpendicular(axes[k], z);
                };
                const int cls = richerClass(axes, axisClass, twofold,
                                            [&](auto&& pick) { return atomsOnAxes(pick); });
                x = pickFrom(linesWhere(
                    axes, [&](std::size_t k) { return twofold(k) && axisClass[k] == cls; }));
            }
            break;
        }
        case Family::T:
        case Family::Td:
        case Family::Th:
        case Family::O:
        case Family::Oh:
        case Family::I:
        case Family::Ih: {
            const int frameOrder = (g.family == Family::O || g.family == Family::Oh) ? 4 : 2;
            const std::vector<LVec> frameAxes =
                linesWhere(axes, [&](std::size_t k) { return e.proper[k].order == frameOrder; });
            z = pickFrom(frameAxes);
            x = pickFrom(linesWhere(
                frameAxes, [&](std::size_t k) { return IsPerpendicular(frameAxes[k], z); }));
            break;
        }
        case Family::Cinfv:
        case Family::Dinfh:
        case Family::Kh:
            break;
    }
    z = atoms.Signed(z);
    x = atoms.Signed(Normalized(Perpendicular(x, z)));
    g.frame = {ToVec3(z), ToVec3(x)};

    // Proper axes with their roles.
    const int xClass = [&] {
        for (std::size_t k = 0; k < axes.size(); ++k)
            if (IsParallel(axes[k], x)) return axisClass[k];
        return -1;
    }();
    for (std::size_t k = 0; k < axes.size(); ++k) {
        SymmetryAxis a;
        a.order = e.proper[k].order;
        const LVec d = atoms.Signed(axes[k]);
        a.direction = ToVec3(d);
        a.atoms = atoms.OnLine(d);
        if (static_cast<int>(k) == principal && IsAxial(g.family))
            a.role = AxisRole::Principal;
        else if (IsDihedral(g.family))
            a.role = axisClass[k] == xClass ? AxisRole::TwofoldPrime : AxisRole::TwofoldDoublePrime;
        g.properAxes.push_back(std::move(a));
    }
    auto roleRank = [](const SymmetryAxis& a) {
        const int role = a.role == AxisRole::Principal      ? 0
                         : a.role == AxisRole::Other        ? 1
                         : a.role == AxisRole::TwofoldPrime ? 2
                                                            : 3;
        return std::pair{role, -a.order};
    };
    auto axisDirection = [](const SymmetryAxis& a) {
        return LVec{a.direction[0], a.direction[1], a.direction[2]};
    };
    Arrange(g.properAxes, atoms, roleRank, axisDirection);

    for (const ElementLine& l : e.improper) {
        SymmetryAxis a;
        a.order = l.order;
        const LVec d = atoms.Signed(l.axis);
        a.direction = ToVec3(d);
        a.atoms = atoms.OnLine(d);
        a.role = IsAxial(g.family) && IsParallel(d, z) ? AxisRole::Principal : AxisRole::Other;
        g.improperAxes.push_back(std::move(a));
    }
    Arrange(g.improperAxes, atoms, roleRank, axisDirection);

    // Planes: σh across the principal axis (Th, Oh: across a C2 or C4
    // axis); of two classes of vertical planes, σv holds the XZ plane.
    const LVec y = Cross(z, x);
    const int yClass = [&] {
        for (std::size_t k = 0; k < normals.size(); ++k)
            if (IsParallel(normals[k], y)) return planeClass[k];
        return -1;
    }();
    const bool twoVerticalClasses =
        (g.family == Family::Cnv || g.family == Family::Dnh) && g.n >= 4 && g.n % 2 == 0;
    for (std::size_t k = 0; k < normals.size(); ++k) {
        MirrorPlane plane;
        const LVec d = atoms.Signed(normals[k]);
        plane.normal = ToVec3(d);
        plane.atoms = atoms.OnPlane(d);
        switch (g.family) {
            case Family::Ih:
                plane.kind = PlaneClass::Plain;
                break;
            case Family::Td:
            case Family::Dnd:
                plane.kind = PlaneClass::Dihedral;
                break;
            case Family::Th:
            case Family::Cs:
                plane.kind = PlaneClass::Horizontal;
                break;
            case Family::Oh: {
                const int along = lineAlong(d);
                plane.kind = along >= 0 && e.proper[static_cast<std::size_t>(along)].order == 4
                                 ? PlaneClass::Horizontal
                                 : PlaneClass::Dihedral;
                break;
            }
            default:
                if (IsParallel(d, z))
                    plane.kind = PlaneClass::Horizontal;
                else if (twoVerticalClasses && planeClass[k] != yClass)
                    plane.kind = PlaneClass::Dihedral;
                else
                    plane.kind = PlaneClass::Vertical;
                break;
        }
        g.planes.push_back(std::move(plane));
    }
    Arrange(
        g.planes, atoms, [](const MirrorPlane& p) { return static_cast<int>(p.kind); },
        [](const MirrorPlane& p) {
            return LVec{p.normal[0], p.normal[1], p.normal[2]};
        });

    auto operations = std::make_shared<GroupOperations>();
    operations->centre = mol.centre;
    for (Op& op : ops) {
        operations->matrices.push_back(op.m);
        operations->images.push_back(std::move(op.image));
    }
    g.operations = std::move(operations);
    return g;
}

PointGroup ReportPoint(const Molecule& mol) {
    const Atoms atoms(mol);
    PointGroup g;
    g.family = Family::Kh;
    g.n = 0;
    g.tolerance = mol.tol;
    g.centre = ToVec3(mol.centre);
    g.inversion = true;
    g.atomsAtCentre = atoms.AtCentre();
    auto operations = std::make_shared<GroupOperations>();
    operations->shape = GroupOperations::Shape::Point;
    operations->centre = mol.centre;
    g.operations = std::move(operations);
    return g;
}

PointGroup ReportLinear(const Molecule& mol, const LVec& line, const std::vector<int>* inverted) {
    const Atoms atoms(mol);
    PointGroup g;
    g.family = inverted ? Family::Dinfh : Family::Cinfv;
    g.n = 0;
    g.tolerance = mol.tol;
    g.centre = ToVec3(mol.centre);
    g.inversion = inverted != nullptr;
    g.atomsAtCentre = atoms.AtCentre();
    const LVec z = atoms.Signed(line);
    g.frame = {ToVec3(z), ToVec3(AnyPerpendicular(z))};
    const SymmetryAxis axis{0, AxisRole::Principal, ToVec3(z), atoms.OnLine(z)};
    g.properAxes.push_back(axis);
    auto operations = std::make_shared<GroupOperations>();
    operations->shape = GroupOperations::Shape::Linear;
    operations->centre = mol.centre;
    operations->axis = line;
    operations->matrices.push_back(Identity());
    std::vector<int> same(mol.n);
    std::iota(same.begin(), same.end(), 0);
    operations->images.push_back(same);
    if (inverted) {
        g.improperAxes.push_back(axis);
        g.planes.push_back({PlaneClass::Horizontal, ToVec3(z), atoms.OnPlane(z)});
        operations->matrices.push_back(Negated(Identity()));
        operations->images.push_back(*inverted);
    }
    g.operations = std::move(operations);
    return g;
}

}  // namespace

PointGroupResult FindPointGroup(const AtomSet& atoms, double tolerance) {
    const KeepFloatingPointFlags keep;
    PointGroupResult result;
    result.group.tolerance = tolerance;
    result.refusal = Validate(atoms, tolerance);
    if (!result.Found()) return result;
    const Molecule mol = Prepare(atoms, tolerance);

    if (mol.rMax <= mol.strict / 2) {
        result.group = ReportPoint(mol);
        return result;
    }
    AtomImages images(mol.p, mol.kinds, 2 * tolerance);

    // Linear: every atom within half the tolerance of the line of the
    // atoms' largest spread, so that every turn about it passes.
    {
        LMat spread{};
        for (std::size_t i = 0; i < mol.n; ++i)
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) spread[3 * r + c] += mol.At(i)[r] * mol.At(i)[c];
        const Eigen<3> e = SymmetricEigen3(spread);
        const LVec line = Normalized({e.vectors[2][0], e.vectors[2][1], e.vectors[2][2]});
        bool linear = true;
        for (std::size_t i = 0; i < mol.n && linear; ++i)
            linear = Norm(Perpendicular(mol.At(i), line)) <= mol.strict / 2;
        if (linear) {
            std::vector<int> inverted, reflected;
            const bool dinfh = images.Match(Negated(Identity()), mol.strict, true, inverted) &&
                               images.Match(Reflection(line), mol.strict, true, reflected);
            result.group = ReportLinear(mol, line, dinfh ? &inverted : nullptr);
            return result;
        }
    }

    Search search = FindOperations(mol, images);
    if (search.tooLong) {
        result.refusal =
            "The search for symmetry elements was stopped: too many atoms of one kind lie at the "
            "same distance from the centre for this tolerance. Try a smaller tolerance.";
        return result;
    }
    const double angle = std::clamp(8 * mol.tol / std::max(mol.rRms, mol.tol), 1e-7, 0.04);
    std::vector<OpInfo> infos;
    for (const Op& op : search.ops)
        infos.push_back(
            Describe(op.m, Determinant(op.m) > 0 ? PermutationOrder(op.image) : 0, angle));
    const Classification named = Classify(CollectElements(infos, angle), angle);

    // Of the two icosahedral frames on the same C2 axes, the one whose C5
    // axes the molecule has.
    int variant = 0;
    if (named.family == Family::I || named.family == Family::Ih) {
        const LVec z = Normalized(named.z);
        const LMat frame = FrameRows(z, Normalized(Perpendicular(named.x, z)));
        const long double phi = (1 + std::sqrt(5.0L)) / 2;
        const LMat five = Rotation(Normalized({0, 1, phi}), 2 * kPi / 5);
        std::vector<int> image;
        if (!images.Match(ToMolecule(frame, {five})[0], 3 * mol.tol, false, image)) variant = 1;
    }
    Idealised ideal = Idealise(mol, images, named, variant);
    // Where like atoms lie farther apart than three tolerances, each image
    // is the one atom near it, and the images of a product are those of its
    // factors in turn. Closer atoms can break that, and then only a
    // subgroup whose images compose (checked) can be averaged over to a
    // symmetric result.
    const bool crowded = images.AnyPairWithin(3 * mol.tol);
    std::vector<int> members;
    if (ideal.passed == ideal.inFrame.size() && !crowded) {
        members.resize(ideal.inFrame.size());
        std::iota(members.begin(), members.end(), 0);
    } else {
        members = SubgroupWithin(ideal.inFrame, ideal.passes, crowded ? &ideal.images : nullptr);
    }
    std::vector<Op> ops;
    for (const int k : members)
        ops.push_back({ideal.inMolecule[static_cast<std::size_t>(k)],
                       std::move(ideal.images[static_cast<std::size_t>(k)])});
    result.group = Report(mol, std::move(ops));
    return result;
}

std::string SymbolOf(Family family, int n) {
    const std::string number = std::to_string(n);
    switch (family) {
        case Family::C1:
            return "C1";
        case Family::Cs:
            return "Cs";
        case Family::Ci:
            return "Ci";
        case Family::Cn:
            return "C" + number;
        case Family::Cnv:
            return "C" + number + "v";
        case Family::Cnh:
            return "C" + number + "h";
        case Family::Dn:
            return "D" + number;
        case Family::Dnh:
            return "D" + number + "h";
        case Family::Dnd:
            return "D" + number + "d";
        case Family::S2n:
            return "S" + number;
        case Family::T:
            return "T";
        case Family::Td:
            return "Td";
        case Family::Th:
            return "Th";
        case Family::O:
            return "O";
        case Family::Oh:
            return "Oh";
        case Family::I:
            return "I";
        case Family::Ih:
            return "Ih";
        case Family::Cinfv:
            return "Cinfv";
        case Family::Dinfh:
            return "Dinfh";
        case Family::Kh:
            return "Kh";
    }
    return {};
}

std::string DisplaySymbolOf(Family family, int n) {
    if (family == Family::Cinfv) return "C\u221Ev";
    if (family == Family::Dinfh) return "D\u221Eh";
    return SymbolOf(family, n);
}

std::string PointGroup::Symbol() const {
    return SymbolOf(family, n);
}

std::string PointGroup::DisplaySymbol() const {
    return DisplaySymbolOf(family, n);
}

int PointGroup::Order() const {
    return GroupOrder(family, n);
}

}  // namespace pivora::symmetry
