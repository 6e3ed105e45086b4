#include "coordinates/CoordinateReader.h"

#include <emmintrin.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "base/Error.h"
#include "base/LargeMemory.h"
#include "files/FileIo.h"
#include "numeric/DecimalText.h"
#include "numeric/Extended.h"
#include "numeric/PlainDecimalSse.h"
#include "parallel/TwoThreads.h"

namespace pivora {
namespace {

// The table needs AtomCount + 1 + kSpareSlots slots in a signed 32-bit count.
constexpr std::int32_t kMostLines = std::numeric_limits<std::int32_t>::max() - 1 - kSpareSlots;
// A label that std::string holds in place, without memory of its own: only
// such labels can be written into a table's slots without allocating.
constexpr std::size_t kInPlaceLabel = 15;

// The shares of a read's progress: the counting pass up to the first, the
// making of a new table up to the second, the reading of the parsing pass up
// to the third, its lines the rest.
constexpr std::uint64_t kCountedShare = ProgressMeter::kTotal * 27 / 100;
constexpr std::uint64_t kTableShare = ProgressMeter::kTotal * 3 / 10;
constexpr std::uint64_t kReadShare = ProgressMeter::kTotal * 4 / 10;
// Slots made between two reports of a new table.
constexpr std::size_t kSlotsPerReport = std::size_t{1} << 18;
// Lines between two reports of the parsing pass: a power of two.
constexpr std::int32_t kLinesPerReport = 1 << 16;

// A field of FieldScanner, which is followed by readable padding.
double ParseCoordinate(std::string_view field) {
    return ParseFileDoublePadded(field);
}

// The parsing pass found fewer lines than the count, or its last line ends
// before the count saw it end: the file lost lines, or the end of its last
// line, in between, and did so unseen by the check of its size and times.
[[noreturn]] void ThrowFileShortened(const std::string& path) {
    throw FileChangedError(path);
}

// How many bytes of [p, p + n) are c, 16 at a time.
std::size_t CountByte(const char* p, std::size_t n, char c) {
    const __m128i needle = _mm_set1_epi8(c);
    const __m128i zero = _mm_setzero_si128();
    std::size_t total = 0;
    std::size_t i = 0;
    while (n - i >= 16) {
        // Each lane counts down by one a match, for at most 255 blocks.
        __m128i counts = zero;
        const std::size_t blocks = std::min<std::size_t>((n - i) / 16, 255);
        for (std::size_t b = 0; b < blocks; ++b, i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(bytes, needle));
        }
        const __m128i sums = _mm_sad_epu8(counts, zero);
        total += static_cast<std::size_t>(_mm_cvtsi128_si64(sums)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
    }
    for (; i < n; ++i) total += p[i] == c ? 1 : 0;
    return total;
}

struct Count {
    std::int32_t lines;
    std::uint64_t end;  // the offset where the counted lines end
};

// The counting pass: the lines by LineReader's rules, read a chunk at a time.
// A line starts at the beginning of the file and after each line feed; a
// byte 26 at a line start ends the file there.
Count CountWithEnd(InputFile& input, const LineReaderOptions& options) {
    ByteReader file(input, options);
    if (options.progress) options.progress->Stage(kCountedShare, file.SizeAtOpen());
    // A buffer that stays in the cache: the bytes are only looked at once.
    const std::size_t room = static_cast<std::size_t>(
        std::min<std::uint64_t>(std::min<std::size_t>(file.ChunkSize(), 64 << 10),
                                std::max<std::uint64_t>(file.SizeAtOpen() + 1, 4096)));
    const std::unique_ptr<char[]> buffer(new char[room]);
    std::uint64_t lineFeeds = 0;
    std::uint64_t end = 0;
    bool lineStart = true;  // the next byte begins a line
    for (;;) {
        const std::size_t got = file.Read(buffer.get(), room);
        if (got == 0) break;
        std::size_t take = got;
        bool marked = false;
        for (const char* mark = static_cast<const char*>(std::memchr(buffer.get(), 26, got));
             mark != nullptr;) {
            const std::size_t at = static_cast<std::size_t>(mark - buffer.get());
            if (at == 0 ? lineStart : buffer[at - 1] == '\n') {
                take = at;
                marked = true;
                break;
            }
            mark = static_cast<const char*>(std::memchr(mark + 1, 26, got - at - 1));
        }
        lineFeeds += CountByte(buffer.get(), take, '\n');
        if (take > 0) lineStart = buffer[take - 1] == '\n';
        end += take;
        const std::uint64_t lines = lineFeeds + (lineStart ? 0 : 1);
        if (lines > static_cast<std::uint64_t>(kMostLines)) throw OutOfMemoryError();
        if (marked) break;
    }
    return {static_cast<std::int32_t>(lineFeeds + (lineStart ? 0 : 1)), end};
}

}  // namespace

// The lines first..last of the file's count, the first of them beginning at
// byte from.
struct LineRun {
    std::size_t from;
    std::int32_t first;
    std::int32_t last;
};

// The file's bytes as the parsing pass read them, with the padding that
// FieldScanner reads past the end, and the runs its lines are parsed in
// (SplitRuns), found once for the check and the fill alike.
struct FileBytes {
    std::shared_ptr<char[]> data;
    std::size_t size = 0;
    std::vector<LineRun> runs;
    bool refuseShifted = false;  // ReadOptions::refuseShiftedLines
    // Another format's atom lines (PrepareAtomLines): how they are read,
    // and the file's number of the first.
    std::shared_ptr<const AtomLineRule> rule;
    std::int64_t firstLine = 1;
};

namespace {

std::unique_ptr<char[]> NewBytes(std::size_t size) {
    std::unique_ptr<char[]> data(new char[size]);
    if (IsLargeBlock(size)) AdviseHugePages(data.get(), size);
    return data;
}

// The parsing pass's reading: the file from its start until it holds lines
// line feeds or ends. expected, the size the counting pass saw, is the
// first guess of the room it needs.
std::unique_ptr<FileBytes> ReadLines(InputFile& input, const LineReaderOptions& options,
                                     std::int32_t lines, std::uint64_t expected) {
    auto bytes = std::make_unique<FileBytes>();
    ByteReader file(input, options);
    std::size_t room = static_cast<std::size_t>(expected) + 1;
    bytes->data = NewBytes(room + kScanPadding);
    std::uint64_t lineFeeds = 0;
    while (lineFeeds < static_cast<std::uint64_t>(lines)) {
        if (bytes->size == room) {
            // The file grew since it was counted.
            room *= 2;
            std::unique_ptr<char[]> larger = NewBytes(room + kScanPadding);
            std::memcpy(larger.get(), bytes->data.get(), bytes->size);
            bytes->data = std::move(larger);
        }
        char* at = bytes->data.get() + bytes->size;
        const std::size_t got = file.Read(at, room - bytes->size);
        if (got == 0) break;
        lineFeeds += CountByte(at, got, '\n');
        bytes->size += got;
    }
    std::memset(bytes->data.get() + bytes->size, 0, kScanPadding);
    return bytes;
}

// Each line of a run of the parsing pass in turn, counted; fails as the
// file that shrank when the lines run out before the last line of the
// file, or when that one ends before the counting pass saw it end.
class CountedLines {
  public:
    // The lines from line first on, which begins at byte from.
    CountedLines(const FileBytes& bytes, std::size_t from, std::int32_t count, std::uint64_t end,
                 const std::string& path, char separator)
        : scanner_(bytes.data.get() + from, bytes.size - from, separator),
          from_(from),
          count_(count),
          end_(end),
          path_(path) {}
    LineFields Next(std::int32_t k) {
        if (scanner_.AtEnd()) ThrowFileShortened(path_);
        const LineFields f = scanner_.Next();
        if (k == count_ && from_ + scanner_.Offset() < end_) ThrowFileShortened(path_);
        return f;
    }
    const FieldScanner& Scanner() const { return scanner_; }

