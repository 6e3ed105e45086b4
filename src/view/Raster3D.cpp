#include "view/Raster3D.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace pivora {
namespace {

// Shapes are drawn only near the picture: a coordinate farther out than this
// many pixels is taken for one off it, so that no pixel number overflows.
constexpr double kFarOff = 1e6;

bool Near(const ScreenPoint& p, double reach, int width, int height) {
    return std::isfinite(p.Depth) && p.X + reach > -1 && p.X - reach < width + 1 &&
           p.Y + reach > -1 && p.Y - reach < height + 1 && std::abs(p.X) < kFarOff &&
           std::abs(p.Y) < kFarOff && reach < kFarOff;
}

// The light falls from the upper left, in front of the screen.
constexpr Vec3 kLight{-0.4194, 0.5792, 0.6990};
// Halfway between the light and the viewer: where the highlight lies.
constexpr Vec3 kHalfway{-0.2275, 0.3142, 0.9217};

std::uint8_t Level(double v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0) + 0.5);
}

Pixel Blend(Pixel over, Pixel under, unsigned coverage) {
    const unsigned keep = 255 - coverage;
    Pixel out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned a = (over >> shift) & 0xFF;
        const unsigned b = (under >> shift) & 0xFF;
        out |= ((a * coverage + b * keep + 127) / 255) << shift;
    }
    return out;
}

// The normal of a sphere at (dx, dy) pixels from its centre (y down), the
// point held inside the rim, and how far the surface lies in front of the
// centre.
Vec3 SphereNormal(double dx, double dy, double radius, double& lift) {
    const double r = std::sqrt(dx * dx + dy * dy);
    const double inside = std::min(r, radius * 0.999);
    const double nz = std::sqrt(1 - (inside / radius) * (inside / radius));
    lift = radius * nz;
    if (r == 0) return {0, 0, 1};
    const double f = inside / (r * radius);
    return {dx * f, -dy * f, nz};
}

// v as a pixel number from low to high: held to them, whatever its size
// (also when not a number), before it becomes an integer.
int PixelIn(double v, int low, int high) {
    return !(v > low) ? low : !(v < high) ? high : static_cast<int>(v);
}

unsigned Coverage(double distanceInside) {
    return static_cast<unsigned>(std::clamp(distanceInside, 0.0, 1.0) * 255 + 0.5);
}

}  // namespace

Pixel Shade(Color color, const Vec3& n) {
    const double diffuse = std::max(0.0, n.X * kLight.X + n.Y * kLight.Y + n.Z * kLight.Z);
    double highlight = std::max(0.0, n.X * kHalfway.X + n.Y * kHalfway.Y + n.Z * kHalfway.Z);
    for (int i = 0; i < 5; ++i) highlight *= highlight;  // to the 32nd power
    const double light = 0.3 + 0.7 * diffuse;
    const double white = 255 * 0.45 * highlight;
    return 0xFF000000u | (std::uint32_t{Level(color.Red * light + white)} << 16) |
           (std::uint32_t{Level(color.Green * light + white)} << 8) |
           Level(color.Blue * light + white);
}

SphereSprite::SphereSprite(Color color, double radius) : radius_(radius) {
    const int extent = static_cast<int>(std::ceil(radius + 0.5));
    for (int dy = -extent; dy <= extent; ++dy) {
        for (int dx = -extent; dx <= extent; ++dx) {
            const unsigned coverage = Coverage(radius + 0.5 - std::hypot(dx, dy));
            if (coverage == 0) continue;
            double lift = 0;
            const Vec3 n = SphereNormal(dx, dy, radius, lift);
            texels_.push_back({static_cast<std::int16_t>(dx), static_cast<std::int16_t>(dy),
                               Shade(color, n), static_cast<float>(lift),
                               static_cast<std::uint8_t>(coverage)});
        }
    }
}

