#pragma once
// Reading a coordinate file: one atom a line, a label and x, y, z in
// angstrom, separated by blanks.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "model/AtomTable.h"
#include "model/FileIo.h"

namespace pivora {

// The fields of one line that the reader uses. A cut is a blank followed by a
// non-blank; fields run between cuts, so all but the last of several blanks
// stay at the end of the earlier field. Fields beyond the line are empty;
// field 4 ends at the next cut, the rest of the line is ignored.
struct LineFields {
    std::string_view label;    // field 1 with bytes <= 32 trimmed from both ends
    std::string_view x, y, z;  // fields 2 to 4, untrimmed
};
LineFields CutLine(std::string_view line);

// How ReadCoordinateTable reads; the defaults are for real use.
struct ReadOptions {
    LineReaderOptions lines;
    // Runs between the counting and the parsing pass, so that tests can
    // change the file in between. Empty: nothing.
    std::function<void()> betweenPasses;
    // When set, holds the number of the line being parsed (0 until the
    // parsing pass begins), so that a caller that sees a failure can name
    // the line.
    std::int32_t* lineReached = nullptr;
};

// Counts the lines of path with the line rules of LineReader.
// Throws the file error.
std::int32_t CountLines(const std::string& path, const LineReaderOptions& options = {});

// Reads path in two passes (count, then parse) into a new table and returns
// it; previous is only read, for its spare slots. The new table holds
// exactly AtomCount atoms, capacity AtomCount + 10, slot 0 ("None", 0, 0,
// 0), and spare slots that keep what a larger previous table left there, as
// a resize of the old arrays would. Failures: the file error, a field that
// is not a number (the conversion error quoting it), overflow of a double
// (the overflow error), memory. A file that grows between the passes is
// read for the counted lines only; one that shrank (fewer lines than
// counted, or its last counted line cut short) is the file error of EIO,
// "I/O エラー (5)", with an English detail.
AtomTable ReadCoordinateTable(const std::string& path, const AtomTable& previous,
                              const ReadOptions& options = {});

// ReadCoordinateTable into table: table is replaced only when the whole file
// was read, and is unchanged on any failure.
void ReadCoordinateFile(const std::string& path, AtomTable& table, const ReadOptions& options = {});

// Finishes a table read aside: AtomCount := count, the capacity count + 10,
// slot 0 ("None", 0, 0, 0), and the spare slots count + 1 .. count + 9 copied
// from previous where it has them. Slots 1..count must hold the atoms.
void FinishTable(AtomTable& fresh, std::int32_t count, const AtomTable& previous);

}  // namespace pivora
