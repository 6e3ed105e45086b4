#pragma once
// Plain decimal texts, the common coordinate: an optional sign, digits with
// at most one separator, blanks after them. What the parse form reads from
// such a text and the double its value stores as, found without the
// extended division and inline, so that a reader can take the three numbers
// of a line side by side. Each gives the parse form's bits exactly; the
// tests hold them to ParseFileDecimal. Reading a text's bytes with vector
// compares is in PlainDecimalSse.h.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace pivora {

// N is all the digits as one integer, f how many of them follow the
// separator: the value is N / 10^f, negated when negative.
struct PlainDecimal {
    std::uint64_t digits = 0;  // N
    int fraction = 0;          // f
    bool negative = false;
};

namespace plain_detail {

// 10^0 .. 10^19.
inline constexpr std::uint64_t kTens[] = {1ULL,
                                          10ULL,
                                          100ULL,
                                          1000ULL,
                                          10000ULL,
                                          100000ULL,
                                          1000000ULL,
                                          10000000ULL,
                                          100000000ULL,
                                          1000000000ULL,
                                          10000000000ULL,
                                          100000000000ULL,
                                          1000000000000ULL,
                                          10000000000000ULL,
                                          100000000000000ULL,
                                          1000000000000000ULL,
                                          10000000000000000ULL,
                                          100000000000000000ULL,
                                          1000000000000000000ULL,
                                          10000000000000000000ULL};

// 10^0 .. 10^19 as doubles, all exact.
inline constexpr double kDoubleTens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,
                                         1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13,
                                         1e14, 1e15, 1e16, 1e17, 1e18, 1e19};

// The value of the count <= 8 digits from p, first digit most significant.
[[gnu::always_inline]] inline std::uint64_t DigitsValue(const char* p, int count) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    // The digits' low halves move to the top bytes, zeros (leading zero
    // digits) come in below them, what follows the digits drops out; then
    // pairs, quadruples and the eight are combined.
    v = count == 0 ? 0 : (v & 0x0F0F0F0F0F0F0F0FULL) << (64 - 8 * count);
    v = (v * (10 * 256 + 1)) >> 8;
    v = ((v & 0x00FF00FF00FF00FFULL) * (100 * 65536 + 1)) >> 16;
    return ((v & 0x0000FFFF0000FFFFULL) * ((10000ULL << 32) + 1)) >> 32;
}

// The value of the count <= 16 digits from p, first digit most significant.
[[gnu::always_inline]] inline std::uint64_t RunValue(const char* p, int count) {
    if (count <= 8) return DigitsValue(p, count);
    return DigitsValue(p, 8) * kTens[count - 8] + DigitsValue(p + 8, count - 8);
}

}  // namespace plain_detail

// The double that N / 10^f (negated when negative) stores as by the parse
// form's route, for N below 2^53 and f at most 19, without the extended
// division; false where this cannot tell. The extended route rounds
// q = N / 10^f to 64 bits and then to 53. That is the correctly rounded
// double quotient, which the double division gives, unless the first
// rounding lands exactly on the midpoint between two doubles; the exact
// remainder tells when q comes near one.
[[gnu::always_inline]] inline bool QuickPlainDouble(std::uint64_t n, int f, bool negative,
                                                    double& out) {
    if (n >= (std::uint64_t{1} << 53) || f > 19) return false;
    double q = static_cast<double>(n);
    if (n != 0 && f != 0) {
        q = q / plain_detail::kDoubleTens[f];
        // q = m * 2^-k, with m of 53 bits; q lies between 1E-19 and 2^50.
        const auto bits = std::bit_cast<std::uint64_t>(q);
        const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
        const int k = 1075 - static_cast<int>(bits >> 52);
        // Below a power of two the doubles lie closer: leave it to the
        // extended route.
        if (m == std::uint64_t{1} << 52 || k <= 0) return false;
        // (n / 10^f - q) / ulp(q) = R / 10^f with R = n 2^k - m 10^f. As q
        // is the nearest double, |R| <= 10^f / 2 < 2^63: R is what the two
        // products leave modulo 2^64, read as signed. The first rounding can
        // only reach a midpoint when |R| / 10^f is within 2^-12 of 1/2; stay
        // 2^-11 away.
        const std::uint64_t ten = plain_detail::kTens[f];
        const std::uint64_t shifted = k < 64 ? n << k : 0;
        const auto r = static_cast<std::int64_t>(shifted - m * ten);
        const std::uint64_t magnitude = r < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(r)
                                              : static_cast<std::uint64_t>(r);
        if (magnitude >= (ten >> 1) - (ten >> 11)) return false;
    }
    out = std::bit_cast<double>(std::bit_cast<std::uint64_t>(q) |
                                (static_cast<std::uint64_t>(negative) << 63));
    return true;
}

