#include "geometry/Fit.h"

#include <cmath>

#include "numeric/Extended.h"
#include "numeric/ExtendedVector.h"

namespace pivora {

long double FitAngle(long double numerator, long double denominator, FitHead head) {
    ClearFpFlags();
    // The flags of the division are the failures: 0/0 is invalid, x/0 is a
    // division by zero.
    const long double q = Materialize(numerator / denominator);
    ThrowIfFpFlags();
    const long double angle = (atanl(q) * -180.0L) / kPi;
    // The turn by angle lays the projection along the denominator's axis
    // with the denominator's sign; half a turn more brings a negative one to
    // the positive side. The denominator is not zero here.
    if (head == FitHead::Positive && denominator < 0) {
        return angle > 0 ? angle - 180.0L : angle + 180.0L;
    }
    return angle;
}

}  // namespace pivora
