#pragma once
// Pieces shared by the format readers: fields of a line, whole numbers, the
// lines of a file with their numbers, and failures that name file and line.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "base/Error.h"
#include "files/FileIo.h"
#include "io/FileKind.h"
#include "model/AtomTable.h"
#include "numeric/DecimalText.h"
#include "numeric/Extended.h"

namespace pivora::io {

// Angstrom per bohr, CODATA 2018: the factor of every coordinate a file
// gives in bohr (atomic units).
inline constexpr long double kAngstromPerBohr = 0.529177210903L;

// Blank (32) and tab, and with commas also ",": the separators of the
// free-format lines of XYZ, ORCA, MOPAC and (with commas) Gaussian.
inline bool IsSeparator(char c, bool commas) {
    return c == ' ' || c == '\t' || (commas && c == ',');
}

// Stores the first up to max fields of line in out and returns how many it
// stored, or max + 1 when further fields follow (they are not stored).
int SplitFields(std::string_view line, std::string_view* out, int max, bool commas = false);

// line without its blanks and tabs at both ends.
std::string_view TrimBlanks(std::string_view line);
inline bool IsBlankLine(std::string_view line) {
    return TrimBlanks(line).empty();
}

// Cuts the atom label from the start of line (after separators): the text up
// to a separator or "(". Parameters in parentheses right after it, such as
// Gaussian's "(Fragment=1)" or ORCA's "(1)", are not part of the label and
// are stepped over. rest is what follows. False when a "(" is not closed.
bool CutLabel(std::string_view line, bool commas, std::string_view& label, std::string_view& rest);

// Text before the first c of line (a comment mark).
inline std::string_view BeforeMark(std::string_view line, char c) {
    return line.substr(0, line.find(c));
}

// text in lower case (ASCII letters only).
std::string Lower(std::string_view text);

// A whole number: an optional "+" or "-", then 1 to 18 digits, nothing else.
bool ParseWhole(std::string_view text, long long& value);

// text in quotes for a message, cut to its first 60 bytes.
std::string Quoted(std::string_view text);

// The lines of a file by the coordinate-file line rules (LineReader),
// numbered from 1: one pass over a file opened once (InputFile).
class LineSource {
  public:
    // progress, when given, hears of this pass over the file's bytes: it
    // takes nine tenths of what is left of the whole, as most files are
    // read in one pass.
    explicit LineSource(InputFile& file, ProgressMeter* progress = nullptr)
        : reader_(file, PassOptions(progress)) {
        if (progress) {
            const std::uint64_t from = progress->StageEnd();
            progress->Stage(from + (ProgressMeter::kTotal - from) * 9 / 10, reader_.SizeAtOpen());
        }
    }
    // The next line, or false at the end. The text stays valid until the
    // next call.
    bool Next(std::string_view& line) {
        if (reader_.AtEnd()) return false;
        line = reader_.NextLine();
        ++number_;
        return true;
    }
    // Steps over the next line; false at the end.
    bool Skip() {
        if (reader_.AtEnd()) return false;
        reader_.SkipLine();
        ++number_;
        return true;
    }
    // Number of the line last returned or skipped; 0 before the first.
    std::int64_t Number() const { return number_; }
    // The file this pass reads.
    InputFile& File() { return reader_.File(); }

  private:
    static LineReaderOptions PassOptions(ProgressMeter* progress) {
        LineReaderOptions options;
        options.progress = progress;
        return options;
    }
    LineReader reader_;
    std::int64_t number_ = 0;
};

// The label an atom keeps (FormatSource::AtomLabel), or "" when label
// names no element.
std::string_view ElementLabel(std::string_view label);

// One file read as one kind: builds the failures, which name the file and
// the line in the message and say in the detail how the file was read.
class FormatSource {
  public:
    FormatSource(const std::string& path, FileKind kind) : path_(path), kind_(kind) {}
    const std::string& Path() const { return path_; }
    FileKind Kind() const { return kind_; }

    // "Line 12 of name: what" (line 0: "name: what"), of the given kind,
    // with the detail "path was read as <kind> ...".
    Error Failure(std::int64_t line, std::string_view what,
                  ErrorKind kind = ErrorKind::Format) const;
    [[noreturn]] void Fail(std::int64_t line, std::string_view what) const;

    // A coordinate in angstrom by the file parse form, stored into a double;
    // with bohr the text is in bohr, and its extended value times
    // kAngstromPerBohr is what is stored (one product, rounded once). Fails
    // naming the line and axis ("x", "y", "z"): a text that is no number as a
    // conversion error, a value beyond the double range as an overflow
    // error, both with English messages.
    double Coordinate(std::string_view text, std::int64_t line, char axis,
                      bool bohr = false) const {
        // Inline: three calls a line of a million-atom file.
        try {
            if (!bohr) return ParseFileDouble(text);
            return StoreDouble(ParseFileDecimal(text) * kAngstromPerBohr);
        } catch (const Error& e) {
            CoordinateFailure(e, text, line, axis);
        }
    }

    // The label an atom keeps: as written, except that an atomic number
    // becomes its element symbol. Fails, quoting it, when the label names no
    // element (Elements.h); extra lists labels the format also allows.
    std::string_view AtomLabel(std::string_view label, std::int64_t line,
                               std::initializer_list<std::string_view> extra = {}) const;

  private:
    [[noreturn]] void CoordinateFailure(const Error& e, std::string_view text, std::int64_t line,
                                        char axis) const;
    const std::string& path_;
    FileKind kind_;
};

// The atoms of a new table as a reader finds them, slot 0 in place.
class AtomList {
  public:
    // expected atoms are reserved, but at most as many as file's size when
    // it was opened can hold, so that a count of a billion in a small file
    // allocates nothing.
    AtomList(std::size_t expected, const InputFile& file);
    void Add(std::string_view label, double x, double y, double z) {
        table_.AtomName.emplace_back(label);
        table_.AtomX.push_back(x);
        table_.AtomY.push_back(y);
        table_.AtomZ.push_back(z);
    }
    std::int32_t Count() const { return static_cast<std::int32_t>(table_.AtomName.size() - 1); }
    // The table of Count() atoms finished by FinishTable against previous.
    AtomTable Finish(const AtomTable& previous) &&;

  private:
    AtomTable table_;
};

// Converts a whole-number field or fails naming what it is.
long long WholeField(const FormatSource& source, std::string_view text, std::int64_t line,
                     std::string_view what);
// The same, where the number may also be written with decimals that are all
// zero in value ("1.000000", as some programs write ORCA's charge): the file
// parse form's value when it is whole and of at most 18 digits. "0.5" fails
// as no whole number.
long long WholeOrDecimalField(const FormatSource& source, std::string_view text, std::int64_t line,
                              std::string_view what);

}  // namespace pivora::io
