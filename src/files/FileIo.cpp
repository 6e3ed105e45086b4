#include "files/FileIo.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "base/Error.h"

namespace pivora {

std::string FileErrorMessage(int errnum, bool directoryExists) {
    switch (errnum) {
        case ENOENT:
            return directoryExists ? "ファイルが見つかりません"
                                   : "ファイル名の指定が間違っています";
        case ENOTDIR:
            return "ファイル名の指定が間違っています";
        case EMFILE:
        case ENFILE:
            return "オープンしたファイルが多すぎます";
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return "ファイルへのアクセスが拒否されました";
        default: {
            char text[40];
            std::snprintf(text, sizeof text, "I/O エラー (%d)", errnum);
            return text;
        }
    }
}

std::string_view FileErrorExplanation(int errnum) {
    switch (errnum) {
        case ENOSPC:
            return "The disk is full: there is no room left on it. Make room on it, or choose "
                   "another disk, and try again.";
        case EDQUOT:
            return "Your disk quota is used up: the file system gives your user no more room. "
                   "Make room, or choose another disk, and try again.";
        case EFBIG:
            return "The file would be larger than the file system, or the file-size limit of "
                   "your session, allows.";
        case ELOOP:
            return "Too many symbolic links: the path leads through a loop of symbolic links, "
                   "or through more of them than the system follows.";
        case ENAMETOOLONG:
            return "The path, or one of the names in it, is too long for the system.";
        case ENXIO:
            return "No such device or address: the file is a device that is not there, or a "
                   "FIFO or socket with nothing at its other end.";
        case ENODEV:
            return "No such device: the device or file system of this path is not there.";
        case EIO:
            return "The device reported an error while reading or writing: the disk, the USB "
                   "stick or the network share may be failing or gone. Check it and try again.";
        case ESTALE:
            return "The network share no longer knows the file (a stale file handle): it was "
                   "changed or removed on the server. Open the folder again and try again.";
        default:
            return {};
    }
}

Error FileError(int errnum, const std::string& path) {
    bool directoryExists = true;
    if (errnum == ENOENT) {
        std::string dir = DirectoryPart(path);
        if (dir.empty()) dir.push_back('.');
        struct stat st;
        directoryExists = ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    Error error(ErrorKind::File, FileErrorMessage(errnum, directoryExists), errnum);
    if (const std::string_view explanation = FileErrorExplanation(errnum); !explanation.empty())
        error.WithDetail(std::string(explanation));
    return error;
}

Error FileChangedError(const std::string& path, int errnum) {
    return FileError(errnum, path)
        .WithDetail(
            "The file changed while it was being read: another program is writing, replacing "
            "or removing it, and what was read would be neither the old file nor the new one. "
            "Open it again once it is complete.");
}

namespace {

constexpr std::size_t kWriteChunk = 1 << 20;
constexpr char kEndOfFileMark = 26;
constexpr char kTemporaryPrefix[] = ".pivora-";
// A stray temporary file of a process that is gone is left alone this long,
// in case the pid belongs to another machine or container sharing the
// directory, whose save may still be running; after a day it goes whatever
// its pid says, since pids are reused.
constexpr double kStaleAfterProcessSeconds = 60;
constexpr double kStaleAnywaySeconds = 24 * 3600;

const char* KindOfSpecialFile(mode_t mode) {
    if (S_ISFIFO(mode)) return "a FIFO (named pipe)";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISLNK(mode)) return "a symbolic link";
    return "of an unknown kind";
}

// Access denied, with the reason in English: reading a device or a FIFO
// could wait forever or never end, and replacing one would destroy it.
Error NotRegularFileError(const std::string& path, mode_t mode, bool forWriting) {
    std::string detail = "The chosen file is ";
    detail += KindOfSpecialFile(mode);
    detail += forWriting ? ", not a regular file. Pivora saves only into regular files."
                         : ", not a regular file. Pivora opens only regular files.";
    return FileError(EACCES, path).WithDetail(std::move(detail));
}

// What the error number means, and then what happened to the file.
void AddDetail(Error& error, std::string_view sentence) {
    std::string detail = error.Detail();
    if (!detail.empty()) detail += ' ';
    detail += sentence;
    error.WithDetail(std::move(detail));
}

// A file of the program's own that is someone else's: never read or written.
Error NotOwnFileError(const std::string& path) {
    return FileError(EACCES, path)
        .WithDetail("The file belongs to another user. Pivora uses only its own file here.");
}

// Opens path for reading without blocking on a FIFO or a device, and keeps
// it only when it is a regular file (of this user's, not through a link,
// for OwnFileNoLink). Returns the descriptor, st filled in.
int OpenRegularFileForReading(const std::string& path, struct stat& st, OpenRule rule) {
    const bool own = rule == OpenRule::OwnFileNoLink;
    int fd;
    do {
        fd = ::open(path.c_str(),
                    O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (own ? O_NOFOLLOW : 0));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int err = errno;
        // A socket cannot be opened at all (ENXIO): say what it is.
        if (err == ENXIO && ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
            throw NotRegularFileError(path, st.st_mode, false);
        throw FileError(err, path);
    }
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        throw FileError(err, path);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        if (S_ISDIR(st.st_mode)) throw FileError(EISDIR, path);
        throw NotRegularFileError(path, st.st_mode, false);
    }
    if (own && st.st_uid != ::geteuid()) {
        ::close(fd);
        throw NotOwnFileError(path);
    }
    // A regular file never blocks, but reads should wait like ordinary ones
    // on any file system that thinks otherwise.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

std::string InDirectory(const std::string& dir, std::string_view name) {
    std::string path = dir == "/" ? std::string() : dir;
    path += '/';
    path += name;
    return path;
}

// path with every symbolic link followed; a last link that points nowhere
// gives the path it points to, so that the save creates it.
std::string FollowLinks(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops <= 40; ++hops) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string link(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)) + 1, '\0');
        for (;;) {
            const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
            if (n < 0) throw FileError(errno, current);
            if (static_cast<std::size_t>(n) < link.size()) {
                link.resize(static_cast<std::size_t>(n));
                break;
            }
            link.resize(link.size() * 2);
        }
        if (link.empty()) throw FileError(ENOENT, current);
        if (link[0] != '/') {
            const std::string dir = DirectoryPart(current);
            if (!dir.empty()) link = InDirectory(dir, link);
        }
        current = std::move(link);
    }
    throw FileError(ELOOP, path);
}

