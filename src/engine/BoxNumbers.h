#pragma once
// The numbers that pass from one command to the next through the text of a
// box, rounded to the display form's 15 significant digits on the way
// (docs/DESIGN.md, the fidelity contract). Geometry takes and gives
// numbers; these are the text ends the window's commands put around it.

#include <string>
#include <string_view>

#include "geometry/Fit.h"

namespace pivora {

// The text a fit writes into its angle box: the display form of FitAngle of
// the two parsed component texts. The numerator text is parsed first, so
// when both are bad the conversion error quotes it. On any failure nothing
// is returned and the caller must leave the angle box and the molecule
// alone. The result always parses back and lies within -90 to 90 (-180 to
// 180 for FitHead::Positive), so the rotation that follows cannot fail on
// it.
std::string FitAngleText(std::string_view numeratorText, std::string_view denominatorText,
                         FitHead head = FitHead::AsFound);

}  // namespace pivora
