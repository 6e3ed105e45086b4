#pragma once
// The lines of a coordinate file and the fields of each line. CutLine cuts
// one line's text; FieldScanner cuts a whole file held in memory by the line
// rules of LineReader (FileIo.h), classifying its bytes 64 at a time with
// vector compares.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "numeric/PlainDecimal.h"

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
// account), so that ParseFileDoublePadded may take them.
inline constexpr std::size_t kScanPadding = 64;

class FieldScanner {
  public:
    // data[0, size) is the file; data[size, size + kScanPadding) must be
    // readable. Nothing is copied: data must outlive the scanner. separator
    // is the decimal separator that Masks() marks beside the full stop.
    FieldScanner(const char* data, std::size_t size, char separator = '.');

    // True when no further line follows: at the end of the data, or at a
    // byte 26 that begins a line.
    bool AtEnd() const { return pos_ >= size_ || data_[pos_] == 26; }
    // The fields of the next line, as CutLine cuts its text (LineReader's
    // NextLine). Call only when !AtEnd(). The views are valid until the
    // next call. Inline: a million lines make a file.
    LineFields Next();
    // Bytes consumed: where the next line starts, or the end of the data.
    std::size_t Offset() const { return pos_; }

    // After Next: the text the fields lie in, and, for a line of up to 64
    // bytes with no CR or byte 26 inside, the masks of that text from its
    // first byte (bit i for byte i) for ReadPlainDecimalAt; nullptr for a
    // line cut byte by byte.
    const char* Text() const { return text_; }
    // After Next: the whole text of the line, from Text(), without its line
    // end.
    std::string_view LineText() const { return {text_, length_}; }
    const DecimalMasks* Masks() const { return windowed_ ? &window_ : nullptr; }

  private:
    struct Block {
        std::uint64_t lineFeeds = 0;
        std::uint64_t special = 0;  // CR and byte 26
        DecimalMasks decimal;
    };
    Block Classify(std::size_t at) const;
    void Advance() {
        if (pos_ >= block_ + 64) AdvanceBlocks();
    }
    void AdvanceBlocks();  // moves the blocks on until the one that holds pos_
    // The line of the raw bytes [line, line + raw) by the careful rules,
    // cut: lines with CR or byte 26 inside, and (NextLong) lines of more
    // than 64 bytes.
    LineFields CutByBytes(const char* line, std::size_t raw);
    LineFields NextLong();

    const char* data_;
    std::size_t size_;
    char separator_;
    std::size_t pos_ = 0;
    // The two 64-byte blocks from block_, classified once for all the lines
    // that lie in them.
    std::size_t block_ = 0;
    Block current_;
    Block next_;
    const char* text_ = nullptr;
    std::size_t length_ = 0;
    bool windowed_ = false;
    DecimalMasks window_;
    std::string scratch_;  // a line's text without its CR bytes, and the padding
};

namespace scanner_detail {

// Where the empty fields of a short line point: readable padding included.
inline constexpr char kNothing[kScanPadding] = {};

// Bit i set for i < n, 1 <= n <= 64.
[[gnu::always_inline]] inline std::uint64_t Below(std::size_t n) {
    return ~std::uint64_t{0} >> (64 - n);
}

// The bits of the 64 bytes from offset < 64 within a block pair: the
// first's from offset on, then the second's.
[[gnu::always_inline]] inline std::uint64_t From(std::uint64_t first, std::uint64_t second,
                                                 unsigned offset) {
    const unsigned __int128 both = (static_cast<unsigned __int128>(second) << 64) | first;
    return static_cast<std::uint64_t>(both >> offset);
}

[[gnu::always_inline]] inline std::string_view TrimControls(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
    return text.substr(begin, end - begin);
}

// text[from, to), or the empty field when from is not before to.
[[gnu::always_inline]] inline std::string_view Field(const char* text, std::size_t from,
                                                     std::size_t to) {
    return from < to ? std::string_view(text + from, to - from) : std::string_view(kNothing, 0);
}

// CutLine on text[0, n), n <= 64, with its blanks given as bits. Two cuts
// lie at least two bytes apart, so a field between cuts is never empty; a
// cut that is missing counts as n, after which the fields are empty.
[[gnu::always_inline]] inline LineFields CutShort(const char* text, std::size_t n,
                                                  std::uint64_t blanks) {
    // A cut at i needs a non-blank at i + 1 inside the text.
    std::uint64_t cuts = n >= 2 ? blanks & ~(blanks >> 1) & Below(n - 1) : 0;
    std::size_t at[4];
    for (std::size_t& cut : at) {
        cut = cuts != 0 ? static_cast<std::size_t>(std::countr_zero(cuts)) : n;
        cuts &= cuts - 1;
    }
    return LineFields{TrimControls(Field(text, 0, at[0])), Field(text, at[0] + 1, at[1]),
                      Field(text, at[1] + 1, at[2]), Field(text, at[2] + 1, at[3])};
}

}  // namespace scanner_detail

inline LineFields FieldScanner::Next() {
    using scanner_detail::Below;
    using scanner_detail::From;
    const char* p = data_ + pos_;
    text_ = p;
    windowed_ = false;
    const auto offset = static_cast<unsigned>(pos_ - block_);
    const std::size_t left = size_ - pos_;
    const std::uint64_t lineFeeds = From(current_.lineFeeds, next_.lineFeeds, offset);
    std::size_t raw;  // the line's bytes before its line feed
    if (lineFeeds != 0) {
        raw = static_cast<std::size_t>(std::countr_zero(lineFeeds));
        pos_ += raw + 1;
    } else if (left <= 64) {
        raw = left;  // the last line, without a line end
        pos_ += raw;
    } else {
        return NextLong();
    }
    std::size_t n = raw;
    const std::uint64_t special =
        raw != 0 ? From(current_.special, next_.special, offset) & Below(raw) : 0;
    if (special != 0) {
        // A CR that ends the line is part of the line end; any other CR or
        // mark needs the careful way.
        if (special != std::uint64_t{1} << (raw - 1) || p[raw - 1] != '\r') {
            Advance();
            return CutByBytes(p, raw);
        }
        n = raw - 1;
    }
    length_ = n;
    window_.blanks = From(current_.decimal.blanks, next_.decimal.blanks, offset);
    window_.digits = From(current_.decimal.digits, next_.decimal.digits, offset);
    window_.points = From(current_.decimal.points, next_.decimal.points, offset);
    if (separator_ == ',') {
        window_.regional = From(current_.decimal.regional, next_.decimal.regional, offset);
    }
    windowed_ = true;
    Advance();
    return scanner_detail::CutShort(p, n, window_.blanks);
}

}  // namespace pivora
