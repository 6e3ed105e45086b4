#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "base/Error.h"
#include "numeric/DecimalText.h"
#include "numeric/Extended.h"
#include "support/ErrorCheck.h"
#include "support/TableCheck.h"

namespace pivora {
namespace {

using test::SameBits;

// Restores the full stop after each test that changes the separator.
class DecimalTextTest : public ::testing::Test {
  protected:
    void TearDown() override { SetDecimalSeparator('.'); }
};

// A finite double of random bits: every sign, exponent and significand.
double RandomFiniteDouble(std::mt19937_64& rng) {
    for (;;) {
        double v;
        const unsigned long long bits = rng();
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v)) return v;
    }
}

struct ParseCase {
    const char* text;
    long double value;
};

TEST_F(DecimalTextTest, ParsesWorkedExamples) {
    const ParseCase cases[] = {
        {" 1.5 ", 1.5L}, {"5.", 5.0L},    {".5", 0.5L},    {".", 0.0L},
        {"1E", 1.0L},    {"1e+", 1.0L},   {"1e-2", 0.01L}, {"1E0000000005", 1e5L},
        {"-.", -0.0L},   {".E5", 0.0L},   {"+7", 7.0L},    {"  -12.25e1  ", -122.5L},
        {"-0", -0.0L},   {"-0.0", -0.0L}, {"0.1", 0.1L},   {"123.456", 123.456L},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_TRUE(SameBits(ParseDecimal(c.text), c.value));
    }
}

TEST_F(DecimalTextTest, RejectsWhatIsNotANumber) {
    const char* cases[] = {"",        " ",     "-",   "+",    "E5",     "1,5",
                           "1 5",     "1.5.2", "--1", "0x10", "1E5000", "1E4999",
                           "1E12345", "\t1",   "1\t", "abc",  "+-1",    "1e5x"};
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        long double untouched = 42.0L;
        EXPECT_FALSE(TryParseDecimal(text, untouched));
        EXPECT_EQ(untouched, 42.0L);
        test::ExpectError([&] { ParseDecimal(text); }, ErrorKind::Conversion,
                          std::string("'") + text + "' は浮動小数点数ではありません");
    }
}

TEST_F(DecimalTextTest, FailureQuotesTheTextWithItsBlanks) {
    test::ExpectError([] { ParseDecimal(" abc"); }, ErrorKind::Conversion,
                      "' abc' は浮動小数点数ではありません");
}

TEST_F(DecimalTextTest, ExponentDigitsStopAt500) {
    // "1E1234" reads all four digits (123 < 500 before the last one).
    EXPECT_NEAR(static_cast<double>(ParseDecimal("1E1234") / 1e1230L), 1e4, 1e-10);
    EXPECT_NEAR(static_cast<double>(ParseDecimal("1E500") / 1e499L), 10.0, 1e-15);
    EXPECT_EQ(ParseDecimal("2E0499"), ScaleTen(2.0L, 499));
}

TEST_F(DecimalTextTest, TinyValuesBecomeZeroWithoutFailure) {
    EXPECT_EQ(ParseDecimal("1E-4999"), 0.0L);
    EXPECT_EQ(ParseDecimal("0.0000001E-4990"), 0.0L);
    EXPECT_GT(ParseDecimal("1E-4940"), 0.0L);  // subnormal extended
    EXPECT_EQ(StoreDouble(ParseDecimal("1E-400")), 0.0);
}

TEST_F(DecimalTextTest, StoringBeyondTheDoubleRangeOverflows) {
    const long double big = ParseDecimal("1E500");
    test::ExpectError([&] { StoreDouble(big); }, ErrorKind::Overflow,
                      "浮動小数点数のオーバーフロー");
}

TEST_F(DecimalTextTest, MatchesCorrectRoundingWhereOneOperationSuffices) {
    // Up to 19 digits and a power of ten up to 10^27 the parse is a single
    // rounded operation on exact operands, so it must equal glibc's
    // correctly rounded strtold.
    std::mt19937_64 rng(12345);
    for (int i = 0; i < 20000; ++i) {
        const unsigned long long digits = rng() % 10000000000000000000ULL;
        const int fraction = static_cast<int>(rng() % 28);
        // At least fraction + 1 digits, then the point before the last
        // fraction of them.
        char buffer[48];
        const int length = std::snprintf(buffer, sizeof buffer, "%0*llu", fraction + 1, digits);
        std::string text(buffer, static_cast<std::size_t>(length - fraction));
        if (fraction > 0) {
            text += '.';
            text.append(buffer + length - fraction, static_cast<std::size_t>(fraction));
        }
        SCOPED_TRACE(text);
        ASSERT_TRUE(SameBits(ParseDecimal(text), std::strtold(text.c_str(), nullptr)));
    }
}

TEST_F(DecimalTextTest, PowerTableIsExactUpTo27) {
    long double exact = 1.0L;
    for (int n = 0; n <= 27; ++n) {
        EXPECT_TRUE(SameBits(PowerOfTen(n), exact)) << n;
        exact *= 10.0L;
    }
    EXPECT_TRUE(SameBits(PowerOfTen(4608), std::strtold("1e4608", nullptr)));
    EXPECT_EQ(ScaleTen(3.0L, -5120), 0.0L);
    EXPECT_EQ(ScaleTen(3.0L, 0), 3.0L);
}

// A value and the text that a format gives for it.
struct TextCase {
    long double value;
    const char* text;
};

