#pragma once
// The drawing surface of a pane over a Qt image: plain pixels, no
// antialiasing, with exact rules for which pixels each operation covers.

#include <QImage>

#include "view/Canvas.h"

namespace pivora {

// Draws into image, which must outlive the canvas. The brush, the pen and
// the pen position stay from one call to the next and from one redraw to the
// next; they start as a white brush, a black pen of width 1 and (0, 0).
//
// Rectangle covers the columns from the smaller x to one before the larger,
// and the rows likewise; its outline lies inside that area. A line of width
// 1 leaves out its last pixel, so that a chain of lines paints every pixel
// once; wider lines have round ends. A line of no length paints nothing.
// Dots and sticks are written straight into the pixels of a 32-bit image
// (the panes' format), a million dots in milliseconds; other formats are
// painted pixel by pixel.
class QtCanvas : public Canvas {
  public:
    explicit QtCanvas(QImage& image) : image_(image) {}

    void SetBrushColor(Color color) override { brush_ = color; }
    void SetPenColor(Color color) override { penColor_ = color; }
    void SetPenWidth(int width) override { penWidth_ = width; }
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Dots(const DotList& dots) override;
    void Sticks(const StickList& sticks) override;

  private:
    QImage& image_;
    Color brush_ = kWhite;
    Color penColor_ = kBlack;
    int penWidth_ = 1;
    int x_ = 0;
    int y_ = 0;
};

}  // namespace pivora
