#pragma once
// Extended precision and the floating-point checks.
//
// Formulas that work "in extended precision" use long double: the x87
// format with a 64-bit significand. The status flags replace hardware
// traps: clear them before a step, test them after it.

#include <cfenv>
#include <cmath>
#include <limits>

#include "model/Error.h"

namespace pivora {

static_assert(std::numeric_limits<long double>::digits == 64,
              "Pivora needs the x87 80-bit long double with a 64-bit significand");

// Clears every floating-point status flag.
inline void ClearFpFlags() {
    std::feclearexcept(FE_ALL_EXCEPT);
}

// Throws the error of the first raised flag, in the order invalid, division
// by zero, overflow; underflow and inexact are ignored. The flags are
// cleared before the throw so that nothing pending leaks into later work.
void ThrowIfFpFlags();

// A compiler barrier: keeps v in memory order so that the arithmetic that
// produced it happens before a following flag test.
template <typename T>
inline T Materialize(T v) {
    volatile T sink = v;
    return sink;
}

// Stores an extended value into a double; a magnitude beyond the double
// range is the overflow error (a NaN, which the checked arithmetic never
// makes, the invalid operation). Subnormal or zero results pass. Inline: the
// turns of a million atoms make two million stores.
[[noreturn]] void ThrowStoreError(double stored);
inline double StoreDouble(long double v) {
    const double stored = static_cast<double>(v);
    if (!std::isfinite(stored)) [[unlikely]]
        ThrowStoreError(stored);
    return stored;
}

}  // namespace pivora
