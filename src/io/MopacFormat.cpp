// MOPAC: a Cartesian geometry whose coordinates each carry an optimisation
// flag, bare or after the keyword and title lines of a .mop file.

#include <array>
#include <vector>

#include "io/Elements.h"
#include "io/FormatText.h"
#include "io/Formats.h"

namespace pivora::io {
namespace {

constexpr std::string_view kFinalGeometry = "FINAL GEOMETRY OBTAINED";

bool IsFlag(std::string_view f) {
    return f == "0" || f == "1" || f == "-1" || f == "+0" || f == "+1";
}

// Keyword lines continue on the next line when they hold a "+" (the two
// title lines still follow) or a "&" (the next line takes a title's place).
struct Header {
    std::size_t keywordLines = 1;
    std::size_t lines = 3;
};

Header MopacHeader(const std::vector<std::string_view>& lines) {
    Header h;
    std::size_t titles = 2;
    while (h.keywordLines <= 2 && h.keywordLines <= lines.size()) {
        std::string_view f[64];
        const int n = SplitFields(lines[h.keywordLines - 1], f, 63);
        bool plus = false, amp = false;
        for (int i = 0; i < n && i < 63; ++i) {
            plus = plus || f[i] == "+";
            amp = amp || f[i] == "&";
        }
        if (!plus && !amp) break;
        if (amp) --titles;
        ++h.keywordLines;
    }
    h.lines = h.keywordLines + titles;
    return h;
}

// CHARGE=n and the multiplicity words among the keywords.
void ReadKeywords(std::string_view line, MoleculeInfo& info) {
    static constexpr std::array<std::string_view, 9> kSpins = {"singlet", "doublet", "triplet",
                                                               "quartet", "quintet", "sextet",
                                                               "septet",  "octet",   "nonet"};
    std::string_view f[64];
    const int n = SplitFields(line, f, 63);
    for (int i = 0; i < n && i < 63; ++i) {
        const std::string word = Lower(f[i]);
        long long charge = 0;
        if (word.starts_with("charge=") && ParseWhole(std::string_view(word).substr(7), charge) &&
            charge >= -1000 && charge <= 1000)
            info.charge = static_cast<int>(charge);
        for (std::size_t s = 0; s < kSpins.size(); ++s)
            if (word == kSpins[s]) info.multiplicity = static_cast<int>(s) + 1;
    }
}

// A geometry line; a last field after the flags (or after the connectivity
// of a Z-matrix line) is the atom's partial charge, as MOPAC writes it into
// archives, and is ignored.
void ParseGeometryLine(const FormatSource& source, std::string_view line, std::int64_t at,
                       AtomList& atoms) {
    std::string_view f[12];
    int n = SplitFields(line, f, 11);
    if ((n == 8 || n == 11) && IsFileNumber(f[n - 1])) --n;
    const bool flagged = n == 7 || n == 10;
    if (n != 4 && !flagged) {
        source.Fail(at, "the line " + Quoted(TrimBlanks(line)) +
                            " does not hold an element symbol and x, y, z, each followed by "
                            "its optimisation flag");
    }
    if (n == 10 && (f[7] != "0" || f[8] != "0" || f[9] != "0")) {
        source.Fail(at,
                    "the geometry is given in internal coordinates (the line refers to "
                    "atoms " +
                        std::string(f[7]) + ", " + std::string(f[8]) + ", " + std::string(f[9]) +
                        "), which are not read");
    }
    if (IsTranslationVector(f[0])) FailPeriodic(source, at);
    const std::string_view label = source.AtomLabel(f[0], at);
    const int step = flagged ? 2 : 1;
    for (int i = 1; flagged && i <= 5; i += 2) {
        if (!IsFlag(f[i + 1])) {
            source.Fail(
                at, "the optimisation flag " + Quoted(f[i + 1]) + " should be 0, 1, -1, +0 or +1");
        }
    }
    const double x = source.Coordinate(f[1], at, 'x');
    const double y = source.Coordinate(f[1 + step], at, 'y');
    const double z = source.Coordinate(f[1 + 2 * step], at, 'z');
    atoms.Add(label, x, y, z);
}

}  // namespace

std::size_t MopacHeaderLines(const std::vector<std::string_view>& lines) {
    return MopacHeader(lines).lines;
}

bool IsMopacAtomLine(std::string_view line, bool flagsOptional, bool chargeColumn) {
    std::string_view f[12];
    int n = SplitFields(line, f, 11);
    if (chargeColumn && (n == 8 || n == 11) && IsFileNumber(f[n - 1])) --n;
    if (ElementOfLabel(n > 0 ? f[0] : std::string_view()) == 0) return false;
    if (n == 4)
        return flagsOptional && IsFileNumber(f[1]) && IsFileNumber(f[2]) && IsFileNumber(f[3]);
    if (n != 7 && (n != 10 || f[7] != "0" || f[8] != "0" || f[9] != "0")) return false;
    return IsFileNumber(f[1]) && IsFlag(f[2]) && IsFileNumber(f[3]) && IsFlag(f[4]) &&
           IsFileNumber(f[5]) && IsFlag(f[6]);
}

bool IsMopacArchiveMark(std::string_view line) {
    const std::string_view t = TrimBlanks(line);
    return t == kFinalGeometry ||
           (t.starts_with("SUMMARY OF") && t.find("CALCULATION") != std::string_view::npos);
}

namespace {

// The geometry of a .mop file (or of what follows an archive's final
// geometry) from the next line of src on: a bare geometry when bare allows
// one and its first line is flagged, else after the keyword and title
// lines. Line numbers count on from where src stands.
AtomTable ReadGeometry(const FormatSource& source, LineSource& src, bool bare, MoleculeInfo& info,
                       const AtomTable& previous) {
    const std::int64_t before = src.Number();
    // The first lines are kept until it is known where the geometry starts.
    std::vector<std::string> first;
    std::string_view line;
    while (first.size() < 5 && src.Next(line)) first.emplace_back(line);
    if (first.empty()) {
        source.Fail(before, before == 0 ? "the file is empty"
                                        : "the file ends here, before the final geometry's "
                                          "keyword and title lines");
    }
    std::size_t header = 0;
    if (!bare || !IsMopacAtomLine(first[0], false)) {
        const std::vector<std::string_view> views(first.begin(), first.end());
        const Header h = MopacHeader(views);
        header = h.lines;
        for (std::size_t i = 0; i < h.keywordLines && i < first.size(); ++i)
            ReadKeywords(first[i], info);
    }

    AtomList atoms(64, src.File());
    std::int64_t at = before + static_cast<std::int64_t>(header);
    bool ended = false;
    for (std::size_t i = header; i < first.size() && !ended; ++i) {
        ++at;
        ended = IsBlankLine(first[i]);
        if (!ended) ParseGeometryLine(source, first[i], at, atoms);
    }
    while (!ended && src.Next(line)) {
        ended = IsBlankLine(line);
        if (!ended) ParseGeometryLine(source, line, src.Number(), atoms);
    }
    if (atoms.Count() == 0) {
        source.Fail(
            before + static_cast<std::int64_t>(header) + 1,
            "no geometry follows the " + std::to_string(header) + " keyword and title lines");
    }
    return std::move(atoms).Finish(previous);
}

}  // namespace

ReadResult ReadMopac(InputFile& file, const AtomTable& previous, ProgressMeter* progress) {
    const FormatSource source(file.Path(), FileKind::Mopac);
    LineSource src(file, progress);
    ReadResult result;
    result.info.kind = FileKind::Mopac;
    result.table = ReadGeometry(source, src, true, result.info, previous);
    return result;
}

ReadResult ReadMopacArchive(InputFile& file, const AtomTable& previous, ProgressMeter* progress) {
    const FormatSource source(file.Path(), FileKind::MopacArchive);
    std::int64_t mark = 0;  // the line of the last FINAL GEOMETRY OBTAINED
    int geometries = 0;
    {
        LineSource src(file, progress);
        std::string_view line;
        while (src.Next(line)) {
            if (TrimBlanks(line) == kFinalGeometry) {
                mark = src.Number();
                ++geometries;
            }
        }
    }
    if (geometries == 0) {
        source.Fail(0,
                    "there is no \"FINAL GEOMETRY OBTAINED\" section; the job may have stopped "
                    "before it wrote one");
    }
    LineSource src(file, progress);
    while (src.Number() < mark && src.Skip()) {
    }
    ReadResult result;
    result.info.kind = FileKind::MopacArchive;
    result.info.frame = result.info.frameCount = geometries;
    result.table = ReadGeometry(source, src, false, result.info, previous);
    return result;
}

}  // namespace pivora::io
