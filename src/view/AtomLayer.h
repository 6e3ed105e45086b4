#pragma once
// The atoms as the panes show them: a dot for each atom in its element's
// color, drawn from the back to the front, the bonds beneath them, and the
// atom that a click on a pane picks.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "geometry/AtomGroup.h"
#include "geometry/Axis.h"
#include "model/AtomTable.h"
#include "structure/Bonds.h"
#include "view/Canvas.h"
#include "view/ViewWindow.h"

namespace pivora {

// The three panes, each seen down one axis: XY, YZ, ZX.
enum class PaneId { XY, YZ, ZX };

// Which world component runs across a pane, which runs up, and which comes
// toward the viewer: the coordinates are right-handed, so in XY a larger z
// is nearer, in YZ a larger x, in ZX a larger y.
struct PaneAxes {
    Axis Horizontal;
    Axis Vertical;
    Axis Depth;
};
PaneAxes AxesOf(PaneId pane);

// The element a label names: its atomic number 1 to 118, 0 for none.
using ElementLookup = int (*)(std::string_view label);

// The element of every slot of the table by its label, 0 for none (slot 0
// and the spare slots among them): what AtomDots takes, worked out once for
// as long as the labels stay.
std::vector<std::uint8_t> ElementsOf(const AtomTable& atoms, ElementLookup element);

// The common (Jmol) color of element 1 to 118; deep pink for 0 or any other
// number, an atom whose element is not known.
Color ElementColor(int atomicNumber);

// The atoms of the vectors' groups, ringed in the panes: those of Vector1's
// groups in blue, those of Vector2's in red, an atom of both in both. Sorted,
// each once; selections that name no atom of the table are left out.
struct AtomRings {
    std::vector<std::int32_t> Blue;
    std::vector<std::int32_t> Red;
};
AtomRings RingsOf(const AtomTable& atoms, const VectorDefinition& vector1,
                  const VectorDefinition& vector2);

// The dots of every atom whose pixel (the pane's column of its horizontal
// coordinate and row of its vertical one, as ToPixelX / ToPixelY give them)
// lies on the pane; atoms off it are left out. Where atoms share a pixel
// only the front-most shows (the largest depth coordinate; at equal depth
// the lowest index), and the atoms are listed from the back to the front, so
// that a nearer atom covers a farther one. Each atom is, in this order: a
// blue disc for its blue ring, a red one for its red ring, and its own dot
// in its element's color with an edge one pixel wide at 55 % of that
// color; of radius 3 in all (a 7-pixel dot), hydrogen's 2, each ring 2
// wider than what it rings. elements gives each slot's element
// (ElementsOf); a slot beyond it is of no known element. Indexed by PaneId;
// every list is made, empty when no atom is on the pane or the window has
// an empty range. Fails only for want of memory.
std::array<DotList, 3> AtomDots(const AtomTable& atoms, const ViewWindow& window,
                                const AtomRings& rings, std::span<const std::uint8_t> elements);

// Up to this many atoms the panes draw the bonds (the 3-D view its balls and
// sticks): with them a redraw stays under 10 ms, the first one (which finds
// the bonds) under 20. Beyond it the panes' 45,000 pixels hold an atom or
// more each, whose dots hide the bonds, and a million atoms' bonds take a
// fifth of a second to find, the sticks more time again on a redraw whose
// dots alone take most of the 30 ms it may.
inline constexpr std::size_t kMostBondedAtoms = 50000;

// The mark of an atom being measured: a ring of this color two pixels wide,
// a pixel of white between it and the atom's dot and rings.
inline constexpr Color kMeasureColor{0, 150, 0};

// What a pane shows of the atoms: the bonds as sticks, painted first (null
// when none shows), then the dots.
struct PaneAtoms {
    StickList Sticks;
    DotList Dots;
};

// The dots of AtomDots, with the atoms of measured (indexes in any order;
// those of no atom are left out) marked by a kMeasureColor ring outside
// their own, and beneath them the bonds: each bond of bonds (indexes of the
// table) as two sticks from each atom's pixel to the middle pixel between
// them (each coordinate the mean rounded down), each in its atom's color
// with an edge at 55 % of it. Sticks that lie wholly off the pane, or
// wholly under the dots, are left out, and so is a bond with an atom more
// than 2^30 pixels off the pane (none that short can reach it); the rest
// are listed from the back to the front by the depth coordinate of their
// middles. An empty window gives empty dots and no sticks. Fails only for
// want of memory.
std::array<PaneAtoms, 3> AtomsAndBonds(const AtomTable& atoms, const ViewWindow& window,
                                       const AtomRings& rings,
                                       std::span<const std::int32_t> measured,
                                       std::span<const std::uint8_t> elements,
                                       std::span<const Bond> bonds);

// How far from an atom's pixel a click still picks it, in pixels.
inline constexpr int kPickRadius = 4;

// The atom that a click on pixel (x, y) of a pane picks: of the atoms whose
// pixel lies on the pane within kPickRadius of (x, y) (Euclidean), the
// nearest; among equally near ones the front-most by the depth coordinate,
// and at equal depth the lowest index: the atom the dots show on top. 0 when
// none is that near.
std::int32_t AtomAtPixel(const AtomTable& atoms, const ViewWindow& window, PaneId pane,
                         std::int32_t x, std::int32_t y);

}  // namespace pivora
