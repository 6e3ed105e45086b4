#include "view/AtomLayer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <memory>

#include "parallel/TwoThreads.h"

namespace pivora {

namespace {

// Fill radii (see Dot): a 5-pixel dot for hydrogen, 7 for the others at
// most, their edges included, so that atoms a bond apart stay apart at the
// usual scales of 5 to 10 angstrom (a C-H bond is 11 pixels at scale 10).
constexpr std::uint8_t kHydrogenRadius = 1;
constexpr std::uint8_t kAtomRadius = 2;
// The edge is one pixel wider than the fill, each ring two wider again.
constexpr std::uint8_t kEdgeWidth = 1;
constexpr std::uint8_t kRingWidth = 2;
// The measuring mark's ring.
constexpr std::uint8_t kMarkWidth = 2;

constexpr Color kUnknownElement{255, 20, 147};

// Jmol's element colors, 1 to 109; the heavier elements take meitnerium's.
constexpr std::uint32_t kJmolColors[] = {
    0xFFFFFF, 0xD9FFFF, 0xCC80FF, 0xC2FF00, 0xFFB5B5, 0x909090, 0x3050F8, 0xFF0D0D, 0x90E050,
    0xB3E3F5, 0xAB5CF2, 0x8AFF00, 0xBFA6A6, 0xF0C8A0, 0xFF8000, 0xFFFF30, 0x1FF01F, 0x80D1E3,
    0x8F40D4, 0x3DFF00, 0xE6E6E6, 0xBFC2C7, 0xA6A6AB, 0x8A99C7, 0x9C7AC7, 0xE06633, 0xF090A0,
    0x50D050, 0xC88033, 0x7D80B0, 0xC28F8F, 0x668F8F, 0xBD80E3, 0xFFA100, 0xA62929, 0x5CB8D1,
    0x702EB0, 0x00FF00, 0x94FFFF, 0x94E0E0, 0x73C2C9, 0x54B5B5, 0x3B9E9E, 0x248F8F, 0x0A7D8C,
    0x006985, 0xC0C0C0, 0xFFD98F, 0xA67573, 0x668080, 0x9E63B5, 0xD47A00, 0x940094, 0x429EB0,
    0x57178F, 0x00C900, 0x70D4FF, 0xFFFFC7, 0xD9FFC7, 0xC7FFC7, 0xA3FFC7, 0x8FFFC7, 0x61FFC7,
    0x45FFC7, 0x30FFC7, 0x1FFFC7, 0x00FF9C, 0x00E675, 0x00D452, 0x00BF38, 0x00AB24, 0x4DC2FF,
    0x4DA6FF, 0x2194D6, 0x267DAB, 0x266696, 0x175487, 0xD0D0E0, 0xFFD123, 0xB8B8D0, 0xA6544D,
    0x575961, 0x9E4FB5, 0xAB5C00, 0x754F45, 0x428296, 0x420066, 0x007D00, 0x70ABFA, 0x00BAFF,
    0x00A1FF, 0x008FFF, 0x0080FF, 0x006BFF, 0x545CF2, 0x785CE3, 0x8A4FE3, 0xA136D4, 0xB31FD4,
    0xB31FBA, 0xB30DA6, 0xBD0D87, 0xC70066, 0xCC0059, 0xD1004F, 0xD90045, 0xE00038, 0xE6002E,
    0xEB0026,
};
constexpr int kColoredElements = static_cast<int>(std::size(kJmolColors));
constexpr int kElements = 118;

// The edge of a dot: its color at 55 %, so that white hydrogen shows on the
// white pane and touching atoms stay apart.
Color EdgeOf(Color fill) {
    const auto darker = [](std::uint8_t level) {
        return static_cast<std::uint8_t>(level * 55 / 100);
    };
    return {darker(fill.Red), darker(fill.Green), darker(fill.Blue)};
}

const double* Coordinates(const AtomTable& atoms, Axis axis) {
    return axis == Axis::X   ? atoms.AtomX.data()
           : axis == Axis::Y ? atoms.AtomY.data()
                             : atoms.AtomZ.data();
}

// One pane's atoms as the mapping finds them.
struct PaneCoordinates {
    const double* horizontal;
    const double* vertical;
    const double* depth;
    PaneCoordinates(const AtomTable& atoms, PaneId pane) {
        const PaneAxes axes = AxesOf(pane);
        horizontal = Coordinates(atoms, axes.Horizontal);
        vertical = Coordinates(atoms, axes.Vertical);
        depth = Coordinates(atoms, axes.Depth);
    }
};

// Depths compared as floats first: a rounding to the nearest float never
// turns an order round, so unequal floats decide; equal ones (rare) are
// told apart by the depths themselves. -0 becomes +0, equal to it as a
// depth.
float DepthKey(double depth) {
    return static_cast<float>(depth) + 0.0f;
}

// The order of float keys as unsigned integers, for the radix sort.
std::uint32_t SortKey(float key) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(key);
    return (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
}

// The front-most atom at each pixel of a pane: at most one dot per pixel
// center is drawn, however many atoms a million-atom pane holds. A cell is 8
// bytes, so that the three panes' cells stay in the processor's caches.

class FrontAtoms {
  public:
    FrontAtoms(std::int32_t width, std::int32_t height, const double* depths)
        : width_(width),
          depths_(depths),
          cells_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

