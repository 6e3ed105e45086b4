#include "structure/Bonds.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cfenv>
#include <cmath>
#include <limits>

#include "structure/CovalentRadii.h"

namespace pivora {
namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Cells along one axis: 21 bits, so that a cell's three numbers pack into
// one 64-bit key.
constexpr std::uint64_t kCellBits = 21;
constexpr std::uint64_t kLastCell = (std::uint64_t{1} << kCellBits) - 1;

std::uint64_t Pack(std::uint64_t x, std::uint64_t y, std::uint64_t z) {
    return x | (y << kCellBits) | (z << (2 * kCellBits));
}

// The cells that hold atoms, by key, numbered in the order they were first
// met: open addressing, the table at most half full.
class CellIndex {
  public:
    static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};  // no key has bit 63

    // The number of key's cell, a new one if it is not known yet.
    std::int32_t Add(std::uint64_t key) {
        if (2 * (count_ + 1) > keys_.size()) Grow();
        std::size_t at = Slot(key);
        while (keys_[at] != kEmpty) {
            if (keys_[at] == key) return ids_[at];
            at = (at + 1) & mask_;
        }
        keys_[at] = key;
        ids_[at] = static_cast<std::int32_t>(count_);
        return static_cast<std::int32_t>(count_++);
    }
    // The number of key's cell; -1 when no atom lies in it.
    std::int32_t Find(std::uint64_t key) const {
        if (keys_.empty()) return -1;
        std::size_t at = Slot(key);
        while (keys_[at] != kEmpty) {
            if (keys_[at] == key) return ids_[at];
            at = (at + 1) & mask_;
        }
        return -1;
    }
    std::size_t Count() const { return count_; }

  private:
    std::size_t Slot(std::uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
    }
    void Grow() {
        std::vector<std::uint64_t> keys = std::move(keys_);
        std::vector<std::int32_t> ids = std::move(ids_);
        const std::size_t size = keys.empty() ? 1024 : 2 * keys.size();
        keys_.assign(size, kEmpty);
        ids_.assign(size, 0);
        mask_ = size - 1;
        shift_ = 64 - static_cast<unsigned>(std::countr_zero(size));
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] == kEmpty) continue;
            std::size_t at = Slot(keys[i]);
            while (keys_[at] != kEmpty) at = (at + 1) & mask_;
            keys_[at] = keys[i];
            ids_[at] = ids[i];
        }
    }

    std::vector<std::uint64_t> keys_;
    std::vector<std::int32_t> ids_;
    std::size_t count_ = 0;
    std::size_t mask_ = 0;
    unsigned shift_ = 64;
};

// Saves the floating-point environment and gives it back on leaving: a far
// atom's cell number may overflow, which is no failure of the caller's.
class KeepFpFlags {
  public:
    KeepFpFlags() { std::fegetenv(&saved_); }
    ~KeepFpFlags() { std::fesetenv(&saved_); }
    KeepFpFlags(const KeepFpFlags&) = delete;
    KeepFpFlags& operator=(const KeepFpFlags&) = delete;

  private:
    std::fenv_t saved_;
};

}  // namespace

bool IsGhostLabel(std::string_view label) {
    if (label.size() < 2 || !IsLetter(label[0])) return false;
    // ORCA: the element's one or two letters, then the colon.
    const std::size_t letters = IsLetter(label[1]) ? 2 : 1;
    if (label.size() == letters + 1 && label[letters] == ':') return true;
    // Gaussian: "-Bq" after the element, digits only after it.
    const std::size_t dash = label.find('-');
    if (dash == std::string_view::npos || dash == 0 || label.size() < dash + 3) return false;
    const char b = label[dash + 1];
    const char q = label[dash + 2];
    if ((b != 'B' && b != 'b') || (q != 'Q' && q != 'q')) return false;
    return std::all_of(label.begin() + static_cast<std::ptrdiff_t>(dash + 3), label.end(), IsDigit);
}

std::vector<std::uint8_t> BondingElements(const AtomTable& atoms,
                                          std::span<const std::uint8_t> elements) {
    std::vector<std::uint8_t> bonding(elements.begin(), elements.end());
    const std::size_t last = std::min(atoms.LastAtom(), bonding.empty() ? 0 : bonding.size() - 1);
    for (std::size_t i = 1; i <= last; ++i) {
        if (bonding[i] != 0 && IsGhostLabel(atoms.AtomName[i])) bonding[i] = 0;
    }
    return bonding;
}