// Sets aside the disk space of fd's first size bytes; 0 or the errno.
int ReserveSpace(int fd, std::uint64_t size) {
    int result;
    do {
        result = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// ".pivora-<pid>-" + six characters.
bool IsTemporaryName(std::string_view name, pid_t& pid) {
    const std::size_t prefix = std::strlen(kTemporaryPrefix);
    if (name.substr(0, prefix) != kTemporaryPrefix) return false;
    std::size_t i = prefix;
    long long value = 0;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9' && i - prefix < 10) {
        value = value * 10 + (name[i] - '0');
        ++i;
    }
    if (i == prefix || value <= 0 || value > INT_MAX) return false;
    if (name.size() != i + 7 || name[i] != '-') return false;
    for (std::size_t k = i + 1; k < name.size(); ++k) {
        const char c = name[k];
        const bool alnum =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!alnum) return false;
    }
    pid = static_cast<pid_t>(value);
    return true;
}

}  // namespace

// Only our own regular files are judged, and a live process's file is never
// taken.
void RemoveStaleTemporaries(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return;
    const int dfd = ::dirfd(d);
    const uid_t me = ::geteuid();
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(d)) {
        pid_t pid;
        if (!IsTemporaryName(entry->d_name, pid)) continue;
        struct stat st;
        if (::fstatat(dfd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != me) continue;
        const double idle = std::difftime(now, st.st_mtime);
        const bool processGone = pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
        if ((processGone && idle >= kStaleAfterProcessSeconds) || idle >= kStaleAnywaySeconds)
            ::unlinkat(dfd, entry->d_name, 0);
    }
    ::closedir(d);
}

