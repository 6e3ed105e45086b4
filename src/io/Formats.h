#pragma once
// One reader per format, and the line tests that detection shares with them.
// Internal to pivora_io; callers use MoleculeReader.h and FileKind.h.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "coordinates/CoordinateReader.h"
#include "io/FormatText.h"
#include "io/MoleculeReader.h"
#include "io/MoleculeWriter.h"

namespace pivora::io {

// Each reader reads file, opened once for all its passes (InputFile); the
// caller checks it for a change afterwards (MoleculeReader.cpp).
// binary: the file's head holds bytes that no text has (HoldsBinaryBytes);
// a failure then says so.
ReadResult ReadHeaderless(InputFile& file, const AtomTable& previous, bool binary = false);
// The same in two steps (PrepareCoordinateRead), target's arrays refilled
// where they fit when mayRefill.
CoordinateRead PrepareHeaderless(InputFile& file, const AtomTable& target, bool mayRefill,
                                 bool binary, const ProgressReport& progress = {});
// progress, when given, hears of each pass over the file (LineSource).
ReadResult ReadXyz(InputFile& file, const AtomTable& previous, ProgressMeter* progress = nullptr);
// ReadXyz in two steps: a file held in memory gives its last frame as a
// read that MoveInto puts in place (refilling target's arrays where they
// fit, when mayRefill), any other file its table at once.
struct PreparedXyz {
    std::optional<CoordinateRead> read;
    ReadResult result;  // the table too when read is empty
};
PreparedXyz PrepareXyz(InputFile& file, const AtomTable& target, bool mayRefill,
                       ProgressMeter* progress = nullptr);
// ReadXyz the way it reads a file too large to hold in memory (a long
// trajectory): line by line, a frame's atom lines gathered, to the same
// result.
ReadResult ReadXyzStreamed(InputFile& file, const AtomTable& previous,
                           ProgressMeter* progress = nullptr);
ReadResult ReadGaussianInput(InputFile& file, const AtomTable& previous,
                             ProgressMeter* progress = nullptr);
ReadResult ReadGaussianOutput(InputFile& file, const AtomTable& previous,
                              ProgressMeter* progress = nullptr);
ReadResult ReadOrcaInput(InputFile& file, const AtomTable& previous,
                         ProgressMeter* progress = nullptr);
ReadResult ReadOrcaOutput(InputFile& file, const AtomTable& previous,
                          ProgressMeter* progress = nullptr);
ReadResult ReadMopac(InputFile& file, const AtomTable& previous, ProgressMeter* progress = nullptr);
ReadResult ReadIndented(InputFile& file, const AtomTable& previous,
                        ProgressMeter* progress = nullptr);
ReadResult ReadMopacArchive(InputFile& file, const AtomTable& previous,
                            ProgressMeter* progress = nullptr);
ReadResult ReadTurbomoleCoord(InputFile& file, const AtomTable& previous,
                              ProgressMeter* progress = nullptr);

// NUL or a control byte that no text holds (all below 32 but tab, LF, VT,
// FF, CR, byte 26 and escape).
bool HoldsBinaryBytes(std::string_view head);

// Indented coordinates: a line that begins with a blank and holds four
// fields, a label that is no number (or an atomic number 1..118) and three
// numbers by the file parse form.
bool IsIndentedLine(std::string_view line);
// Every line of lines is one, but for blank lines at the end; at least one.
bool IsIndentedTable(const std::vector<std::string>& lines);
// MOPAC archive: its "SUMMARY OF ... CALCULATION" banner or "FINAL GEOMETRY
// OBTAINED".
bool IsMopacArchiveMark(std::string_view line);
// Turbomole: the line "$coord" that opens the coord group (not "$coord
// frac" and the like, which are periodic).
bool IsTurbomoleCoordStart(std::string_view line);

// Marks info as read from bohr: the flag, and the sentence in the note.
void NoteConvertedFromBohr(MoleculeInfo& info);

// DetectFileKind on file (its first pass), and whether the head holds
// bytes of no text (HoldsBinaryBytes).
FileKind DetectFileHead(InputFile& file, bool& binary);

// True when text is a number by the file parse form that fits a double.
bool IsFileNumber(std::string_view text);

// True when line is read by the headerless format: its x, y and z fields
// (CutLine) are numbers by the file parse form that fit a double.
bool IsHeaderlessLine(std::string_view line);

// XYZ: a count line is one field of digits, blanks and tabs around it.
bool IsXyzCountLine(std::string_view line);
// One field, whatever it is: where a count line stands.
bool IsSingleField(std::string_view line);
// An element symbol (or atomic number) followed by three numbers.
bool IsXyzAtomLine(std::string_view line);

// Gaussian output: a line of its banner or the title of an orientation table.
bool IsGaussianOutputMark(std::string_view line);
// ORCA output: a line of its banner or the title of a coordinate block.
bool IsOrcaOutputMark(std::string_view line);

// ORCA input: how a line opens a geometry block.
enum class OrcaBlock {
    None,
    Xyz,       // "* xyz CHARGE MULT" (also "*xyz")
    XyzFile,   // "* xyzfile CHARGE MULT FILE" and the other "*...file" forms
    Internal,  // "* int" / "* internal" / "* gzmt": internal coordinates
    Coords,    // "%coords"
};
OrcaBlock OrcaBlockStart(std::string_view line);

// Gaussian input: "--Link1--", which separates the jobs of one file.
bool IsGaussianLinkOneLine(std::string_view line);
// Gaussian and MOPAC: "Tv" (any case), a translation vector of a periodic
// system, where an atom's symbol would stand; FailPeriodic refuses it.
bool IsTranslationVector(std::string_view label);
[[noreturn]] void FailPeriodic(const FormatSource& source, std::int64_t line);

// Gaussian input: a line that begins (after blanks) with c.
bool StartsWith(std::string_view line, char c);

// MOPAC: the number of keyword and title lines that a .mop file's first
// lines announce (3, or more where keyword lines end in "+" or "&").
std::size_t MopacHeaderLines(const std::vector<std::string_view>& lines);
// A Cartesian geometry line: a symbol or atomic number and x, y, z each
// followed by its flag (0, 1, -1, +0, +1); with flagsOptional also without
// flags; with chargeColumn also with a partial charge after the flags (or
// after the zero connectivity of a Z-matrix's first line).
bool IsMopacAtomLine(std::string_view line, bool flagsOptional, bool chargeColumn = false);

// The writers: what each format puts before and after its atom lines, which
// MoleculeWriter.cpp writes alike for all ("Fe" and x, y, z to 9 decimals).
std::string XyzHead(std::int32_t atoms, const ExportSettings& settings);
std::string GaussianHead(const ExportSettings& settings);
std::string GaussianTail();
std::string OrcaHead(const ExportSettings& settings);
std::string OrcaTail();

// settings.source fit for a comment: control bytes and the bytes of avoid
// become blanks, and the whole is cut to most bytes.
std::string CommentSafe(std::string_view source, std::string_view avoid, std::size_t most);

}  // namespace pivora::io
