// Point groups of textbook molecules: the symbol, the elements, the
// principal axis, under noise and under turns, and the standard frame.

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <climits>
#include <cmath>
#include <limits>

#include "symmetry/Molecules.h"
#include "symmetry/PointGroup.h"

namespace pivora::symmetry {
namespace {

using test::KnownMolecule;
using test::KnownMolecules;
using test::Matrix;
using test::Molecule;

double Dot(const Vec3& a, const Vec3& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

double Distance(const Vec3& a, const Vec3& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

// The number of operations; the infinite groups above every finite one,
// D∞h above its subgroup C∞v.
long Size(const PointGroup& g) {
    if (g.family == Family::Cinfv) return LONG_MAX - 1;
    return g.Order() == 0 ? LONG_MAX : g.Order();
}

PointGroup Found(const Molecule& m, double tolerance = kDefaultTolerance) {
    const PointGroupResult r = FindPointGroup(m.Atoms(), tolerance);
    EXPECT_TRUE(r.Found()) << r.refusal;
    return r.group;
}

bool IsAxial(Family f) {
    return f == Family::Cn || f == Family::Cnv || f == Family::Cnh || f == Family::S2n ||
           f == Family::Dn || f == Family::Dnh || f == Family::Dnd || f == Family::Cinfv ||
           f == Family::Dinfh;
}

// Exact, and shaken by up to 1e-4 and 1e-3 in each coordinate (far below
// the tolerance of 0.01 even where two shakes add up): the same group,
// elements and principal axis.
TEST(PointGroup, TextbookMoleculesExactAndShakenBelowTheTolerance) {
    std::mt19937_64 rng(11);
    for (const KnownMolecule& known : KnownMolecules()) {
        for (const double noise : {0.0, 1e-4, 1e-3}) {
            SCOPED_TRACE(std::string(known.name) + " shaken by " + std::to_string(noise));
            const Molecule m = test::Shaken(known.build(), noise, rng);
            const PointGroup g = Found(m);
            EXPECT_EQ(g.Symbol(), known.symbol);
            EXPECT_EQ(test::ElementSignature(g), known.elements);
            const bool axial = IsAxial(g.family);
            ASSERT_EQ(axial, Dot(known.principal, known.principal) > 0);
            ASSERT_FALSE(g.properAxes.empty() && axial);
            if (axial) {
                EXPECT_EQ(g.properAxes[0].role, AxisRole::Principal);
                EXPECT_GT(std::fabs(Dot(g.properAxes[0].direction, known.principal)), 1 - 1e-5);
            }
            for (const SymmetryAxis& a : g.properAxes)
                if (&a != &g.properAxes[0] || !axial) {
                    EXPECT_NE(a.role, AxisRole::Principal);
                }
        }
    }
}

TEST(PointGroup, NoiseAboveTheToleranceLowersTheGroup) {
    std::mt19937_64 rng(12);
    for (const KnownMolecule& known : KnownMolecules()) {
        SCOPED_TRACE(known.name);
        const Molecule m = known.build();
        const PointGroup exact = Found(m);
        // Nothing is lower than C1, and three atoms always lie in a plane.
        if (exact.family == Family::C1 || (exact.family == Family::Cs && m.positions.size() == 3))
            continue;
        const PointGroup shaken = Found(test::Shaken(m, 0.05, rng));
        EXPECT_LT(Size(shaken), Size(exact)) << shaken.Symbol();
        // The same molecule is symmetric again at a tolerance above the noise.
        const PointGroup coarse = Found(test::Shaken(m, 0.004, rng), 0.03);
        EXPECT_EQ(coarse.Symbol(), exact.Symbol());
    }
}

// Each line is listed once, with the atoms on it, both in number order.
TEST(PointGroup, ElementsCarryTheAtomsOnThem) {
    const PointGroup benzene = Found(test::Built("benzene"));
    ASSERT_EQ(benzene.Symbol(), "D6h");
    // C6 axis: no atom; C2′ through C1, H2, C7, H8 (atoms 1, 2, 7, 8 at 0
    // and 180 degrees); C2″ through none.
    EXPECT_TRUE(benzene.properAxes[0].atoms.empty());
    int throughAtoms = 0;
    for (const SymmetryAxis& a : benzene.properAxes) {
        if (a.role == AxisRole::TwofoldPrime) {
            EXPECT_EQ(a.atoms.size(), 4u);
            ++throughAtoms;
        }
        if (a.role == AxisRole::TwofoldDoublePrime) {
            EXPECT_TRUE(a.atoms.empty());
        }
    }
    EXPECT_EQ(throughAtoms, 3);
    EXPECT_EQ(benzene.properAxes[1].atoms, (std::vector<int>{1, 2, 7, 8}));
    for (const MirrorPlane& p : benzene.planes)
        if (p.kind == PlaneClass::Horizontal) {
            EXPECT_EQ(p.atoms.size(), 12u);
        }
    EXPECT_TRUE(benzene.atomsAtCentre.empty());

    const PointGroup methane = Found(test::Built("CH4"));
    ASSERT_EQ(methane.Symbol(), "Td");
    EXPECT_EQ(methane.atomsAtCentre, std::vector<int>{1});
    for (const SymmetryAxis& a : methane.properAxes) {
        EXPECT_EQ(a.atoms.size(), a.order == 3 ? 2u : 1u);
    }
    for (const MirrorPlane& p : methane.planes) {
        EXPECT_EQ(p.atoms.size(), 3u);
    }
}

// A molecule turned and moved at random: the same group, its elements in
// the same order turned with it, signs and atoms included.
TEST(PointGroup, TurnedAndMovedMoleculesTurnTheirElements) {
    std::mt19937_64 rng(13);
    std::uniform_real_distribution<double> shift(-50, 50);
    for (const KnownMolecule& known : KnownMolecules()) {
        for (const double noise : {0.0, 1e-4}) {
            SCOPED_TRACE(std::string(known.name) + " shaken by " + std::to_string(noise));
            const Molecule m = test::Shaken(known.build(), noise, rng);
            const PointGroup ref = Found(m);
            for (int trial = 0; trial < 3; ++trial) {
                const Matrix turn = test::RandomRotation(rng);
                const Vec3 move{shift(rng), shift(rng), shift(rng)};
                const PointGroup g = Found(test::Turned(m, turn, move));
                ASSERT_EQ(g.Symbol(), ref.Symbol());
                auto same = [&](const Vec3& turned, const Vec3& original) {
                    return Distance(turned, test::Times(turn, original)) < 1e-6;
                };
                const Vec3 centre = test::Times(turn, ref.centre);
                EXPECT_LT(Distance(g.centre,
                                   {centre[0] + move[0], centre[1] + move[1], centre[2] + move[2]}),
                          1e-9);
                ASSERT_EQ(g.properAxes.size(), ref.properAxes.size());
                for (std::size_t k = 0; k < g.properAxes.size(); ++k) {
                    EXPECT_TRUE(same(g.properAxes[k].direction, ref.properAxes[k].direction)) << k;
                    EXPECT_EQ(g.properAxes[k].order, ref.properAxes[k].order);
                    EXPECT_EQ(g.properAxes[k].role, ref.properAxes[k].role);
                    EXPECT_EQ(g.properAxes[k].atoms, ref.properAxes[k].atoms);
                }
                ASSERT_EQ(g.improperAxes.size(), ref.improperAxes.size());
                for (std::size_t k = 0; k < g.improperAxes.size(); ++k)
                    EXPECT_TRUE(same(g.improperAxes[k].direction, ref.improperAxes[k].direction));
                ASSERT_EQ(g.planes.size(), ref.planes.size());
                for (std::size_t k = 0; k < g.planes.size(); ++k) {
                    EXPECT_TRUE(same(g.planes[k].normal, ref.planes[k].normal)) << k;
                    EXPECT_EQ(g.planes[k].kind, ref.planes[k].kind);
                    EXPECT_EQ(g.planes[k].atoms, ref.planes[k].atoms);
                }
                EXPECT_TRUE(same(g.frame.toZ, ref.frame.toZ));
                // No side of a linear molecule tells its perpendiculars apart.
                if (g.Order() != 0) {
                    EXPECT_TRUE(same(g.frame.toX, ref.frame.toX));
                }
            }
        }
    }
}

// The rotation whose rows are the frame's axes lays the molecule in its
// standard frame: found again there, the frame is the coordinate axes and
// the principal axis lies on +Z.
Molecule InStandardFrame(const Molecule& m, const PointGroup& g) {
    const Vec3 z = g.frame.toZ, x = g.frame.toX;
    const Vec3 y{z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]};
    const Matrix rows{x[0], x[1], x[2], y[0], y[1], y[2], z[0], z[1], z[2]};
    const Vec3 c = test::Times(rows, g.centre);
    return test::Turned(m, rows, {-c[0], -c[1], -c[2]});
}

TEST(StandardFrame, TurningOntoTheFrameDirectionsPutsThePrincipalAxisOnZ) {
    std::mt19937_64 rng(14);
    for (const KnownMolecule& known : KnownMolecules()) {
        for (const double noise : {0.0, 1e-4}) {
            SCOPED_TRACE(std::string(known.name) + " shaken by " + std::to_string(noise));
            const Molecule m = test::Turned(test::Shaken(known.build(), noise, rng),
                                            test::RandomRotation(rng), {3, -4, 5});
            const PointGroup g = Found(m);
            EXPECT_NEAR(Dot(g.frame.toZ, g.frame.toZ), 1, 1e-12);
            EXPECT_NEAR(Dot(g.frame.toX, g.frame.toX), 1, 1e-12);
            EXPECT_NEAR(Dot(g.frame.toZ, g.frame.toX), 0, 1e-12);
            const PointGroup again = Found(InStandardFrame(m, g));
            ASSERT_EQ(again.Symbol(), g.Symbol());
            EXPECT_LT(Distance(again.frame.toZ, {0, 0, 1}), 1e-6);
            if (g.Order() != 0) {
                EXPECT_LT(Distance(again.frame.toX, {1, 0, 0}), 1e-6);
            }
            if (IsAxial(g.family)) {
                EXPECT_LT(Distance(again.properAxes[0].direction, {0, 0, 1}), 1e-6);
            }
        }
    }
}

// The chemist's conventions, seen in the coordinates of the standard frame.
TEST(StandardFrame, Conventions) {
    const struct {
        const char* molecule;
        const char* what;
        bool (*holds)(const Molecule&);
    } kCases[] = {
        {"H2O", "planar C2v lies in YZ (Mulliken)",
         [](const Molecule& m) {
             for (const Vec3& p : m.positions)
                 if (std::fabs(p[0]) > 1e-9) return false;
             return true;
         }},
        {"C2H4", "planar D2h lies in YZ, C=C on Z",
         [](const Molecule& m) {
             for (const Vec3& p : m.positions)
                 if (std::fabs(p[0]) > 1e-9) return false;
             return std::fabs(m.positions[0][1]) < 1e-9 && std::fabs(m.positions[1][1]) < 1e-9;
         }},
        {"naphthalene", "naphthalene: the bridgehead carbons on Z, the plane YZ",
         [](const Molecule& m) {
             for (const Vec3& p : m.positions)
                 if (std::fabs(p[0]) > 1e-9) return false;
             return std::fabs(m.positions[0][1]) < 1e-9 && std::fabs(m.positions[1][1]) < 1e-9;
         }},
        {"HOCl", "Cs: the plane is XY",
         [](const Molecule& m) {
             for (const Vec3& p : m.positions)
                 if (std::fabs(p[2]) > 1e-9) return false;
             return true;
         }},
        {"benzene", "benzene: the ring in XY, atom 1 on +X",
         [](const Molecule& m) {
             for (const Vec3& p : m.positions)
                 if (std::fabs(p[2]) > 1e-9) return false;
             return m.positions[0][0] > 1 && std::fabs(m.positions[0][1]) < 1e-9;
         }},
        {"NH3", "C3v: atom 2, the first off the axis, in XZ toward +X",
         [](const Molecule& m) {
             return m.positions[1][0] > 0.5 && std::fabs(m.positions[1][1]) < 1e-9;
         }},
        {"C60", "C60: the coordinates are the usual ones, 0.7 (0, ±1, ±3φ) and so on",
         [](const Molecule& m) {
             const double phi = (1 + std::sqrt(5.0)) / 2;
             const double values[] = {0, 1, phi, 2, 2 + phi, 2 * phi, 2 * phi + 1, 3 * phi};
             for (const Vec3& p : m.positions)
                 for (const double v : p)
                     if (std::none_of(std::begin(values), std::end(values), [&](double u) {
                             return std::fabs(std::fabs(v) - 0.7 * u) < 1e-9;
                         }))
                         return false;
             return true;
         }},
        {"SF6", "SF6: the fluorines on the axes",
         [](const Molecule& m) {
             for (std::size_t k = 1; k < m.positions.size(); ++k) {
                 int zeros = 0;
                 for (const double v : m.positions[k]) zeros += std::fabs(v) < 1e-9;
                 if (zeros != 2) return false;
             }
             return true;
         }},
    };
    std::mt19937_64 rng(15);
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        const Molecule built = test::Built(c.molecule);
        const Molecule m = test::Turned(built, test::RandomRotation(rng), {1, 2, 3});
        const Molecule laid = InStandardFrame(m, Found(m));
        EXPECT_TRUE(c.holds(laid));
    }
}

// Refusals leave a C1 group with no elements; the limits themselves pass.
TEST(PointGroup, RefusesWhatItCannotAnalyse) {
    const Molecule water = test::Built("H2O");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto withCoordinate = [&](double v) {
        Molecule m = water;
        m.positions[1][2] = v;
        return m;
    };
    Molecule mismatched = water;
    mismatched.kinds.pop_back();
    Molecule huge;
    for (std::size_t k = 0; k <= kMaxAtoms; ++k)
        huge.Add(1, {double(k % 97), double(k / 97 % 97), double(k / 9409)});
    const struct {
        Molecule molecule;
        double tolerance;
        bool refused;
    } kCases[] = {
        {Molecule{}, 0.01, true},
        {mismatched, 0.01, true},
        {huge, 0.01, true},
        {water, 0, true},
        {water, -0.01, true},
        {water, nan, true},
        {water, 1.0000001, true},
        {water, kMaxTolerance, false},
        {withCoordinate(nan), 0.01, true},
        {withCoordinate(std::numeric_limits<double>::infinity()), 0.01, true},
        {withCoordinate(1.5e6), 0.01, true},
        {withCoordinate(-kMaxCoordinate), 0.01, false},
    };
    for (const auto& c : kCases) {
        const PointGroupResult r = FindPointGroup(c.molecule.Atoms(), c.tolerance);
        EXPECT_EQ(!r.Found(), c.refused) << r.refusal;
        if (!c.refused) continue;
        EXPECT_EQ(r.group.Symbol(), "C1");
        EXPECT_TRUE(r.group.properAxes.empty() && r.group.planes.empty() && !r.group.inversion);
        const Symmetrized s = Symmetrize(c.molecule.Atoms(), c.tolerance);
        EXPECT_FALSE(s.Done());
        EXPECT_TRUE(s.positions.empty());
    }
}

// One atom, or atoms all on the centre, are a point; a pair is linear.
TEST(PointGroup, PointsAndPairs) {
    const struct {
        std::vector<Vec3> positions;
        std::vector<int> kinds;
        const char* symbol;
    } kCases[] = {
        {{{1, 2, 3}}, {26}, "Kh"},
        {{{1, 2, 3}, {1, 2, 3.004}}, {6, 7}, "Kh"},
        {{{1, 2, 3}, {1, 2, 3.012}}, {6, 7}, "Cinfv"},
        {{{1, 2, 3}, {1, 2, 3.012}}, {6, 6}, "Dinfh"},
        {{{0, 0, 0}, {0, 0, 1}, {0, 0, 2.5}}, {6, 6, 6}, "Cinfv"},
        {{{0, 0, 0}, {0, 0, 1}, {0.003, 0, 2}}, {6, 6, 6}, "Dinfh"},
        {{{0, 0, 0}, {0, 0, 1}, {0.03, 0, 2}}, {6, 6, 6}, "C2v"},  // bent, like a bent CO2
        {{{0, 0, 0}, {0, 0, 1}, {0.03, 0, 2.5}}, {6, 6, 6}, "Cs"},
    };
    for (const auto& c : kCases) {
        const PointGroupResult r = FindPointGroup({c.positions, c.kinds}, 0.01);
        ASSERT_TRUE(r.Found());
        EXPECT_EQ(r.group.Symbol(), c.symbol);
    }
}

TEST(PointGroup, Symbols) {
    const struct {
        Family family;
        int n;
        const char* ascii;
        const char* display;
    } kCases[] = {
        {Family::C1, 1, "C1", "C1"},
        {Family::Cnv, 2, "C2v", "C2v"},
        {Family::S2n, 6, "S6", "S6"},
        {Family::Dnd, 5, "D5d", "D5d"},
        {Family::Cinfv, 0, "Cinfv", "C\u221Ev"},
        {Family::Dinfh, 0, "Dinfh", "D\u221Eh"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(SymbolOf(c.family, c.n), c.ascii);
        EXPECT_EQ(DisplaySymbolOf(c.family, c.n), c.display);
    }
}

// The caller's floating-point flags come back as they were, raised or not.
TEST(PointGroup, LeavesTheFloatingPointFlagsAlone) {
    for (const int before : {0, FE_DIVBYZERO | FE_INEXACT}) {
        for (const KnownMolecule& known : KnownMolecules()) {
            const Molecule m = known.build();
            std::feclearexcept(FE_ALL_EXCEPT);
            std::feraiseexcept(before);
            const PointGroupResult r = FindPointGroup(m.Atoms());
            const Symmetrized s = Symmetrize(m.Atoms(), r.group, 0.01);
            EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), before) << known.name;
        }
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
}  // namespace pivora::symmetry
