#include "structure/Bonds.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cfenv>
#include <cmath>
#include <limits>
#include <memory>

#include "base/LargeMemory.h"
#include "parallel/TwoThreads.h"
#include "structure/CovalentRadii.h"

namespace pivora {
namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// n elements, of a block that the system may back with huge pages: a
// million atoms' arrays are touched for the first time by every search, and
// a fault per 4 KiB page would cost as much as the search itself.
template <typename T>
std::vector<T> LargeVector(std::size_t n) {
    std::vector<T> v;
    ReserveLarge(v, n);
    v.resize(n);
    return v;
}

// A cell's number along each axis takes 21 bits of a 64-bit key at most.
// Numbers run from 1 to kLastCell + 1, so that the numbers 0 and
// kLastCell + 2 of a missing neighbour still fit their field.
constexpr std::uint64_t kLastCell = (std::uint64_t{1} << 21) - 3;

// Room for n elements that are all written before they are read: no zeros
// first, and a block that the system may back with huge pages.
template <typename T>
std::unique_ptr<T[]> Scratch(std::size_t n) {
    std::unique_ptr<T[]> block = std::make_unique_for_overwrite<T[]>(n);
    if (IsLargeBlock(n * sizeof(T))) AdviseHugePages(block.get(), n * sizeof(T));
    return block;
}

// Sorts keys (and members with them, when carried) by the keys' bits from
// low up to high: least significant digit first, 11 bits a digit, a digit
// that orders nothing skipped. Stable.
template <bool kCarryMembers>
void RadixSort(std::uint64_t* keys, std::int32_t* members, std::size_t n, unsigned low,
               unsigned high) {
    constexpr unsigned kDigit = 11;
    constexpr std::uint64_t kMask = (1u << kDigit) - 1;
    const std::unique_ptr<std::uint64_t[]> keyBuffer = Scratch<std::uint64_t>(n);
    std::unique_ptr<std::int32_t[]> memberBuffer;
    if constexpr (kCarryMembers) memberBuffer = Scratch<std::int32_t>(n);
    std::uint64_t* from = keys;
    std::int32_t* fromMembers = members;
    std::uint64_t* to = keyBuffer.get();
    std::int32_t* toMembers = memberBuffer.get();
    std::vector<std::size_t> start(kMask + 2);
    for (unsigned shift = low; shift < high; shift += kDigit) {
        std::fill(start.begin(), start.end(), 0);
        for (std::size_t k = 0; k < n; ++k) ++start[((from[k] >> shift) & kMask) + 1];
        if (std::find(start.begin(), start.end(), n) != start.end()) continue;
        for (std::size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t at = start[(from[k] >> shift) & kMask]++;
            to[at] = from[k];
            if constexpr (kCarryMembers) toMembers[at] = fromMembers[k];
        }
        std::swap(from, to);
        std::swap(fromMembers, toMembers);
    }
    if (from != keys) {
        std::copy(from, from + n, keys);
        if constexpr (kCarryMembers) std::copy(fromMembers, fromMembers + n, members);
    }
}

// Sorts keys, and members with them, by the keys' lowest bits bits. Keys
// of at most 32 bits (a molecule of real density up to some hundred
// million atoms) carry their member in their low half, which saves the
// second array and its buffer: a third less memory at the peak.
void SortByKey(std::span<std::uint64_t> keys, std::span<std::int32_t> members, unsigned bits) {
    const std::size_t n = keys.size();
    if (bits > 32) {
        RadixSort<true>(keys.data(), members.data(), n, 0, bits);
        return;
    }
    for (std::size_t k = 0; k < n; ++k)
        keys[k] = keys[k] << 32 | static_cast<std::uint32_t>(members[k]);
    RadixSort<false>(keys.data(), nullptr, n, 32, 32 + bits);
    for (std::size_t k = 0; k < n; ++k) {
        members[k] = static_cast<std::int32_t>(keys[k] & 0xffffffffu);
        keys[k] >>= 32;
    }
}

// An atom that may bond, as the search reads it: its cell's atoms side by
// side in memory.
struct Site {
    double x, y, z;
    std::int32_t atom;
    std::uint8_t element;
};

// The sites of a run of members (atoms in cell order), made as the search
// moves on and let go behind it. A cell's neighbours ahead lie at most a
// layer of cells further on, so only about two layers of the molecule are
// held at a time instead of a copy of all of it.
class SiteWindow {
  public:
    SiteWindow(std::span<const std::int32_t> members, const double* x, const double* y,
               const double* z, std::span<const std::uint8_t> elements)
        : members_(members), x_(x), y_(y), z_(z), elements_(elements) {}

