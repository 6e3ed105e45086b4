// Centering and the axis rotations.

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>

#include "geometry/Centering.h"
#include "geometry/Rotation.h"
#include "geometry/TestSupport.h"
#include "numeric/DecimalText.h"

namespace pivora {
namespace {

using test::At;
using test::Xyz;

const std::vector<Xyz> kMolecule = {
    {1.25, -3.5, 0.75}, {0.3, 2.7, -1.1}, {-4.2, 0.05, 3.3}, {7.7, -0.9, 2.2}};

double Distance(const Xyz& a, const Xyz& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

void ExpectDistancesKept(const AtomTable& atoms) {
    for (std::size_t a = 1; a <= 4; ++a) {
        EXPECT_NEAR(Distance(At(atoms, a), At(atoms, a % 4 + 1)),
                    Distance(kMolecule[a - 1], kMolecule[a % 4]), 1e-14);
    }
}

TEST(CenterOnPair, SameAtomGoesExactlyToTheOrigin) {
    AtomTable atoms = test::MakeTable({{1, 2, 3}, {4, 6, 8}});
    CenterOnPair(atoms, 2, 2);
    EXPECT_EQ(At(atoms, 2), (Xyz{0, 0, 0}));
    EXPECT_EQ(At(atoms, 1), (Xyz{-3, -4, -5}));
}

// Slot 0 and the spare slots (here leftovers 9 of a larger molecule) stay.
TEST(CenterOnPair, PairEndsOppositeAndOnlyAtomsMove) {
    AtomTable atoms = test::MakeTable(kMolecule, 9);
    CenterOnPair(atoms, 1, 3);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(At(atoms, 1)[c], -At(atoms, 3)[c], 1e-15);
    ExpectDistancesKept(atoms);
    EXPECT_EQ(At(atoms, 0), (Xyz{0, 0, 0}));
    EXPECT_EQ(At(atoms, 5), (Xyz{9, 9, 9}));
    const Xyz once = At(atoms, 2);
    CenterOnPair(atoms, 1, 3);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(At(atoms, 2)[c], once[c], 1e-15);
}

// Sum, halving and difference round once from 64 bits to a double. Double
// arithmetic would give 0.5 - 2^-53 and 1 + 2^-52 here.
TEST(CenterOnPair, RoundsFromExtendedPrecision) {
    const double tiny = std::ldexp(1.0, -53) + std::ldexp(1.0, -105);
    AtomTable atoms = test::MakeTable({{1, 0, 0}, {tiny, 0, 0}, {-tiny, 0, 0}});
    CenterOnPair(atoms, 1, 2);
    EXPECT_EQ(atoms.AtomX[1], 0.5);
    atoms = test::MakeTable({{1, 0, 0}, {tiny, 0, 0}, {-tiny, 0, 0}});
    CenterOnPair(atoms, 3, 3);
    EXPECT_EQ(atoms.AtomX[1], 1.0);
}

TEST(CenterOnPair, IndexOutsideTheAtomsChangesNothing) {
    const struct {
        int count;  // -1: before the first open, no slots
        long long i, j;
        const char* message;
    } kCases[] = {
        {-1, 1, 2, "Atom 1 is not in the molecule: no atoms are loaded."},
        {0, 0, 0, "Atom 0 is not in the molecule: no atoms are loaded."},
        {1, 1, 2, "Atom 2 is not in the molecule: the only atom is 1."},
        {3, 5, 1, "Atom 5 is not in the molecule: the atoms are 1 to 3."},
        {3, 1, 4, "Atom 4 is not in the molecule: the atoms are 1 to 3."},
        {3, -7, 0, "Atom -7 is not in the molecule: the atoms are 1 to 3."},
    };
    for (const auto& c : kCases) {
        AtomTable atoms;
        if (c.count >= 0)
            atoms = test::MakeTable({kMolecule.begin(), kMolecule.begin() + c.count}, 5);
        const auto before = test::Snapshot(atoms);
        test::ExpectError([&] { CenterOnPair(atoms, c.i, c.j); }, ErrorKind::Index, c.message);
        EXPECT_EQ(test::Snapshot(atoms), before);
    }
}

class RotateAbout : public testing::TestWithParam<Axis> {
  protected:
    const int a = static_cast<int>(GetParam()), b = (a + 1) % 3, c = (a + 2) % 3;
};
INSTANTIATE_TEST_SUITE_P(Axes, RotateAbout, testing::Values(Axis::X, Axis::Y, Axis::Z),
                         [](const auto& info) { return std::string(1, "XYZ"[int(info.param)]); });

// 0 keeps every bit; 90 leaves the cosine of the double nearest to pi/2,
// since quarter turns are not snapped: +Y to +Z about X, and so on.
TEST_P(RotateAbout, ZeroAndNinety) {
    AtomTable atoms = test::MakeTable({{1.0 / 3, -DBL_MAX, 4.9e-324}, {-2.5e-300, 7e300, 1}});
    const auto before = test::Snapshot(atoms);
    Rotate(atoms, GetParam(), ParseDecimal("0"));
    EXPECT_EQ(test::Snapshot(atoms), before);
    Xyz unit{0, 0, 0};
    unit[b] = 1;
    atoms = test::MakeTable({unit});
    Rotate(atoms, GetParam(), ParseDecimal("90"));
    const Xyz turned = At(atoms, 1);
    EXPECT_EQ(turned[a], 0);
    EXPECT_EQ(turned[c], 1);
    EXPECT_EQ(FormatDisplay(turned[b]), "6.12323399573677E-17");
}

// Angles of 2^63 radians and more still turn the molecule, up to the edge of
// the double range; the axis coordinate keeps every bit.
TEST_P(RotateAbout, KeepsTheAxisCoordinateAndTheDistances) {
    for (const char* angle : {"37.5", "-123.456", "1E30", "1E310"}) {
        AtomTable atoms = test::MakeTable(kMolecule);
        Rotate(atoms, GetParam(), ParseDecimal(angle));
        for (std::size_t k = 1; k <= 4; ++k) {
            const Xyz p = At(atoms, k), q = kMolecule[k - 1];
            EXPECT_EQ(p[a], q[a]);
            EXPECT_NEAR(std::hypot(p[b], p[c]), std::hypot(q[b], q[c]), 1e-14) << angle;
        }
        ExpectDistancesKept(atoms);
        EXPECT_NE(At(atoms, 1), kMolecule[0]) << angle;
        const std::string inverse = angle[0] == '-' ? angle + 1 : std::string("-").append(angle);
        Rotate(atoms, GetParam(), ParseDecimal(inverse));
        for (std::size_t k = 1; k <= 4; ++k) {
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(At(atoms, k)[i], kMolecule[k - 1][i], 1e-14);
        }
    }
}

TEST_P(RotateAbout, FailureChangesNothing) {
    const struct {
        const char* text;
        const char* message;
    } kCases[] = {{"abc", "'abc' は浮動小数点数ではありません"},
                  {"", "'' は浮動小数点数ではありません"},
                  {"1.1E310", "浮動小数点数のオーバーフロー"},
                  {"-1E311", "浮動小数点数のオーバーフロー"}};
    for (const auto& bad : kCases) {
        AtomTable atoms = test::MakeTable(kMolecule);
        const auto before = test::Snapshot(atoms);
        EXPECT_EQ(
            test::ErrorOf([&] { Rotate(atoms, GetParam(), ParseDecimal(bad.text)); }).Message(),
            bad.message);
        EXPECT_EQ(test::Snapshot(atoms), before);
    }
}

// A turn or a move that would overflow any coordinate moves no atom at all,
// wherever the failing atom stands, and the message is the overflow's.
TEST(AllOrNothing, AnOverflowingTurnOrMoveLeavesEveryAtom) {
    const double big = DBL_MAX / 1.5;
    const struct {
        const char* name;
        std::vector<Xyz> atoms;
        std::function<void(AtomTable&)> act;
    } kCases[] = {
        {"RotateZ, failing atom second",
         {{1, 0, 0}, {DBL_MAX, DBL_MAX, 0}, {1, 0, 0}},
         [](AtomTable& t) { Rotate(t, Axis::Z, ParseDecimal("45")); }},
        {"RotateX, failing atom last",
         {{0, 1, 2}, {0, 3, 4}, {0, DBL_MAX, DBL_MAX}},
         [](AtomTable& t) { Rotate(t, Axis::X, ParseDecimal("45")); }},
        {"RotateY, failing atom first",
         {{-DBL_MAX, 0, -DBL_MAX}, {1, 1, 1}},
         [](AtomTable& t) { Rotate(t, Axis::Y, ParseDecimal("-30")); }},
        {"Center, failing atom last",
         {{1, 2, 3}, {-big, 0, 0}, {4, 5, 6}, {DBL_MAX, 0, 0}},
         [](AtomTable& t) { CenterOnPair(t, 2, 2); }},
        {"Center, failing z only",
         {{1, 2, DBL_MAX}, {1, 2, -DBL_MAX / 2}},
         [](AtomTable& t) { CenterOnPair(t, 2, 2); }},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        AtomTable atoms = test::MakeTable(c.atoms, 7);
        const auto before = test::Snapshot(atoms);
        EXPECT_EQ(test::ErrorOf([&] { c.act(atoms); }).Message(), "浮動小数点数のオーバーフロー");
        EXPECT_EQ(test::Snapshot(atoms), before);
    }
}

// Coordinates beyond half the double range that do not overflow take the
// careful path, and every atom gets the very bits it gets beside small ones.
TEST(AllOrNothing, HugeCoordinatesThatFitStillMoveBitForBit) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> coordinate(-50, 50);
    std::vector<Xyz> small(200);
    for (Xyz& p : small) p = {coordinate(rng), coordinate(rng), coordinate(rng)};
    std::vector<Xyz> withHuge = small;
    // Beyond 2^1023 in every coordinate, yet no turn can take it past DBL_MAX.
    withHuge.push_back({DBL_MAX * 0.55, -DBL_MAX * 0.55, DBL_MAX * 0.55});
    const std::function<void(AtomTable&)> kActs[] = {
        [](AtomTable& t) { Rotate(t, Axis::Z, ParseDecimal("37.25")); },
        [](AtomTable& t) { Rotate(t, Axis::X, ParseDecimal("-101.5")); },
        [](AtomTable& t) { Rotate(t, Axis::Y, ParseDecimal("0")); },
        [](AtomTable& t) { CenterOnPair(t, 1, 1); },
    };
    for (std::size_t i = 0; i < std::size(kActs); ++i) {
        SCOPED_TRACE(i);
        AtomTable plain = test::MakeTable(small);
        AtomTable careful = test::MakeTable(withHuge);
        kActs[i](plain);
        ASSERT_NO_THROW(kActs[i](careful));
        for (std::size_t k = 1; k <= small.size(); ++k) {
            for (int c = 0; c < 3; ++c) {
                ASSERT_EQ(test::Bits(At(careful, k)[c]), test::Bits(At(plain, k)[c])) << k;
            }
        }
    }
}

}  // namespace
}  // namespace pivora
