#include "numeric/DecimalText.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/Error.h"
#include "numeric/Extended.h"
#include "numeric/FixedField.h"
#include "numeric/PlainDecimalSse.h"

namespace pivora {
namespace {

char g_separator = '.';

// Powers of ten as the extended values nearest to the exact powers (ties to
// even): R1 holds 10^0..10^31, R2 10^(32 j) for j = 1..15 (R2[0] unused),
// R3 10^(512 k) for k = 1..9 (R3[0] unused). Written as exact hexadecimal
// constants, so the table is in place before any code runs and a conversion
// reads it without a guard; the tests hold every entry to a correctly
// rounded conversion of "1e<n>".
constexpr long double kR1[32] = {0x8p-3L,
                                 0xap+0L,
                                 0xc.8p+3L,
                                 0xf.ap+6L,
                                 0x9.c4p+10L,
                                 0xc.35p+13L,
                                 0xf.424p+16L,
                                 0x9.8968p+20L,
                                 0xb.ebc2p+23L,
                                 0xe.e6b28p+26L,
                                 0x9.502f9p+30L,
                                 0xb.a43b74p+33L,
                                 0xe.8d4a51p+36L,
                                 0x9.184e72ap+40L,
                                 0xb.5e620f48p+43L,
                                 0xe.35fa931ap+46L,
                                 0x8.e1bc9bf04p+50L,
                                 0xb.1a2bc2ec5p+53L,
                                 0xd.e0b6b3a764p+56L,
                                 0x8.ac7230489e8p+60L,
                                 0xa.d78ebc5ac62p+63L,
                                 0xd.8d726b7177a8p+66L,
                                 0x8.78678326eac9p+70L,
                                 0xa.968163f0a57b4p+73L,
                                 0xd.3c21bcecceda1p+76L,
                                 0x8.4595161401484ap+80L,
                                 0xa.56fa5b99019a5c8p+83L,
                                 0xc.ecb8f27f4200f3ap+86L,
                                 0x8.13f3978f8940984p+90L,
                                 0xa.18f07d736b90be5p+93L,
                                 0xc.9f2c9cd04674edfp+96L,
                                 0xf.c6f7c4045812296p+99L};
constexpr long double kR2[16] = {1.0L,
                                 0x9.dc5ada82b70b59ep+103L,
                                 0xc.2781f49ffcfa6d5p+209L,
                                 0xe.fb3ab16c59b14a3p+315L,
                                 0x9.3ba47c980e98cep+422L,
                                 0xb.616a12b7fe617aap+528L,
                                 0xe.070f78d3927556bp+634L,
                                 0x8.a5296ffe33cc93p+741L,
                                 0xa.a7eebfb9df9de8ep+847L,
                                 0xd.226fc195c6a2f8cp+953L,
                                 0x8.1842f29f2cce376p+1060L,
                                 0x9.fa42700db900ad2p+1166L,
                                 0xc.4c5e310aef8aa17p+1272L,
                                 0xf.28a9c07e9b09c59p+1378L,
                                 0x9.57a4ae1ebf7f3d4p+1485L,
                                 0xb.83ed8dc0795a262p+1591L};
constexpr long double kR3[10] = {1.0L,
                                 0xe.319a0aea60e91c7p+1697L,
                                 0xc.976758681750c17p+3398L,
                                 0xb.2b8353b3993a7e4p+5099L,
                                 0x9.e8b3b5dc53d5de5p+6800L,
                                 0x8.ca554c020a1f0a6p+8501L,
                                 0xf.9895d25d88b5a8bp+10201L,
                                 0xd.d5dc8a2bf27f3f8p+11902L,
                                 0xc.46052028a20979bp+13603L,
                                 0xa.e3511626ed559fp+15304L};

[[gnu::always_inline]] inline long double Scale(long double v, int p) {
    if (p == 0) return v;
    if (p <= -5120) return 0.0L;
    const unsigned q = static_cast<unsigned>(p < 0 ? -p : p);
    if (q >= 5120) return v * 1e4000L * 1e4000L;  // beyond the table: overflows
    const long double a = kR1[q % 32];
    const unsigned j = (q / 32) % 16;
    const unsigned k = q / 512;
    if (p > 0) {
        v = v * a;
        if (j != 0) v = v * kR2[j];
        if (k != 0) v = v * kR3[k];
    } else {
        v = v / a;
        if (j != 0) v = v / kR2[j];
        if (k != 0) v = v / kR3[k];
    }
    return v;
}

// floor(a / 65536) for a of either sign.
int FloorDiv65536(int a) {
    return a >= 0 ? a / 65536 : -((-a + 65535) / 65536);
}

// floor(e2 * log10(2)) as the formats estimate it.
int DecimalExponentEstimate(int e2) {
    return FloorDiv65536(e2 * 19728);
}

// The binary exponent of a finite non-zero value: read from the bits for
// normal numbers, which is all but subnormal extended values.
int BinaryExponent(long double v) {
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &v, sizeof bytes);
    const int biased = ((bytes[9] & 0x7f) << 8) | bytes[8];
    if (biased == 0) return ilogbl(v);
    return biased - 16383;
}

// An integral-range value to the nearest integer, ties to even.
std::uint64_t RoundToInteger(long double v) {
    return static_cast<std::uint64_t>(RoundToEven(v));
}

// Writes v < 10^count as exactly count digits, count <= 9, two at a time.
void FewDigits(std::uint32_t v, int count, char* out) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    int pos = count;
    while (pos >= 2) {
        const std::uint32_t pair = v % 100;
        v /= 100;
        pos -= 2;
        out[pos] = kPairs[2 * pair];
        out[pos + 1] = kPairs[2 * pair + 1];
    }
    if (pos == 1) out[0] = static_cast<char>('0' + v);
}

