// The display and fixed forms on arbitrary finite doubles and extended
// values: never crash; give the reference's text byte for byte (the save
// field and its integer route included); and the fixed form at width 12 with
// 9 decimals reads back as the value rounded to 9 decimals.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "numeric/DecimalText.h"
#include "support/DecimalOracle.h"

namespace {

// The bytes as an extended value, where they encode one that the arithmetic
// can make: finite, and with the integer bit set exactly for the normal ones.
bool ExtendedFrom(const std::uint8_t* data, long double& value) {
    std::uint64_t significand;
    std::memcpy(&significand, data, sizeof significand);
    const int biased = ((data[9] & 0x7f) << 8) | data[8];
    if (biased == 0x7fff || (biased != 0) != ((significand >> 63) != 0)) return false;
    std::memset(&value, 0, sizeof value);
    std::memcpy(&value, data, 10);
    return true;
}

void ExpectReference(long double v, int width, int decimals, char separator) {
    pivora::SetDecimalSeparator(separator);
    if (pivora::FormatDisplay(v) != pivora::test::OracleDisplay(v, separator)) std::abort();
    pivora::SetDecimalSeparator('.');
    if (width <= 255 && decimals <= 216 &&
        pivora::FormatFixed(v, width, decimals) != pivora::test::OracleFixed(v, width, decimals)) {
        std::abort();
    }
    if (pivora::FormatFixed(v, 12, 9) != pivora::test::OracleFixed(v, 12, 9)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= 12) {
        long double extended;
        if (ExtendedFrom(data, extended)) {
            ExpectReference(extended, data[10], data[11], size > 12 && (data[12] & 1) ? ',' : '.');
        }
    }
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

    ExpectReference(v, width, decimals, size > 10 && (data[10] & 1) ? ',' : '.');
    const std::string fixed = pivora::FormatFixed(v, 12, 9);
    std::string field;
    pivora::AppendFixed12x9(field, v);
    if (field != fixed) std::abort();
    char fast[pivora::kFixed12x9MaxLength];
    const std::size_t length = pivora::WriteFixed12x9Fast(fast, v);
    if (length != 0 && std::string(fast, length) != fixed) std::abort();
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
