#include "view/Camera3D.h"

#include <algorithm>
#include <cmath>

namespace pivora {
namespace {

constexpr double kLeastScale = 1e-6;
constexpr double kMostScale = 1e6;

double Dot(const Vec3& a, const Vec3& b) {
    return a.X * b.X + a.Y * b.Y + a.Z * b.Z;
}

Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}

Vec3 Scaled(const Vec3& a, double f) {
    return {a.X * f, a.Y * f, a.Z * f};
}

Vec3 Sum(const Vec3& a, const Vec3& b) {
    return {a.X + b.X, a.Y + b.Y, a.Z + b.Z};
}

Vec3 Unit(const Vec3& a) {
    return Scaled(a, 1 / std::sqrt(Dot(a, a)));
}

// A point of the viewport on the trackball, in view space: a sphere near
// the middle, running out into a hyperbolic sheet toward the edge, so that
// the mapping has no kink where they meet (Bell's trackball).
Vec3 OnBall(double x, double y, int width, int height) {
    const double size = std::min(width, height);
    const double px = (2 * x - width) / size;
    const double py = (height - 2 * y) / size;
    const double d2 = px * px + py * py;
    const double pz = d2 <= 0.5 ? std::sqrt(1 - d2) : 0.5 / std::sqrt(d2);
    return Unit({px, py, pz});
}

// v turned by angle radians about the unit axis (Rodrigues).
Vec3 Rotated(const Vec3& v, const Vec3& axis, double angle) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    return Sum(Sum(Scaled(v, c), Scaled(Cross(axis, v), s)), Scaled(axis, Dot(axis, v) * (1 - c)));
}

}  // namespace

void Camera3D::SetViewport(int width, int height) {
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
}

void Camera3D::ViewFrom(Axis axis) {
    switch (axis) {
        case Axis::X:
            axes_ = {Vec3{0, 1, 0}, Vec3{0, 0, 1}, Vec3{1, 0, 0}};
            return;
        case Axis::Y:
            axes_ = {Vec3{0, 0, 1}, Vec3{1, 0, 0}, Vec3{0, 1, 0}};
            return;
        case Axis::Z:
            break;
    }
    axes_ = {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}};
}

void Camera3D::Fit(const Extent& extent) {
    const Vec3& c = extent.Centre;
    if (!std::isfinite(c.X) || !std::isfinite(c.Y) || !std::isfinite(c.Z) ||
        !std::isfinite(extent.Radius)) {
        return;
    }
    centre_ = c;
    const double radius = extent.Radius > 0 ? extent.Radius : 1;
    scale_ = std::clamp(0.9 * std::min(width_, height_) / (2 * radius), kLeastScale, kMostScale);
}

void Camera3D::Turn(double x0, double y0, double x1, double y1) {
    const Vec3 from = OnBall(x0, y0, width_, height_);
    const Vec3 to = OnBall(x1, y1, width_, height_);
    const Vec3 axis = Cross(from, to);
    const double length = std::sqrt(Dot(axis, axis));
    if (!(length > 1e-12)) return;
    const double angle = std::atan2(length, Dot(from, to));
    // The turn is about a view-space axis: in world space, the view's axes
    // turn the opposite way about the same axis taken into the world.
    const Vec3 worldAxis = Unit(
        Sum(Sum(Scaled(axes_[0], axis.X), Scaled(axes_[1], axis.Y)), Scaled(axes_[2], axis.Z)));
    for (Vec3& a : axes_) a = Rotated(a, worldAxis, -angle);
    // Kept a right-handed orthonormal set, whatever the roundings of many
    // small turns add up to.
    axes_[0] = Unit(axes_[0]);
    axes_[1] = Unit(Sum(axes_[1], Scaled(axes_[0], -Dot(axes_[0], axes_[1]))));
    axes_[2] = Cross(axes_[0], axes_[1]);
}

void Camera3D::Zoom(double factor, double x, double y) {
    if (!(factor > 0) || !std::isfinite(factor)) return;
    const double scale = std::clamp(scale_ * factor, kLeastScale, kMostScale);
    const Vec3 before = Unproject(x, y, 0);
    scale_ = scale;
    const Vec3 after = Unproject(x, y, 0);
    centre_ = Sum(centre_, Sum(before, Scaled(after, -1)));
}

void Camera3D::Pan(double dx, double dy) {
    centre_ = Sum(centre_, Sum(Scaled(axes_[0], -dx / scale_), Scaled(axes_[1], dy / scale_)));
}

ScreenPoint Camera3D::Project(const Vec3& p) const {
    const Vec3 d{p.X - centre_.X, p.Y - centre_.Y, p.Z - centre_.Z};
    return {width_ / 2.0 + scale_ * Dot(axes_[0], d), height_ / 2.0 - scale_ * Dot(axes_[1], d),
            Dot(axes_[2], d)};
}

Vec3 Camera3D::Unproject(double x, double y, double depth) const {
    const double right = (x - width_ / 2.0) / scale_;
    const double up = (height_ / 2.0 - y) / scale_;
    return Sum(centre_,
               Sum(Sum(Scaled(axes_[0], right), Scaled(axes_[1], up)), Scaled(axes_[2], depth)));
}

}  // namespace pivora
