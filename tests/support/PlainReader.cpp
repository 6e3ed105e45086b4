#include "support/PlainReader.h"

#include <cerrno>
#include <limits>

#include "base/Error.h"
#include "coordinates/CoordinateReader.h"
#include "files/FileIo.h"
#include "numeric/DecimalText.h"
#include "numeric/Extended.h"

namespace pivora::test {

AtomTable PlainReadTable(const std::string& path, const AtomTable& previous) {
    std::int32_t count = 0;
    std::uint64_t end = 0;
    {
        LineReader counting(path);
        while (!counting.AtEnd()) {
            if (count == std::numeric_limits<std::int32_t>::max() - 10) throw OutOfMemoryError();
            ++count;
            counting.SkipLine();
        }
        end = counting.Offset();
    }
    AtomTable fresh;
    fresh.Resize(static_cast<std::size_t>(count) + 10);
    LineReader reader(path);
    std::int32_t k = 0;
    while (k < count && !reader.AtEnd()) {
        ++k;
        const std::string_view line = reader.NextLine();
        if (k == count && reader.Offset() < end) throw FileError(EIO, path);
        const LineFields f = CutLine(line);
        fresh.AtomName[static_cast<std::size_t>(k)].assign(f.label);
        fresh.AtomX[static_cast<std::size_t>(k)] = StoreDouble(ParseFileDecimal(f.x));
        fresh.AtomY[static_cast<std::size_t>(k)] = StoreDouble(ParseFileDecimal(f.y));
        fresh.AtomZ[static_cast<std::size_t>(k)] = StoreDouble(ParseFileDecimal(f.z));
    }
    if (k < count) throw FileError(EIO, path);
    FinishTable(fresh, count, previous);
    return fresh;
}

}  // namespace pivora::test
