#pragma once
// Turning the whole molecule about a coordinate axis through the origin.

#include "geometry/Axis.h"
#include "model/AtomTable.h"

namespace pivora {

// Right-handed turn by +degrees about `axis`: a positive angle turns +X
// toward +Y about Z, +Y toward +Z about X and +Z toward +X about Y, which is
// counter-clockwise in the XY, YZ and ZX panes. The coordinate along the
// axis is kept. Every atom 1..AtomCount is turned, in order; AtomCount 0
// turns nothing.
//
// Failures, in the order they can happen:
// - the angle in radians leaves the double range (beyond about 1.03E310
//   degrees): the overflow error; nothing has changed;
// - a turned coordinate leaves the double range (only for coordinates near
//   the largest double): the overflow error; no atom has moved.
//
// The window's turns take the angle from the text of an angle box
// (ParseDecimal, which fails before anything moves); the caller then
// refreshes the grid's coordinate columns and runs the redraw, also when
// AtomCount is 0.
void Rotate(AtomTable& atoms, Axis axis, long double degrees);

}  // namespace pivora
