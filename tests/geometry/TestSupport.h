#pragma once
// Helpers shared by the geometry and view tests.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/AtomTable.h"
#include "support/ErrorCheck.h"
#include "support/TableCheck.h"

namespace pivora::test {

using Xyz = std::array<double, 3>;

// A table as an open leaves it: slot 0 ("None", 0, 0, 0), the atoms "A1",
// "A2", ..., then 9 spare slots whose coordinates are all `spare`.
inline AtomTable MakeTable(const std::vector<Xyz>& atoms, double spare = 0) {
    AtomTable table;
    table.AtomCount = static_cast<std::int32_t>(atoms.size());
    table.Resize(atoms.size() + 10);
    table.AtomName[0].append("None");
    for (std::size_t k = 1; k < table.Capacity(); ++k) {
        const Xyz p = k <= atoms.size() ? atoms[k - 1] : Xyz{spare, spare, spare};
        table.AtomX[k] = p[0], table.AtomY[k] = p[1], table.AtomZ[k] = p[2];
        if (k <= atoms.size()) table.AtomName[k].append("A").append(std::to_string(k));
    }
    return table;
}

inline Xyz At(const AtomTable& t, std::size_t k) {
    return {t.AtomX[k], t.AtomY[k], t.AtomZ[k]};
}

}  // namespace pivora::test
