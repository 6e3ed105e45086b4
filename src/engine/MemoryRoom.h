#pragma once
// How much more memory the process can get, so that the undo history never
// takes what the window needs to paint and to save.
//
// Two walls, each with a margin that stays free:
// - the address-space limit (RLIMIT_AS, which login nodes and containers set
//   with `ulimit -v`), against which an allocation fails for certain: the
//   larger of 256 MiB and a quarter of the limit stays free. 256 MiB is what
//   the history alone may hold by default, so a full history never leaves
//   less free than it holds itself; the quarter grows with the limit, as the
//   rest of the program does (the reading threads' arenas, an open's peak of
//   about 1.4 times its molecule, Qt's images and fonts);
// - the memory the system still has (MemAvailable), beyond which it swaps
//   rather than failing: 256 MiB stays free, so that the history is not
//   what pushes the machine into swapping.

#include <cstdint>
#include <functional>
#include <optional>

namespace pivora {

// Bytes; a wall that the system does not have (no limit set, no
// /proc/meminfo) is empty.
struct MemoryRoom {
    std::optional<std::uint64_t> addressSpaceLimit;  // RLIMIT_AS
    std::optional<std::uint64_t> addressSpaceUsed;   // VmSize
    std::optional<std::uint64_t> memoryAvailable;    // MemAvailable
};

// The process's room now: getrlimit, /proc/self/statm and /proc/meminfo.
// Never fails: what cannot be read stays empty.
MemoryRoom ProbeMemoryRoom();

// Stands in for ProbeMemoryRoom, for tests that play a limit.
using MemoryProbe = std::function<MemoryRoom()>;

// The margin that stays free of an address-space limit of limit bytes.
std::uint64_t AddressSpaceMargin(std::uint64_t limit);

// Bytes that may still be taken with both margins kept free, the least over
// the two walls; negative when less than a margin is free already (that much
// should be given back); INT64_MAX when neither wall is known.
std::int64_t SpareMemory(const MemoryRoom& room);

}  // namespace pivora
