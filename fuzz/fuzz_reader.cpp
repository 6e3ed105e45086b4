// The coordinate reader on arbitrary file contents: either a consistent table
// of the file's lines, or one of the program's errors with the previous
// molecule untouched; the same in reads of a few bytes as in reads of a
// megabyte, the same as the plain line-by-line reader of the tests, and the
// same when the read refills the previous molecule's own arrays.
// AddressSanitizer watches every access to the table.

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/Error.h"
#include "coordinates/CoordinateReader.h"
#include "support/PlainReader.h"

namespace {

// In memory where the machine has /dev/shm: a disk write per input would
// make the disk, not the reader, the thing being measured.
std::string ScratchFile() {
    for (const char* dir : {"/dev/shm", "/tmp"}) {
        std::string pattern = std::string(dir) + "/pivora-fuzz-XXXXXX";
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) continue;
        ::close(fd);
        return pattern;
    }
    std::abort();
}

// Lines of the file by the line rules: each line start before the end of the
// file or before an end-of-file mark that opens a line.
std::int32_t ExpectedLines(const std::uint8_t* data, std::size_t size) {
    std::int32_t lines = 0;
    std::size_t i = 0;
    while (i < size && data[i] != 26) {
        ++lines;
        const void* lf = std::memchr(data + i, '\n', size - i);
        if (!lf) break;
        i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(lf) - data) + 1;
    }
    return lines;
}

bool Same(const pivora::AtomTable& a, const pivora::AtomTable& b) {
    return a.AtomCount == b.AtomCount && a.AtomName == b.AtomName && a.AtomX == b.AtomX &&
           a.AtomY == b.AtomY && a.AtomZ == b.AtomZ;
}

// A copy of t with arrays of its own, as a table is that nothing shares.
pivora::AtomTable Unshared(const pivora::AtomTable& t) {
    pivora::AtomTable own;
    own.AtomCount = t.AtomCount;
    own.AtomName = std::vector<std::string>(t.AtomName);
    own.AtomX = std::vector<double>(t.AtomX);
    own.AtomY = std::vector<double>(t.AtomY);
    own.AtomZ = std::vector<double>(t.AtomZ);
    return own;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = ScratchFile();
    static const int removeAtExit = std::atexit([] { ::unlink(path.c_str()); });
    (void)removeAtExit;
    static pivora::AtomTable previous = [] {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fputs("Fe 0 0 0\nC1 1 2 3\nC2 -1 -2 -3\n", f);
        std::fclose(f);
        pivora::AtomTable t;
        pivora::ReadCoordinateFile(path, t);
        return t;
    }();

    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    // Reads of 1 to 8 bytes must give what reads of a megabyte give: every
    // line end, CR and end-of-file mark then falls on a read boundary.
    pivora::ReadOptions small;
    small.lines.chunkSize = size == 0 ? 1 : 1 + data[size - 1] % 8;
    pivora::AtomTable inSmallReads = previous;
    std::string smallError;
    try {
        pivora::ReadCoordinateFile(path, inSmallReads, small);
    } catch (const pivora::Error& e) {
        smallError = e.Message();
    }

    // The plain reader's verdict.
    pivora::AtomTable plain;
    std::string plainError;
    try {
        plain = pivora::test::PlainReadTable(path, previous);
    } catch (const pivora::Error& e) {
        plainError = e.Message();
    }

    // Refilling arrays of the previous molecule's size that nothing shares.
    pivora::AtomTable refilled = Unshared(previous);
    std::string refillError;
    try {
        pivora::ReadCoordinateFile(path, refilled);
    } catch (const pivora::Error& e) {
        refillError = e.Message();
        if (!Same(refilled, previous)) std::abort();
    }
    if (refillError != plainError || (refillError.empty() && !Same(refilled, plain))) std::abort();

    pivora::AtomTable table = previous;
    try {
        pivora::ReadCoordinateFile(path, table);
    } catch (const pivora::Error& e) {
        if (!Same(table, previous) || e.Message().empty() || e.Message() != smallError ||
            e.Message() != plainError)
            std::abort();
        return 0;
    }
    if (!smallError.empty() || !Same(table, inSmallReads) || !Same(table, plain)) std::abort();
    const std::int32_t lines = ExpectedLines(data, size);
    if (table.AtomCount != lines) std::abort();
    if (table.Capacity() != static_cast<std::size_t>(lines) + 10) std::abort();
    if (table.AtomName[0] != "None" || table.AtomX[0] != 0 || table.AtomY[0] != 0 ||
        table.AtomZ[0] != 0)
        std::abort();
    for (std::size_t i = 0; i < table.Capacity(); ++i) {
        if (!std::isfinite(table.AtomX[i]) || !std::isfinite(table.AtomY[i]) ||
            !std::isfinite(table.AtomZ[i]))
            std::abort();
    }
    for (std::size_t i = static_cast<std::size_t>(lines) + 1; i < table.Capacity(); ++i) {
        const bool kept = i < previous.Capacity();
        if (table.AtomName[i] != (kept ? previous.AtomName[i] : std::string())) std::abort();
    }
    return 0;
}
