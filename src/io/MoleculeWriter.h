#pragma once
// Exporting the table for other programs: standard XYZ, a Gaussian input
// and an ORCA input. Lines end with LF; coordinates are in angstrom with 9
// decimals by the fixed form, so nothing is lost that the native save keeps.

#include <optional>
#include <string>
#include <string_view>

#include "files/FileIo.h"
#include "model/AtomTable.h"

namespace pivora::io {

enum class ExportFormat {
    Xyz,            // count line, comment line naming the source, "symbol x y z"
    GaussianInput,  // "# NoSymm" route, title, "CHARGE MULT", atoms, blank line
    OrcaInput,      // comments, "! HF def2-SVP", "* xyz CHARGE MULT" ... "*"
};

struct ExportSettings {
    // The file the molecule came from, named in the comment or title line;
    // may be empty. Bytes that would break the format's line or comment
    // (control bytes; Gaussian's title and ORCA's "#" rules) become blanks.
    std::string source;
    // Total charge and spin multiplicity for the Gaussian and ORCA inputs:
    // the opened file's where it had them, otherwise the user's answer.
    int charge = 0;
    int multiplicity = 1;
};

// English name for a dialog's format choice: "standard XYZ (*.xyz)" ...
std::string_view ExportFormatName(ExportFormat format);
// Usual extension without the dot: "xyz", "gjf", "inp".
std::string_view ExportExtension(ExportFormat format);
// The format a file name's extension or a word names: "xyz"; "gjf", "com",
// "gau", "gaussian"; "inp", "orca" (any case, a leading path and dot
// allowed). nullopt for any other.
std::optional<ExportFormat> ExportFormatFor(std::string_view name);

// The text of atoms 1..AtomCount in format. Each label must name an element
// (ElementOfLabel: "Fe1" is Fe, "CL2" Cl, "26" Fe); the element symbol is
// written. A ghost atom (GhostElement: "He-Bq", "He:") stays a ghost where
// the format has them: "He-Bq" in a Gaussian input, "He :" in an ORCA one.
// Throws Error (ErrorKind::Format) that lists the labels naming no element
// and their atoms, when there is any; that lists the ghost atoms, for
// standard XYZ; when the table holds no atom; and for a multiplicity below 1.
std::string ExportText(ExportFormat format, const AtomTable& table, const ExportSettings& settings);

// ExportText written to path through the safe writer: on any failure
// (the refusals above, which come before the file is touched, or the file
// errors) an existing file at path stays as it was. options go to the safe
// writer (tests play a full disk through them). progress hears of the atoms
// written; a report that throws gives the export up as a failure would.
void ExportFile(const std::string& path, ExportFormat format, const AtomTable& table,
                const ExportSettings& settings, const WriteOptions& options = {},
                const ProgressReport& progress = {});

}  // namespace pivora::io
