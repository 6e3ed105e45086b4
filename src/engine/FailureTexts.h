#pragma once
// The engine's own failure texts, in one place: the messages of the
// failures it raises itself, and the details that tell the user what to do
// after one of the runtime's messages (whose texts are fixed: base/Error.h).
// Plain English; the window translates nothing of them.

#include <cstddef>
#include <string>

#include "base/Error.h"
#include "geometry/Axis.h"
#include "view/Redraw.h"

namespace pivora::failure_text {

// A recorded command's text that a recipe line cannot hold.
inline constexpr char kLineBreakInRecipe[] =
    "A typed text holds a line break, which a recipe line cannot hold.";

// After the invalid-operation error of a redraw with a plot scale of 0.
inline constexpr char kPlotScaleZero[] =
    "A plot scale of 0 gives the panes no width. Type a scale from 1 to 100 angstrom into Plot "
    "Scale.";

// After the conversion error of a turn's angle box; separator is the
// decimal separator in use.
std::string AngleNotANumber(Axis axis, char separator);

// After a fit of vector onto target failed with kind: what the vector is like
// and what to do. componentsMissing: one of the two component boxes the fit
// reads is empty. Empty for kinds a fit cannot raise.
std::string FitFailed(Axis target, VectorId vector, ErrorKind kind, bool componentsMissing);

// A recipe's index that names no atom of a molecule of count atoms, and
// what to do; noneAllowed: 0 was allowed.
std::string AtomNotInMolecule(int index, std::size_t count);
std::string AtomIndexRange(bool noneAllowed);

// A recipe stopped by the user after done of total commands, with no room
// to take them back.
std::string RecipeStoppedAndKept(std::size_t done, std::size_t total);

}  // namespace pivora::failure_text
