// Standard XYZ: a count line, a comment line, one "symbol x y z" line per
// atom (further columns, as in extended XYZ, are ignored); frames may follow
// one another, and the last one is read.

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "base/LargeMemory.h"
#include "coordinates/CoordinateReader.h"
#include "coordinates/FieldScanner.h"
#include "io/Elements.h"
#include "io/FormatText.h"
#include "io/Formats.h"

namespace pivora::io {
namespace {

// The table holds AtomCount + 1 + kSpareSlots slots in a signed 32-bit count.
constexpr long long kMostAtoms = std::numeric_limits<std::int32_t>::max() - 1 - kSpareSlots;

struct Frame {
    std::int64_t countLine;  // number of the frame's count line
    std::int32_t atoms;
};

std::int32_t FrameAtoms(const FormatSource& source, std::string_view line, std::int64_t number) {
    if (!IsSingleField(line)) {
        source.Fail(number, "the atom count " + Quoted(TrimBlanks(line)) +
                                " should be one whole number on a line of its own");
    }
    const std::string_view count = TrimBlanks(line);
    if (!IsXyzCountLine(line))
        source.Fail(number, "the atom count " + Quoted(count) + " is not a whole number");
    long long atoms = 0;
    if (!ParseWhole(count, atoms) || atoms > kMostAtoms)
        source.Fail(number, "the atom count " + Quoted(count) + " is too large");
    return static_cast<std::int32_t>(atoms);
}

std::string CountHint(const Frame& frame) {
    return " (does the count " + std::to_string(frame.atoms) + " on line " +
           std::to_string(frame.countLine) + " match the atom lines of its frame?)";
}

// An atom line of a frame read the standard XYZ way: a symbol (or atomic
// number) and x, y, z among fields separated by blanks and tabs, further
// fields ignored.
class XyzAtomLine final : public AtomLineRule {
  public:
    // first: the number of the frame's first atom line. The rule keeps what
    // it needs, as a read may use it after the reader returned.
    XyzAtomLine(const std::string& path, const Frame& frame, std::int64_t first)
        : path_(path), frame_(frame), first_(first) {}

    // The native cut gives this format's fields when the line begins with
    // its label, which holds no blank, tab or control byte and ends at a
    // blank: x, y and z, plain decimals, then hold no tab either.
    bool QuickLabel(std::string_view text, const LineFields& f,
                    std::string_view& label) const override {
        const std::string_view l = f.label;
        if (l.empty() || l.data() != text.data()) return false;
        if (l.size() < text.size() && text[l.size()] != ' ') return false;
        for (const char c : l)
            if (static_cast<unsigned char>(c) <= 32) return false;
        label = ElementLabel(l);
        return !label.empty();
    }

    void Read(std::string_view text, std::int64_t at, std::string& label, double& x, double& y,
              double& z) const override {
        const std::int64_t k = at - first_ + 1;
        std::string_view f[4];
        const int n = SplitFields(text, f, 4);
        if (n < 4) {
            std::string what = n == 0
                                   ? "a blank line stands for atom " + std::to_string(k)
                                   : "the line " + Quoted(text) + " for atom " + std::to_string(k) +
                                         " does not hold a symbol and x, y, z";
            if (n <= 1) what += CountHint(frame_);
            source_.Fail(at, what);
        }
        label = source_.AtomLabel(f[0], at);
        x = source_.Coordinate(f[1], at, 'x');
        y = source_.Coordinate(f[2], at, 'y');
        z = source_.Coordinate(f[3], at, 'z');
    }

