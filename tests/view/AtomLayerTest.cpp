// The atoms in the panes without a window: the fast mapping against
// ToPixelX / ToPixelY, the dots of a small molecule as recorded calls, the
// front-most atom of a pixel against a plain reference, and picking.

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <tuple>

#include "geometry/TestSupport.h"
#include "view/AtomLayer.h"
#include "view/Redraw.h"

namespace pivora {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

ViewWindow Window(std::int32_t scale) {
    ViewWindow window;
    window.PaneWidth = 209;
    window.PaneHeight = 217;
    window.SetScale(scale);
    return window;
}

// Coordinates that test the mapping hardest: exact ties, the doubles on
// either side of them, the pane's edges and far beyond, and plain ones.
std::vector<double> HardCoordinates(std::int32_t scale, std::mt19937_64& random) {
    std::vector<double> values{0,     -0.0,   kInf, -kInf, std::numeric_limits<double>::quiet_NaN(),
                               1e300, -1e300, 4e9,  -4e9};
    std::uniform_real_distribution<double> inside(-1.2 * std::abs(scale), 1.2 * std::abs(scale));
    for (int i = 0; i < 400; ++i) values.push_back(inside(random));
    // Pixel boundaries: (v + s) * size / (2 s) = k + 1/2.
    for (const int size : {209, 217}) {
        for (int k = -3; k <= size + 3; ++k) {
            const double tie = (k + 0.5) * 2.0 * scale / size - scale;
            values.push_back(tie);
            values.push_back(std::nextafter(tie, kInf));
            values.push_back(std::nextafter(tie, -kInf));
        }
    }
    return values;
}

TEST(PaneMapping, GivesToPixelsPixelOnThePaneAndNoneOffIt) {
    std::mt19937_64 random(7);
    for (const std::int32_t scale : {1, 2, 3, 7, 10, 33, 99, 100, -10}) {
        const ViewWindow window = Window(scale);
        const PaneMapping mapping(window);
        const std::vector<double> values = HardCoordinates(scale, random);
        std::vector<std::int32_t> columns(values.size());
        std::vector<std::int32_t> rows(values.size());
        mapping.Columns(values.data(), values.size(), columns.data());
        mapping.Rows(values.data(), values.size(), rows.data());
        for (std::size_t i = 0; i < values.size(); ++i) {
            const double v = values[i];
            SCOPED_TRACE(testing::Message() << "scale " << scale << " value " << v);
            // One at a time and many at once agree.
            ASSERT_EQ(mapping.Column(v), columns[i]);
            ASSERT_EQ(mapping.Row(v), rows[i]);
            const bool columnOn = mapping.OnPane(columns[i], 0);
            const bool rowOn = mapping.OnPane(0, rows[i]);
            std::int32_t exactColumn = -1;
            std::int32_t exactRow = -1;
            // ToPixelX fails beyond the 32-bit range: that is off the pane.
            try {
                exactColumn = window.ToPixelX(v);
                exactRow = window.ToPixelY(v);
            } catch (const Error&) {
            }
            ASSERT_EQ(columnOn, exactColumn >= 0 && exactColumn < 209);
            ASSERT_EQ(rowOn, exactRow >= 0 && exactRow < 217);
            if (columnOn) {
                ASSERT_EQ(columns[i], exactColumn);
            }
            if (rowOn) {
                ASSERT_EQ(rows[i], exactRow);
            }
        }
    }
}

TEST(PaneMapping, CellsOnPaneAreThePixelsOfThePointsOnIt) {
    std::mt19937_64 random(11);
    const ViewWindow window = Window(10);
    const PaneMapping mapping(window);
    const std::vector<double> h = HardCoordinates(10, random);
    std::vector<double> v(h.rbegin(), h.rend());
    std::vector<std::int32_t> cells(h.size());
    std::vector<std::int32_t> which(h.size());
    const std::size_t found =
        mapping.CellsOnPane(h.data(), v.data(), h.size(), cells.data(), which.data());
    std::size_t expected = 0;
    for (std::size_t k = 0; k < h.size(); ++k) {
        const std::int32_t column = mapping.Column(h[k]);
        const std::int32_t row = mapping.Row(v[k]);
        if (!mapping.OnPane(column, row)) continue;
        ASSERT_LT(expected, found);
        EXPECT_EQ(which[expected], static_cast<std::int32_t>(k));
        EXPECT_EQ(cells[expected], row * 209 + column);
        ++expected;
    }
    EXPECT_EQ(found, expected);
}

TEST(PaneMapping, AWindowOfNoWidthFindsNothingAndNeverFails) {
    ViewWindow zeros;  // what a failed redraw at scale 0 leaves
    const PaneMapping mapping(zeros);
    for (const double v : {0.0, 1.0, -5.0, kInf}) {
        EXPECT_FALSE(mapping.OnPane(mapping.Column(v), mapping.Row(v)));
    }
    ViewWindow scaleZero = Window(0);
    const PaneMapping empty(scaleZero);
    EXPECT_FALSE(empty.OnPane(empty.Column(0), empty.Row(0)));
}

TEST(ElementColor, TheCommonColorsAndPinkForTheUnknown) {
    const auto rgb = [](int z) {
        const Color c = ElementColor(z);
        return (c.Red << 16) | (c.Green << 8) | c.Blue;
    };
    const std::map<int, int> expected = {
        {1, 0xFFFFFF},  {6, 0x909090},   {7, 0x3050F8},  {8, 0xFF0D0D},   {17, 0x1FF01F},
        {26, 0xE06633}, {27, 0xF090A0},  {79, 0xFFD123}, {109, 0xEB0026}, {118, 0xEB0026},
        {0, 0xFF1493},  {119, 0xFF1493}, {-1, 0xFF1493}};
    for (const auto& [z, color] : expected) EXPECT_EQ(rgb(z), color) << z;
}

// "C..." is carbon, "H..." hydrogen, "Fe" iron; anything else unknown.
int TestElement(std::string_view label) {
    if (label.starts_with("Fe")) return 26;
    if (label.starts_with("C")) return 6;
    if (label.starts_with("H")) return 1;
    return 0;
}

AtomTable Labelled(const std::vector<test::Xyz>& where, const std::vector<std::string>& labels) {
    AtomTable atoms = test::MakeTable(where);
    for (std::size_t i = 0; i < labels.size(); ++i) atoms.AtomName[i + 1] = labels[i];
    return atoms;
}

TEST(RingsOf, EveryAtomOfEachVectorsGroupsOnceAndOnlyAtoms) {
    const AtomTable atoms = test::MakeTable({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}});
    VectorDefinition v1{{{4, 0, 2, 4}, {99, 1}}, {{-1, 0, 0, 0}, {}}};
    VectorDefinition v2{{{0, 0, 0, 0}, {}}, {{3, 3, 5, 0}, {2}}};  // 5 is a spare slot
    const AtomRings rings = RingsOf(atoms, v1, v2);
    EXPECT_EQ(rings.Blue, (std::vector<std::int32_t>{1, 2, 4}));
    EXPECT_EQ(rings.Red, (std::vector<std::int32_t>{2, 3}));
}

