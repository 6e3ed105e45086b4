#include "coordinates/CoordinateWriter.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "files/FileIo.h"
#include "numeric/DecimalText.h"
#include "numeric/FixedField.h"
#include "parallel/TwoThreads.h"

namespace pivora {

namespace {

constexpr std::size_t kLabelColumns = 15;
// The longest line after its label: the fill (a store of 16 blanks), three
// fields, two separators, CR LF.
constexpr std::size_t kMostAfterLabel = 16 + 3 * kFixed12x9MaxLength + 2 * 3 + 2;
// Lines between two reports of progress: a power of two.
constexpr std::size_t kLinesPerReport = std::size_t{1} << 16;

// Line k of first..last laid out, of a table of all lines.
[[gnu::noinline]] void ReportLines(ProgressMeter* progress, std::size_t first, std::size_t last,
                                   std::size_t all, std::size_t k) {
    if (progress) progress->AtItemOfPart(k, first, last, all);
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

namespace {

// Room/Wrote/Write like SafeFileWriter's, into memory: the lines of the
// second half of a large table, laid out beside the first.
class LineBuffer {
  public:
    // Room for lines lines of short labels: memory that is never touched
    // costs nothing.
    explicit LineBuffer(std::size_t lines)
        : room_(lines * (kLabelColumns + kMostAfterLabel)), bytes_(new char[room_]) {}
    char* Room(std::size_t most) {
        if (room_ - used_ < most) {
            // Long labels took more than their columns.
            const std::size_t room = std::max(used_ + most, 2 * room_);
            std::unique_ptr<char[]> larger(new char[room]);
            std::memcpy(larger.get(), bytes_.get(), used_);
            bytes_ = std::move(larger);
            room_ = room;
        }
        return bytes_.get() + used_;
    }
    void Wrote(std::size_t bytes) { used_ += bytes; }
    void Write(std::string_view bytes) {
        std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
        used_ += bytes.size();
    }
    std::string_view Bytes() const { return {bytes_.get(), used_}; }

  private:
    std::size_t room_;
    std::unique_ptr<char[]> bytes_;
    std::size_t used_ = 0;
};

// The lines of atoms first..last laid out straight into out's room: a
// million lines make a save. A label of 15 bytes or more (of any length,
// from a careless file) goes in on its own, followed by the one blank.
// progress, when given, hears of them as if they were all the table's.
template <class Out>
void LayOutLines(Out& out, const AtomTable& table, std::size_t first, std::size_t last,
                 ProgressMeter* progress) {
    const std::string* names = table.AtomName.data();
    const double* x = table.AtomX.data();
    const double* y = table.AtomY.data();
    const double* z = table.AtomZ.data();
    for (std::size_t k = first; k <= last; ++k) {
        if ((k & (kLinesPerReport - 1)) == 0) [[unlikely]]
            ReportLines(progress, first, last, table.LastAtom(), k);
        const std::string& label = names[k];
        const std::size_t column = label.size();
        char* start;
        char* p;
        if (column < kLabelColumns) {
            start = out.Room(kLabelColumns + kMostAfterLabel);
            std::memcpy(start, label.data(), column);
            p = start + column;
        } else {
            out.Write(label);
            start = p = out.Room(kMostAfterLabel);
        }
        out.Wrote(static_cast<std::size_t>(LineAfterLabel(p, column, x[k], y[k], z[k]) - start));
    }
}

}  // namespace

void WriteCoordinateFile(const std::string& path, const AtomTable& table,
                         const WriteOptions& options, const ProgressReport& progress) {
    SafeFileWriter writer(path, options);
    const std::size_t last = table.LastAtom();
    ProgressMeter meter(progress);
    meter.Stage(ProgressMeter::kTotal, last);
    ProgressMeter* const reports = meter.Active() ? &meter : nullptr;
    std::size_t middle = last;  // the first half's last atom
    std::optional<LineBuffer> second;
    if (WorthTwoThreads(last)) {
        // The second half laid out on the other processor while the first
        // goes to the file. Without the memory for it, the lines are laid
        // out in turn as usual.
        try {
            second.emplace(last - last / 2);
            middle = last / 2;
        } catch (const std::bad_alloc&) {
        }
    }
    if (second) {
        RunOnTwoThreads([&] { LayOutLines(writer, table, 1, middle, reports); },
                        [&] {
                            try {
                                LayOutLines(*second, table, middle + 1, last, nullptr);
                            } catch (const std::bad_alloc&) {
                                second.reset();
                            }
                        });
    } else {
        LayOutLines(writer, table, 1, middle, reports);
    }
    if (second) {
        writer.Write(second->Bytes());
    } else if (middle < last) {
        LayOutLines(writer, table, middle + 1, last, reports);
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
