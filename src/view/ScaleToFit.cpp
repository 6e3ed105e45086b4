#include "view/ScaleToFit.h"

#include <algorithm>
#include <cmath>

#include "view/AtomLayer.h"
#include "view/ViewWindow.h"

namespace pivora {
namespace {

constexpr std::int32_t kLeastScale = 1;
constexpr std::int32_t kMostScale = 100;

// Beyond this a coordinate lies off every pane the scale box allows, and its
// pixel stays far inside the 32-bit range the mapping needs.
constexpr double kFarOff = 1e6;

struct Box {
    double low[3] = {INFINITY, INFINITY, INFINITY};
    double high[3] = {-INFINITY, -INFINITY, -INFINITY};
    void Take(double x, double y, double z) {
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return;
        const double at[3] = {x, y, z};
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], at[a]);
            high[a] = std::max(high[a], at[a]);
        }
    }
    bool Empty() const { return !(low[0] <= high[0]); }
};

// The mapping never turns an order round (ToPixelX grows with its value,
// ToPixelY falls), so the box's faces decide for every point inside it.
bool Fits(const Box& box, std::int32_t scale, std::int32_t width, std::int32_t height) {
    ViewWindow window;
    window.PaneWidth = width;
    window.PaneHeight = height;
    window.SetScale(scale);
    for (const PaneId pane : {PaneId::XY, PaneId::YZ, PaneId::ZX}) {
        const PaneAxes axes = AxesOf(pane);
        const auto h = static_cast<int>(axes.Horizontal);
        const auto v = static_cast<int>(axes.Vertical);
        if (window.ToPixelX(box.low[h]) < 0 || window.ToPixelX(box.high[h]) > width - 1 ||
            window.ToPixelY(box.high[v]) < 0 || window.ToPixelY(box.low[v]) > height - 1) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::int32_t> ScaleToFit(const AtomTable& atoms, std::span<const Vec3> ends,
                                       std::int32_t width, std::int32_t height) {
    Box box;
    const std::size_t last = atoms.LastAtom();
    for (std::size_t i = 1; i <= last; ++i)
        box.Take(atoms.AtomX[i], atoms.AtomY[i], atoms.AtomZ[i]);
    if (box.Empty()) return std::nullopt;
    for (const Vec3& end : ends) box.Take(end.X, end.Y, end.Z);
    for (int a = 0; a < 3; ++a) {
        if (!(std::fabs(box.low[a]) < kFarOff && std::fabs(box.high[a]) < kFarOff))
            return kMostScale;
    }
    for (std::int32_t scale = kLeastScale; scale < kMostScale; ++scale) {
        if (Fits(box, scale, width, height)) return scale;
    }
    return kMostScale;
}

}  // namespace pivora