// One small molecule at scale 10: pixels (115, 98) for (1, 1), (157, 54) for
// (5, 5), the origin at (104, 109).
class AtomDotsTest : public testing::Test {
  protected:
    AtomTable atoms = Labelled({{1, 1, 0}, {5, 5, 1}, {0, 0, 0}, {50, 0, 0}, {1, 1, -2}},
                               {"C1", "H1", "Fe", "X9", "C2"});
    ViewWindow window = Window(10);
    std::vector<std::uint8_t> elements = ElementsOf(atoms, &TestElement);
};

std::string Describe(const Dot& d) {
    char text[96];
    std::snprintf(text, sizeof text, "%d,%d r%d %02X%02X%02X edge %d %02X%02X%02X", d.X, d.Y,
                  d.Radius, d.Fill.Red, d.Fill.Green, d.Fill.Blue, d.EdgeWidth, d.Edge.Red,
                  d.Edge.Green, d.Edge.Blue);
    return text;
}

std::vector<std::string> Describe(const DotList& dots) {
    std::vector<std::string> lines;
    for (const Dot& d : *dots) lines.push_back(Describe(d));
    return lines;
}

TEST_F(AtomDotsTest, BackToFrontInTheElementsColorsWithSmallerHydrogenAndRings) {
    AtomRings rings{{1, 3}, {3}};
    const auto dots = AtomDots(atoms, window, rings, elements);
    // XY, nearer is larger z: C2 (z -2) lies under C1 (z 0) on the same
    // pixel and is not drawn; C1 comes after Fe (0) at equal depth, since
    // the lower index goes on top; X9 at x 50 is off the pane.
    EXPECT_EQ(Describe(dots[0]), (std::vector<std::string>{
                                     "104,109 r7 0000FF edge 0 0000FF",  // Fe's blue ring
                                     "104,109 r5 FF0000 edge 0 FF0000",  // and its red one
                                     "104,109 r3 E06633 edge 1 7B381C",  // Fe
                                     "115,98 r5 0000FF edge 0 0000FF",   // C1's blue ring
                                     "115,98 r3 909090 edge 1 4F4F4F",   // C1
                                     "157,54 r2 FFFFFF edge 1 8C8C8C",   // H1, smaller
                                 }));
    // YZ, nearer is larger x: C2 before C1 at equal depth; y 0 and z 0 of
    // X9 are on the pane, where it hides Fe.
    EXPECT_EQ(Describe(dots[1]), (std::vector<std::string>{
                                     "115,130 r3 909090 edge 1 4F4F4F",  // C2 at y 1, z -2
                                     "115,109 r5 0000FF edge 0 0000FF",  // C1 at y 1, z 0
                                     "115,109 r3 909090 edge 1 4F4F4F",
                                     "157,98 r2 FFFFFF edge 1 8C8C8C",   // H1
                                     "104,109 r3 FF1493 edge 1 8C0B50",  // X9, unknown
                                 }));
    // ZX, nearer is larger y: C2 and C1 at equal depth, C2 first.
    EXPECT_EQ(Describe(dots[2]), (std::vector<std::string>{
                                     "104,109 r7 0000FF edge 0 0000FF",
                                     "104,109 r5 FF0000 edge 0 FF0000",
                                     "104,109 r3 E06633 edge 1 7B381C",
                                     "84,98 r3 909090 edge 1 4F4F4F",
                                     "104,98 r5 0000FF edge 0 0000FF",
                                     "104,98 r3 909090 edge 1 4F4F4F",
                                     "115,54 r2 FFFFFF edge 1 8C8C8C",
                                 }));
}

