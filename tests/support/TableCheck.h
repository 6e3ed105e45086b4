#pragma once
// Comparing tables slot by slot, bit for bit, in the tests of the readers.

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/AtomTable.h"
#include "model/DecimalText.h"
#include "model/Error.h"
#include "model/Extended.h"

namespace pivora::test {

// Every slot of a table, coordinates as their bits (so -0 and 0 differ).
struct TableSnapshot {
    std::int32_t count = 0;
    std::vector<std::string> names;
    std::vector<std::uint64_t> x, y, z;
    bool operator==(const TableSnapshot&) const = default;
};

inline TableSnapshot Snapshot(const AtomTable& t) {
    TableSnapshot s{t.AtomCount, t.AtomName, {}, {}, {}};
    for (std::size_t i = 0; i < t.Capacity(); ++i) {
        s.x.push_back(std::bit_cast<std::uint64_t>(t.AtomX[i]));
        s.y.push_back(std::bit_cast<std::uint64_t>(t.AtomY[i]));
        s.z.push_back(std::bit_cast<std::uint64_t>(t.AtomZ[i]));
    }
    return s;
}

// What a read gave: the table, or the message of its error.
struct ReadOutcome {
    TableSnapshot table;
    std::string message;
    bool operator==(const ReadOutcome&) const = default;
};

// Runs read, which returns an AtomTable, and keeps what it gave.
template <typename Read>
ReadOutcome Outcome(Read read) {
    try {
        return {Snapshot(read()), ""};
    } catch (const Error& e) {
        return {{}, e.Message()};
    }
}

// The double a coordinate text of a file gives: the file parse form, stored.
inline std::uint64_t FileBits(std::string_view text) {
    return std::bit_cast<std::uint64_t>(StoreDouble(ParseFileDecimal(text)));
}

inline std::uint64_t Bits(double v) {
    return std::bit_cast<std::uint64_t>(v);
}

}  // namespace pivora::test
