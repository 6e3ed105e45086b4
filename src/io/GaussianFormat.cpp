// Gaussian: the Cartesian geometry of an input file, the orientation tables
// of an output file, and an input written for the exported table.

#include <optional>
#include <vector>

#include "io/Elements.h"
#include "io/FormatText.h"
#include "io/Formats.h"

namespace pivora::io {
namespace {

// Gaussian takes "!" to the end of a line as a comment; a line that is only
// a comment does not count as a line at all (it neither ends a section nor
// holds data).
bool IsCommentLine(std::string_view line) {
    return StartsWith(line, '!');
}

// The next line that is not a comment line, without its comment.
bool NextInputLine(LineSource& src, std::string_view& line) {
    while (src.Next(line)) {
        if (IsCommentLine(line)) continue;
        line = BeforeMark(line, '!');
        return true;
    }
    return false;
}

// The lines of a section up to the blank line that closes it; returns how
// many there were, and appends them in lower case to text when given. Fails
// with ends when the file ends first.
int ReadSection(const FormatSource& source, LineSource& src, std::string_view ends,
                std::string* text) {
    std::string_view line;
    int lines = 0;
    for (;;) {
        if (!NextInputLine(src, line)) source.Fail(src.Number(), ends);
        if (IsBlankLine(line)) return lines;
        ++lines;
        if (text) {
            *text += ' ';
            *text += Lower(line);
        }
    }
}

struct ChargeLine {
    int charge;
    int multiplicity;
};

std::optional<ChargeLine> ParseChargeLine(std::string_view line) {
    // The total pair, then one pair per fragment.
    constexpr int kMost = 64;
    std::string_view f[kMost];
    const int n = SplitFields(line, f, kMost, true);
    if (n < 2 || n > kMost || n % 2 != 0) return std::nullopt;
    long long values[2] = {};
    for (int i = 0; i < n; ++i) {
        long long v = 0;
        if (!ParseWhole(f[i], v) || v < -1000 || v > 1000) return std::nullopt;
        if (i < 2) values[i] = v;
    }
    if (values[1] < 1) return std::nullopt;
    return ChargeLine{static_cast<int>(values[0]), static_cast<int>(values[1])};
}

// True when the route (in lower case) sets Units to atomic units, in any of
// Gaussian's spellings: "units=au", "units=bohr", "units(au)",
// "units=(au,rad)".
bool RouteInBohr(std::string_view route) {
    constexpr std::string_view kKeyword = "units";
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    for (std::size_t at = route.find(kKeyword); at != std::string_view::npos;
         at = route.find(kKeyword, at + 1)) {
        // A keyword stands after a blank, a comma or the route's "#".
        if (at > 0 && !blank(route[at - 1]) && route[at - 1] != ',' && route[at - 1] != '#')
            continue;
        std::size_t i = at + kKeyword.size();
        while (i < route.size() && blank(route[i])) ++i;
        bool option = false;
        if (i < route.size() && route[i] == '=') {
            option = true;
            ++i;
            while (i < route.size() && blank(route[i])) ++i;
        }
        const bool list = i < route.size() && route[i] == '(';
        if (!option && !list) continue;
        if (list) ++i;
        // The options up to the ")" of a list, or the one option up to a blank.
        std::size_t end = i;
        while (end < route.size() &&
               (list ? route[end] != ')' : !blank(route[end]) && route[end] != ','))
            ++end;
        std::string_view options = route.substr(i, end - i);
        while (!options.empty()) {
            const std::size_t cut = options.find_first_of(", \t");
            const std::string_view word = options.substr(0, cut);
            if (word == "au" || word == "bohr") return true;
            if (cut == std::string_view::npos) break;
            options.remove_prefix(cut + 1);
        }
    }
    return false;
}

// One Cartesian line: label, optional "(...)" parameters, optional freeze
// code 0 or -1, x, y, z (in bohr when bohr); later fields (ONIOM layers and
// the like) ignored.
void ParseCartesianLine(const FormatSource& source, std::string_view line, std::int64_t at,
                        bool first, bool bohr, AtomList& atoms) {
    std::string_view label, rest;
    if (!CutLabel(line, true, label, rest)) {
        source.Fail(
            at, "the parenthesis after the atom in " + Quoted(TrimBlanks(line)) + " is not closed");
    }
    std::string_view f[4];
    const int n = SplitFields(rest, f, 4, true);
    if (n < 3) {
        if (first) {
            source.Fail(at,
                        "the molecule is given as a Z-matrix (internal coordinates), which "
                        "is not read; give it in Cartesian coordinates, one atom per line "
                        "with x, y, z");
        }
        source.Fail(
            at, "the line " + Quoted(TrimBlanks(line)) + " does not hold an atom and its x, y, z");
    }
    if (label.empty())
        source.Fail(at, "the atom line " + Quoted(TrimBlanks(line)) + " has no atom symbol");
    if (IsTranslationVector(label)) FailPeriodic(source, at);
    const bool frozen = n >= 4 && (f[0] == "0" || f[0] == "-1") && IsFileNumber(f[3]);
    const int o = frozen ? 1 : 0;
    const std::string_view name = source.AtomLabel(label, at, {"X", "Bq"});
    const double x = source.Coordinate(f[o], at, 'x', bohr);
    const double y = source.Coordinate(f[o + 1], at, 'y', bohr);
    const double z = source.Coordinate(f[o + 2], at, 'z', bohr);
    atoms.Add(name, x, y, z);
}

// --- output ---

enum class Orientation { Input, Standard };

// One orientation table as captured from the file: its rows, kept for the
// last table of each kind only.
struct Table {
    std::int64_t titleLine = 0;
    std::int64_t firstRow = 0;
    std::vector<std::string> rows;
    bool complete = false;
};

std::optional<Orientation> OrientationTitle(std::string_view line) {
    const std::string_view t = TrimBlanks(line);
    if (t == "Input orientation:") return Orientation::Input;
    if (t == "Standard orientation:") return Orientation::Standard;
    return std::nullopt;
}

bool IsDashLine(std::string_view line) {
    const std::string_view t = TrimBlanks(line);
    return t.size() >= 10 && t.find_first_not_of('-') == std::string_view::npos;
}

std::string_view OrientationName(Orientation o) {
    return o == Orientation::Input ? "Input orientation" : "Standard orientation";
}

AtomTable ParseTable(const FormatSource& source, const InputFile& file, const Table& table,
                     Orientation o, std::int64_t endLine, const AtomTable& previous) {
    const std::string name(OrientationName(o));
    if (!table.complete) {
        source.Fail(endLine, "the " + name + " table that begins on line " +
                                 std::to_string(table.titleLine) +
                                 " is cut off: the file ends before its closing line of dashes");
    }
    if (table.rows.empty()) source.Fail(table.titleLine, "the " + name + " table holds no atoms");
    AtomList atoms(table.rows.size(), file);
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        const std::int64_t at = table.firstRow + static_cast<std::int64_t>(i);
        std::string_view f[7];
        const int n = SplitFields(table.rows[i], f, 6);
        if (n != 5 && n != 6) {
            source.Fail(at, "the row " + Quoted(TrimBlanks(table.rows[i])) + " of the " + name +
                                " table does not hold center number, atomic number, x, y, z");
        }
        const long long number = WholeField(source, f[1], at, "the atomic number");
        std::string_view label =
            number == 0 ? std::string_view("Bq") : ElementSymbol(static_cast<int>(number));
        if (label.empty()) source.Fail(at, "unknown atomic number " + Quoted(f[1]));
        const int o = n - 3;
        const double x = source.Coordinate(f[o], at, 'x');
        const double y = source.Coordinate(f[o + 1], at, 'y');
        const double z = source.Coordinate(f[o + 2], at, 'z');
        atoms.Add(label, x, y, z);
    }
    return std::move(atoms).Finish(previous);
}

// " Charge =  0 Multiplicity = 1": the molecule's, the first such line.
std::optional<ChargeLine> OutputChargeLine(std::string_view line) {
    const std::string_view t = TrimBlanks(line);
    if (t.substr(0, 8) != "Charge =" || t.find("fragment") != std::string_view::npos)
        return std::nullopt;
    std::string_view f[7];
    if (SplitFields(t, f, 6) != 6 || f[3] != "Multiplicity") return std::nullopt;
    long long charge = 0, multiplicity = 0;
    if (!ParseWhole(f[2], charge) || !ParseWhole(f[5], multiplicity)) return std::nullopt;
    if (charge < -1000 || charge > 1000 || multiplicity < 1 || multiplicity > 1000)
        return std::nullopt;
    return ChargeLine{static_cast<int>(charge), static_cast<int>(multiplicity)};
}

}  // namespace

