#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/Error.h"
#include "coordinates/CoordinateReader.h"
#include "coordinates/CoordinateWriter.h"
#include "files/DirectoryMemory.h"
#include "files/FileIo.h"
#include "support/ErrorCheck.h"
#include "support/TempDir.h"

namespace pivora {
namespace {

using test::ReadAll;
using test::TempDir;

std::vector<std::string> ReadLines(const std::string& path, LineReaderOptions options = {}) {
    LineReader reader(path, options);
    std::vector<std::string> lines;
    while (!reader.AtEnd()) lines.emplace_back(reader.NextLine());
    return lines;
}

struct LineCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
};

std::vector<LineCase> LineCases() {
    const std::string mark(1, '\x1a');
    return {
        {"lf", "a\nb\n", {"a", "b"}},
        {"crlf", "a\r\nb\r\n", {"a", "b"}},
        {"no end on last", "a\nb", {"a", "b"}},
        {"empty file", "", {}},
        {"one empty line", "\n", {""}},
        {"blank line after last", "a\n\n", {"a", ""}},
        {"lone cr dropped", "a\rb\nc\r", {"ab", "c"}},
        {"only cr", "\r\r\r", {""}},
        {"mark at start ends file", "a\n" + mark + "b\nc\n", {"a"}},
        {"mark first", mark + "a\n", {}},
        {"mark inside line", "ab" + mark + "cd\ne\n", {"ab", "e"}},
        {"mark at the very end", "a\n" + mark, {"a"}},
        {"nul kept", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
        {"cr before cr lf", "a\r\r\nb", {"a", "b"}},
        // Every byte of these lands at the start, in the middle and at the
        // end of a read somewhere among the chunk sizes below.
        {"crs and marks everywhere",
         "ab\r\ncd\r\r\nx" + mark + "\r\n\r\n" + mark + "z\n",
         {"ab", "cd", "x", ""}},
        {"cr then mark then lf",
         "C1 1 2 3\r" + mark + "\r\nC2 4 5 6\r\n",
         {"C1 1 2 3", "C2 4 5 6"}},
        {"long lines with lone crs",
         "C1 1.5\r 2.5 3.5\r\nO1 -1 -2 -3",
         {"C1 1.5 2.5 3.5", "O1 -1 -2 -3"}},
    };
}

TEST(LineReaderTest, LineRules) {
    for (const LineCase& c : LineCases()) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        EXPECT_EQ(ReadLines(dir.Write("f", c.bytes)), c.lines);
    }
}

// Reads of one byte up to a few bytes put every line end, CR and end-of-file
// mark on a boundary between reads; the lines must not change.
TEST(LineReaderTest, LineRulesHoldForEveryReadSize) {
    TempDir dir;
    for (const LineCase& c : LineCases()) {
        const std::string path = dir.Write("f", c.bytes);
        for (std::size_t chunk = 0; chunk <= 9; ++chunk) {
            SCOPED_TRACE(std::string(c.name) + ", chunk " + std::to_string(chunk));
            EXPECT_EQ(ReadLines(path, {chunk}), c.lines);
            LineReader reader(path, {chunk});
            std::size_t skipped = 0;
            while (!reader.AtEnd()) {
                reader.SkipLine();
                ++skipped;
            }
            EXPECT_EQ(skipped, c.lines.size());
        }
    }
}

// The offset is where the next line starts; a byte limit ends the file early
// and says so.
TEST(LineReaderTest, OffsetAndByteLimit) {
    TempDir dir;
    const std::string path = dir.Write("f", "ab\r\ncde\nf");
    for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, std::size_t{1} << 20}) {
        SCOPED_TRACE(chunk);
        LineReader reader(path, {chunk});
        EXPECT_EQ(reader.Offset(), 0u);
        EXPECT_EQ(reader.NextLine(), "ab");
        EXPECT_EQ(reader.Offset(), 4u);
        reader.SkipLine();
        EXPECT_EQ(reader.Offset(), 8u);
        EXPECT_EQ(reader.NextLine(), "f");
        EXPECT_EQ(reader.Offset(), 9u);
        EXPECT_TRUE(reader.AtEnd());
        EXPECT_FALSE(reader.LimitReached());

        LineReader limited(path, {chunk, 6});
        EXPECT_EQ(limited.NextLine(), "ab");
        EXPECT_FALSE(limited.LimitReached());
        EXPECT_EQ(limited.NextLine(), "cd");
        EXPECT_TRUE(limited.LimitReached());
        EXPECT_TRUE(limited.AtEnd());
        EXPECT_EQ(limited.Offset(), 6u);
    }
}