namespace {

std::string TemporaryPattern(const std::string& dir) {
    std::string name = kTemporaryPrefix;
    name += std::to_string(::getpid());
    name += "-XXXXXX";
    return InDirectory(dir, name);
}

// A fresh temporary name for linking the unnamed file into the directory.
std::string RandomTemporaryName(const std::string& dir) {
    static const char kAlphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char random[6];
    if (::getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
        // No entropy yet: any varying bytes do, EEXIST makes us try again.
        static unsigned counter = 0;
        const unsigned long seed =
            static_cast<unsigned long>(std::time(nullptr)) ^ (++counter * 2654435761u);
        for (std::size_t i = 0; i < sizeof random; ++i)
            random[i] = static_cast<unsigned char>(seed >> (5 * i));
    }
    std::string pattern = TemporaryPattern(dir);
    for (std::size_t i = 0; i < sizeof random; ++i)
        pattern[pattern.size() - 6 + i] = kAlphabet[random[i] % (sizeof kAlphabet - 1)];
    return pattern;
}

// Gives the file behind the unnamed descriptor fd the name path.
bool LinkUnnamed(int fd, const std::string& path) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != ENOENT) return false;
    // Without /proc only a privileged process can link a descriptor.
    return ::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0;
}

// The owner, group and permission bits of the replaced file, as far as this
// process may give them. fchown first: it clears the set-id bits.
void TakeOverIdentity(int fd, const struct stat* replaced, mode_t mode) {
    struct stat own;
    if (replaced && ::fstat(fd, &own) == 0 &&
        (own.st_uid != replaced->st_uid || own.st_gid != replaced->st_gid)) {
        // Not permitted to give the file away: at least the group, where we
        // belong to it. What cannot be kept becomes ours, as for any new file.
        if (::fchown(fd, replaced->st_uid, replaced->st_gid) != 0 &&
            ::fchown(fd, static_cast<uid_t>(-1), replaced->st_gid) != 0) {
        }
    }
    ::fchmod(fd, mode);
}

}  // namespace

std::string DirectoryPart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::string();
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool IsPlainFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string CurrentDirectory() {
    // On the stack first: the fallback of a failed directory memory must
    // need little memory itself.
    char path[PATH_MAX];
    if (::getcwd(path, sizeof path) != nullptr) return path;
    if (errno != ERANGE) return std::string();
    std::string dir(2 * PATH_MAX, '\0');
    for (;;) {
        if (::getcwd(dir.data(), dir.size()) != nullptr) {
            dir.resize(std::strlen(dir.c_str()));
            return dir;
        }
        if (errno != ERANGE) return std::string();
        dir.resize(dir.size() * 2);
    }
}

std::string AbsolutePath(const std::string& path) {
    if (path.empty()) return {};
    const std::string whole = path[0] == '/' ? path : CurrentDirectory() + '/' + path;
    std::vector<std::string_view> parts;
    std::string_view rest = whole;
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    if (parts.empty()) return "/";
    std::string absolute;
    for (const std::string_view part : parts) {
        absolute += '/';
        absolute += part;
    }
    return absolute;
}

bool ChangeDirectory(const std::string& path) {
    return ::chdir(path.c_str()) == 0;
}

void AppendWithoutCr(std::string& out, const char* text, std::size_t size) {
    const char* end = text + size;
    while (text < end) {
        const char* cr = static_cast<const char*>(std::memchr(text, '\r', end - text));
        const char* stop = cr ? cr : end;
        out.append(text, stop - text);
        text = cr ? cr + 1 : end;
    }
}

InputFile::Stamp InputFile::StampOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev),
            static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(std::max<off_t>(st.st_size, 0)),
            {st.st_mtim.tv_sec, st.st_mtim.tv_nsec},
            {st.st_ctim.tv_sec, st.st_ctim.tv_nsec}};
}

