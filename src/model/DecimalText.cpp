#include "model/DecimalText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/Error.h"
#include "model/Extended.h"

namespace pivora {
namespace {

char g_separator = '.';

// Powers of ten as the extended values nearest to the exact powers: R1 holds
// 10^0..10^31, R2 10^(32 j) for j = 1..15, R3 10^(512 k) for k = 1..9.
// glibc's strtold rounds correctly (to nearest, ties to even) and the texts
// carry no decimal point, so the locale cannot change them.
struct PowerTable {
    long double r1[32];
    long double r2[16];
    long double r3[10];
};

long double ExactPower(int n) {
    const std::string text = "1e" + std::to_string(n);
    return std::strtold(text.c_str(), nullptr);
}

PowerTable BuildPowers() {
    PowerTable t{};
    for (int i = 0; i < 32; ++i) t.r1[i] = ExactPower(i);
    t.r2[0] = 1.0L;
    for (int j = 1; j < 16; ++j) t.r2[j] = ExactPower(32 * j);
    t.r3[0] = 1.0L;
    for (int k = 1; k < 10; ++k) t.r3[k] = ExactPower(512 * k);
    return t;
}

const PowerTable& Powers() {
    static const PowerTable table = BuildPowers();
    return table;
}

[[gnu::always_inline]] inline long double Scale(long double v, int p) {
    if (p == 0) return v;
    if (p <= -5120) return 0.0L;
    const PowerTable& t = Powers();
    const unsigned q = static_cast<unsigned>(p < 0 ? -p : p);
    if (q >= 5120) return v * 1e4000L * 1e4000L;  // beyond the table: overflows
    const long double a = t.r1[q % 32];
    const unsigned j = (q / 32) % 16;
    const unsigned k = q / 512;
    if (p > 0) {
        v = v * a;
        if (j != 0) v = v * t.r2[j];
        if (k != 0) v = v * t.r3[k];
    } else {
        v = v / a;
        if (j != 0) v = v / t.r2[j];
        if (k != 0) v = v / t.r3[k];
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

// Rounds an integral-range value to the nearest integer, ties to even, in
// the default rounding mode (llrintl is one x87 store; nearbyintl would save
// and restore the whole environment on every call).
std::uint64_t RoundToInteger(long double v) {
    long long rounded;
    asm("fistpll %0" : "=m"(rounded) : "t"(v) : "st");
    return static_cast<std::uint64_t>(rounded);
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

// The parse steps; false when the text is not a number or overflowed.
[[gnu::always_inline]] inline bool ParseCore(std::string_view s, char separator,
                                             long double& result) {
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n && s[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    const std::size_t mark = i;

    // N := N * 10 + digit with every step rounded to extended. While N stays
    // below 2^64 every step is exact, so a 64-bit integer gives the same bits;
    // any 19 digits fit, so the first 19 need no check at all.
    std::uint64_t exact = 0;
    int taken = 0;
    bool wide = false;
    long double big = 0.0L;
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

    long double mantissa = wide ? big : static_cast<long double>(exact);
    if (std::isinf(mantissa)) return false;  // the digits alone overflowed
    const long long p = std::max(exponent - fraction, -5120LL);
    long double value = ScaleTen(mantissa, static_cast<int>(p));
    if (std::isinf(value)) return false;
    result = negative ? -value : value;
    return true;
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
        static constexpr std::uint64_t kTens[] = {1ULL,
                                                  10ULL,
                                                  100ULL,
                                                  1000ULL,
                                                  10000ULL,
                                                  100000ULL,
                                                  1000000ULL,
                                                  10000000ULL,
                                                  100000000ULL,
                                                  1000000000ULL,
                                                  10000000000ULL,
                                                  100000000000ULL,
                                                  1000000000000ULL,
                                                  10000000000000ULL,
                                                  100000000000000ULL,
                                                  1000000000000000ULL,
                                                  10000000000000000ULL,
                                                  100000000000000000ULL};
        Digits(t / kTens[17 - n], n + 1, buffer + 1);
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

void AppendExponential(std::string& out, bool negative, long double y, int k, int width) {
    const int m = std::clamp(width - 8, 2, 18);
    char buffer[40];
    FixedDigits(y, m, buffer);
    const char* digits = buffer[0] == '0' ? buffer + 1 : buffer;
    const int exponent = buffer[0] == '0' ? k : k + 1;
    const int length = m + 8;
    if (length < width) out.append(static_cast<std::size_t>(width - length), ' ');
    out += negative ? '-' : ' ';
    out += digits[0];
    out += '.';
    out.append(digits + 1, static_cast<std::size_t>(m - 1));
    out += 'E';
    out += exponent < 0 ? '-' : '+';
    const int magnitude = std::abs(exponent);
    char exp[4] = {static_cast<char>('0' + magnitude / 1000 % 10),
                   static_cast<char>('0' + magnitude / 100 % 10),
                   static_cast<char>('0' + magnitude / 10 % 10),
                   static_cast<char>('0' + magnitude % 10)};
    out.append(exp, 4);
}

// The fixed form of y = |value| >= 0, finite, whose binary exponent is e2
// (the caller reads it from the bits of its own type). Inlined into both
// entry points so that y stays in a register: an 80-bit store is slow.
[[gnu::always_inline]] inline void AppendFixedMagnitude(std::string& out, bool negative,
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
    if (k > 35) {
        AppendExponential(out, negative, y, k, width);
        return;
    }
    const int n = k + 1 + decimals;
    char digits[256];
    FixedDigits(y, n, digits);
    const char* integer = digits[0] == '0' ? digits + 1 : digits;
    const int integerDigits = digits[0] == '0' ? k + 1 : k + 2;
    const int length = (negative ? 1 : 0) + integerDigits + (decimals > 0 ? decimals + 1 : 0);
    const int pad = length < width ? width - length : 0;

    // Laid out in one buffer and appended once: the save writes three of
    // these a line.
    char text[512];
    char* p = text;
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
    out.append(text, static_cast<std::size_t>(p - text));
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
    std::string out;
    const long double y = fabsl(value);
    AppendFixedMagnitude(out, std::signbit(value), y, y == 0.0L ? 0 : BinaryExponent(y), width,
                         decimals);
    return out;
}

void AppendFixed12x9(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += NonFiniteText(value);
        return;
    }
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    const int e2 = biased != 0 ? biased - 1023 : (value == 0.0 ? 0 : std::ilogb(value));
    AppendFixedMagnitude(out, std::signbit(value), std::fabs(static_cast<long double>(value)), e2,
                         12, 9);
}

}  // namespace pivora