    // The sites of members [from, to) at least, from at or after every
    // earlier call's from: result[k] is the site of member from + k.
    const Site* Hold(std::size_t from, std::size_t to) {
        const std::size_t held = first_ + sites_.size();
        if (from >= held) {
            sites_.clear();
            first_ = from;
        } else if (from - first_ > sites_.size() / 2) {
            // Each site is moved at most once for each one let go.
            sites_.erase(sites_.begin(),
                         sites_.begin() + static_cast<std::ptrdiff_t>(from - first_));
            first_ = from;
        }
        for (std::size_t m = first_ + sites_.size(); m < to; ++m) {
            const auto i = static_cast<std::size_t>(members_[m]);
            sites_.push_back({x_[i], y_[i], z_[i], members_[m], elements_[i]});
        }
        return sites_.data() + (from - first_);
    }

  private:
    std::span<const std::int32_t> members_;
    const double* x_;
    const double* y_;
    const double* z_;
    std::span<const std::uint8_t> elements_;
    std::vector<Site> sites_;
    std::size_t first_ = 0;  // the member whose site is sites_[0]
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

    // The atoms that may bond and the box around them.
    std::vector<std::int32_t> members;
    ReserveLarge(members, last);
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    double low[3] = {kInfinity, kInfinity, kInfinity};
    double largest = 0;
    for (std::size_t i = 1; i <= last; ++i) {
        const double r = radii[elements[i]];
        if (r == 0 || !std::isfinite(x[i]) || !std::isfinite(y[i]) || !std::isfinite(z[i]))
            continue;
        members.push_back(static_cast<std::int32_t>(i));
        low[0] = std::min(low[0], x[i]);
        low[1] = std::min(low[1], y[i]);
        low[2] = std::min(low[2], z[i]);
        largest = std::max(largest, r);
    }
    const std::size_t n = members.size();
    if (n < 2) return {};

    // Cells as wide as the longest bond the present elements allow, and a
    // millionth wider: the roundings of the cell numbers are far smaller, so
    // that two atoms closer than the limit lie in the same cell or in
    // neighbouring ones. A number beyond the last is held to it, which keeps
    // neighbours neighbours.
    const double inverse = 1 / ((2 * largest + kBondTolerance) * (1 + 1e-6));
    const auto cellOf = [inverse](double v, double from) -> std::uint64_t {
        const double t = (v - from) * inverse;
        return 1 + (t < static_cast<double>(kLastCell) ? static_cast<std::uint64_t>(t) : kLastCell);
    };
    std::unique_ptr<std::uint64_t[]> keys = Scratch<std::uint64_t>(n);
    std::uint64_t highest[3] = {0, 0, 0};
    for (std::size_t m = 0; m < n; ++m) {
        const auto i = static_cast<std::size_t>(members[m]);
        const std::uint64_t c[3] = {cellOf(x[i], low[0]), cellOf(y[i], low[1]),
                                    cellOf(z[i], low[2])};
        for (int a = 0; a < 3; ++a) highest[a] = std::max(highest[a], c[a]);
        keys[m] = c[0] | (c[1] << 21) | (c[2] << 42);
    }
    // Each field of the key just wide enough for its numbers and the free
    // one after them: a molecule of a million atoms takes some twenty bits,
    // two passes of the sort.
    const int bx = std::bit_width(highest[0] + 1);
    const int by = std::bit_width(highest[1] + 1);
    const int bz = std::bit_width(highest[2] + 1);
    constexpr std::uint64_t kField = (std::uint64_t{1} << 21) - 1;
    for (std::uint64_t& key : std::span(keys.get(), n))
        key = (key & kField) | (((key >> 21) & kField) << bx) | ((key >> 42) << (bx + by));
    SortByKey(std::span(keys.get(), n), members, static_cast<unsigned>(bx + by + bz));

    // The cells in the order of their keys (z, then y, then x), each with
    // its atoms; each cell's key once, in place of the atoms' keys.
    std::vector<std::int32_t> cellStart;
    ReserveLarge(cellStart, n + 1);
    std::size_t cells = 0;
    for (std::size_t m = 0; m < n; ++m) {
        if (m == 0 || keys[m] != keys[cells - 1]) {
            keys[cells++] = keys[m];
            cellStart.push_back(static_cast<std::int32_t>(m));
        }
    }
    cellStart.push_back(static_cast<std::int32_t>(n));
    const std::span<const std::uint64_t> cellKeys(keys.get(), cells);

