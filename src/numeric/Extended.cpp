#include "numeric/Extended.h"

#include <cmath>

namespace pivora {

void InstallArithmeticSetting() {
    // glibc's default environment is exactly the setting the program wants:
    // x87 control word 0x37F (64-bit significand, nearest, all exceptions
    // masked) and the SSE default, with every status flag cleared.
    std::fesetenv(FE_DFL_ENV);
}

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
