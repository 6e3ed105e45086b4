#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "base/Error.h"
#include "coordinates/CoordinateReader.h"
#include "coordinates/CoordinateWriter.h"
#include "files/FileIo.h"
#include "numeric/DecimalText.h"
#include "support/ErrorCheck.h"
#include "support/TableCheck.h"
#include "support/TempDir.h"

namespace pivora {
namespace {

using test::ExpectError;
using test::ReadAll;
using test::Snapshot;
using test::TableSnapshot;
using test::TempDir;

AtomTable Read(const std::string& bytes) {
    TempDir dir;
    AtomTable table;
    ReadCoordinateFile(dir.Write("in.xyz", bytes), table);
    return table;
}

std::string Lines(int count, const char* prefix) {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += prefix + std::to_string(i) + " " + std::to_string(i) + " " + std::to_string(-i) +
                " 0.5\n";
    return text;
}

TEST(CutLineTest, Fields) {
    struct Case {
        std::string line;
        const char *label, *x, *y, *z;
    };
    const Case cases[] = {
        {"C1 0.1 0.2 0.3", "C1", "0.1", "0.2", "0.3"},
        {"C1   0.5   -1.25 2", "C1", "0.5  ", "-1.25", "2"},
        {"Cl12 1.123456789 2 3.987654321", "Cl12", "1.123456789", "2", "3.987654321"},
        {" C1 0.1 0.2 0.3", "", "C1", "0.1", "0.2"},
        {"C1\t0.5 1 2", "C1\t0.5", "1", "2", ""},
        {"C1 1 2 3 extra more", "C1", "1", "2", "3"},
        {"", "", "", "", ""},
        {"H", "H", "", "", ""},
        {"H ", "H", "", "", ""},
        {"a 1 2 3 4 5 6 7 8 9 10 11 12", "a", "1", "2", "3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const LineFields f = CutLine(c.line);
        EXPECT_EQ(f.label, c.label);
        EXPECT_EQ(f.x, c.x);
        EXPECT_EQ(f.y, c.y);
        EXPECT_EQ(f.z, c.z);
    }
}

TEST(CoordinateReaderTest, ThreeLineFile) {
    const AtomTable t = Read("C1 0.1 0.2 0.3\nO1 1.5 -2 0.3\nH1 0 0 0\n");
    EXPECT_EQ(t.AtomCount, 3);
    ASSERT_EQ(t.Capacity(), 13u);
    EXPECT_EQ(Snapshot(t),
              Snapshot(3, {{"None"}, {"C1", 0.1, 0.2, 0.3}, {"O1", 1.5, -2, 0.3}, {"H1"}}, 13));
}

TEST(CoordinateReaderTest, LineEndsAllReadTheSame) {
    const AtomTable lf = Read("C1 1 2 3\nO1 4 5 6\n");
    EXPECT_EQ(Snapshot(Read("C1 1 2 3\r\nO1 4 5 6\r\n")), Snapshot(lf));
    EXPECT_EQ(Snapshot(Read("C1 1 2 3\nO1 4 5 6")), Snapshot(lf));
    EXPECT_EQ(Snapshot(Read("C1 1 2 3\nO1 4 5 6\n\x1a trailing junk")), Snapshot(lf));
    EXPECT_EQ(Read("Cl12 1.123456789 2 3.987654321").AtomZ[1], 3.987654321);
}

TEST(CoordinateReaderTest, EmptyFile) {
    const AtomTable t = Read("");
    EXPECT_EQ(t.AtomCount, 0);
    ASSERT_EQ(t.Capacity(), 10u);
    EXPECT_EQ(t.AtomName[0], "None");
    EXPECT_EQ(t.AtomX[0], 0.0);
}

TEST(CoordinateReaderTest, SmallerFileKeepsSpareSlotsOfTheLargerOne) {
    TempDir dir;
    AtomTable t;
    ReadCoordinateFile(dir.Write("big.xyz", Lines(20, "A")), t);
    ReadCoordinateFile(dir.Write("small.xyz", Lines(3, "B")), t);
    EXPECT_EQ(t.AtomCount, 3);
    ASSERT_EQ(t.Capacity(), 13u);
    EXPECT_EQ(t.AtomName[3], "B3");
    for (int i = 4; i <= 12; ++i) {
        EXPECT_EQ(t.AtomName[i], std::string(1, 'A').append(std::to_string(i)));
        EXPECT_EQ(t.AtomX[i], i);
    }
}

TEST(CoordinateReaderTest, ParseFailuresNameTheFieldAndLeaveTheTable) {
    struct Case {
        const char* name;
        std::string bytes;
        ErrorKind kind;
        std::string message;
    };
    const Case cases[] = {
        {"bad x on line 3", "N1 1 2 3\nN2 1 2 3\nN3 x1 2 3\nN4 1 2 3\n", ErrorKind::Conversion,
         "'x1' は浮動小数点数ではありません"},
        {"missing z", "N1 1 2 3\nN2 1 2\n", ErrorKind::Conversion,
         "'' は浮動小数点数ではありません"},
        {"blank line after last", "N1 1 2 3\n\n", ErrorKind::Conversion,
         "'' は浮動小数点数ではありません"},
        {"leading blank", " C1 0.1 0.2 0.3\n", ErrorKind::Conversion,
         "'C1' は浮動小数点数ではありません"},
        {"tab separated", "C1\t0.5 1 2\n", ErrorKind::Conversion,
         "'' は浮動小数点数ではありません"},
        {"trailing blanks quoted", "C1 abc  1 2\n", ErrorKind::Conversion,
         "'abc ' は浮動小数点数ではありません"},
        {"comma", "C1 1,5 1 2\n", ErrorKind::Conversion, "'1,5' は浮動小数点数ではありません"},
        {"overflow of a double", "C1 1E500 1 2\n", ErrorKind::Overflow,
         "浮動小数点数のオーバーフロー"},
        {"nul in number", std::string("C1 1\0 2 3\n", 10), ErrorKind::Conversion,
         std::string("'1\0", 3) + "' は浮動小数点数ではありません"},
    };
    TempDir dir;
    AtomTable t;
    ReadCoordinateFile(dir.Write("old.xyz", Lines(20, "Old")), t);
    const TableSnapshot before = Snapshot(t);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectError([&] { ReadCoordinateFile(dir.Write("bad.xyz", c.bytes), t); }, c.kind,
                    c.message);
        EXPECT_EQ(t.AtomCount, 20);
        EXPECT_EQ(Snapshot(t), before);
    }
}

TEST(CoordinateReaderTest, WithACommaSeparatorFilesTakeTheFullStopToo) {
    TempDir dir;
    AtomTable t;
    SetDecimalSeparator(',');
    ReadCoordinateFile(dir.Write("mixed.xyz", "C1 1,5 1.25 -2\r\nC2 0.5 2,25 3\r\n"), t);
    EXPECT_EQ(t.AtomX[1], 1.5);
    EXPECT_EQ(t.AtomY[1], 1.25);
    EXPECT_EQ(t.AtomY[2], 2.25);
    EXPECT_THROW(ReadCoordinateFile(dir.Write("bad.xyz", "C1 1.5,2 1 2\n"), t), Error);
    EXPECT_EQ(t.AtomCount, 2);
    SetDecimalSeparator('.');
    // The full stop's own rule is unchanged: a comma is no separator there.
    EXPECT_THROW(ReadCoordinateFile(dir.Write("comma.xyz", "C1 1,5 1 2\n"), t), Error);
}

TEST(CoordinateReaderTest, FileFailuresLeaveTheTable) {
    TempDir dir;
    AtomTable t;
    ReadCoordinateFile(dir.Write("old.xyz", Lines(5, "Old")), t);
    const TableSnapshot before = Snapshot(t);
    ::mkdir(dir.File("folder").c_str(), 0755);
    const std::pair<std::string, const char*> cases[] = {
        {dir.File("missing.xyz"), "ファイルが見つかりません"},
        {dir.File("nodir/a.xyz"), "ファイル名の指定が間違っています"},
        {dir.File("folder"), "ファイルへのアクセスが拒否されました"},
    };
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(path);
        ExpectError([&] { ReadCoordinateFile(path, t); }, ErrorKind::File, message);
        EXPECT_EQ(Snapshot(t), before);
        EXPECT_EQ(t.AtomCount, 5);
    }
}

// Reads of a few bytes give the same table, failures included, as reads of
// a megabyte: every line end, CR and end-of-file mark falls on a boundary
// for some size.
TEST(CoordinateReaderTest, ReadSizeChangesNothing) {
    const std::string mark(1, '\x1a');
    const std::string files[] = {
        "C1 0.1 0.2 0.3\r\nO1 1.5 -2 0.3\r\nH1 0 0 0\r\n",
        "Cl12 1.123456789 2 3.987654321",
        "A 1 2 3\r\rB\r 4 5 6\n" + mark + "\r\n",
        "A 1 2 3" + mark + "junk\nB 4\r 5 6\r\n\r\n",
        "N1 1 2 3\nN2 1 abc 3\n",
    };
    TempDir dir;
    for (const std::string& bytes : files) {
        SCOPED_TRACE(bytes);
        const std::string path = dir.Write("in.xyz", bytes);
        AtomTable whole;
        std::string wholeError;
        try {
            ReadCoordinateFile(path, whole);
        } catch (const Error& e) {
            wholeError = e.Message();
        }
        for (std::size_t chunk = 1; chunk <= 7; ++chunk) {
            AtomTable bits;
            std::string error;
            ReadOptions options;
            options.lines.chunkSize = chunk;
            try {
                ReadCoordinateFile(path, bits, options);
            } catch (const Error& e) {
                error = e.Message();
            }
            EXPECT_EQ(error, wholeError) << chunk;
            EXPECT_EQ(Snapshot(bits), Snapshot(whole)) << chunk;
        }
    }
}

TEST(CoordinateWriterTest, FixedColumns) {
    struct Case {
        std::string label;
        double x, y, z;
        std::string line;
    };
    const Case cases[] = {
        {"C1", 0.1, -1.5, 2.25,
         "C1" + std::string(13, ' ') + " 0.100000000   -1.500000000    2.250000000\r\n"},
        {"Fe", 0, 0, 0,
         "Fe" + std::string(13, ' ') + " 0.000000000    0.000000000    0.000000000\r\n"},
        {"ABCDEFGHIJKLMN", 1, 1, 1,
         "ABCDEFGHIJKLMN  1.000000000    1.000000000    1.000000000\r\n"},
        {"", 1, 1, 1, std::string(15, ' ') + " 1.000000000    1.000000000    1.000000000\r\n"},
        {"ABCDEFGHIJKLMNOP", 1, 1, 1,
         "ABCDEFGHIJKLMNOP  1.000000000    1.000000000    1.000000000\r\n"},
        {"C", 123.456, 0, 0,
         "C" + std::string(14, ' ') + "123.456000000    0.000000000    0.000000000\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string out;
        AppendCoordinateLine(out, c.label, c.x, c.y, c.z);
        EXPECT_EQ(out, c.line);
    }
    std::string line;
    AppendCoordinateLine(line, "C1", 0.1, -1.5, 2.25);
    EXPECT_EQ(line.size(), 57u + 2u);
}

TEST(CoordinateWriterTest, DefaultOutputName) {
    const std::pair<const char*, const char*> cases[] = {
        {"/data/mol.xyz", "/data/mol.out"},
        {"/data/mol", "/data.out"},
        {"abc", ".out"},
        {"", ".out"},
        {"abcd", ".out"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(DefaultOutputName(in), out) << in;
}

TEST(CoordinateFilesTest, SaveThenOpenGivesLabelsAndRoundedCoordinates) {
    TempDir dir;
    AtomTable t;
    ReadCoordinateFile(dir.Write("in.xyz",
                                 "Fe 0 0 0\nC1 1.23456789012 -0.5 1e-12\nO 99.9999999996 "
                                 "-12.345678901234 3\n"),
                       t);
    WriteCoordinateFile(dir.File("out.out"), t);
    AtomTable back;
    ReadCoordinateFile(dir.File("out.out"), back);
    ASSERT_EQ(back.AtomCount, 3);
    EXPECT_EQ(
        Snapshot(back),
        Snapshot(3, {{"None"}, {"Fe"}, {"C1", 1.234567890, -0.5, 0}, {"O", 100, -12.345678901, 3}},
                 13));
}

TEST(CoordinateFilesTest, SavingBeforeAnyOpenWritesAnEmptyFile) {
    TempDir dir;
    AtomTable empty;
    const std::string path = dir.Write("x.out", "old");
    WriteCoordinateFile(path, empty);
    EXPECT_EQ(ReadAll(path), "");
}

}  // namespace
}  // namespace pivora