bool IsTranslationVector(std::string_view label) {
    return Lower(label) == "tv";
}

void FailPeriodic(const FormatSource& source, std::int64_t line) {
    source.Fail(line,
                "the line gives a translation vector (Tv): the input describes a periodic "
                "system (a polymer, a surface or a crystal), which is not read");
}

bool IsGaussianLinkOneLine(std::string_view line) {
    return Lower(TrimBlanks(line)) == "--link1--";
}

bool StartsWith(std::string_view line, char c) {
    const std::string_view t = TrimBlanks(line);
    return !t.empty() && t[0] == c;
}

bool IsGaussianOutputMark(std::string_view line) {
    const std::string_view t = TrimBlanks(line);
    return t.starts_with("Entering Gaussian System") || t.starts_with("Entering Link 1") ||
           t.find("Gaussian, Inc.") != std::string_view::npos || OrientationTitle(line).has_value();
}

ReadResult ReadGaussianInput(InputFile& file, const AtomTable& previous, ProgressMeter* progress) {
    const std::string& path = file.Path();
    const FormatSource source(path, FileKind::GaussianInput);
    LineSource src(file, progress);
    std::string_view line;

    // Link 0 lines, then the route from its "#" line to a blank line. A
    // "--Link1--" before them belongs to a job that continues another.
    for (;;) {
        if (!NextInputLine(src, line)) source.Fail(0, "there is no route line beginning with '#'");
        if (IsBlankLine(line) || StartsWith(line, '%') || IsGaussianLinkOneLine(line)) continue;
        if (!StartsWith(line, '#')) {
            source.Fail(src.Number(), "the route line should begin with '#', but the line is " +
                                          Quoted(TrimBlanks(line)));
        }
        break;
    }
    std::string route = Lower(line);
    ReadSection(source, src,
                "the file ends in the route section, before the title and the charge and "
                "multiplicity",
                &route);
    const int titleLines = ReadSection(
        source, src,
        "the file ends in the title section; the charge and multiplicity line is missing", nullptr);
    if (titleLines == 0) {
        source.Fail(src.Number(),
                    "the title section is empty: a title line should stand "
                    "between the blank line after the route and this one");
    }
    if (!NextInputLine(src, line) || IsBlankLine(line)) {
        source.Fail(src.Number(),
                    "the charge and multiplicity line (such as '0 1') is missing "
                    "after the title");
    }
    const std::optional<ChargeLine> charge = ParseChargeLine(line);
    if (!charge) {
        source.Fail(src.Number(),
                    "the line after the title should give the charge and "
                    "multiplicity (such as '0 1'), not " +
                        Quoted(TrimBlanks(line)));
    }

    const bool bohr = RouteInBohr(route);
    AtomList atoms(64, file);
    while (NextInputLine(src, line) && !IsBlankLine(line))
        ParseCartesianLine(source, line, src.Number(), atoms.Count() == 0, bohr, atoms);
    if (atoms.Count() == 0) {
        std::string what = "no atom lines follow the charge and multiplicity";
        if (route.find("geom") != std::string::npos && route.find("check") != std::string::npos)
            what += "; the route takes the geometry from the checkpoint file";
        source.Fail(src.Number(), what);
    }
    ReadResult result{std::move(atoms).Finish(previous), {}};
    result.info.kind = FileKind::GaussianInput;
    result.info.charge = charge->charge;
    result.info.multiplicity = charge->multiplicity;
    if (bohr) NoteConvertedFromBohr(result.info);
    return result;
}

