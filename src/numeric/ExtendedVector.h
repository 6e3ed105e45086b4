#pragma once
// Vectors of three extended-precision components (angstrom, or unitless
// for directions) and the operations every geometric formula of the core
// needs. Each operation rounds as the written formula does, component by
// component, with no fused multiply-add (pivora_fp).

#include <array>

namespace pivora {

using LVec = std::array<long double, 3>;

// Pi to the nearest extended value.
inline constexpr long double kPi = 3.141592653589793238462643383279502884L;
static_assert(kPi == 3.1415926535897932385L, "pi must be the nearest extended value");

inline LVec Add(const LVec& a, const LVec& b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
inline LVec Sub(const LVec& a, const LVec& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
inline LVec Scale(const LVec& a, long double s) {
    return {a[0] * s, a[1] * s, a[2] * s};
}
inline long double Dot(const LVec& a, const LVec& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
inline LVec Cross(const LVec& a, const LVec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

}  // namespace pivora
