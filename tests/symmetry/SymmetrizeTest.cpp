// Symmetrizing: noisy molecules come out symmetric far below the noise,
// and a move beyond the limit is refused.

#include <gtest/gtest.h>

#include <cmath>

#include "symmetry/Molecules.h"
#include "symmetry/PointGroup.h"

namespace pivora::symmetry {
namespace {

using test::KnownMolecule;
using test::KnownMolecules;
using test::Molecule;

double Distance(const Vec3& a, const Vec3& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

// Noise well below the tolerance, in a random frame: the result has the
// molecule's group at a tolerance a hundred times smaller, no atom moved
// farther than the tolerance, and symmetrizing it again moves nothing.
TEST(Symmetrize, NoisyMoleculesComeOutSymmetricFarBelowTheNoise) {
    std::mt19937_64 rng(21);
    for (const KnownMolecule& known : KnownMolecules()) {
        for (const double noise : {1e-4, 1e-3}) {
            SCOPED_TRACE(std::string(known.name) + " shaken by " + std::to_string(noise));
            const Molecule noisy = test::Turned(test::Shaken(known.build(), noise, rng),
                                                test::RandomRotation(rng), {7, -8, 9});
            const Symmetrized s = Symmetrize(noisy.Atoms(), 0.01);
            ASSERT_TRUE(s.Done()) << s.refusal;
            ASSERT_EQ(s.positions.size(), noisy.positions.size());
            double largest = 0;
            for (std::size_t k = 0; k < s.positions.size(); ++k)
                largest = std::max(largest, Distance(s.positions[k], noisy.positions[k]));
            EXPECT_DOUBLE_EQ(s.largestMove, largest);
            EXPECT_LE(s.largestMove, 0.01);
            if (s.atomMovedMost > 0) {
                const auto k = static_cast<std::size_t>(s.atomMovedMost - 1);
                EXPECT_DOUBLE_EQ(Distance(s.positions[k], noisy.positions[k]), largest);
            } else {
                EXPECT_EQ(s.largestMove, 0);  // C1, or three atoms in their own plane
            }

            const Molecule symmetric{s.positions, noisy.kinds};
            const PointGroupResult fine = FindPointGroup(symmetric.Atoms(), 1e-4);
            ASSERT_TRUE(fine.Found());
            EXPECT_EQ(fine.group.Symbol(), known.symbol);
            const Symmetrized again = Symmetrize(symmetric.Atoms(), 1e-4);
            ASSERT_TRUE(again.Done());
            EXPECT_LT(again.largestMove, 1e-12);
        }
    }
}

// Like atoms closer than three tolerances: an image may lie near two of
// them, and the group's permutations need not compose. Averaged over such
// a group the result would not be symmetric; the group found is one whose
// permutations do compose, and the result has it far below the tolerance.
TEST(Symmetrize, CrowdedLikeAtomsStillComeOutSymmetric) {
    const struct {
        const char* molecule;
        double noise;
        unsigned seed;
        double tolerance;
    } kCases[] = {
        {"I orbit", 0.1, 31, 0.3},  {"I orbit", 0.1, 31, 0.45},  {"I orbit", 0.1, 66, 0.3},
        {"I orbit", 0.1, 101, 0.3}, {"I orbit", 0.1, 101, 0.45}, {"I orbit", 0.1, 136, 0.45},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::to_string(c.seed) + " at " + std::to_string(c.tolerance));
        std::mt19937_64 rng(c.seed);
        const Molecule m = test::Shaken(test::Built(c.molecule), c.noise, rng);
        const PointGroupResult found = FindPointGroup(m.Atoms(), c.tolerance);
        ASSERT_TRUE(found.Found());
        const Symmetrized s = Symmetrize(m.Atoms(), found.group, c.tolerance);
        ASSERT_TRUE(s.Done());
        const Molecule symmetric{s.positions, m.kinds};
        const PointGroupResult fine = FindPointGroup(symmetric.Atoms(), c.tolerance / 100);
        EXPECT_GE(fine.group.Order(), found.group.Order())
            << found.group.Symbol() << " became " << fine.group.Symbol();
    }
}

TEST(Symmetrize, RefusesAMoveBeyondTheLimitAndAForeignGroup) {
    std::mt19937_64 rng(22);
    const Molecule noisy = test::Shaken(test::Built("benzene"), 0.02, rng);
    const PointGroupResult coarse = FindPointGroup(noisy.Atoms(), 0.1);
    ASSERT_TRUE(coarse.Found());
    ASSERT_EQ(coarse.group.Symbol(), "D6h");

    const Symmetrized allowed = Symmetrize(noisy.Atoms(), coarse.group, 0.1);
    ASSERT_TRUE(allowed.Done());
    const double move = allowed.largestMove;
    ASSERT_GT(move, 0.01);

    const Symmetrized refused = Symmetrize(noisy.Atoms(), coarse.group, 0.01);
    EXPECT_FALSE(refused.Done());
    EXPECT_TRUE(refused.positions.empty());
    EXPECT_EQ(refused.largestMove, 0);
    EXPECT_NE(refused.refusal.find("D6h"), std::string::npos) << refused.refusal;
    EXPECT_NE(refused.refusal.find("atom " + std::to_string(allowed.atomMovedMost)),
              std::string::npos)
        << refused.refusal;
    // Exactly the largest move is allowed.
    EXPECT_TRUE(Symmetrize(noisy.Atoms(), coarse.group, move).Done());
    EXPECT_FALSE(Symmetrize(noisy.Atoms(), coarse.group, std::nextafter(move, 0.0)).Done());

    const Molecule water = test::Built("H2O");
    const Symmetrized foreign = Symmetrize(water.Atoms(), coarse.group, 1.0);
    EXPECT_FALSE(foreign.Done());
    EXPECT_TRUE(foreign.positions.empty());
    EXPECT_FALSE(Symmetrize(noisy.Atoms(), PointGroup{}, 1.0).Done());
    EXPECT_FALSE(Symmetrize(noisy.Atoms(), coarse.group, -1).Done());
}

// Linear molecules go onto their line, D∞h symmetric about the centre; a
// point collapses onto the centre.
TEST(Symmetrize, LinesAndPoints) {
    const struct {
        std::vector<Vec3> positions;
        std::vector<int> kinds;
        const char* symbol;
        std::vector<Vec3> expected;
    } kCases[] = {
        // About the centroid (0.000667, 0, 0.000667) the oxygens lie at
        // -1.000667 and 1.001333 along the line: each goes to 1.001 from it.
        {{{0.001, 0, -1}, {0, 0, 0}, {0.001, 0, 1.002}},
         {8, 6, 8},
         "Dinfh",
         {{0.000666667, 0, -1.000333333},
          {0.000666667, 0, 0.000666667},
          {0.000666667, 0, 1.001666667}}},
        {{{0, 0, 0}, {0, 0, 0.004}}, {1, 2}, "Kh", {{0, 0, 0.002}, {0, 0, 0.002}}},
    };
    for (const auto& c : kCases) {
        const AtomSet atoms{c.positions, c.kinds};
        const PointGroupResult r = FindPointGroup(atoms, 0.01);
        ASSERT_EQ(r.group.Symbol(), c.symbol);
        const Symmetrized s = Symmetrize(atoms, r.group, 0.01);
        ASSERT_TRUE(s.Done());
        for (std::size_t k = 0; k < c.expected.size(); ++k)
            EXPECT_LT(Distance(s.positions[k], c.expected[k]), 1e-5) << c.symbol << k;
    }
}

}  // namespace
}  // namespace pivora::symmetry
