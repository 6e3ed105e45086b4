#include "model/CoordinateWriter.h"

#include <cstring>

#include "model/DecimalText.h"
#include "model/FileIo.h"
#include "model/FixedField.h"

namespace pivora {

namespace {

constexpr std::size_t kLabelColumns = 15;
// The longest line after its label: the fill (a store of 16 blanks), three
// fields, two separators, CR LF.
constexpr std::size_t kMostAfterLabel = 16 + 3 * kFixed12x9MaxLength + 2 * 3 + 2;
// Lines between two reports of progress: a power of two.
constexpr std::size_t kLinesPerReport = std::size_t{1} << 16;

[[gnu::noinline]] void ReportLines(ProgressMeter& progress, std::size_t k) {
    progress.At(k);
}

// One number field at p, by the integer route where it can tell.
char* Field(char* p, double value) {
    std::size_t length = WriteFixed12x9Integer(p, value);
    if (length == 0) [[unlikely]]
        length = WriteFixed12x9(p, value);
    return p + length;
}

// The line from the label's fill on: the blank or blanks after the label,
// the three fields, CR LF. column is how many bytes the label took.
char* LineAfterLabel(char* p, std::size_t column, double x, double y, double z) {
    if (column < kLabelColumns) {
        // Sixteen blanks in one store, of which the fill keeps what it needs.
        std::memcpy(p, "                ", 16);
        p += kLabelColumns - column;
    } else {
        *p++ = ' ';
    }
    p = Field(p, x);
    std::memcpy(p, "   ", 3);
    p = Field(p + 3, y);
    std::memcpy(p, "   ", 3);
    p = Field(p + 3, z);
    std::memcpy(p, "\r\n", 2);
    return p + 2;
}

}  // namespace

void AppendCoordinateLine(std::string& out, const std::string& label, double x, double y,
                          double z) {
    out += label;
    char rest[kLabelColumns + kMostAfterLabel];
    out.append(rest, static_cast<std::size_t>(LineAfterLabel(rest, label.size(), x, y, z) - rest));
}

void WriteCoordinateFile(const std::string& path, const AtomTable& table,
                         const WriteOptions& options, const ProgressReport& progress) {
    SafeFileWriter writer(path, options);
    const std::size_t last = table.LastAtom();
    ProgressMeter meter(progress);
    meter.Stage(ProgressMeter::kTotal, last);
    const std::string* names = table.AtomName.data();
    const double* x = table.AtomX.data();
    const double* y = table.AtomY.data();
    const double* z = table.AtomZ.data();
    // Laid out straight into the writer's buffer: a million lines make a
    // save. A label of 15 bytes or more (of any length, from a careless
    // file) goes in on its own, followed by the one blank.
    for (std::size_t k = 1; k <= last; ++k) {
        if ((k & (kLinesPerReport - 1)) == 0) [[unlikely]]
            ReportLines(meter, k);
        const std::string& label = names[k];
        const std::size_t column = label.size();
        char* start;
        char* p;
        if (column < kLabelColumns) {
            start = writer.Room(kLabelColumns + kMostAfterLabel);
            std::memcpy(start, label.data(), column);
            p = start + column;
        } else {
            writer.Write(label);
            start = p = writer.Room(kMostAfterLabel);
        }
        writer.Wrote(static_cast<std::size_t>(LineAfterLabel(p, column, x[k], y[k], z[k]) - start));
    }
    meter.Finish();
    writer.Commit();
}

std::string DefaultOutputName(const std::string& inFileName) {
    if (inFileName.size() < 4) return ".out";
    std::string name = inFileName.substr(0, inFileName.size() - 4);
    name += ".out";
    return name;
}

}  // namespace pivora
