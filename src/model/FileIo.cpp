#include "model/FileIo.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "model/Error.h"

namespace pivora {
namespace {

constexpr std::size_t kReadChunk = 1 << 20;
constexpr std::size_t kWriteChunk = 1 << 20;
constexpr char kEndOfFileMark = 26;

SafeFileWriter::WriteFn& WriteHook() {
    static SafeFileWriter::WriteFn hook;
    return hook;
}

long WriteSome(int fd, const char* data, std::size_t size) {
    if (WriteHook()) return WriteHook()(fd, data, size);
    return static_cast<long>(::write(fd, data, size));
}

// Appends text without its CR bytes.
void AppendWithoutCr(std::string& out, const char* text, std::size_t size) {
    const char* end = text + size;
    while (text < end) {
        const char* cr = static_cast<const char*>(std::memchr(text, '\r', end - text));
        const char* stop = cr ? cr : end;
        out.append(text, stop - text);
        text = cr ? cr + 1 : end;
    }
}

std::string ResolveTarget(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace the file the link points to, not the link itself.
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string resolved(real);
            std::free(real);
            return resolved;
        }
    }
    return path;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
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
    std::string dir(PATH_MAX, '\0');
    for (;;) {
        if (::getcwd(dir.data(), dir.size()) != nullptr) {
            dir.resize(std::strlen(dir.c_str()));
            return dir;
        }
        if (errno != ERANGE) return std::string();
        dir.resize(dir.size() * 2);
    }
}

bool ChangeDirectory(const std::string& path) {
    return ::chdir(path.c_str()) == 0;
}

LineReader::LineReader(const std::string& path) : path_(path) {
    do {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) throw FileError(errno, path_);
    struct stat st;
    const bool known = ::fstat(fd_, &st) == 0;
    if (known && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw FileError(EISDIR, path_);
    }
    // A small file needs no megabyte of buffer; one more byte than its size
    // lets the first read also see the end.
    capacity_ = kReadChunk;
    if (known && S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) < kReadChunk)
        capacity_ = std::max<std::size_t>(static_cast<std::size_t>(st.st_size) + 1, 4096);
    buf_.reset(new char[capacity_]);
}

LineReader::~LineReader() {
    if (fd_ >= 0) ::close(fd_);
}

bool LineReader::Fill() {
    if (eof_) return false;
    ssize_t got;
    do {
        got = ::read(fd_, buf_.get(), capacity_);
    } while (got < 0 && errno == EINTR);
    if (got < 0) throw FileError(errno, path_);
    pos_ = 0;
    len_ = static_cast<std::size_t>(got);
    if (got == 0) eof_ = true;
    return got > 0;
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

SafeFileWriter::SafeFileWriter(const std::string& path) : target_(ResolveTarget(path)) {
    mode_t mode;
    struct stat st;
    if (::stat(target_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) throw FileError(EISDIR, target_);
        if (::access(target_.c_str(), W_OK) != 0) throw FileError(errno, target_);
        mode = st.st_mode & 07777;
    } else {
        if (errno != ENOENT) throw FileError(errno, target_);
        mode = 0666 & ~CurrentUmask();
    }
    std::string dir = DirectoryPart(target_);
    if (dir.empty()) dir.push_back('.');
    temp_ = dir == "/" ? std::string() : dir;
    temp_ += "/.pivora-XXXXXX";
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0) {
        const int err = errno;
        temp_.clear();
        // The directory decides the message: report it for the target.
        throw FileError(err, target_);
    }
    ::fchmod(fd_, mode);
    buf_.reserve(kWriteChunk + 4096);
}

SafeFileWriter::~SafeFileWriter() {
    if (fd_ >= 0) ::close(fd_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
}

void SafeFileWriter::Write(std::string_view bytes) {
    buf_.append(bytes);
    MaybeFlush();
}

void SafeFileWriter::MaybeFlush() {
    if (buf_.size() >= kWriteChunk) FlushBuffer();
}

void SafeFileWriter::FlushBuffer() {
    const char* data = buf_.data();
    std::size_t left = buf_.size();
    while (left > 0) {
        const long written = WriteSome(fd_, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            throw FileError(errno, target_);
        }
        if (written == 0) throw FileError(EIO, target_);
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    // Start writing what we have to the disk now, so that the sync at the
    // end has little left to wait for.
    ::sync_file_range(fd_, static_cast<off_t>(written_), static_cast<off_t>(buf_.size()),
                      SYNC_FILE_RANGE_WRITE);
    written_ += buf_.size();
    buf_.clear();
}

void SafeFileWriter::Commit() {
    FlushBuffer();
    if (::fsync(fd_) != 0 && errno != EINVAL) throw FileError(errno, target_);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw FileError(errno, target_);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) throw FileError(errno, target_);
    temp_.clear();
}

void SafeFileWriter::SetWriteFunctionForTesting(WriteFn fn) {
    WriteHook() = std::move(fn);
}

}  // namespace pivora
