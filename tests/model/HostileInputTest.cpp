// Files and faults that a careless or hostile source can produce. Each case
// says what it must give and checks that a failure leaves the molecule in
// memory as it was.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <functional>
#include <random>
#include <string>

#include "base/Error.h"
#include "coordinates/CoordinateReader.h"
#include "files/FileIo.h"
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

// The refusal of a file that changed while it was read.
void ExpectChangedWhileRead(const Error& e) {
    EXPECT_EQ(e.Kind(), ErrorKind::File);
    EXPECT_NE(e.Detail().find("changed while it was being read"), std::string::npos) << e.Detail();
}

TEST_F(HostileInputTest, FileRemovedBetweenThePasses) {
    const std::string path = dir_.Write("in.xyz", "A 1 2 3\nB 4 5 6\n");
    ReadOptions removing;
    removing.betweenPasses = [&] { ::unlink(path.c_str()); };
    const TableSnapshot before = Snapshot(table_);
    const Error e = ExpectError([&] { ReadCoordinateFile(path, table_, removing); },
                                ErrorKind::File, "ファイルが見つかりません");
    ExpectChangedWhileRead(e);
    EXPECT_EQ(Snapshot(table_), before);
}

// Whatever changes between the passes, the molecule read would be one that
// never was: a file grown gave the counted lines of the new one, a file
// rewritten in place a mix of both. Every change is the same file error,
// before any line is judged, and the molecule stays.
TEST_F(HostileInputTest, FileChangedBetweenThePasses) {
    const std::string original = "A 1 2 3\nB 4 5 6\n";
    const auto replace = [&](const std::string& bytes) {
        // Written beside it and renamed over it: a new inode.
        const std::string fresh = dir_.Write("fresh.xyz", bytes);
        ASSERT_EQ(::rename(fresh.c_str(), dir_.File("in.xyz").c_str()), 0);
    };
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"grown", [&] { dir_.Write("in.xyz", original + "C 7 8 9\nD 0 0 0\n"); }},
        {"last line grown", [&] { dir_.Write("in.xyz", "A 1 2 3\nB 4 5 67\n"); }},
        {"rewritten in place, same size", [&] { dir_.Write("in.xyz", "A 9 8 7\nB 6 5 4\n"); }},
        {"rewritten with a bad field", [&] { dir_.Write("in.xyz", "A x 2 3\nB 4 5 6\n"); }},
        {"replaced by a rename", [&] { replace("A 9 8 7\nB 6 5 4\n"); }},
        {"replaced by the same bytes", [&] { replace(original); }},
    };
    for (const auto& [name, change] : cases) {
        SCOPED_TRACE(name);
        for (const bool refill : {false, true}) {
            ASSERT_EQ(Open(kOldMolecule), "");
            const TableSnapshot before = Snapshot(table_);
            const std::string path = dir_.Write("in.xyz", original);
            ReadOptions changing;
            changing.betweenPasses = change;
            const Error e = ExpectError(
                [&] {
                    if (refill) {
                        ReadCoordinateFile(path, table_, changing);
                    } else {
                        table_ = ReadCoordinateTable(path, table_, changing);
                    }
                },
                ErrorKind::File, "I/O エラー (5)");
            EXPECT_EQ(e.Errnum(), EIO);
            ExpectChangedWhileRead(e);
            EXPECT_EQ(Snapshot(table_), before);
        }
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
            ExpectChangedWhileRead(e);
            EXPECT_EQ(Snapshot(table_), before);
            dir_.Write("in.xyz", "A 1 2 3\nB 4 5 67\n");
        }
    }
}

}  // namespace
}  // namespace pivora
