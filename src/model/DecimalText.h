#pragma once
// The text forms of numbers: parse, display (15 significant digits) and
// fixed (a field of given width and decimals). All three compute in
// extended precision and are bit-exact to their rules; they keep no state
// besides the program-wide decimal separator.

#include <string>
#include <string_view>

namespace pivora {

// The decimal separator of the parse and display forms, from the regional
// settings; the fixed form always writes ".". Default ".".
void SetDecimalSeparator(char separator);
char DecimalSeparator();

// v * 10^p with the three-row power table, each application rounded to
// extended precision. p <= -5120 gives 0.
long double ScaleTen(long double v, int p);

// The extended value nearest to 10^n, for 0 <= n <= 4999 as built from
// the table (exact up to 10^27); used by the tests and the formats.
long double PowerOfTen(int n);

// Text to number. Blanks (code 32 only) may stand before and after; one sign,
// digits with at most one separator, an optional exponent. Throws the
// conversion error quoting text whole when text is not a number or the value
// overflows the extended range. Returns negative zero for "-0".
long double ParseDecimal(std::string_view text);
// The same with an explicit decimal separator instead of the regional one.
long double ParseDecimal(std::string_view text, char separator);

// A number in a coordinate file: the parse form with the regional separator
// and, where that is not the full stop, with the full stop as well, so that
// files written by other programs (and the fixed form's own) open
// everywhere. Fails like ParseDecimal, quoting text.
long double ParseFileDecimal(std::string_view text);

// Like ParseDecimal, but false instead of the error; value is then untouched.
bool TryParseDecimal(std::string_view text, long double& value);

// Number to text with 15 significant digits; scientific layout below 0.0001
// and from 1E15 on. value must be finite.
std::string FormatDisplay(long double value);

// Number in a right-aligned field of width characters with decimals
// decimals, always with "."; longer results grow the field. Magnitudes
// from about 1E36 on use an exponential layout. value must be finite.
// width above 255 counts as 255, decimals above 216 as 216.
std::string FormatFixed(long double value, int width, int decimals);

// Appends FormatFixed(value, 12, 9) to out: the saved file's number field.
void AppendFixed12x9(std::string& out, double value);

}  // namespace pivora