TEST(LineReaderTest, LinesLongerThanTheReadBuffer) {
    TempDir dir;
    const std::string longLine(3 << 20, 'x');
    const std::string path = dir.Write("f", longLine + "\r\n" + "short\r" + std::string(5, 'y'));
    const std::vector<std::string> lines = ReadLines(path);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], longLine);
    EXPECT_EQ(lines[1], "shortyyyyy");
}

TEST(LineReaderTest, OpenFailures) {
    TempDir dir;
    struct Case {
        std::string path;
        const char* message;
    };
    ::mkdir(dir.File("sub").c_str(), 0755);
    const Case cases[] = {
        {dir.File("missing.xyz"), "ファイルが見つかりません"},
        {dir.File("nodir/missing.xyz"), "ファイル名の指定が間違っています"},
        {dir.File("sub"), "ファイルへのアクセスが拒否されました"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        test::ExpectError([&] { LineReader reader(c.path); }, ErrorKind::File, c.message);
    }
}

TEST(FileIoTest, DirectoryPart) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/chem/mol.xyz", "/home/chem"},
        {"/mol.xyz", "/"},
        {"mol.xyz", ""},
        {"/a/b/", "/a/b"},
        {"", ""},
    };
    for (const auto& [path, dir] : cases) EXPECT_EQ(DirectoryPart(path), dir) << path;
}

TEST(FileIoTest, AbsolutePathKeepsTheBytesOfEveryName) {
    const std::string cwd = CurrentDirectory();
    const std::pair<std::string, std::string> cases[] = {
        {"/a/b/../c/./d.xyz", "/a/c/d.xyz"},
        {"//a///caf\xe9.xyz", "/a/caf\xe9.xyz"},
        {"/..", "/"},
        {"caf\xe9.xyz", cwd + "/caf\xe9.xyz"},
        {"./x/../mol.xyz", cwd + "/mol.xyz"},
        {"", ""},
    };
    for (const auto& [path, absolute] : cases) EXPECT_EQ(AbsolutePath(path), absolute) << path;
}

TEST(FileIoTest, IsPlainFile) {
    TempDir dir;
    EXPECT_TRUE(IsPlainFile(dir.Write("f", "x")));
    EXPECT_FALSE(IsPlainFile(dir.path()));
    EXPECT_FALSE(IsPlainFile(dir.File("none")));
}

TEST(SafeFileWriterTest, ReplacesAndKeepsPermissionBits) {
    TempDir dir;
    const std::string path = dir.Write("out.txt", "old content");
    ::chmod(path.c_str(), 0640);
    SafeFileWriter writer(path);
    writer.Write("new");
    writer.Commit();
    EXPECT_EQ(ReadAll(path), "new");
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// The two ways a save writes: the writer itself, and a whole coordinate file
// of 1000 atoms through it.
struct Saver {
    const char* name;
    std::function<void(const std::string&, const WriteOptions&)> save;
};

std::vector<Saver> Savers() {
    AtomTable molecule;
    std::string lines;
    for (int i = 1; i <= 1000; ++i) {
        lines +=
            "N" + std::to_string(i) + " " + std::to_string(i) + " " + std::to_string(-i) + " 0.5\n";
    }
    TempDir dir;
    ReadCoordinateFile(dir.Write("in.xyz", lines), molecule);
    return {
        {"SafeFileWriter",
         [](const std::string& path, const WriteOptions& options) {
             SafeFileWriter writer(path, options);
             writer.Write(std::string(20000, 'n'));
             writer.Commit();
         }},
        {"WriteCoordinateFile", [molecule](const std::string& path, const WriteOptions& options) {
             WriteCoordinateFile(path, molecule, options);
         }}};
}

// A disk that is full, or fills after a few kilobytes, fails the save with
// the disk's error and leaves the old file as it was: its bytes, its mode,
// and no temporary file beside it.
TEST(SafeFileWriterTest, FailedWriteLeavesTheOldFileAndNoTemporary) {
    WriteOptions full;
    full.write = [](int, const char*, std::size_t) -> long {
        errno = ENOSPC;
        return -1;
    };
    long budget = 0;
    WriteOptions fills;
    fills.write = [&](int fd, const char* data, std::size_t size) {
        if (budget <= 0) {
            errno = ENOSPC;
            return -1L;
        }
        const long n = static_cast<long>(std::min<std::size_t>(size, budget));
        budget -= n;
        return static_cast<long>(::write(fd, data, static_cast<std::size_t>(n)));
    };
    for (const Saver& saver : Savers()) {
        for (const WriteOptions* disk : {&full, &fills}) {
            SCOPED_TRACE(std::string(saver.name) + (disk == &full ? ", full" : ", filling"));
            budget = 5000;
            TempDir dir;
            const std::string path = dir.Write("keep.out", "old content\r\n");
            ::chmod(path.c_str(), 0604);
            const Error e = test::ExpectError([&] { saver.save(path, *disk); }, ErrorKind::File,
                                              "I/O エラー (28)");
            EXPECT_EQ(e.Errnum(), ENOSPC);
            EXPECT_NE(e.Detail().find("disk is full"), std::string::npos) << e.Detail();
            EXPECT_EQ(ReadAll(path), "old content\r\n");
            struct stat st;
            ASSERT_EQ(::stat(path.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0604u);
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
        }
    }
}

TEST(SafeFileWriterTest, RefusesDirectoriesAndMissingDirectories) {
    TempDir dir;
    ::mkdir(dir.File("sub").c_str(), 0755);
    struct Case {
        std::string path;
        const char* message;
    };
    const Case cases[] = {
        {dir.File("sub"), "ファイルへのアクセスが拒否されました"},
        {dir.File("nodir/out.txt"), "ファイル名の指定が間違っています"},
    };
    for (const Saver& saver : Savers()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(saver.name) + " " + c.path);
            test::ExpectError([&] { saver.save(c.path, {}); }, ErrorKind::File, c.message);
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("sub")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("nodir")));
}

