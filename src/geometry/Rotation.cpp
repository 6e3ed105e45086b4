#include "geometry/Rotation.h"

#include <cmath>

#include "base/Error.h"
#include "numeric/Extended.h"

namespace pivora {

namespace {

constexpr long double kPiOver180 = 0.0174532925199432957692369076848861271344L;
// The factor must be the extended value nearest to pi/180; its 20-digit
// decimal form rounds to the same value.
static_assert(kPiOver180 == 0.017453292519943295769L);

// The coordinate arrays that a turn about `axis` changes, in the order of the
// right-handed pair: a' = cos t a - sin t b, b' = sin t a + cos t b.
struct TurnedPair {
    double* a;
    double* b;
};

TurnedPair PairFor(AtomTable& atoms, Axis axis) {
    switch (axis) {
        case Axis::Z:
            return {atoms.AtomX.data(), atoms.AtomY.data()};
        case Axis::X:
            return {atoms.AtomY.data(), atoms.AtomZ.data()};
        case Axis::Y:
            break;
    }
    return {atoms.AtomZ.data(), atoms.AtomX.data()};
}

// t = d * (pi/180) in extended precision, stored as a double. The product
// cannot leave the extended range; only the store can fail, with overflow.
double DegreesToRadians(long double degrees) {
    return StoreDouble(degrees * kPiOver180);
}

// Turns atoms 1..last; without kStore it only computes, so that a failing
// store shows before anything has changed.
template <bool kStore>
void TurnAtoms(const TurnedPair& pair, std::size_t last, long double s, long double c) {
    for (std::size_t k = 1; k <= last; ++k) {
        // Both new values come from the copies; the first store must not
        // feed the second.
        const long double a = pair.a[k];
        const long double b = pair.b[k];
        const double turnedA = StoreDouble(c * a - s * b);
        const double turnedB = StoreDouble(s * a + c * b);
        if constexpr (kStore) {
            pair.a[k] = turnedA;
            pair.b[k] = turnedB;
        }
    }
}

void RotateRadians(AtomTable& atoms, Axis axis, double t) {
    // glibc reduces huge arguments exactly, so even t >= 2^63 turns the
    // molecule instead of zeroing it.
    const long double s = sinl(t);
    const long double c = cosl(t);
    const TurnedPair pair = PairFor(atoms, axis);
    const std::size_t last = atoms.LastAtom();
    // All or nothing. Below half the double range no turned coordinate can
    // overflow; above it (rare) a dry run finds the failing atom first.
    const bool safe =
        fabsl(s) <= 1 && fabsl(c) <= 1 && AllBelowHalfRange(1, last + 1, pair.a, pair.b);
    if (!safe) TurnAtoms<false>(pair, last, s, c);
    TurnAtoms<true>(pair, last, s, c);
}

}  // namespace

void Rotate(AtomTable& atoms, Axis axis, long double degrees) {
    RotateRadians(atoms, axis, DegreesToRadians(degrees));
}

}  // namespace pivora
