#include "model/CoordinateWriter.h"

#include <cstring>

#include "model/DecimalText.h"
#include "model/FileIo.h"

namespace pivora {

void AppendCoordinateLine(std::string& out, const std::string& label, double x, double y,
                          double z) {
    constexpr std::size_t kLabelColumns = 15;
    // Laid out in one buffer and appended once: a million lines make a save.
    // A label of 15 bytes or more (of any length, from a careless file) is
    // appended on its own, followed by the one blank.
    char line[kLabelColumns + 3 * kFixed12x9MaxLength + 2 * 3 + 2];
    char* p = line;
    if (label.size() < kLabelColumns) {
        std::memset(p, ' ', kLabelColumns);
        std::memcpy(p, label.data(), label.size());
        p += kLabelColumns;
    } else {
        out += label;
        *p++ = ' ';
    }
    p += WriteFixed12x9(p, x);
    std::memcpy(p, "   ", 3);
    p += 3;
    p += WriteFixed12x9(p, y);
    std::memcpy(p, "   ", 3);
    p += 3;
    p += WriteFixed12x9(p, z);
    *p++ = '\r';
    *p++ = '\n';
    out.append(line, static_cast<std::size_t>(p - line));
}

void WriteCoordinateFile(const std::string& path, const AtomTable& table,
                         const WriteOptions& options) {
    SafeFileWriter writer(path, options);
    const std::size_t last = table.LastAtom();
    for (std::size_t k = 1; k <= last; ++k) {
        AppendCoordinateLine(writer.Buffer(), table.AtomName[k], table.AtomX[k], table.AtomY[k],
                             table.AtomZ[k]);
        writer.MaybeFlush();
    }
    writer.Commit();
}

std::string DefaultOutputName(const std::string& inFileName) {
    if (inFileName.size() < 4) return ".out";
    std::string name = inFileName.substr(0, inFileName.size() - 4);
    name += ".out";
    return name;
}

}  // namespace pivora