  private:
    std::string path_;
    FormatSource source_{path_, FileKind::Xyz};
    Frame frame_;
    std::int64_t first_;
};

// Reads the atoms of frame; src stands on the frame's count line. The atom
// lines are gathered first, then read the plain reader's way
// (ReadAtomLines), which fails at the first bad one as a read line by line
// would; a file that ends too early fails after them.
AtomTable ParseFrame(const FormatSource& source, LineSource& src, const Frame& frame,
                     const AtomTable& previous) {
    if (!src.Skip()) source.Fail(frame.countLine, "the comment line after the count is missing");
    // Each line's text and a line feed: the texts hold no line end, CR or
    // byte 26, so that the scanner cuts them again as they are.
    // Room for the lines the count announces, but no more than the file
    // holds, so that a count of a billion in a small file takes nothing;
    // laid out for huge pages, as its first touch would otherwise fault on
    // every page.
    std::vector<char> text;
    const auto most = static_cast<std::size_t>(src.File().SizeAtOpen());
    ReserveLarge(text, std::min(static_cast<std::size_t>(frame.atoms) * 40, most) + kScanPadding);
    std::string_view line;
    std::int32_t got = 0;
    while (got < frame.atoms && src.Next(line)) {
        text.insert(text.end(), line.begin(), line.end());
        text.push_back('\n');
        ++got;
    }
    const std::size_t size = text.size();
    text.resize(size + kScanPadding, '\0');
    const std::int64_t first = src.Number() - got + 1;
    const XyzAtomLine rule(source.Path(), frame, first);
    AtomTable table = ReadAtomLines(text.data(), size, got, first, rule, previous);
    if (got < frame.atoms) {
        source.Fail(src.Number(), "the file ends after " + std::to_string(got) + " atom lines" +
                                      CountHint(frame));
    }
    return table;
}

// The lines of a file held in memory, with LineSource's rules and
// numbering (the block scanner's); a frame's atom lines can be taken as one
// block of bytes.
class MemoryLines {
  public:
    // data[0, size) is the file, kScanPadding readable bytes after it.
    MemoryLines(std::shared_ptr<char[]> data, std::size_t size)
        : whole_(std::move(data)), data_(whole_.get()), size_(size) {
        MoveTo(0);
    }
    bool Next(std::string_view& line) {
        if (scanner_->AtEnd()) return false;
        scanner_->Next();
        line = scanner_->LineText();
        ++number_;
        return true;
    }
    bool Skip() {
        std::string_view line;
        return Next(line);
    }
    std::int64_t Number() const { return number_; }
    // The next lines, at most most of them, as the bytes [from, to): how
    // many there were before the end of the file.
    std::int32_t Take(std::int32_t most, std::size_t& from, std::size_t& to) {
        from = base_ + scanner_->Offset();
        std::size_t at = from;
        std::int32_t taken = PastLineFeeds(most, at);
        if (taken < most && at < size_) {
            at = size_;  // the last line, without a line end
            ++taken;
        }
        // A byte 26 that begins a line ends the file there: rare, so the
        // lines are then taken again one by one.
        if (std::memchr(data_ + from, kEndOfFileMark, at - from) != nullptr) {
            at = from;
            taken = 0;
            while (taken < most && at < size_ && data_[at] != kEndOfFileMark) {
                const void* lf = std::memchr(data_ + at, '\n', size_ - at);
                at =
                    lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data_) + 1 : size_;
                ++taken;
            }
        }
        to = at;
        number_ += taken;
        MoveTo(at);
        return taken;
    }
    const std::shared_ptr<char[]>& Whole() const { return whole_; }

  private:
    static constexpr char kEndOfFileMark = 26;
    // Moves at past up to most line feeds, 16 bytes at a time, to just
    // after the last one passed; how many.
    std::int32_t PastLineFeeds(std::int32_t most, std::size_t& at) const {
        const __m128i lf = _mm_set1_epi8('\n');
        std::int32_t passed = 0;
        std::size_t block = at;
        while (passed < most && block < size_) {
            // The padding after the data is readable; bytes past its end
            // are left out.
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data_ + block));
            auto feeds = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)));
            const std::size_t left = size_ - block;
            if (left < 16) feeds &= (1u << left) - 1;
            // Line feeds are about one in 40 bytes: bit by bit.
            std::uint32_t lastFeed = 0;
            while (feeds != 0 && passed < most) {
                lastFeed = feeds & (~feeds + 1);
                feeds &= feeds - 1;
                ++passed;
            }
            if (lastFeed != 0)
                at = block + static_cast<std::size_t>(std::countr_zero(lastFeed)) + 1;
            block += 16;
        }
        return passed;
    }
    void MoveTo(std::size_t at) {
        base_ = at;
        scanner_.emplace(data_ + at, size_ - at);
    }
    std::shared_ptr<char[]> whole_;
    const char* data_;
    std::size_t size_;
    std::size_t base_ = 0;
    std::optional<FieldScanner> scanner_;
    std::int64_t number_ = 0;
};

