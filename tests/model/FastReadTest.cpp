// The fast ways of reading a coordinate file held to the plain ones, bit for
// bit: plain decimals and their quick double against the parse form, the
// scanner's lines and fields against LineReader and CutLine, and whole
// reads (into a new table, or refilling an old one) against the plain
// reader of support/PlainReader, failures and all. Every generator is
// seeded, so a failure names a reproducible case.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/Error.h"
#include "coordinates/CoordinateReader.h"
#include "coordinates/FieldScanner.h"
#include "files/FileIo.h"
#include "numeric/DecimalText.h"
#include "numeric/Extended.h"
#include "numeric/PlainDecimalSse.h"
#include "support/ErrorCheck.h"
#include "support/PlainReader.h"
#include "support/TableCheck.h"
#include "support/TempDir.h"

namespace pivora {
namespace {

using test::Bits;
using test::TempDir;

class FastReadTest : public ::testing::Test {
  protected:
    void TearDown() override { SetDecimalSeparator('.'); }
    TempDir dir_;
};

// What the plain way makes of a coordinate text: its double, or the error's
// message.
std::string Plain(std::string_view text) {
    try {
        return std::to_string(test::FileBits(text));
    } catch (const Error& e) {
        return e.Message();
    }
}

// The same by the fast padded form, the text copied into padding.
std::string Fast(std::string_view text) {
    std::string padded(text);
    padded.append(kScanPadding, 'x');
    try {
        return std::to_string(Bits(ParseFileDoublePadded({padded.data(), text.size()})));
    } catch (const Error& e) {
        return e.Message();
    }
}

// N with f of its digits after the separator, and a sign.
std::string DecimalText(std::uint64_t n, int f, bool negative, char separator) {
    std::string digits = std::to_string(n);
    if (static_cast<int>(digits.size()) <= f) digits.insert(0, f + 1 - digits.size(), '0');
    if (f > 0) digits.insert(digits.size() - f, 1, separator);
    return (negative ? "-" : "") + digits;
}

// ---- plain decimals and their quick double ---------------------------------

TEST_F(FastReadTest, QuickDoublesOfEveryMagnitudeAreTheParseFormsBits) {
    std::mt19937_64 rng(13);
    int quick = 0;
    for (int i = 0; i < 400000; ++i) {
        const int bits = std::uniform_int_distribution<int>(1, 53)(rng);
        const std::uint64_t n = rng() >> (64 - bits);
        const int f = std::uniform_int_distribution<int>(0, 19)(rng);
        const bool negative = (rng() & 1) != 0;
        const std::string text = DecimalText(n, f, negative, '.');
        const double expected = StoreDouble(ParseFileDecimal(text));
        double fast;
        if (QuickPlainDouble(n, f, negative, fast)) {
            ++quick;
            ASSERT_EQ(Bits(fast), Bits(expected)) << text;
        }
        ASSERT_EQ(Bits(StorePlainDecimal({n, f, negative})), Bits(expected)) << text;
    }
    EXPECT_GT(quick, 390000);  // the extended route stays the exception
}

// n / 10^f next to the midpoint between two doubles, where a first rounding
// to 64 bits can land on it: the quick route must leave every such case to
// the extended one or agree with it.
TEST_F(FastReadTest, QuickDoublesNextToAMidpointAgreeOrStepAside) {
    std::mt19937_64 rng(17);
    int declined = 0;
    for (int i = 0; i < 200000; ++i) {
        // d = m 2^e, its upper midpoint (2m + 1) 2^(e - 1).
        const std::uint64_t m = (std::uint64_t{1} << 52) | (rng() >> 12);
        const int e = std::uniform_int_distribution<int>(-110, -20)(rng);
        const int f = std::uniform_int_distribution<int>(1, 19)(rng);
        // N = round(midpoint 10^f) = round((2m + 1) 5^f / 2^(1 - e - f)).
        const int shift = 1 - e - f;
        if (shift <= 0 || shift >= 120) continue;
        unsigned __int128 scaled = 2 * static_cast<unsigned __int128>(m) + 1;
        for (int j = 0; j < f; ++j) scaled *= 5;
        const unsigned __int128 n0 =
            (scaled + (static_cast<unsigned __int128>(1) << (shift - 1))) >> shift;
        for (const unsigned __int128 n : {n0 - 1, n0, n0 + 1}) {
            if (n == 0 || n >= (static_cast<unsigned __int128>(1) << 53)) continue;
            const auto digits = static_cast<std::uint64_t>(n);
            const std::string text = DecimalText(digits, f, false, '.');
            const double expected = StoreDouble(ParseFileDecimal(text));
            double fast;
            if (QuickPlainDouble(digits, f, false, fast)) {
                ASSERT_EQ(Bits(fast), Bits(expected)) << text;
            } else {
                ++declined;
            }
            ASSERT_EQ(Bits(StorePlainDecimal({digits, f, false})), Bits(expected)) << text;
        }
    }
    EXPECT_GT(declined, 300);  // the band around the midpoints was reached
}

// Texts of the characters a number is made of, and of a few it is not:
// whatever the fast form makes of them, the parse form makes too.
TEST_F(FastReadTest, PaddedFormAgreesWithTheParseFormOnRandomTexts) {
    std::mt19937_64 rng(19);
    const std::string alphabet = "0123456789012345678901234567890123456789..,,--++  Ee\t#x";
    for (const char separator : {'.', ',', '#'}) {
        SetDecimalSeparator(separator);
        for (int i = 0; i < 200000; ++i) {
            std::string text;
            const int length = std::uniform_int_distribution<int>(0, 36)(rng);
            for (int j = 0; j < length; ++j) text += alphabet[rng() % alphabet.size()];
            ASSERT_EQ(Fast(text), Plain(text)) << "'" << text << "' with " << separator;
            std::string padded = text + std::string(kScanPadding, '7');
            PlainDecimal read;
            if (ReadPlainDecimal({padded.data(), text.size()}, separator, read)) {
                ASSERT_EQ(std::to_string(Bits(StorePlainDecimal(read))), Plain(text)) << text;
            }
        }
    }
}

TEST_F(FastReadTest, WhatIsAPlainDecimal) {
    struct Case {
        const char* text;
        bool plain;
    };
    const Case cases[] = {
        {"1.5", true},
        {"-12.345678", true},
        {"+0.25  ", true},
        {".", true},
        {"-.", true},
        {"5.", true},
        {".5", true},
        {"-", false},
        {"", false},
        {" 1", false},
        {"1 2", false},
        {"1.2.3", false},
        {"1e5", false},
        {"--1", false},
        {"1-", false},
        {"1,5", false},
        {"\t1", false},
        // Runs of up to 16 digits, 19 in all; longer ones take the full way.
        {"12345678901234567890", false},
        {"1234567890123456789", false},
        {"0000000000000000.5", true},
        {"-1234567890123456.123", true},
        {"1.1234567890123456789", false},
    };
    for (const Case& c : cases) {
        std::string padded = std::string(c.text) + std::string(kScanPadding, ' ');
        EXPECT_EQ(IsPlainDecimal({padded.data(), std::strlen(c.text)}, '.'), c.plain) << c.text;
        // Plain or not, the fast form reads what the parse form reads.
        EXPECT_EQ(Fast(c.text), Plain(c.text)) << c.text;
    }
    std::string comma = "1,5" + std::string(kScanPadding, ' ');
    EXPECT_TRUE(IsPlainDecimal({comma.data(), 3}, ','));
}

// ---- lines and fields -------------------------------------------------------

// A file of lines drawn from bytes that matter to the line rules and the
// cuts, of lengths around the 64-byte windows.
std::string RandomLines(std::mt19937_64& rng, int lines) {
    const std::string bytes = "aaaa1111..-- \t\r\x1a";
    std::string text;
    for (int i = 0; i < lines; ++i) {
        const int length = std::uniform_int_distribution<int>(0, 140)(rng);
        for (int j = 0; j < length; ++j) {
            // Mostly blanks between runs, so that lines have fields.
            text += rng() % 4 == 0 ? ' ' : bytes[rng() % bytes.size()];
        }
        if (rng() % 50 != 0) text += '\n';
    }
    return text;
}

TEST_F(FastReadTest, ScannerCutsEveryLineAsLineReaderAndCutLineDo) {
    std::mt19937_64 rng(23);
    for (int file = 0; file < 300; ++file) {
        // A few bytes in front move every line across the 64-byte blocks.
        std::string text = std::string(rng() % 64, 'p') + RandomLines(rng, 40);
        const std::string path = dir_.Write("lines.xyz", text);
        LineReader reader(path);
        text.append(kScanPadding, '\0');
        FieldScanner scanner(text.data(), text.size() - kScanPadding);
        int line = 0;
        while (!reader.AtEnd()) {
            ++line;
            ASSERT_FALSE(scanner.AtEnd()) << "file " << file << " line " << line;
            const LineFields expected = CutLine(reader.NextLine());
            const LineFields got = scanner.Next();
            ASSERT_EQ(got.label, expected.label) << "file " << file << " line " << line;
            ASSERT_EQ(got.x, expected.x) << "file " << file << " line " << line;
            ASSERT_EQ(got.y, expected.y) << "file " << file << " line " << line;
            ASSERT_EQ(got.z, expected.z) << "file " << file << " line " << line;
            ASSERT_EQ(scanner.Offset(), reader.Offset()) << "file " << file << " line " << line;
        }
        ASSERT_TRUE(scanner.AtEnd()) << "file " << file;
    }
}

// ---- whole reads ------------------------------------------------------------

// A file of atom lines, most of them good, some with the faults and forms a
// real file may have.
std::string RandomMolecule(std::mt19937_64& rng, int atoms) {
    const char* const odd[] = {"1e-3", "1E2", "-0", "+.5",   "12345678901234567890",
                               "1,5",  "abc", "",   "1e400", "0.000000000000000000001",
                               "5.",   "\t1"};
    std::string text;
    for (int i = 0; i < atoms; ++i) {
        text += i % 7 == 3 ? "Fe" : "C" + std::to_string(i);
        for (int axis = 0; axis < 3; ++axis) {
            text += std::string(1 + rng() % 3, ' ');
            if (rng() % 60 == 0) {
                text += odd[rng() % std::size(odd)];
            } else {
                const double v = std::uniform_real_distribution<double>(-150, 150)(rng);
                text += FormatFixed(v, 0, static_cast<int>(rng() % 12));
            }
        }
        if (rng() % 30 == 0) text += " extra";
        text += rng() % 10 == 0 ? "\r\n" : "\n";
    }
    return text;
}

// What a read gave, for comparison.
template <typename Read>
test::ReadOutcome Outcome(Read read) {
    return test::Outcome(read);
}

TEST_F(FastReadTest, ReadsAreThePlainReadersTableOrFailure) {
    std::mt19937_64 rng(29);
    AtomTable previous;
    for (const char separator : {'.', ','}) {
        SetDecimalSeparator(separator);
        for (int file = 0; file < 200; ++file) {
            const int atoms = std::uniform_int_distribution<int>(0, 60)(rng);
            const std::string path = dir_.Write("mol.xyz", RandomMolecule(rng, atoms));
            const auto plain = Outcome([&] { return test::PlainReadTable(path, previous); });
            ASSERT_EQ(Outcome([&] { return ReadCoordinateTable(path, previous); }), plain)
                << "file " << file;
            // Into a table of its own whose arrays fit: refilled in place,
            // or left as it was.
            AtomTable refilled = previous;
            refilled.AtomName = std::vector<std::string>(previous.AtomName);
            refilled.AtomX = std::vector<double>(previous.AtomX);
            refilled.AtomY = std::vector<double>(previous.AtomY);
            refilled.AtomZ = std::vector<double>(previous.AtomZ);
            ASSERT_TRUE(refilled.Unshared());
            const auto before = test::Snapshot(refilled);
            std::string message;
            try {
                ReadCoordinateFile(path, refilled);
            } catch (const Error& e) {
                message = e.Message();
            }
            ASSERT_EQ(message, plain.message) << "file " << file;
            ASSERT_EQ(test::Snapshot(refilled), message.empty() ? plain.table : before)
                << "file " << file;
            if (message.empty()) previous = refilled;
        }
    }
}

TEST_F(FastReadTest, RefillingKeepsTheOldArraysAndLeavesCopiesAlone) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "N" + std::to_string(i) + " 1.5 -2.25 3\n";
    const std::string path = dir_.Write("mol.xyz", text);
    AtomTable table;
    ReadCoordinateFile(path, table);
    const double* x = table.AtomX.data();
    const std::string* names = table.AtomName.data();
    // The same size again: the same arrays take it.
    ReadCoordinateFile(path, table);
    EXPECT_EQ(table.AtomX.data(), x);
    EXPECT_EQ(table.AtomName.data(), names);
    // A copy shares them: the read takes new ones, and the copy keeps what
    // it saw.
    const AtomTable copy = table;
    table.AtomX[5] = 99;
    EXPECT_EQ(copy.AtomX[5], 1.5);
    ReadCoordinateFile(path, table);
    EXPECT_EQ(table.AtomX[5], 1.5);
    EXPECT_EQ(copy.AtomName[999], "N998");
    // A long label needs memory in its slot: a new table, the same content.
    const std::string longer = dir_.Write("long.xyz", "ALabelOfSixteenB 1 2 3\n" + text);
    ReadCoordinateFile(longer, table);
    EXPECT_EQ(table.AtomName[1], "ALabelOfSixteenB");
    EXPECT_EQ(table.AtomCount, 1001);
    EXPECT_EQ(test::Snapshot(table), test::Snapshot(test::PlainReadTable(longer, AtomTable{})));
}

// A large file is read in two runs, one on each processor: the same table,
// and of several bad lines the earliest is the one reported, wherever the
// runs meet.
TEST_F(FastReadTest, LargeFilesReadInTwoRunsAsInOnePass) {
    constexpr int kLines = 150000;
    std::mt19937_64 rng(31);
    std::vector<std::string> lines;
    for (int i = 0; i < kLines; ++i) {
        const int kind = std::uniform_int_distribution<int>(0, 19)(rng);
        std::string line = "C" + std::to_string(i % 97) + " " +
                           DecimalText(rng() % 100000000, 6, rng() % 2 == 0, '.') + " 1.5E-3 " +
                           DecimalText(rng() % 1000, 2, false, '.');
        if (kind == 0) line += "\r";        // cut the careful way
        if (kind == 1) line += " 7 extra";  // a fourth field and more
        lines.push_back(line);
    }
    const auto join = [](const std::vector<std::string>& all) {
        std::string text;
        for (const std::string& line : all) text += line + "\n";
        return text;
    };
    struct Case {
        const char* name;
        std::vector<int> bad;  // lines (from 1) whose y becomes no number
        int longLabel;         // a line given a label too long for its slot, or 0
    };
    const Case cases[] = {
        {"clean", {}, 0},
        {"first run only", {17}, 0},
        {"second run only", {kLines - 3}, 0},
        {"both runs", {kLines / 2 - 40, kLines - 1}, 0},
        {"last line", {kLines}, 0},
        {"long label late", {}, kLines - 10},
        {"long label, bad line early", {5}, kLines - 10},
    };
    AtomTable previous = test::PlainReadTable(dir_.Write("first.xyz", join(lines)), AtomTable{});
    for (const Case& c : cases) {
        std::vector<std::string> edited = lines;
        for (const int k : c.bad) edited[k - 1] = "N 1.0 1.0.0 2.0";
        if (c.longLabel != 0) edited[c.longLabel - 1] = "ALabelOfSixteenB 1 2 3";
        const std::string path = dir_.Write("mol.xyz", join(edited));
        const auto plain = Outcome([&] { return test::PlainReadTable(path, previous); });
        std::int32_t reached = -1;
        ReadOptions options;
        options.lineReached = &reached;
        EXPECT_EQ(Outcome([&] { return ReadCoordinateTable(path, previous, options); }), plain)
            << c.name;
        EXPECT_EQ(reached, c.bad.empty() ? 0 : c.bad.front()) << c.name;
        // Refilling arrays of its own: the plain table, or nothing touched.
        AtomTable refilled = previous;
        refilled.AtomName = std::vector<std::string>(previous.AtomName);
        refilled.AtomX = std::vector<double>(previous.AtomX);
        refilled.AtomY = std::vector<double>(previous.AtomY);
        refilled.AtomZ = std::vector<double>(previous.AtomZ);
        const auto before = test::Snapshot(refilled);
        reached = -1;
        std::string message;
        try {
            ReadCoordinateFile(path, refilled, options);
        } catch (const Error& e) {
            message = e.Message();
        }
        EXPECT_EQ(message, plain.message) << c.name;
        EXPECT_EQ(reached, c.bad.empty() ? 0 : c.bad.front()) << c.name;
        EXPECT_EQ(test::Snapshot(refilled), message.empty() ? plain.table : before) << c.name;
    }

    // Cut to a third, or grown, between the counting and the parsing pass:
    // neither the old file nor the new one, so refused.
    const std::string path = dir_.Write("changing.xyz", join(lines));
    const std::string whole = test::ReadAll(path);
    for (const std::string& changed : {whole.substr(0, whole.size() / 3),
                                       whole.substr(0, whole.size() - 5), whole + "X 1 2 3\n"}) {
        ReadOptions options;
        options.betweenPasses = [&] { dir_.Write("changing.xyz", changed); };
        const Error e = test::ExpectError([&] { ReadCoordinateTable(path, previous, options); },
                                          ErrorKind::File, FileError(EIO, path).Message());
        EXPECT_NE(e.Detail().find("changed while"), std::string::npos);
        dir_.Write("changing.xyz", whole);
    }
}

// ---- the shared arrays ------------------------------------------------------

TEST(SharedVectorTest, CopiesShareUntilOneIsWritten) {
    SharedVector<double> a{1, 2, 3};
    const SharedVector<double> b = a;
    EXPECT_TRUE(a.SharesWith(b));
    EXPECT_FALSE(a.Unshared());
    a[1] = 5;  // a takes a block of its own first
    EXPECT_FALSE(a.SharesWith(b));
    EXPECT_TRUE(a.Unshared());
    EXPECT_EQ(b, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(a, (std::vector<double>{1, 5, 3}));
    SharedVector<double> c = b;
    c.push_back(4);
    c.resize(6, 7.0);
    EXPECT_EQ(c, (std::vector<double>{1, 2, 3, 4, 7, 7}));
    EXPECT_EQ(b.size(), 3u);
    const std::vector<double> plain = c;
    EXPECT_EQ(plain.size(), 6u);
    SharedVector<std::string> names;
    for (int i = 0; i < 1000; ++i) names.emplace_back(std::to_string(i));
    EXPECT_EQ(names[999], "999");
    EXPECT_GE(names.capacity(), 1000u);
}

}  // namespace
}  // namespace pivora