    // Atoms are offered in rising index, so that at equal depth the lowest
    // index stays. Without a jump where the keys differ: which atom stays is
    // data, not a branch the processor could guess.
    void Offer(std::int32_t at, std::int32_t atom) {
        Cell& cell = cells_[static_cast<std::size_t>(at)];
        const double depth = depths_[atom];
        const float key = DepthKey(depth);
        bool nearer = key > cell.key;
        if (key == cell.key) [[unlikely]] {
            nearer = cell.atom == 0 || depth > depths_[cell.atom];
        }
        cell.key = nearer ? key : cell.key;
        cell.atom = nearer ? atom : cell.atom;
    }

    // Takes in the fronts of later, which was offered only atoms of higher
    // index than this one: the result is what offering them all here would
    // have given.
    void MergeFrom(const FrontAtoms& later) {
        for (std::size_t at = 0; at < later.cells_.size(); ++at) {
            if (later.cells_[at].atom != 0)
                Offer(static_cast<std::int32_t>(at), later.cells_[at].atom);
        }
    }

    void Prefetch(std::int32_t at) const {
        __builtin_prefetch(&cells_[static_cast<std::size_t>(at)], 1);
    }

    struct Front {
        std::uint32_t key;
        std::int32_t atom;
        std::int32_t x;
        std::int32_t y;
    };
    // The atoms that show, from the back to the front.
    std::vector<Front> BackToFront() const {
        std::vector<Front> fronts;
        fronts.reserve(cells_.size());
        const std::size_t height =
            width_ > 0 ? cells_.size() / static_cast<std::size_t>(width_) : 0;
        const Cell* cell = cells_.data();
        for (std::int32_t y = 0; y < static_cast<std::int32_t>(height); ++y) {
            for (std::int32_t x = 0; x < width_; ++x, ++cell) {
                if (cell->atom != 0) fronts.push_back({SortKey(cell->key), cell->atom, x, y});
            }
        }
        RadixSort(fronts);
        // Equal keys: by the depths themselves, then the higher index first.
        for (auto run = fronts.begin(); run != fronts.end();) {
            const auto end =
                std::find_if(run, fronts.end(), [&](const Front& f) { return f.key != run->key; });
            if (end - run > 1) {
                std::sort(run, end, [this](const Front& a, const Front& b) {
                    const double da = depths_[a.atom];
                    const double db = depths_[b.atom];
                    return da != db ? da < db : a.atom > b.atom;
                });
            }
            run = end;
        }
        return fronts;
    }

  private:
    struct Cell {
        float key = -std::numeric_limits<float>::infinity();
        std::int32_t atom = 0;  // 0: no atom at this pixel
    };

    // Stable, by key, 11 bits at a time: tens of thousands of fronts in a
    // fraction of what comparisons would take.
    static void RadixSort(std::vector<Front>& fronts) {
        constexpr int kBits = 11;
        constexpr std::uint32_t kMask = (1u << kBits) - 1;
        std::vector<Front> sorted(fronts.size());
        std::vector<std::size_t> start(kMask + 2);
        for (int shift = 0; shift < 32; shift += kBits) {
            std::fill(start.begin(), start.end(), 0);
            for (const Front& f : fronts) ++start[((f.key >> shift) & kMask) + 1];
            // All in one bucket: this digit orders nothing.
            if (std::find(start.begin(), start.end(), fronts.size()) != start.end()) continue;
            for (std::size_t b = 1; b < start.size(); ++b) start[b] += start[b - 1];
            for (const Front& f : fronts) sorted[start[(f.key >> shift) & kMask]++] = f;
            fronts.swap(sorted);
        }
    }

