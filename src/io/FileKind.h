#pragma once
// The kinds of coordinate file that open, and how a file's kind is told from
// its content. Recognising reads at most the first kHeadBytes of a file.

#include <cstddef>
#include <string>
#include <string_view>

namespace pivora::io {

enum class FileKind {
    Headerless,      // "label x y z" on every line, no header: the native format
    Xyz,             // standard XYZ: count line, comment line, "symbol x y z" lines
    GaussianInput,   // .gjf / .com: Link 0, route, title, charge and multiplicity, atoms
    OrcaInput,       // .inp: a "* xyz CHARGE MULT" ... "*" block or a simple %coords block
    GaussianOutput,  // .log / .out: the last Input (or Standard) orientation table
    OrcaOutput,      // the last CARTESIAN COORDINATES (ANGSTROEM) block
    Mopac,           // a Cartesian geometry with optimisation flags, bare or in a .mop file
    Indented,        // "  label x y z" or "  Z x y z" on every line, each line indented
    MopacArchive,    // a MOPAC .arc file: the geometry after FINAL GEOMETRY OBTAINED
    TurbomoleCoord,  // a Turbomole coord file: "$coord", "x y z element" in bohr, "$end"
};

// English name for messages and captions: "standard XYZ", "Gaussian input" ...
std::string_view KindName(FileKind kind);

inline constexpr std::size_t kHeadBytes = 64 * 1024;

// The kind of a file whose first bytes are head; complete tells whether head
// is the whole file (otherwise its last, cut line is not looked at). name is
// the file's name or path: its extension is only a hint that decides between
// kinds that the content leaves open. Rules, in this order:
// - no line at all: headerless (an empty file opens as an empty molecule);
// - a head of bytes that no text holds (NUL, control bytes other than tab,
//   line ends, form feed and byte 26) is headerless, whose reader says so;
// - a first line that the headerless format reads (a label and three numbers
//   by the parse form) makes the file headerless, unless it is a MOPAC line
//   whose coordinates each carry an optimisation flag, or every line of the
//   head is indented by blanks and holds a label (not a number) or an
//   atomic number and three numbers: the headerless reader would take such
//   a line one field off (an empty label, the label as x, z dropped). So
//   every file that opens as the native format and is read right opens
//   exactly as before;
// - otherwise the first line would fail as headerless, and the file goes to
//   the first format whose marks it carries: a count line (XYZ), the banner
//   or tables of a Gaussian or an ORCA output, a MOPAC archive's summary or
//   final geometry, a Turbomole "$coord" group, an ORCA geometry block, a
//   Gaussian route line (also after "--Link1--"), an ORCA keyword line, a
//   MOPAC geometry after its keyword and title lines; headerless when none
//   fits.
FileKind DetectKind(std::string_view head, std::string_view name, bool complete);

// DetectKind on the first kHeadBytes of path. Throws the file error when path
// cannot be opened or read, exactly as the headerless reader would: it opens
// the file as every reader does (InputFile), so that a directory is EISDIR
// and a FIFO or a device is refused at once, never waited for.
FileKind DetectFileKind(const std::string& path);

}  // namespace pivora::io