InputFile::InputFile(const std::string& path, OpenRule rule) : path_(path) {
    struct stat st;
    fd_ = OpenRegularFileForReading(path, st, rule);
    atOpen_ = StampOf(st);
    sizeAtOpen_ = atOpen_.size;
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t InputFile::ReadAt(std::uint64_t offset, char* data, std::size_t size) const {
    // pread: passes over the one descriptor keep their own places.
    ssize_t got;
    do {
        got = ::pread(fd_, data, size, static_cast<off_t>(offset));
    } while (got < 0 && errno == EINTR);
    if (got < 0) throw FileError(errno, path_);
    return static_cast<std::size_t>(got);
}

void InputFile::StartPass() {
    if (passes_++ > 0 && betweenPasses_) betweenPasses_();
}

void InputFile::CheckUnchanged() const {
    // The descriptor sees a file written in place, grown or cut; the path
    // sees one replaced by a rename or removed, which the descriptor would
    // go on reading as the old file. With the times in nanoseconds, a
    // rewrite of the same size shows too.
    // The path first: a file removed meanwhile is one not found.
    struct stat st;
    if (::stat(path_.c_str(), &st) != 0) throw FileChangedError(path_, errno);
    if (static_cast<std::uint64_t>(st.st_dev) != atOpen_.device ||
        static_cast<std::uint64_t>(st.st_ino) != atOpen_.inode) {
        throw FileChangedError(path_);
    }
    if (::fstat(fd_, &st) != 0) throw FileChangedError(path_, errno);
    if (!(StampOf(st) == atOpen_)) throw FileChangedError(path_);
}

ByteReader::ByteReader(const std::string& path, LineReaderOptions options)
    : own_(std::make_unique<InputFile>(path)),
      file_(own_.get()),
      chunk_(std::max<std::size_t>(options.chunkSize, 1)),
      progress_(options.progress),
      bytesLeft_(options.byteLimit) {
    file_->StartPass();
}

ByteReader::ByteReader(InputFile& file, LineReaderOptions options)
    : file_(&file),
      chunk_(std::max<std::size_t>(options.chunkSize, 1)),
      progress_(options.progress),
      bytesLeft_(options.byteLimit) {
    file_->StartPass();
}

ByteReader::~ByteReader() = default;

std::size_t ByteReader::Read(char* data, std::size_t size) {
    if (eof_) return 0;
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(std::min(size, chunk_), bytesLeft_));
    if (want == 0) {
        if (bytesLeft_ == 0) limitReached_ = eof_ = true;
        return 0;
    }
    const std::size_t got = file_->ReadAt(offset_, data, want);
    offset_ += got;
    bytesLeft_ -= got;
    if (got == 0) eof_ = true;
    if (progress_) progress_->Advance(got);
    return got;
}

LineReader::LineReader(const std::string& path, LineReaderOptions options) : file_(path, options) {
    AllocateBuffer();
}

LineReader::LineReader(InputFile& file, LineReaderOptions options) : file_(file, options) {
    AllocateBuffer();
}

void LineReader::AllocateBuffer() {
    // A small file needs no megabyte of buffer; one more byte than its size
    // lets the first read also see the end.
    const std::size_t size = static_cast<std::size_t>(file_.SizeAtOpen());
    capacity_ = std::min(file_.ChunkSize(), std::max<std::size_t>(size + 1, 4096));
    buf_.reset(new char[capacity_]);
}

LineReader::~LineReader() = default;

bool LineReader::Fill() {
    if (eof_) return false;
    consumed_ += len_;
    pos_ = len_ = 0;
    len_ = file_.Read(buf_.get(), capacity_);
    if (len_ == 0) eof_ = true;
    return len_ > 0;
}

bool LineReader::AtEnd() {
    if (pos_ == len_ && !Fill()) return true;
    return buf_[pos_] == kEndOfFileMark;
}

std::string_view LineReader::NextLine() {
    line_.clear();
    bool textEnded = false;
    bool first = true;
    for (;;) {
        if (pos_ == len_ && !Fill()) break;
        const char* start = buf_.get() + pos_;
        const std::size_t avail = len_ - pos_;
        const char* lf = static_cast<const char*>(std::memchr(start, '\n', avail));
        const std::size_t segment = lf ? static_cast<std::size_t>(lf - start) : avail;
        if (!textEnded) {
            const char* mark =
                static_cast<const char*>(std::memchr(start, kEndOfFileMark, segment));
            const std::size_t take = mark ? static_cast<std::size_t>(mark - start) : segment;
            if (first && lf && !mark) {
                // Whole line inside the buffer: hand it out without a copy
                // when its only CR is the one of the line end.
                std::size_t size = take;
                if (size > 0 && start[size - 1] == '\r') --size;
                if (std::memchr(start, '\r', size) == nullptr) {
                    pos_ += segment + 1;
                    return std::string_view(start, size);
                }
            }
            AppendWithoutCr(line_, start, take);
            textEnded = mark != nullptr;
        }
        first = false;
        pos_ += segment;
        if (lf) {
            ++pos_;
            break;
        }
    }
    return line_;
}

