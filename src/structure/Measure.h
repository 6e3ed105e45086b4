#pragma once
// Distances, bond angles and dihedral angles between atoms, in extended
// precision (long double) from the coordinates as stored.

#include <cstdint>
#include <optional>
#include <span>

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

// What two to four picked atoms measure, in the order picked: two the
// distance a-b (angstrom), three the angle a-b-c at b, four the dihedral
// a-b-c-d (degrees), each from the coordinates as they are now. value is
// empty where Angle or Dihedral gives none, and a distance that is not
// finite.
struct Measurement {
    enum class Kind { Distance, Angle, Dihedral };
    Kind kind = Kind::Distance;
    std::optional<long double> value;
};
// Empty for fewer than two or more than four atoms. Every index must name a
// slot of the table.
std::optional<Measurement> Measure(const AtomTable& atoms, std::span<const std::int32_t> picked);

}  // namespace pivora
