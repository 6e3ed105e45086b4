#include "structure/Measure.h"

#include <cmath>
#include <limits>

#include "numeric/ExtendedVector.h"

namespace pivora {
namespace {

static_assert(std::numeric_limits<long double>::digits == 64);

LVec From(const Position& from, const Position& to) {
    return {static_cast<long double>(to.X) - from.X, static_cast<long double>(to.Y) - from.Y,
            static_cast<long double>(to.Z) - from.Z};
}

long double Length(const LVec& a) {
    return std::sqrt(Dot(a, a));
}

std::optional<long double> Degrees(long double y, long double x) {
    // atan2 of two extended values keeps their full precision, and unlike
    // the arc cosine of a quotient it stays exact near 0 and 180 degrees.
    const long double degrees = std::atan2(y, x) * (180 / kPi);
    if (!std::isfinite(degrees)) return std::nullopt;
    return degrees;
}

}  // namespace

Position PositionOf(const AtomTable& atoms, std::size_t index) {
    return {atoms.AtomX[index], atoms.AtomY[index], atoms.AtomZ[index]};
}

long double Distance(const Position& a, const Position& b) {
    return Length(From(a, b));
}

std::optional<long double> Angle(const Position& a, const Position& b, const Position& c) {
    const LVec u = From(b, a);
    const LVec v = From(b, c);
    if (!(Dot(u, u) > 0) || !(Dot(v, v) > 0)) return std::nullopt;
    return Degrees(Length(Cross(u, v)), Dot(u, v));
}

std::optional<long double> Dihedral(const Position& a, const Position& b, const Position& c,
                                    const Position& d) {
    const LVec b1 = From(a, b);
    const LVec b2 = From(b, c);
    const LVec b3 = From(c, d);
    const LVec n1 = Cross(b1, b2);
    const LVec n2 = Cross(b2, b3);
    if (!(Dot(n1, n1) > 0) || !(Dot(n2, n2) > 0)) return std::nullopt;
    const std::optional<long double> degrees = Degrees(Length(b2) * Dot(b1, n2), Dot(n1, n2));
    // -180 and 180 are one angle; it is given as 180.
    if (degrees && *degrees == -180) return 180.0L;
    return degrees;
}

std::optional<Measurement> Measure(const AtomTable& atoms, std::span<const std::int32_t> picked) {
    if (picked.size() < 2 || picked.size() > 4) return std::nullopt;
    Position at[4];
    for (std::size_t i = 0; i < picked.size(); ++i) {
        at[i] = PositionOf(atoms, static_cast<std::size_t>(picked[i]));
    }
    Measurement measured;
    switch (picked.size()) {
        case 2: {
            const long double d = Distance(at[0], at[1]);
            if (std::isfinite(d)) measured.value = d;
            break;
        }
        case 3:
            measured.kind = Measurement::Kind::Angle;
            measured.value = Angle(at[0], at[1], at[2]);
            break;
        default:
            measured.kind = Measurement::Kind::Dihedral;
            measured.value = Dihedral(at[0], at[1], at[2], at[3]);
            break;
    }
    return measured;
}

}  // namespace pivora
