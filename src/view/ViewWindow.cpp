#include "view/ViewWindow.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/Error.h"
#include "numeric/Extended.h"

namespace pivora {

namespace {

// The frame factor 1.1 with a 64-bit mantissa; a double 1.1 would make the
// frame of scale 3 come out as 3.3000000000000003.
constexpr long double kFrameFactor = 1.1L;

// Difference, product with the pane size, quotient by the range, then the
// rounding (ties to even in the default mode): in this order, each in
// extended precision. Only the quotient can fail: 0/0 for an empty range.
long double NearestPixel(double value, double min, double max, std::int32_t size) {
    ClearFpFlags();
    const long double scaled = Materialize((static_cast<long double>(value) - min) * size /
                                           (static_cast<long double>(max) - min));
    ThrowIfFpFlags();
    // So far off no pixel can be drawn: ToInt32 refuses it as it stands.
    if (!(fabsl(scaled) < 0x1p62L)) return scaled;
    return static_cast<long double>(RoundToEven(scaled));
}

// Canvas coordinates are 32-bit. A pixel beyond that cannot be drawn
// faithfully, and rounding it into an integer is an invalid operation.
std::int32_t ToInt32(long double pixel) {
    constexpr auto kMin = static_cast<long double>(std::numeric_limits<std::int32_t>::min());
    constexpr auto kMax = static_cast<long double>(std::numeric_limits<std::int32_t>::max());
    if (!(pixel >= kMin && pixel <= kMax)) throw FloatError(ErrorKind::InvalidOperation);
    return static_cast<std::int32_t>(pixel);
}

}  // namespace

void ViewWindow::SetScale(std::int32_t s) {
    const long double scale = s;
    XMin = static_cast<double>(-scale);
    XMax = static_cast<double>(scale);
    YMin = static_cast<double>(-scale);
    YMax = static_cast<double>(scale);
    FrameXMin = static_cast<double>(-scale * kFrameFactor);
    FrameXMax = static_cast<double>(scale * kFrameFactor);
    FrameYMin = static_cast<double>(-scale * kFrameFactor);
    FrameYMax = static_cast<double>(scale * kFrameFactor);
}

std::int32_t ViewWindow::ToPixelX(double h) const {
    return ToInt32(NearestPixel(h, XMin, XMax, PaneWidth));
}

std::int32_t ViewWindow::ToPixelY(double v) const {
    return ToInt32(PaneHeight - NearestPixel(v, YMin, YMax, PaneHeight));
}

#if defined(__SSE2__)
namespace {

// The nearest integers, as doubles, to the quotients of two values: Map's
// steps, two lanes at a time, the same operations in the same order on the
// same doubles, so the same bits. unsure gets a bit for each lane too near a
// tie, which Map must do again by ToPixelX / ToPixelY.
struct TwoLanes {
    __m128d low = _mm_set1_pd(-2);
    __m128d high;
    __m128d shift = _mm_set1_pd(0x1.8p52);
    __m128d sure;
    __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    __m128d first;
    __m128d scale;

    TwoLanes(double min, double factor, double limit, double certain)
        : high(_mm_set1_pd(limit)),
          sure(_mm_set1_pd(certain)),
          first(_mm_set1_pd(min)),
          scale(_mm_set1_pd(factor)) {}

    __m128d Nearest(const double* values, int& unsure) const {
        __m128d quotient = _mm_mul_pd(_mm_sub_pd(_mm_loadu_pd(values), first), scale);
        // maxpd gives its second operand where the first is not a number.
        quotient = _mm_min_pd(_mm_max_pd(quotient, low), high);
        const __m128d nearest = _mm_sub_pd(_mm_add_pd(quotient, shift), shift);
        const __m128d distance = _mm_and_pd(_mm_sub_pd(quotient, nearest), magnitude);
        unsure = _mm_movemask_pd(_mm_cmpnlt_pd(distance, sure));
        return nearest;
    }
};

}  // namespace
#endif

void PaneMapping::Direction::MapMany(const double* values, std::size_t count,
                                     std::int32_t* pixels) const {
    std::size_t k = 0;
#if defined(__SSE2__)
    const TwoLanes lanes(min, factor, limit, certain);
    const __m128i top = _mm_set1_epi32(size);
    for (; k + 2 <= count; k += 2) {
        int unsure;
        __m128i pixel = _mm_cvttpd_epi32(lanes.Nearest(values + k, unsure));
        if (vertical) pixel = _mm_sub_epi32(top, pixel);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pixels + k), pixel);
        if (unsure != 0) [[unlikely]] {
            if (unsure & 1) pixels[k] = Map(values[k]);
            if (unsure & 2) pixels[k + 1] = Map(values[k + 1]);
        }
    }
