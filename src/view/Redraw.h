#pragma once
// The redraw of the three projection panes: the body of `Redraw`.

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

// What the redraw reads from and writes to the window's controls. The window
// implements it over its widgets; each call reads or writes the control at
// that moment.
class RedrawControls {
  public:
    virtual ~RedrawControls() = default;
    // Height and width in pixels of `Image1`; all three panes are that size.
    virtual std::int32_t PaneHeight() = 0;
    virtual std::int32_t PaneWidth() = 0;
    // `PlotScale`: the value of `SpinEdit3` by the spin box rule (its text as
    // an integer, 1 when the text is not one), used as it is, 0 and negative
    // values included.
    virtual std::int32_t PlotScale() = 0;
    // The eight selections of a vector by the spin box rule (0 when the text
    // is not an integer): `SEV1`..`SEV4` tail and `SEV5`..`SEV8` head for
    // `Vector1`, `SEU1`..`SEU8` for `Vector2`.
    virtual VectorDefinition Selections(VectorId vector) = 0;
    // The vector's components, or nothing when it is not defined. By default
    // EvaluateVector of its Selections on atoms; controls that give a vector
    // another way (a direction fixed in the molecule) evaluate it here, and
    // the redraw then writes and draws it as a defined vector.
    virtual std::optional<VectorComponents> Evaluate(const AtomTable& atoms, VectorId vector) {
        return EvaluateVector(atoms, Selections(vector));
    }
    // The text of a component box: `VX`, `VY`, `VZ` for `Vector1`, `UX`, `UY`,
    // `UZ` for `Vector2`. Writing it must start no handler.
    virtual std::string ComponentText(VectorId vector, Axis component) = 0;
    virtual void SetComponentText(VectorId vector, Axis component, const std::string& text) = 0;
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
// 1. window takes the pane size and then the scale from the controls;
// 2. each pane, XY then YZ then ZX, is filled white, gets its atoms (only
//    when drawing.ShowAtoms: a Sticks call of its bonds where any show and
//    one Dots call, as AtomsAndBonds gives them, with the groups of both
//    vectors ringed) and then its black axes;
// 3. `Vector1` is evaluated (controls.Evaluate); if defined, its components
//    are written to `VX`,
//    `VY`, `VZ` in the display form and it is drawn blue in XY, YZ, ZX, each
//    line from the origin to the end point read back from the boxes (the
//    pane's vertical box first, then its horizontal one);
// 4. the same for `Vector2`, in red, from `UX`, `UY`, `UZ`.
// An undefined vector leaves its boxes alone and draws nothing.
//
// Nothing is caught: a failure ends the redraw where it happens, and what
// was drawn or written before stays. Failures: scale 0 is the
// invalid-operation error at the first mapping (after the XY pane's brush is
// set, before anything is drawn); a pixel outside the 32-bit range is the
// invalid-operation error; a sum of a centroid or a component read back from
// its box beyond the double range is the overflow error; a component box
// whose text does not parse is the conversion error.
void RedrawPanes(const AtomTable& atoms, ViewWindow& window, RedrawControls& controls, Panes panes,
                 const AtomDrawing& drawing = {});

}  // namespace pivora
