// Distances, angles and dihedrals of geometries whose values are known, the
// sign of a dihedral as IUPAC gives it, and the geometries that have none.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "structure/Measure.h"

namespace pivora {
namespace {

TEST(Measure, DistancesAndAnglesOfKnownGeometries) {
    EXPECT_EQ(Distance({1, 2, 3}, {4, 6, 3}), 5.0L);
    // Beyond the double range in between, the distance itself in it.
    EXPECT_EQ(Distance({-1e308, 0, 0}, {1e308, 0, 0}), 2.0L * 1e308);
    EXPECT_FALSE(std::isfinite(Distance({0, 0, 0}, {std::nan(""), 0, 0})));

    const struct {
        Position a, b, c;
        long double degrees;
    } angles[] = {
        {{1, 0, 0}, {0, 0, 0}, {0, 1, 0}, 90},
        {{2, 3, 4}, {1, 3, 4}, {1, 3, 7}, 90},
        {{1, 0, 0}, {0, 0, 0}, {-5, 0, 0}, 180},
        {{1, 0, 0}, {0, 0, 0}, {7, 0, 0}, 0},
        {{1, 0, 0}, {0, 0, 0}, {1, 1, 0}, 45},
        {{1, 1, 1},
         {0, 0, 0},
         {-1, -1, 1},
         std::acos(-1.0L / 3) * 180 / std::numbers::pi_v<long double>},
    };
    for (const auto& row : angles) {
        const std::optional<long double> angle = Angle(row.a, row.b, row.c);
        ASSERT_TRUE(angle);
        EXPECT_NEAR(static_cast<double>(*angle), static_cast<double>(row.degrees), 1e-14);
    }
    EXPECT_FALSE(Angle({1, 0, 0}, {1, 0, 0}, {0, 1, 0}));
    EXPECT_FALSE(Angle({1, 0, 0}, {0, 0, 0}, {0, 0, 0}));
    EXPECT_FALSE(Angle({1, 0, 0}, {0, 0, 0}, {0, INFINITY, 0}));
}

TEST(Measure, DihedralsTakeTheirSignAsIupacHasIt) {
    // b at the origin, c up z; a along +x. Looking along b to c (up z), d
    // at phi counter-clockwise from x in the xy plane as seen from above
    // turns clockwise as seen along z: a dihedral of +phi.
    const Position a{1.3, 0, -0.4};
    const Position b{0, 0, 0};
    const Position c{0, 0, 1.5};
    for (const long double phi : {60.0L, -60.0L, 180.0L, 90.0L, -120.0L, 1e-9L, 0.0L}) {
        SCOPED_TRACE(static_cast<double>(phi));
        const long double rad = phi * std::numbers::pi_v<long double> / 180;
        const Position d{static_cast<double>(0.9 * std::cos(rad)),
                         static_cast<double>(0.9 * std::sin(rad)), 2.1};
        const std::optional<long double> dihedral = Dihedral(a, b, c, d);
        ASSERT_TRUE(dihedral);
        EXPECT_NEAR(static_cast<double>(*dihedral), static_cast<double>(phi), 1e-13);
        // Reversed, the same angle; mirrored, the opposite.
        EXPECT_NEAR(static_cast<double>(*Dihedral(d, c, b, a)), static_cast<double>(phi), 1e-13);
        const auto mirror = [](Position p) { return Position{p.X, -p.Y, p.Z}; };
        const std::optional<long double> mirrored =
            Dihedral(mirror(a), mirror(b), mirror(c), mirror(d));
        if (phi == 180) {
            EXPECT_EQ(*mirrored, 180);
        } else {
            EXPECT_NEAR(static_cast<double>(*mirrored), static_cast<double>(-phi), 1e-13);
        }
    }
    // Anti butane's carbons, exactly planar: 180, never -180.
    EXPECT_EQ(Dihedral({-1, 1, 0}, {0, 0, 0}, {1, 0, 0}, {2, -1, 0}), 180);
    // Three atoms on a line: no plane, no dihedral.
    EXPECT_FALSE(Dihedral({-1, 0, 0}, {0, 0, 0}, {1, 0, 0}, {2, 1, 0}));
    EXPECT_FALSE(Dihedral({0, 1, 0}, {0, 0, 0}, {0, 0, 0}, {2, 1, 0}));
}

}  // namespace
}  // namespace pivora
