#pragma once
// Turning a user vector onto an axis: the rule of each fit and its angle.

#include "geometry/Axis.h"

namespace pivora {

// Which components of the chosen vector a fit divides and which rotation it
// runs. (The window's fit reads the components from their boxes, writes the
// angle into the angle box of `turn` and the rotation reads it back from
// there: docs/DESIGN.md.)
struct FitRule {
    Axis numerator;    // component whose box gives the numerator
    Axis denominator;  // component whose box gives the denominator
    Axis turn;         // axis of the rotation that follows
};

// FitX: y / x, then the Z rotation; the vector's XY projection comes onto
// the X axis.
// FitY: z / y, then the X rotation; the vector comes into the XY plane.
// FitZ: x / z, then the Y rotation; the vector's ZX projection comes onto
// the Z axis, so FitX then FitZ lays it along Z.
// target is the axis the fit turns the vector onto (FitX: X, FitY: Y, FitZ: Z).
constexpr FitRule FitRuleFor(Axis target) {
    switch (target) {
        case Axis::X:
            return {Axis::Y, Axis::X, Axis::Z};
        case Axis::Y:
            return {Axis::Z, Axis::Y, Axis::X};
        case Axis::Z:
            break;
    }
    return {Axis::X, Axis::Z, Axis::Y};
}

// Where a fit leaves the head of the vector.
enum class FitHead {
    // On the side of the target axis that the sign of the denominator's
    // component gives: FitX leaves a vector with a negative x component on -X.
    AsFound,
    // Always on the positive side: where AsFound would leave it on the
    // negative side, the turn is half a turn more.
    Positive,
};

// The fitted angle in degrees: atan(numerator / denominator) times -180,
// then divided by pi, all in extended precision, which lies within -90 to 90.
// With FitHead::Positive and a negative denominator, 180 is added to it
// (subtracted when it is positive), in extended precision, so that it lies
// within -180 to 180.
// Throws the division-by-zero error for a zero denominator (-0 too) under a
// non-zero numerator, the invalid-operation error when both are zero, and the
// overflow error when the quotient leaves the extended range.
long double FitAngle(long double numerator, long double denominator,
                     FitHead head = FitHead::AsFound);

}  // namespace pivora
