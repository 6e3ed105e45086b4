#pragma once
// Writing a coordinate file in fixed columns: the label in 15 columns, then
// x, y, z at width 12 with 9 decimals, three blanks between, CR LF line ends.

#include <string>

#include "base/Progress.h"
#include "files/FileIo.h"
#include "model/AtomTable.h"

namespace pivora {

// One line of the output format, CR LF included. A label of 15 bytes or more
// is followed by one blank.
void AppendCoordinateLine(std::string& out, const std::string& label, double x, double y, double z);

// Writes atoms 1..AtomCount to path, replacing it safely (SafeFileWriter,
// which says what is refused and what is written in place). Throws the file
// error; a replaced file then stays as it was. progress hears of the lines
// laid out (Progress.h), reaching the whole before the file is put in place.
void WriteCoordinateFile(const std::string& path, const AtomTable& table,
                         const WriteOptions& options = {}, const ProgressReport& progress = {});

// InFileName without its last 4 bytes, followed by ".out"; ".out" alone when
// it is shorter than 4 bytes.
std::string DefaultOutputName(const std::string& inFileName);

}  // namespace pivora