TEST(SafeFileWriterTest, WritesThroughASymbolicLink) {
    TempDir dir;
    const std::string real = dir.Write("real.txt", "old");
    ASSERT_EQ(::symlink(real.c_str(), dir.File("link.txt").c_str()), 0);
    SafeFileWriter writer(dir.File("link.txt"));
    writer.Write("new");
    writer.Commit();
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.txt")));
    EXPECT_EQ(ReadAll(real), "new");
}

TEST(DirectoryMemoryTest, Path) {
    EXPECT_EQ(DirinfPath("/home/chem"), "/home/chem/dirinf");
    EXPECT_EQ(DirinfPath("/"), "/dirinf");
}

TEST(DirectoryMemoryTest, StoreThenLoad) {
    TempDir start;
    StoreLastDir(start.path(), "/data/molecules");
    EXPECT_EQ(ReadAll(start.File("dirinf")), "/data/molecules\r\n");
    EXPECT_EQ(LoadLastDir(start.path()), "/data/molecules");
    start.Write("dirinf", "/first\nsecond line\n");
    EXPECT_EQ(LoadLastDir(start.path()), "/first");
}

TEST(DirectoryMemoryTest, FallsBackToTheCurrentDirectory) {
    TempDir start;
    EXPECT_EQ(LoadLastDir(start.path()), CurrentDirectory());  // no dirinf
    ::mkdir(start.File("dirinf").c_str(), 0755);               // not a plain file
    EXPECT_EQ(LoadLastDir(start.path()), CurrentDirectory());
    // Cannot be written: a directory stands in its place. Nothing is thrown.
    EXPECT_NO_THROW(StoreLastDir(start.path(), "/x"));
    EXPECT_NO_THROW(StoreLastDir(start.File("missing"), "/x"));
}

TEST(DirectoryMemoryTest, AcceptingAFileRemembersItsDirectory) {
    TempDir start;
    TempDir data;
    const std::string before = CurrentDirectory();
    RememberedPaths paths;
    paths.StartDir = start.path();
    AcceptChosenInputFile(paths, data.File("mol.xyz"));
    EXPECT_EQ(paths.InFileName, data.File("mol.xyz"));
    EXPECT_EQ(paths.LastDir, data.path());
    EXPECT_EQ(CurrentDirectory(), std::filesystem::canonical(data.path()).string());
    EXPECT_EQ(LoadLastDir(start.path()), data.path());
    // A directory that does not exist is not entered, and nothing fails.
    AcceptChosenInputFile(paths, data.File("gone/mol.xyz"));
    EXPECT_EQ(paths.LastDir, data.File("gone"));
    ASSERT_EQ(::chdir(before.c_str()), 0);
}

}  // namespace
}  // namespace pivora