    // Each cell with itself and with the 13 of its 26 neighbours whose keys
    // are larger, so that each pair of cells is seen once. A neighbour's key
    // is the cell's plus a fixed step, so that the neighbours of the cells
    // in key order come in key order too: one pointer per step walks the
    // cells once.
    std::array<std::uint64_t, 13> steps{};
    std::size_t stepCount = 0;
    for (std::int64_t dz = 0; dz <= 1; ++dz)
        for (std::int64_t dy = -1; dy <= 1; ++dy)
            for (std::int64_t dx = -1; dx <= 1; ++dx) {
                if (dz == 0 && (dy < 0 || (dy == 0 && dx <= 0))) continue;
                steps[stepCount++] = static_cast<std::uint64_t>(
                    dx + dy * (std::int64_t{1} << bx) + dz * (std::int64_t{1} << (bx + by)));
            }
    // The bonds of the cells [begin, end) into found. Room for four bonds an
    // atom, as many as diamond has: only the part written takes memory.
    const auto search = [&](std::size_t begin, std::size_t end, std::vector<Bond>& found) {
        ReserveLarge(found, 4 * static_cast<std::size_t>(cellStart[end] - cellStart[begin]));
        const auto compare = [&](const Site& a, const Site& b) {
            const double dx = b.x - a.x;
            const double dy = b.y - a.y;
            const double dz = b.z - a.z;
            const double squared = dx * dx + dy * dy + dz * dz;
            const double limit = radii[a.element] + radii[b.element] + kBondTolerance;
            if (squared < limit * limit && squared > kShortestBond * kShortestBond)
                found.push_back(a.atom < b.atom ? Bond{a.atom, b.atom} : Bond{b.atom, a.atom});
        };
        std::array<std::size_t, 13> ahead;
        for (std::size_t s = 0; s < steps.size(); ++s) {
            ahead[s] = static_cast<std::size_t>(
                std::lower_bound(cellKeys.begin(), cellKeys.end(), cellKeys[begin] + steps[s]) -
                cellKeys.begin());
        }
        SiteWindow window(members, x, y, z, elements);
        std::array<std::size_t, 13> neighbours;
        for (std::size_t c = begin; c < end; ++c) {
            std::size_t count = 0;
            auto to = static_cast<std::size_t>(cellStart[c + 1]);
            for (std::size_t s = 0; s < steps.size(); ++s) {
                const std::uint64_t target = cellKeys[c] + steps[s];
                std::size_t& p = ahead[s];
                while (p < cells && cellKeys[p] < target) ++p;
                if (p == cells || cellKeys[p] != target) continue;
                neighbours[count++] = p;
                to = std::max(to, static_cast<std::size_t>(cellStart[p + 1]));
            }
            const auto from = static_cast<std::size_t>(cellStart[c]);
            const Site* const held = window.Hold(from, to);
            const Site* const first = held;
            const Site* const last = held + (cellStart[c + 1] - cellStart[c]);
            for (const Site* a = first; a != last; ++a)
                for (const Site* b = a + 1; b != last; ++b) compare(*a, *b);
            for (std::size_t k = 0; k < count; ++k) {
                const std::size_t p = neighbours[k];
                const Site* const other = held + (static_cast<std::size_t>(cellStart[p]) - from);
                const Site* const otherEnd =
                    held + (static_cast<std::size_t>(cellStart[p + 1]) - from);
                for (const Site* a = first; a != last; ++a)
                    for (const Site* b = other; b != otherEnd; ++b) compare(*a, *b);
            }
        }
    };
    // A large molecule's second half of the cells goes to a second
    // processor; the sort below takes the bonds in any order.
    std::array<std::vector<Bond>, 2> found;
    const std::size_t middle = cells / 2;
    if (WorthTwoThreads(n)) {
        RunOnTwoThreads([&] { search(0, middle, found[0]); },
                        [&] { search(middle, cells, found[1]); });
    } else {
        search(0, cells, found[0]);
    }
    std::vector<std::int32_t>().swap(members);
    keys.reset();

    // Sorted by the first atom (a counting sort), then each atom's few
    // partners by the second.
    std::vector<std::int32_t> place = LargeVector<std::int32_t>(last + 2);
    for (const std::vector<Bond>& part : found)
        for (const Bond& bond : part) ++place[static_cast<std::size_t>(bond.First) + 1];
    for (std::size_t i = 1; i < place.size(); ++i) place[i] += place[i - 1];
    std::vector<Bond> bonds = LargeVector<Bond>(found[0].size() + found[1].size());
    for (std::vector<Bond>& part : found) {
        for (const Bond& bond : part)
            bonds[static_cast<std::size_t>(place[static_cast<std::size_t>(bond.First)]++)] = bond;
        std::vector<Bond>().swap(part);
    }
    for (std::size_t from = 0; from < bonds.size();) {
        std::size_t to = from + 1;
        while (to < bonds.size() && bonds[to].First == bonds[from].First) ++to;
        std::sort(bonds.begin() + static_cast<std::ptrdiff_t>(from),
                  bonds.begin() + static_cast<std::ptrdiff_t>(to),
                  [](const Bond& a, const Bond& b) { return a.Second < b.Second; });
        from = to;
    }
    return bonds;
}

}  // namespace pivora