void NineDigits(std::uint32_t v, char* out) {
    FewDigits(v, 9, out);
}

// Writes v < 10^count as exactly count digits, count <= 18.
void Digits(std::uint64_t v, int count, char* out) {
    if (count > 9) {
        NineDigits(static_cast<std::uint32_t>(v % 1000000000), out + count - 9);
        v /= 1000000000;
        count -= 9;
    }
    FewDigits(static_cast<std::uint32_t>(v), count, out);
}

// The checked arithmetic never hands the formats an infinity or a NaN; should
// one come, it is shown for what it is instead of as digits of garbage.
const char* NonFiniteText(long double value) {
    return std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A number text after the parse steps 1 to 7: its sign, N, and the power of
// ten p that scales it.
struct DecimalDigits {
    bool negative = false;
    bool wide = false;        // N passed 2^64: it is in big, rounded at each step
    std::uint64_t exact = 0;  // N while it is not wide
    long double big = 0.0L;
    long long p = 0;  // exponent minus fraction digits, at least -5120
};

// The parse steps 1 to 7; false when the text is not a number.
[[gnu::always_inline]] inline bool ReadDecimal(std::string_view s, char separator,
                                               DecimalDigits& d) {
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n && s[i] == ' ') ++i;
    // Without a branch: half the coordinates of a file are negative, and a
    // guess that fails half the time costs more than the test.
    const char first = i < n ? s[i] : '\0';
    d.negative = first == '-';
    i += (first == '+') | (first == '-');
    const std::size_t mark = i;

    // N := N * 10 + digit with every step rounded to extended. While N stays
    // below 2^64 every step is exact, so a 64-bit integer gives the same bits;
    // any 19 digits fit, so the first 19 need no check at all.
    std::uint64_t& exact = d.exact;
    bool& wide = d.wide;
    long double& big = d.big;
    int taken = 0;
    auto addDigit = [&](unsigned digit) {
        if (taken < 19) {
            exact = exact * 10 + digit;
            ++taken;
            return;
        }
        if (!wide) {
            if (exact <= (UINT64_MAX - 9) / 10) {
                exact = exact * 10 + digit;
                return;
            }
            wide = true;
            big = static_cast<long double>(exact);
        }
        big = big * 10.0L;
        big = big + static_cast<long double>(digit);
    };
    // Reads a run of digits; returns how many.
    auto digits = [&]() -> long long {
        const std::size_t start = i;
        while (i < n) {
            const unsigned digit = static_cast<unsigned char>(s[i]) - static_cast<unsigned>('0');
            if (digit > 9) break;
            addDigit(digit);
            ++i;
        }
        return static_cast<long long>(i - start);
    };

    digits();
    long long fraction = 0;
    if (i < n && s[i] == separator) {
        ++i;
        fraction = digits();
    }
    if (i == mark) return false;

    long long exponent = 0;
    if (i < n && (s[i] == 'E' || s[i] == 'e')) {
        ++i;
        bool expNegative = false;
        if (i < n && (s[i] == '+' || s[i] == '-')) {
            expNegative = s[i] == '-';
            ++i;
        }
        while (i < n && IsDigit(s[i]) && exponent < 500) exponent = exponent * 10 + (s[i++] - '0');
        if (expNegative) exponent = -exponent;
    }
    while (i < n && s[i] == ' ') ++i;
    if (i < n) return false;

    d.p = std::max(exponent - fraction, -5120LL);
    return true;
}

