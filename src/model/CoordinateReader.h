#pragma once
// Reading a coordinate file: one atom a line, a label and x, y, z in
// angstrom, separated by blanks.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "model/AtomTable.h"

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

// Counts the lines of path with the line rules of LineReader.
// Throws the file error.
std::int32_t CountLines(const std::string& path);

// Reads path into table in two passes (count, then parse). On success the
// table holds exactly AtomCount atoms, capacity AtomCount + 10, slot 0
// ("None", 0, 0, 0), and spare slots that keep what a larger earlier table
// left there. On any failure (file error, a field that is not a number:
// the conversion error quoting it, overflow of a double: the overflow error,
// memory) the table is unchanged. A file that grows between the passes is
// read for the counted lines only.
void ReadCoordinateFile(const std::string& path, AtomTable& table);

// Test seam: runs between the counting and the parsing pass, so that tests
// can change the file in between. Empty removes it.
void SetBetweenPassesHookForTesting(std::function<void()> hook);

}  // namespace pivora
