#include "support/DecimalOracle.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace pivora::test {
namespace {

static_assert(std::numeric_limits<long double>::digits == 64,
              "the reference needs the x87 80-bit long double");

// Every long double operation below is one operation rounded to the 64-bit
// significand, to nearest with ties to even: that is what x87 arithmetic does
// with the precision control Linux starts a process with.

// The extended value nearest to 10^n: glibc's strtold rounds correctly.
long double NearestPowerOfTen(int n) {
    std::string text = "1e";
    text += std::to_string(n);
    return std::strtold(text.c_str(), nullptr);
}

struct PowerRows {
    std::vector<long double> r1;  // r1[i] = 10^i, i = 0..31
    std::vector<long double> r2;  // r2[j] = 10^(32 j), j = 1..15; r2[0] unused
    std::vector<long double> r3;  // r3[k] = 10^(512 k), k = 1..9; r3[0] unused
};

const PowerRows& Rows() {
    static const PowerRows rows = [] {
        PowerRows r;
        for (int i = 0; i <= 31; ++i) r.r1.push_back(NearestPowerOfTen(i));
        r.r2.push_back(1.0L);
        for (int j = 1; j <= 15; ++j) r.r2.push_back(NearestPowerOfTen(32 * j));
        r.r3.push_back(1.0L);
        for (int k = 1; k <= 9; ++k) r.r3.push_back(NearestPowerOfTen(512 * k));
        return r;
    }();
    return rows;
}

bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}

// The integer b with 2^b <= a < 2^(b+1), for finite a > 0 (subnormals too).
int BinaryExponentOf(long double a) {
    int exponent = 0;
    std::frexp(a, &exponent);  // a = m * 2^exponent, 0.5 <= m < 1
    return exponent - 1;
}

// floor(e2 * 19728 / 65536), the formats' guess of the decimal exponent.
// Every operand and the quotient are exact in a double.
int DecimalGuess(int e2) {
    return static_cast<int>(std::floor(static_cast<double>(e2) * 19728.0 / 65536.0));
}

// An integer-valued extended value below 10^19 as exactly `count` digits.
std::string DigitsOf(long double integer, int count) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*llu", count, static_cast<unsigned long long>(integer));
    return text;
}

// The fixed form's digit buffer for y in [0, 16): buffer[0] the lead digit,
// buffer[1..18] the 18 digits of t = round(y * 10^17), then either n - 18
// zeros or the half-up rounding at position n.
std::string FixedDigitBuffer(long double y, int n) {
    const long double product = y * 1e17L;  // 10^17 is exact in extended
    long double t = std::nearbyint(product);
    char lead = '0';
    if (t >= 1e18L) {
        t -= 1e18L;
        lead = '1';
    }
    std::string buffer(1, lead);
    buffer += DigitsOf(t, 18);
    if (n >= 18) {
        buffer.append(static_cast<std::size_t>(n - 18), '0');
        return buffer;
    }
    if (buffer[static_cast<std::size_t>(n) + 1] >= '5') {
        int pos = n;
        while (buffer[static_cast<std::size_t>(pos)] == '9') {
            buffer[static_cast<std::size_t>(pos)] = '0';
            --pos;
            if (pos < 0) throw std::logic_error("carry out of the lead digit");
        }
        ++buffer[static_cast<std::size_t>(pos)];
    }
    return buffer;
}

std::string PadLeft(std::string text, int width) {
    if (static_cast<int>(text.size()) < width) {
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    }
    return text;
}

std::string FixedExponential(bool negative, long double y, int k, int width) {
    const int m = std::clamp(width - 8, 2, 18);
    const std::string buffer = FixedDigitBuffer(y, m);
    std::string digits;
    int exponent = 0;
    if (buffer[0] == '0') {
        digits = buffer.substr(1, static_cast<std::size_t>(m));
        exponent = k;
    } else {
        digits = buffer.substr(0, static_cast<std::size_t>(m));
        exponent = k + 1;
    }
    std::string text = negative ? "-" : " ";
    text += digits[0];
    text += '.';
    text += digits.substr(1);
    text += 'E';
    text += exponent < 0 ? '-' : '+';
    char magnitude[16];
    std::snprintf(magnitude, sizeof magnitude, "%04d", std::abs(exponent));
    text += magnitude;
    return PadLeft(text, width);
}

}  // namespace

long double OracleScale(long double v, int p) {
    if (p == 0) return v;
    if (p <= -5120) return 0.0L;
    if (p >= 5120) throw std::out_of_range("power of ten beyond the table");
    const PowerRows& rows = Rows();
    const int q = std::abs(p);
    auto apply = [&](long double entry) {
        if (p > 0) {
            v = v * entry;
        } else {
            v = v / entry;
        }
    };
    apply(rows.r1[static_cast<std::size_t>(q % 32)]);
    if ((q / 32) % 16 != 0) apply(rows.r2[static_cast<std::size_t>((q / 32) % 16)]);
    if (q / 512 != 0) apply(rows.r3[static_cast<std::size_t>(q / 512)]);
    return v;
}