// The parse steps 8 and 9: false when the value overflowed.
[[gnu::always_inline]] inline bool ScaleDecimal(const DecimalDigits& d, long double& result) {
    const long long p = d.p;
    long double value;
    if (!d.wide && p <= 0 && p > -32) {
        // The common case, a coordinate with its decimals: N is below 2^64
        // and exact, and the scaling is one division by an entry of the
        // first row (by 1, exactly, for p = 0), which cannot overflow.
        value = static_cast<long double>(d.exact) / kR1[-p];
    } else {
        const long double mantissa = d.wide ? d.big : static_cast<long double>(d.exact);
        if (std::isinf(mantissa)) return false;  // the digits alone overflowed
        value = Scale(mantissa, static_cast<int>(p));
        if (std::isinf(value)) return false;
    }
    // Times -1 is the negation, -0 included, without a branch.
    static constexpr long double kSigns[2] = {1.0L, -1.0L};
    result = value * kSigns[d.negative];
    return true;
}

// The parse form: false when the text is not a number or overflowed.
[[gnu::always_inline]] inline bool ParseCore(std::string_view s, char separator,
                                             long double& result) {
    DecimalDigits d;
    return ReadDecimal(s, separator, d) && ScaleDecimal(d, result);
}

// Digit buffer of the fixed form: buffer[0] the lead digit, buffer[1..18]
// the 18 digits of round(y * 10^17), then n - 18 zeros or the rounding at
// position n. Returns the buffer length.
[[gnu::always_inline]] inline int FixedDigits(long double y, int n, char* buffer) {
    const long double scaled = y * 1e17L;
    std::uint64_t t = RoundToInteger(scaled);
    buffer[0] = '0';
    if (t >= 1000000000000000000ULL) {
        t -= 1000000000000000000ULL;
        buffer[0] = '1';
    }
    if (n < 18) {
        // Only buffer[1..n+1] are read: the kept digits and the one that
        // rounds them.
        Digits(t / plain_detail::kTens[17 - n], n + 1, buffer + 1);
    } else {
        Digits(t, 18, buffer + 1);
    }
    if (n >= 18) {
        std::fill(buffer + 19, buffer + 19 + (n - 18), '0');
        return n + 1;
    }
    if (buffer[n + 1] >= '5') {
        int pos = n;
        while (pos >= 0) {
            if (buffer[pos] == '9') {
                buffer[pos] = '0';
                --pos;
            } else {
                ++buffer[pos];
                break;
            }
        }
    }
    return 19;
}

// The exponential layout (k > 35) into out; returns its length.
std::size_t WriteExponential(char* out, bool negative, long double y, int k, int width) {
    const int m = std::clamp(width - 8, 2, 18);
    char buffer[40];
    FixedDigits(y, m, buffer);
    const char* digits = buffer[0] == '0' ? buffer + 1 : buffer;
    const int exponent = buffer[0] == '0' ? k : k + 1;
    const int length = m + 8;
    char* p = out;
    if (length < width) {
        std::memset(p, ' ', static_cast<std::size_t>(width - length));
        p += width - length;
    }
    *p++ = negative ? '-' : ' ';
    *p++ = digits[0];
    *p++ = '.';
    std::memcpy(p, digits + 1, static_cast<std::size_t>(m - 1));
    p += m - 1;
    *p++ = 'E';
    *p++ = exponent < 0 ? '-' : '+';
    FewDigits(static_cast<std::uint32_t>(std::abs(exponent)), 4, p);
    p += 4;
    return static_cast<std::size_t>(p - out);
}

