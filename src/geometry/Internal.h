#pragma once
// Helpers shared by the geometry sources; not part of the interface.

#include <cmath>

#include "model/AtomTable.h"
#include "model/Error.h"
#include "model/Extended.h"

namespace pivora::detail {

// The last slot that holds an atom: AtomCount, but never past the end of the
// arrays, so that a count that ran ahead of a failed resize cannot make us
// read outside the table. 0 when there is no atom.
inline long long LastAtom(const AtomTable& atoms) {
    const long long slots = static_cast<long long>(atoms.Capacity());
    const long long count = atoms.AtomCount;
    if (count <= 0 || slots == 0) return 0;
    return count < slots ? count : slots - 1;
}

}  // namespace pivora::detail