void LineReader::SkipLine() {
    for (;;) {
        if (pos_ == len_ && !Fill()) return;
        const char* start = buf_.get() + pos_;
        const char* lf = static_cast<const char*>(std::memchr(start, '\n', len_ - pos_));
        if (lf) {
            pos_ += static_cast<std::size_t>(lf - start) + 1;
            return;
        }
        pos_ = len_;
    }
}

SafeFileWriter::SafeFileWriter(const std::string& path, WriteOptions options)
    : options_(std::move(options)), target_(options_.ownFileOnly ? path : FollowLinks(path)) {
    struct stat st;
    mode_t mode;
    // A file of our own is looked at, and replaced, as the name itself: a
    // link planted there is not ours, and its target is never written.
    const int found =
        options_.ownFileOnly ? ::lstat(target_.c_str(), &st) : ::stat(target_.c_str(), &st);
    if (found == 0) {
        if (S_ISDIR(st.st_mode)) throw FileError(EISDIR, target_);
        if (!S_ISREG(st.st_mode)) throw NotRegularFileError(target_, st.st_mode, true);
        if (options_.ownFileOnly && st.st_uid != ::geteuid()) throw NotOwnFileError(target_);
        if (::access(target_.c_str(), W_OK) != 0) throw FileError(errno, target_);
        targetExists_ = true;
        mode = st.st_mode & 07777;
    } else {
        if (errno != ENOENT) throw FileError(errno, target_);
        mode = 0666 & ~CurrentUmask();
    }
    dir_ = DirectoryPart(target_);
    if (dir_.empty()) dir_.push_back('.');

    // A replacement is a new inode, which would leave every other hard link
    // with the old content: write such a file where it is. Not a file of
    // our own, which nobody else should see through a link of theirs.
    if (targetExists_ && st.st_nlink > 1 && !options_.ownFileOnly) {
        OpenInPlace();
    } else {
        OpenTemporary(mode);
        if (fd_ < 0) {
            const int err = errno;
            // The directory takes no new file, yet the file itself may be
            // writable. Not for a full disk: in place, that would cost the
            // old content.
            if (!targetExists_ || (err != EACCES && err != EPERM)) throw FileError(err, target_);
            OpenInPlace();
        } else {
            TakeOverIdentity(fd_, targetExists_ ? &st : nullptr, mode);
        }
    }
    buf_.reset(new char[kBufferSize]);
}

void SafeFileWriter::OpenTemporary(unsigned mode) {
    const std::string& dir = dir_;
    if (options_.removeStaleTemporaries) RemoveStaleTemporaries(dir);
    // O_TMPFILE files are linked through /proc/self/fd; without /proc only
    // a privileged process could give them a name.
    if (options_.unnamedTemporary && ::access("/proc/self/fd", X_OK) == 0) {
        fd_ = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, static_cast<mode_t>(mode));
        if (fd_ >= 0) {
            method_ = Method::UnnamedTemporary;
            return;
        }
    }
    std::string temp = TemporaryPattern(dir);
    fd_ = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd_ >= 0) {
        temp_ = std::move(temp);
        method_ = Method::NamedTemporary;
    }
}

void SafeFileWriter::OpenInPlace() {
    method_ = Method::InPlace;
    // Not truncated yet: the old content stays until it is overwritten, and
    // blocks that are overwritten need no new space on a full disk.
    const bool own = options_.ownFileOnly;
    do {
        fd_ = ::open(target_.c_str(),
                     O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (own ? O_NOFOLLOW : 0));
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) throw FileError(errno, target_);
    struct stat st;
    if (::fstat(fd_, &st) != 0) {
        const int err = errno;
        ::close(fd_);
        fd_ = -1;
        throw FileError(err, target_);
    }
    if (!S_ISREG(st.st_mode) || (own && st.st_uid != ::geteuid())) {
        // Swapped for something else since we looked.
        ::close(fd_);
        fd_ = -1;
        if (!S_ISREG(st.st_mode)) throw NotRegularFileError(target_, st.st_mode, true);
        throw NotOwnFileError(target_);
    }
    sizeInPlace_ = static_cast<std::uint64_t>(std::max<off_t>(st.st_size, 0));
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
}

