#include "model/DecimalText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
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

// floor(a / 65536) for a of either sign.
int FloorDiv65536(int a) { return a >= 0 ? a / 65536 : -((-a + 65535) / 65536); }

// floor(e2 * log10(2)) as the formats estimate it.
int DecimalExponentEstimate(int e2) { return FloorDiv65536(e2 * 19728); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The parse steps; false when the text is not a number or overflowed.
bool ParseCore(std::string_view s, long double& result) {
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
    // below 2^64 every step is exact, so a 64-bit integer gives the same bits.
    std::uint64_t exact = 0;
    bool wide = false;
    long double big = 0.0L;
    auto addDigit = [&](int digit) {
        if (!wide) {
            if (exact <= (UINT64_MAX - 9) / 10) {
                exact = exact * 10 + static_cast<std::uint64_t>(digit);
                return;
            }
            wide = true;
            big = static_cast<long double>(exact);
        }
        big = big * 10.0L;
        big = big + static_cast<long double>(digit);
    };

    while (i < n && IsDigit(s[i])) addDigit(s[i++] - '0');
    long long fraction = 0;
    if (i < n && s[i] == g_separator) {
        ++i;
        while (i < n && IsDigit(s[i])) {
            addDigit(s[i++] - '0');
            ++fraction;
        }
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
int FixedDigits(long double y, int n, char* buffer) {
    const long double scaled = y * 1e17L;
    std::uint64_t t = static_cast<std::uint64_t>(nearbyintl(scaled));
    buffer[0] = '0';
    if (t >= 1000000000000000000ULL) {
        t -= 1000000000000000000ULL;
        buffer[0] = '1';
    }
    for (int pos = 18; pos >= 1; --pos) {
        buffer[pos] = static_cast<char>('0' + t % 10);
        t /= 10;
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

void AppendFixed(std::string& out, long double value, int width, int decimals) {
    width = std::min(width, 255);
    decimals = std::clamp(decimals, 0, 216);
    if (!std::isfinite(value)) {
        out += std::isnan(value) ? "NAN" : (std::signbit(value) ? "-INF" : "INF");
        return;
    }
    const bool negative = std::signbit(value);
    long double y = fabsl(value);
    int k = 0;
    if (!(y < 10.0L)) {
        for (;;) {
            const int step = DecimalExponentEstimate(ilogbl(y));
            if (step == 0) break;
            y = ScaleTen(y, -step);
            k += step;
        }
    }
    if (k > 35) {
        AppendExponential(out, negative, y, k, width);
        return;
    }
    const int n = k + 1 + decimals;
    char stack[512];
    FixedDigits(y, n, stack);
    const char* integer = stack[0] == '0' ? stack + 1 : stack;
    const int integerDigits = stack[0] == '0' ? k + 1 : k + 2;
    const int length = (negative ? 1 : 0) + integerDigits + (decimals > 0 ? decimals + 1 : 0);
    if (length < width) out.append(static_cast<std::size_t>(width - length), ' ');
    if (negative) out += '-';
    out.append(integer, static_cast<std::size_t>(integerDigits));
    if (decimals > 0) {
        out += '.';
        out.append(stack + k + 2, static_cast<std::size_t>(decimals));
    }
}

}  // namespace

void SetDecimalSeparator(char separator) { g_separator = separator; }
char DecimalSeparator() { return g_separator; }

long double ScaleTen(long double v, int p) {
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

long double PowerOfTen(int n) { return ScaleTen(1.0L, n); }

bool TryParseDecimal(std::string_view text, long double& value) {
    long double parsed = 0.0L;
    if (!ParseCore(text, parsed)) return false;
    value = parsed;
    return true;
}

long double ParseDecimal(std::string_view text) {
    long double value = 0.0L;
    if (!ParseCore(text, value)) throw ConversionError(text);
    return value;
}

std::string FormatDisplay(long double value) {
    if (value == 0.0L) return "0";
    if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
    const long double a = fabsl(value);
    int e = DecimalExponentEstimate(ilogbl(a)) + 1;
    long double s = nearbyintl(ScaleTen(a, 18 - e));
    if (s < 1e17L) {
        --e;
        s = nearbyintl(ScaleTen(a, 18 - e));
    }
    if (s >= 1e18L) {
        s = nearbyintl(s / 10.0L);
        ++e;
    }
    // 15 digits rounded half up from the 18-digit string.
    const std::uint64_t s18 = static_cast<std::uint64_t>(s);
    std::uint64_t d15 = s18 / 1000;
    if ((s18 / 100) % 10 >= 5) ++d15;
    if (d15 >= 1000000000000000ULL) {
        d15 /= 10;
        ++e;
    }
    char digits[16];
    for (int pos = 14; pos >= 0; --pos) {
        digits[pos] = static_cast<char>('0' + d15 % 10);
        d15 /= 10;
    }
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
    std::string out;
    AppendFixed(out, value, width, decimals);
    return out;
}

void AppendFixed12x9(std::string& out, long double value) { AppendFixed(out, value, 12, 9); }

}  // namespace pivora
