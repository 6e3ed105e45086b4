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

void ThrowStoreError(double stored) {
    ClearFpFlags();
    throw FloatError(std::isnan(stored) ? ErrorKind::InvalidOperation : ErrorKind::Overflow);
}

}  // namespace pivora