void Frame::Reset(int width, int height, Color top, Color bottom, double pixelsPerAngstrom) {
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
    perPixel_ = 1 / pixelsPerAngstrom;
    const std::size_t size = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    pixels_.resize(size);
    depths_.assign(size, -std::numeric_limits<float>::infinity());
    for (int y = 0; y < height_; ++y) {
        const double f = height_ > 1 ? static_cast<double>(y) / (height_ - 1) : 0;
        const auto mix = [f](std::uint8_t a, std::uint8_t b) { return Level(a + (b - a) * f); };
        const Pixel row = PixelOf(
            {mix(top.Red, bottom.Red), mix(top.Green, bottom.Green), mix(top.Blue, bottom.Blue)});
        std::fill_n(pixels_.begin() + static_cast<std::ptrdiff_t>(Index(0, y)), width_, row);
    }
}

Frame::Area Frame::Around(double x, double y, double reach) const {
    return {
        PixelIn(std::floor(x - reach), 0, width_), PixelIn(std::ceil(x + reach), -1, width_ - 1),
        PixelIn(std::floor(y - reach), 0, height_), PixelIn(std::ceil(y + reach), -1, height_ - 1)};
}

void Frame::Put(int x, int y, float depth, Pixel color, unsigned coverage) {
    const std::size_t i = Index(x, y);
    if (!(depth > depths_[i])) return;
    if (coverage >= 255) {
        pixels_[i] = color;
        depths_[i] = depth;
    } else {
        pixels_[i] = Blend(color, pixels_[i], coverage);
    }
}

void Frame::Sphere(const SphereSprite& sprite, const ScreenPoint& c) {
    if (!Near(c, sprite.radius_ + 1, width_, height_)) return;
    const int cx = static_cast<int>(std::floor(c.X));
    const int cy = static_cast<int>(std::floor(c.Y));
    const float depth = static_cast<float>(c.Depth);
    const auto perPixel = static_cast<float>(perPixel_);
    for (const SphereSprite::Texel& t : sprite.texels_) {
        const int x = cx + t.dx;
        const int y = cy + t.dy;
        if (x < 0 || y < 0 || x >= width_ || y >= height_) continue;
        Put(x, y, depth + t.lift * perPixel, t.color, t.coverage);
    }
}

void Frame::LargeSphere(Color color, double radius, const ScreenPoint& c) {
    if (!Near(c, radius + 1, width_, height_)) return;
    const Area area = Around(c.X, c.Y, radius + 1);
    for (int y = area.top; y <= area.bottom; ++y) {
        for (int x = area.left; x <= area.right; ++x) {
            const double dx = x + 0.5 - c.X;
            const double dy = y + 0.5 - c.Y;
            const unsigned coverage = Coverage(radius + 0.5 - std::hypot(dx, dy));
            if (coverage == 0) continue;
            double lift = 0;
            const Vec3 n = SphereNormal(dx, dy, radius, lift);
            Put(x, y, static_cast<float>(c.Depth + lift * perPixel_), Shade(color, n), coverage);
        }
    }
}

