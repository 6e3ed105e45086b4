#pragma once
// Extended precision and the floating-point checks.
//
// Formulas that work "in extended precision" use long double: the x87
// format with a 64-bit significand. The status flags replace hardware
// traps: clear them before a step, test them after it.

#include <bit>
#include <cfenv>
#include <cmath>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "base/Error.h"

namespace pivora {

static_assert(std::numeric_limits<long double>::digits == 64,
              "Pivora needs the x87 80-bit long double with a 64-bit significand");

// The floating-point environment of the run: round to nearest (ties to
// even), extended precision on the x87 unit, no traps, no pending flags.
// Start-up installs it, and every reported failure restores it.
void InstallArithmeticSetting();

// Clears every floating-point status flag.
inline void ClearFpFlags() {
    std::feclearexcept(FE_ALL_EXCEPT);
}

// Throws the error of the first raised flag, in the order invalid, division
// by zero, overflow; underflow and inexact are ignored. The flags are
// cleared before the throw so that nothing pending leaks into later work.
void ThrowIfFpFlags();

// v rounded to the nearest integer, ties to even, in the default rounding
// mode: one x87 store (nearbyintl would save and restore the whole
// environment on every call). For |v| < 2^63; beyond, the result is
// INT64_MIN and the invalid-operation flag is raised.
inline std::int64_t RoundToEven(long double v) {
    long long rounded;
    asm("fistpll %0" : "=m"(rounded) : "t"(v) : "st");
    return rounded;
}

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

// True when every columns[k][i], for i in [begin, end), is below 2^1023 in
// magnitude (so neither infinite nor NaN). The sum or difference of two such
// values, or either coordinate of such a pair turned by a cosine and a sine
// of at most 1, cannot leave the double range, even after the
// extended-precision roundings: a command can then store its results
// without a failing store. One pass over all columns at once.
template <std::same_as<double>... Column>
inline bool AllBelowHalfRange(std::size_t begin, std::size_t end, const Column*... columns) {
    // Adding 2 to the exponent field carries into the sign bit exactly for
    // 0x7FE (2^1023 and above) and 0x7FF (infinity, NaN). Integer work, so
    // that the scan runs in vector registers whatever the floating-point
    // flags.
    constexpr std::uint64_t kExponent = 0x7FF0'0000'0000'0000;
    constexpr std::uint64_t kTwo = 0x0020'0000'0000'0000;
    std::uint64_t carries = 0;
    for (std::size_t i = begin; i < end; ++i)
        carries |= (((std::bit_cast<std::uint64_t>(columns[i]) & kExponent) + kTwo) | ...);
    return (carries >> 63) == 0;
}

}  // namespace pivora
