// Turbomole: the "$coord" group of a coord file, one "x y z element" line
// per atom in bohr, up to the next group.

#include "io/FormatText.h"
#include "io/Formats.h"

namespace pivora::io {
namespace {

// The group's keyword, "$coord" of "$coord natoms=3", in lower case.
std::string GroupName(std::string_view line) {
    std::string_view f[1];
    SplitFields(line, f, 1);
    return Lower(f[0]);
}

}  // namespace

bool IsTurbomoleCoordStart(std::string_view line) {
    return StartsWith(line, '$') && GroupName(line) == "$coord";
}

ReadResult ReadTurbomoleCoord(InputFile& file, const AtomTable& previous, ProgressMeter* progress) {
    const FormatSource source(file.Path(), FileKind::TurbomoleCoord);
    LineSource src(file, progress);
    AtomList atoms(64, file);
    std::string_view line;
    std::int64_t start = 0;  // the "$coord" line
    while (start == 0 && src.Next(line)) {
        if (!IsTurbomoleCoordStart(line)) continue;
        start = src.Number();
        std::string_view f[8];
        const int n = SplitFields(line, f, 7);
        for (int i = 1; i < n && i < 7; ++i) {
            const std::string option = Lower(f[i]);
            if (option.starts_with("file=")) {
                source.Fail(start, "Turbomole reads these coordinates from the file " +
                                       Quoted(f[i].substr(5)) + "; open that file instead");
            }
            if (option == "frac") {
                source.Fail(start,
                            "the coordinates are fractions of a periodic cell: the file "
                            "describes a periodic system, which is not read");
            }
        }
    }
    if (start == 0) source.Fail(0, "there is no \"$coord\" group: the file holds no atoms");
    bool closed = false;
    while (src.Next(line)) {
        const std::int64_t at = src.Number();
        if (StartsWith(line, '$')) {
            closed = true;
            break;
        }
        if (IsBlankLine(line)) continue;
        // x, y, z in bohr, the element in lower case, and "f" for an atom
        // kept fixed in an optimisation.
        std::string_view f[6];
        const int n = SplitFields(line, f, 5);
        if (n < 4 || n > 5) {
            source.Fail(at, "the line " + Quoted(TrimBlanks(line)) +
                                " does not hold x, y, z and an element symbol");
        }
        const double x = source.Coordinate(f[0], at, 'x', true);
        const double y = source.Coordinate(f[1], at, 'y', true);
        const double z = source.Coordinate(f[2], at, 'z', true);
        atoms.Add(source.AtomLabel(f[3], at), x, y, z);
    }
    if (!closed) {
        source.Fail(src.Number(),
                    "the $coord group that begins on line " + std::to_string(start) +
                        " is not closed by a line beginning with '$' (such as $end): the file "
                        "may be cut off");
    }
    if (atoms.Count() == 0) source.Fail(start, "the $coord group holds no atoms");
    // A periodic system keeps its cell in a group of its own; the line that
    // closed the coord group is the first of the groups after it.
    do {
        if (!StartsWith(line, '$')) continue;
        const std::string group = GroupName(line);
        std::string_view f[2];
        const bool periodic = group == "$cell" || group == "$lattice" ||
                              (group == "$periodic" && SplitFields(line, f, 2) >= 2 && f[1] != "0");
        if (periodic) {
            source.Fail(src.Number(), "the " + group +
                                          " group makes the system periodic (a polymer, a "
                                          "surface or a crystal), which is not read");
        }
    } while (src.Next(line));
    ReadResult result{std::move(atoms).Finish(previous), {}};
    result.info.kind = FileKind::TurbomoleCoord;
    NoteConvertedFromBohr(result.info);
    return result;
}

}  // namespace pivora::io
