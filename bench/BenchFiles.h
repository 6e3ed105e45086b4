#pragma once
// Molecules made up for the benchmarks: files of n atoms, each line a label
// and three numbers of 6 decimals (about 33 bytes a line).

#include <string>

#include "model/AtomTable.h"

namespace pivora::bench {

// Path of a coordinate file of n atoms in a temporary folder, written once
// per run and reused.
const std::string& AtomFile(int n);
// A folder for output files, removed at exit.
const std::string& ScratchDir();
// A table of n atoms as read from AtomFile(n).
AtomTable MakeTable(int n);

}  // namespace pivora::bench
