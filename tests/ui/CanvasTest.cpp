// The panes' drawing surface: which pixels each operation paints.

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/Pixels.h"
#include "ui/QtCanvas.h"
#include "ui/Widgets.h"
#include "view/AtomLayer.h"

namespace pivora::test {
namespace {

class CanvasTest : public ::testing::Test {
  protected:
    CanvasTest() : image(8, 6, QImage::Format_RGB32), canvas(image) { image.fill(Qt::white); }
    QImage image;
    QtCanvas canvas;
};

TEST_F(CanvasTest, RectangleLeavesOutItsLastColumnAndRow) {
    canvas.SetBrushColor({0, 255, 0});
    canvas.SetPenColor(kRed);
    canvas.Rectangle(6, 5, 1, 1);  // corners in either order
    EXPECT_EQ(Pixels(image), (std::vector<std::string>{
                                 "........",
                                 ".rrrrr..",
                                 ".rgggr..",
                                 ".rgggr..",
                                 ".rrrrr..",
                                 "........",
                             }));
}

TEST_F(CanvasTest, RectangleBeyondTheEdgesFillsTheWholeImageWithNoBorder) {
    canvas.SetBrushColor(kBlue);
    canvas.Rectangle(-10, 228, 219, -11);
    EXPECT_EQ(Pixels(image), std::vector<std::string>(6, "bbbbbbbb"));
}

TEST_F(CanvasTest, ThinLinesLeaveOutTheirLastPixel) {
    canvas.MoveTo(1, 1);
    canvas.LineTo(5, 1);
    canvas.LineTo(5, 4);
    canvas.MoveTo(-3, 5);
    canvas.LineTo(20, 5);  // runs off both edges
    EXPECT_EQ(Pixels(image), (std::vector<std::string>{
                                 "........",
                                 ".kkkkk..",  // (5, 1) begins the second line
                                 ".....k..",
                                 ".....k..",
                                 "........",
                                 "kkkkkkkk",
                             }));
}

TEST_F(CanvasTest, ALineOfNoLengthPaintsNothing) {
    canvas.SetPenWidth(2);
    canvas.MoveTo(3, 3);
    canvas.LineTo(3, 3);
    EXPECT_EQ(Pixels(image), std::vector<std::string>(6, "........"));
}

TEST_F(CanvasTest, WideLinesReachTheirEndPixelAndKeepThePen) {
    canvas.SetPenWidth(2);
    canvas.SetPenColor(kBlue);
    canvas.MoveTo(1, 2);
    canvas.LineTo(5, 2);
    const QRgb blue = QColor(0, 0, 255).rgb();
    EXPECT_EQ(image.pixel(1, 2), blue);
    EXPECT_EQ(image.pixel(5, 2), blue);
    EXPECT_EQ(image.pixel(7, 2), QColor(Qt::white).rgb());
    canvas.LineTo(5, 5);  // the same pen, from where the last line ended
    EXPECT_EQ(image.pixel(5, 4), blue);
    EXPECT_EQ(image.pixel(0, 0), QColor(Qt::white).rgb());
}

// Radius 1 is a 3 x 3 square, radius 2 a 5 x 5 one without its corners,
// the edge the ring outside the fill's own disc; each dot over the ones
// before it, cut at the image's edges.
TEST_F(CanvasTest, DotsAreDiscsWithAnEdgeEachOverTheOnesBefore) {
    const Color green{0, 255, 0};
    canvas.Dots(std::make_shared<const std::vector<Dot>>(std::vector<Dot>{
        {2, 2, kBlue, kBlue, 2, 0},    // a whole disc: no edge
        {5, 3, green, kBlack, 2, 1},   // a fill of radius 1 in an edge
        {0, 5, kRed, kRed, 1, 0},      // cut by the left and bottom edges
        {7, 0, kBlack, kBlack, 0, 0},  // one pixel
    }));
    EXPECT_EQ(Pixels(image), (std::vector<std::string>{
                                 ".bbb...k",
                                 "bbbbkkk.",
                                 "bbbkgggk",
                                 "bbbkgggk",
                                 "rrbkgggk",
                                 "rr..kkk.",
                             }));
}

TEST_F(CanvasTest, DotsOnAnImageOfAnotherFormatPaintTheSamePixels) {
    QImage other(8, 6, QImage::Format_RGB888);
    other.fill(Qt::white);
    QtCanvas painted(other);
    const auto dots = std::make_shared<const std::vector<Dot>>(
        std::vector<Dot>{{3, 3, {0, 255, 0}, kBlack, 3, 1}, {6, 1, kRed, kBlue, 1, 2}});
    canvas.Dots(dots);
    painted.Dots(dots);
    EXPECT_EQ(Pixels(other), Pixels(image));
    canvas.Dots(nullptr);  // nothing to paint
    EXPECT_EQ(Pixels(other), Pixels(image));
}

// The middle pixels step along the longer direction, the shorter one
// rounded with halves up; the edges lie beside them across it, under every
// middle pixel of the same stick, cut at the image's edges.
TEST_F(CanvasTest, SticksAreThreePixelsWideWithTheirEdgesAcross) {
    canvas.Sticks(std::make_shared<const std::vector<Stick>>(std::vector<Stick>{
        {0, 1, 4, 2, kRed, kBlue},      // across, down by one: the half at x 2 rounds up
        {7, -9, 7, 100, kBlack, kRed},  // down, far off both edges
        {6, 5, 6, 5, kBlack, kBlack},   // one pixel, edged above and below
    }));
    EXPECT_EQ(Pixels(image), (std::vector<std::string>{
                                 "bb....rk",
                                 "rrbbb.rk",
                                 "bbrrr.rk",
                                 "..bbb.rk",
                                 "......kk",
                                 "......kk",
                             }));
}

// What a pane shows with its bonds beneath the dots is the same whether or
// not the sticks that the dots cover, or that lie off the pane, are left
// out: the picture of every bond's two halves, found by ToPixelX / ToPixelY
// and painted from the back to the front, is the picture of the sticks
// AtomsAndBonds keeps.
TEST(SticksProperty, LeavingSticksOutChangesNoPixel) {
    std::mt19937_64 random(7321);
    std::size_t leftOut = 0;
    for (int trial = 0; trial < 24; ++trial) {
        SCOPED_TRACE(trial);
        const std::int32_t scale = std::uniform_int_distribution<int>(1, 12)(random);
        ViewWindow window;
        window.PaneWidth = 209;
        window.PaneHeight = 217;
        window.SetScale(scale);
        // As dense as a liquid, reaching past the panes' edges.
        const double reach = 1.4 * scale;
        const int count = static_cast<int>(0.1 * 8 * reach * reach * reach) + 40;
        std::uniform_real_distribution<double> coordinate(-reach, reach);
        AtomTable atoms;
        atoms.Resize(static_cast<std::size_t>(count) + 10);
        atoms.AtomCount = count;
        std::vector<std::uint8_t> elements(static_cast<std::size_t>(count) + 10);
        for (std::size_t i = 1; i <= static_cast<std::size_t>(count); ++i) {
            atoms.AtomX[i] = coordinate(random);
            atoms.AtomY[i] = coordinate(random);
            atoms.AtomZ[i] = coordinate(random);
            elements[i] = random() % 2 ? 1 : 6;
        }
        const std::vector<Bond> bonds = FindBonds(atoms, elements);
        ASSERT_FALSE(bonds.empty());
        const auto layer = AtomsAndBonds(atoms, window, {}, {}, elements, bonds);
        for (const PaneId pane : {PaneId::XY, PaneId::YZ, PaneId::ZX}) {
            const PaneAxes axes = AxesOf(pane);
            const auto at = [&](std::size_t i, Axis axis) {
                return axis == Axis::X   ? atoms.AtomX[i]
                       : axis == Axis::Y ? atoms.AtomY[i]
                                         : atoms.AtomZ[i];
            };
            std::vector<std::pair<double, Stick>> every;
            for (const Bond& bond : bonds) {
                const auto a = static_cast<std::size_t>(bond.First);
                const auto b = static_cast<std::size_t>(bond.Second);
                const int xa = window.ToPixelX(at(a, axes.Horizontal));
                const int ya = window.ToPixelY(at(a, axes.Vertical));
                const int xb = window.ToPixelX(at(b, axes.Horizontal));
                const int yb = window.ToPixelY(at(b, axes.Vertical));
                const int mx = (xa + xb) >> 1;
                const int my = (ya + yb) >> 1;
                const long double da = at(a, axes.Depth);
                const long double db = at(b, axes.Depth);
                const Color ca = ElementColor(elements[a]);
                const Color cb = ElementColor(elements[b]);
                const auto edge = [](Color c) {
                    return Color{static_cast<std::uint8_t>(c.Red * 55 / 100),
                                 static_cast<std::uint8_t>(c.Green * 55 / 100),
                                 static_cast<std::uint8_t>(c.Blue * 55 / 100)};
                };
                every.push_back(
                    {static_cast<double>(0.75L * da + 0.25L * db), {xa, ya, mx, my, ca, edge(ca)}});
                every.push_back(
                    {static_cast<double>(0.25L * da + 0.75L * db), {mx, my, xb, yb, cb, edge(cb)}});
            }
            std::stable_sort(every.begin(), every.end(),
                             [](const auto& p, const auto& q) { return p.first < q.first; });
            auto all = std::make_shared<std::vector<Stick>>();
            for (const auto& [depth, stick] : every) all->push_back(stick);

            const PaneAtoms& kept = layer[static_cast<std::size_t>(pane)];
            ASSERT_TRUE(kept.Sticks);
            leftOut += all->size() - kept.Sticks->size();
            QImage reference(209, 217, QImage::Format_RGB32);
            QImage shown(209, 217, QImage::Format_RGB32);
            reference.fill(Qt::white);
            shown.fill(Qt::white);
            QtCanvas referenceCanvas(reference);
            QtCanvas shownCanvas(shown);
            referenceCanvas.Sticks(all);
            referenceCanvas.Dots(kept.Dots);
            shownCanvas.Sticks(kept.Sticks);
            shownCanvas.Dots(kept.Dots);
            ASSERT_EQ(shown, reference) << "pane " << static_cast<int>(pane);
        }
    }
    EXPECT_GT(leftOut, 1000u);
}

TEST(Pane, HasNoPictureUntilItsSurfaceIsFirstUsed) {
    QWidget window;
    PaneView pane(&window);
    pane.setGeometry(8, 0, 209, 217);
    EXPECT_FALSE(pane.HasPicture());
    Canvas& surface = pane.Surface();
    ASSERT_TRUE(pane.HasPicture());
    EXPECT_EQ(pane.Picture().size(), QSize(209, 217));
    EXPECT_EQ(pane.Picture().pixel(0, 0), QColor(Qt::white).rgb());
    surface.MoveTo(0, 109);
    surface.LineTo(209, 109);
    EXPECT_EQ(&pane.Surface(), &surface);
    EXPECT_EQ(pane.Picture().pixel(208, 109), QColor(Qt::black).rgb());
}

}  // namespace
}  // namespace pivora::test
