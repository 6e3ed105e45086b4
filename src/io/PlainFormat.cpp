// The native headerless format: the coordinate reader itself, with the file
// and line of a failure added as detail.

#include "io/Formats.h"
#include "model/CoordinateReader.h"
#include "model/DecimalText.h"
#include "model/Error.h"
#include "model/Extended.h"

namespace pivora::io {

bool IsFileNumber(std::string_view text) {
    // The probe must give exactly the readers' verdict, so it runs their own
    // conversion and takes its failure as the answer.
    try {
        StoreDouble(ParseFileDecimal(text));
        return true;
    } catch (const Error&) {
        return false;
    }
}

bool IsHeaderlessLine(std::string_view line) {
    const LineFields f = CutLine(line);
    return IsFileNumber(f.x) && IsFileNumber(f.y) && IsFileNumber(f.z);
}

namespace {

// Runs read with options that name the failing line; a failure gets the file
// and the line in its detail, and what the format asks of a file.
template <typename Read>
auto ReadPlain(const std::string& path, bool binary, Read read,
               const ProgressReport& progress = {}) {
    std::int32_t line = 0;
    try {
        ReadOptions options;
        options.lineReached = &line;
        options.progress = progress;
        return read(options);
    } catch (Error& e) {
        // What the reader already said (a special file, a file that changed
        // while it was read) says more than the format's rules would.
        if (!e.Detail().empty()) throw;
        std::string detail = path;
        if (line > 0) detail += ", line " + std::to_string(line);
        if (binary) {
            detail +=
                ": the file holds bytes that no text file has, so it is no coordinate file "
                "of any kind.";
            e.WithDetail(std::move(detail));
            throw;
        }
        detail +=
            ": read as plain coordinates, since the file is none of the other formats. Every "
            "line must hold a label and x, y, z in angstrom, separated by blanks (not tabs); "
            "no header, comment or blank line.";
        e.WithDetail(std::move(detail));
        throw;
    }
}

}  // namespace

ReadResult ReadHeaderless(InputFile& file, const AtomTable& previous, bool binary) {
    return ReadPlain(file.Path(), binary, [&](const ReadOptions& options) {
        ReadResult result{PrepareCoordinateRead(file, previous, false, options).TakeTable(previous),
                          {}};
        result.info.kind = FileKind::Headerless;
        return result;
    });
}

CoordinateRead PrepareHeaderless(InputFile& file, const AtomTable& target, bool mayRefill,
                                 bool binary, const ProgressReport& progress) {
    return ReadPlain(
        file.Path(), binary,
        [&](const ReadOptions& options) {
            return PrepareCoordinateRead(file, target, mayRefill, options);
        },
        progress);
}

}  // namespace pivora::io
