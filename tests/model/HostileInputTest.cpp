// Files and faults that a careless or hostile source can produce. Each case
// says what it must give and checks that a failure leaves the molecule in
// memory as it was.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <random>
#include <string>

#include "model/CoordinateReader.h"
#include "model/Error.h"
#include "model/FileIo.h"
#include "support/ErrorCheck.h"
#include "support/TableCheck.h"
#include "support/TempDir.h"

namespace pivora {
namespace {

using test::ExpectError;
using test::Snapshot;
using test::TableSnapshot;
using test::TempDir;

const char kOldMolecule[] = "Fe 0 0 0\nC1 1.5 0 0\nC2 -1.5 0 0\nO1 2.6 0 0\n";

class HostileInputTest : public ::testing::Test {
  protected:
    void SetUp() override { ReadCoordinateFile(dir_.Write("old.xyz", kOldMolecule), table_); }

    // Reads bytes; returns the error message, or "" on success.
    std::string Open(const std::string& bytes) { return OpenPath(dir_.Write("in.xyz", bytes)); }
    std::string OpenPath(const std::string& path, const ReadOptions& options = {}) {
        try {
            ReadCoordinateFile(path, table_, options);
            return "";
        } catch (const Error& e) {
            return e.Message();
        }
    }
    void ExpectFinite() const {
        for (std::size_t i = 0; i < table_.Capacity(); ++i) {
            ASSERT_TRUE(std::isfinite(table_.AtomX[i]) && std::isfinite(table_.AtomY[i]) &&
                        std::isfinite(table_.AtomZ[i]));
        }
    }

