#pragma once
// The redraw of the three projection panes.

#include <cstdint>
#include <optional>
#include <string>

#include "geometry/AtomGroup.h"
#include "geometry/Axis.h"
#include "model/AtomTable.h"
#include "view/AtomLayer.h"
#include "view/Canvas.h"
#include "view/ViewWindow.h"

namespace pivora {

enum class VectorId { Vector1, Vector2 };

// The vectors as the redraw finds them and leaves them: the atoms chosen for
// each, and the text of its three component boxes, which holds its value
// between commands (docs/DESIGN.md, the fidelity contract). Each call reads
// or writes at that moment.
class VectorBoxes {
  public:
    virtual ~VectorBoxes() = default;
    // The eight selections of a vector by the spin box rule (0 when the text
    // is not an integer): slots 0-3 the tail, 4-7 the head.
    virtual VectorDefinition Selections(VectorId vector) = 0;
    // The vector's components, or nothing when it is not defined. By default
    // EvaluateVector of its Selections on atoms; boxes that give a vector
    // another way (a direction fixed in the molecule) evaluate it here, and
    // the redraw then writes and draws it as a defined vector.
    virtual std::optional<VectorComponents> Evaluate(const AtomTable& atoms, VectorId vector) {
        return EvaluateVector(atoms, Selections(vector));
    }
    // The text of a component box. Writing it must start no handler.
    virtual std::string ComponentText(VectorId vector, Axis component) = 0;
    virtual void SetComponentText(VectorId vector, Axis component, const std::string& text) = 0;
};

// The size of each of the three panes, in pixels.
struct PaneSize {
    std::int32_t Width = 209;
    std::int32_t Height = 217;
};

// The canvases of the three panes (see PaneId).
struct Panes {
    Canvas& XY;
    Canvas& YZ;
    Canvas& ZX;
};

// Whether a redraw shows the atoms too, and the element of each slot of the
// table (ElementsOf) for their colors; with them the bonds (FindBonds) and
// the atoms being measured, marked.
struct AtomDrawing {
    bool ShowAtoms = false;
    std::span<const std::uint8_t> Elements;
    std::span<const Bond> Bonds = {};
    std::span<const std::int32_t> Measured = {};
};

// Repaints all three panes from scratch and brings the component boxes up to
// date, in this order:
// 1. window takes size and then scale (angstrom, used as it is, 0 and
//    negative values included: see ViewWindow::SetScale);
// 2. each pane, XY then YZ then ZX, is filled white, gets its atoms (only
//    when drawing.ShowAtoms: a Sticks call of its bonds where any show and
//    one Dots call, as AtomsAndBonds gives them, with the groups of both
//    vectors ringed) and then its black axes;
// 3. Vector1 is evaluated (vectors.Evaluate); if defined, its components
//    are written to its boxes in the display form and it is drawn blue in
//    XY, YZ, ZX, each line from the origin to the end point read back from
//    the boxes (the pane's vertical component first, then its horizontal
//    one);
// 4. the same for Vector2, in red.
// An undefined vector leaves its boxes alone and draws nothing.
//
// Nothing is caught: a failure ends the redraw where it happens, and what
// was drawn or written before stays. Failures: scale 0 is the
// invalid-operation error at the first mapping (after the XY pane's brush is
// set, before anything is drawn); a pixel outside the 32-bit range is the
// invalid-operation error; a sum of a centroid or a component read back from
// its box beyond the double range is the overflow error; a component box
// whose text does not parse is the conversion error.
void RedrawPanes(const AtomTable& atoms, ViewWindow& window, PaneSize size, std::int32_t scale,
                 VectorBoxes& vectors, Panes panes, const AtomDrawing& drawing = {});

}  // namespace pivora
