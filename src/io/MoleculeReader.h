#pragma once
// Opening a coordinate file of any kind that FileKind.h names.

#include <optional>
#include <string>

#include "coordinates/CoordinateReader.h"
#include "io/FileKind.h"
#include "model/AtomTable.h"

namespace pivora::io {

// What was read, beside the atoms.
struct MoleculeInfo {
    FileKind kind = FileKind::Headerless;
    // The geometry read and how many the file holds, from 1: the frame of a
    // standard XYZ file of several frames (the last one is read), or the
    // orientation table or coordinate block of a Gaussian or ORCA output
    // (the last one). 1 of 1 for the other kinds.
    int frame = 1;
    int frameCount = 1;
    // Total charge and spin multiplicity where the file states them (the
    // inputs, the outputs, a .mop file's CHARGE= and SINGLET ... NONET).
    std::optional<int> charge;
    std::optional<int> multiplicity;
    // English sentences the caption or stderr should carry, or "": that a
    // Gaussian output gave only its Standard orientation, which is the frame
    // Gaussian turned the molecule into and not the input's; that the
    // coordinates were converted from bohr.
    std::string note;
    // The file gave its coordinates in bohr (a Gaussian route's Units=AU, an
    // ORCA input's Bohrs or %coords Units Bohrs, a Turbomole coord file):
    // each was converted to angstrom on reading. The caption shows it as
    // "converted from bohr"; the note then says it in a sentence.
    bool convertedFromBohr = false;
};

struct ReadResult {
    AtomTable table;
    MoleculeInfo info;
};

// Reads path as the kind DetectFileKind finds into a new table, which it
// returns; previous is only read, for its spare slots. Every kind gives the
// table of ReadCoordinateTable's shape: AtomCount atoms in slots 1..AtomCount,
// capacity AtomCount + 10, slot 0 ("None", 0, 0, 0), spare slots copied from
// previous where it has them (FinishTable). Labels are kept as the file
// writes them, except that an atomic number becomes its element symbol.
// Coordinates are in angstrom, each through the file parse form.
//
// Failures, all Error:
// - headerless: exactly those of ReadCoordinateTable with
//   refuseShiftedLines, messages unchanged; the detail names the file and
//   the line;
// - the other kinds: an English message "Line N of NAME: what is wrong"
//   (ErrorKind::Format; Conversion or Overflow for a coordinate), whose
//   detail names the full path and the kind it was read as;
// - the file errors of opening and reading, and memory;
// - a file that changed while it was read (its size, times or inode, or
//   what its path names): FileChangedError, "I/O エラー (5)" with an English
//   detail, whatever the reader made of the changed content.
// The file is opened once, without waiting (InputFile: a FIFO or a device is
// refused), and the look at its head and every pass of the reader go
// through that open.
ReadResult ReadMolecule(const std::string& path, const AtomTable& previous);
// The same on file, opened already.
ReadResult ReadMolecule(InputFile& file, const AtomTable& previous);

// The same, read as kind whatever the content says. progress, when given,
// hears of each pass over the file's bytes.
ReadResult ReadMoleculeAs(FileKind kind, const std::string& path, const AtomTable& previous,
                          ProgressMeter* progress = nullptr);

// A molecule read and checked, waiting to become the molecule in memory.
class PreparedMolecule {
  public:
    const MoleculeInfo& Info() const { return info_; }
    // True when MoveInto writes the atoms into the target's own arrays, which
    // nobody else may hold by then (CoordinateRead::RefillsTarget); false
    // when a new table is ready and MoveInto only swaps it in.
    bool RefillsTarget() const { return plain_ && plain_->RefillsTarget(); }
    // Makes table the molecule read, as ReadMolecule would have read it;
    // the arrays table held are freed unless another copy keeps them. Fails
    // only when it refills and another copy shares table's arrays after all:
    // with the memory error, if the new arrays cannot be had, table then
    // unchanged.
    void MoveInto(AtomTable& table) &&;

  private:
    friend PreparedMolecule PrepareMolecule(InputFile&, const AtomTable&, bool,
                                            const ProgressReport&);
    PreparedMolecule() = default;
    std::optional<CoordinateRead> plain_;
    AtomTable table_;
    MoleculeInfo info_;
};

// ReadMolecule in two steps: every failure of reading happens here, and
// MoveInto puts the molecule in place. With mayRefill, a plain coordinate
// file refills target's arrays where their size fits, and the caller sees to
// it that no other copy shares them by the time it calls MoveInto: nothing
// then needs the memory of a second molecule. progress hears how far the
// read has come: a plain coordinate file by its passes and lines
// (ReadOptions::progress), the other kinds by their passes over the bytes.
PreparedMolecule PrepareMolecule(const std::string& path, const AtomTable& target, bool mayRefill,
                                 const ProgressReport& progress = {});
// The same on file, opened already.
PreparedMolecule PrepareMolecule(InputFile& file, const AtomTable& target, bool mayRefill,
                                 const ProgressReport& progress = {});

// ReadMolecule into table, reusing its arrays where no copy shares them:
// table is replaced only when the whole file was read, and is unchanged on
// any failure.
MoleculeInfo ReadMoleculeFile(const std::string& path, AtomTable& table);

// A short English line for a caption or a log: the kind, the frame when the
// file holds several, the charge and multiplicity when known, and
// "converted from bohr" when it was. Example: "standard XYZ, frame 12 of
// 12". The note is not included.
std::string Summary(const MoleculeInfo& info);

}  // namespace pivora::io
