#pragma once
// Moving the origin to the midpoint of two atoms.

#include "model/AtomTable.h"

namespace pivora {

// Translates every atom so that the midpoint of atoms i and j becomes the
// origin; i == j puts that atom itself at the origin. i and j are 1-based
// atom indexes, valid from 1 to AtomCount (the values of the two centering
// atom boxes). The midpoint is fixed before any atom moves; coordinates are
// in angstrom.
//
// Throws Error(ErrorKind::Index) when i or j (i is checked first) names no
// atom, with a message such as "Atom 5 is not in the molecule: the atoms are
// 1 to 3." or "Atom 1 is not in the molecule: no atoms are loaded."; nothing
// has changed then. Throws the overflow error when a moved coordinate would
// leave the double range (only for coordinates near the largest double); no
// atom has moved then.
//
// Labels, slot 0 and the spare slots are never touched. The caller refreshes
// the grid afterwards; no redraw is needed, since a translation keeps both
// vectors.
void CenterOnPair(AtomTable& atoms, long long i, long long j);

// Translates every atom so that the point (x, y, z) becomes the origin (the
// standard frame's centre, say), by the same subtraction as CenterOnPair.
// Throws the overflow error when a moved coordinate would leave the double
// range; no atom has moved then.
void CenterOnPoint(AtomTable& atoms, double x, double y, double z);

}  // namespace pivora
