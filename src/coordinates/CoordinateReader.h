#pragma once
// Reading a coordinate file: one atom a line, a label and x, y, z in
// angstrom, separated by blanks.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/Progress.h"
#include "coordinates/FieldScanner.h"
#include "files/FileIo.h"
#include "model/AtomTable.h"

namespace pivora {

// How ReadCoordinateTable reads; the defaults are for real use.
struct ReadOptions {
    LineReaderOptions lines;
    // Runs before every pass over the file but the first (between the
    // counting and the parsing pass), so that tests can change the file in
    // between (InputFile::SetBetweenPasses). Empty: nothing.
    std::function<void()> betweenPasses;
    // When set, receives the number of the line that failed to read (0 for
    // a failure before the parsing pass), so that a caller that sees a
    // failure can name the line.
    std::int32_t* lineReached = nullptr;
    // Refuses a line whose label is empty, as when it begins with a blank,
    // and that holds more than four fields: its label and numbers would be
    // read one field off, z dropped. The error (ErrorKind::Format) says so
    // in English and names the line; it comes after the line's numbers were
    // converted, so a line that fails on one fails as without the option.
    // Off: such a line reads as any other, fields after the fourth ignored.
    bool refuseShiftedLines = false;
    // Hears how far the read has come (Progress.h). The counting pass, the
    // parsing pass's reading and its checking of the lines report; refilling
    // a target's arrays (MoveInto) comes after the last report and does not.
    ProgressReport progress;
};

class AtomLineRule;

// A coordinate file counted, read into memory and checked, on its way into
// a table: by the time it exists, every failure of the read has happened but
// one of memory.
class CoordinateRead {
  public:
    CoordinateRead(CoordinateRead&&) noexcept;
    CoordinateRead& operator=(CoordinateRead&&) noexcept;
    ~CoordinateRead();

    std::int32_t AtomCount() const { return count_; }
    // True when MoveInto will write the atoms into the target's own arrays
    // (no memory needed, nothing can fail), which nobody else may hold by
    // then; false when a new table is ready to take the target's place.
    bool RefillsTarget() const { return refill_; }

    // Makes table the molecule read, with the shape ReadCoordinateTable
    // gives. Refilling table's arrays allocates nothing; should another copy
    // share them after all, the atoms go into new arrays, and memory running
    // out then is the memory error with table unchanged. The arrays the
    // table held before are freed here unless another copy keeps them.
    void MoveInto(AtomTable& table) &&;
    // The molecule as a new table, its spare slots from previous.
    AtomTable TakeTable(const AtomTable& previous) &&;

  private:
    friend CoordinateRead PrepareCoordinateRead(InputFile&, const AtomTable&, bool,
                                                const ReadOptions&);
    friend CoordinateRead PrepareAtomLines(std::shared_ptr<char[]>, std::size_t, std::size_t,
                                           std::int32_t, std::int64_t,
                                           std::shared_ptr<const AtomLineRule>, const AtomTable&,
                                           bool, ProgressMeter*);
    CoordinateRead();
    void FillFresh(const AtomTable& previous);
    // Whether target's arrays are to be refilled with count_ atoms (mayRefill
    // and they fit); when not, the new table is made here. progress, when
    // given, hears of its slots as a stage that takes the whole to until.
    bool MakeTable(const AtomTable& target, bool mayRefill, ProgressMeter* progress,
                   std::uint64_t until);
    // With the bytes read: checks every line when refill, else fills the
    // new table.
    void Complete(const AtomTable& target, bool refill, std::int32_t* lineReached,
                  ProgressMeter* progress);

