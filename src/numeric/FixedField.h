#pragma once
// The saved file's number field, FormatFixed(value, 12, 9), by integer
// arithmetic and inline, so that a writer can lay out the three numbers of a
// line side by side. The few values this route leaves (near a rounding tie,
// or of 2^26 and more) take the extended route of WriteFixed12x9.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pivora {
namespace fixed_detail {

// The save field by integer arithmetic. With y = |value| = m 2^(e2 - 63)
// (m the significand, top bit set), X = y 10^9 = (m 10^9) 2^(e2 - 63) is an
// exact 128-bit fixed-point number, and the field is X rounded half up to
// an integer R, written as R / 10^9 with its 9 decimals.
//
// The extended route reaches its digits through roundings of its own: y is
// scaled by 10^-k into [1, 16) (below 2^26 by at most two divisions, by an
// exact 10^k1 with k1 <= 7 and perhaps by 10, each within a relative 2^-64),
// multiplied by 10^17 (exact; one more such rounding) and rounded to an
// integer t (within 1/2); the field is then floor((t + 5 10^(7-k)) /
// 10^(8-k)), half up at the digit n = k + 10 < 18. With T = y 10^(17-k) =
// X 10^(8-k) < 1.6E18 (1 + 2^-62), |t - T| <= 1/2 + 3.0000001 T 2^-64 <
// 0.77, so the extended field is R unless a boundary (j + 1/2) 10^(8-k)
// lies within 0.77 of T, that is unless X lies within 0.77 10^(k-8) of a
// half. The scaling can take at most K decimal places, K the count of
// digits of 2^(e2+1) less one (0 below 16); the fast route leaves every X
// within 2 10^(K-8) of a half, more than twice the width needed, to the
// extended route. Below 2^-31, X < 0.47 and t < 0.47E8 + 1: the field is
// zero both ways.
inline constexpr int kFastLowExponent = -31;
inline constexpr int kFastHighExponent = 25;

struct TieBands {
    // Half the band around X's half, in units of 2^-64 of X's fraction, for
    // e2 = kFastLowExponent + index.
    std::uint64_t halfWidth[kFastHighExponent - kFastLowExponent + 1];
};

constexpr TieBands MakeTieBands() {
    TieBands bands{};
    for (int e2 = kFastLowExponent; e2 <= kFastHighExponent; ++e2) {
        int places = 0;  // K
        if (e2 >= 4) {
            const unsigned __int128 limit = static_cast<unsigned __int128>(1) << (e2 + 1);
            for (unsigned __int128 power = 10; power <= limit; power *= 10) ++places;
        }
        unsigned __int128 divisor = 1;  // 10^(8 - K)
        for (int i = places; i < 8; ++i) divisor *= 10;
        bands.halfWidth[e2 - kFastLowExponent] =
            static_cast<std::uint64_t>((static_cast<unsigned __int128>(1) << 65) / divisor) + 1;
    }
    return bands;
}

inline constexpr TieBands kTieBands = MakeTieBands();
static_assert(kTieBands.halfWidth[kFastHighExponent - kFastLowExponent] < (1ULL << 62),
              "the band must stay well inside one half of the fraction");

// The eight decimal digits of v < 10^8 as the values of bytes 0 to 7, the
// first digit in byte 0 (the lowest address on this little-endian
// machine). v splits into two halves of four digits, each half into two
// pairs, each pair into two digits, all lanes of one 64-bit word at once;
// the multiplications by 109951163 / 2^40, 10486 / 2^20 and 103 / 2^10
// divide exactly by 10^4, 100 and 10 over these ranges (checked for every
// v below 10^8).
inline std::uint64_t EightDigitValues(std::uint32_t v) {
    const std::uint64_t x = v;
    const std::uint64_t high = (x * 109951163) >> 40;
    const std::uint64_t halves = high | ((x - high * 10000) << 32);
    const std::uint64_t highPairs = ((halves * 10486) >> 20) & 0x0000007F0000007FULL;
    const std::uint64_t pairs = highPairs | ((halves - highPairs * 100) << 16);
    const std::uint64_t highDigits = ((pairs * 103) >> 10) & 0x000F000F000F000FULL;
    return highDigits | ((pairs - highDigits * 10) << 8);
}
inline constexpr std::uint64_t kZeroDigits = 0x3030303030303030ULL;  // "00000000"
static_assert(std::endian::native == std::endian::little);

// Writes the field, or returns 0 where it belongs to the extended route:
// y of 2^26 or more (or not finite), or X within the band of a half.
[[gnu::always_inline]] inline std::size_t WriteFixed12x9Integer(char* out, unsigned sign,
                                                                std::uint64_t m, int e2) {
    std::uint64_t rounded = 0;  // R; stays 0 below 2^-31
    if (e2 >= kFastLowExponent) {
        if (e2 > kFastHighExponent) return 0;
        const unsigned shift = static_cast<unsigned>(63 - e2);  // 38..94
        const unsigned __int128 x = static_cast<unsigned __int128>(m) * 1000000000u;
        const auto fraction = static_cast<std::uint64_t>((x << (128 - shift)) >> 64);
        const std::uint64_t band = kTieBands.halfWidth[e2 - kFastLowExponent];
        if (fraction - ((1ULL << 63) - band) < 2 * band) return 0;
        rounded = static_cast<std::uint64_t>(x >> shift) + (fraction >> 63);
    }
    const auto integer = static_cast<std::uint32_t>(rounded / 1000000000);  // below 10^8
    const auto decimals = static_cast<std::uint32_t>(rounded % 1000000000);

    // Written in whole words straight into out (a word read back from a
    // buffer of byte stores would stall on the store forwarding): the
    // integer digits shifted down past their leading zeros, of which the
    // word holds 7 at most, then the point and the decimals over the zero
    // bytes that the shift brought in.
    const std::uint64_t integerDigits = EightDigitValues(integer);
    const int leadingZeros = integerDigits == 0 ? 7 : std::countr_zero(integerDigits) / 8;
    const int digitCount = 8 - leadingZeros;
    // The blank that fills a short field and the sign go in without a
    // branch (signs and lengths of coordinates do not follow a pattern a
    // predictor could learn): each is stored unconditionally and the start
    // of the digits moves past it only where it belongs; where it does not,
    // the digits overwrite it.
    const unsigned blank = sign + static_cast<unsigned>(digitCount) < 2 ? 1 : 0;
    out[0] = ' ';
    out[blank] = '-';
    char* p = out + blank + sign;
    const std::uint64_t integerText = (integerDigits + kZeroDigits) >> (8 * leadingZeros);
    std::memcpy(p, &integerText, 8);
    p += digitCount;
    p[0] = '.';
    p[1] = static_cast<char>('0' + decimals / 100000000);
    const std::uint64_t decimalText = EightDigitValues(decimals % 100000000) + kZeroDigits;
    std::memcpy(p + 2, &decimalText, 8);
    return static_cast<std::size_t>(p + 10 - out);
}

}  // namespace fixed_detail

// FormatFixed(value, 12, 9) written to out by the integer route, and its
// length; 0 (out then holds nothing of use) where the value belongs to the
// extended route: from 2^26 on, not finite, and within a hair of a rounding
// tie at the 9th decimal. out has room for kFixed12x9MaxLength characters;
// bytes after the field may be overwritten.
[[gnu::always_inline]] inline std::size_t WriteFixed12x9Integer(char* out, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    const std::uint64_t significand = biased == 0 ? 0 : (bits << 11) | (1ULL << 63);
    return fixed_detail::WriteFixed12x9Integer(out, static_cast<unsigned>(bits >> 63), significand,
                                               biased - 1023);
}

}  // namespace pivora
