#pragma once
// The vector side of PlainDecimal.h: the bytes of a plain decimal's text
// classified 16 at a time with SSE2 compares. Included by .cpp files only,
// never by a header, so that the intrinsics stay out of what the rooms above
// see (scripts/check-rooms keeps it so).

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "numeric/PlainDecimal.h"

namespace pivora {

namespace plain_detail {

// The 16 bytes from p: bit i set where byte i is c.
inline std::uint32_t Matches16(__m128i bytes, char c) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
}

}  // namespace plain_detail

// The masks of the 16 bytes, to be shifted to their place.
struct DecimalMasks16 {
    std::uint64_t digits, points, regional, blanks;
};
[[gnu::always_inline]] inline DecimalMasks16 ClassifyDecimal16(__m128i bytes, char separator) {
    // A byte minus '0' is a digit when, unsigned, it is at most 9.
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i fromZero = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
    const auto digits = static_cast<std::uint32_t>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(fromZero, nine), nine)));
    return {digits, plain_detail::Matches16(bytes, '.'),
            separator == ',' ? plain_detail::Matches16(bytes, ',') : 0u,
            plain_detail::Matches16(bytes, ' ')};
}

namespace plain_detail {

// ReadPlainDecimal, with the digits' value only when kValue.
template <bool kValue>
[[gnu::always_inline]] inline bool ReadPlain(std::string_view text, char separator,
                                             PlainDecimal& out) {
    const std::size_t n = text.size();
    if (n == 0 || n > 32 || (separator != '.' && separator != ',')) return false;
    DecimalMasks m;
    for (int half = 0; half < (n > 16 ? 2 : 1); ++half) {
        const DecimalMasks16 h = ClassifyDecimal16(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + 16 * half)), separator);
        const int shift = 16 * half;
        m.digits |= h.digits << shift;
        m.points |= h.points << shift;
        m.regional |= h.regional << shift;
        m.blanks |= h.blanks << shift;
    }
    return PlainAt<kValue>(text.data(), m, 0, static_cast<unsigned>(n), out);
}

}  // namespace plain_detail

// Reads text as a plain decimal when it is one: up to 32 bytes of an
// optional sign, up to 19 digits with at most one separator (separator, or
// "." which the file form takes as well), then only blanks; separator "."
// or ",". False for anything else, which the parse form may still read. The
// 16 bytes after the text must be readable (what they hold does not matter).
[[gnu::always_inline]] inline bool ReadPlainDecimal(std::string_view text, char separator,
                                                    PlainDecimal& out) {
    return plain_detail::ReadPlain<true>(text, separator, out);
}

// ReadPlainDecimal without the digits' value: true says that the file parse
// form surely reads text, with a value far inside the double range.
[[gnu::always_inline]] inline bool IsPlainDecimal(std::string_view text, char separator) {
    PlainDecimal unused;
    return plain_detail::ReadPlain<false>(text, separator, unused);
}

}  // namespace pivora
