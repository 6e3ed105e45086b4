#pragma once
// The text forms of numbers: parse, display (15 significant digits) and
// fixed (a field of given width and decimals). All three compute in
// extended precision and are bit-exact to their rules; they keep no state
// besides the program-wide decimal separator.

#include <cstddef>
#include <cstdint>
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

// The extended value nearest to 10^n, for 0 <= n <= 4999, as built from
// the table (exact up to 10^27).
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
// StoreDouble(ParseFileDecimal(text)), bit for bit and failing alike (the
// conversion error, or the overflow error for a value beyond the double
// range), without the extended division for the common coordinate: the
// number of a coordinate file as the table holds it.
double ParseFileDouble(std::string_view text);
// The same for a text followed by at least 16 readable bytes (what they hold
// does not matter), such as the fields of FieldScanner: faster still.
double ParseFileDoublePadded(std::string_view text);

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

// The most characters FormatFixed(value, 12, 9) has for a double: a sign,
// 37 integer digits (just below 1E36), the point and 9 decimals.
inline constexpr std::size_t kFixed12x9MaxLength = 48;

// Writes FormatFixed(value, 12, 9) to out, which has room for
// kFixed12x9MaxLength characters, and returns its length. Bytes of out after
// the field may be overwritten.
std::size_t WriteFixed12x9(char* out, double value);

// The integer route of WriteFixed12x9 on its own, for the tests and the
// benchmarks that measure its reach: the same field, or 0 (out then holds
// nothing of use) where it leaves the value to the extended route: from
// 2^26 on, and within a hair of a rounding tie at the 9th decimal. out has
// room for kFixed12x9MaxLength characters; bytes after the field may be
// overwritten.
std::size_t WriteFixed12x9Fast(char* out, double value);

}  // namespace pivora
