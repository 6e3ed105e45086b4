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

double MoleculeRadius(const Scene3D& scene) {
    const std::optional<Extent> box = BoxOf(scene);
    return box ? box->Radius : 0;
}

Extent ExtentOf(const Scene3D& scene) {
    const std::optional<Extent> box = BoxOf(scene);
    if (!box) return {};
    const Vec3& c = box->Centre;
    const double toOrigin = std::sqrt(c.X * c.X + c.Y * c.Y + c.Z * c.Z);
    if (!(toOrigin <= 2 * box->Radius) || toOrigin <= box->Radius) return *box;
    // The smallest sphere around both the molecule's and the origin.
    const double radius = (toOrigin + box->Radius) / 2;
    const double f = (radius - box->Radius) / toOrigin;
    return {{c.X - f * c.X, c.Y - f * c.Y, c.Z - f * c.Z}, radius};
}

AxisLabels Render(const Scene3D& scene, const Camera3D& camera, Frame& frame) {
    const double scale = camera.Scale();
    frame.Reset(camera.Width(), camera.Height(), kBackgroundTop, kBackgroundBottom, scale);
    const std::size_t last = LastAtom(scene);
    const bool points = DrawsPoints(scene);
    std::vector<ScreenPoint> at(last + 1);
    for (std::size_t i = 1; i <= last; ++i) {
        at[i] = Finite(*scene.Atoms, i) ? camera.Project(PositionOf(*scene.Atoms, i))
                                        : ScreenPoint{0, 0, NAN};
    }

    // The axes from the origin, each with its name beyond the tip.
    const double arm = scene.AxisLength;
    const Vec3 origin{0, 0, 0};
    const Vec3 tips[3] = {{arm, 0, 0}, {0, arm, 0}, {0, 0, arm}};
    for (const Vec3& tip : tips) {
        DrawArrow(frame, camera, origin, tip, 0.018 * arm, 0.12 * arm, 0.045 * arm, kAxisColor);
    }
    const auto label = [&](const Vec3& tip) {
        return camera.Project({tip.X * 1.1, tip.Y * 1.1, tip.Z * 1.1});
    };
    const AxisLabels labels{label(tips[0]), label(tips[1]), label(tips[2])};

    for (const Arrow3D& arrow : scene.Arrows) {
        DrawArrow(frame, camera, arrow.Tail, arrow.Head, 0.07, 0.45, 0.17, arrow.Paint);
    }

    if (points) {
        // Nearer atoms brighter, so that depth shows without shading.
        double nearest = -INFINITY;
        double farthest = INFINITY;
        for (std::size_t i = 1; i <= last; ++i) {
            if (!std::isfinite(at[i].Depth)) continue;
            nearest = std::max(nearest, at[i].Depth);
            farthest = std::min(farthest, at[i].Depth);
        }
        const double range = nearest > farthest ? nearest - farthest : 1;
        const int size = BallRadius(6) * scale >= 1.5 ? 1 : 0;
        std::array<Color, 256> colors;
        for (std::size_t z = 0; z < colors.size(); ++z)
            colors[z] = ElementColor(static_cast<int>(z));
        for (std::size_t i = 1; i <= last; ++i) {
            const ScreenPoint& p = at[i];
            if (!std::isfinite(p.Depth)) continue;
            const Color c = colors[static_cast<std::size_t>(ElementOf(scene, i))];
            const double light = 0.55 + 0.45 * (p.Depth - farthest) / range;
            const auto level = [light](std::uint8_t v) {
                return static_cast<std::uint8_t>(v * light + 0.5);
            };
            frame.Point(p, size, PixelOf({level(c.Red), level(c.Green), level(c.Blue)}));
        }
    } else {
        const double stick = kStickRadius * scale;
        for (const Bond& bond : scene.Bonds) {
            const auto a = static_cast<std::size_t>(bond.First);
            const auto b = static_cast<std::size_t>(bond.Second);
            if (b > last || !std::isfinite(at[a].Depth) || !std::isfinite(at[b].Depth)) continue;
            const ScreenPoint middle{(at[a].X + at[b].X) / 2, (at[a].Y + at[b].Y) / 2,
                                     (at[a].Depth + at[b].Depth) / 2};
            frame.Stick(at[a], middle, stick, ElementColor(ElementOf(scene, a)));
            frame.Stick(middle, at[b], stick, ElementColor(ElementOf(scene, b)));
        }
        // The balls from the back to the front, so that each edge blends
        // over what lies behind it.
        std::vector<std::int32_t> order;
        order.reserve(last);
        for (std::size_t i = 1; i <= last; ++i) {
            if (std::isfinite(at[i].Depth)) order.push_back(static_cast<std::int32_t>(i));
        }
        std::sort(order.begin(), order.end(),
                  [&](std::int32_t p, std::int32_t q) { return at[p].Depth < at[q].Depth; });
        std::array<std::unique_ptr<SphereSprite>, 256> sprites;
        for (const std::int32_t i : order) {
            const int element = ElementOf(scene, static_cast<std::size_t>(i));
            const double radius = BallRadius(element) * scale;
            if (radius > kLargestSprite) {
                frame.LargeSphere(ElementColor(element), radius, at[i]);
                continue;
            }
            std::unique_ptr<SphereSprite>& sprite = sprites[static_cast<std::size_t>(element)];
            if (!sprite) sprite = std::make_unique<SphereSprite>(ElementColor(element), radius);
            frame.Sphere(*sprite, at[i]);
        }
    }

    // Rings in the picture's plane around their atoms, at the depth of the
    // ball's front: an atom in front hides them.
    const auto ball = [&](std::size_t i) {
        return points ? 1.5 : BallRadius(ElementOf(scene, i)) * scale;
    };
    const auto ringAt = [&](std::size_t i) {
        ScreenPoint p = at[i];
        p.Depth += points ? 0 : BallRadius(ElementOf(scene, i));
        return p;
    };
    const auto ringed = [](const std::vector<std::int32_t>& atoms, std::int32_t i) {
        return std::binary_search(atoms.begin(), atoms.end(), i);
    };
    for (const std::int32_t i : scene.Rings.Red) {
        const auto k = static_cast<std::size_t>(i);
        if (k > last || !std::isfinite(at[k].Depth)) continue;
        const double inner = ball(k) + kRingGap;
        frame.Ring(ringAt(k), inner, inner + kRingWidth, kRed);
    }
    for (const std::int32_t i : scene.Rings.Blue) {
        const auto k = static_cast<std::size_t>(i);
        if (k > last || !std::isfinite(at[k].Depth)) continue;
        // Outside the red ring of an atom of both vectors, as in the panes.
        const double inner = ball(k) + kRingGap + (ringed(scene.Rings.Red, i) ? kRingWidth : 0);
        frame.Ring(ringAt(k), inner, inner + kRingWidth, kBlue);
    }
    const auto picked = static_cast<std::size_t>(scene.Picked);
    if (picked >= 1 && picked <= last && std::isfinite(at[picked].Depth)) {
        const double inner = ball(picked) + kRingGap +
                             kRingWidth * ((ringed(scene.Rings.Red, scene.Picked) ? 1 : 0) +
                                           (ringed(scene.Rings.Blue, scene.Picked) ? 1 : 0));
        frame.Ring(ringAt(picked), inner + 0.5, inner + 0.5 + 1.5 * kRingWidth, kPickedColor);
    }
    return labels;
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
