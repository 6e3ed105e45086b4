#include "base/LargeMemory.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>

namespace pivora {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

bool IsLargeBlock(std::size_t bytes) {
    return bytes >= 2 * kHugePage;
}

void AdviseHugePages(void* data, std::size_t bytes) {
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
    if (last <= first) return;
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

void ReturnLargeBlocksToTheSystem() {
    // A fixed threshold also stops glibc from raising it after each freed
    // block, which would move the next molecule's arrays onto the heap.
    ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
}

}  // namespace pivora