    std::string path_;
    std::int32_t count_ = 0;
    std::uint64_t end_ = 0;  // where the counted lines ended in the counting pass
    bool refill_ = false;
    std::unique_ptr<struct FileBytes> bytes_;  // the file as the parsing pass read it
    AtomTable fresh_;                          // the new table, when not refilling
};

// Reads path in two passes, count and then parse, and checks every line.
// Failures: the file error, a field that is not a number (the conversion
// error quoting it), overflow of a double (the overflow error), memory. A
// file that changed in any way while it was read (InputFile::CheckUnchanged:
// grown, cut, rewritten, replaced) is FileChangedError, "I/O エラー (5)"
// with an English detail, before any of its lines is judged.
//
// target is only read: its spare slots go into a new table, and with
// mayRefill its arrays are to be refilled when their size fits (MoveInto),
// the caller then seeing to it that no other copy shares them by the time
// it calls MoveInto. Otherwise the new table is built here, after the
// counting pass, so that memory running out shows before a bad field.
CoordinateRead PrepareCoordinateRead(const std::string& path, const AtomTable& target,
                                     bool mayRefill, const ReadOptions& options = {});
// The same over file, opened already; its passes follow any made before
// (the look at its head), and the check for a change covers them too.
CoordinateRead PrepareCoordinateRead(InputFile& file, const AtomTable& target, bool mayRefill,
                                     const ReadOptions& options = {});

// Reads path into a new table and returns it; previous is only read, for
// its spare slots. The new table holds exactly AtomCount atoms, capacity
// AtomCount + 10, slot 0 ("None", 0, 0, 0), and spare slots that keep what
// a larger previous table left there, as a resize of the old arrays would.
// Fails as PrepareCoordinateRead.
AtomTable ReadCoordinateTable(const std::string& path, const AtomTable& previous,
                              const ReadOptions& options = {});

// Reads path into table, reusing its arrays where no copy shares them:
// table is replaced only when the whole file was read, and is unchanged on
// any failure.
void ReadCoordinateFile(const std::string& path, AtomTable& table, const ReadOptions& options = {});

// How a format other than the native one reads an atom line, for
// ReadAtomLines: where the plain reader's cut and numbers give what the
// format reads, only the label is asked of it; any other line it reads its
// own way. Both are called from two threads at once.
class AtomLineRule {
  public:
    virtual ~AtomLineRule() = default;
    // The label to store for the line text, cut into f by the native rules,
    // whose x, y and z are plain decimals (PlainDecimal.h) and so read as
    // the parse form reads them: false when the format would not read the
    // line as cut, which leaves it to Read. May throw the format's failure
    // of the line, which must then be the one Read would throw.
    virtual bool QuickLabel(std::string_view text, const LineFields& f,
                            std::string_view& label) const = 0;
    // The atom of line number line, text as the line rules make it, read the
    // format's own way; throws the format's failure.
    virtual void Read(std::string_view text, std::int64_t line, std::string& label, double& x,
                      double& y, double& z) const = 0;
};

// ReadAtomLines in two steps, as PrepareCoordinateRead: data holds the
// lines at [from, from + size), followed by kScanPadding readable bytes, and
// is kept until MoveInto; so is rule. With mayRefill the lines are only
// checked here, and go into target's arrays at MoveInto where they fit.
// progress, when given, takes half of what is left of the whole (a frame may
// be read twice): the slots of a new table, then the lines.
CoordinateRead PrepareAtomLines(std::shared_ptr<char[]> data, std::size_t from, std::size_t size,
                                std::int32_t count, std::int64_t firstLine,
                                std::shared_ptr<const AtomLineRule> rule, const AtomTable& target,
                                bool mayRefill, ProgressMeter* progress = nullptr);

// The atoms of another format's block of atom lines, read the plain
// reader's way: data[0, size) holds count lines by the line rules of
// LineReader (followed by kScanPadding readable bytes), the first of them
// line firstLine of its file. Each line goes into its slot of a new table of
// ReadCoordinateTable's shape, spare slots from previous; in two runs on two
// threads where the lines are many. Throws what rule throws for the
// earliest line that fails, as a read in order would; memory. progress as
// PrepareAtomLines'.
AtomTable ReadAtomLines(const char* data, std::size_t size, std::int32_t count,
                        std::int64_t firstLine, const AtomLineRule& rule, const AtomTable& previous,
                        ProgressMeter* progress = nullptr);

// Finishes a table read aside: AtomCount := count, the capacity count + 10,
// slot 0 ("None", 0, 0, 0), and the spare slots count + 1 .. count + 9 copied
// from previous where it has them. Slots 1..count must hold the atoms.
void FinishTable(AtomTable& fresh, std::int32_t count, const AtomTable& previous);

}  // namespace pivora
