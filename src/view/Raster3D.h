#pragma once
// A picture with depth, and the shaded shapes of the 3-D view drawn into
// it: spheres, sticks, cones, rings and points. Positions are pixels of the
// picture (x to the right, y down, pixel (c, r) covering [c, c + 1) x
// [r, r + 1)) with a depth in angstrom, larger nearer to the viewer, as
// Camera3D's Project gives them; lengths across the screen are pixels.
// Nothing fails but for want of memory; shapes off the picture, or with a
// coordinate that is not finite, draw nothing.

#include <cstdint>
#include <vector>

#include "view/Camera3D.h"
#include "view/Canvas.h"

namespace pivora {

// 0xFFRRGGBB.
using Pixel = std::uint32_t;

inline constexpr Pixel PixelOf(Color c) {
    return 0xFF000000u | (std::uint32_t{c.Red} << 16) | (std::uint32_t{c.Green} << 8) | c.Blue;
}

// A sphere of one color and one radius in pixels, shaded once for every
// sphere like it: its pixels' colors, their coverage at the edge and how
// far each lies in front of the centre.
class SphereSprite {
  public:
    SphereSprite(Color color, double radius);
    double Radius() const { return radius_; }

  private:
    friend class Frame;
    struct Texel {
        std::int16_t dx, dy;
        Pixel color;
        float lift;             // pixels in front of the centre
        std::uint8_t coverage;  // 255 inside
    };
    double radius_;
    std::vector<Texel> texels_;
};

class Frame {
  public:
    // A picture of width x height (at least 1 x 1), from top to bottom the
    // colors top to bottom, every depth the farthest there is. pixelsPerAngstrom
    // turns lengths across the screen into depths.
    void Reset(int width, int height, Color top, Color bottom, double pixelsPerAngstrom);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Row by row, top first.
    const Pixel* Pixels() const { return pixels_.data(); }
    Pixel* Pixels() { return pixels_.data(); }
    // The depths, as the pixels.
    float* Depths() { return depths_.data(); }
    Pixel At(int x, int y) const { return pixels_[Index(x, y)]; }

    // A sphere at centre c, its radius the sprite's. Front surfaces replace
    // what lies behind; the edge blends over what is there, so spheres are
    // best drawn from the back to the front.
    void Sphere(const SphereSprite& sprite, const ScreenPoint& c);
    // A sphere drawn pixel by pixel, for radii too large for a sprite.
    void LargeSphere(Color color, double radius, const ScreenPoint& c);
    // A cylinder of radius pixels from a to b, its ends open (they lie
    // inside the atoms).
    void Stick(const ScreenPoint& a, const ScreenPoint& b, double radius, Color color);
    // A cone from the centre of its base (radius pixels) to its tip, the base
    // closed.
    void Cone(const ScreenPoint& base, const ScreenPoint& tip, double radius, Color color);
    // A flat ring around c between the radii inner and outer, at c's depth,
    // hidden where something lies in front of that depth.
    void Ring(const ScreenPoint& c, double inner, double outer, Color color);
    // One atom far away: a square of 1 pixel (size 0) or 3 pixels (size 1).
    void Point(const ScreenPoint& p, int size, Pixel color);

  private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }
    // The pixels within reach of (x, y) across and down, on the picture;
    // empty (left > right or top > bottom) when none is.
    struct Area {
        int left, right, top, bottom;
    };
    Area Around(double x, double y, double reach) const;
    // Puts color at a pixel of depth, if it lies in front: coverage 255
    // takes the pixel, less blends over it and leaves its depth.
    void Put(int x, int y, float depth, Pixel color, unsigned coverage);

    int width_ = 0;
    int height_ = 0;
    double perPixel_ = 1;  // angstrom a pixel
    std::vector<Pixel> pixels_;
    std::vector<float> depths_;
};

// The color of a surface of color whose normal (view space, unit) is n,
// lit from the upper left front with a white highlight.
Pixel Shade(Color color, const Vec3& n);

}  // namespace pivora
