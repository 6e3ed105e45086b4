// What the file layer does with files that are not what they seem: devices,
// FIFOs and sockets, hard and symbolic links, files of other owners,
// read-only folders, saves killed half-way, and a huge directory memory.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "base/Error.h"
#include "files/DirectoryMemory.h"
#include "files/FileIo.h"
#include "support/AllocationLimit.h"
#include "support/ErrorCheck.h"
#include "support/Promptly.h"
#include "support/TempDir.h"

namespace pivora {
namespace {

using test::ExpectPromptly;
using test::ReadAll;
using test::TempDir;

constexpr char kDenied[] = "ファイルへのアクセスが拒否されました";

enum class Special { Fifo, CharacterDevice, Socket };

struct SpecialCase {
    Special kind;
    const char* name;
    const char* detailWord;  // what the detail calls it
};

const SpecialCase kSpecials[] = {
    {Special::Fifo, "fifo", "FIFO"},
    {Special::CharacterDevice, "null", "character device"},
    {Special::Socket, "socket", "socket"},
};

// Makes the special file; false when this user may not (a device node needs
// privileges).
bool Make(Special kind, const std::string& path) {
    switch (kind) {
        case Special::Fifo:
            return ::mkfifo(path.c_str(), 0666) == 0;
        case Special::CharacterDevice:  // the numbers of /dev/null
            return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
        case Special::Socket: {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            if (fd < 0 || path.size() >= sizeof address.sun_path) return false;
            path.copy(address.sun_path, path.size());
            const bool made =
                ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
            ::close(fd);
            return made;
        }
    }
    return false;
}

struct Identity {
    dev_t dev;
    ino_t ino;
    mode_t mode;
    bool operator==(const Identity&) const = default;
};

Identity IdentityOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return {st.st_dev, st.st_ino, st.st_mode};
}

bool RefusedAsNotRegular(const std::function<void()>& act, const char* detailWord) {
    try {
        act();
    } catch (const Error& e) {
        return e.Kind() == ErrorKind::File && e.Message() == kDenied && e.Errnum() == EACCES &&
               e.Detail().find(detailWord) != std::string::npos;
    }
    return false;
}

// One special file of each kind in a fresh folder.
class SpecialFile : public ::testing::TestWithParam<SpecialCase> {
  protected:
    void SetUp() override {
        if (!Make(GetParam().kind, path))
            GTEST_SKIP() << "this user may not make a " << GetParam().name << " here";
    }
    TempDir dir;
    const std::string path = dir.File(GetParam().name);
};

INSTANTIATE_TEST_SUITE_P(Kinds, SpecialFile, ::testing::ValuesIn(kSpecials),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(SpecialFile, IsNeitherReadNorWaitedFor) {
    const auto open = [&] { LineReader reader(path); };
    ExpectPromptly([&] { return RefusedAsNotRegular(open, GetParam().detailWord); });
    if (!HasFailure()) {
        EXPECT_TRUE(RefusedAsNotRegular(open, GetParam().detailWord));
    }
}

TEST_P(SpecialFile, IsNeverReplacedBySaving) {
    const std::string link = dir.File("link.out");
    ASSERT_EQ(::symlink(GetParam().name, link.c_str()), 0);
    const Identity node = IdentityOf(path);
    for (const std::string& target : {path, link}) {
        SCOPED_TRACE(target);
        EXPECT_TRUE(RefusedAsNotRegular(
            [&] {
                SafeFileWriter writer(target);
                writer.Write("C1 1 2 3\r\n");
                writer.Commit();
            },
            GetParam().detailWord));
    }
    EXPECT_EQ(IdentityOf(path), node);
    EXPECT_TRUE(S_ISLNK(IdentityOf(link).mode));
    // No temporary file was left beside them.
    std::vector<std::string> both = {"link.out", GetParam().name};
    std::sort(both.begin(), both.end());
    EXPECT_EQ(dir.Names(), both);
}

// A device that every system has, whose reading never ends, and those
// whose reading waits for input.
TEST(SpecialFiles, DevicesAreNotRead) {
    std::vector<std::string> devices = {"/dev/zero"};
    for (const test::HangingCase& c : test::kHangingCases) {
        std::string reason;
        if (c.device == nullptr) continue;
        const std::string path = test::HangingPath(c, TempDir(), reason);
        if (path.empty()) {
            std::cout << "not tried: " << reason << '\n';
            continue;
        }
        devices.push_back(path);
    }
    for (const std::string& device : devices) {
        SCOPED_TRACE(device);
        ExpectPromptly([&] {
            return RefusedAsNotRegular([&] { InputFile file(device); }, "character device") &&
                   RefusedAsNotRegular([&] { LineReader reader(device); }, "character device");
        });
    }
}

TEST(SpecialFiles, DirinfThatLinksToAFifoIsSkipped) {
    TempDir start;
    const std::string fifo = start.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    ASSERT_EQ(::symlink("fifo", DirinfPath(start.path()).c_str()), 0);
    const std::string cwd = CurrentDirectory();
    ExpectPromptly([&] {
        StoreLastDir(start.path(), "/data");
        return LoadLastDir(start.path()) == cwd;
    });
    if (HasFailure()) return;
    StoreLastDir(start.path(), "/data");
    EXPECT_EQ(LoadLastDir(start.path()), cwd);
    EXPECT_TRUE(S_ISFIFO(IdentityOf(fifo).mode));
    EXPECT_TRUE(S_ISLNK(IdentityOf(DirinfPath(start.path())).mode));
}

// A dirinf that someone planted (a link, a FIFO, another user's file) is
// neither read nor replaced, and whatever it leads to stays as it was: a
// link to a file of the user's own got the folder's name written into it.
// A hard link is not followed either: dirinf becomes a file of its own.
TEST(DirectoryMemory, ADirinfNotOfTheUsersOwnIsLeftAlone) {
    struct Case {
        const char* name;
        // Plants dirinf; false when this user cannot. victim: a file that
        // must keep its bytes.
        std::function<bool(const std::string& dirinf, const TempDir& other, std::string& victim)>
            plant;
        bool remembered;  // dirinf is then replaced by a file of the user's own
    };
    const Case cases[] = {
        {"link to the user's file",
         [](const std::string& dirinf, const TempDir& other, std::string& victim) {
             victim = other.Write("precious.xyz", "Fe 0 0 0\r\n");
             return ::symlink(victim.c_str(), dirinf.c_str()) == 0;
         },
         false},
        {"link to nothing yet",
         [](const std::string& dirinf, const TempDir& other, std::string&) {
             return ::symlink(other.File("created").c_str(), dirinf.c_str()) == 0;
         },
         false},
        {"link to itself",
         [](const std::string& dirinf, const TempDir&, std::string&) {
             return ::symlink("dirinf", dirinf.c_str()) == 0;
         },
         false},
        {"FIFO",
         [](const std::string& dirinf, const TempDir&, std::string&) {
             return ::mkfifo(dirinf.c_str(), 0666) == 0;
         },
         false},
        {"another user's file",
         [](const std::string& dirinf, const TempDir& other, std::string& victim) {
             victim = dirinf;
             other.Write("unused", "");
             const int fd = ::open(dirinf.c_str(), O_WRONLY | O_CREAT, 0644);
             const bool written = fd >= 0 && ::write(fd, "/theirs\r\n", 9) == 9;
             if (fd >= 0) ::close(fd);
             // Only root may give a file away.
             return written && ::chown(dirinf.c_str(), 4321, 4321) == 0;
         },
         false},
        {"hard link to the user's file",
         [](const std::string& dirinf, const TempDir& other, std::string& victim) {
             victim = other.Write("precious.xyz", "Fe 0 0 0\r\n");
             return ::link(victim.c_str(), dirinf.c_str()) == 0;
         },
         true},
    };
    const std::string cwd = CurrentDirectory();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir start;
        TempDir other;
        const std::string dirinf = DirinfPath(start.path());
        std::string victim;
        if (!c.plant(dirinf, other, victim)) {
            std::cout << "not tried (this user may not): " << c.name << '\n';
            continue;
        }
        const Identity node = IdentityOf(dirinf);
        const std::string victimBytes = victim.empty() ? "" : ReadAll(victim);
        const std::vector<std::string> otherNames = other.Names();
        // Nor is it read.
        if (!c.remembered) ExpectPromptly([&] { return LoadLastDir(start.path()) == cwd; });
        ExpectPromptly([&] {
            StoreLastDir(start.path(), "/data");
            return LoadLastDir(start.path()) == (c.remembered ? "/data" : cwd);
        });
        if (!victim.empty()) {
            EXPECT_EQ(ReadAll(victim), victimBytes);
        }
        EXPECT_EQ(other.Names(), otherNames);
        if (c.remembered) {
            EXPECT_NE(IdentityOf(dirinf), node);
            EXPECT_EQ(ReadAll(dirinf), "/data\r\n");
        } else {
            EXPECT_EQ(IdentityOf(dirinf), node);
        }
        EXPECT_EQ(start.Names(), std::vector<std::string>{"dirinf"});
    }
}

std::string Save(const std::string& path, const std::string& bytes, WriteOptions options = {},
                 SafeFileWriter::Method* used = nullptr) {
    SafeFileWriter writer(path, std::move(options));
    writer.Write(bytes);
    writer.Commit();
    if (used) *used = writer.Used();
    return writer.Target();
}

std::vector<std::string> TemporaryNames(const TempDir& dir) {
    std::vector<std::string> names;
    for (const std::string& name : dir.Names())
        if (name.rfind(".pivora-", 0) == 0) names.push_back(name);
    return names;
}

TEST(FileIdentity, HardLinksKeepSeeingTheSavedContent) {
    TempDir dir;
    const std::string first = dir.Write("first.out", "old content\r\n");
    const std::string second = dir.File("second.out");
    ASSERT_EQ(::link(first.c_str(), second.c_str()), 0);
    const Identity before = IdentityOf(first);
    SafeFileWriter::Method used;
    Save(first, "new", {}, &used);
    EXPECT_EQ(used, SafeFileWriter::Method::InPlace);
    EXPECT_EQ(ReadAll(first), "new");
    EXPECT_EQ(ReadAll(second), "new");
    EXPECT_EQ(IdentityOf(first), before);
}

TEST(FileIdentity, OwnerAndGroupStay) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
    TempDir dir;
    const std::string path = dir.Write("theirs.out", "old");
    ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
    ::chmod(path.c_str(), 0640);
    SafeFileWriter::Method used;
    Save(path, "new", {}, &used);
    EXPECT_NE(used, SafeFileWriter::Method::InPlace);
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadAll(path), "new");
}

