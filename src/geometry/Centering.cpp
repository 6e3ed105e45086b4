#include "geometry/Centering.h"

#include <cmath>
#include <string>

#include "base/Error.h"
#include "numeric/Extended.h"

namespace pivora {

namespace {

void RequireAtom(const AtomTable& atoms, long long index) {
    if (atoms.IsAtom(index)) return;
    const std::size_t last = atoms.LastAtom();
    std::string message = "Atom " + std::to_string(index) + " is not in the molecule: ";
    if (last == 0) {
        message += "no atoms are loaded.";
    } else if (last == 1) {
        message += "the only atom is 1.";
    } else {
        message += "the atoms are 1 to " + std::to_string(last) + ".";
    }
    throw Error(ErrorKind::Index, std::move(message));
}

// The midpoint coordinate: sum and halving in extended precision, then one
// rounding to double. It cannot overflow: it lies between two doubles.
double Midpoint(double a, double b) {
    return static_cast<double>((static_cast<long double>(b) + a) / 2);
}

// Moves atoms 1..last by -m; without kStore it only computes, so that a
// failing store shows before anything has changed. The differences go
// through extended precision before the store: a double subtraction would
// round once, and can differ from the 64-bit result rounded to a double in
// rare halfway cases.
template <bool kStore>
void MoveAtoms(double* x, double* y, double* z, std::size_t last, double mx, double my, double mz) {
    for (std::size_t k = 1; k <= last; ++k) {
        const double movedX = StoreDouble(static_cast<long double>(x[k]) - mx);
        const double movedY = StoreDouble(static_cast<long double>(y[k]) - my);
        const double movedZ = StoreDouble(static_cast<long double>(z[k]) - mz);
        if constexpr (kStore) {
            x[k] = movedX;
            y[k] = movedY;
            z[k] = movedZ;
        }
    }
}

}  // namespace

void CenterOnPair(AtomTable& atoms, long long i, long long j) {
    RequireAtom(atoms, i);
    RequireAtom(atoms, j);
    CenterOnPoint(atoms, Midpoint(atoms.AtomX[i], atoms.AtomX[j]),
                  Midpoint(atoms.AtomY[i], atoms.AtomY[j]),
                  Midpoint(atoms.AtomZ[i], atoms.AtomZ[j]));
}

void CenterOnPoint(AtomTable& atoms, double mx, double my, double mz) {
    double* x = atoms.AtomX.data();
    double* y = atoms.AtomY.data();
    double* z = atoms.AtomZ.data();
    const std::size_t last = atoms.LastAtom();
    // All or nothing. With the atoms and the point below half the double
    // range no difference can overflow; above it (rare) a dry run finds the
    // failing atom first.
    const bool safe = AllBelowHalfRange(1, last + 1, x, y, z) && std::fabs(mx) < 0x1p1023 &&
                      std::fabs(my) < 0x1p1023 && std::fabs(mz) < 0x1p1023;
    if (!safe) MoveAtoms<false>(x, y, z, last, mx, my, mz);
    MoveAtoms<true>(x, y, z, last, mx, my, mz);
}

}  // namespace pivora
