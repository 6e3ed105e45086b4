#pragma once
// The plot window that the three panes share, and its world-to-pixel
// mapping.

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace pivora {

// Every value is set at the start of each redraw and kept until the next
// one. "Horizontal" and "vertical" are the pane's own directions: in the YZ
// pane the horizontal range applies to world y, in the ZX pane to world z.
struct ViewWindow {
    double XMin = 0;  // horizontal range, angstrom
    double XMax = 0;
    double YMin = 0;  // vertical range, angstrom
    double YMax = 0;
    double FrameXMin = 0;  // frame limits: 1.1 times the range
    double FrameXMax = 0;
    double FrameYMin = 0;
    double FrameYMax = 0;
    std::int32_t PaneHeight = 0;  // pixels; all three panes share it
    std::int32_t PaneWidth = 0;

    // The ranges for a plot scale of s angstrom: -s to s, and the frame
    // limits -1.1 s to 1.1 s, each the product with 1.1 formed in extended
    // precision and rounded once to a double (so s = 3 gives exactly 3.3).
    // s = 0 leaves a window of zeros, which the first mapping rejects; a
    // negative s turns the picture half a turn about the origin pixel.
    void SetScale(std::int32_t s);

    // The pixel column of horizontal world coordinate h (angstrom): the
    // nearest integer, ties to even, to (h - XMin) * PaneWidth / (XMax -
    // XMin), each step in extended precision. The origin lands on column 104
    // of a 209-pixel pane. Throws the invalid-operation error for an empty
    // range (scale 0: 0/0) and for a column outside the 32-bit range
    // (components beyond about 10^7 times the scale).
    std::int32_t ToPixelX(double h) const;

    // The pixel row of vertical world coordinate v: PaneHeight minus the
    // nearest integer, ties to even, to (v - YMin) * PaneHeight / (YMax -
    // YMin); larger v lies higher up. The origin lands on row 109 of a
    // 217-pixel pane. Fails like ToPixelX.
    std::int32_t ToPixelY(double v) const;
};

// ToPixelX and ToPixelY for many coordinates: the very same pixels, found in
// double precision where its rounding error cannot change the nearest
// integer, and by ToPixelX / ToPixelY themselves within a hair of a tie.
// Pixels off the pane are not worked out: Column and Row then give some
// pixel off the pane (not ToPixelX's), and so do an infinite coordinate, one
// that is not a number, and every coordinate of a window with an empty range
// (scale 0). Nothing fails. No branch depends on where a coordinate lies, so
// that a million atoms scattered on and off the pane cost no mispredicted
// jumps. The window must outlive the mapping and keep its values meanwhile.
class PaneMapping {
  public:
    explicit PaneMapping(const ViewWindow& window);

    // The column of horizontal world coordinate h, as ToPixelX(h) gives it
    // when that lies on the pane.
    std::int32_t Column(double h) const { return columns_.Map(h); }
    // The row of vertical world coordinate v, as ToPixelY(v) gives it when
    // that lies on the pane.
    std::int32_t Row(double v) const { return rows_.Map(v); }
    // The same for values[0..count), into pixels[0..count): the columns or
    // the rows of many coordinates at once, two at a time where the
    // processor can.
    void Columns(const double* values, std::size_t count, std::int32_t* pixels) const {
        columns_.MapMany(values, count, pixels);
    }
    void Rows(const double* values, std::size_t count, std::int32_t* pixels) const {
        rows_.MapMany(values, count, pixels);
    }
    // The pixels of points (horizontal[k], vertical[k]) for k < count that
    // lie on the pane: for each, in rising k, its cell row * PaneWidth +
    // column goes to cells and k to which. Returns how many.
    std::size_t CellsOnPane(const double* horizontal, const double* vertical, std::size_t count,
                            std::int32_t* cells, std::int32_t* which) const;
    // Whether a column and a row lie on the pane.
    bool OnPane(std::int32_t column, std::int32_t row) const {
        return (static_cast<std::uint32_t>(column) < static_cast<std::uint32_t>(columns_.size)) &
               (static_cast<std::uint32_t>(row) < static_cast<std::uint32_t>(rows_.size));
    }

  private:
    struct Direction {
        const ViewWindow* window = nullptr;
        bool vertical = false;
        double min = 0;
        double factor = 0;   // size / range, rounded once to a double
        double limit = -2;   // size + 1: quotients beyond it are off the pane
        double certain = 0;  // a distance from the nearest integer below this decides
        std::int32_t size = 0;

        std::int32_t Map(double value) const {
            // Adding and taking away 1.5 * 2^52 rounds a smaller magnitude to
            // an integer, ties to even, as the current rounding mode does.
            constexpr double kShift = 0x1.8p52;
            double quotient = (value - min) * factor;
            // Off the pane either way; a quotient that is not a number fails
            // the first test and becomes -2.
            quotient = quotient > -2 ? quotient : -2;
            quotient = quotient < limit ? quotient : limit;
            const double nearest = (quotient + kShift) - kShift;
            if (!(std::fabs(quotient - nearest) < certain)) [[unlikely]] {
                return vertical ? window->ToPixelY(value) : window->ToPixelX(value);
            }
            const auto p = static_cast<std::int32_t>(nearest);
            return vertical ? size - p : p;
        }
        void MapMany(const double* values, std::size_t count, std::int32_t* pixels) const;
    };
    static Direction MakeDirection(const ViewWindow& window, bool vertical);

    Direction columns_;
    Direction rows_;
};

}  // namespace pivora
