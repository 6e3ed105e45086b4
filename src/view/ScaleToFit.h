#pragma once
// View > Zoom to Fit: the plot scale at which the molecule fills the panes.

#include <cstdint>
#include <optional>
#include <span>

#include "model/AtomTable.h"
#include "structure/Vec3.h"

namespace pivora {

// The smallest plot scale s from 1 to 100 (angstrom, the scale box's range)
// at which every atom of finite coordinates and every point of ends
// (angstrom; the vectors' ends, drawn from the origin) lies on all three
// panes of width x height pixels: its column by ToPixelX within 0 to
// width - 1 and its row by ToPixelY within 0 to height - 1, in each pane.
// 100 where even that leaves a point off (a molecule larger than about
// 100 angstrom); empty when there is nothing to fit (no atom of finite
// coordinates). Points that are not finite are left out. Never fails.
std::optional<std::int32_t> ScaleToFit(const AtomTable& atoms, std::span<const Vec3> ends,
                                       std::int32_t width, std::int32_t height);

}  // namespace pivora
