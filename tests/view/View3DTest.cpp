// The 3-D view without a window: the camera's projection against the
// panes' plain formulas and the laws of a turn, the mouse's turns, zooms and
// pans, and the atom a click picks against a depth buffer drawn pixel by
// pixel.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "geometry/TestSupport.h"
#include "view/Camera3D.h"
#include "view/Scene3D.h"

namespace pivora {
namespace {

constexpr double kTight = 1e-9;

void ExpectNear(const ScreenPoint& a, const ScreenPoint& b, double tolerance = kTight) {
    EXPECT_NEAR(a.X, b.X, tolerance);
    EXPECT_NEAR(a.Y, b.Y, tolerance);
    EXPECT_NEAR(a.Depth, b.Depth, tolerance);
}

Camera3D RandomCamera(std::mt19937_64& random) {
    std::uniform_real_distribution<double> pixel(0, 400);
    Camera3D camera;
    camera.SetViewport(400, 300);
    camera.Fit({{1.5, -2, 0.25}, 3});
    for (int i = 0; i < 5; ++i)
        camera.Turn(pixel(random), pixel(random), pixel(random), pixel(random));
    return camera;
}

TEST(Camera3D, SeenFromAnAxisAsThePaneThatLeavesItOut) {
    Camera3D camera;
    camera.SetViewport(300, 200);
    camera.Fit({{1, 2, 3}, 5});  // 0.9 * 200 / 10: 18 pixels an angstrom
    ASSERT_EQ(camera.Scale(), 18);
    const Vec3 p{4, -1, 0.5};
    const double dx = 3, dy = -3, dz = -2.5;  // p minus the centre
    // Right, up and toward the viewer: x, y, z from +z; y, z, x from +x;
    // z, x, y from +y.
    const struct {
        Axis axis;
        double right, up, toward;
    } rows[] = {{Axis::Z, dx, dy, dz}, {Axis::X, dy, dz, dx}, {Axis::Y, dz, dx, dy}};
    for (const auto& row : rows) {
        camera.ViewFrom(row.axis);
        ExpectNear(camera.Project(p), {150 + 18 * row.right, 100 - 18 * row.up, row.toward});
    }
}

TEST(Camera3D, TurnsKeepLengthsAndHandednessAndDragBackUndoesThem) {
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> coordinate(-5, 5);
    for (int round = 0; round < 50; ++round) {
        Camera3D camera = RandomCamera(random);
        const auto& axes = camera.Axes();
        const double s = camera.Scale();
        // Right x up = toward: right-handed, so nothing shows mirrored.
        const Vec3 cross{axes[0].Y * axes[1].Z - axes[0].Z * axes[1].Y,
                         axes[0].Z * axes[1].X - axes[0].X * axes[1].Z,
                         axes[0].X * axes[1].Y - axes[0].Y * axes[1].X};
        EXPECT_NEAR(cross.X, axes[2].X, kTight);
        EXPECT_NEAR(cross.Y, axes[2].Y, kTight);
        EXPECT_NEAR(cross.Z, axes[2].Z, kTight);
        const Vec3 a{coordinate(random), coordinate(random), coordinate(random)};
        const Vec3 b{coordinate(random), coordinate(random), coordinate(random)};
        const ScreenPoint pa = camera.Project(a);
        const ScreenPoint pb = camera.Project(b);
        const double seen = std::hypot((pa.X - pb.X) / s, (pa.Y - pb.Y) / s, pa.Depth - pb.Depth);
        EXPECT_NEAR(seen, std::hypot(a.X - b.X, a.Y - b.Y, a.Z - b.Z), kTight);
        const Vec3 back = camera.Unproject(pa.X, pa.Y, pa.Depth);
        EXPECT_NEAR(back.X, a.X, kTight);
        EXPECT_NEAR(back.Y, a.Y, kTight);
        EXPECT_NEAR(back.Z, a.Z, kTight);
        // A drag and the same drag back.
        const ScreenPoint before = camera.Project(a);
        camera.Turn(100, 120, 260, 90);
        camera.Turn(260, 90, 100, 120);
        ExpectNear(camera.Project(a), before, 1e-9 * s * 10);
    }
}

TEST(Camera3D, TheMouseTurnsZoomsAndPansAsItMoves) {
    Camera3D camera;
    camera.SetViewport(400, 400);
    camera.Fit({{0, 0, 0}, 2});
    // A drag to the right from the middle brings the front of the molecule
    // to the right: the point nearest the viewer on +z moves right.
    const Vec3 front{0, 0, 1};
    const ScreenPoint was = camera.Project(front);
    camera.Turn(200, 200, 240, 200);
    const ScreenPoint now = camera.Project(front);
    EXPECT_GT(now.X, was.X + 10);
    EXPECT_NEAR(now.Y, was.Y, kTight);
    EXPECT_LT(now.Depth, was.Depth);
    // Up goes up.
    camera.ViewFrom(Axis::Z);
    camera.Turn(200, 200, 200, 160);
    EXPECT_LT(camera.Project(front).Y, was.Y - 10);

    // The point under the cursor stays under it.
    camera.ViewFrom(Axis::Z);
    const Vec3 under = camera.Unproject(310, 75, 0);
    camera.Zoom(1.7, 310, 75);
    ExpectNear(camera.Project(under), {310, 75, 0});
    EXPECT_NEAR(camera.Scale(), 1.7 * 90, kTight);
    camera.Zoom(0, 1, 1);  // no factor at all: nothing
    EXPECT_NEAR(camera.Scale(), 1.7 * 90, kTight);
    const ScreenPoint panned = camera.Project({1, 2, 3});
    camera.Pan(12, -7);
    ExpectNear(camera.Project({1, 2, 3}), {panned.X + 12, panned.Y - 7, panned.Depth});
}

// Each atom's disc drawn into a depth buffer pixel by pixel: the atom whose
// sphere lies front-most at the pixel's centre.
std::vector<std::int32_t> DepthBuffer(const Scene3D& scene, const Camera3D& camera) {
    const int w = camera.Width();
    const int h = camera.Height();
    std::vector<std::int32_t> atom(static_cast<std::size_t>(w * h), 0);
    std::vector<double> depth(atom.size(), -std::numeric_limits<double>::infinity());
    const AtomTable& t = *scene.Atoms;
    for (std::size_t i = 1; i <= t.LastAtom(); ++i) {
        const ScreenPoint c = camera.Project({t.AtomX[i], t.AtomY[i], t.AtomZ[i]});
        const double r = BallRadius(scene.Elements[i]) * camera.Scale();
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const double d2 = std::pow(x + 0.5 - c.X, 2) + std::pow(y + 0.5 - c.Y, 2);
                if (d2 > r * r) continue;
                const double z = c.Depth + std::sqrt(r * r - d2) / camera.Scale();
                const std::size_t k = static_cast<std::size_t>(y * w + x);
                if (z > depth[k]) {
                    depth[k] = z;
                    atom[k] = static_cast<std::int32_t>(i);
                }
            }
        }
    }
    return atom;
}

