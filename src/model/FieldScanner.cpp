#include "model/FieldScanner.h"

#include <emmintrin.h>

#include <bit>
#include <cstdint>
#include <cstring>

#include "model/FileIo.h"

namespace pivora {
namespace {

constexpr char kEndOfFileMark = 26;

// Where the empty fields of a short line point: readable padding included.
constexpr char kNothing[kScanPadding] = {};

std::string_view TrimControls(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
    return text.substr(begin, end - begin);
}

std::string_view Padded(std::string_view field) {
    return field.empty() ? std::string_view(kNothing, 0) : field;
}

std::uint32_t Matches(__m128i bytes, char c) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
}

__m128i Load(const char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Bit i set for i < n, n <= 64.
std::uint64_t Below(std::size_t n) {
    return n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
}

// The 64 bytes from p: line feeds, bytes that need the careful way (CR and
// the end-of-file mark), and blanks, bit i for byte i.
struct Window {
    std::uint64_t lineFeeds = 0;
    std::uint64_t special = 0;
    std::uint64_t blanks = 0;
};

Window Classify(const char* p) {
    Window w;
    for (int i = 0; i < 4; ++i) {
        const __m128i bytes = Load(p + 16 * i);
        const int shift = 16 * i;
        w.lineFeeds |= std::uint64_t{Matches(bytes, '\n')} << shift;
        w.special |= std::uint64_t{Matches(bytes, '\r') | Matches(bytes, kEndOfFileMark)} << shift;
        w.blanks |= std::uint64_t{Matches(bytes, ' ')} << shift;
    }
    return w;
}

// CutLine on text[0, n), n <= 64, with its blanks given as bits.
LineFields CutShort(const char* text, std::size_t n, std::uint64_t blanks) {
    // A cut at i needs a non-blank at i + 1 inside the text.
    std::uint64_t cuts = n >= 2 ? blanks & ~(blanks >> 1) & Below(n - 1) : 0;
    std::string_view fields[4] = {{kNothing, 0}, {kNothing, 0}, {kNothing, 0}, {kNothing, 0}};
    int count = 0;
    std::size_t start = 0;
    while (cuts != 0 && count < 4) {
        const auto cut = static_cast<std::size_t>(std::countr_zero(cuts));
        fields[count++] = std::string_view(text + start, cut - start);
        start = cut + 1;
        cuts &= cuts - 1;
    }
    if (count < 4) fields[count] = std::string_view(text + start, n - start);
    return LineFields{TrimControls(fields[0]), fields[1], fields[2], fields[3]};
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

LineFields FieldScanner::Next() {
    const char* p = data_ + pos_;
    const std::size_t left = size_ - pos_;
    const Window w = Classify(p);
    const std::uint64_t lineFeeds = w.lineFeeds & Below(left);
    std::size_t raw;  // the line's bytes before its line feed
    if (lineFeeds != 0) {
        raw = static_cast<std::size_t>(std::countr_zero(lineFeeds));
    } else if (left <= 64) {
        raw = left;  // the last line, without a line end
    } else {
        return NextByBytes();
    }
    std::size_t n = raw;
    const std::uint64_t special = w.special & Below(raw);
    if (special != 0) {
        // A CR that ends the line is part of the line end; any other CR or
        // mark needs the careful way.
        if (special != std::uint64_t{1} << (raw - 1) || p[raw - 1] != '\r') return NextByBytes();
        n = raw - 1;
    }
    pos_ += lineFeeds != 0 ? raw + 1 : raw;
    return CutShort(p, n, w.blanks);
}

LineFields FieldScanner::NextByBytes() {
    const char* p = data_ + pos_;
    const char* end = data_ + size_;
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
    const char* stop = lf ? lf : end;
    pos_ = static_cast<std::size_t>((lf ? lf + 1 : end) - data_);
    // Byte 26 ends the text; every CR before it is dropped.
    const char* mark = static_cast<const char*>(std::memchr(p, kEndOfFileMark, stop - p));
    const char* textEnd = mark ? mark : stop;
    const std::size_t length = static_cast<std::size_t>(textEnd - p);
    std::string_view text(p, length);
    if (std::memchr(p, '\r', length) != nullptr) {
        scratch_.clear();
        AppendWithoutCr(scratch_, p, length);
        const std::size_t kept = scratch_.size();
        scratch_.append(kScanPadding, '\0');
        text = std::string_view(scratch_.data(), kept);
    }
    const LineFields f = CutLine(text);
    return LineFields{Padded(f.label), Padded(f.x), Padded(f.y), Padded(f.z)};
}

bool IsPlainDecimal(std::string_view text, char separator) {
    const std::size_t n = text.size();
    if (n == 0 || n > 32 || (separator != '.' && separator != ',')) return false;
    std::uint32_t digits = 0, points = 0, others = 0, signs = 0, blanks = 0;
    for (int half = 0; half < (n > 16 ? 2 : 1); ++half) {
        const __m128i bytes = Load(text.data() + 16 * half);
        // A byte minus '0' is a digit when, unsigned, it is at most 9.
        const __m128i fromZero = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
        const __m128i nine = _mm_set1_epi8(9);
        const auto digit = static_cast<std::uint32_t>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(fromZero, nine), nine)));
        const int shift = 16 * half;
        digits |= digit << shift;
        points |= Matches(bytes, '.') << shift;
        if (separator != '.') others |= Matches(bytes, separator) << shift;
        signs |= (Matches(bytes, '-') | Matches(bytes, '+')) << shift;
        blanks |= Matches(bytes, ' ') << shift;
    }
    const std::uint32_t in = n == 32 ? ~0u : (1u << n) - 1;
    digits &= in;
    points &= in;
    others &= in;  // the regional separator when it is not "."
    signs &= in;
    blanks &= in;
    if ((in & ~(digits | points | others | signs | blanks)) != 0) return false;
    // Blanks only at the end, a sign only in front.
    if (blanks != 0 && blanks != (in & (0u - blanks))) return false;
    if ((signs & ~1u) != 0) return false;
    // One separator at most, of one kind: the regional one, or "." which
    // the file form takes as well.
    if ((points != 0 && others != 0) || (points & (points - 1)) != 0 ||
        (others & (others - 1)) != 0)
        return false;
    // A digit or the separator: a sign alone is no number. Up to 32 digits
    // make at most 1E32, far inside the double range.
    return (digits | points | others) != 0;
}

}  // namespace pivora
