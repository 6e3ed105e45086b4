#include "view/Scene3D.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numeric>
#include <optional>

#include "structure/CovalentRadii.h"

namespace pivora {
namespace {

// Sprites above this radius would take more memory than drawing the few
// spheres that large (the view is zoomed in close) pixel by pixel.
constexpr double kLargestSprite = 64;

constexpr Color kBackgroundTop{255, 255, 255};
constexpr Color kBackgroundBottom{226, 231, 238};
constexpr Color kAxisColor{70, 70, 70};
constexpr Color kPickedColor{255, 176, 0};

// Ring widths and gaps in pixels.
constexpr double kRingGap = 1.5;
constexpr double kRingWidth = 2;

bool Finite(const AtomTable& atoms, std::size_t i) {
    return std::isfinite(atoms.AtomX[i]) && std::isfinite(atoms.AtomY[i]) &&
           std::isfinite(atoms.AtomZ[i]);
}

Vec3 PositionOf(const AtomTable& atoms, std::size_t i) {
    return {atoms.AtomX[i], atoms.AtomY[i], atoms.AtomZ[i]};
}

int ElementOf(const Scene3D& scene, std::size_t i) {
    return i < scene.Elements.size() ? scene.Elements[i] : 0;
}

std::size_t LastAtom(const Scene3D& scene) {
    return scene.Atoms ? scene.Atoms->LastAtom() : 0;
}

// The molecule's box: centre and the radius that holds every ball.
std::optional<Extent> BoxOf(const Scene3D& scene) {
    const std::size_t last = LastAtom(scene);
    const AtomTable& atoms = *scene.Atoms;
    double low[3] = {INFINITY, INFINITY, INFINITY};
    double high[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (std::size_t i = 1; i <= last; ++i) {
        if (!Finite(atoms, i)) continue;
        const double v[3] = {atoms.AtomX[i], atoms.AtomY[i], atoms.AtomZ[i]};
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], v[a]);
            high[a] = std::max(high[a], v[a]);
        }
    }
    if (!(low[0] <= high[0])) return std::nullopt;
    // Halves first: the sum of two coordinates near the double's limit would
    // overflow.
    const Vec3 centre{low[0] / 2 + high[0] / 2, low[1] / 2 + high[1] / 2, low[2] / 2 + high[2] / 2};
    double farthest = 0;
    double largestBall = 0;
    for (std::size_t i = 1; i <= last; ++i) {
        if (!Finite(atoms, i)) continue;
        const double dx = atoms.AtomX[i] - centre.X;
        const double dy = atoms.AtomY[i] - centre.Y;
        const double dz = atoms.AtomZ[i] - centre.Z;
        farthest = std::max(farthest, dx * dx + dy * dy + dz * dz);
        largestBall = std::max(largestBall, BallRadius(ElementOf(scene, i)));
    }
    return Extent{centre, std::sqrt(farthest) + largestBall};
}

// Draws an arrow from tail to head: a stick, then a cone of the head's
// length and radius.
void DrawArrow(Frame& frame, const Camera3D& camera, const Vec3& tail, const Vec3& head,
               double shaft, double headLength, double headRadius, Color color) {
    const Vec3 d{head.X - tail.X, head.Y - tail.Y, head.Z - tail.Z};
    const double length = std::sqrt(d.X * d.X + d.Y * d.Y + d.Z * d.Z);
    if (!(length > 0) || !std::isfinite(length)) return;
    const double cone = std::min(headLength, 0.5 * length);
    const double f = (length - cone) / length;
    const Vec3 base{tail.X + f * d.X, tail.Y + f * d.Y, tail.Z + f * d.Z};
    const double scale = camera.Scale();
    frame.Stick(camera.Project(tail), camera.Project(base), shaft * scale, color);
    frame.Cone(camera.Project(base), camera.Project(head), headRadius * scale, color);
}

}  // namespace

double BallRadius(int atomicNumber) {
    const double covalent = CovalentRadius(atomicNumber);
    return covalent > 0 ? 0.16 + 0.2 * covalent : 0.3;
}