TEST(FileIdentity, ADanglingLinkGetsItsTargetCreated) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
    // A relative link, through a second link, into a sub-folder.
    ASSERT_EQ(::symlink("sub/new.out", dir.File("middle").c_str()), 0);
    ASSERT_EQ(::symlink("middle", dir.File("link.out").c_str()), 0);
    EXPECT_EQ(Save(dir.File("link.out"), "C1\r\n"), dir.File("sub/new.out"));
    EXPECT_TRUE(S_ISLNK(IdentityOf(dir.File("link.out")).mode));
    EXPECT_TRUE(S_ISLNK(IdentityOf(dir.File("middle")).mode));
    EXPECT_EQ(ReadAll(dir.File("sub/new.out")), "C1\r\n");
    EXPECT_EQ(ReadAll(dir.File("link.out")), "C1\r\n");

    ASSERT_EQ(::symlink("loop.out", dir.File("loop.out").c_str()), 0);
    // A link to itself is not written, and the error says why.
    const Error loop = test::ErrorOf([&] { Save(dir.File("loop.out"), "x"); });
    EXPECT_EQ(loop.Errnum(), ELOOP);
    EXPECT_EQ(loop.Message(), "I/O エラー (40)");
    EXPECT_NE(loop.Detail().find("symbolic links"), std::string::npos) << loop.Detail();
}

