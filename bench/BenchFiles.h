#pragma once
// Molecules made up for the benchmarks: files of n atoms, each line a label
// and three numbers of 6 decimals (about 33 bytes a line); and the order in
// which what the benchmarks built goes away at the end of the run.

#include <functional>
#include <string>

#include "model/AtomTable.h"

namespace pivora::bench {

// Path of a coordinate file of n atoms in a temporary folder, written once
// per run and reused.
const std::string& AtomFile(int n);
// A folder for output files, removed with everything in it when the
// benchmarks are done.
const std::string& ScratchDir();
// A table of n atoms as read from AtomFile(n).
AtomTable MakeTable(int n);

// A line of /proc/self/status in megabytes: "VmRSS:" the resident memory,
// "VmHWM:" its peak so far.
double StatusMegabytes(const std::string& field);

// Runs release when the benchmarks are done, before main returns: the one
// registered last runs first. Objects kept for the whole run register their
// release here instead of living in function statics, whose destructors run
// in an order of their own after main (a window must go before the
// application object it belongs to).
void AtBenchmarksEnd(std::function<void()> release);
// Runs and forgets the releases; main calls it once.
void ReleaseBenchmarkObjects();

// The program runs as a child that measures memory when its first argument
// is kMemoryChild: then RunMemoryChild(argc, argv) is what main does.
inline constexpr char kMemoryChild[] = "--memory-child";
// Registered by the window's benchmarks; returns the exit status.
using MemoryChild = int (*)(int argc, char** argv);
void SetMemoryChild(MemoryChild child);
int RunMemoryChild(int argc, char** argv);

}  // namespace pivora::bench
