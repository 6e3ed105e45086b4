#include "engine/MemoryRoom.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace pivora {
namespace {

constexpr std::uint64_t kLeastMargin = std::uint64_t{256} << 20;

// One "Name: N kB" line of /proc/meminfo, in bytes.
std::optional<std::uint64_t> MemInfoField(const char* text, const char* name) {
    const char* at = std::strstr(text, name);
    if (at == nullptr) return std::nullopt;
    unsigned long long kilobytes = 0;
    if (std::sscanf(at + std::strlen(name), " %llu", &kilobytes) != 1) return std::nullopt;
    return static_cast<std::uint64_t>(kilobytes) * 1024;
}

std::int64_t Clip(std::uint64_t bytes) {
    constexpr auto kMost = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(std::min(bytes, kMost));
}

// Both below 2^63, so the difference cannot overflow.
std::int64_t Spare(std::uint64_t left, std::uint64_t margin) {
    return Clip(left) - Clip(margin);
}

}  // namespace

MemoryRoom ProbeMemoryRoom() {
    MemoryRoom room;
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        room.addressSpaceLimit = static_cast<std::uint64_t>(limit.rlim_cur);
    }
    // The first number of statm is VmSize in pages: what RLIMIT_AS counts.
    if (std::FILE* statm = std::fopen("/proc/self/statm", "re")) {
        unsigned long long pages = 0;
        if (std::fscanf(statm, "%llu", &pages) == 1) {
            room.addressSpaceUsed = static_cast<std::uint64_t>(pages) *
                                    static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
        }
        std::fclose(statm);
    }
    if (std::FILE* meminfo = std::fopen("/proc/meminfo", "re")) {
        char text[4096];
        const std::size_t got = std::fread(text, 1, sizeof text - 1, meminfo);
        text[got] = '\0';
        std::fclose(meminfo);
        room.memoryAvailable = MemInfoField(text, "MemAvailable:");
    }
    return room;
}

std::uint64_t AddressSpaceMargin(std::uint64_t limit) {
    return std::max(kLeastMargin, limit / 4);
}

std::int64_t SpareMemory(const MemoryRoom& room) {
    std::int64_t spare = std::numeric_limits<std::int64_t>::max();
    if (room.addressSpaceLimit && room.addressSpaceUsed) {
        const std::uint64_t limit = *room.addressSpaceLimit;
        const std::uint64_t used = *room.addressSpaceUsed;
        spare = std::min(spare, Spare(used < limit ? limit - used : 0, AddressSpaceMargin(limit)));
    }
    if (room.memoryAvailable) spare = std::min(spare, Spare(*room.memoryAvailable, kLeastMargin));
    return spare;
}

}  // namespace pivora