  private:
    FieldScanner scanner_;
    std::size_t from_;
    std::int32_t count_;
    std::uint64_t end_;
    const std::string& path_;
};

// The capacity of a table of count atoms: slot 0 and the spare slots.
std::size_t SlotsFor(std::int32_t count) {
    return static_cast<std::size_t>(count) + 1 + kSpareSlots;
}

// Line k of run done, out of the file's count. The first run, on the
// calling thread, speaks for all.
[[gnu::noinline]] void ReportLines(ProgressMeter* progress, const LineRun& run, std::int32_t count,
                                   std::int32_t k) {
    if (progress) {
        progress->AtItemOfPart(static_cast<std::uint64_t>(k), static_cast<std::uint64_t>(run.first),
                               static_cast<std::uint64_t>(run.last),
                               static_cast<std::uint64_t>(count));
    }
}

// The counted lines as one run, or as two of about equal bytes: the second
// begins after the line feed nearest past the middle of the counted bytes.
std::vector<LineRun> SplitRuns(const char* data, std::size_t size, std::int32_t count,
                               std::uint64_t end) {
    const std::vector<LineRun> whole{{0, 1, count}};
    // A file that shrank after it was counted is left to one run, which
    // meets the end where it expects lines.
    if (!WorthTwoThreads(static_cast<std::size_t>(count)) || size < end) {
        return whole;
    }
    const auto middle = static_cast<std::size_t>(end / 2);
    const void* feed = std::memchr(data + middle, '\n', static_cast<std::size_t>(end) - middle);
    if (feed == nullptr) return whole;
    const std::size_t from = static_cast<std::size_t>(static_cast<const char*>(feed) - data) + 1;
    const std::uint64_t before = CountByte(data, from, '\n');
    if (from >= end || before >= static_cast<std::uint64_t>(count)) return whole;
    const auto first = static_cast<std::int32_t>(before) + 1;
    return {{0, 1, first - 1}, {from, first, count}};
}

// run(r, reached) over the runs, the second on another thread; a failure
// is the one of the earliest line, as one pass in order would meet it, and
// lineReached the line it met it on.
template <class Run>
void OverRuns(const std::vector<LineRun>& runs, std::int32_t* lineReached, Run run) {
    std::int32_t reached[2] = {0, 0};
    bool firstFailed = false;
    const auto first = [&] {
        try {
            run(runs[0], reached[0]);
        } catch (...) {
            firstFailed = true;
            throw;
        }
    };
    try {
        if (runs.size() == 2) {
            // The first run's failure wins: its lines come first.
            RunOnTwoThreads(first, [&] { run(runs[1], reached[1]); });
        } else {
            first();
        }
    } catch (...) {
        if (lineReached) *lineReached = firstFailed ? reached[0] : reached[1];
        throw;
    }
}

// Where field lies in the text the scanner cut it from; an empty field,
// which may lie elsewhere, as [0, 0).
unsigned From(const FieldScanner& scanner, std::string_view field) {
    return field.empty() ? 0u : static_cast<unsigned>(field.data() - scanner.Text());
}
unsigned To(const FieldScanner& scanner, std::string_view field) {
    return field.empty() ? 0u : static_cast<unsigned>(field.data() + field.size() - scanner.Text());
}

// All three, each test made whatever the others gave: no branch between
// them, so that the three numbers are worked on side by side.
bool AllThree(bool a, bool b, bool c) {
    return (static_cast<unsigned>(a) & static_cast<unsigned>(b) & static_cast<unsigned>(c)) != 0;
}

// x, y and z of the line just cut as plain decimals (PlainDecimal.h), side
// by side; false when any of them is not one.
template <bool kValue>
[[gnu::always_inline]] inline bool PlainLine(const FieldScanner& scanner, const LineFields& f,
                                             char separator, PlainDecimal (&out)[3]) {
    const DecimalMasks* masks = scanner.Masks();
    if (masks == nullptr) {
        if constexpr (kValue) {
            return AllThree(ReadPlainDecimal(f.x, separator, out[0]),
                            ReadPlainDecimal(f.y, separator, out[1]),
                            ReadPlainDecimal(f.z, separator, out[2]));
        } else {
            return AllThree(IsPlainDecimal(f.x, separator), IsPlainDecimal(f.y, separator),
                            IsPlainDecimal(f.z, separator));
        }
    }
    const char* text = scanner.Text();
    if constexpr (kValue) {
        return AllThree(
            ReadPlainDecimalAt(text, *masks, From(scanner, f.x), To(scanner, f.x), out[0]),
            ReadPlainDecimalAt(text, *masks, From(scanner, f.y), To(scanner, f.y), out[1]),
            ReadPlainDecimalAt(text, *masks, From(scanner, f.z), To(scanner, f.z), out[2]));
    } else {
        return AllThree(IsPlainDecimalAt(text, *masks, From(scanner, f.x), To(scanner, f.x)),
                        IsPlainDecimalAt(text, *masks, From(scanner, f.y), To(scanner, f.y)),
                        IsPlainDecimalAt(text, *masks, From(scanner, f.z), To(scanner, f.z)));
    }
}

// The plain forms need "." or "," as the separator; with another, every
// number takes the parse form's full way.
bool PlainSeparator(char separator) {
    return separator == '.' || separator == ',';
}

// Slots run.first..run.last from the lines, each value stored right after
// its conversion; throws at the first field that is no number, with reached
// at its line.
// The slots' arrays, taken once before the runs start: taking them from the
// table checks whether it shares them, which only one thread may do.
struct Slots {
    std::string* names = nullptr;
    double* x = nullptr;
    double* y = nullptr;
    double* z = nullptr;
};

// Line k, whose label is empty, when it goes on after z: its fields
// would be read one off (ReadOptions::refuseShiftedLines).
[[gnu::noinline]] void CheckShifted(const FieldScanner& scanner, const LineFields& f,
                                    std::int32_t k, const std::string& path) {
    const std::string_view line = scanner.LineText();
    if (f.z.empty() || f.z.data() + f.z.size() >= line.data() + line.size()) return;
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    throw Error(ErrorKind::Format,
                "Line " + std::to_string(k) + " of " + name +
                    ": the line begins with a blank and holds more than four fields, so its "
                    "label would be empty and every field read one place off (the label as x, "
                    "z dropped); nothing was read. Remove the blanks before the label.");
}

void CheckCoordinate(std::string_view field, char separator) {
    if (!IsPlainDecimal(field, separator)) ParseCoordinate(field);
}

// The lines run.first..run.last: with kStore, each stored in its slot right
// after its conversion; without, only converted, to see that they would be.
// Throws at the first field that is no number, with reached at its line.
// Returns the longest label's length.
template <bool kStore>
std::size_t ParseRun(const FileBytes& bytes, const LineRun& run, std::int32_t count,
                     std::uint64_t end, const std::string& path, const Slots& slots,
                     std::int32_t& reached, ProgressMeter* progress) {
    const char separator = DecimalSeparator();
    const bool plainSeparator = PlainSeparator(separator);
    CountedLines lines(bytes, run.from, count, end, path, separator);
    // Held here, not read through slots at each line: a label's store could
    // otherwise change them, as far as the compiler knows.
    [[maybe_unused]] std::string* const names = slots.names;
    [[maybe_unused]] double* const x = slots.x;
    [[maybe_unused]] double* const y = slots.y;
    [[maybe_unused]] double* const z = slots.z;
    std::size_t longest = 0;
    for (std::int32_t k = run.first; k <= run.last; ++k) {
        reached = k;
        if ((k & (kLinesPerReport - 1)) == 0) [[unlikely]]
            ReportLines(progress, run, count, k);
        const LineFields f = lines.Next(k);
        if constexpr (kStore) names[k].assign(f.label);
        // The three numbers side by side where all are plain, as they
        // mostly are; else one after the other, failing at the first.
        PlainDecimal plain[3];
        const bool quick =
            plainSeparator && PlainLine<kStore>(lines.Scanner(), f, separator, plain);
        if constexpr (kStore) {
            if (quick) {
                x[k] = StorePlainDecimal(plain[0]);
                y[k] = StorePlainDecimal(plain[1]);
                z[k] = StorePlainDecimal(plain[2]);
            } else {
                x[k] = ParseCoordinate(f.x);
                y[k] = ParseCoordinate(f.y);
                z[k] = ParseCoordinate(f.z);
            }
        } else {
            longest = std::max(longest, f.label.size());
            if (!quick) {
                CheckCoordinate(f.x, separator);
                CheckCoordinate(f.y, separator);
                CheckCoordinate(f.z, separator);
            }
        }
        // After the numbers, so that a line that fails on one still fails
        // as it always did.
        if (f.label.empty() && bytes.refuseShifted) [[unlikely]]
            CheckShifted(lines.Scanner(), f, k, path);
    }
    return longest;
}

// The lines run.first..run.last of another format's atom lines (bytes.rule):
// with kStore each stored in its slot, without only read, to see that they
// would be. Throws what the rule throws, with reached at the line. Returns
// the longest label's length.
template <bool kStore>
std::size_t ReadAtomRun(const FileBytes& bytes, const LineRun& run, std::int32_t count,
                        const Slots& slots, std::int32_t& reached, ProgressMeter* progress) {
    const char separator = DecimalSeparator();
    const bool plainSeparator = PlainSeparator(separator);
    const AtomLineRule& rule = *bytes.rule;
    FieldScanner scanner(bytes.data.get() + run.from, bytes.size - run.from, separator);
    [[maybe_unused]] std::string* const names = slots.names;
    [[maybe_unused]] double* const x = slots.x;
    [[maybe_unused]] double* const y = slots.y;
    [[maybe_unused]] double* const z = slots.z;
    std::size_t longest = 0;
    std::string label;
    double xyz[3];
    for (std::int32_t k = run.first; k <= run.last && !scanner.AtEnd(); ++k) {
        reached = k;
        if ((k & (kLinesPerReport - 1)) == 0) [[unlikely]]
            ReportLines(progress, run, count, k);
        const LineFields f = scanner.Next();
        PlainDecimal plain[3];
        std::string_view quick;
        if (plainSeparator && PlainLine<true>(scanner, f, separator, plain) &&
            rule.QuickLabel(scanner.LineText(), f, quick)) {
            if constexpr (kStore) {
                names[k].assign(quick);
                x[k] = StorePlainDecimal(plain[0]);
                y[k] = StorePlainDecimal(plain[1]);
                z[k] = StorePlainDecimal(plain[2]);
            } else {
                longest = std::max(longest, quick.size());
            }
        } else if constexpr (kStore) {
            rule.Read(scanner.LineText(), bytes.firstLine + (k - 1), names[k], x[k], y[k], z[k]);
        } else {
            rule.Read(scanner.LineText(), bytes.firstLine + (k - 1), label, xyz[0], xyz[1], xyz[2]);
            longest = std::max(longest, label.size());
        }
    }
    return longest;
}

// ParseRun over the counted lines, in two runs where they are many; throws
// what a pass in order would throw first. progress hears from the first run
// only, on this thread. Returns the longest label's length.
template <bool kStore>
std::size_t ParseLines(const FileBytes& bytes, std::int32_t count, std::uint64_t end,
                       const std::string& path, const Slots& slots, std::int32_t* lineReached,
                       ProgressMeter* progress) {
    std::size_t longest[2] = {0, 0};
    const std::vector<LineRun>& runs = bytes.runs;
    OverRuns(runs, lineReached, [&](const LineRun& run, std::int32_t& reached) {
        const bool first = &run == runs.data();
        ProgressMeter* const heard = first ? progress : nullptr;
        longest[first ? 0 : 1] =
            bytes.rule ? ReadAtomRun<kStore>(bytes, run, count, slots, reached, heard)
                       : ParseRun<kStore>(bytes, run, count, end, path, slots, reached, heard);
    });
    return std::max(longest[0], longest[1]);
}

// Slots 1..count of table from the lines.
void FillSlots(const FileBytes& bytes, std::int32_t count, std::uint64_t end,
               const std::string& path, AtomTable& table, std::int32_t* lineReached,
               ProgressMeter* progress) {
    const Slots slots{table.AtomName.data(), table.AtomX.data(), table.AtomY.data(),
                      table.AtomZ.data()};
    ParseLines<true>(bytes, count, end, path, slots, lineReached, progress);
}

// FillSlots without storing anything: throws what it would throw. Returns
// whether every label fits a slot without memory of its own.
bool CheckLines(const FileBytes& bytes, std::int32_t count, std::uint64_t end,
                const std::string& path, std::int32_t* lineReached, ProgressMeter* progress) {
    return ParseLines<false>(bytes, count, end, path, Slots{}, lineReached, progress) <=
           kInPlaceLabel;
}

// A table's own arrays serve for capacity slots when they have the room and
// not more than twice of it, which a smaller molecule would keep held.
bool ArraysFit(const AtomTable& table, std::size_t capacity) {
    for (const std::size_t room : {table.AtomName.capacity(), table.AtomX.capacity(),
                                   table.AtomY.capacity(), table.AtomZ.capacity()}) {
        if (room < capacity || room / 2 > capacity) return false;
    }
    return true;
}

// Writing the slots of millions of atoms takes seconds: a window shows its
// progress meanwhile.
AtomTable NewTable(std::size_t capacity, ProgressMeter* progress = nullptr) {
    AtomTable table;
    if (!progress) {
        table.Resize(capacity);
        return table;
    }
    table.AtomName.reserve(capacity);
    table.AtomX.reserve(capacity);
    table.AtomY.reserve(capacity);
    table.AtomZ.reserve(capacity);
    for (std::size_t made = 0; made < capacity;) {
        made = std::min(capacity, made + kSlotsPerReport);
        table.Resize(made);
        progress->At(made);
    }
    return table;
}

}  // namespace

CoordinateRead::CoordinateRead() = default;
CoordinateRead::CoordinateRead(CoordinateRead&&) noexcept = default;
CoordinateRead& CoordinateRead::operator=(CoordinateRead&&) noexcept = default;
CoordinateRead::~CoordinateRead() = default;

CoordinateRead PrepareCoordinateRead(const std::string& path, const AtomTable& target,
                                     bool mayRefill, const ReadOptions& options) {
    if (options.lineReached) *options.lineReached = 0;
    InputFile file(path);
    return PrepareCoordinateRead(file, target, mayRefill, options);
}

CoordinateRead PrepareCoordinateRead(InputFile& file, const AtomTable& target, bool mayRefill,
                                     const ReadOptions& options) {
    if (options.lineReached) *options.lineReached = 0;
    if (options.betweenPasses) file.SetBetweenPasses(options.betweenPasses);
    const std::string& path = file.Path();
    ProgressMeter meter(options.progress);
    ProgressMeter* const progress = meter.Active() ? &meter : nullptr;
    LineReaderOptions lines = options.lines;
    lines.progress = progress;
    CoordinateRead read;
    read.path_ = path;
    const Count counted = CountWithEnd(file, lines);
    read.count_ = counted.lines;
    read.end_ = counted.end;

    // The new table comes before the bytes, so that memory running out
    // shows before a bad field.
    const bool refill = read.MakeTable(target, mayRefill, progress, kTableShare);
    meter.Stage(kReadShare, counted.end);
    read.bytes_ = ReadLines(file, lines, counted.lines, counted.end);
    // Every byte is in memory now: only what the file was throughout may be
    // parsed. A change is said as such, not as a line it cut.
    file.CheckUnchanged();
    read.bytes_->runs =
        SplitRuns(read.bytes_->data.get(), read.bytes_->size, counted.lines, counted.end);
    read.bytes_->refuseShifted = options.refuseShiftedLines;
    meter.Stage(ProgressMeter::kTotal, static_cast<std::uint64_t>(counted.lines));
    read.Complete(target, refill, options.lineReached, progress);
    meter.Finish();
    return read;
}

bool CoordinateRead::MakeTable(const AtomTable& target, bool mayRefill, ProgressMeter* progress,
                               std::uint64_t until) {
    const std::size_t capacity = SlotsFor(count_);
    const bool refill = mayRefill && ArraysFit(target, capacity);
    if (progress) progress->Stage(until, refill ? 0 : capacity);
    if (!refill) fresh_ = NewTable(capacity, progress);
    return refill;
}

void CoordinateRead::Complete(const AtomTable& target, bool refill, std::int32_t* lineReached,
                              ProgressMeter* progress) {
    const std::size_t capacity = SlotsFor(count_);
    refill_ = refill;
    if (refill_) {
        // Nothing may fail once the target's arrays are being written: every
        // line is checked first.
        if (CheckLines(*bytes_, count_, end_, path_, lineReached, progress)) return;
        // A long label would need memory of its own in the slot.
        refill_ = false;
    }
    if (fresh_.Capacity() != capacity) fresh_ = NewTable(capacity);
    FillSlots(*bytes_, count_, end_, path_, fresh_, lineReached, progress);
    FinishTable(fresh_, count_, target);
    bytes_.reset();
}

void CoordinateRead::FillFresh(const AtomTable& previous) {
    fresh_ = NewTable(SlotsFor(count_));
    FillSlots(*bytes_, count_, end_, path_, fresh_, nullptr, nullptr);
    FinishTable(fresh_, count_, previous);
    refill_ = false;
}

void CoordinateRead::MoveInto(AtomTable& table) && {
    if (refill_ && !table.Unshared()) FillFresh(table);
    if (!refill_) {
        std::swap(table, fresh_);
        fresh_ = AtomTable();
        return;
    }
    // The resize stays inside the arrays' room and every label fits its
    // slot: nothing here allocates, and the lines were all checked.
    table.Resize(SlotsFor(count_));
    FillSlots(*bytes_, count_, end_, path_, table, nullptr, nullptr);
    bytes_.reset();
    table.AtomCount = count_;
    table.AtomName[0] = "None";
    table.AtomX[0] = table.AtomY[0] = table.AtomZ[0] = 0.0;
}

AtomTable CoordinateRead::TakeTable(const AtomTable& previous) && {
    if (refill_) FillFresh(previous);
    return std::move(fresh_);
}

CoordinateRead PrepareAtomLines(std::shared_ptr<char[]> data, std::size_t from, std::size_t size,
                                std::int32_t count, std::int64_t firstLine,
                                std::shared_ptr<const AtomLineRule> rule, const AtomTable& target,
                                bool mayRefill, ProgressMeter* progress) {
    CoordinateRead read;
    read.count_ = count;
    read.end_ = from + size;
    read.bytes_ = std::make_unique<FileBytes>();
    FileBytes& bytes = *read.bytes_;
    bytes.runs = SplitRuns(data.get() + from, size, count, size);
    for (LineRun& run : bytes.runs) run.from += from;
    bytes.data = std::move(data);
    bytes.size = from + size;
    bytes.rule = std::move(rule);
    bytes.firstLine = firstLine;
    std::uint64_t start = 0, end = 0;
    if (progress) {
        start = progress->StageEnd();
        end = start + (ProgressMeter::kTotal - start) / 2;
    }
    // The slots are a tenth of the lines' work.
    const bool refill = read.MakeTable(target, mayRefill, progress, start + (end - start) / 10);
    if (progress) progress->Stage(end, static_cast<std::uint64_t>(count));
    read.Complete(target, refill, nullptr, progress);
    return read;
}

AtomTable ReadAtomLines(const char* data, std::size_t size, std::int32_t count,
                        std::int64_t firstLine, const AtomLineRule& rule, const AtomTable& previous,
                        ProgressMeter* progress) {
    // Neither the bytes nor the rule are the read's own: it ends here.
    const std::shared_ptr<char[]> lent(const_cast<char*>(data), [](char*) {});
    const std::shared_ptr<const AtomLineRule> lentRule(&rule, [](const AtomLineRule*) {});
    return PrepareAtomLines(lent, 0, size, count, firstLine, lentRule, previous, false, progress)
        .TakeTable(previous);
}

AtomTable ReadCoordinateTable(const std::string& path, const AtomTable& previous,
                              const ReadOptions& options) {
    return PrepareCoordinateRead(path, previous, false, options).TakeTable(previous);
}

void ReadCoordinateFile(const std::string& path, AtomTable& table, const ReadOptions& options) {
    PrepareCoordinateRead(path, table, table.Unshared(), options).MoveInto(table);
}

void FinishTable(AtomTable& fresh, std::int32_t count, const AtomTable& previous) {
    const std::size_t capacity = SlotsFor(count);
    if (fresh.Capacity() != capacity) fresh.Resize(capacity);
    fresh.AtomCount = count;
    // Slot 0 is the slot of no atom; the spare slots keep what an earlier,
    // larger table left there, as a resize of the old arrays would.
    fresh.AtomName[0] = "None";
    fresh.AtomX[0] = fresh.AtomY[0] = fresh.AtomZ[0] = 0.0;
    const std::size_t spareEnd = std::min(capacity, previous.Capacity());
    for (std::size_t i = static_cast<std::size_t>(count) + 1; i < spareEnd; ++i) {
        fresh.AtomName[i] = previous.AtomName[i];
        fresh.AtomX[i] = previous.AtomX[i];
        fresh.AtomY[i] = previous.AtomY[i];
        fresh.AtomZ[i] = previous.AtomZ[i];
    }
}

}  // namespace pivora
