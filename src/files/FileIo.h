#pragma once
// POSIX file access for the coordinate and directory-memory files. Every
// failing call throws the file error for its errno.

#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Error.h"
#include "base/Progress.h"

namespace pivora {

// Message for a file error number. directoryExists tells an ENOENT for a
// missing file from one for a missing directory on the path.
std::string FileErrorMessage(int errnum, bool directoryExists);
// What errno errnum means, in plain English, for the numbers whose message
// is only "I/O エラー (N)" and that a user meets (a full disk, a link loop,
// a missing device ...); "" for the others.
std::string_view FileErrorExplanation(int errnum);
// The file error for errno errnum on path: for ENOENT it looks whether the
// directory part of path exists. Its detail is FileErrorExplanation(errnum).
Error FileError(int errnum, const std::string& path);
// The refusal of a file that changed while it was read: the file error of
// errnum (EIO, "I/O エラー (5)", unless the path names no file any more)
// with an English detail that says so.
Error FileChangedError(const std::string& path, int errnum = EIO);

// Text up to the last "/", without it unless it is the root "/" itself; ""
// when path holds no "/".
std::string DirectoryPart(const std::string& path);
// True for an existing plain file (a directory does not count).
bool IsPlainFile(const std::string& path);
// The current directory of the process; "" if it cannot be read.
std::string CurrentDirectory();
// path made absolute against the current directory, its "." parts, ".."
// parts and doubled "/" worked out on the text alone; bytes in, bytes out,
// so that a name in no encoding survives. "" when path is empty.
std::string AbsolutePath(const std::string& path);
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

// Which files InputFile opens.
enum class OpenRule {
    // A regular file, its path's symbolic links followed.
    RegularFile,
    // A regular file of the process's own user, not through a symbolic link
    // as the last part of its path: for a file of the program's own (the
    // directory memory), which someone else may have planted.
    OwnFileNoLink,
};

// A regular file opened once for reading, so that every pass over it (the
// look at its head that tells its kind, counting, reading) reads the same
// file through the same checked open. Opening never waits: a FIFO, a device
// or a socket is refused as access denied (EACCES) with an English detail,
// a directory as EISDIR; neither is read. OwnFileNoLink refuses a symbolic
// link as ELOOP and a file of another user as access denied.
class InputFile {
  public:
    explicit InputFile(const std::string& path, OpenRule rule = OpenRule::RegularFile);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::string& Path() const { return path_; }
    // The file's size when it was opened.
    std::uint64_t SizeAtOpen() const { return sizeAtOpen_; }
    // Reads up to size bytes from byte offset on into data; returns how
    // many, 0 at the end. Throws the file error.
    std::size_t ReadAt(std::uint64_t offset, char* data, std::size_t size) const;

    // Runs before every pass over the file but the first (StartPass), so
    // that tests can change the file in between. Empty: nothing.
    void SetBetweenPasses(std::function<void()> hook) { betweenPasses_ = std::move(hook); }
    // Each reader calls it as it starts a pass over the file.
    void StartPass();
    // Throws FileChangedError when the file is not as it was when it was
    // opened: another size, modification or change time, inode or device,
    // or its path now names another file or none. Every reading of a whole
    // file calls it after its last pass, before it trusts what it read.
    void CheckUnchanged() const;

  private:
    std::string path_;
    int fd_ = -1;
    std::uint64_t sizeAtOpen_ = 0;
    struct Stamp {
        std::uint64_t device, inode, size;
        std::int64_t modified[2], changed[2];  // seconds, nanoseconds
        bool operator==(const Stamp&) const = default;
    } atOpen_{};
    static Stamp StampOf(const struct stat& st);
    std::function<void()> betweenPasses_;
    int passes_ = 0;
};

// A regular file read in pieces from its start, as far as
// options.byteLimit.
class ByteReader {
  public:
    // Opens path as InputFile does, refusing what it refuses.
    explicit ByteReader(const std::string& path, LineReaderOptions options = {});
    // A pass over file, which must outlive the reader.
    explicit ByteReader(InputFile& file, LineReaderOptions options = {});
    ~ByteReader();
    ByteReader(const ByteReader&) = delete;
    ByteReader& operator=(const ByteReader&) = delete;

    // Reads up to size bytes, and at most options.chunkSize, into data;
    // returns how many, 0 at the end of the file or at the byte limit.
    // Throws the file error.
    std::size_t Read(char* data, std::size_t size);
    // The file's size when it was opened; it may change while it is read.
    std::uint64_t SizeAtOpen() const { return file_->SizeAtOpen(); }
    // The most bytes one Read hands out.
    std::size_t ChunkSize() const { return chunk_; }
    // True once reading stopped at options.byteLimit; the file may go on.
    bool LimitReached() const { return limitReached_; }
    const std::string& Path() const { return file_->Path(); }
    InputFile& File() { return *file_; }

  private:
    std::unique_ptr<InputFile> own_;  // when opened here
    InputFile* file_;
    std::size_t chunk_;
    ProgressMeter* progress_;
    std::uint64_t offset_ = 0;
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
    // Opens path as InputFile does, refusing what it refuses.
    explicit LineReader(const std::string& path, LineReaderOptions options = {});
    // A pass over file, which must outlive the reader.
    explicit LineReader(InputFile& file, LineReaderOptions options = {});
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
    InputFile& File() { return file_.File(); }

  private:
    void AllocateBuffer();
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

// Sets aside the disk space of the first size bytes of fd without changing
// its size or content, as fallocate(2) with FALLOC_FL_KEEP_SIZE does:
// returns 0, or the errno of the failure.
using ReserveFunction = std::function<int(int fd, std::uint64_t size)>;

// How a SafeFileWriter writes; the defaults are for real use.
struct WriteOptions {
    // Stands in for write(2), to play a full disk or a failing device.
    // Empty: write(2).
    WriteFunction write;
    // Stands in for the reservation of a file's new size before it is
    // written in place, to play a full disk. Empty: fallocate(2).
    ReserveFunction reserve;
    // Writes the content into a temporary file without a name (O_TMPFILE)
    // where the file system has them. Off: always a named one.
    bool unnamedTemporary = true;
    // For a file of the program's own (the directory memory): the path
    // itself is the target, a symbolic link there is never followed, and
    // only a regular file of this process's user (or none) is replaced, by
    // a new file renamed over it; in place only where the folder takes no
    // new file. Anything else is refused as access denied.
    bool ownFileOnly = false;
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
// create files (a writable file in a read-only directory). In place, the
// content is held in memory until Commit, which first reserves the disk
// space of the new size: a full disk then fails the save before a byte of
// the old content is overwritten, and the file stays as it was. Where the
// file system cannot reserve space (EOPNOTSUPP) it is written without; a
// failure or a crash part of the way through the writing then leaves the
// file partly written, and the error's detail says so.
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
    void WriteOut(const char* data, std::size_t size);
    void ReserveInPlace();
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
    // In place: the content before the buffer's, a buffer's worth a piece,
    // until Commit.
    std::vector<std::string> held_;
    std::uint64_t heldBytes_ = 0;
    std::uint64_t sizeInPlace_ = 0;  // the old file's size, when written in place
};

}  // namespace pivora
