#pragma once
// The drawing surface of one projection pane, as the redraw uses it. The
// window implements it over a pixel image; tests record the calls.

#include <cstdint>

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

// Pixel (0, 0) is the top left corner; columns grow to the right, rows
// downward. Corners and points may lie outside the pane; the pane's edge is
// the only clipping. The brush, pen colour and pen width stay as last set.
class Canvas {
  public:
    virtual ~Canvas() = default;
    // Colour of the fill of Rectangle.
    virtual void SetBrushColor(Color color) = 0;
    // Colour and width in pixels of outlines and lines.
    virtual void SetPenColor(Color color) = 0;
    virtual void SetPenWidth(int width) = 0;
    // Outlined with the pen and filled with the brush, between two corners.
    virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
    // Moves the pen to a pixel without drawing.
    virtual void MoveTo(int x, int y) = 0;
    // Draws a line with the pen from the pen's position to a pixel, which
    // becomes the new position.
    virtual void LineTo(int x, int y) = 0;
};

}  // namespace pivora