// Runs act as user and group 65534 ("nobody") in a child process when this
// process is root, whom no permission stops; as itself otherwise. Returns
// act's result.
bool AsUnprivileged(const std::function<bool()>& act) {
    if (::geteuid() != 0) return act();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(2);
        std::_Exit(act() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(FileIdentity, AWritableFileInAReadOnlyFolderIsWrittenInPlace) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    const std::string folder = dir.File("readonly");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string path = dir.Write("readonly/mol.out", "a much longer old content\r\n");
    ::chmod(path.c_str(), 0666);
    ::chmod(folder.c_str(), 0555);
    const Identity before = IdentityOf(path);
    EXPECT_TRUE(AsUnprivileged([&] {
        SafeFileWriter::Method used;
        Save(path, "new\r\n", {}, &used);
        return used == SafeFileWriter::Method::InPlace;
    }));
    EXPECT_EQ(ReadAll(path), "new\r\n");
    EXPECT_EQ(IdentityOf(path), before);
    // A new file there still cannot be made.
    EXPECT_TRUE(AsUnprivileged([&] {
        try {
            Save(folder + "/other.out", "x");
        } catch (const Error& e) {
            return e.Message() == kDenied;
        }
        return false;
    }));
    ::chmod(folder.c_str(), 0755);
}

TEST(FileIdentity, AFailedWriteInPlaceSaysTheFileMayBeIncomplete) {
    TempDir dir;
    const std::string path = dir.Write("a.out", std::string(5000, 'o'));
    ASSERT_EQ(::link(path.c_str(), dir.File("b.out").c_str()), 0);
    WriteOptions halfFull;
    long budget = 1000;
    halfFull.write = [&](int fd, const char* data, std::size_t size) -> long {
        if (budget <= 0) {
            errno = ENOSPC;
            return -1;
        }
        const long n = ::write(fd, data, std::min<std::size_t>(size, budget));
        budget -= n;
        return n;
    };
    const Error e = test::ExpectError([&] { Save(path, std::string(3000, 'n'), halfFull); },
                                      ErrorKind::File, "I/O エラー (28)");
    EXPECT_NE(e.Detail().find("in place"), std::string::npos);
}

// In place, the new size is set aside before the first byte is written: a
// disk too full for it fails the save there, and the old file stays whole,
// byte for byte. Where the file system cannot set space aside, the file is
// written as it comes.
TEST(FileIdentity, AFullDiskFailsASaveInPlaceBeforeTheOldContentIsTouched) {
    TempDir dir;
    std::string old;
    for (int i = 0; i < 5000; ++i) old += static_cast<char>('a' + i % 26);
    const std::string path = dir.Write("a.out", old);
    ASSERT_EQ(::link(path.c_str(), dir.File("b.out").c_str()), 0);
    const Identity before = IdentityOf(path);
    for (const std::size_t size : {std::size_t{3000}, std::size_t{3} << 20}) {
        SCOPED_TRACE(size);
        std::uint64_t asked = 0;
        bool writtenBeforeReserved = false;
        WriteOptions full;
        full.reserve = [&](int, std::uint64_t bytes) {
            asked = bytes;
            return ENOSPC;
        };
        full.write = [&](int fd, const char* data, std::size_t n) -> long {
            writtenBeforeReserved = asked == 0;
            return ::write(fd, data, n);
        };
        const Error e = test::ExpectError([&] { Save(path, std::string(size, 'n'), full); },
                                          ErrorKind::File, "I/O エラー (28)");
        EXPECT_EQ(asked, size);
        EXPECT_FALSE(writtenBeforeReserved);
        EXPECT_NE(e.Detail().find("disk is full"), std::string::npos) << e.Detail();
        EXPECT_EQ(e.Detail().find("in place"), std::string::npos) << e.Detail();
        EXPECT_EQ(ReadAll(path), old);
        EXPECT_EQ(ReadAll(dir.File("b.out")), old);
        EXPECT_EQ(IdentityOf(path), before);
    }
    WriteOptions cannotReserve;
    cannotReserve.reserve = [](int, std::uint64_t) { return EOPNOTSUPP; };
    Save(path, "new\r\n", cannotReserve);
    EXPECT_EQ(ReadAll(dir.File("b.out")), "new\r\n");
    EXPECT_EQ(IdentityOf(path), before);
}

// The same on a real disk of 64 KiB, a tmpfs mounted in a mount namespace
// of a child process of its own; skipped where this user may not mount.
TEST(FileIdentity, ASaveInPlaceOntoARealFullDiskKeepsTheOldFile) {
    TempDir dir;
    const std::string mount = dir.File("disk");
    ASSERT_EQ(::mkdir(mount.c_str(), 0755), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(20);
        if (::unshare(CLONE_NEWNS) != 0 && (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)) {
            std::_Exit(77);
        }
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=64k") != 0) {
            std::_Exit(77);
        }
        std::string old;
        for (int i = 0; i < 40000; ++i) old += static_cast<char>('a' + i % 26);
        const std::string path = mount + "/a.out";
        std::ofstream(path, std::ios::binary) << old;
        if (ReadAll(path) != old || ::link(path.c_str(), (mount + "/b.out").c_str()) != 0)
            std::_Exit(3);
        struct statvfs disk;
        ::statvfs(mount.c_str(), &disk);
        const auto freeBefore = disk.f_bfree;
        bool refused = false;
        try {
            Save(path, std::string(100000, 'n'));
        } catch (const Error& e) {
            refused = e.Errnum() == ENOSPC;
        }
        ::statvfs(mount.c_str(), &disk);
        // The space set aside before the disk ran out is given back.
        const bool spaceBack = disk.f_bfree == freeBefore;
        std::_Exit(refused && ReadAll(path) == old && spaceBack ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "this user may not mount a tmpfs";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Temporaries, TheUnnamedOneHasNoNameWhileItIsWritten) {
    TempDir dir;
    const std::string path = dir.Write("mol.out", "old");
    std::vector<std::vector<std::string>> seen;
    WriteOptions watching;
    watching.write = [&](int fd, const char* data, std::size_t size) -> long {
        seen.push_back(dir.Names());
        return ::write(fd, data, size);
    };
    SafeFileWriter writer(path, watching);
    if (writer.Used() != SafeFileWriter::Method::UnnamedTemporary)
        GTEST_SKIP() << "this file system has no unnamed temporary files";
    writer.Write("new");
    writer.Commit();
    ASSERT_FALSE(seen.empty());
    for (const auto& names : seen) EXPECT_EQ(names, std::vector<std::string>{"mol.out"});
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"mol.out"});
    EXPECT_EQ(ReadAll(path), "new");
    // A new file is linked under its own name at once.
    Save(dir.File("fresh.out"), "x");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"fresh.out", "mol.out"}));
}