// ParseFrame on a file in memory: the atom lines are read where they lie,
// into target's arrays at MoveInto when mayRefill and they fit.
CoordinateRead PrepareFrame(const FormatSource& source, MemoryLines& src, const Frame& frame,
                            const AtomTable& target, bool mayRefill, ProgressMeter* progress) {
    if (!src.Skip()) source.Fail(frame.countLine, "the comment line after the count is missing");
    std::size_t from = 0, to = 0;
    const std::int32_t got = src.Take(frame.atoms, from, to);
    const std::int64_t first = src.Number() - got + 1;
    CoordinateRead read =
        PrepareAtomLines(src.Whole(), from, to - from, got, first,
                         std::make_shared<const XyzAtomLine>(source.Path(), frame, first), target,
                         mayRefill, progress);
    if (got < frame.atoms) {
        source.Fail(src.Number(), "the file ends after " + std::to_string(got) + " atom lines" +
                                      CountHint(frame));
    }
    return read;
}

// The frames of the file that open() gives the lines of, as LineSource or
// MemoryLines: the first frame is read as it comes (parse(src, frame)); further
// frames are only stepped over, and the last one is read again from a fresh
// start. Returns what the file says of its frames.
template <typename Open, typename Parse>
MoleculeInfo ReadFrames(const FormatSource& source, Open open, Parse parse) {
    Frame last{};
    std::int64_t frames = 0;
    {
        auto src = open();
        std::string_view line;
        if (!src.Next(line)) source.Fail(0, "the file is empty");
        last = {1, FrameAtoms(source, line, 1)};
        frames = 1;
        parse(src, last);
        while (src.Next(line)) {
            if (IsBlankLine(line)) {
                // Blank lines may end the file, but not stand between frames.
                const std::int64_t blank = src.Number();
                while (src.Next(line)) {
                    if (!IsBlankLine(line)) {
                        source.Fail(src.Number(), "text follows the blank line " +
                                                      std::to_string(blank) +
                                                      " after the last frame" + CountHint(last));
                    }
                }
                break;
            }
            if (!IsSingleField(line)) {
                source.Fail(src.Number(),
                            "the next frame's atom count or the end of the file "
                            "should follow the atom lines, not " +
                                Quoted(line) + CountHint(last));
            }
            const Frame frame{src.Number(), FrameAtoms(source, line, src.Number())};
            if (!src.Skip()) {
                source.Fail(frame.countLine, "the comment line after the count is missing");
            }
            for (std::int32_t k = 0; k < frame.atoms; ++k) {
                if (!src.Skip()) {
                    source.Fail(src.Number(), "the file ends after " + std::to_string(k) +
                                                  " atom lines" + CountHint(frame));
                }
            }
            last = frame;
            ++frames;
        }
    }
    if (last.atoms == 0) source.Fail(last.countLine, "the frame holds no atoms (its count is 0)");
    if (frames > 1) {
        auto src = open();
        while (src.Number() < last.countLine && src.Skip()) {
        }
        parse(src, last);
    }
    MoleculeInfo info;
    info.kind = FileKind::Xyz;
    constexpr std::int64_t kMostFrames = std::numeric_limits<int>::max();
    info.frame = info.frameCount = static_cast<int>(std::min(frames, kMostFrames));
    return info;
}

// A file's bytes and kScanPadding zeros after them.
struct WholeFile {
    std::shared_ptr<char[]> data;
    std::size_t size = 0;
};

// Room for size bytes and the padding, laid out for huge pages and not
// written to: its pages are touched first by the reading.
std::unique_ptr<char[]> Room(std::size_t size) {
    std::unique_ptr<char[]> room(new char[size + kScanPadding]);
    if (IsLargeBlock(size)) AdviseHugePages(room.get(), size);
    return room;
}

