#pragma once
// Comparing tables slot by slot, bit for bit, and numbers by their bits.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/Error.h"
#include "model/AtomTable.h"
#include "numeric/DecimalText.h"
#include "numeric/Extended.h"

namespace pivora::test {

inline std::uint64_t Bits(double v) {
    return std::bit_cast<std::uint64_t>(v);
}

// Sign, exponent and significand of two extended values; the padding bytes
// are ignored.
inline bool SameBits(long double a, long double b) {
    return std::memcmp(&a, &b, 10) == 0;
}

// The double a coordinate text of a file gives: the file parse form, stored.
inline std::uint64_t FileBits(std::string_view text) {
    return Bits(StoreDouble(ParseFileDecimal(text)));
}

// Every slot of a table, the atom count and the labels, coordinates as their
// bits (so that -0 and 0 differ and the last bit counts).
struct TableSnapshot {
    std::int32_t count = 0;
    std::vector<std::string> names;
    std::vector<std::uint64_t> x, y, z;
    bool operator==(const TableSnapshot&) const = default;
};

inline TableSnapshot Snapshot(const AtomTable& t) {
    TableSnapshot s{t.AtomCount, t.AtomName, {}, {}, {}};
    for (std::size_t i = 0; i < t.Capacity(); ++i) {
        s.x.push_back(Bits(t.AtomX[i]));
        s.y.push_back(Bits(t.AtomY[i]));
        s.z.push_back(Bits(t.AtomZ[i]));
    }
    return s;
}

// One slot written out, for a snapshot that a test spells out.
struct Slot {
    std::string name;
    double x = 0, y = 0, z = 0;
};

// count atoms; the slots as given, then empty ones with 0 up to capacity.
inline TableSnapshot Snapshot(std::int32_t count, const std::vector<Slot>& given,
                              std::size_t capacity) {
    TableSnapshot s{count, {}, {}, {}, {}};
    for (std::size_t i = 0; i < capacity; ++i) {
        const Slot slot = i < given.size() ? given[i] : Slot{};
        s.names.push_back(slot.name);
        s.x.push_back(Bits(slot.x));
        s.y.push_back(Bits(slot.y));
        s.z.push_back(Bits(slot.z));
    }
    return s;
}

// gtest's printout: the count, then one line per slot with the coordinates
// at full precision; long tables show their first 40 slots.
inline void PrintTo(const TableSnapshot& s, std::ostream* out) {
    constexpr std::size_t kShown = 40;
    *out << s.count << " atoms, " << s.names.size() << " slots";
    const auto print = [&](const std::vector<std::uint64_t>& column, std::size_t i) {
        if (i >= column.size()) return;
        *out << " " << std::bit_cast<double>(column[i]);
    };
    const auto flags = out->flags();
    const auto precision = out->precision(17);
    const std::size_t length = std::max({s.names.size(), s.x.size(), s.y.size(), s.z.size()});
    for (std::size_t i = 0; i < std::min(length, kShown); ++i) {
        *out << "\n  " << i << ": \"" << (i < s.names.size() ? s.names[i] : "") << "\"";
        print(s.x, i);
        print(s.y, i);
        print(s.z, i);
    }
    if (length > kShown) *out << "\n  ... " << length - kShown << " more slots";
    out->precision(precision);
    out->flags(flags);
}

// What a read gave: the table, or the message of its error.
struct ReadOutcome {
    TableSnapshot table;
    std::string message;
    bool operator==(const ReadOutcome&) const = default;
};

inline void PrintTo(const ReadOutcome& o, std::ostream* out) {
    if (!o.message.empty()) *out << "error \"" << o.message << "\" ";
    PrintTo(o.table, out);
}

// Runs read, which returns an AtomTable, and keeps what it gave.
template <typename Read>
ReadOutcome Outcome(Read read) {
    try {
        return {Snapshot(read()), ""};
    } catch (const Error& e) {
        return {{}, e.Message()};
    }
}

}  // namespace pivora::test
