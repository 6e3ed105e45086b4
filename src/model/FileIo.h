#pragma once
// POSIX file access for the coordinate and directory-memory files. Every
// failing call throws the file error for its errno.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "model/Error.h"
#include "model/Progress.h"

namespace pivora {

// Message for a file error number. directoryExists tells an ENOENT for a
// missing file from one for a missing directory on the path.
std::string FileErrorMessage(int errnum, bool directoryExists);
// The file error for errno errnum on path: for ENOENT it looks whether the
// directory part of path exists.
Error FileError(int errnum, const std::string& path);

// Text up to the last "/", without it unless it is the root "/" itself; ""
// when path holds no "/".
std::string DirectoryPart(const std::string& path);
// True for an existing plain file (a directory does not count).
bool IsPlainFile(const std::string& path);
// The current directory of the process; "" if it cannot be read.
std::string CurrentDirectory();
// chdir; false on failure.
bool ChangeDirectory(const std::string& path);

// How a LineReader reads; the defaults suit coordinate files.
struct LineReaderOptions {
    // Bytes asked of each read; 0 counts as 1. Sizes of a few bytes make
    // every line cross reads, which the line rules must not notice.
    std::size_t chunkSize = std::size_t{1} << 20;
    // Reading stops after this many bytes of the file, as if it ended there.
    std::uint64_t byteLimit = std::numeric_limits<std::uint64_t>::max();
    // Hears of every read: the bytes it got, as units of its current stage.
    // Must outlive the reader. Null: nobody.
    ProgressMeter* progress = nullptr;
};

// A regular file opened for reading and read in pieces, as far as
// options.byteLimit.
class ByteReader {
  public:
    // Opens path for reading without waiting: only a regular file is read.
    // A directory is refused as EISDIR, a FIFO, a device or a socket as
    // access denied (EACCES) with an English detail; neither is read.
    explicit ByteReader(const std::string& path, LineReaderOptions options = {});
    ~ByteReader();
    ByteReader(const ByteReader&) = delete;
    ByteReader& operator=(const ByteReader&) = delete;

    // Reads up to size bytes, and at most options.chunkSize, into data;
    // returns how many, 0 at the end of the file or at the byte limit.
    // Throws the file error.
    std::size_t Read(char* data, std::size_t size);
    // The file's size when it was opened; it may change while it is read.
    std::uint64_t SizeAtOpen() const { return sizeAtOpen_; }
    // The most bytes one Read hands out.
    std::size_t ChunkSize() const { return chunk_; }
    // True once reading stopped at options.byteLimit; the file may go on.
    bool LimitReached() const { return limitReached_; }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    int fd_ = -1;
    std::size_t chunk_;
    ProgressMeter* progress_;
    std::uint64_t sizeAtOpen_ = 0;
    std::uint64_t bytesLeft_;  // of options.byteLimit
    bool eof_ = false;
    bool limitReached_ = false;
};

// Reads a file line by line with the coordinate-file line rules: a line ends
// at LF; every CR is dropped from the text (a CR before the LF is part of the
// line end); a byte 26 at the start of a line ends the file, inside a line it
// ends the text and the rest up to the LF is skipped. A line end after the
// last line makes no further line.
class LineReader {
  public:
    // Opens path as ByteReader does, refusing what it refuses.
    explicit LineReader(const std::string& path, LineReaderOptions options = {});
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // True when no further line follows.
    bool AtEnd();
    // The next line's text; valid until the next call. Call only when
    // !AtEnd().
    std::string_view NextLine();
    // Steps over the next line without building its text.
    void SkipLine();

    // Bytes of the file consumed so far: where the next line starts, or
    // where reading ended.
    std::uint64_t Offset() const { return consumed_ + pos_; }
    bool LimitReached() const { return file_.LimitReached(); }       // as ByteReader's
    std::uint64_t SizeAtOpen() const { return file_.SizeAtOpen(); }  // as ByteReader's

