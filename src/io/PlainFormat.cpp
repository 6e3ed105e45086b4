// The native headerless format: the coordinate reader itself, with the file
// and line of a failure added as detail.

#include "base/Error.h"
#include "coordinates/CoordinateReader.h"
#include "io/Elements.h"
#include "io/FormatText.h"
#include "io/Formats.h"
#include "numeric/DecimalText.h"
#include "numeric/Extended.h"

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
        options.refuseShiftedLines = true;
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

namespace {

bool IsDigits(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

bool IsIndentedLine(std::string_view line) {
    std::string_view f[4];
    if (line.empty() || line[0] != ' ' || SplitFields(line, f, 4) != 4) return false;
    // A number where the label stands may be x of a line without a label,
    // which the headerless reader reads right: only an atomic number counts.
    if (IsFileNumber(f[0]) && !(IsDigits(f[0]) && ElementOfLabel(f[0]) != 0)) return false;
    return IsFileNumber(f[1]) && IsFileNumber(f[2]) && IsFileNumber(f[3]);
}

bool IsIndentedTable(const std::vector<std::string>& lines) {
    std::size_t end = lines.size();
    while (end > 0 && IsBlankLine(lines[end - 1])) --end;
    if (end == 0) return false;
    for (std::size_t i = 0; i < end; ++i)
        if (!IsIndentedLine(lines[i])) return false;
    return true;
}

ReadResult ReadIndented(InputFile& file, const AtomTable& previous, ProgressMeter* progress) {
    const FormatSource source(file.Path(), FileKind::Indented);
    LineSource src(file, progress);
    AtomList atoms(64, file);
    std::string_view line;
    std::int64_t blank = 0;  // the first of the blank lines that may end the file
    while (src.Next(line)) {
        const std::int64_t at = src.Number();
        if (IsBlankLine(line)) {
            if (blank == 0) blank = at;
            continue;
        }
        if (blank != 0) {
            source.Fail(at, "text follows the blank line " + std::to_string(blank) +
                                " after the atom lines");
        }
        std::string_view f[4];
        if (SplitFields(line, f, 4) != 4) {
            source.Fail(at, "the line " + Quoted(TrimBlanks(line)) +
                                " does not hold a label (or an atomic number) and x, y, z");
        }
        // A label stays as written; an atomic number becomes its symbol.
        const std::string_view label = IsDigits(f[0]) ? source.AtomLabel(f[0], at) : f[0];
        const double x = source.Coordinate(f[1], at, 'x');
        const double y = source.Coordinate(f[2], at, 'y');
        const double z = source.Coordinate(f[3], at, 'z');
        atoms.Add(label, x, y, z);
    }
    if (atoms.Count() == 0) source.Fail(0, "the file holds no atom lines");
    ReadResult result{std::move(atoms).Finish(previous), {}};
    result.info.kind = FileKind::Indented;
    return result;
}

}  // namespace pivora::io