// The fixed form of y = |value| >= 0, finite, whose binary exponent is e2
// (the caller reads it from the bits of its own type), into out (room for
// 255 characters); returns the length. Inlined into its callers so that y
// stays in a register: an 80-bit store is slow.
[[gnu::always_inline]] inline std::size_t WriteFixedMagnitude(char* out, bool negative,
                                                              long double y, int e2, int width,
                                                              int decimals) {
    width = std::min(width, 255);
    decimals = std::clamp(decimals, 0, 216);
    int k = 0;
    if (!(y < 10.0L)) {
        // The step floor(e2 * 19728 / 65536) is 0 exactly for binary
        // exponents 0 to 3, that is for 1 <= y < 16.
        bool first = true;
        while (y >= 16.0L || y < 1.0L) {
            const int step = DecimalExponentEstimate(first ? e2 : BinaryExponent(y));
            first = false;
            y = Scale(y, -step);
            k += step;
        }
    }
    if (k > 35) return WriteExponential(out, negative, y, k, width);
    const int n = k + 1 + decimals;
    char digits[256];
    FixedDigits(y, n, digits);
    const char* integer = digits[0] == '0' ? digits + 1 : digits;
    const int integerDigits = digits[0] == '0' ? k + 1 : k + 2;
    const int length = (negative ? 1 : 0) + integerDigits + (decimals > 0 ? decimals + 1 : 0);
    const int pad = length < width ? width - length : 0;

    char* p = out;
    std::memset(p, ' ', static_cast<std::size_t>(pad));
    p += pad;
    if (negative) *p++ = '-';
    std::memcpy(p, integer, static_cast<std::size_t>(integerDigits));
    p += integerDigits;
    if (decimals > 0) {
        *p++ = '.';
        std::memcpy(p, digits + k + 2, static_cast<std::size_t>(decimals));
        p += decimals;
    }
    return static_cast<std::size_t>(p - out);
}

// The sign, the significand with its top bit set (0 for zero and subnormal
// values, which the fast route shows as zero) and the binary exponent of an
// extended value.
struct ExtendedParts {
    bool negative;
    std::uint64_t significand;
    int e2;
};

ExtendedParts PartsOf(long double value) {
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &value, sizeof bytes);
    std::uint64_t significand;
    std::memcpy(&significand, bytes, sizeof significand);
    const int top = (bytes[9] << 8) | bytes[8];
    const int biased = top & 0x7fff;
    if (biased == 0) return {top >= 0x8000, 0, -16383};
    // An unnormal (integer bit clear) is no value of the arithmetic; the
    // extended route shows it as it can.
    if ((significand >> 63) == 0) return {top >= 0x8000, 0, fixed_detail::kFastHighExponent + 1};
    return {top >= 0x8000, significand, biased - 16383};
}

}  // namespace

void SetDecimalSeparator(char separator) {
    g_separator = separator;
}
char DecimalSeparator() {
    return g_separator;
}

long double ScaleTen(long double v, int p) {
    return Scale(v, p);
}

long double PowerOfTen(int n) {
    return ScaleTen(1.0L, n);
}

bool TryParseDecimal(std::string_view text, long double& value) {
    long double parsed = 0.0L;
    if (!ParseCore(text, g_separator, parsed)) return false;
    value = parsed;
    return true;
}

long double ParseDecimal(std::string_view text) {
    return ParseDecimal(text, g_separator);
}

long double ParseDecimal(std::string_view text, char separator) {
    long double value = 0.0L;
    if (!ParseCore(text, separator, value)) throw ConversionError(text);
    return value;
}

long double ParseFileDecimal(std::string_view text) {
    long double value = 0.0L;
    if (ParseCore(text, g_separator, value)) return value;
    // Files travel between machines: whatever the regional separator, the
    // full stop that programs write is a separator too.
    if (g_separator != '.' && ParseCore(text, '.', value)) return value;
    throw ConversionError(text);
}

namespace {

// The parse form with separator stored into a double, the quick route
// taken where it can tell; false when the text is not a number or
// overflowed the extended range.
bool ParseDouble(std::string_view text, char separator, double& out) {
    DecimalDigits d;
    if (!ReadDecimal(text, separator, d)) return false;
    if (!d.wide && d.p <= 0 && d.p >= -19 &&
        QuickPlainDouble(d.exact, static_cast<int>(-d.p), d.negative, out)) {
        return true;
    }
    long double value;
    if (!ScaleDecimal(d, value)) return false;
    out = StoreDouble(value);
    return true;
}

}  // namespace

double StorePlainDecimalExtended(const PlainDecimal& plain) {
    DecimalDigits d;
    d.negative = plain.negative;
    d.exact = plain.digits;
    d.p = -plain.fraction;
    // N below 10^19 and f at most 19: the division cannot fail.
    long double value = 0.0L;
    ScaleDecimal(d, value);
    return StoreDouble(value);
}

