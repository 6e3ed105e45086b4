#pragma once
// One reader per format, and the line tests that detection shares with them.
// Internal to pivora_io; callers use MoleculeReader.h and FileKind.h.

#include <string>
#include <string_view>
#include <vector>

#include "io/FormatText.h"
#include "io/MoleculeReader.h"
#include "io/MoleculeWriter.h"
#include "model/CoordinateReader.h"

namespace pivora::io {

// binary: the file's head holds a NUL byte, which no text has; a failure
// then says so.
ReadResult ReadHeaderless(const std::string& path, const AtomTable& previous, bool binary = false);
// The same in two steps (PrepareCoordinateRead), target's arrays refilled
// where they fit when mayRefill.
CoordinateRead PrepareHeaderless(const std::string& path, const AtomTable& target, bool mayRefill,
                                 bool binary, const ProgressReport& progress = {});
// progress, when given, hears of each pass over the file (LineSource).
ReadResult ReadXyz(const std::string& path, const AtomTable& previous,
                   ProgressMeter* progress = nullptr);
ReadResult ReadGaussianInput(const std::string& path, const AtomTable& previous,
                             ProgressMeter* progress = nullptr);
ReadResult ReadGaussianOutput(const std::string& path, const AtomTable& previous,
                              ProgressMeter* progress = nullptr);
ReadResult ReadOrcaInput(const std::string& path, const AtomTable& previous,
                         ProgressMeter* progress = nullptr);
ReadResult ReadOrcaOutput(const std::string& path, const AtomTable& previous,
                          ProgressMeter* progress = nullptr);
ReadResult ReadMopac(const std::string& path, const AtomTable& previous,
                     ProgressMeter* progress = nullptr);

// Marks info as read from bohr: the flag, and the sentence in the note.
void NoteConvertedFromBohr(MoleculeInfo& info);

// DetectFileKind, and whether the head holds a NUL byte.
FileKind DetectFileHead(const std::string& path, bool& binary);

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
// flags.
bool IsMopacAtomLine(std::string_view line, bool flagsOptional);

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