    std::int32_t width_;
    const double* depths_;
    std::vector<Cell> cells_;
};

DotList DotsOf(const FrontAtoms& fronts, const AtomRings& rings,
               std::span<const std::int32_t> measured, std::span<const std::uint8_t> elements) {
    auto dots = std::make_shared<std::vector<Dot>>();
    const std::vector<FrontAtoms::Front> order = fronts.BackToFront();
    dots->reserve(order.size());
    for (const FrontAtoms::Front& front : order) {
        const std::int32_t x = front.x;
        const std::int32_t y = front.y;
        const auto slot = static_cast<std::size_t>(front.atom);
        const int number = slot < elements.size() ? elements[slot] : 0;
        const Color fill = ElementColor(number);
        const std::uint8_t radius = number == 1 ? kHydrogenRadius : kAtomRadius;
        const auto edge = static_cast<std::uint8_t>(radius + kEdgeWidth);
        const bool blue = std::binary_search(rings.Blue.begin(), rings.Blue.end(), front.atom);
        const bool red = std::binary_search(rings.Red.begin(), rings.Red.end(), front.atom);
        if (std::binary_search(measured.begin(), measured.end(), front.atom)) {
            // White inside, so that a gap parts the mark from the rings.
            const int rings = (blue ? 1 : 0) + (red ? 1 : 0);
            const auto outer =
                static_cast<std::uint8_t>(edge + rings * kRingWidth + 1 + kMarkWidth);
            dots->push_back({x, y, kWhite, kMeasureColor, outer, kMarkWidth});
        }
        // A ring is a disc under the atom's; for an atom of both vectors the
        // blue ring lies outside the red one.
        if (blue) {
            const auto outer = static_cast<std::uint8_t>(edge + (red ? 2 : 1) * kRingWidth);
            dots->push_back({x, y, kBlue, kBlue, outer, 0});
        }
        if (red) {
            dots->push_back({x, y, kRed, kRed, static_cast<std::uint8_t>(edge + kRingWidth), 0});
        }
        dots->push_back({x, y, fill, EdgeOf(fill), edge, kEdgeWidth});
    }
    return dots;
}

std::vector<std::int32_t> GroupAtoms(const AtomTable& atoms, const VectorDefinition& vector) {
    std::vector<std::int32_t> found;
    for (const AtomGroup* group : {&vector.Tail, &vector.Head}) {
        for (const long long index : group->Selection) {
            if (atoms.IsAtom(index)) found.push_back(static_cast<std::int32_t>(index));
        }
        for (const long long index : group->More) {
            if (atoms.IsAtom(index)) found.push_back(static_cast<std::int32_t>(index));
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

// The pixels of a pane that its dots paint over, as QtCanvas paints them
// (i * i + j * j <= r * (r + 1) around each centre): a stick that shows
// nowhere else need not be drawn. A summed table of the pixels left open
// answers for any rectangle at once.
class DotCover {
  public:
    DotCover(std::int32_t width, std::int32_t height, const std::vector<Dot>& dots)
        : width_(width), height_(height) {
        const auto w = static_cast<std::size_t>(width);
        std::vector<std::uint8_t> painted(w * static_cast<std::size_t>(height));
        for (const Dot& dot : dots) {
            const int r = dot.Radius;
            const int limit = r * (r + 1);
            int half = r;
            for (int dy = 0; dy <= r; ++dy) {
                while (half * half + dy * dy > limit) --half;
                const int left = std::max(dot.X - half, 0);
                const int right = std::min(dot.X + half, width - 1);
                if (left > right) continue;
                for (const int y : {dot.Y - dy, dot.Y + dy}) {
                    if (y < 0 || y >= height) continue;
                    std::fill_n(painted.begin() + static_cast<std::ptrdiff_t>(y) * width + left,
                                right - left + 1, 1);
                }
            }
        }
        open_.assign((w + 1) * static_cast<std::size_t>(height + 1), 0);
        for (std::int32_t y = 0; y < height; ++y) {
            std::int32_t row = 0;
            for (std::int32_t x = 0; x < width; ++x) {
                row +=
                    painted[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] ? 0 : 1;
                At(x + 1, y + 1) = At(x + 1, y) + row;
            }
        }
    }

    // Whether the dots paint every pixel of the pane in columns left to
    // right and rows top to bottom; pixels off the pane count as painted.
    bool Covers(std::int64_t left, std::int64_t top, std::int64_t right,
                std::int64_t bottom) const {
        const auto l = static_cast<std::int32_t>(std::max<std::int64_t>(left, 0));
        const auto t = static_cast<std::int32_t>(std::max<std::int64_t>(top, 0));
        const auto r = static_cast<std::int32_t>(std::min<std::int64_t>(right, width_ - 1));
        const auto b = static_cast<std::int32_t>(std::min<std::int64_t>(bottom, height_ - 1));
        if (l > r || t > b) return true;
        return At(r + 1, b + 1) - At(l, b + 1) - At(r + 1, t) + At(l, t) == 0;
    }

  private:
    std::int32_t& At(std::int32_t x, std::int32_t y) {
        return open_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_ + 1) +
                     static_cast<std::size_t>(x)];
    }
    std::int32_t At(std::int32_t x, std::int32_t y) const {
        return open_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_ + 1) +
                     static_cast<std::size_t>(x)];
    }

