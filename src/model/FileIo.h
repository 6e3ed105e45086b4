#pragma once
// POSIX file access for the coordinate and directory-memory files. Every
// failing call throws the file error for its errno.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pivora {

// Text up to the last "/", without it unless it is the root "/" itself; ""
// when path holds no "/".
std::string DirectoryPart(const std::string& path);
// True for an existing plain file (a directory does not count).
bool IsPlainFile(const std::string& path);
// The current directory of the process; "" if it cannot be read.
std::string CurrentDirectory();
// chdir; false on failure.
bool ChangeDirectory(const std::string& path);

// Reads a file line by line with the coordinate-file line rules: a line ends
// at LF; every CR is dropped from the text (a CR before the LF is part of the
// line end); a byte 26 at the start of a line ends the file, inside a line it
// ends the text and the rest up to the LF is skipped. A line end after the
// last line makes no further line.
class LineReader {
  public:
    // Opens path for reading; a directory is refused as EISDIR.
    explicit LineReader(const std::string& path);
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

  private:
    bool Fill();  // reads more bytes; false at end of file
    std::string path_;
    int fd_ = -1;
    std::unique_ptr<char[]> buf_;
    std::size_t capacity_ = 0;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    bool eof_ = false;
    std::string line_;
};

// Writes a file so that a failure never damages the file it replaces: the
// content goes to a temporary file in the same directory, which is renamed
// over the target only after everything was written and flushed. An existing
// target keeps its permission bits; one that is a directory or may not be
// written is refused as access denied before anything is written.
class SafeFileWriter {
  public:
    explicit SafeFileWriter(const std::string& path);
    ~SafeFileWriter();  // removes the temporary file unless committed
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // Buffered; flushes when the buffer is full.
    void Write(std::string_view bytes);
    // The buffer the caller may append to directly; Flush-when-full is the
    // caller's by calling MaybeFlush.
    std::string& Buffer() { return buf_; }
    void MaybeFlush();
    // Writes the rest, syncs, closes and renames over the target.
    void Commit();

    // Test seam: replaces the write(2) call (fd, data, size) -> written or -1
    // with errno set. Empty restores write(2).
    using WriteFn = std::function<long(int, const char*, std::size_t)>;
    static void SetWriteFunctionForTesting(WriteFn fn);

  private:
    void FlushBuffer();
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    std::string buf_;
    std::size_t written_ = 0;
};

}  // namespace pivora
