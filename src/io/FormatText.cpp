#include "io/FormatText.h"

#include <algorithm>
#include <array>

#include "coordinates/CoordinateReader.h"
#include "io/Elements.h"
#include "numeric/DecimalText.h"
#include "numeric/Extended.h"

namespace pivora::io {
namespace {

// What a reader of each kind expects, for the detail under a failure.
std::string_view KindHint(FileKind kind) {
    switch (kind) {
        case FileKind::Xyz:
            return "A standard XYZ file holds the atom count on its first line, a comment line, "
                   "then one line per atom: element symbol, x, y, z in angstrom. A file of "
                   "several frames repeats this.";
        case FileKind::GaussianInput:
            return "A Gaussian input holds Link 0 lines (%), the route (#) up to a blank line, "
                   "a title up to a blank line, the charge and multiplicity, then one Cartesian "
                   "line per atom up to a blank line.";
        case FileKind::OrcaInput:
            return "An ORCA input gives its atoms in a block from \"* xyz CHARGE MULT\" to a "
                   "line \"*\", one atom per line: element symbol, x, y, z in angstrom.";
        case FileKind::GaussianOutput:
            return "From a Gaussian output the last \"Input orientation:\" table is read, or "
                   "the last \"Standard orientation:\" table when there is none.";
        case FileKind::OrcaOutput:
            return "From an ORCA output the last \"CARTESIAN COORDINATES (ANGSTROEM)\" block is "
                   "read.";
        case FileKind::Mopac:
            return "A MOPAC geometry line holds an element symbol and x, y, z in angstrom, each "
                   "followed by its optimisation flag (0, 1, -1, +0 or +1); a .mop file has a "
                   "keyword line and two title lines before it.";
        case FileKind::Indented:
            return "In an indented table every atom line begins with blanks and holds a label "
                   "(or an atomic number) and x, y, z in angstrom, separated by blanks.";
        case FileKind::MopacArchive:
            return "From a MOPAC archive the geometry after the last \"FINAL GEOMETRY OBTAINED\" "
                   "is read: a keyword line, two title lines, then one line per atom with x, y, "
                   "z in angstrom, each followed by its optimisation flag.";
        case FileKind::TurbomoleCoord:
            return "A Turbomole coord file holds a \"$coord\" group: one line per atom with x, y, "
                   "z in bohr and the element symbol, up to the next line beginning with \"$\".";
        case FileKind::Headerless:
            break;
    }
    return "Every line holds a label and x, y, z in angstrom, separated by blanks.";
}

std::string_view BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
}

}  // namespace

int SplitFields(std::string_view line, std::string_view* out, int max, bool commas) {
    // This runs on every line of a million-atom file: a table lookup per
    // byte and pointers rather than substr, whose bounds checks cost as much
    // as the scan.
    static constexpr auto kSeparators = [] {
        std::array<std::array<bool, 256>, 2> table{};
        for (int c = 0; c < 2; ++c) {
            table[c][' '] = table[c]['\t'] = true;
            table[c][','] = c == 1;
        }
        return table;
    }();
    const std::array<bool, 256>& separator = kSeparators[commas ? 1 : 0];
    const char* p = line.data();
    const char* const end = p + line.size();
    int count = 0;
    for (;;) {
        while (p != end && separator[static_cast<unsigned char>(*p)]) ++p;
        if (p == end) return count;
        if (count == max) return max + 1;
        const char* const start = p;
        while (p != end && !separator[static_cast<unsigned char>(*p)]) ++p;
        out[count++] = std::string_view(start, static_cast<std::size_t>(p - start));
    }
}

std::string_view TrimBlanks(std::string_view line) {
    std::size_t begin = 0;
    std::size_t end = line.size();
    while (begin < end && IsSeparator(line[begin], false)) ++begin;
    while (end > begin && IsSeparator(line[end - 1], false)) --end;
    return line.substr(begin, end - begin);
}

bool CutLabel(std::string_view line, bool commas, std::string_view& label, std::string_view& rest) {
    std::size_t i = 0;
    while (i < line.size() && IsSeparator(line[i], commas)) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsSeparator(line[i], commas) && line[i] != '(') ++i;
    label = line.substr(start, i - start);
    if (i < line.size() && line[i] == '(') {
        const std::size_t close = line.find(')', i);
        if (close == std::string_view::npos) return false;
        i = close + 1;
    }
    rest = line.substr(i);
    return true;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool ParseWhole(std::string_view text, long long& value) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 18) return false;
    long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = negative ? -v : v;
    return true;
}