    std::int32_t width_;
    std::int32_t height_;
    std::vector<std::int32_t> open_;
};

// The pixel of an atom for its bonds: the mapping's, exact on the pane; off
// it ToPixelX / ToPixelY's, where that cannot fail. Far off (2^30 pixels,
// beyond any bond's reach of the pane) or not finite: none. Before that,
// the sides of the pane an atom lies beyond by more than the width of a
// stick, from a pixel in double precision (near the pane never half a pixel
// off the exact one): a bond with both atoms beyond one side never shows,
// and most bonds of a large molecule seen close up need no more than this.
struct BondEnds {
    const ViewWindow& window;
    const PaneMapping& mapping;
    const PaneCoordinates& at;
    std::vector<std::int32_t> columns;
    std::vector<std::int32_t> rows;
    std::vector<std::uint8_t> sides;

    BondEnds(const ViewWindow& w, const PaneMapping& m, const PaneCoordinates& c, std::size_t last)
        : window(w), mapping(m), at(c), columns(last + 1), rows(last + 1), sides(last + 1) {
        mapping.Columns(at.horizontal + 1, last, columns.data() + 1);
        mapping.Rows(at.vertical + 1, last, rows.data() + 1);
        const double across = window.PaneWidth / (window.XMax - window.XMin);
        const double down = window.PaneHeight / (window.YMax - window.YMin);
        const double width = window.PaneWidth;
        const double height = window.PaneHeight;
        for (std::size_t i = 1; i <= last; ++i) {
            const double x = (at.horizontal[i] - window.XMin) * across;
            const double y = height - (at.vertical[i] - window.YMin) * down;
            sides[i] = static_cast<std::uint8_t>((x < -3 ? 1 : 0) | (x > width + 2 ? 2 : 0) |
                                                 (y < -3 ? 4 : 0) | (y > height + 2 ? 8 : 0));
        }
    }

    // Whether a stick between atoms a and b lies wholly beyond one side.
    bool Beyond(std::size_t a, std::size_t b) const { return (sides[a] & sides[b]) != 0; }

