#include "model/CoordinateReader.h"

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

std::function<void()>& BetweenPassesHook() {
    static std::function<void()> hook;
    return hook;
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

std::int32_t CountLines(const std::string& path) {
    LineReader reader(path);
    // The table needs AtomCount + 10 slots in a signed 32-bit count.
    constexpr std::int32_t kMostLines = std::numeric_limits<std::int32_t>::max() - 10;
    std::int32_t count = 0;
    while (!reader.AtEnd()) {
        if (count == kMostLines) throw OutOfMemoryError();
        ++count;
        reader.SkipLine();
    }
    return count;
}

AtomTable ReadCoordinateTable(const std::string& path, const AtomTable& previous,
                              std::int32_t* lineReached) {
    if (lineReached) *lineReached = 0;
    const std::int32_t counted = CountLines(path);
    if (BetweenPassesHook()) BetweenPassesHook()();

    const std::size_t capacity = static_cast<std::size_t>(counted) + 10;
    AtomTable fresh;
    fresh.Resize(capacity);

    LineReader reader(path);
    std::int32_t k = 0;
    while (k < counted && !reader.AtEnd()) {
        ++k;
        if (lineReached) *lineReached = k;
        const LineFields f = CutLine(reader.NextLine());
        fresh.AtomName[k].assign(f.label);
        fresh.AtomX[k] = ParseCoordinate(f.x);
        fresh.AtomY[k] = ParseCoordinate(f.y);
        fresh.AtomZ[k] = ParseCoordinate(f.z);
    }
    // A file that shrank between the passes holds fewer atoms than counted.
    FinishTable(fresh, k, previous);
    return fresh;
}

void ReadCoordinateFile(const std::string& path, AtomTable& table) {
    AtomTable fresh = ReadCoordinateTable(path, table);
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

void SetBetweenPassesHookForTesting(std::function<void()> hook) {
    BetweenPassesHook() = std::move(hook);
}

}  // namespace pivora