bool OracleParse(std::string_view text, char separator, long double& value) {
    Rows();  // built before the flags are watched
    // The character at i, or -1 past the end.
    auto at = [&](std::size_t i) -> int {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : -1;
    };
    const int sep = static_cast<unsigned char>(separator);
    std::size_t pos = 0;

    // 1. blanks; 2. one sign
    while (at(pos) == ' ') ++pos;
    bool negative = false;
    if (at(pos) == '+' || at(pos) == '-') {
        negative = at(pos) == '-';
        ++pos;
    }

    // 3. and 4. the digits into N (a rounded multiplication, then a rounded
    // addition), counting those after the separator.
    std::feclearexcept(FE_ALL_EXCEPT);
    const std::size_t mark = pos;
    long double n = 0.0L;
    long long fractionDigits = 0;
    while (IsDigit(at(pos))) {
        n = n * 10.0L;
        n = n + static_cast<long double>(at(pos) - '0');
        ++pos;
    }
    if (at(pos) == sep) {
        ++pos;
        while (IsDigit(at(pos))) {
            n = n * 10.0L;
            n = n + static_cast<long double>(at(pos) - '0');
            ++pos;
            ++fractionDigits;
        }
    }

    // 5. no digit and no separator
    if (pos == mark) return false;

    // 6. the exponent, read while it is below 500
    long long x = 0;
    if (at(pos) == 'E' || at(pos) == 'e') {
        ++pos;
        bool exponentNegative = false;
        if (at(pos) == '+' || at(pos) == '-') {
            exponentNegative = at(pos) == '-';
            ++pos;
        }
        while (IsDigit(at(pos)) && x < 500) {
            x = x * 10 + (at(pos) - '0');
            ++pos;
        }
        if (exponentNegative) x = -x;
    }

    // 7. trailing blanks, then nothing
    while (at(pos) == ' ') ++pos;
    if (pos != text.size()) return false;

    // 8. the scaling; 9. overflow or an invalid operation anywhere fails
    const long long p = x - fractionDigits;
    volatile long double result = p <= -5120 ? 0.0L : OracleScale(n, static_cast<int>(p));
    if (std::fetestexcept(FE_OVERFLOW | FE_INVALID)) {
        std::feclearexcept(FE_ALL_EXCEPT);
        return false;
    }
    value = negative ? -result : result;
    return true;
}

std::string OracleDisplay(long double value, char separator) {
    // 1.
    if (value == 0.0L) return "0";

    // 2. 18 digits d1..d18 and the decimal exponent E
    const long double a = std::fabs(value);
    int e = DecimalGuess(BinaryExponentOf(a)) + 1;
    long double s = std::nearbyint(OracleScale(a, 18 - e));
    if (s < 1e17L) {
        e = e - 1;
        s = std::nearbyint(OracleScale(a, 18 - e));
    }
    if (s >= 1e18L) {
        const long double tenth = s / 10.0L;
        s = std::nearbyint(tenth);
        e = e + 1;
    }
    std::string digits = DigitsOf(s, 18);

    // 3. 15 digits, half up from the 16th
    const bool roundUp = digits[15] >= '5';
    digits.resize(15);
    if (roundUp) {
        int pos = 14;
        for (;;) {
            if (digits[static_cast<std::size_t>(pos)] != '9') {
                ++digits[static_cast<std::size_t>(pos)];
                break;
            }
            digits.resize(static_cast<std::size_t>(pos));  // the 10 goes, and all after it
            if (pos == 0) {
                digits.assign(1, '1');
                e = e + 1;
                break;
            }
            --pos;
        }
    }

    // 4. no trailing zeros
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    if (digits.empty()) return "0";

    // 5. layout
    std::string out;
    if (value < 0.0L) out += '-';
    const int count = static_cast<int>(digits.size());
    if (e > 15 || e < -3) {
        out += digits[0];
        if (count > 1) {
            out += separator;
            out += digits.substr(1);
        }
        out += 'E';
        if (e - 1 < 0) out += '-';
        out += std::to_string(std::abs(e - 1));
    } else if (e <= 0) {
        out += '0';
        out += separator;
        out.append(static_cast<std::size_t>(-e), '0');
        out += digits;
    } else {
        for (int i = 0; i < e; ++i) out += i < count ? digits[static_cast<std::size_t>(i)] : '0';
        if (count > e) {
            out += separator;
            out += digits.substr(static_cast<std::size_t>(e));
        }
    }
    return out;
}

std::string OracleFixed(long double value, int width, int decimals) {
    // 1. the sign from the sign bit
    const bool negative = std::signbit(value);
    long double y = std::fabs(value);

    // 2. the integer-digit count k, bringing y into [1, 16)
    int k = 0;
    if (!(y < 10.0L)) {
        for (;;) {
            const int step = DecimalGuess(BinaryExponentOf(y));
            if (step == 0) break;
            y = OracleScale(y, -step);
            k = k + step;
        }
    }
    if (k > 35) return FixedExponential(negative, y, k, width);

    // 3. and 4. the digit buffer
    const int n = k + 1 + decimals;
    const std::string buffer = FixedDigitBuffer(y, n);

    // 5. the integer part, and the decimals after it
    std::string integer;
    if (buffer[0] == '0') {
        integer = buffer.substr(1, static_cast<std::size_t>(k) + 1);
    } else {
        integer = buffer.substr(0, static_cast<std::size_t>(k) + 2);
    }
    const std::string fraction =
        buffer.substr(static_cast<std::size_t>(k) + 2, static_cast<std::size_t>(decimals));

    // 6. layout
    std::string text = negative ? "-" : "";
    text += integer;
    if (decimals > 0) {
        text += '.';
        text += fraction;
    }
    return PadLeft(text, width);
}

}  // namespace pivora::test