    bool Pixel(std::size_t atom, std::int32_t& column, std::int32_t& row) const {
        column = columns[atom];
        row = rows[atom];
        if (mapping.OnPane(column, row)) return true;
        const double h = at.horizontal[atom];
        const double v = at.vertical[atom];
        // In extended precision, which no double overflows.
        const auto near = [](double value, double min, double max, std::int32_t size) {
            const long double quotient = (static_cast<long double>(value) - min) * size /
                                         (static_cast<long double>(max) - min);
            return fabsl(quotient) < 0x1p30L;
        };
        if (!near(h, window.XMin, window.XMax, window.PaneWidth) ||
            !near(v, window.YMin, window.YMax, window.PaneHeight)) {
            return false;
        }
        column = window.ToPixelX(h);
        row = window.ToPixelY(v);
        return true;
    }
};

StickList SticksOf(const AtomTable& atoms, const ViewWindow& window, PaneId pane,
                   std::span<const Bond> bonds, std::span<const std::uint8_t> elements,
                   const std::vector<Dot>& dots) {
    const std::size_t last = atoms.LastAtom();
    if (bonds.empty() || last == 0 || !(window.XMax != window.XMin) ||
        !(window.YMax != window.YMin) || window.PaneWidth <= 0 || window.PaneHeight <= 0) {
        return nullptr;
    }
    const PaneMapping mapping(window);
    const PaneCoordinates at(atoms, pane);
    const BondEnds ends(window, mapping, at, last);
    const DotCover cover(window.PaneWidth, window.PaneHeight, dots);
    struct Half {
        double depth;
        Stick stick;
    };
    std::vector<Half> halves;
    const auto colorOf = [&](std::size_t atom) {
        return ElementColor(atom < elements.size() ? elements[atom] : 0);
    };
    for (const Bond& bond : bonds) {
        const auto a = static_cast<std::size_t>(bond.First);
        const auto b = static_cast<std::size_t>(bond.Second);
        if (a < 1 || b < 1 || a > last || b > last || ends.Beyond(a, b)) continue;
        std::int32_t xa, ya, xb, yb;
        if (!ends.Pixel(a, xa, ya) || !ends.Pixel(b, xb, yb)) continue;
        // A stick's pixels lie within its ends' box and one pixel around it.
        if (cover.Covers(std::int64_t{std::min(xa, xb)} - 1, std::int64_t{std::min(ya, yb)} - 1,
                         std::int64_t{std::max(xa, xb)} + 1, std::int64_t{std::max(ya, yb)} + 1)) {
            continue;
        }
        const auto middleX = static_cast<std::int32_t>((std::int64_t{xa} + xb) >> 1);
        const auto middleY = static_cast<std::int32_t>((std::int64_t{ya} + yb) >> 1);
        const long double da = at.depth[a];
        const long double db = at.depth[b];
        const Color fillA = colorOf(a);
        const Color fillB = colorOf(b);
        halves.push_back({static_cast<double>(0.75L * da + 0.25L * db),
                          {xa, ya, middleX, middleY, fillA, EdgeOf(fillA)}});
        halves.push_back({static_cast<double>(0.25L * da + 0.75L * db),
                          {middleX, middleY, xb, yb, fillB, EdgeOf(fillB)}});
    }
    if (halves.empty()) return nullptr;
    for (Half& half : halves) {
        if (std::isnan(half.depth)) half.depth = -INFINITY;
    }
    std::stable_sort(halves.begin(), halves.end(),
                     [](const Half& p, const Half& q) { return p.depth < q.depth; });
    auto sticks = std::make_shared<std::vector<Stick>>();
    sticks->reserve(halves.size());
    for (const Half& half : halves) sticks->push_back(half.stick);
    return sticks;
}

}  // namespace

PaneAxes AxesOf(PaneId pane) {
    switch (pane) {
        case PaneId::XY:
            return {Axis::X, Axis::Y, Axis::Z};
        case PaneId::YZ:
            return {Axis::Y, Axis::Z, Axis::X};
        case PaneId::ZX:
            break;
    }
    return {Axis::Z, Axis::X, Axis::Y};
}

Color ElementColor(int atomicNumber) {
    if (atomicNumber < 1 || atomicNumber > kElements) return kUnknownElement;
    const std::uint32_t rgb = kJmolColors[std::min(atomicNumber, kColoredElements) - 1];
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb)};
}

AtomRings RingsOf(const AtomTable& atoms, const VectorDefinition& vector1,
                  const VectorDefinition& vector2) {
    return {GroupAtoms(atoms, vector1), GroupAtoms(atoms, vector2)};
}

std::vector<std::uint8_t> ElementsOf(const AtomTable& atoms, ElementLookup element) {
    std::vector<std::uint8_t> elements(atoms.Capacity());
    for (std::size_t i = 1; i <= atoms.LastAtom(); ++i) {
        elements[i] = static_cast<std::uint8_t>(element(atoms.AtomName[i]));
    }
    return elements;
}