// The file read whole; progress hears of the reading as LineSource's pass
// does.
WholeFile ReadWhole(InputFile& input, ProgressMeter* progress) {
    LineReaderOptions options;
    options.progress = progress;
    // Pieces of a quarter megabyte: a read of a few megabytes still reports
    // as it goes.
    options.chunkSize = std::size_t{1} << 18;
    ByteReader file(input, options);
    if (progress) {
        const std::uint64_t from = progress->StageEnd();
        progress->Stage(from + (ProgressMeter::kTotal - from) * 3 / 4, file.SizeAtOpen());
    }
    std::size_t room = static_cast<std::size_t>(file.SizeAtOpen()) + 1;
    std::unique_ptr<char[]> data = Room(room);
    std::size_t size = 0;
    for (;;) {
        if (size == room) {
            // The file grew since it was opened.
            room *= 2;
            std::unique_ptr<char[]> larger = Room(room);
            std::memcpy(larger.get(), data.get(), size);
            data = std::move(larger);
        }
        const std::size_t got = file.Read(data.get() + size, room - size);
        if (got == 0) break;
        size += got;
    }
    std::memset(data.get() + size, 0, kScanPadding);
    return {std::move(data), size};
}

// The atom count on the first line of file, or 0 where there is none.
long long FirstCount(InputFile& file) {
    LineReaderOptions options;
    options.chunkSize = 4096;
    LineReader reader(file, options);
    if (reader.AtEnd()) return 0;
    const std::string_view line = reader.NextLine();
    long long count = 0;
    if (!IsXyzCountLine(line) || !ParseWhole(TrimBlanks(line), count)) return 0;
    return count;
}

}  // namespace

bool IsSingleField(std::string_view line) {
    std::string_view f[1];
    return SplitFields(line, f, 1) == 1;
}

bool IsXyzCountLine(std::string_view line) {
    std::string_view f[1];
    if (SplitFields(line, f, 1) != 1) return false;
    for (char c : f[0])
        if (c < '0' || c > '9') return false;
    return true;
}

bool IsXyzAtomLine(std::string_view line) {
    std::string_view f[4];
    return SplitFields(line, f, 4) >= 4 && ElementOfLabel(f[0]) != 0 && IsFileNumber(f[1]) &&
           IsFileNumber(f[2]) && IsFileNumber(f[3]);
}

PreparedXyz PrepareXyz(InputFile& file, const AtomTable& target, bool mayRefill,
                       ProgressMeter* progress) {
    const FormatSource source(file.Path(), FileKind::Xyz);
    // A file of about one frame is read into memory and its atom lines read
    // where they lie; a long trajectory, line by line, which holds no more
    // than a frame at a time.
    const std::uint64_t size = file.SizeAtOpen();
    constexpr std::uint64_t kInMemory = std::uint64_t{256} << 20;
    if (size > kInMemory && size / 128 > static_cast<std::uint64_t>(FirstCount(file))) {
        PreparedXyz prepared;
        prepared.result = ReadXyzStreamed(file, target, progress);
        return prepared;
    }
    const WholeFile whole = ReadWhole(file, progress);
    // Every byte is in memory now: only what the file was throughout may be
    // parsed. A change is said as such, not as a frame it cut.
    file.CheckUnchanged();
    std::optional<CoordinateRead> read;
    PreparedXyz prepared;
    prepared.result.info = ReadFrames(
        source, [&] { return MemoryLines(whole.data, whole.size); },
        [&](MemoryLines& src, const Frame& frame) {
            read.reset();
            read.emplace(PrepareFrame(source, src, frame, target, mayRefill, progress));
        });
    prepared.read = std::move(read);
    return prepared;
}

ReadResult ReadXyz(InputFile& file, const AtomTable& previous, ProgressMeter* progress) {
    PreparedXyz prepared = PrepareXyz(file, previous, false, progress);
    if (prepared.read) prepared.result.table = std::move(*prepared.read).TakeTable(previous);
    return std::move(prepared.result);
}

ReadResult ReadXyzStreamed(InputFile& file, const AtomTable& previous, ProgressMeter* progress) {
    const FormatSource source(file.Path(), FileKind::Xyz);
    ReadResult result;
    result.info = ReadFrames(
        source, [&] { return LineSource(file, progress); },
        [&](LineSource& src, const Frame& frame) {
            result.table = ParseFrame(source, src, frame, previous);
        });
    return result;
}

std::string XyzHead(std::int32_t atoms, const ExportSettings& settings) {
    std::string head = std::to_string(atoms) + "\n";
    const std::string name(TrimBlanks(CommentSafe(settings.source, "", 200)));
    head += name.empty() ? std::string("Oriented by Pivora") : name + " oriented by Pivora";
    head += ", coordinates in angstrom\n";
    return head;
}

}  // namespace pivora::io