// What a plain decimal is made of among up to 64 bytes of text, bit i for
// byte i: digits, full stops, the regional separator when it is not the
// full stop, and blanks.
struct DecimalMasks {
    std::uint64_t digits = 0;
    std::uint64_t points = 0;
    std::uint64_t regional = 0;
    std::uint64_t blanks = 0;
};

namespace plain_detail {

// PlainAt, with the digits' value only when kValue.
template <bool kValue>
[[gnu::always_inline]] inline bool PlainAt(const char* text, const DecimalMasks& m, unsigned from,
                                           unsigned to, PlainDecimal& out) {
    // A sign, then one run of digits and at most one separator, then only
    // blanks.
    if (from >= to) return false;
    const char first = text[from];
    const unsigned sign = (first == '-') | (first == '+');
    const unsigned start = from + sign;
    if (start >= to) return false;
    const std::uint64_t in = (~std::uint64_t{0} >> (64 - to)) & (~std::uint64_t{0} << start);
    const std::uint64_t separators = (m.points | m.regional) & in;
    const std::uint64_t number = (m.digits & in) | separators;
    if ((in & ~(number | m.blanks)) != 0) return false;
    const std::uint64_t run = number >> start;
    const auto length = static_cast<unsigned>(std::countr_one(run));
    // The run starts at start and nothing of the number follows it; one
    // separator at most (the regional one or ".", which the file form takes
    // as well), and a digit or the separator: a sign alone is no number.
    if (length == 0 || (run & (run + 1)) != 0 || (separators & (separators - 1)) != 0) return false;
    const unsigned hasPoint = separators != 0 ? 1u : 0u;
    const unsigned whole =
        hasPoint != 0 ? static_cast<unsigned>(std::countr_zero(separators)) - start : length;
    const unsigned fraction = length - whole - hasPoint;
    // Runs of up to 16 digits, 19 in all, keep N exact.
    if (length > 16 && (whole > 16 || fraction > 16 || whole + fraction > 19)) return false;
    if constexpr (kValue) {
        out.digits = RunValue(text + start, static_cast<int>(whole)) * kTens[fraction] +
                     RunValue(text + start + whole + hasPoint, static_cast<int>(fraction));
        out.fraction = static_cast<int>(fraction);
        out.negative = first == '-';
    }
    return true;
}

}  // namespace plain_detail

// text[from, to) read as a plain decimal, like ReadPlainDecimal, with masks
// giving text's bytes from its start; to <= 64. The 16 bytes after text[to]
// must be readable.
[[gnu::always_inline]] inline bool ReadPlainDecimalAt(const char* text, const DecimalMasks& masks,
                                                      unsigned from, unsigned to,
                                                      PlainDecimal& out) {
    return plain_detail::PlainAt<true>(text, masks, from, to, out);
}
[[gnu::always_inline]] inline bool IsPlainDecimalAt(const char* text, const DecimalMasks& masks,
                                                    unsigned from, unsigned to) {
    PlainDecimal unused;
    return plain_detail::PlainAt<false>(text, masks, from, to, unused);
}

// StorePlainDecimal by the extended division, for what the quick route
// leaves.
double StorePlainDecimalExtended(const PlainDecimal& plain);

// The double that the plain decimal's text stores as: StoreDouble of the
// parse form's value, bit for bit. Never fails.
[[gnu::always_inline]] inline double StorePlainDecimal(const PlainDecimal& plain) {
    double quick;
    if (QuickPlainDouble(plain.digits, plain.fraction, plain.negative, quick)) return quick;
    return StorePlainDecimalExtended(plain);
}

}  // namespace pivora