TEST(Temporaries, TheNamedOneCarriesThePidAndGoesAtCommit) {
    TempDir dir;
    const std::string path = dir.Write("mol.out", "old");
    std::vector<std::string> during;
    WriteOptions named;
    named.unnamedTemporary = false;
    named.write = [&](int fd, const char* data, std::size_t size) -> long {
        during = TemporaryNames(dir);
        return ::write(fd, data, size);
    };
    SafeFileWriter::Method used;
    Save(path, "new", named, &used);
    EXPECT_EQ(used, SafeFileWriter::Method::NamedTemporary);
    ASSERT_EQ(during.size(), 1u);
    const std::string prefix = ".pivora-" + std::to_string(::getpid()) + "-";
    EXPECT_EQ(during[0].rfind(prefix, 0), 0u) << during[0];
    EXPECT_EQ(during[0].size(), prefix.size() + 6);
    EXPECT_EQ(TemporaryNames(dir), std::vector<std::string>{});
    EXPECT_EQ(ReadAll(path), "new");
}

// The pid of a process that has ended.
pid_t EndedProcess() {
    const pid_t child = ::fork();
    if (child == 0) std::_Exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

void Age(const std::string& path, std::time_t seconds) {
    const timespec times[2] = {{std::time(nullptr) - seconds, 0},
                               {std::time(nullptr) - seconds, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

TEST(Temporaries, StaleOnesOfEndedSavesGoOthersStay) {
    TempDir dir;
    const std::string ended = std::to_string(EndedProcess());
    const std::string alive = "1";  // init never ends
    struct Stray {
        std::string name;
        std::time_t age;
        bool removed;
    };
    const std::vector<Stray> strays = {
        {".pivora-" + ended + "-aB3xYz", 120, true},        // its save was killed
        {".pivora-" + ended + "-fresh1", 0, false},         // maybe another machine's save
        {".pivora-" + alive + "-Live12", 120, false},       // a live process's
        {".pivora-" + alive + "-Old123", 2 * 86400, true},  // a day old: its pid was reused
        {".pivora-Ab12Cd", 2 * 86400, false},               // not our kind of name
        {".pivora-" + ended + "-toolong1", 120, false},
        {"mol.xyz", 2 * 86400, false},
    };
    for (const Stray& s : strays) {
        dir.Write(s.name, "stray");
        Age(dir.File(s.name), s.age);
    }
    ASSERT_EQ(::mkdir(dir.File(".pivora-" + ended + "-folder").c_str(), 0755), 0);
    Age(dir.File(".pivora-" + ended + "-folder"), 120);

    Save(dir.File("mol.out"), "new");
    for (const Stray& s : strays) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(access(dir.File(s.name).c_str(), F_OK) != 0, s.removed);
    }
    EXPECT_EQ(access(dir.File(".pivora-" + ended + "-folder").c_str(), F_OK), 0);
}

// A save killed in the middle of its writing: the unnamed temporary vanishes
// with the process; a named one stays until a later save finds it stale.
TEST(Temporaries, ASaveKilledHalfWayLeavesTheOldFile) {
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed" : "named");
        TempDir dir;
        const std::string path = dir.Write("mol.out", "old");
        const pid_t child = ::fork();
        if (child == 0) {
            WriteOptions killed;
            killed.unnamedTemporary = unnamed;
            killed.write = [](int fd, const char* data, std::size_t size) -> long {
                if (::write(fd, data, size / 2) < 0) std::_Exit(3);
                std::_Exit(0);  // as by a kill
            };
            Save(path, std::string(100000, 'n'), killed);
            std::_Exit(1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(ReadAll(path), "old");
        const std::vector<std::string> strays = TemporaryNames(dir);
        if (unnamed) {
            SafeFileWriter probe(dir.File("probe.out"));
            if (probe.Used() != SafeFileWriter::Method::UnnamedTemporary) continue;
            EXPECT_EQ(strays, std::vector<std::string>{});
            continue;
        }
        ASSERT_EQ(strays.size(), 1u);
        Age(dir.File(strays[0]), 120);
        Save(dir.File("other.out"), "x");
        EXPECT_EQ(TemporaryNames(dir), std::vector<std::string>{});
    }
}

TEST(DirectoryMemory, OnlyOnePathLengthOfDirinfIsRead) {
    TempDir start;
    const std::string cwd = CurrentDirectory();
    const std::string dirinf = DirinfPath(start.path());
    // 256 MB of one line without an end: a sparse file that takes no disk.
    ASSERT_EQ(::truncate(start.Write("dirinf", "/data").c_str(), 256LL << 20), 0);
    EXPECT_EQ(LoadLastDir(start.path()), cwd);

    const std::string longest(PATH_MAX - 1, 'd');
    start.Write("dirinf", longest + "\r\n" + std::string(1 << 20, 'x'));
    EXPECT_EQ(LoadLastDir(start.path()), longest);
    start.Write("dirinf", longest + "d\r\n");
    EXPECT_EQ(LoadLastDir(start.path()), cwd);
    start.Write("dirinf", "/data" + std::string(PATH_MAX, '\r') + "\n");
    EXPECT_EQ(LoadLastDir(start.path()), cwd);
}

TEST(DirectoryMemory, ADirinfThatRunsOutOfMemoryMeansNoneRemembered) {
    TempDir start;
    StoreLastDir(start.path(), "/data/molecules");
    ASSERT_EQ(LoadLastDir(start.path()), "/data/molecules");
    const std::string cwd = CurrentDirectory();
    // The reader's buffer for dirinf holds at least one path; the current
    // directory takes only its own length.
    const test::AllocationLimit limit(PATH_MAX);
    EXPECT_EQ(LoadLastDir(start.path()), cwd);
}

}  // namespace
}  // namespace pivora
