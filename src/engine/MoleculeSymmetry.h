#pragma once
// The molecule of the atom table as the point-group library sees it, and the
// words the window, the recipes and the batch tool use for what it finds.

#include <string>
#include <string_view>
#include <vector>

#include "model/AtomTable.h"
#include "symmetry/PointGroup.h"

namespace pivora {

// The atoms 1..AtomCount of a table, in order, with their kinds: the element
// the label names (io::ElementOfLabel), so that "C1", "C12" and "6" are one
// kind. A label that names no element, and a ghost atom ("He-Bq", "H:"),
// forms a kind of its own with every atom of the same label: a ghost never
// maps onto a real atom.
struct SymmetryAtoms {
    std::vector<symmetry::Vec3> positions;
    std::vector<int> kinds;
    symmetry::AtomSet Set() const { return {positions, kinds}; }
};
SymmetryAtoms SymmetryAtomsOf(const AtomTable& atoms);

// The tolerance in angstrom from its text, read by ParseDecimal: the
// conversion error for a text that is no number, and an Error of kind
// Symmetry for one outside (0, symmetry::kMaxTolerance]; both say in their
// detail what to type.
double ToleranceFromText(std::string_view text);

// FindPointGroup of the table's atoms.
symmetry::PointGroupResult PointGroupOf(const AtomTable& atoms, double tolerance);

// The symbol of an element, UTF-8: "C6", "C2′", "C2″", "S6", "C∞"; "σh",
// "σv", "σd", "σ".
std::string AxisSymbol(const symmetry::SymmetryAxis& axis, bool improper);
std::string PlaneSymbol(const symmetry::MirrorPlane& plane);

}  // namespace pivora