namespace {

std::array<FrontAtoms, 3> FindFronts(const AtomTable& atoms, const ViewWindow& window) {
    const PaneMapping mapping(window);
    const std::int32_t width = std::max(window.PaneWidth, 0);
    const std::int32_t height = std::max(window.PaneHeight, 0);
    const PaneCoordinates panes[3] = {
        {atoms, PaneId::XY}, {atoms, PaneId::YZ}, {atoms, PaneId::ZX}};
    std::array<FrontAtoms, 3> fronts{FrontAtoms(width, height, panes[0].depth),
                                     FrontAtoms(width, height, panes[1].depth),
                                     FrontAtoms(width, height, panes[2].depth)};
    // One pass over the atoms for all three panes, so that each coordinate
    // is read from memory once, in blocks: first every pixel of the block,
    // then the offers, each cell asked for ahead of its use, so that the
    // fetches overlap rather than each waiting for the one before.
    auto offer = [&](std::size_t from, std::size_t to, std::array<FrontAtoms, 3>& into) {
        constexpr std::size_t kBlock = 256;
        std::array<std::int32_t, kBlock> cells;
        std::array<std::int32_t, kBlock> which;
        for (std::size_t first = from; first <= to; first += kBlock) {
            const std::size_t n = std::min(to + 1 - first, kBlock);
            for (std::size_t p = 0; p < 3; ++p) {
                const std::size_t count =
                    mapping.CellsOnPane(panes[p].horizontal + first, panes[p].vertical + first, n,
                                        cells.data(), which.data());
                // Each cell is asked for a few offers before it is needed.
                constexpr std::size_t kAhead = 16;
                for (std::size_t k = 0; k < std::min(count, kAhead); ++k) {
                    into[p].Prefetch(cells[k]);
                }
                for (std::size_t k = 0; k < count; ++k) {
                    if (k + kAhead < count) into[p].Prefetch(cells[k + kAhead]);
                    into[p].Offer(cells[k], static_cast<std::int32_t>(first) + which[k]);
                }
            }
        }
    };
    const std::size_t last = atoms.LastAtom();
    if (WorthTwoThreads(last)) {
        // A large molecule's second half goes to a second processor; its
        // fronts then join the first half's as later offers would.
        std::array<FrontAtoms, 3> later{FrontAtoms(width, height, panes[0].depth),
                                        FrontAtoms(width, height, panes[1].depth),
                                        FrontAtoms(width, height, panes[2].depth)};
        const std::size_t middle = last / 2;
        RunOnTwoThreads([&] { offer(1, middle, fronts); }, [&] { offer(middle + 1, last, later); });
        for (std::size_t p = 0; p < 3; ++p) fronts[p].MergeFrom(later[p]);
    } else {
        offer(1, last, fronts);
    }
    return fronts;
}

}  // namespace

std::array<DotList, 3> AtomDots(const AtomTable& atoms, const ViewWindow& window,
                                const AtomRings& rings, std::span<const std::uint8_t> elements) {
    const std::array<FrontAtoms, 3> fronts = FindFronts(atoms, window);
    std::array<DotList, 3> dots;
    for (std::size_t p = 0; p < 3; ++p) dots[p] = DotsOf(fronts[p], rings, {}, elements);
    return dots;
}

std::array<PaneAtoms, 3> AtomsAndBonds(const AtomTable& atoms, const ViewWindow& window,
                                       const AtomRings& rings,
                                       std::span<const std::int32_t> measured,
                                       std::span<const std::uint8_t> elements,
                                       std::span<const Bond> bonds) {
    std::vector<std::int32_t> marked;
    for (const std::int32_t atom : measured) {
        if (atoms.IsAtom(atom)) marked.push_back(atom);
    }
    std::sort(marked.begin(), marked.end());
    const std::array<FrontAtoms, 3> fronts = FindFronts(atoms, window);
    std::array<PaneAtoms, 3> layer;
    for (std::size_t p = 0; p < 3; ++p) {
        layer[p].Dots = DotsOf(fronts[p], rings, marked, elements);
        layer[p].Sticks =
            SticksOf(atoms, window, static_cast<PaneId>(p), bonds, elements, *layer[p].Dots);
    }
    return layer;
}

std::int32_t AtomAtPixel(const AtomTable& atoms, const ViewWindow& window, PaneId pane,
                         std::int32_t x, std::int32_t y) {
    const PaneMapping mapping(window);
    const PaneCoordinates coordinates(atoms, pane);
    std::int32_t best = 0;
    std::int64_t bestDistance = 0;
    double bestDepth = 0;
    const std::size_t last = atoms.LastAtom();
    for (std::size_t i = 1; i <= last; ++i) {
        const std::int32_t column = mapping.Column(coordinates.horizontal[i]);
        const std::int32_t row = mapping.Row(coordinates.vertical[i]);
        if (!mapping.OnPane(column, row)) continue;
        const std::int64_t dx = std::int64_t{column} - x;
        const std::int64_t dy = std::int64_t{row} - y;
        const std::int64_t distance = dx * dx + dy * dy;
        if (distance > kPickRadius * kPickRadius) continue;
        const double depth = coordinates.depth[i];
        // Strictly nearer, or as near and strictly in front: a later atom of
        // equal depth never replaces an earlier one.
        if (best == 0 || distance < bestDistance ||
            (distance == bestDistance && depth > bestDepth)) {
            best = static_cast<std::int32_t>(i);
            bestDistance = distance;
            bestDepth = depth;
        }
    }
    return best;
}

}  // namespace pivora