bool DrawsPoints(const Scene3D& scene) {
    return LastAtom(scene) > kMostBallAtoms;
}

Extent MoleculeExtent(const Scene3D& scene) {
    return BoxOf(scene).value_or(Extent{});
}

double AxisLengthFor(const Extent& molecule) {
    return std::max(1.0, 1.1 * molecule.Radius);
}

Extent FitExtent(const Extent& molecule, double axisLength) {
    const Vec3& c = molecule.Centre;
    const double toOrigin = std::sqrt(c.X * c.X + c.Y * c.Y + c.Z * c.Z);
    if (!(toOrigin <= 2 * molecule.Radius)) return molecule;
    // The names lie a tenth beyond the tips; a little more for their size.
    const double axes = 1.2 * axisLength;
    if (toOrigin + axes <= molecule.Radius) return molecule;
    if (toOrigin + molecule.Radius <= axes) return {{0, 0, 0}, axes};
    // The smallest sphere around both the molecule's and the axes'.
    const double radius = (toOrigin + molecule.Radius + axes) / 2;
    const double f = (radius - molecule.Radius) / toOrigin;
    return {{c.X - f * c.X, c.Y - f * c.Y, c.Z - f * c.Z}, radius};
}

AxisLabels SceneRenderer::Render(const Scene3D& scene, const Camera3D& camera, Frame& frame) {
    frame.Reset(camera.Width(), camera.Height(), kBackgroundTop, kBackgroundBottom, camera.Scale());

    // The axes from the origin, each with its name beyond the tip.
    const double arm = scene.AxisLength;
    const Vec3 origin{0, 0, 0};
    const Vec3 tips[3] = {{arm, 0, 0}, {0, arm, 0}, {0, 0, arm}};
    for (const Vec3& tip : tips) {
        DrawArrow(frame, camera, origin, tip, 0.012 * arm, 0.1 * arm, 0.035 * arm, kAxisColor);
    }
    const auto label = [&](const Vec3& tip) {
        return camera.Project({tip.X * 1.1, tip.Y * 1.1, tip.Z * 1.1});
    };
    const AxisLabels labels{label(tips[0]), label(tips[1]), label(tips[2])};

    for (const Arrow3D& arrow : scene.Arrows) {
        DrawArrow(frame, camera, arrow.Tail, arrow.Head, 0.1, 0.5, 0.24, arrow.Paint);
    }
    if (DrawsPoints(scene)) {
        DrawPoints(scene, camera, frame);
    } else {
        DrawBalls(scene, camera, frame);
    }
    DrawRings(scene, camera, frame);
    return labels;
}

void SceneRenderer::DrawBalls(const Scene3D& scene, const Camera3D& camera, Frame& frame) {
    const double scale = camera.Scale();
    const std::size_t last = LastAtom(scene);
    at_.resize(last + 1);
    for (std::size_t i = 1; i <= last; ++i) {
        at_[i] = Finite(*scene.Atoms, i) ? camera.Project(PositionOf(*scene.Atoms, i))
                                         : ScreenPoint{0, 0, NAN};
    }
    const double stick = kStickRadius * scale;
    for (const Bond& bond : scene.Bonds) {
        const auto a = static_cast<std::size_t>(bond.First);
        const auto b = static_cast<std::size_t>(bond.Second);
        if (b > last || !std::isfinite(at_[a].Depth) || !std::isfinite(at_[b].Depth)) continue;
        const ScreenPoint middle{(at_[a].X + at_[b].X) / 2, (at_[a].Y + at_[b].Y) / 2,
                                 (at_[a].Depth + at_[b].Depth) / 2};
        frame.Stick(at_[a], middle, stick, ElementColor(ElementOf(scene, a)));
        frame.Stick(middle, at_[b], stick, ElementColor(ElementOf(scene, b)));
    }
    // The balls from the back to the front, so that each edge blends over
    // what lies behind it.
    order_.clear();
    for (std::size_t i = 1; i <= last; ++i) {
        if (std::isfinite(at_[i].Depth)) order_.push_back(static_cast<std::int32_t>(i));
    }
    std::sort(order_.begin(), order_.end(),
              [&](std::int32_t p, std::int32_t q) { return at_[p].Depth < at_[q].Depth; });
    // Shaded spheres hold for as long as the scale does: a turn reuses them.
    if (scale != spriteScale_) {
        for (auto& sprite : sprites_) sprite.reset();
        spriteScale_ = scale;
    }
    for (const std::int32_t i : order_) {
        const int element = ElementOf(scene, static_cast<std::size_t>(i));
        const double radius = BallRadius(element) * scale;
        if (radius > kLargestSprite) {
            frame.LargeSphere(ElementColor(element), radius, at_[i]);
            continue;
        }
        std::unique_ptr<SphereSprite>& sprite = sprites_[static_cast<std::size_t>(element)];
        if (!sprite) sprite = std::make_unique<SphereSprite>(ElementColor(element), radius);
        frame.Sphere(*sprite, at_[i]);
    }
}

