#include "model/Extended.h"

#include <cmath>

namespace pivora {

void ThrowIfFpFlags() {
    const int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    if (raised == 0) return;
    ClearFpFlags();
    if (raised & FE_INVALID) throw FloatError(ErrorKind::InvalidOperation);
    if (raised & FE_DIVBYZERO) throw FloatError(ErrorKind::DivideByZero);
    throw FloatError(ErrorKind::Overflow);
}

double StoreDouble(long double v) {
    const double d = static_cast<double>(v);
    if (std::isnan(d)) throw FloatError(ErrorKind::InvalidOperation);
    if (std::isinf(d)) throw FloatError(ErrorKind::Overflow);
    return d;
}

}  // namespace pivora
