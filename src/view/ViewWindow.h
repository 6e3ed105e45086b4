#pragma once
// The plot window that the three panes share, and its world-to-pixel
// mapping.

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
    std::int32_t PaneHeight = 0;  // pixels, of `Image1`; all panes share it
    std::int32_t PaneWidth = 0;

    // The ranges for a `PlotScale` of s angstrom: -s to s, and the frame
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

}  // namespace pivora