void SceneRenderer::DrawPoints(const Scene3D& scene, const Camera3D& camera, Frame& frame) {
    // Nearer atoms brighter, so that depth shows without shading: the depth
    // range is the molecule's sphere's, which needs no pass of its own.
    const Extent& extent = scene.Molecule;
    const double middle = camera.Project(extent.Centre).Depth;
    const double farthest = middle - extent.Radius;
    constexpr int kLevels = 32;
    const double perLevel = extent.Radius > 0 ? (kLevels - 1) / (2 * extent.Radius) : 0;
    std::array<std::array<Pixel, kLevels>, 256> colors;
    for (std::size_t z = 0; z < colors.size(); ++z) {
        const Color c = ElementColor(static_cast<int>(z));
        for (int level = 0; level < kLevels; ++level) {
            const double light = 0.55 + 0.45 * level / (kLevels - 1);
            const auto dim = [light](std::uint8_t v) {
                return static_cast<std::uint8_t>(v * light + 0.5);
            };
            colors[z][static_cast<std::size_t>(level)] =
                PixelOf({dim(c.Red), dim(c.Green), dim(c.Blue)});
        }
    }
    const int size = BallRadius(6) * camera.Scale() >= 1.5 ? 1 : 0;
    const AtomTable& atoms = *scene.Atoms;
    const double* const xs = atoms.AtomX.data();
    const double* const ys = atoms.AtomY.data();
    const double* const zs = atoms.AtomZ.data();
    const std::size_t last = LastAtom(scene);
    const std::size_t known = std::min(last + 1, scene.Elements.size());
    const auto& axes = camera.Axes();
    const Vec3& centre = camera.Centre();
    const double s = camera.Scale();
    const double w = frame.Width();
    const double h = frame.Height();
    // One plain loop over the coordinates: a million atoms in a few
    // milliseconds, the projection written out so that it stays in registers.
    const double rx = s * axes[0].X, ry = s * axes[0].Y, rz = s * axes[0].Z;
    const double ux = -s * axes[1].X, uy = -s * axes[1].Y, uz = -s * axes[1].Z;
    const double tx = axes[2].X, ty = axes[2].Y, tz = axes[2].Z;
    const double r0 = w / 2 - (rx * centre.X + ry * centre.Y + rz * centre.Z);
    const double u0 = h / 2 - (ux * centre.X + uy * centre.Y + uz * centre.Z);
    const double t0 = -(tx * centre.X + ty * centre.Y + tz * centre.Z);
    Pixel* const pixels = frame.Pixels();
    float* const depths = frame.Depths();
    const auto width = static_cast<std::size_t>(frame.Width());
    for (std::size_t i = 1; i <= last; ++i) {
        const double x = xs[i], y = ys[i], z = zs[i];
        const double px = r0 + rx * x + ry * y + rz * z;
        const double py = u0 + ux * x + uy * y + uz * z;
        // Also false for a coordinate that is not a number.
        if (!(px >= 0 && px < w && py >= 0 && py < h)) continue;
        const double depth = t0 + tx * x + ty * y + tz * z;
        const std::size_t element = i < known ? scene.Elements[i] : 0;
        // Held to the levels before it becomes an integer, also when the
        // molecule's extent is not finite.
        const double f = (depth - farthest) * perLevel;
        const int level = !(f > 0) ? 0 : !(f < kLevels - 1) ? kLevels - 1 : static_cast<int>(f);
        const Pixel color = colors[element][static_cast<std::size_t>(level)];
        if (size == 0) {
            const std::size_t k =
                static_cast<std::size_t>(py) * width + static_cast<std::size_t>(px);
            const auto d = static_cast<float>(depth);
            if (d > depths[k]) {
                depths[k] = d;
                pixels[k] = color;
            }
        } else {
            frame.Point({px, py, depth}, size, color);
        }
    }
}