  private:
    bool Fill();  // reads more bytes; false at end of file or at the limit
    ByteReader file_;
    std::unique_ptr<char[]> buf_;
    std::size_t capacity_ = 0;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    std::uint64_t consumed_ = 0;  // bytes of the buffers before this one
    bool eof_ = false;
    std::string line_;
};

// Appends text without its CR bytes.
void AppendWithoutCr(std::string& out, const char* text, std::size_t size);

// Writes size bytes of data to fd as write(2) does: the count written, or -1
// with errno set.
using WriteFunction = std::function<long(int fd, const char* data, std::size_t size)>;

// How a SafeFileWriter writes; the defaults are for real use.
struct WriteOptions {
    // Stands in for write(2), to play a full disk or a failing device.
    // Empty: write(2).
    WriteFunction write;
    // Writes the content into a temporary file without a name (O_TMPFILE)
    // where the file system has them. Off: always a named one.
    bool unnamedTemporary = true;
    // Removes the stale temporary files of killed saves from the target's
    // directory first (RemoveStaleTemporaries). Off for a writer of many
    // files into one directory, which sweeps it once itself.
    bool removeStaleTemporaries = true;
};

// Removes from dir the temporary files ".pivora-<pid>-XXXXXX" that killed
// saves left behind: only this user's regular files, once their process is
// gone and they have been left alone for a minute, or after a day whatever
// their process. Reads the whole directory; never fails.
void RemoveStaleTemporaries(const std::string& dir);

// Writes a file so that a failure never damages the file it replaces, and so
// that the file keeps what makes it the same file.
//
// The target is path with every symbolic link followed, a dangling one
// included (its target is then created). It must be a regular file or not
// exist yet: a directory is refused as EISDIR, a device, FIFO or socket as
// access denied (EACCES, with an English detail), and an existing file that
// may not be written as access denied; all before anything is written.
//
// Normally the content goes to a temporary file in the target's directory
// that replaces the target (rename) only after everything was written and
// synced; it takes over the target's permission bits and, where the system
// permits it, its owner and group; then the directory is synced. Where the
// file system allows it the temporary file has no name until it is complete
// (O_TMPFILE). Otherwise it is ".pivora-<pid>-XXXXXX"; a name like that which
// a killed save left behind is removed by a later save into the same
// directory once its process is gone and it has been left alone for a
// minute, or after a day whatever its process.
//
// Two kinds of target are written in place instead, keeping their inode
// (owner, group, permissions and every hard link): a file with more than one
// hard link, and an existing file in a directory where this user may not
// create files (a writable file in a read-only directory). In place, a
// failure or a crash part of the way through leaves the file partly
// written; the error's detail then says so.
class SafeFileWriter {
  public:
    enum class Method {
        UnnamedTemporary,  // O_TMPFILE, linked and renamed over the target
        NamedTemporary,    // .pivora-<pid>-XXXXXX, renamed over the target
        InPlace,           // the target itself, overwritten and cut to length
    };

    explicit SafeFileWriter(const std::string& path, WriteOptions options = {});
    ~SafeFileWriter();  // removes the temporary file unless committed
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // Buffered; flushes when the buffer is full.
    void Write(std::string_view bytes);
    // Room for up to most <= 64 KiB bytes at the end of the buffer, to be
    // filled directly and then counted with Wrote; writes the buffer out
    // first when it is full.
    char* Room(std::size_t most) {
        if (used_ + most > kBufferSize) FlushBuffer();
        return buf_.get() + used_;
    }
    void Wrote(std::size_t bytes) { used_ += bytes; }
    // Writes the rest, syncs, and puts the content in the target's place.
    void Commit();

    // The file written: path with its symbolic links followed.
    const std::string& Target() const { return target_; }
    Method Used() const { return method_; }

  private:
    void OpenTemporary(unsigned mode);  // fd_ < 0 with errno when it cannot
    void OpenInPlace();
    void FlushBuffer();
    void CommitReplacement();
    [[noreturn]] void Fail(int errnum) const;
    long WriteSome(const char* data, std::size_t size);

    WriteOptions options_;
    std::string target_;
    std::string dir_;
    std::string temp_;  // a name of ours to remove unless committed
    int fd_ = -1;
    Method method_ = Method::NamedTemporary;
    bool targetExists_ = false;
    // About a megabyte is written at a time, the room above it is for the
    // bytes of a last line.
    static constexpr std::size_t kBufferSize = (std::size_t{1} << 20) + (std::size_t{64} << 10);
    std::unique_ptr<char[]> buf_;
    std::size_t used_ = 0;
    std::size_t written_ = 0;
};

}  // namespace pivora
