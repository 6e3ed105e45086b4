#include "model/CoordinateReader.h"

#include <cerrno>
#include <cstdint>
#include <limits>
#include <utility>

#include "model/DecimalText.h"
#include "model/Error.h"
#include "model/Extended.h"
#include "model/FileIo.h"

namespace pivora {
namespace {

std::string_view TrimControls(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
    return text.substr(begin, end - begin);
}

double ParseCoordinate(std::string_view field) {
    return StoreDouble(ParseFileDecimal(field));
}

// The parsing pass found fewer lines than the count, or its last line ends
// before the count saw it end: the file lost lines, or the end of its last
// line, in between. What it read would be neither the old file nor the new.
[[noreturn]] void ThrowFileShortened(const std::string& path) {
    throw FileError(EIO, path).WithDetail(
        "The file became shorter while it was being read: another program is changing it. "
        "Open it again once it is complete.");
}

struct Count {
    std::int32_t lines;
    std::uint64_t end;  // the offset where the counted lines end
};

Count CountWithEnd(const std::string& path, const LineReaderOptions& options) {
    LineReader reader(path, options);
    // The table needs AtomCount + 10 slots in a signed 32-bit count.
    constexpr std::int32_t kMostLines = std::numeric_limits<std::int32_t>::max() - 10;
    std::int32_t count = 0;
    while (!reader.AtEnd()) {
        if (count == kMostLines) throw OutOfMemoryError();
        ++count;
        reader.SkipLine();
    }
    return {count, reader.Offset()};
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

std::int32_t CountLines(const std::string& path, const LineReaderOptions& options) {
    return CountWithEnd(path, options).lines;
}

AtomTable ReadCoordinateTable(const std::string& path, const AtomTable& previous,
                              const ReadOptions& options) {
    if (options.lineReached) *options.lineReached = 0;
    const Count counted = CountWithEnd(path, options.lines);
    if (options.betweenPasses) options.betweenPasses();

    const std::size_t capacity = static_cast<std::size_t>(counted.lines) + 10;
    AtomTable fresh;
    fresh.Resize(capacity);

    LineReader reader(path, options.lines);
    std::int32_t k = 0;
    while (k < counted.lines && !reader.AtEnd()) {
        ++k;
        if (options.lineReached) *options.lineReached = k;
        const std::string_view line = reader.NextLine();
        if (k == counted.lines && reader.Offset() < counted.end) ThrowFileShortened(path);
        const LineFields f = CutLine(line);
        fresh.AtomName[k].assign(f.label);
        fresh.AtomX[k] = ParseCoordinate(f.x);
        fresh.AtomY[k] = ParseCoordinate(f.y);
        fresh.AtomZ[k] = ParseCoordinate(f.z);
    }
    if (k < counted.lines) ThrowFileShortened(path);
    FinishTable(fresh, k, previous);
    return fresh;
}

void ReadCoordinateFile(const std::string& path, AtomTable& table, const ReadOptions& options) {
    AtomTable fresh = ReadCoordinateTable(path, table, options);
    std::swap(table, fresh);
}

void FinishTable(AtomTable& fresh, std::int32_t count, const AtomTable& previous) {
    const std::size_t capacity = static_cast<std::size_t>(count) + 10;
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