void SceneRenderer::DrawRings(const Scene3D& scene, const Camera3D& camera, Frame& frame) {
    // Rings in the picture's plane around their atoms, at the depth of the
    // ball's front: an atom in front hides them.
    const double scale = camera.Scale();
    const bool points = DrawsPoints(scene);
    const std::size_t last = LastAtom(scene);
    const auto ball = [&](std::size_t i) {
        return points ? 1.5 : BallRadius(ElementOf(scene, i)) * scale;
    };
    const auto ring = [&](std::int32_t atom, int within, Color color, double gap, double wider) {
        const auto i = static_cast<std::size_t>(atom);
        if (i < 1 || i > last || !Finite(*scene.Atoms, i)) return;
        ScreenPoint p = camera.Project(PositionOf(*scene.Atoms, i));
        p.Depth += points ? 0 : BallRadius(ElementOf(scene, i));
        const double inner = ball(i) + kRingGap + within * kRingWidth + gap;
        frame.Ring(p, inner, inner + wider * kRingWidth, color);
    };
    const auto ringed = [](const std::vector<std::int32_t>& atoms, std::int32_t i) {
        return std::binary_search(atoms.begin(), atoms.end(), i);
    };
    for (const std::int32_t i : scene.Rings.Red) ring(i, 0, kRed, 0, 1);
    // Outside the red ring of an atom of both vectors, as in the panes.
    for (const std::int32_t i : scene.Rings.Blue) ring(i, ringed(scene.Rings.Red, i), kBlue, 0, 1);
    if (scene.Picked != 0) {
        const int within =
            ringed(scene.Rings.Red, scene.Picked) + ringed(scene.Rings.Blue, scene.Picked);
        ring(scene.Picked, within, kPickedColor, 0.5, 1.5);
    }
    for (const std::int32_t i : scene.Measured) {
        const int within = ringed(scene.Rings.Red, i) + ringed(scene.Rings.Blue, i);
        // Outside the gold ring of a picked atom, with a gap of its own.
        const double picked = i == scene.Picked ? 0.5 + 1.5 * kRingWidth : 0;
        ring(i, within, kMeasureColor, picked + 1.5, 1.5);
    }
}

std::int32_t AtomAt(const Scene3D& scene, const Camera3D& camera, double x, double y) {
    const std::size_t last = LastAtom(scene);
    const bool points = DrawsPoints(scene);
    const double scale = camera.Scale();
    std::int32_t best = 0;
    double bestDepth = -INFINITY;
    for (std::size_t i = 1; i <= last; ++i) {
        if (!Finite(*scene.Atoms, i)) continue;
        const ScreenPoint p = camera.Project(PositionOf(*scene.Atoms, i));
        const double radius = points ? 0 : BallRadius(ElementOf(scene, i)) * scale;
        const double reach = std::max(radius, kPickReach);
        const double dx = x - p.X;
        const double dy = y - p.Y;
        const double d2 = dx * dx + dy * dy;
        if (!(d2 <= reach * reach)) continue;
        const double depth = p.Depth + std::sqrt(std::max(radius * radius - d2, 0.0)) / scale;
        if (best == 0 || depth > bestDepth) {
            best = static_cast<std::int32_t>(i);
            bestDepth = depth;
        }
    }
    return best;
}

}  // namespace pivora