TEST_F(DecimalTextTest, DisplaysWorkedExamples) {
    const TextCase cases[] = {
        {0.0L, "0"},
        {-0.0L, "0"},
        {1.5L, "1.5"},
        {-1.5L, "-1.5"},
        {100.0L, "100"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {1.0L / 3.0L, "0.333333333333333"},
        {999999999999999.0L, "999999999999999"},
        {1e15L, "1E15"},
        {1234567890123456.0L, "1.23456789012346E15"},
        {0.0001, "0.0001"},
        {0.00001, "1E-5"},
        {0.00012345, "0.00012345"},
        {1.5e20, "1.5E20"},
        {-1.2e-17, "-1.2E-17"},
        {6.123233995736766e-17, "6.12323399573677E-17"},
        {0.1, "0.1"},
        {-2.0, "-2"},
        {1e300, "1E300"},
        {123.456, "123.456"},
        {1.4142135623730951, "1.4142135623731"},
        {0.999999999999999999L, "1"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FormatDisplay(c.value), c.text);
    }
}

TEST_F(DecimalTextTest, DisplayNeverShowsPlusLeadingZerosOrTrailingSeparator) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-300, 300);
    for (int i = 0; i < 20000; ++i) {
        const double v = mantissa(rng) * std::pow(10.0, exponent(rng));
        const std::string text = FormatDisplay(v);
        SCOPED_TRACE(text);
        ASSERT_EQ(text.find('+'), std::string::npos);
        ASSERT_EQ(text.find("E0"), std::string::npos);
        ASSERT_EQ(text.find("E-0"), std::string::npos);
        ASSERT_NE(text.back(), '.');
        const std::size_t e = text.find('E');
        const std::string digits = text.substr(0, e);
        if (digits.find('.') != std::string::npos) {
            ASSERT_NE(digits.back(), '0');
        }
    }
}

TEST_F(DecimalTextTest, DisplayReadsBackToTheSameText) {
    std::mt19937_64 rng(99);
    for (int i = 0; i < 20000; ++i) {
        const std::string text = FormatDisplay(RandomFiniteDouble(rng));
        SCOPED_TRACE(text);
        ASSERT_EQ(FormatDisplay(ParseDecimal(text)), text);
    }
}

TEST_F(DecimalTextTest, FixedWorkedExamples) {
    const TextCase cases[] = {
        {1.5L, " 1.500000000"},
        {0.0L, " 0.000000000"},
        {0.1, " 0.100000000"},
        {-1.5L, "-1.500000000"},
        {-0.0L, "-0.000000000"},
        {-4e-10, "-0.000000000"},
        {5e-10, " 0.000000001"},
        {1.5e-9, " 0.000000002"},
        {2.5e-10, " 0.000000000"},
        {12.345678901234, "12.345678901"},
        {50.0L, "50.000000000"},
        {-12.345678901234, "-12.345678901"},
        {123.456, "123.456000000"},
        {9.9999999996, "10.000000000"},
        {999.9999999995, "1000.000000000"},
        {1234567890.1234567, "1234567890.123456720"},
        {1e40, " 1.000E+0040"},
        {-3.7e45, "-3.700E+0045"},
        {1e300, " 1.000E+0300"},
        // A digit string with its lead "1" keeps its first four digits cut.
        {-1.1748780088866521e+222, "-1.174E+0222"},
        {1.1748780088866521e+40, " 1.175E+0040"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FormatFixed(c.value, 12, 9), c.text);
    }
}

TEST_F(DecimalTextTest, FixedWidthAndDecimalsVary) {
    EXPECT_EQ(FormatFixed(2.5L, 0, 0), "3");  // half up on the digit string
    EXPECT_EQ(FormatFixed(1.25L, 8, 1), "     1.3");
    EXPECT_EQ(FormatFixed(-7.0L, 3, 2), "-7.00");
    EXPECT_EQ(FormatFixed(1.0L, 1000, 0).size(), 255u);
    EXPECT_EQ(FormatFixed(1.0L, 0, 1000).size(), 218u);  // "1." and 216 decimals
}

TEST_F(DecimalTextTest, FixedReadsBackRoundedToNineDecimals) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> coordinate(-500.0, 500.0);
    for (int i = 0; i < 20000; ++i) {
        const double v = coordinate(rng);
        const double back = static_cast<double>(ParseDecimal(FormatFixed(v, 12, 9)));
        ASSERT_NEAR(back, v, 0.5e-9 + 1e-12) << v;
    }
}

TEST_F(DecimalTextTest, SaveFieldAgreesWithTheFixedForm) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> coordinate(-500.0, 500.0);
    for (int i = 0; i < 50000; ++i) {
        // Half of them coordinates of the usual size, half any double.
        const double v = i % 2 == 0 ? coordinate(rng) : RandomFiniteDouble(rng);
        std::string field;
        AppendFixed12x9(field, v);
        ASSERT_EQ(field, FormatFixed(v, 12, 9)) << v;
    }
}

TEST_F(DecimalTextTest, CommaSeparator) {
    SetDecimalSeparator(',');
    long double v = 0;
    EXPECT_FALSE(TryParseDecimal("1.5", v));
    EXPECT_EQ(ParseDecimal("1,5"), 1.5L);
    EXPECT_EQ(FormatDisplay(1.5L), "1,5");
    EXPECT_EQ(FormatDisplay(1e-5L), "1E-5");
    EXPECT_EQ(FormatDisplay(2.5e-7L), "2,5E-7");
    EXPECT_EQ(FormatFixed(1.5L, 12, 9), " 1.500000000");
}

}  // namespace
}  // namespace pivora