TEST(Scene3D, AClickPicksTheAtomTheDepthBufferShowsThere) {
    std::mt19937_64 random(17);
    std::uniform_real_distribution<double> coordinate(-2.5, 2.5);
    const std::uint8_t kinds[] = {1, 6, 8, 26, 0};
    for (int round = 0; round < 8; ++round) {
        std::vector<test::Xyz> xyz;
        std::vector<std::uint8_t> elements(1);
        for (int i = 0; i < 40; ++i) {
            xyz.push_back({coordinate(random), coordinate(random), coordinate(random)});
            elements.push_back(kinds[random() % std::size(kinds)]);
        }
        const AtomTable atoms = test::MakeTable(xyz);
        Scene3D scene;
        scene.Atoms = &atoms;
        scene.Elements = elements;
        Camera3D camera = RandomCamera(random);
        camera.SetViewport(200, 180);
        // About 19 pixels an angstrom: every ball wider than kPickReach.
        camera.Fit(MoleculeExtent(scene));
        ASSERT_GT(BallRadius(1) * camera.Scale(), kPickReach);
        const std::vector<std::int32_t> shown = DepthBuffer(scene, camera);
        for (int y = 0; y < camera.Height(); ++y) {
            for (int x = 0; x < camera.Width(); ++x) {
                const std::int32_t expected =
                    shown[static_cast<std::size_t>(y * camera.Width() + x)];
                if (expected == 0) continue;  // the reach around the discs: below
                ASSERT_EQ(AtomAt(scene, camera, x + 0.5, y + 0.5), expected) << x << " " << y;
            }
        }
    }
    // Small balls are picked within kPickReach of their centre, large ones
    // within their disc; nothing farther.
    const AtomTable two = test::MakeTable({{0, 0, 0}, {40, 0, 0}});
    const std::vector<std::uint8_t> hydrogens{0, 1, 1};
    Scene3D scene;
    scene.Atoms = &two;
    scene.Elements = hydrogens;
    Camera3D camera;
    camera.SetViewport(200, 100);
    camera.Fit({{20, 0, 0}, 50});  // 0.9 pixels an angstrom
    const ScreenPoint h1 = camera.Project({0, 0, 0});
    EXPECT_EQ(AtomAt(scene, camera, h1.X + 2.9, h1.Y), 1);
    EXPECT_EQ(AtomAt(scene, camera, h1.X + 3.1, h1.Y), 0);
}

TEST(Scene3D, FarAndBrokenCoordinatesDrawNothingOfTheirOwnAtAnyZoom) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // The carbon at the origin, bonded to atoms that are far, infinite or
    // not a number; arrows to them too.
    const AtomTable atoms =
        test::MakeTable({{0, 0, 0}, {1e300, 0, 0}, {-1e308, 1e308, 0}, {inf, 0, 0}, {0, nan, 0}});
    const std::vector<std::uint8_t> elements{0, 6, 6, 6, 6, 6};
    const std::vector<Bond> bonds{{1, 2}, {1, 3}, {1, 4}, {1, 5}, {2, 3}};
    Scene3D scene;
    scene.Atoms = &atoms;
    scene.Elements = elements;
    scene.Bonds = bonds;
    scene.Arrows = {{{0, 0, 0}, {1e300, 0, 0}, kBlue}, {{inf, 0, 0}, {0, nan, 0}, kRed}};
    scene.Rings = {{1, 2, 3, 4, 5}, {2, 4}};
    scene.Picked = 3;
    scene.Molecule = MoleculeExtent(scene);
    scene.AxisLength = AxisLengthFor(scene.Molecule);
    SceneRenderer renderer;
    for (const double zoom : {1e-6, 100.0, 1e6}) {
        Camera3D camera;
        camera.SetViewport(64, 48);
        camera.Turn(10, 10, 30, 20);
        camera.Zoom(zoom, 32, 24);
        Frame frame;
        renderer.Render(scene, camera, frame);
        const ScreenPoint c = camera.Project({0, 0, 0});
        EXPECT_EQ(AtomAt(scene, camera, c.X, c.Y), 1);
        if (zoom == 100) {
            EXPECT_EQ(frame.At(static_cast<int>(c.X), static_cast<int>(c.Y)),
                      Shade(ElementColor(6), {0, 0, 1}));
        }
    }
}

}  // namespace
}  // namespace pivora
