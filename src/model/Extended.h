#pragma once
// Extended precision and the floating-point checks.
//
// Formulas that work "in extended precision" use long double: the x87
// format with a 64-bit significand. The status flags replace hardware
// traps: clear them before a step, test them after it.

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstddef>
#include <cstdint>
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

// True when every v[begin..end) is below 2^1023 in magnitude (so neither
// infinite nor NaN). The sum or difference of two such values, or either
// coordinate of such a pair turned by a cosine and a sine of at most 1,
// cannot leave the double range, even after the extended-precision
// roundings: a command can then store its results without a failing store.
inline bool AllBelowHalfRange(const double* v, std::size_t begin, std::size_t end) {
    // The exponent field is at most 0x7FD exactly below 2^1023; adding 2
    // carries into bit 11 for 0x7FE and 0x7FF. Integer work, so that the
    // scan runs in vector registers whatever the floating-point flags.
    std::uint64_t carries = 0;
    for (std::size_t k = begin; k < end; ++k)
        carries |= ((std::bit_cast<std::uint64_t>(v[k]) >> 52) & 0x7FF) + 2;
    return (carries & 0x800) == 0;
}

}  // namespace pivora
