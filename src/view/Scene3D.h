#pragma once
// What the 3-D view shows and where: the molecule as balls and sticks (or,
// when large, as points), the two vectors as arrows, the atoms of their
// groups ringed, a picked atom marked, and the axes at the origin; drawn
// into a Frame through a Camera3D, and the atom that a click picks.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "model/AtomTable.h"
#include "structure/Bonds.h"
#include "view/AtomLayer.h"
#include "view/Camera3D.h"
#include "view/Raster3D.h"

namespace pivora {

// Up to this many atoms are drawn as balls with their bonds; a larger
// molecule as one point an atom, without bonds, so that it still turns
// smoothly. The panes draw bonds as far.
inline constexpr std::size_t kMostBallAtoms = kMostBondedAtoms;

// The radius of an element's ball, in angstrom: a fifth of its covalent
// radius and 0.16 (hydrogen 0.22, carbon 0.31, iron 0.42); 0.3 for an atom
// of no known element.
double BallRadius(int atomicNumber);
// The radius of a bond's stick, in angstrom.
inline constexpr double kStickRadius = 0.11;

// How far from a click an atom still counts as under it, in pixels, when its
// ball is smaller than that.
inline constexpr double kPickReach = 3;

struct Arrow3D {
    Vec3 Tail;  // angstrom
    Vec3 Head;
    Color Paint;
};

struct Scene3D {
    // The molecule: atoms 1 to AtomCount; one whose coordinate is not
    // finite is left out.
    const AtomTable* Atoms = nullptr;
    // Atomic number of each slot (ElementsOf), for colors and sizes; a slot
    // beyond it is of no known element.
    std::span<const std::uint8_t> Elements;
    std::span<const Bond> Bonds;
    // Ringed in blue and in red, as in the panes.
    AtomRings Rings;
    std::vector<Arrow3D> Arrows;
    // Marked with a gold ring; 0 for none.
    std::int32_t Picked = 0;
    // The atoms being measured, each marked with a ring of kMeasureColor
    // outside the others.
    std::vector<std::int32_t> Measured;
    // Length of each of the axes +x, +y, +z drawn from the origin, angstrom.
    double AxisLength = 1;
    // The molecule's MoleculeExtent, as far as its coordinates now: the
    // points of a large molecule are shaded by their depth within it.
    Extent Molecule;
};

// Where the view writes the names of the axes: just beyond each tip.
struct AxisLabels {
    ScreenPoint X, Y, Z;
};

// Whether the molecule is drawn as points.
bool DrawsPoints(const Scene3D& scene);

// A sphere around every atom's ball (the finite ones); centre and radius 0
// for no atom.
Extent MoleculeExtent(const Scene3D& scene);
// What a fit shows of a molecule of extent molecule: the molecule, and when
// the origin lies no farther from the molecule's centre than twice its
// radius, the axes too, arms of axisLength and their names beyond them.
Extent FitExtent(const Extent& molecule, double axisLength);
// The length of the axes' arms beside a molecule of extent molecule: a
// tenth longer than its radius, so that they reach out of a molecule
// around the origin; 1 angstrom at least.
double AxisLengthFor(const Extent& molecule);

// Draws scenes; keeps what one frame can hand to the next (the shaded
// spheres of the present scale, room for the atoms' pixels).
class SceneRenderer {
  public:
    // Draws the scene as camera sees it into frame, sized to the camera's
    // viewport, and tells where the axes' names go.
    AxisLabels Render(const Scene3D& scene, const Camera3D& camera, Frame& frame);

  private:
    void DrawBalls(const Scene3D& scene, const Camera3D& camera, Frame& frame);
    void DrawPoints(const Scene3D& scene, const Camera3D& camera, Frame& frame);
    void DrawRings(const Scene3D& scene, const Camera3D& camera, Frame& frame);

    std::vector<ScreenPoint> at_;
    std::vector<std::int32_t> order_;
    double spriteScale_ = 0;
    std::array<std::unique_ptr<SphereSprite>, 256> sprites_;
};

// The atom under pixel position (x, y) (continuous: pixel (c, r)'s centre
// is (c + 0.5, r + 0.5)): of the atoms whose disc on the screen (at least
// kPickReach pixels wide) holds the point, the one whose surface there lies
// front-most, at equal depth the lowest index: the atom the picture shows
// there. 0 for none.
std::int32_t AtomAt(const Scene3D& scene, const Camera3D& camera, double x, double y);

}  // namespace pivora