void Frame::Stick(const ScreenPoint& a, const ScreenPoint& b, double radius, Color color) {
    if (!(radius > 0)) return;
    if (!Near(a, radius + 1, width_, height_) && !Near(b, radius + 1, width_, height_)) {
        // Both ends off the picture: the stick may still cross it.
        if (!std::isfinite(a.X + a.Y + b.X + b.Y + a.Depth + b.Depth)) return;
        if (std::max(std::abs(a.X), std::abs(b.X)) > kFarOff ||
            std::max(std::abs(a.Y), std::abs(b.Y)) > kFarOff)
            return;
    }
    const double dx = b.X - a.X;
    const double dy = b.Y - a.Y;
    const double length2 = dx * dx + dy * dy;
    if (!(length2 > 0.25)) return;  // seen end on: the atoms hide it
    const double length = std::sqrt(length2);
    // Across the stick on the screen (y down); in view space (y up) its y
    // turns round.
    const double px = -dy / length;
    const double py = dx / length;
    // The light across the stick depends on the place across it alone: a
    // few shades from one edge to the other, enough for its width; one for
    // a stick of a pixel or two, too thin to show more.
    const int shades = radius < 1.5 ? 1 : 2 * PixelIn(std::ceil(2 * radius), 1, 32) + 1;
    std::array<Pixel, 65> ramp;
    for (int k = 0; k < shades; ++k) {
        const double q = shades == 1 ? 0 : -1 + 2.0 * k / (shades - 1);
        ramp[static_cast<std::size_t>(k)] = Shade(color, {q * px, -q * py, std::sqrt(1 - q * q)});
    }
    const double reach = radius + 0.5;
    const int y0 = PixelIn(std::floor(std::min(a.Y, b.Y) - reach), 0, height_);
    const int y1 = PixelIn(std::ceil(std::max(a.Y, b.Y) + reach), -1, height_ - 1);
    for (int y = y0; y <= y1; ++y) {
        const double ry = y + 0.5 - a.Y;
        // Along a row, the place across (u) and along (t) the stick change
        // evenly with x: the pixels of the stick are one run of the row.
        double from = -INFINITY;
        double to = INFINITY;
        const auto within = [&](double at0, double slope, double low, double high) {
            // at0 + slope * x' in [low, high], x' = x + 0.5 - a.X
            if (slope == 0) {
                if (at0 < low || at0 > high) to = -INFINITY;
                return;
            }
            double l = (low - at0) / slope;
            double h = (high - at0) / slope;
            if (l > h) std::swap(l, h);
            from = std::max(from, l);
            to = std::min(to, h);
        };
        within(ry * py, px, -reach, reach);
        within(ry * dy / length2, dx / length2, 0, 1);
        if (!(from <= to)) continue;
        const int x0 = PixelIn(std::ceil(from + a.X - 0.5), 0, width_);
        const int x1 = PixelIn(std::floor(to + a.X - 0.5), -1, width_ - 1);
        for (int x = x0; x <= x1; ++x) {
            const double rx = x + 0.5 - a.X;
            const double t = std::clamp((rx * dx + ry * dy) / length2, 0.0, 1.0);
            const double u = rx * px + ry * py;
            const unsigned coverage = Coverage(reach - std::abs(u));
            if (coverage == 0) continue;
            const double q = std::clamp(u / radius, -1.0, 1.0);
            const double depth =
                a.Depth + t * (b.Depth - a.Depth) + radius * std::sqrt(1 - q * q) * perPixel_;
            const auto shade = static_cast<std::size_t>((q + 1) * (shades - 1) / 2 + 0.5);
            Put(x, y, static_cast<float>(depth), ramp[shade], coverage);
        }
    }
}