SafeFileWriter::~SafeFileWriter() {
    if (fd_ >= 0) ::close(fd_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
}

void SafeFileWriter::Fail(int errnum) const {
    Error error = FileError(errnum, target_);
    if (method_ == Method::InPlace && written_ > 0) {
        AddDetail(error,
                  "The file was being written in place (it has other hard links, or its folder "
                  "takes no new files), so it may now hold only part of the new content.");
    }
    throw error;
}

long SafeFileWriter::WriteSome(const char* data, std::size_t size) {
    if (options_.write) return options_.write(fd_, data, size);
    return static_cast<long>(::write(fd_, data, size));
}

void SafeFileWriter::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        if (used_ >= kWriteChunk) FlushBuffer();
        const std::size_t take = std::min(bytes.size(), kBufferSize - used_);
        std::memcpy(buf_.get() + used_, bytes.data(), take);
        used_ += take;
        bytes.remove_prefix(take);
    }
    if (used_ >= kWriteChunk) FlushBuffer();
}

void SafeFileWriter::FlushBuffer() {
    if (method_ == Method::InPlace) {
        // Nothing of the old file is overwritten before its new size is
        // reserved, which needs the whole size: held until Commit.
        held_.emplace_back(buf_.get(), used_);
        heldBytes_ += used_;
    } else {
        WriteOut(buf_.get(), used_);
    }
    used_ = 0;
}

void SafeFileWriter::WriteOut(const char* data, std::size_t size) {
    std::size_t left = size;
    while (left > 0) {
        const long written = WriteSome(data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            written_ += size - left;
            Fail(err);
        }
        if (written == 0) Fail(EIO);
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    // Start writing what we have to the disk now, so that the sync at the
    // end has little left to wait for.
    ::sync_file_range(fd_, static_cast<off_t>(written_), static_cast<off_t>(size),
                      SYNC_FILE_RANGE_WRITE);
    written_ += size;
}

void SafeFileWriter::ReserveInPlace() {
    const std::uint64_t size = heldBytes_ + used_;
    if (size == 0) return;
    const int err = options_.reserve ? options_.reserve(fd_, size) : ReserveSpace(fd_, size);
    // A file system that cannot reserve is written as it comes.
    if (err == 0 || err == EOPNOTSUPP || err == ENOSYS) return;
    // What was set aside before the failure lies past the file's end: the
    // disk gets it back, and the content stays as it was.
    if (size > sizeInPlace_) {
        ::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                    static_cast<off_t>(sizeInPlace_), static_cast<off_t>(size - sizeInPlace_));
    }
    Fail(err);
}

void SafeFileWriter::Commit() {
    if (method_ == Method::InPlace) {
        ReserveInPlace();
        for (std::string& piece : held_) {
            WriteOut(piece.data(), piece.size());
            std::string().swap(piece);
        }
        WriteOut(buf_.get(), used_);
        used_ = 0;
        if (::ftruncate(fd_, static_cast<off_t>(written_)) != 0) Fail(errno);
    } else {
        FlushBuffer();
    }
    if (::fsync(fd_) != 0 && errno != EINVAL) Fail(errno);
    if (method_ == Method::InPlace) {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) Fail(errno);
        return;
    }
    CommitReplacement();
}

void SafeFileWriter::CommitReplacement() {
    if (method_ == Method::UnnamedTemporary) {
        // A new file gets its name in one step; an existing one is replaced
        // by a rename, since a link cannot replace a name.
        bool linked = !targetExists_ && LinkUnnamed(fd_, target_);
        if (!linked && !targetExists_ && errno != EEXIST) Fail(errno);
        while (!linked) {
            std::string temp = RandomTemporaryName(dir_);
            if (LinkUnnamed(fd_, temp)) {
                temp_ = std::move(temp);
                break;
            }
            if (errno != EEXIST) Fail(errno);
        }
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail(errno);
    if (!temp_.empty()) {
        if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(errno);
        temp_.clear();
    }
    // The rename is durable only once the directory is on the disk too.
    const int dirFd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        const int synced = ::fsync(dirFd);
        const int err = errno;
        ::close(dirFd);
        if (synced != 0 && err != EINVAL) {
            Error error = FileError(err, target_);
            AddDetail(error,
                      "The file was saved, but its folder could not be written to the disk: "
                      "after a crash the old file may come back.");
            throw error;
        }
    }
}

}  // namespace pivora
