#pragma once
// Distances, bond angles and dihedral angles between atoms, in extended
// precision (long double) from the coordinates as stored.

#include <optional>

#include "model/AtomTable.h"
#include "structure/Vec3.h"

namespace pivora {

// Points in angstrom.
using Position = Vec3;

// Atom index's coordinates; index must name a slot of the table.
Position PositionOf(const AtomTable& atoms, std::size_t index);

// The distance from a to b, in angstrom. Never overflows (the extended
// range is far wider than the double one); not finite when a coordinate is
// not.
long double Distance(const Position& a, const Position& b);

// The angle a-b-c at b, in degrees, 0 to 180. Empty when a or c lies on b
// or a coordinate is not finite.
std::optional<long double> Angle(const Position& a, const Position& b, const Position& c);

// The dihedral (torsion) angle a-b-c-d, in degrees, above -180 and up to
// 180, signed as IUPAC has it: looking along b to c, positive when the bond
// to a must turn clockwise to cover the bond to d (180: anti, 60: gauche).
// Empty when a, b, c or b, c, d lie on one line (or two of them coincide)
// or a coordinate is not finite.
std::optional<long double> Dihedral(const Position& a, const Position& b, const Position& c,
                                    const Position& d);

}  // namespace pivora
