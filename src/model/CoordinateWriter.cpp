#include "model/CoordinateWriter.h"

#include "model/DecimalText.h"
#include "model/FileIo.h"

namespace pivora {

void AppendCoordinateLine(std::string& out, const std::string& label, double x, double y,
                          double z) {
    constexpr std::size_t kLabelColumns = 15;
    out += label;
    out.append(label.size() < kLabelColumns ? kLabelColumns - label.size() : 1, ' ');
    AppendFixed12x9(out, x);
    out.append(3, ' ');
    AppendFixed12x9(out, y);
    out.append(3, ' ');
    AppendFixed12x9(out, z);
    out += "\r\n";
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
