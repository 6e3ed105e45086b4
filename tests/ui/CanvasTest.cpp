// The panes' drawing surface: which pixels each operation paints.

#include <gtest/gtest.h>

#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "support/Pixels.h"
#include "ui/QtCanvas.h"
#include "ui/Widgets.h"

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

TEST(Pane, HasNoPictureUntilItsSurfaceIsFirstUsed) {
    QWidget window;
    TImage pane(&window);
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
