#pragma once
// Large arrays (a million coordinates, a whole file's bytes): laid out for
// huge pages, so that their first touch costs a fault per 2 MiB instead of
// per 4 KiB, and given back to the system as soon as they are freed.

#include <cstddef>
#include <vector>

namespace pivora {

// True for blocks of 4 MiB or more, the size from which huge pages pay.
bool IsLargeBlock(std::size_t bytes);

// Asks the system to back the whole 2 MiB pages inside [data, data + bytes)
// with huge pages where it has them. Best done before the first write; a
// refusal changes nothing.
void AdviseHugePages(void* data, std::size_t bytes);

// v.reserve(n), with a large block advised for huge pages before anything is
// written to it. v is best empty: elements it holds are moved first.
template <typename T>
void ReserveLarge(std::vector<T>& v, std::size_t n) {
    v.reserve(n);
    if (IsLargeBlock(n * sizeof(T))) AdviseHugePages(v.data(), n * sizeof(T));
}

// From the call on, blocks of 1 MiB or more are mapped on their own and
// unmapped when freed, instead of staying with the process for reuse: the
// arrays of a molecule that was replaced leave the resident memory at once.
// The programs call it once at start-up.
void ReturnLargeBlocksToTheSystem();

}  // namespace pivora