std::string Quoted(std::string_view text) {
    constexpr std::size_t kMost = 60;
    std::string quoted = "'";
    quoted += text.substr(0, kMost);
    if (text.size() > kMost) quoted += "...";
    quoted += '\'';
    return quoted;
}

Error FormatSource::Failure(std::int64_t line, std::string_view what, ErrorKind kind) const {
    std::string message;
    if (line > 0) {
        message = "Line " + std::to_string(line) + " of ";
        message += BaseName(path_);
    } else {
        message = BaseName(path_);
    }
    message += ": ";
    message += what;
    std::string detail = path_;
    detail += " was read as ";
    detail += KindName(kind_);
    detail += ". ";
    detail += KindHint(kind_);
    return std::move(Error(kind, std::move(message)).WithDetail(std::move(detail)));
}

void FormatSource::Fail(std::int64_t line, std::string_view what) const {
    throw Failure(line, what);
}

void FormatSource::CoordinateFailure(const Error& e, std::string_view text, std::int64_t line,
                                     char axis) const {
    // Both failures are rare, so they are told apart here, after the fact,
    // rather than by a second way of parsing.
    std::string what = "the ";
    what += axis;
    what += " coordinate ";
    what += Quoted(text);
    if (e.Kind() == ErrorKind::Conversion) {
        what += text.empty() ? " is missing" : " is not a number";
    } else {
        what += " lies beyond the range of a double";
    }
    throw Failure(line, what, e.Kind());
}

std::string_view ElementLabel(std::string_view label) {
    const int z = ElementOfLabel(label);
    if (z == 0) return {};
    return label[0] >= '0' && label[0] <= '9' ? ElementSymbol(z) : label;
}

std::string_view FormatSource::AtomLabel(std::string_view label, std::int64_t line,
                                         std::initializer_list<std::string_view> extra) const {
    if (label.empty()) Fail(line, "an atom line has no element symbol");
    if (const std::string_view kept = ElementLabel(label); !kept.empty()) return kept;
    for (std::string_view allowed : extra)
        if (label == allowed) return label;
    Fail(line, (label[0] >= '0' && label[0] <= '9' ? "unknown atomic number "
                                                   : "unknown element symbol ") +
                   Quoted(label));
}

AtomList::AtomList(std::size_t expected, const InputFile& file) {
    // The shortest atom line, "H 0 0 0" and its line end, has 8 bytes.
    expected =
        static_cast<std::size_t>(std::min<std::uint64_t>(expected, file.SizeAtOpen() / 8 + 1));
    // Slot 0 and the spare slots that FinishTable adds.
    const std::size_t slots = expected + 1 + kSpareSlots;
    table_.AtomName.reserve(slots);
    table_.AtomX.reserve(slots);
    table_.AtomY.reserve(slots);
    table_.AtomZ.reserve(slots);
    Add("None", 0.0, 0.0, 0.0);
}

AtomTable AtomList::Finish(const AtomTable& previous) && {
    FinishTable(table_, Count(), previous);
    return std::move(table_);
}

namespace {

[[noreturn]] void FailNotWhole(const FormatSource& source, std::string_view text, std::int64_t line,
                               std::string_view what) {
    std::string message(what);
    message += ' ';
    message += Quoted(text);
    message += " is not a whole number";
    source.Fail(line, message);
}

}  // namespace

long long WholeOrDecimalField(const FormatSource& source, std::string_view text, std::int64_t line,
                              std::string_view what) {
    long long value = 0;
    if (ParseWhole(text, value)) return value;
    long double parsed = 0;
    try {
        parsed = ParseFileDecimal(text);
    } catch (const Error&) {
        FailNotWhole(source, text, line, what);
    }
    constexpr long double kMost = 1e18L;
    if (!(parsed > -kMost && parsed < kMost)) FailNotWhole(source, text, line, what);
    value = static_cast<long long>(parsed);
    if (static_cast<long double>(value) != parsed) FailNotWhole(source, text, line, what);
    return value;
}

long long WholeField(const FormatSource& source, std::string_view text, std::int64_t line,
                     std::string_view what) {
    long long value = 0;
    if (!ParseWhole(text, value)) {
        std::string message(what);
        message += ' ';
        message += Quoted(text);
        message += " is not a whole number";
        source.Fail(line, message);
    }
    return value;
}

}  // namespace pivora::io
