// The panes' drawing surface: which pixels each operation paints.

#include <gtest/gtest.h>

#include <QImage>
#include <map>
#include <string>
#include <vector>

#include "ui/QtCanvas.h"
#include "ui/Widgets.h"

namespace pivora::test {
namespace {

// The image as rows of characters: '.' white, 'k' black, 'b' blue, 'r' red,
// 'g' green, '?' anything else.
std::vector<std::string> Pixels(const QImage& image) {
    const std::map<QRgb, char> names = {
        {0xffffff, '.'}, {0x000000, 'k'}, {0x0000ff, 'b'}, {0xff0000, 'r'}, {0x00ff00, 'g'}};
    std::vector<std::string> rows(image.height());
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const auto found = names.find(image.pixel(x, y) & 0xffffff);
            rows[y] += found == names.end() ? '?' : found->second;
        }
    }
    return rows;
}

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
