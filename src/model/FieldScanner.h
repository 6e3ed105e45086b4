#pragma once
// The lines of a coordinate file and the fields of each line. CutLine cuts
// one line's text; FieldScanner cuts a whole file held in memory by the line
// rules of LineReader (FileIo.h), a line of up to 64 bytes at a time with
// vector compares.

#include <cstddef>
#include <string>
#include <string_view>

namespace pivora {

// The fields of one line that the reader uses. A cut is a blank followed by a
// non-blank; fields run between cuts, so all but the last of several blanks
// stay at the end of the earlier field. Fields beyond the line are empty;
// field 4 ends at the next cut, the rest of the line is ignored.
struct LineFields {
    std::string_view label;    // field 1 with bytes <= 32 trimmed from both ends
    std::string_view x, y, z;  // fields 2 to 4, untrimmed
};
LineFields CutLine(std::string_view line);

// Bytes that must be readable after the data a FieldScanner is given; the
// fields it hands out are followed by as many (what they hold is of no
// account).
inline constexpr std::size_t kScanPadding = 64;

class FieldScanner {
  public:
    // data[0, size) is the file; data[size, size + kScanPadding) must be
    // readable. Nothing is copied: data must outlive the scanner.
    FieldScanner(const char* data, std::size_t size) : data_(data), size_(size) {}

    // True when no further line follows: at the end of the data, or at a
    // byte 26 that begins a line.
    bool AtEnd() const { return pos_ >= size_ || data_[pos_] == 26; }
    // The fields of the next line, as CutLine cuts its text (LineReader's
    // NextLine). Call only when !AtEnd(). The views are valid until the
    // next call.
    LineFields Next();
    // Bytes consumed: where the next line starts, or the end of the data.
    std::size_t Offset() const { return pos_; }

  private:
    LineFields NextByBytes();  // lines of more than 64 bytes, or with CR or 26 inside
    const char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::string scratch_;  // a line's text without its CR bytes, and the padding
};

// True when ParseFileDecimal(text) with the decimal separator separator
// surely gives a value that a double holds: up to 32 bytes of an optional
// sign, digits with at most one separator (separator or "."), and blanks at
// the end. False says nothing either way. The 32 bytes from text.data()
// must be readable, as they are for FieldScanner's fields.
bool IsPlainDecimal(std::string_view text, char separator);

}  // namespace pivora
