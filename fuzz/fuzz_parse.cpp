// The parse form on arbitrary bytes: never crashes, gives the reference's
// value bit for bit or refuses where it refuses (with either separator, and
// through the file's entry point), accepts exactly the texts that the number
// grammar accepts (overflow aside), quotes a refused text whole, and the
// display form of any double reads back to the same text.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "base/Error.h"
#include "numeric/DecimalText.h"
#include "numeric/Extended.h"
#include "numeric/PlainDecimalSse.h"
#include "support/DecimalOracle.h"

namespace {

bool Digit(char c) {
    return c >= '0' && c <= '9';
}

// blanks, one sign, digits with at most one separator (at least a digit or
// the separator), an exponent part whose digits are read while the value is
// below 500, blanks. Counts the significant mantissa digits for overflow.
bool Grammar(std::string_view s, char sep, std::size_t& significant) {
    std::size_t i = 0, n = s.size();
    significant = 0;
    bool leading = true;
    while (i < n && s[i] == ' ') ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t mark = i;
    auto digits = [&] {
        while (i < n && Digit(s[i])) {
            if (s[i] != '0') leading = false;
            if (!leading) ++significant;
            ++i;
        }
    };
    digits();
    if (i < n && s[i] == sep) {
        ++i;
        digits();
    }
    if (i == mark) return false;
    if (i < n && (s[i] == 'E' || s[i] == 'e')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        int x = 0;
        while (i < n && Digit(s[i]) && x < 500) x = x * 10 + (s[i++] - '0');
    }
    while (i < n && s[i] == ' ') ++i;
    return i == n;
}

// A refusal of a grammatical text is only right when the value overflows.
bool MayOverflow(std::string_view s, char sep, std::size_t significant) {
    if (significant > 4900) return true;
    std::string copy(s);
    for (char& c : copy)
        if (c == sep) c = '.';
    const long double v = std::strtold(copy.c_str(), nullptr);
    return !std::isfinite(v) || fabsl(v) > 1e4900L;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char sep = size > 0 && (data[0] & 0x80) ? ',' : '.';
    pivora::SetDecimalSeparator(sep);
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    long double tried = 0;
    const bool accepted = pivora::TryParseDecimal(text, tried);
    try {
        const long double parsed = pivora::ParseDecimal(text);
        if (!accepted || std::memcmp(&parsed, &tried, 10) != 0) std::abort();
    } catch (const pivora::Error& e) {
        if (accepted) std::abort();
        std::string expected = "'";
        expected += text;
        expected += "' は浮動小数点数ではありません";
        if (e.Kind() != pivora::ErrorKind::Conversion || e.Message() != expected) std::abort();
    }
    long double expected = 0;
    if (pivora::test::OracleParse(text, sep, expected) != accepted) std::abort();
    if (accepted && std::memcmp(&expected, &tried, 10) != 0) std::abort();

    // A file's number takes the full stop besides the regional separator.
    long double byStop = 0;
    const bool stopAccepted = pivora::test::OracleParse(text, '.', byStop);
    try {
        const long double fromFile = pivora::ParseFileDecimal(text);
        if (!accepted && !stopAccepted) std::abort();
        if (std::memcmp(&fromFile, accepted ? &expected : &byStop, 10) != 0) std::abort();
    } catch (const pivora::Error&) {
        if (accepted || stopAccepted) std::abort();
    }

    // A coordinate's double, by the quick routes: what the file form's value
    // stores as, or the same failure.
    std::string padded(text);
    padded.append(64, '9');
    const std::string_view inPadding(padded.data(), size);
    std::string fileWay, quickWay, paddedWay;
    auto outcome = [](std::string& out, auto read) {
        try {
            const double v = read();
            out.assign(reinterpret_cast<const char*>(&v), sizeof v);
        } catch (const pivora::Error& e) {
            out = e.Message();
        }
    };
    outcome(fileWay, [&] { return pivora::StoreDouble(pivora::ParseFileDecimal(text)); });
    outcome(quickWay, [&] { return pivora::ParseFileDouble(text); });
    outcome(paddedWay, [&] { return pivora::ParseFileDoublePadded(inPadding); });
    if (quickWay != fileWay || paddedWay != fileWay) std::abort();
    pivora::PlainDecimal plain;
    if (pivora::ReadPlainDecimal(inPadding, sep, plain)) {
        const double v = pivora::StorePlainDecimal(plain);
        if (fileWay != std::string(reinterpret_cast<const char*>(&v), sizeof v)) std::abort();
    }

    std::size_t significant = 0;
    const bool grammatical = Grammar(text, sep, significant);
    if (accepted && !grammatical) std::abort();
    if (!accepted && grammatical && !MayOverflow(text, sep, significant)) std::abort();

    if (size >= 8) {
        double v;
        std::memcpy(&v, data, sizeof v);
        if (std::isfinite(v)) {
            const std::string shown = pivora::FormatDisplay(v);
            if (pivora::FormatDisplay(pivora::ParseDecimal(shown)) != shown) std::abort();
        }
    }
    pivora::SetDecimalSeparator('.');
    return 0;
}
