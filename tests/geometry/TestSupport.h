#pragma once
// Helpers shared by the geometry and view tests.

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "model/AtomTable.h"
#include "model/Error.h"

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

// Every coordinate's bits, so that a comparison sees -0 and the last bit.
inline std::vector<std::uint64_t> Bits(const AtomTable& table) {
    std::vector<std::uint64_t> bits;
    for (const auto* column : {&table.AtomX, &table.AtomY, &table.AtomZ}) {
        for (const double v : *column) bits.push_back(std::bit_cast<std::uint64_t>(v));
    }
    return bits;
}

// The error that f throws; a test failure when it throws none.
template <typename F>
Error ErrorOf(F&& f) {
    try {
        f();
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "expected an Error";
    return Error(ErrorKind::Index, "");
}

}  // namespace pivora::test
