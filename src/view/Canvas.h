#pragma once
// The drawing surface of one projection pane, as the redraw uses it. The
// window implements it over a pixel image; tests record the calls.

#include <cstdint>
#include <memory>
#include <vector>

namespace pivora {

// Red, green and blue levels, 0 to 255.
struct Color {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

inline constexpr Color kWhite{255, 255, 255};
inline constexpr Color kBlack{0, 0, 0};
inline constexpr Color kBlue{0, 0, 255};
inline constexpr Color kRed{255, 0, 0};

// A filled disc with an edge: the pixels (X + i, Y + j) with i * i + j * j
// <= Radius * (Radius + 1), so radius 0 is the one pixel (X, Y), radius 1 a
// 3 x 3 square, radius 2 a 5 x 5 square without its corners. Those that lie
// outside the disc of radius Radius - EdgeWidth take the Edge color, the
// others Fill; an EdgeWidth of 0 paints all of them Fill, one above Radius
// all of them Edge.
struct Dot {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    Color Fill;
    Color Edge;
    std::uint8_t Radius = 0;
    std::uint8_t EdgeWidth = 0;
    friend bool operator==(const Dot&, const Dot&) = default;
};

// Dots in the order they are painted. Never changed once made, so that a
// canvas or a record may keep the list itself rather than a copy.
using DotList = std::shared_ptr<const std::vector<Dot>>;

// Half a bond: a stick three pixels wide from (X1, Y1) to (X2, Y2). Its
// middle pixels are, for k = 0 to n = max(|X2 - X1|, |Y2 - Y1|), (X1 +
// [k (X2 - X1) / n], Y1 + [k (Y2 - Y1) / n]), [q] the nearest integer to q
// with halves rounded up (n = 0: the one pixel (X1, Y1)). They take Fill;
// beside each, one pixel to either side across the stick's longer
// direction (above and below when |X2 - X1| >= |Y2 - Y1|, else left and
// right) takes Edge, under the middle pixels of the same stick.
struct Stick {
    std::int32_t X1 = 0;
    std::int32_t Y1 = 0;
    std::int32_t X2 = 0;
    std::int32_t Y2 = 0;
    Color Fill;
    Color Edge;
    friend bool operator==(const Stick&, const Stick&) = default;
};

// Sticks in the order they are painted; never changed once made.
using StickList = std::shared_ptr<const std::vector<Stick>>;

// Pixel (0, 0) is the top left corner; columns grow to the right, rows
// downward. Corners and points may lie outside the pane; the pane's edge is
// the only clipping. The brush, pen color and pen width stay as last set.
class Canvas {
  public:
    virtual ~Canvas() = default;
    // Color of the fill of Rectangle.
    virtual void SetBrushColor(Color color) = 0;
    // Color and width in pixels of outlines and lines.
    virtual void SetPenColor(Color color) = 0;
    virtual void SetPenWidth(int width) = 0;
    // Outlined with the pen and filled with the brush, between two corners.
    virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
    // Moves the pen to a pixel without drawing.
    virtual void MoveTo(int x, int y) = 0;
    // Draws a line with the pen from the pen's position to a pixel, which
    // becomes the new position.
    virtual void LineTo(int x, int y) = 0;
    // Paints each dot over those before it; a null list paints nothing.
    // Neither the brush, the pen nor the pen's position changes.
    virtual void Dots(const DotList& dots) = 0;
    // Paints each stick over those before it, its edge and then its middle;
    // a null list paints nothing. Neither the brush, the pen nor the pen's
    // position changes.
    virtual void Sticks(const StickList& sticks) = 0;
};

}  // namespace pivora