TEST_F(AtomDotsTest, NoAtomsOnThePaneOrNoWindowGiveEmptyLists) {
    for (const ViewWindow& w : {ViewWindow{}, Window(0)}) {
        for (const DotList& dots : AtomDots(atoms, w, {}, elements)) {
            ASSERT_TRUE(dots);
            EXPECT_TRUE(dots->empty());
        }
    }
    const AtomTable far = test::MakeTable({{1e300, -1e300, 1e20}, {kInf, kInf, -kInf}});
    for (const DotList& dots : AtomDots(far, window, {}, {})) EXPECT_TRUE(dots->empty());
    for (const DotList& dots : AtomDots(AtomTable{}, window, {}, {})) EXPECT_TRUE(dots->empty());
}

// The dots' pixels and order against a plain reference: every atom mapped by
// ToPixelX / ToPixelY, the front-most of each pixel by (depth, then the lower
// index), sorted back to front. Depths repeat and include -0 and +0. The
// last trials are large enough for the fronts to be found on two processors.
TEST(AtomDotsProperty, MatchesAPlainReferenceOnRandomMolecules) {
    std::mt19937_64 random(20261208);
    for (int trial = 0; trial < 42; ++trial) {
        SCOPED_TRACE(trial);
        const int count = trial < 40 ? 3000 : 250000;
        const std::int32_t scale = std::uniform_int_distribution<int>(1, 12)(random);
        const ViewWindow window = Window(scale);
        std::uniform_real_distribution<double> coordinate(-1.3 * scale, 1.3 * scale);
        const double steps[] = {-0.0, 0.0, 0.5, -1.25};
        std::vector<test::Xyz> where;
        for (int i = 0; i < count; ++i) {
            auto pick = [&] {
                return random() % 3 == 0 ? steps[random() % 4] : coordinate(random);
            };
            where.push_back({pick(), pick(), pick()});
        }
        const AtomTable atoms = test::MakeTable(where);
        const auto dots = AtomDots(atoms, window, {}, {});
        for (const PaneId pane : {PaneId::XY, PaneId::YZ, PaneId::ZX}) {
            const PaneAxes axes = AxesOf(pane);
            auto coordinate = [&](std::size_t i, Axis axis) { return where[i - 1][int(axis)]; };
            std::map<std::pair<int, int>, std::size_t> front;
            for (std::size_t i = 1; i <= where.size(); ++i) {
                const int x = window.ToPixelX(coordinate(i, axes.Horizontal));
                const int y = window.ToPixelY(coordinate(i, axes.Vertical));
                if (x < 0 || x >= 209 || y < 0 || y >= 217) continue;
                auto [at, fresh] = front.try_emplace({x, y}, i);
                if (!fresh && coordinate(i, axes.Depth) > coordinate(at->second, axes.Depth)) {
                    at->second = i;
                }
            }
            std::vector<std::tuple<double, long, int, int>> order;  // depth, -index, x, y
            for (const auto& [pixel, i] : front) {
                order.emplace_back(coordinate(i, axes.Depth) + 0.0, -static_cast<long>(i),
                                   pixel.first, pixel.second);
            }
            std::sort(order.begin(), order.end());
            const std::vector<Dot>& got = *dots[static_cast<std::size_t>(pane)];
            ASSERT_EQ(got.size(), order.size());
            for (std::size_t k = 0; k < order.size(); ++k) {
                ASSERT_EQ(got[k].X, std::get<2>(order[k])) << k;
                ASSERT_EQ(got[k].Y, std::get<3>(order[k])) << k;
            }
        }
    }
}