void Frame::Cone(const ScreenPoint& base, const ScreenPoint& tip, double radius, Color color) {
    // In pixels all three ways, y up, z toward the viewer.
    const Vec3 p0{base.X, -base.Y, base.Depth / perPixel_};
    const Vec3 p1{tip.X, -tip.Y, tip.Depth / perPixel_};
    const Vec3 axis{p1.X - p0.X, p1.Y - p0.Y, p1.Z - p0.Z};
    const double height = std::sqrt(axis.X * axis.X + axis.Y * axis.Y + axis.Z * axis.Z);
    if (!(height > 0) || !std::isfinite(height) || !(radius > 0)) return;
    const Vec3 a{axis.X / height, axis.Y / height, axis.Z / height};
    const double slope = -radius / height;  // the radius lost a pixel along the axis
    const ScreenPoint middle{(base.X + tip.X) / 2, (base.Y + tip.Y) / 2, base.Depth};
    const double reach = std::sqrt(height * height / 4 + radius * radius) + 1;
    if (!Near(middle, reach, width_, height_)) return;
    const Area area = Around(middle.X, middle.Y, reach);
    for (int y = area.top; y <= area.bottom; ++y) {
        for (int x = area.left; x <= area.right; ++x) {
            // The line of sight through the pixel's centre: (X, Y, p0.Z + w).
            const double dx = x + 0.5 - p0.X;
            const double dy = -(y + 0.5) - p0.Y;
            const double c0 = dx * a.X + dy * a.Y;  // along the axis, at w = 0
            const double r0 = radius + slope * c0;
            // |radial|^2 = (radius + slope t)^2, t = c0 + w a.Z, as a
            // quadratic in w.
            const double qa = 1 - a.Z * a.Z * (1 + slope * slope);
            const double qb = -2 * a.Z * (c0 + slope * r0);
            const double qc = dx * dx + dy * dy - c0 * c0 - r0 * r0;
            double best = -std::numeric_limits<double>::infinity();
            Vec3 normal{0, 0, 1};
            const auto side = [&](double w) {
                const double t = c0 + w * a.Z;
                if (t < 0 || t > height || !(w > best)) return;
                const Vec3 radial{dx - t * a.X, dy - t * a.Y, w - t * a.Z};
                const double length =
                    std::sqrt(radial.X * radial.X + radial.Y * radial.Y + radial.Z * radial.Z);
                if (!(length > 0)) return;
                Vec3 n{radial.X / length - slope * a.X, radial.Y / length - slope * a.Y,
                       radial.Z / length - slope * a.Z};
                const double nl = std::sqrt(n.X * n.X + n.Y * n.Y + n.Z * n.Z);
                best = w;
                normal = {n.X / nl, n.Y / nl, n.Z / nl};
            };
            if (std::abs(qa) > 1e-12) {
                const double disc = qb * qb - 4 * qa * qc;
                if (disc >= 0) {
                    const double root = std::sqrt(disc);
                    side((-qb + root) / (2 * qa));
                    side((-qb - root) / (2 * qa));
                }
            } else if (qb != 0) {
                side(-qc / qb);
            }
            // The base, where the line meets its plane within the radius.
            if (a.Z != 0) {
                const double w = -c0 / a.Z;
                if (w > best && dx * dx + dy * dy + w * w <= radius * radius) {
                    best = w;
                    normal = {-a.X, -a.Y, -a.Z};
                }
            }
            if (best == -std::numeric_limits<double>::infinity()) continue;
            const double depth = (p0.Z + best) * perPixel_;
            Put(x, y, static_cast<float>(depth), Shade(color, normal), 255);
        }
    }
}

void Frame::Ring(const ScreenPoint& c, double inner, double outer, Color color) {
    if (!Near(c, outer + 1, width_, height_)) return;
    const Pixel pixel = PixelOf(color);
    const float depth = static_cast<float>(c.Depth);
    const Area area = Around(c.X, c.Y, outer + 1);
    for (int y = area.top; y <= area.bottom; ++y) {
        for (int x = area.left; x <= area.right; ++x) {
            const double r = std::hypot(x + 0.5 - c.X, y + 0.5 - c.Y);
            const unsigned coverage = Coverage(std::min(r - inner + 0.5, outer - r + 0.5));
            const std::size_t i = Index(x, y);
            if (coverage == 0 || depth < depths_[i]) continue;
            pixels_[i] = coverage >= 255 ? pixel : Blend(pixel, pixels_[i], coverage);
        }
    }
}

void Frame::Point(const ScreenPoint& p, int size, Pixel color) {
    if (!(p.X >= -1 && p.X < width_ + 1 && p.Y >= -1 && p.Y < height_ + 1) ||
        !std::isfinite(p.Depth))
        return;
    const int cx = static_cast<int>(std::floor(p.X));
    const int cy = static_cast<int>(std::floor(p.Y));
    const auto depth = static_cast<float>(p.Depth);
    for (int y = cy - size; y <= cy + size; ++y) {
        if (y < 0 || y >= height_) continue;
        for (int x = cx - size; x <= cx + size; ++x) {
            if (x < 0 || x >= width_) continue;
            const std::size_t i = Index(x, y);
            if (depth > depths_[i]) {
                pixels_[i] = color;
                depths_[i] = depth;
            }
        }
    }
}

}  // namespace pivora
