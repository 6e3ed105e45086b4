#pragma once
// Bonds as a chemist draws them, found from the atoms' distances alone: two
// atoms are bonded when
//   kShortestBond < d < r1 + r2 + kBondTolerance,
// d their distance and r1, r2 their covalent radii (CovalentRadii.h), all in
// angstrom. The tolerance of 0.45 angstrom is the one of Open Babel's and
// Avogadro's bond perception: it takes in the bonds of metals to rings and
// to carbonyls (ferrocene's Fe-C of 2.06 angstrom against 1.32 + 0.76 +
// 0.45 = 2.53) and leaves out the 1,3 contacts of organic molecules (the
// two carbons beside a third, 2.5 angstrom apart, against 1.97). Nothing
// is bonded closer than 0.4 angstrom: the shortest bond there is, H-H, is
// 0.74 angstrom long, so closer atoms are one atom given twice, not a bond.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "model/AtomTable.h"

namespace pivora {

inline constexpr double kBondTolerance = 0.45;
inline constexpr double kShortestBond = 0.4;

// Two atoms of a table, First < Second, both 1 to AtomCount.
struct Bond {
    std::int32_t First = 0;
    std::int32_t Second = 0;
    friend bool operator==(const Bond&, const Bond&) = default;
};

// Whether a label marks a ghost atom, one that carries basis functions and
// no nucleus: Gaussian's "He-Bq" (any element, "-Bq" in any case, digits
// may follow) and ORCA's "H:" (a colon after the element). Such an atom
// names its element (its color stays the element's) but has no bonds.
// Gaussian's bare "Bq", dummy atoms ("X", "Du") and any other label that
// names no element get none either: they have no element at all.
bool IsGhostLabel(std::string_view label);

// The elements of the table's slots (as view/AtomLayer's ElementsOf gives
// them: atomic numbers, 0 for none) with every ghost atom's set to 0.
std::vector<std::uint8_t> BondingElements(const AtomTable& atoms,
                                          std::span<const std::uint8_t> elements);

// Every bond of atoms 1 to AtomCount, sorted by First, then by Second.
// elements[i] is atom i's atomic number; an atom gets no bonds when it has
// none (0, a slot beyond elements, an element above 96 whose radius was not
// published) or when a coordinate is not finite. The atoms are sorted into
// cells one bond-length limit wide, so that each is compared only with the
// atoms of its own and the 26 neighbouring cells: the time grows linearly
// with the atoms for any molecule of real density. A molecule spread over
// more than two million cells along an axis (a few thousand kilometres)
// has its outermost atoms share the cells at the edge: still correct, only
// slower. 8 bytes a bond kept; while searching, 16 to 24 bytes an atom
// more. From kItemsForTwoThreads atoms on (TwoThreads.h),
// two processors share the search. Leaves the floating-point flags as they
// were.
// Fails only for want of memory (std::bad_alloc).
std::vector<Bond> FindBonds(const AtomTable& atoms, std::span<const std::uint8_t> elements);

}  // namespace pivora