namespace {

// StoreDouble(ParseFileDecimal(text)), step for step.
double ParseFileDoubleWith(std::string_view text) {
    double value;
    if (ParseDouble(text, g_separator, value)) return value;
    if (g_separator != '.' && ParseDouble(text, '.', value)) return value;
    throw ConversionError(text);
}

}  // namespace

double ParseFileDouble(std::string_view text) {
    return ParseFileDoubleWith(text);
}

double ParseFileDoublePadded(std::string_view text) {
    PlainDecimal plain;
    if (ReadPlainDecimal(text, g_separator, plain)) return StorePlainDecimal(plain);
    return ParseFileDoubleWith(text);
}

std::string FormatDisplay(long double value) {
    if (value == 0.0L) return "0";
    if (!std::isfinite(value)) return NonFiniteText(value);
    const long double a = fabsl(value);
    int e = DecimalExponentEstimate(BinaryExponent(a)) + 1;
    std::uint64_t s18 = RoundToInteger(Scale(a, 18 - e));
    if (s18 < 100000000000000000ULL) {
        --e;
        s18 = RoundToInteger(Scale(a, 18 - e));
    }
    if (s18 >= 1000000000000000000ULL) {
        s18 = RoundToInteger(static_cast<long double>(s18) / 10.0L);
        ++e;
    }
    // 15 digits rounded half up from the 18-digit string.
    std::uint64_t d15 = s18 / 1000;
    if ((s18 / 100) % 10 >= 5) ++d15;
    if (d15 >= 1000000000000000ULL) {
        d15 /= 10;
        ++e;
    }
    char digits[15];
    Digits(d15, 15, digits);
    int count = 15;
    while (count > 0 && digits[count - 1] == '0') --count;
    if (count == 0) return "0";

    std::string out;
    out.reserve(24);
    if (std::signbit(value)) out += '-';
    if (e > 15 || e < -3) {
        out += digits[0];
        if (count > 1) {
            out += g_separator;
            out.append(digits + 1, static_cast<std::size_t>(count - 1));
        }
        out += 'E';
        out += std::to_string(e - 1);
    } else if (e <= 0) {
        out += '0';
        out += g_separator;
        out.append(static_cast<std::size_t>(-e), '0');
        out.append(digits, static_cast<std::size_t>(count));
    } else if (count <= e) {
        out.append(digits, static_cast<std::size_t>(count));
        out.append(static_cast<std::size_t>(e - count), '0');
    } else {
        out.append(digits, static_cast<std::size_t>(e));
        out += g_separator;
        out.append(digits + e, static_cast<std::size_t>(count - e));
    }
    return out;
}

std::string FormatFixed(long double value, int width, int decimals) {
    if (!std::isfinite(value)) return NonFiniteText(value);
    char text[256];
    if (width == 12 && decimals == 9) {
        const ExtendedParts parts = PartsOf(value);
        const std::size_t length = fixed_detail::WriteFixed12x9Integer(text, parts.negative ? 1 : 0,
                                                                       parts.significand, parts.e2);
        if (length != 0) return std::string(text, length);
    }
    const long double y = fabsl(value);
    return std::string(
        text, WriteFixedMagnitude(text, std::signbit(value), y, y == 0.0L ? 0 : BinaryExponent(y),
                                  width, decimals));
}

void AppendFixed12x9(std::string& out, double value) {
    char field[kFixed12x9MaxLength];
    out.append(field, WriteFixed12x9(field, value));
}

std::size_t WriteFixed12x9Fast(char* out, double value) {
    return WriteFixed12x9Integer(out, value);
}

std::size_t WriteFixed12x9(char* out, double value) {
    const std::size_t length = WriteFixed12x9Fast(out, value);
    if (length != 0) [[likely]]
        return length;
    if (!std::isfinite(value)) {
        const char* text = NonFiniteText(value);
        const std::size_t size = std::strlen(text);
        std::memcpy(out, text, size);
        return size;
    }
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    const int e2 = biased != 0 ? biased - 1023 : (value == 0.0 ? 0 : std::ilogb(value));
    return WriteFixedMagnitude(out, std::signbit(value), std::fabs(static_cast<long double>(value)),
                               e2, 12, 9);
}

}  // namespace pivora
