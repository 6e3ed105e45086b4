#pragma once
// A slow, literal reference for the three number texts: the parse, display
// and fixed forms done step by step on digit strings and extended values,
// with nothing taken from the model's own code. The tests and the fuzz
// targets hold the model's fast routes against it bit for bit.

#include <string>
#include <string_view>

namespace pivora::test {

// v * 10^p through the three rows of powers (10^0..10^31, 10^(32 j),
// 10^(512 k)), one rounded multiplication or division per row used.
// p <= -5120 gives 0; p >= 5120 is outside the table and throws
// std::out_of_range.
long double OracleScale(long double v, int p);

// The parse form with the given decimal separator: true and the value, or
// false (value untouched) where the text is not a number or overflowed the
// extended range on the way.
bool OracleParse(std::string_view text, char separator, long double& value);

// The display form (15 significant digits) with the given separator. value
// must be finite.
std::string OracleDisplay(long double value, char separator);

// The fixed form: width characters at least, decimals decimals, always ".".
// value must be finite; width and decimals must not be negative.
std::string OracleFixed(long double value, int width, int decimals);

}  // namespace pivora::test