std::vector<Bond> FindBonds(const AtomTable& atoms, std::span<const std::uint8_t> elements) {
    const KeepFpFlags keep;
    const std::size_t last = std::min(atoms.LastAtom(), elements.empty() ? 0 : elements.size() - 1);
    const double* const x = atoms.AtomX.data();
    const double* const y = atoms.AtomY.data();
    const double* const z = atoms.AtomZ.data();

    std::array<double, 256> radii{};
    for (std::size_t number = 0; number < radii.size(); ++number)
        radii[number] = CovalentRadius(static_cast<int>(number));
    const auto radius = [&](std::size_t i) { return radii[elements[i]]; };

    // The atoms that may bond and the box around them.
    std::vector<std::int32_t> cell(last + 1, -1);  // -1: no bonds; else the cell, below
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    double low[3] = {kInfinity, kInfinity, kInfinity};
    double largest = 0;
    std::size_t members = 0;
    for (std::size_t i = 1; i <= last; ++i) {
        const double r = radius(i);
        if (r == 0 || !std::isfinite(x[i]) || !std::isfinite(y[i]) || !std::isfinite(z[i]))
            continue;
        cell[i] = 0;
        low[0] = std::min(low[0], x[i]);
        low[1] = std::min(low[1], y[i]);
        low[2] = std::min(low[2], z[i]);
        largest = std::max(largest, r);
        ++members;
    }
    std::vector<Bond> bonds;
    if (members < 2) return bonds;

    // A cell as wide as the longest bond the present elements allow, and a
    // millionth wider: the roundings of the cell numbers below are far
    // smaller, so that two atoms closer than the limit lie in the same or
    // in neighbouring cells. Numbers beyond the last cell are held to it,
    // which keeps neighbours neighbours.
    const double width = (2 * largest + kBondTolerance) * (1 + 1e-6);
    const double inverse = 1 / width;
    const auto cellOf = [&](double v, double from) -> std::uint64_t {
        const double t = (v - from) * inverse;
        return t < static_cast<double>(kLastCell) ? static_cast<std::uint64_t>(t) : kLastCell;
    };
    const auto keyOf = [&](std::size_t i) {
        return Pack(cellOf(x[i], low[0]), cellOf(y[i], low[1]), cellOf(z[i], low[2]));
    };

    // The atoms sorted by cell, rising index within each (a counting sort).
    CellIndex cells;
    for (std::size_t i = 1; i <= last; ++i) {
        if (cell[i] >= 0) cell[i] = cells.Add(keyOf(i));
    }
    std::vector<std::int32_t> start(cells.Count() + 1, 0);
    for (std::size_t i = 1; i <= last; ++i) {
        if (cell[i] >= 0) ++start[static_cast<std::size_t>(cell[i]) + 1];
    }
    for (std::size_t c = 1; c < start.size(); ++c) start[c] += start[c - 1];
    std::vector<std::int32_t> sorted(members);
    {
        std::vector<std::int32_t> next(start.begin(), start.end() - 1);
        for (std::size_t i = 1; i <= last; ++i) {
            if (cell[i] >= 0)
                sorted[static_cast<std::size_t>(next[static_cast<std::size_t>(cell[i])]++)] =
                    static_cast<std::int32_t>(i);
        }
    }

    // Atom by atom in rising index, each with the later atoms of the 27
    // cells around it: the bonds come out sorted. Atoms of a file lie near
    // their neighbours in the file, so that the cells around the last atom
    // usually serve the next one too.
    std::array<std::int32_t, 27> around{};
    std::size_t aroundCount = 0;
    std::int32_t aroundOf = -1;
    std::vector<std::int32_t> partners;
    for (std::size_t i = 1; i <= last; ++i) {
        if (cell[i] < 0) continue;
        if (cell[i] != aroundOf) {
            aroundOf = cell[i];
            aroundCount = 0;
            const std::uint64_t key = keyOf(i);
            const std::uint64_t cx = key & kLastCell;
            const std::uint64_t cy = (key >> kCellBits) & kLastCell;
            const std::uint64_t cz = key >> (2 * kCellBits);
            for (std::uint64_t nz = cz - (cz > 0); nz <= std::min(cz + 1, kLastCell); ++nz) {
                for (std::uint64_t ny = cy - (cy > 0); ny <= std::min(cy + 1, kLastCell); ++ny) {
                    for (std::uint64_t nx = cx - (cx > 0); nx <= std::min(cx + 1, kLastCell);
                         ++nx) {
                        const std::int32_t found = cells.Find(Pack(nx, ny, nz));
                        if (found >= 0) around[aroundCount++] = found;
                    }
                }
            }
        }
        partners.clear();
        const double xi = x[i], yi = y[i], zi = z[i];
        const double ri = radius(i);
        for (std::size_t n = 0; n < aroundCount; ++n) {
            const auto c = static_cast<std::size_t>(around[n]);
            const std::int32_t* const first = sorted.data() + start[c];
            const std::int32_t* const end = sorted.data() + start[c + 1];
            // Rising index within a cell: skip to the atoms after i.
            const std::int32_t* j = std::upper_bound(first, end, static_cast<std::int32_t>(i));
            for (; j != end; ++j) {
                const auto k = static_cast<std::size_t>(*j);
                const double dx = x[k] - xi;
                const double dy = y[k] - yi;
                const double dz = z[k] - zi;
                const double squared = dx * dx + dy * dy + dz * dz;
                const double limit = ri + radius(k) + kBondTolerance;
                if (squared < limit * limit && squared > kShortestBond * kShortestBond)
                    partners.push_back(*j);
            }
        }
        std::sort(partners.begin(), partners.end());
        for (const std::int32_t j : partners) bonds.push_back({static_cast<std::int32_t>(i), j});
    }
    return bonds;
}

}  // namespace pivora