ReadResult ReadGaussianOutput(InputFile& file, const AtomTable& previous, ProgressMeter* progress) {
    const std::string& path = file.Path();
    const FormatSource source(path, FileKind::GaussianOutput);
    Table last[2];
    int counts[2] = {0, 0};
    std::optional<ChargeLine> charge;
    std::int64_t endLine = 0;
    {
        LineSource src(file, progress);
        std::string_view line;
        Table* open = nullptr;  // the table being captured
        int dashes = 0;
        while (src.Next(line)) {
            if (open) {
                // Dashes, two heading lines, dashes, the rows, dashes.
                if (IsDashLine(line)) {
                    if (++dashes == 3) {
                        open->complete = true;
                        open = nullptr;
                    } else if (dashes == 2) {
                        open->firstRow = src.Number() + 1;
                    }
                } else if (dashes == 2) {
                    open->rows.emplace_back(line);
                } else if (dashes == 0) {
                    source.Fail(src.Number(),
                                "a line of dashes should follow the title of the "
                                "orientation table on line " +
                                    std::to_string(open->titleLine));
                }
                continue;
            }
            if (const std::optional<Orientation> o = OrientationTitle(line)) {
                const int i = static_cast<int>(*o);
                ++counts[i];
                last[i] = Table{src.Number(), 0, {}, false};
                open = &last[i];
                dashes = 0;
            } else if (!charge) {
                charge = OutputChargeLine(line);
            }
        }
        endLine = src.Number();
    }
    const Orientation used = counts[0] > 0 ? Orientation::Input : Orientation::Standard;
    const int i = static_cast<int>(used);
    if (counts[i] == 0) {
        source.Fail(0,
                    "there is no \"Input orientation:\" or \"Standard orientation:\" table; "
                    "the job may have stopped before its first geometry");
    }
    ReadResult result{ParseTable(source, file, last[i], used, endLine, previous), {}};
    result.info.kind = FileKind::GaussianOutput;
    result.info.frame = result.info.frameCount = counts[i];
    if (charge) {
        result.info.charge = charge->charge;
        result.info.multiplicity = charge->multiplicity;
    }
    if (used == Orientation::Standard) {
        result.info.note =
            "Standard orientation: the frame Gaussian turned the molecule into, not the input's "
            "own (the file has no Input orientation table).";
    }
    return result;
}

std::string GaussianHead(const ExportSettings& settings) {
    // Gaussian's title may not hold @ # ! - _ \ or control bytes, and should
    // stay within a card of 80 columns.
    const std::string name = CommentSafe(settings.source, "@#!-_\\", 40);
    std::string head = "# NoSymm\n\n";
    std::string title =
        TrimBlanks(name).empty() ? std::string("Molecule") : std::string(TrimBlanks(name));
    head += title + " oriented by Pivora, NoSymm keeps this frame\n\n";
    head += std::to_string(settings.charge) + " " + std::to_string(settings.multiplicity) + "\n";
    return head;
}

std::string GaussianTail() {
    return "\n";
}

}  // namespace pivora::io
