// ORCA: the geometry block of an input file, the last coordinate block of an
// output file, and an input written for the exported table.

#include <optional>
#include <vector>

#include "io/FormatText.h"
#include "io/Formats.h"

namespace pivora::io {
namespace {

constexpr std::string_view kCoordinateTitle = "CARTESIAN COORDINATES (ANGSTROEM)";

// ORCA takes "#" to the end of a line as a comment.
bool NextInputLine(LineSource& src, std::string_view& line) {
    if (!src.Next(line)) return false;
    line = BeforeMark(line, '#');
    return true;
}

// An atom line of a block: label (with "(n)" fragment parameters left out),
// x, y, z in bohr when bohr, else in angstrom; further fields ignored. A
// ghost atom, "He :" or "He:", keeps the label "He:".
void ParseAtomLine(const FormatSource& source, std::string_view line, std::int64_t at, bool bohr,
                   AtomList& atoms) {
    std::string_view label, rest;
    if (!CutLabel(line, false, label, rest))
        source.Fail(at, "the parenthesis in " + Quoted(TrimBlanks(line)) + " is not closed");
    std::string_view f[4];
    int n = SplitFields(rest, f, 4);
    const bool ghost = n >= 1 && f[0] == ":";
    const int o = ghost ? 1 : 0;
    if (label.empty() || n - o < 3) {
        source.Fail(at, "the line " + Quoted(TrimBlanks(line)) +
                            " does not hold an element symbol and x, y, z");
    }
    std::string ghostLabel;
    if (ghost) {
        ghostLabel = std::string(label) + ":";
        label = ghostLabel;
    }
    const std::string_view name = source.AtomLabel(label, at);
    const double x = source.Coordinate(f[o], at, 'x', bohr);
    const double y = source.Coordinate(f[o + 1], at, 'y', bohr);
    const double z = source.Coordinate(f[o + 2], at, 'z', bohr);
    atoms.Add(name, x, y, z);
}

// True when a keyword line ("! ... Bohrs ...", any case) anywhere in the
// input gives the coordinates in bohr.
bool KeywordsSayBohrs(InputFile& file, ProgressMeter* progress) {
    LineSource src(file, progress);
    std::string_view line;
    bool bohrs = false;
    while (src.Next(line)) {
        const std::string_view t = TrimBlanks(BeforeMark(line, '#'));
        if (t.empty() || t[0] != '!') continue;
        std::string_view f[64];
        const int n = SplitFields(t.substr(1), f, 63);
        for (int i = 0; i < n && i < 63; ++i)
            if (Lower(f[i]) == "bohrs") bohrs = true;
    }
    return bohrs;
}

struct Block {
    AtomList atoms;
    std::optional<int> charge, multiplicity;
    bool bohr = false;  // the keyword lines' Bohrs, which %coords' Units overrides
};

// A charge or multiplicity; with decimals "1.000000" counts as 1, as some
// programs write %coords.
int SmallWhole(const FormatSource& source, std::string_view text, std::int64_t at,
               std::string_view what, long long least, bool decimals = false) {
    const long long v =
        decimals ? WholeOrDecimalField(source, text, at, what) : WholeField(source, text, at, what);
    if (v < least || v > 1000)
        source.Fail(at, std::string(what) + " " + Quoted(text) + " is out of range");
    return static_cast<int>(v);
}

// "* xyz CHARGE MULT", atom lines, "*".
void ReadXyzBlock(const FormatSource& source, LineSource& src, std::string_view line,
                  Block& block) {
    const std::int64_t start = src.Number();
    std::string_view f[3];
    if (SplitFields(TrimBlanks(line).substr(1), f, 3) < 3) {
        source.Fail(start, "the line " + Quoted(TrimBlanks(line)) +
                               " should give the charge and multiplicity, as in '* xyz 0 1'");
    }
    block.charge = SmallWhole(source, f[1], start, "the charge", -1000);
    block.multiplicity = SmallWhole(source, f[2], start, "the multiplicity", 1);
    while (NextInputLine(src, line)) {
        if (StartsWith(line, '*')) return;
        if (!IsBlankLine(line)) ParseAtomLine(source, line, src.Number(), block.bohr, block.atoms);
    }
    source.Fail(start, "the '* xyz' block that begins here is not closed by a line '*'");
}

// A %coords block of the simple kind: one keyword per line (CTyp xyz,
// Charge, Mult, Units Angs or Bohrs) and a "coords" ... "end" list of
// atoms, all closed by "end". The atoms are converted once the block has
// said its units, which may follow them.
void ReadCoordsBlock(const FormatSource& source, LineSource& src, std::string_view line,
                     Block& block) {
    const std::int64_t start = src.Number();
    std::string_view f[4];
    if (SplitFields(TrimBlanks(line), f, 1) > 1) {
        source.Fail(start,
                    "only a %coords block with one keyword per line is read, after a "
                    "line '%coords' of its own");
    }
    bool inCoords = false;
    std::int64_t coordsLine = 0;
    std::vector<std::pair<std::string, std::int64_t>> atomLines;
    while (NextInputLine(src, line)) {
        const std::int64_t at = src.Number();
        const int n = SplitFields(line, f, 3);
        if (n == 0) continue;
        const std::string key = Lower(f[0]);
        if (inCoords) {
            if (key == "end" && n == 1) {
                inCoords = false;
            } else {
                atomLines.emplace_back(line, at);
            }
            continue;
        }
        if (key == "end") {
            if (atomLines.empty())
                source.Fail(at, "the %coords block that begins on line " + std::to_string(start) +
                                    " holds no atoms");
            for (const auto& [text, number] : atomLines)
                ParseAtomLine(source, text, number, block.bohr, block.atoms);
            return;
        }
        // "Key value" or "Key = value".
        const int v = n >= 3 && f[1] == "=" ? 2 : 1;
        const std::string value = v < n ? Lower(f[v]) : std::string();
        if (key == "coords") {
            inCoords = true;
            coordsLine = at;
        } else if (key == "ctyp" && value != "xyz") {
            source.Fail(at, "the %coords block gives internal coordinates (CTyp " + Quoted(value) +
                                "), which are not read; use CTyp xyz");
        } else if (key == "units" || key == "unit") {
            if (value.substr(0, 4) == "bohr") {
                block.bohr = true;
            } else if (value.substr(0, 4) == "angs") {
                block.bohr = false;
            } else {
                source.Fail(at, "the %coords block gives its coordinates in " + Quoted(value) +
                                    "; only Units Angs (angstrom) and Units Bohrs are read");
            }
        } else if (key == "charge") {
            block.charge = SmallWhole(source, v < n ? f[v] : "", at, "the charge", -1000, true);
        } else if (key == "mult") {
            block.multiplicity =
                SmallWhole(source, v < n ? f[v] : "", at, "the multiplicity", 1, true);
        }
    }
    source.Fail(inCoords ? coordsLine : start,
                inCoords ? "the coords list that begins here is not closed by 'end'"
                         : "the %coords block that begins here is not closed by 'end'");
}

std::optional<int> OutputSetting(std::string_view line, std::string_view title) {
    // "Total Charge           Charge          ....    0"
    const std::string_view t = TrimBlanks(line);
    if (!t.starts_with(title) || t.find("....") == std::string_view::npos) return std::nullopt;
    const std::size_t last = t.find_last_of(" \t");
    long long v = 0;
    if (last == std::string_view::npos || !ParseWhole(t.substr(last + 1), v) || v < -1000 ||
        v > 1000)
        return std::nullopt;
    return static_cast<int>(v);
}

}  // namespace

OrcaBlock OrcaBlockStart(std::string_view line) {
    const std::string_view t = TrimBlanks(line);
    if (t.empty()) return OrcaBlock::None;
    if (t[0] == '%') {
        std::string_view f[1];
        SplitFields(t, f, 1);
        return Lower(f[0]) == "%coords" ? OrcaBlock::Coords : OrcaBlock::None;
    }
    if (t[0] != '*') return OrcaBlock::None;
    std::string_view f[1];
    if (SplitFields(t.substr(1), f, 1) == 0) return OrcaBlock::None;
    const std::string word = Lower(f[0]);
    if (word == "xyz") return OrcaBlock::Xyz;
    if (word == "xyzfile" || word == "gzmtfile" || word == "pdbfile") return OrcaBlock::XyzFile;
    if (word == "int" || word == "internal" || word == "gzmt") return OrcaBlock::Internal;
    return OrcaBlock::None;
}

bool IsOrcaOutputMark(std::string_view line) {
    const std::string_view t = TrimBlanks(line);
    return t == kCoordinateTitle || t.find("O   R   C   A") != std::string_view::npos;
}

ReadResult ReadOrcaInput(InputFile& file, const AtomTable& previous, ProgressMeter* progress) {
    const std::string& path = file.Path();
    const FormatSource source(path, FileKind::OrcaInput);
    Block block{AtomList(64, file), {}, {}, KeywordsSayBohrs(file, progress)};
    LineSource src(file, progress);
    std::string_view line;
    for (;;) {
        if (!NextInputLine(src, line)) {
            source.Fail(0,
                        "there is no '* xyz CHARGE MULT' block (nor a %coords block): the "
                        "input holds no atoms");
        }
        const OrcaBlock kind = OrcaBlockStart(line);
        if (kind == OrcaBlock::None) continue;
        const std::int64_t at = src.Number();
        if (kind == OrcaBlock::Xyz) {
            ReadXyzBlock(source, src, line, block);
        } else if (kind == OrcaBlock::Coords) {
            ReadCoordsBlock(source, src, line, block);
        } else if (kind == OrcaBlock::Internal) {
            source.Fail(at,
                        "the geometry is given in internal coordinates (Z-matrix), which "
                        "are not read; give it as a '* xyz' block");
        } else {
            std::string_view f[4];
            const int n = SplitFields(TrimBlanks(line).substr(1), f, 4);
            if (n < 4) source.Fail(at, "the line " + Quoted(TrimBlanks(line)) + " names no file");
            source.Fail(at, "ORCA reads this geometry from the file " + Quoted(f[3]) +
                                "; open that file instead");
        }
        break;
    }
    if (block.atoms.Count() == 0) source.Fail(src.Number(), "the geometry block holds no atoms");
    ReadResult result{std::move(block.atoms).Finish(previous), {}};
    result.info.kind = FileKind::OrcaInput;
    result.info.charge = block.charge;
    result.info.multiplicity = block.multiplicity;
    if (block.bohr) NoteConvertedFromBohr(result.info);
    return result;
}

ReadResult ReadOrcaOutput(InputFile& file, const AtomTable& previous, ProgressMeter* progress) {
    const std::string& path = file.Path();
    const FormatSource source(path, FileKind::OrcaOutput);
    std::int64_t title = 0;  // line of the last block's title
    std::int64_t firstRow = 0;
    std::vector<std::string> rows;
    int blocks = 0;
    std::optional<int> charge, multiplicity;
    bool open = false;  // the last block's rows still run at the end of the file
    std::int64_t endLine = 0;
    {
        LineSource src(file, progress);
        std::string_view line;
        while (src.Next(line)) {
            if (open) {
                // Dashes under the title, then atoms up to a blank line.
                if (src.Number() == title + 1) {
                    firstRow = title + 2;
                    if (StartsWith(line, '-')) continue;
                    source.Fail(src.Number(),
                                "a line of dashes should follow the coordinate "
                                "block's title on line " +
                                    std::to_string(title));
                }
                if (IsBlankLine(line)) {
                    open = false;
                } else {
                    rows.emplace_back(line);
                }
                continue;
            }
            if (TrimBlanks(line) == kCoordinateTitle) {
                open = true;
                title = src.Number();
                rows.clear();
                ++blocks;
            } else {
                if (!charge) charge = OutputSetting(line, "Total Charge");
                if (!multiplicity) multiplicity = OutputSetting(line, "Multiplicity");
            }
        }
        endLine = src.Number();
    }
    if (blocks == 0) {
        source.Fail(0,
                    "there is no \"CARTESIAN COORDINATES (ANGSTROEM)\" block; the job may "
                    "have stopped before its first geometry");
    }
    if (rows.empty()) source.Fail(title, "the last coordinate block holds no atoms");
    AtomList atoms(rows.size(), file);
    for (std::size_t i = 0; i < rows.size(); ++i)
        ParseAtomLine(source, rows[i], firstRow + static_cast<std::int64_t>(i), false, atoms);
    // ORCA closes every block with a blank line: a file that ends inside
    // the rows was cut, and the rows read so far may be any part of the
    // molecule, up to a row cut short.
    if (open) {
        source.Fail(endLine, "the coordinate block that begins on line " + std::to_string(title) +
                                 " is cut off: the file ends before the blank line that closes "
                                 "it, so its atoms may be incomplete");
    }
    ReadResult result{std::move(atoms).Finish(previous), {}};
    result.info.kind = FileKind::OrcaOutput;
    result.info.frame = result.info.frameCount = blocks;
    result.info.charge = charge;
    result.info.multiplicity = multiplicity;
    return result;
}

std::string OrcaHead(const ExportSettings& settings) {
    // A "#" would end the comment early, and what followed it be read as input.
    const std::string name(TrimBlanks(CommentSafe(settings.source, "#", 200)));
    std::string head = "# ";
    head += name.empty() ? std::string("Molecule") : name;
    head += " oriented by Pivora.\n";
    head += "# Keep this frame: do not add UseSym, with which ORCA turns the molecule.\n";
    head += "# Replace HF def2-SVP by the method and basis set of the calculation.\n";
    head += "! HF def2-SVP\n";
    head += "* xyz " + std::to_string(settings.charge) + " " +
            std::to_string(settings.multiplicity) + "\n";
    return head;
}

std::string OrcaTail() {
    return "*\n";
}

}  // namespace pivora::io