    TempDir dir_;
    AtomTable table_;
};

struct RefusedCase {
    const char* name;
    std::string bytes;
    std::string message;
};

TEST_F(HostileInputTest, RefusedFilesLeaveTheMoleculeUnchanged) {
    std::mt19937 rng(5);
    std::string garbage(4096, '\0');
    for (char& c : garbage) c = static_cast<char>(rng());
    garbage[0] = 'x';  // the first line is not a number line
    garbage[1] = ' ';
    garbage[2] = 'q';
    const std::string nul("N\0", 2);
    const RefusedCase cases[] = {
        {"binary garbage", garbage, ""},
        {"NUL inside a number", "C1 1" + nul.substr(1) + "5 0 0\n",
         "'1" + nul.substr(1) + "5' は浮動小数点数ではありません"},
        {"lone CRs only", "\r\r\r\r", "'' は浮動小数点数ではありません"},
        {"exponent 500 into a double", "C1 1E500 0 0\n", "浮動小数点数のオーバーフロー"},
        {"exponent 5000", "C1 1E5000 0 0\n", "'1E5000' は浮動小数点数ではありません"},
        {"exponent 4999", "C1 1E4999 0 0\n", "'1E4999' は浮動小数点数ではありません"},
        {"second line bad", "C1 1 2 3\nC2 1 2 three\n", "'three' は浮動小数点数ではありません"},
    };
    const TableSnapshot before = Snapshot(table_);
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string message = Open(c.bytes);
        EXPECT_FALSE(message.empty());
        if (!c.message.empty()) {
            EXPECT_EQ(message, c.message);
        }
        EXPECT_EQ(Snapshot(table_), before);
    }
}

TEST_F(HostileInputTest, NulBytesInsideALabelAreKept) {
    const std::string label("C\0l", 3);
    ASSERT_EQ(Open(label + " 1 2 3\n"), "");
    EXPECT_EQ(table_.AtomName[1], label);
    ASSERT_EQ(Open(std::string("\0\0Fe\0 1 2 3\n", 11)), "");
    EXPECT_EQ(table_.AtomName[1], "Fe");  // trimmed at both ends like blanks
}

TEST_F(HostileInputTest, EndOfFileMark) {
    const std::string mark(1, '\x1a');
    EXPECT_EQ(Open(mark + "C1 1 2 3\n"), "");
    EXPECT_EQ(table_.AtomCount, 0);
    EXPECT_EQ(Open("C1 1 2 3" + mark + " junk\nC2 4 5 6\n"), "");
    EXPECT_EQ(table_.AtomCount, 2);
    EXPECT_EQ(table_.AtomZ[1], 3.0);
    EXPECT_EQ(Open("C1 1 2 3\n" + mark), "");
    EXPECT_EQ(table_.AtomCount, 1);
}

TEST_F(HostileInputTest, ASingleLineOf50Megabytes) {
    const std::string digits(50u << 20, '7');
    const TableSnapshot before = Snapshot(table_);
    const std::string message = Open("C1 1 2 " + digits + "\n");
    EXPECT_EQ(message.size(),
              digits.size() + std::string("'' は浮動小数点数ではありません").size());
    EXPECT_EQ(Snapshot(table_), before);
    // The same line with a readable last field reads, long label and all.
    std::string label(50u << 20, 'L');
    ASSERT_EQ(Open(label + " 1 2 3"), "");
    EXPECT_EQ(table_.AtomName[1].size(), label.size());
}

TEST_F(HostileInputTest, ALineOfAMillionFields) {
    std::string line = "C1 1.5 2.5 3.5";
    for (int i = 0; i < 1000000; ++i) line += " x";
    ASSERT_EQ(Open(line + "\nC2 0 0 0\n"), "");
    EXPECT_EQ(table_.AtomCount, 2);
    EXPECT_EQ(table_.AtomZ[1], 3.5);
}

TEST_F(HostileInputTest, ADirectoryInPlaceOfTheFile) {
    ::mkdir(dir_.File("folder.xyz").c_str(), 0755);
    const TableSnapshot before = Snapshot(table_);
    EXPECT_EQ(OpenPath(dir_.File("folder.xyz")), "ファイルへのアクセスが拒否されました");
    EXPECT_EQ(Snapshot(table_), before);
}

TEST_F(HostileInputTest, FileRemovedBetweenThePasses) {
    const std::string path = dir_.Write("in.xyz", "A 1 2 3\nB 4 5 6\n");
    ReadOptions removing;
    removing.betweenPasses = [&] { ::unlink(path.c_str()); };
    const TableSnapshot before = Snapshot(table_);
    EXPECT_EQ(OpenPath(path, removing), "ファイルが見つかりません");
    EXPECT_EQ(Snapshot(table_), before);
}

TEST_F(HostileInputTest, FileReplacedOrGrownBetweenThePasses) {
    struct Case {
        const char* name;
        std::string replacement;
        std::int32_t atoms;  // -1: refused
        const char* lastLabel;
    };
    const Case cases[] = {
        {"grown", "A 1 2 3\nB 4 5 6\nC 7 8 9\nD 0 0 0\n", 2, "B"},
        {"last line grown", "A 1 2 3\nB 4 5 67\n", 2, "B"},
        {"replaced by a bad one", "A x 2 3\nB 4 5 6\n", -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Open(kOldMolecule), "");
        const TableSnapshot before = Snapshot(table_);
        const std::string path = dir_.Write("in.xyz", "A 1 2 3\nB 4 5 6\n");
        ReadOptions replacing;
        replacing.betweenPasses = [&] { dir_.Write("in.xyz", c.replacement); };
        const std::string message = OpenPath(path, replacing);
        if (c.atoms < 0) {
            EXPECT_FALSE(message.empty());
            EXPECT_EQ(Snapshot(table_), before);
            continue;
        }
        ASSERT_EQ(message, "");
        EXPECT_EQ(table_.AtomCount, c.atoms);
        EXPECT_EQ(table_.Capacity(), static_cast<std::size_t>(c.atoms) + 10);
        EXPECT_EQ(table_.AtomName[static_cast<std::size_t>(c.atoms)], c.lastLabel);
        ExpectFinite();
    }
}

// A file that loses lines, or the end of its last line, between the passes
// would give fewer atoms or a cut number: it is a file error instead.
TEST_F(HostileInputTest, FileShortenedBetweenThePasses) {
    const std::string mark(1, '\x1a');
    const std::pair<const char*, std::string> cases[] = {
        {"fewer lines", "A 1 2 3\n"},
        {"empty", ""},
        {"last number cut", "A 1 2 3\nB 4 5 6"},
        {"last line end cut", "A 1 2 3\nB 4 5 67"},
        {"end-of-file mark", "A 1 2 3\n" + mark + "B 4 5 67\n"},
    };
    for (const auto& [name, shorter] : cases) {
        SCOPED_TRACE(name);
        const TableSnapshot before = Snapshot(table_);
        const std::string path = dir_.Write("in.xyz", "A 1 2 3\nB 4 5 67\n");
        ReadOptions shortening;
        shortening.betweenPasses = [&] { dir_.Write("in.xyz", shorter); };
        for (std::size_t chunk : {std::size_t{3}, std::size_t{1} << 20}) {
            shortening.lines.chunkSize = chunk;
            const Error e = ExpectError([&] { ReadCoordinateFile(path, table_, shortening); },
                                        ErrorKind::File, "I/O エラー (5)");
            EXPECT_EQ(e.Errnum(), EIO);
            EXPECT_NE(e.Detail().find("shorter"), std::string::npos);
            EXPECT_EQ(Snapshot(table_), before);
            dir_.Write("in.xyz", "A 1 2 3\nB 4 5 67\n");
        }
    }
}

}  // namespace
}  // namespace pivora
