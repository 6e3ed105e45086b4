#include "view/ViewWindow.h"

#include <cmath>
#include <limits>

#include "model/Error.h"
#include "model/Extended.h"

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
    return nearbyintl(scaled);
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

}  // namespace pivora
