#pragma once
// The camera of the 3-D view: an orthographic projection of the molecule
// onto a viewport of pixels, and how the mouse turns, zooms and pans it.
// The camera moves; the coordinates never do.
//
// View space: x to the right, y up and z toward the viewer, in angstrom,
// with the camera's centre at the origin. Pixels: (0, 0) is the top left
// corner, columns grow to the right and rows downward; pixel (c, r) covers
// [c, c + 1) x [r, r + 1), so the viewport's centre is at (width / 2,
// height / 2).

#include <array>

#include "geometry/Axis.h"
#include "structure/Vec3.h"

namespace pivora {

// A point on the viewport (pixels, x to the right, y down) and its depth:
// view-space z in angstrom, larger nearer to the viewer.
struct ScreenPoint {
    double X = 0;
    double Y = 0;
    double Depth = 0;
};

// A sphere that holds what a fit must show: centre and radius in angstrom.
struct Extent {
    Vec3 Centre;
    double Radius = 0;
};

class Camera3D {
  public:
    // A viewport of 1 x 1 pixel seen from +z, 1 pixel an angstrom.
    Camera3D() = default;

    // The viewport's size in pixels, at least 1 x 1. The centre of the view
    // stays at the viewport's centre, the scale stays.
    void SetViewport(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Seen from the positive end of axis, toward the origin, as the pane
    // that leaves that axis out shows it: from +z x to the right and y up
    // (XY), from +x y to the right and z up (YZ), from +y z to the right and
    // x up (ZX). Centre and scale stay.
    void ViewFrom(Axis axis);

    // Centre and scale such that extent fills nine tenths of the viewport's
    // shorter side, whatever the turn. The orientation stays. An extent of
    // no radius (one atom) is shown as one of 1 angstrom; one that is not
    // finite leaves the camera as it is.
    void Fit(const Extent& extent);

    // A drag of the mouse from pixel (x0, y0) to (x1, y1) turns the view as
    // a trackball under the viewport would turn: about the view's centre,
    // about the axis in the screen's plane at right angles to the drag near
    // the middle, about the line of sight near the edge. Back and forth
    // turns the view back.
    void Turn(double x0, double y0, double x1, double y1);

    // Enlarges by factor (above 1: nearer) about pixel (x, y): the point
    // under it stays under it. The scale stays within 1e-6 to 1e6 pixels an
    // angstrom; a factor that is not positive and finite changes nothing.
    void Zoom(double factor, double x, double y);

    // Moves what is shown by (dx, dy) pixels.
    void Pan(double dx, double dy);

    // Where p appears.
    ScreenPoint Project(const Vec3& p) const;
    // The point of view space depth whose projection is pixel (x, y).
    Vec3 Unproject(double x, double y, double depth) const;

    // Pixels an angstrom.
    double Scale() const { return scale_; }
    // The rows of the turn from world to view space: the world directions
    // that point right, up and toward the viewer.
    const std::array<Vec3, 3>& Axes() const { return axes_; }
    // The world point at the viewport's centre, at depth 0.
    const Vec3& Centre() const { return centre_; }

  private:
    int width_ = 1;
    int height_ = 1;
    double scale_ = 1;
    Vec3 centre_;
    std::array<Vec3, 3> axes_{Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}};
};

}  // namespace pivora