// Atoms 1 to 3 share pixel (115, 98) of XY, 2 and 3 in front at equal
// depth; atom 5 is at (117, 98) and in front of them all; atom 4 at
// (157, 54), and in YZ at (157, 109).
TEST_F(AtomDotsTest, AClickPicksTheNearestAtomWithinFourPixelsFrontMostOnATie) {
    atoms = test::MakeTable({{1, 1, 0}, {1, 1, 2}, {1, 1, 2}, {5, 5, 0}, {1.2, 1, 3}});
    const struct {
        PaneId pane;
        std::int32_t x, y;
        std::int32_t atom;
    } kCases[] = {
        {PaneId::XY, 115, 98, 2},   // nearest; of equal depth the lower index
        {PaneId::XY, 116, 98, 5},   // one pixel from both: the front-most
        {PaneId::XY, 118, 99, 5},   // nearer to atom 5
        {PaneId::XY, 157, 58, 4},   // 4 pixels away
        {PaneId::XY, 161, 54, 4},   // 4 pixels away
        {PaneId::XY, 160, 57, 0},   // 3 and 3 away: beyond 4 pixels
        {PaneId::XY, 161, 55, 0},   // 4 and 1 away
        {PaneId::XY, 0, 0, 0},      // nothing near
        {PaneId::YZ, 157, 109, 4},  // y across, z up
        {PaneId::ZX, 104, 54, 4},   // z across, x up
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(AtomAtPixel(atoms, window, c.pane, c.x, c.y), c.atom)
            << static_cast<int>(c.pane) << ": " << c.x << ", " << c.y;
    }
    EXPECT_EQ(AtomAtPixel(atoms, ViewWindow{}, PaneId::XY, 104, 109), 0);
    EXPECT_EQ(AtomAtPixel(AtomTable{}, window, PaneId::XY, 104, 109), 0);
}

}  // namespace
}  // namespace pivora