#endif
    for (; k < count; ++k) pixels[k] = Map(values[k]);
}

std::size_t PaneMapping::CellsOnPane(const double* horizontal, const double* vertical,
                                     std::size_t count, std::int32_t* cells,
                                     std::int32_t* which) const {
    // Written to without a test of whether the point is on the pane: the
    // count moves on past the ones that are.
    std::size_t found = 0;
    const auto keep = [&](std::size_t k, std::int32_t column, std::int32_t row) {
        cells[found] = row * columns_.size + column;
        which[found] = static_cast<std::int32_t>(k);
        found += OnPane(column, row) ? 1 : 0;
    };
    std::size_t k = 0;
#if defined(__SSE2__)
    const TwoLanes across(columns_.min, columns_.factor, columns_.limit, columns_.certain);
    const TwoLanes up(rows_.min, rows_.factor, rows_.limit, rows_.certain);
    const __m128d width = _mm_set1_pd(columns_.size);
    const __m128d height = _mm_set1_pd(rows_.size);
    const __m128d zero = _mm_setzero_pd();
    for (; k + 2 <= count; k += 2) {
        int unsureColumn;
        int unsureRow;
        const __m128d column = across.Nearest(horizontal + k, unsureColumn);
        // Rows count down from the pane's height; exact in doubles.
        const __m128d row = _mm_sub_pd(height, up.Nearest(vertical + k, unsureRow));
        if ((unsureColumn | unsureRow) != 0) [[unlikely]] {
            keep(k, Column(horizontal[k]), Row(vertical[k]));
            keep(k + 1, Column(horizontal[k + 1]), Row(vertical[k + 1]));
            continue;
        }
        const __m128d inside =
            _mm_and_pd(_mm_and_pd(_mm_cmpge_pd(column, zero), _mm_cmplt_pd(column, width)),
                       _mm_and_pd(_mm_cmpge_pd(row, zero), _mm_cmplt_pd(row, height)));
        const int on = _mm_movemask_pd(inside);
        const __m128i cell = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(row, width), column));
        cells[found] = _mm_cvtsi128_si32(cell);
        which[found] = static_cast<std::int32_t>(k);
        found += static_cast<std::size_t>(on & 1);
        cells[found] = _mm_cvtsi128_si32(_mm_srli_si128(cell, 4));
        which[found] = static_cast<std::int32_t>(k + 1);
        found += static_cast<std::size_t>(on >> 1);
    }
#endif
    for (; k < count; ++k) keep(k, Column(horizontal[k]), Row(vertical[k]));
    return found;
}

PaneMapping::PaneMapping(const ViewWindow& window)
    : columns_(MakeDirection(window, false)), rows_(MakeDirection(window, true)) {}

PaneMapping::Direction PaneMapping::MakeDirection(const ViewWindow& window, bool vertical) {
    Direction d;
    d.window = &window;
    d.vertical = vertical;
    d.min = vertical ? window.YMin : window.XMin;
    const double max = vertical ? window.YMax : window.XMax;
    d.size = vertical ? window.PaneHeight : window.PaneWidth;
    const long double range = static_cast<long double>(max) - d.min;
    if (!(range != 0) || d.size <= 0 || d.size > (1 << 24)) {
        d.size = 0;  // finds nothing: every quotient is 0 and every pixel off
        d.certain = 1;
        return d;
    }
    d.factor = static_cast<double>(d.size / range);
    d.limit = static_cast<double>(d.size) + 1;
    // The double quotient is the true one within four roundings of 2^-53
    // each, the extended one within three of 2^-64: on the pane, where the
    // quotient is at most size + 1, both lie within (size + 2) * 2^-50 of it.
    // Further from a tie than that, both round alike.
    d.certain = 0.5 - (d.size + 2) * 0x1p-48;
    return d;
}

}  // namespace pivora
