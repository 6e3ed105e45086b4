// Random point sets and shaken symmetric molecules at random tolerances:
// detection always ends, and every element it reports passes the test
// when redone independently from the reported directions, for every atom;
// the elements form a group of the order the symbol names; symmetrizing
// gives that group far below the tolerance.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>

#include "symmetry/Molecules.h"
#include "symmetry/PointGroup.h"

namespace pivora::symmetry {
namespace {

using test::Matrix;
using test::Molecule;

bool Contains(const std::vector<Matrix>& set, const Matrix& m) {
    for (const Matrix& s : set) {
        double d = 0;
        for (int k = 0; k < 9; ++k) d = std::max(d, std::fabs(s[k] - m[k]));
        if (d < 1e-6) return true;
    }
    return false;
}

// Everything FindPointGroup promises about a molecule it analysed.
void CheckPromises(const Molecule& m, double tolerance, const std::string& what) {
    SCOPED_TRACE(what + " at tolerance " + std::to_string(tolerance));
    const PointGroupResult r = FindPointGroup(m.Atoms(), tolerance);
    ASSERT_TRUE(r.Found()) << r.refusal;
    const PointGroup& g = r.group;
    const std::vector<Matrix> ops = test::OperationsOfElements(g);
    for (const Matrix& op : ops) EXPECT_TRUE(test::Preserves(m, op, g.centre, tolerance));
    if (g.Order() > 0) {
        EXPECT_EQ(ops.size(), static_cast<std::size_t>(g.Order())) << g.Symbol();
        for (const Matrix& a : ops)
            for (const Matrix& b : ops)
                ASSERT_TRUE(Contains(ops, test::Product(a, b))) << g.Symbol();
    } else if (!g.properAxes.empty()) {
        // Any turn about a linear molecule's axis.
        for (const double angle : {0.3, 1.9, 3.0})
            EXPECT_TRUE(test::Preserves(m, test::TurnAbout(g.properAxes[0].direction, angle),
                                        g.centre, tolerance));
    }
    auto unit = [](const Vec3& v) { return std::fabs(std::hypot(v[0], v[1], v[2]) - 1) < 1e-12; };
    for (const SymmetryAxis& a : g.properAxes) EXPECT_TRUE(unit(a.direction));
    for (const MirrorPlane& p : g.planes) EXPECT_TRUE(unit(p.normal));
    EXPECT_TRUE(unit(g.frame.toZ) && unit(g.frame.toX));

    const Symmetrized s = Symmetrize(m.Atoms(), g, tolerance);
    ASSERT_TRUE(s.Done()) << s.refusal;
    EXPECT_LE(s.largestMove, tolerance);
    // Symmetric far below the tolerance: the same group or (where the
    // average happens to gain symmetry, as a lone C3 orbit gains σv) more.
    if (g.Order() > 1) {
        const Molecule symmetric{s.positions, m.kinds};
        const PointGroupResult fine = FindPointGroup(symmetric.Atoms(), tolerance / 100);
        ASSERT_TRUE(fine.Found());
        if (fine.group.Order() != 0) {
            EXPECT_GE(fine.group.Order(), g.Order()) << fine.group.Symbol();
        }
    }
}

TEST(RandomSets, EveryReportedElementPassesForEveryAtom) {
    // A hang fails the test instead of blocking the suite.
    ::alarm(600);
    std::mt19937_64 rng(31);
    std::uniform_int_distribution<int> size(1, 24), kind(1, 3);
    std::uniform_real_distribution<double> coordinate(-2, 2), exponent(-3, -0.5), unit(0, 1);
    for (int trial = 0; trial < 300; ++trial) {
        Molecule m;
        const int n = size(rng);
        // Few kinds and a coarse grid of places make chance symmetry common.
        const bool grid = unit(rng) < 0.5;
        for (int k = 0; k < n; ++k) {
            Vec3 p{coordinate(rng), coordinate(rng), coordinate(rng)};
            if (grid)
                for (double& v : p) v = std::round(v);
            m.Add(kind(rng), p);
        }
        CheckPromises(m, std::pow(10.0, exponent(rng)), "random set " + std::to_string(trial));
    }
    for (int round = 0; round < 4; ++round)
        for (const test::KnownMolecule& known : test::KnownMolecules()) {
            // Noise from far below to far above the tolerance, and sometimes
            // only a few atoms moved.
            const double tolerance = std::pow(10.0, exponent(rng));
            const double noise = tolerance * std::pow(10.0, 2 * unit(rng) - 1.5);
            Molecule m = known.build();
            const bool few = unit(rng) < 0.3;
            const Molecule shaken = test::Shaken(m, noise, rng);
            for (std::size_t k = 0; k < m.positions.size(); ++k)
                if (!few || unit(rng) < 0.2) m.positions[k] = shaken.positions[k];
            CheckPromises(test::Turned(m, test::RandomRotation(rng), {0.5, 0.25, -1}), tolerance,
                          std::string(known.name) + " shaken by " + std::to_string(noise));
        }
    ::alarm(0);
}

}  // namespace
}  // namespace pivora::symmetry
