#include "symmetry/GroupTheory.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

namespace pivora::symmetry {

namespace {

// Products of ideal operations agree far below this; distinct operations
// of a finite group differ by far more.
constexpr long double kSameOperation = 1e-9L;

// Highest order looked for from an angle alone.
constexpr int kAngleOrders = 4 * kMaxAxisOrder;

// The smallest n in [first, kAngleOrders] with angle = 2 pi k / n for an
// integer k, within tolerance; 0 when there is none.
int OrderFromAngle(long double angle, int first, long double tolerance) {
    for (int n = first; n <= kAngleOrders; ++n) {
        const long double k = std::nearbyint(angle * n / (2 * kPi));
        if (std::fabs(angle - 2 * kPi * k / n) <= tolerance) return n;
    }
    return 0;
}

long double Lcm(long double a, long double b) {
    if (a > 1e6L || b > 1e6L) return std::max(a, b);
    const auto x = static_cast<std::int64_t>(a), y = static_cast<std::int64_t>(b);
    return static_cast<long double>(std::lcm(x, y));
}

int CapOrder(long double order) {
    if (order <= kMaxAxisOrder) return static_cast<int>(order);
    if (order > 1e6L) return kMaxAxisOrder;
    const auto n = static_cast<std::int64_t>(order);
    for (int d = kMaxAxisOrder; d > 1; --d)
        if (n % d == 0) return d;
    return 1;
}

// Joins op to the line along axis; a proper line takes the least common
// multiple of the orders (its turns form one cyclic group), other lines
// keep one entry for each order (sameOrder).
void AddToLine(std::vector<ElementLine>& lines, const LVec& axis, int order, int op,
               long double cosTolerance, bool sameOrder) {
    for (ElementLine& line : lines) {
        if (std::fabs(Dot(line.axis, axis)) < cosTolerance) continue;
        if (sameOrder && line.order != order) continue;
        if (!sameOrder)
            line.order = static_cast<int>(std::min<long double>(Lcm(line.order, order), 2e6L));
        line.ops.push_back(op);
        return;
    }
    lines.push_back({axis, order, {op}});
}

bool Same(const LMat& a, const LMat& b) {
    for (int k = 0; k < 9; ++k)
        if (std::fabs(a[k] - b[k]) >= kSameOperation) return false;
    return true;
}

std::vector<LMat> Close(const std::vector<LMat>& generators) {
    std::vector<LMat> group{Identity()};
    for (std::size_t i = 0; i < group.size() && group.size() < 1000; ++i)
        for (const LMat& g : generators) {
            const LMat p = Multiply(g, group[i]);
            if (std::none_of(group.begin(), group.end(), [&](const LMat& h) { return Same(h, p); }))
                group.push_back(p);
        }
    return group;
}

}  // namespace

OpInfo Describe(const LMat& m, int rotationOrder, long double angleTolerance) {
    OpInfo info;
    if (Determinant(m) > 0) {
        const AxisAngle r = ToAxisAngle(m);
        if (rotationOrder == 1 || r.angle <= angleTolerance) return info;
        info.kind = OpKind::Rotation;
        info.axis = r.axis;
        if (rotationOrder > 1) {
            const long double k = std::nearbyint(r.angle * rotationOrder / (2 * kPi));
            if (std::fabs(r.angle - 2 * kPi * k / rotationOrder) <= 4 * angleTolerance) {
                info.order = rotationOrder;
                return info;
            }
        }
        info.order = OrderFromAngle(r.angle, 2, angleTolerance);
        return info;
    }
    LMat minus = m;
    for (long double& v : minus) v = -v;
    const AxisAngle r = ToAxisAngle(minus);
    info.axis = r.axis;
    const long double turn = kPi - r.angle;  // the improper turn, in [0, pi]
    if (r.angle <= angleTolerance) {
        info.kind = OpKind::Inversion;
        info.order = 2;
    } else if (turn <= angleTolerance) {
        info.kind = OpKind::Reflection;
        info.order = 1;
    } else {
        info.kind = OpKind::Improper;
        info.order = OrderFromAngle(turn, 3, angleTolerance);
    }
    return info;
}

Elements CollectElements(const std::vector<OpInfo>& ops, long double angleTolerance) {
    Elements e;
    const long double cosTolerance = std::cos(angleTolerance);
    for (std::size_t i = 0; i < ops.size(); ++i) {
        const OpInfo& op = ops[i];
        const int index = static_cast<int>(i);
        switch (op.kind) {
            case OpKind::Identity:
                break;
            case OpKind::Rotation:
                if (op.order >= 2)
                    AddToLine(e.proper, op.axis, op.order, index, cosTolerance, false);
                break;
            case OpKind::Inversion:
                e.inversion = true;
                break;
            case OpKind::Reflection:
                AddToLine(e.planes, op.axis, 1, index, cosTolerance, true);
                break;
            case OpKind::Improper:
                if (op.order >= 3)
                    AddToLine(e.improper, op.axis, op.order, index, cosTolerance, true);
                break;
        }
    }
    for (ElementLine& line : e.proper) line.order = CapOrder(line.order);
    return e;
}

Classification Classify(const Elements& e, long double angleTolerance) {
    Classification c;
    const long double perpendicular = 2 * angleTolerance;
    const long double parallel = std::cos(2 * angleTolerance);
    const bool anyImproper = e.inversion || !e.planes.empty() || !e.improper.empty();

    // Several axes of order 3 or more: a cubic or icosahedral group, named
    // by its highest order and laid on two perpendicular axes of the kind
    // its frame uses.
    const auto high = std::count_if(e.proper.begin(), e.proper.end(),
                                    [](const ElementLine& l) { return l.order >= 3; });
    if (high >= 2) {
        const bool five = std::any_of(e.proper.begin(), e.proper.end(),
                                      [](const ElementLine& l) { return l.order % 5 == 0; });
        const bool four = std::any_of(e.proper.begin(), e.proper.end(),
                                      [](const ElementLine& l) { return l.order % 4 == 0; });
        const int frameOrder = five ? 2 : four ? 4 : 2;
        for (const ElementLine& a : e.proper) {
            if (a.order != frameOrder) continue;
            for (const ElementLine& b : e.proper) {
                if (b.order != frameOrder || std::fabs(Dot(a.axis, b.axis)) >= perpendicular)
                    continue;
                c.z = a.axis;
                c.x = Normalized(Perpendicular(b.axis, a.axis));
                c.n = 0;
                if (five)
                    c.family = anyImproper ? Family::Ih : Family::I;
                else if (four)
                    c.family = anyImproper ? Family::Oh : Family::O;
                else
                    c.family = e.inversion ? Family::Th : anyImproper ? Family::Td : Family::T;
                return c;
            }
        }
        // Too few axes found for the frame: the axial flow chart below names
        // a lower group about the highest axis.
    }

    if (e.proper.empty()) {
        if (!e.planes.empty()) {
            c.family = Family::Cs;
            c.z = e.planes[0].axis;
        } else {
            c.family = e.inversion ? Family::Ci : Family::C1;
        }
        c.n = c.family == Family::C1 ? 1 : 0;
        c.x = AnyPerpendicular(c.z);
        return c;
    }

    // The principal axis: the highest order; of several twofold axes, the
    // one that is also an S4 axis (D2d, S4), else any (D2, D2h).
    auto hasDoubleImproper = [&](const ElementLine& line) {
        return std::any_of(e.improper.begin(), e.improper.end(), [&](const ElementLine& s) {
            return s.order == 2 * line.order && std::fabs(Dot(s.axis, line.axis)) >= parallel;
        });
    };
    const ElementLine* principal = &e.proper[0];
    for (const ElementLine& line : e.proper) {
        if (line.order > principal->order ||
            (line.order == principal->order && hasDoubleImproper(line) &&
             !hasDoubleImproper(*principal)))
            principal = &line;
    }
    const LVec z = principal->axis;
    c.z = z;
    c.n = principal->order;
    c.x = AnyPerpendicular(z);

    const ElementLine* twofold = nullptr;
    for (const ElementLine& line : e.proper)
        if (&line != principal && line.order % 2 == 0 &&
            std::fabs(Dot(line.axis, z)) < perpendicular) {
            twofold = &line;
            break;
        }
    const ElementLine* horizontal = nullptr;
    const ElementLine* vertical = nullptr;
    for (const ElementLine& plane : e.planes) {
        const long double d = std::fabs(Dot(plane.axis, z));
        if (d >= parallel) horizontal = &plane;
        if (d < perpendicular && !vertical) vertical = &plane;
    }
    const bool improperAboutZ =
        e.inversion || std::any_of(e.improper.begin(), e.improper.end(), [&](const ElementLine& s) {
            return std::fabs(Dot(s.axis, z)) >= parallel;
        });

    if (twofold) {
        c.x = Normalized(Perpendicular(twofold->axis, z));
        c.family = horizontal ? Family::Dnh : vertical ? Family::Dnd : Family::Dn;
    } else if (horizontal) {
        c.family = Family::Cnh;
    } else if (vertical) {
        c.family = Family::Cnv;
        c.x = Normalized(Cross(z, vertical->axis));
    } else if (improperAboutZ) {
        c.family = Family::S2n;
        c.n = 2 * principal->order;
    } else {
        c.family = Family::Cn;
    }
    return c;
}

std::vector<LMat> IdealOperations(Family family, int n, int variant) {
    const LVec ex{1, 0, 0}, ey{0, 1, 0}, ez{0, 0, 1};
    const long double r3 = 1 / std::sqrt(3.0L);
    const LVec diagonal{r3, r3, r3};
    LMat inversion{};
    for (int k = 0; k < 3; ++k) inversion[4 * k] = -1;
    const LMat c2x = Rotation(ex, kPi), c2z = Rotation(ez, kPi),
               c3 = Rotation(diagonal, 2 * kPi / 3);
    const LMat cn = n > 0 ? Rotation(ez, 2 * kPi / n) : Identity();
    std::vector<LMat> gens;
    switch (family) {
        case Family::C1:
        case Family::Cinfv:
        case Family::Dinfh:
        case Family::Kh:
            break;
        case Family::Cs:
            gens = {Reflection(ez)};
            break;
        case Family::Ci:
            gens = {inversion};
            break;
        case Family::Cn:
            gens = {cn};
            break;
        case Family::Cnv:
            gens = {cn, Reflection(ey)};
            break;
        case Family::Cnh:
            gens = {cn, Reflection(ez)};
            break;
        case Family::S2n:
            gens = {Multiply(Reflection(ez), cn)};
            break;
        case Family::Dn:
            gens = {cn, c2x};
            break;
        case Family::Dnh:
            gens = {cn, c2x, Reflection(ez)};
            break;
        case Family::Dnd: {
            // σd bisects the C2 axes on x and at pi / n.
            const long double half = kPi / (2 * n);
            gens = {cn, c2x, Reflection({-std::sin(half), std::cos(half), 0})};
            break;
        }
        case Family::T:
        case Family::Td:
        case Family::Th:
            gens = {c2z, c2x, c3};
            if (family == Family::Td) gens.push_back(Reflection(Normalized({1, -1, 0})));
            if (family == Family::Th) gens.push_back(inversion);
            break;
        case Family::O:
        case Family::Oh:
            gens = {Rotation(ez, kPi / 2), c3};
            if (family == Family::Oh) gens.push_back(inversion);
            break;
        case Family::I:
        case Family::Ih: {
            // C2 axes on x, y and z; the twelve C5 axes point to the
            // vertices (0, ±1, ±φ) and their cyclic permutations (variant 0)
            // or to those turned by a quarter turn about z (variant 1).
            const long double phi = (1 + std::sqrt(5.0L)) / 2;
            const LVec five = variant == 0 ? LVec{0, 1, phi} : LVec{1, 0, phi};
            gens = {c2z, c3, Rotation(Normalized(five), 2 * kPi / 5)};
            if (family == Family::Ih) gens.push_back(inversion);
            break;
        }
    }
    return Close(gens);
}

std::vector<int> ProductTable(const std::vector<LMat>& g) {
    const std::size_t n = g.size();
    std::vector<int> table(n * n, -1);
    for (std::size_t a = 0; a < n; ++a)
        for (std::size_t b = 0; b < n; ++b) {
            const LMat p = Multiply(g[a], g[b]);
            for (std::size_t c = 0; c < n; ++c)
                if (Same(g[c], p)) {
                    table[a * n + b] = static_cast<int>(c);
                    break;
                }
        }
    return table;
}

std::vector<int> SubgroupWithin(const std::vector<LMat>& g, const std::vector<bool>& allowed,
                                const std::vector<std::vector<int>>* images) {
    const std::size_t n = g.size();
    const std::vector<int> table = ProductTable(g);
    // Whether the images of a b are those of b, then of a.
    auto composes = [&](int a, int b, int product) {
        const auto& ia = (*images)[static_cast<std::size_t>(a)];
        const auto& ib = (*images)[static_cast<std::size_t>(b)];
        const auto& ip = (*images)[static_cast<std::size_t>(product)];
        for (std::size_t i = 0; i < ip.size(); ++i)
            if (ip[i] != ia[static_cast<std::size_t>(ib[i])]) return false;
        return true;
    };
    // The group the generators make, or nothing when it leaves the allowed
    // operations (or, with check, when images fail to compose: checking
    // each generator times each member suffices, since every member is a
    // product of generators).
    auto generated = [&](const std::vector<int>& generators, bool check) {
        std::vector<char> in(n, 0);
        std::vector<int> list{0};
        in[0] = 1;
        for (std::size_t i = 0; i < list.size(); ++i)
            for (const int s : generators) {
                const int p =
                    table[static_cast<std::size_t>(s) * n + static_cast<std::size_t>(list[i])];
                if (p < 0 || !allowed[static_cast<std::size_t>(p)] ||
                    (check && !composes(s, list[i], p)))
                    return std::vector<int>{};
                if (!in[static_cast<std::size_t>(p)]) {
                    in[static_cast<std::size_t>(p)] = 1;
                    list.push_back(p);
                }
            }
        std::sort(list.begin(), list.end());
        return list;
    };
    auto greedy = [&](bool check) {
        std::vector<int> h{0}, generators;
        for (;;) {
            std::vector<int> best = h;
            int added = -1;
            for (std::size_t c = 0; c < n; ++c) {
                if (!allowed[c] || std::binary_search(h.begin(), h.end(), static_cast<int>(c)))
                    continue;
                std::vector<int> with = generators;
                with.push_back(static_cast<int>(c));
                std::vector<int> k = generated(with, check);
                if (k.size() > best.size()) best = std::move(k), added = static_cast<int>(c);
            }
            if (added < 0) return std::pair{h, generators};
            h = std::move(best);
            generators.push_back(added);
        }
    };
    auto [h, generators] = greedy(false);
    if (!images || generated(generators, true).size() == h.size()) return h;
    // The images clash somewhere: search again, checking them at every step.
    return greedy(true).first;
}

int GroupOrder(Family family, int n) {
    switch (family) {
        case Family::C1:
            return 1;
        case Family::Cs:
        case Family::Ci:
            return 2;
        case Family::Cn:
        case Family::S2n:
            return n;
        case Family::Cnv:
        case Family::Cnh:
        case Family::Dn:
            return 2 * n;
        case Family::Dnh:
        case Family::Dnd:
            return 4 * n;
        case Family::T:
            return 12;
        case Family::Td:
        case Family::Th:
        case Family::O:
            return 24;
        case Family::Oh:
            return 48;
        case Family::I:
            return 60;
        case Family::Ih:
            return 120;
        case Family::Cinfv:
        case Family::Dinfh:
        case Family::Kh:
            return 0;
    }
    return 0;
}

}  // namespace pivora::symmetry
