#include "coordinates/FieldScanner.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "files/FileIo.h"
#include "numeric/PlainDecimalSse.h"

namespace pivora {
namespace {

constexpr char kEndOfFileMark = 26;

using scanner_detail::kNothing;
using scanner_detail::TrimControls;

std::string_view Padded(std::string_view field) {
    return field.empty() ? std::string_view(kNothing, 0) : field;
}

std::uint64_t Matches(__m128i bytes, char c) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
}

}  // namespace

LineFields CutLine(std::string_view line) {
    std::string_view fields[4];
    int count = 0;
    std::size_t start = 0;
    const std::size_t n = line.size();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (line[i] == ' ' && line[i + 1] != ' ') {
            fields[count++] = line.substr(start, i - start);
            start = i + 1;
            if (count == 4) break;
        }
    }
    if (count < 4) fields[count] = line.substr(start);
    return LineFields{TrimControls(fields[0]), fields[1], fields[2], fields[3]};
}

FieldScanner::FieldScanner(const char* data, std::size_t size, char separator)
    : data_(data), size_(size), separator_(separator) {
    current_ = Classify(0);
    next_ = Classify(64);
}

FieldScanner::Block FieldScanner::Classify(std::size_t at) const {
    // Only blocks that begin inside the data are read: the padding covers
    // the rest of the last one.
    Block b;
    if (at >= size_) return b;
    for (int i = 0; i < 4; ++i) {
        const __m128i bytes =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(data_ + at + 16 * i));
        const int shift = 16 * i;
        b.lineFeeds |= Matches(bytes, '\n') << shift;
        b.special |= (Matches(bytes, '\r') | Matches(bytes, kEndOfFileMark)) << shift;
        const DecimalMasks16 d = ClassifyDecimal16(bytes, separator_);
        b.decimal.digits |= d.digits << shift;
        b.decimal.points |= d.points << shift;
        b.decimal.regional |= d.regional << shift;
        b.decimal.blanks |= d.blanks << shift;
    }
    // Bytes past the data are none of these.
    const std::uint64_t data = scanner_detail::Below(std::min<std::size_t>(size_ - at, 64));
    b.lineFeeds &= data;
    b.special &= data;
    return b;
}

void FieldScanner::AdvanceBlocks() {
    while (pos_ >= block_ + 64) {
        block_ += 64;
        current_ = next_;
        if (pos_ >= block_ + 64) {
            // A long line passed whole blocks.
            block_ = pos_ & ~std::size_t{63};
            current_ = Classify(block_);
        }
        next_ = Classify(block_ + 64);
    }
}

LineFields FieldScanner::NextLong() {
    const char* p = data_ + pos_;
    const std::size_t left = size_ - pos_;
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', left));
    const std::size_t raw = lf ? static_cast<std::size_t>(lf - p) : left;
    pos_ += lf ? raw + 1 : raw;
    Advance();
    return CutByBytes(p, raw);
}

LineFields FieldScanner::CutByBytes(const char* line, std::size_t raw) {
    // Byte 26 ends the text; every CR before it is dropped.
    const char* mark = static_cast<const char*>(std::memchr(line, kEndOfFileMark, raw));
    const std::size_t length = mark ? static_cast<std::size_t>(mark - line) : raw;
    std::string_view text(line, length);
    if (std::memchr(line, '\r', length) != nullptr) {
        scratch_.clear();
        AppendWithoutCr(scratch_, line, length);
        const std::size_t kept = scratch_.size();
        scratch_.append(kScanPadding, '\0');
        text = std::string_view(scratch_.data(), kept);
        text_ = scratch_.data();
    }
    length_ = text.size();
    const LineFields f = CutLine(text);
    return LineFields{Padded(f.label), Padded(f.x), Padded(f.y), Padded(f.z)};
}

}  // namespace pivora
