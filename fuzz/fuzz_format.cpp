// The display and fixed forms on arbitrary finite doubles: never crash; the
// save field equals the general fixed form; and the fixed form at width 12
// with 9 decimals reads back as the value rounded to 9 decimals.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/DecimalText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    double v;
    std::memcpy(&v, data, sizeof v);
    if (!std::isfinite(v)) return 0;
    const int width = size > 8 ? data[8] : 12;
    const int decimals = size > 9 ? data[9] : 9;

    const std::string shown = pivora::FormatDisplay(v);
    if (shown.empty() || shown.size() > 24) std::abort();
    const std::string any = pivora::FormatFixed(v, width, decimals);
    if (any.size() < static_cast<std::size_t>(std::min(width, 255))) std::abort();

    const std::string fixed = pivora::FormatFixed(v, 12, 9);
    std::string field;
    pivora::AppendFixed12x9(field, v);
    if (field != fixed) std::abort();
    // Compared in extended precision: near the largest double the four
    // digits of the exponential layout may round past the double range.
    const long double back = pivora::ParseDecimal(fixed);
    const long double magnitude = std::fabs(v);
    if (magnitude < 1e15) {
        // Rounded to 9 decimals: within half a unit of the 9th decimal, plus
        // the rounding to the 18-digit string (half up from there) and that
        // of the read-back.
        if (fabsl(back - v) > 0.5e-9 + 1e-17 + magnitude * 4e-16) std::abort();
    } else if (magnitude < 1e36) {
        if (fabsl(back - v) > magnitude * 1e-15) std::abort();
    } else if (fabsl(back - v) > magnitude * 1.1e-3) {
        // Four significant digits in the exponential layout; when the digit
        // string has its lead "1" the fourth digit is cut, not rounded.
        std::abort();
    }
    return 0;
}
