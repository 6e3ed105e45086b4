#include "view/Redraw.h"

#include <array>

#include "numeric/DecimalText.h"
#include "numeric/Extended.h"
#include "view/AtomLayer.h"

namespace pivora {

namespace {

constexpr int kAxisPenWidth = 1;
constexpr int kVectorPenWidth = 2;

void ClearAndDrawAxes(const ViewWindow& window, Canvas& canvas, const PaneAtoms& atoms) {
    canvas.SetBrushColor(kWhite);
    // The frame lies just outside the pane, so the fill covers it all and
    // the outline is not seen.
    const int left = window.ToPixelX(window.FrameXMin);
    const int bottom = window.ToPixelY(window.FrameYMin);
    const int right = window.ToPixelX(window.FrameXMax);
    const int top = window.ToPixelY(window.FrameYMax);
    canvas.Rectangle(left, bottom, right, top);
    if (atoms.Sticks) canvas.Sticks(atoms.Sticks);
    if (atoms.Dots) canvas.Dots(atoms.Dots);
    canvas.SetPenWidth(kAxisPenWidth);
    canvas.SetPenColor(kBlack);
    const int originX = window.ToPixelX(0);
    const int originY = window.ToPixelY(0);
    canvas.MoveTo(left, originY);
    canvas.LineTo(right, originY);
    canvas.MoveTo(originX, bottom);
    canvas.LineTo(originX, top);
}

// Reads a component back from its box, so that the line ends where the
// shown 15 digits say.
double ComponentFromBox(VectorBoxes& vectors, VectorId vector, Axis component) {
    return StoreDouble(ParseDecimal(vectors.ComponentText(vector, component)));
}

void DrawVector(const ViewWindow& window, VectorBoxes& vectors, VectorId vector, Color color,
                Canvas& canvas, PaneId pane) {
    const PaneAxes axes = AxesOf(pane);
    canvas.SetPenWidth(kVectorPenWidth);
    canvas.SetPenColor(color);
    const int originX = window.ToPixelX(0);
    const int originY = window.ToPixelY(0);
    canvas.MoveTo(originX, originY);
    const double v = ComponentFromBox(vectors, vector, axes.Vertical);
    const double h = ComponentFromBox(vectors, vector, axes.Horizontal);
    const int endX = window.ToPixelX(h);
    const int endY = window.ToPixelY(v);
    canvas.LineTo(endX, endY);
}

void EvaluateAndDraw(const AtomTable& atoms, const ViewWindow& window, VectorBoxes& vectors,
                     VectorId vector, Color color, Panes panes) {
    const auto components = vectors.Evaluate(atoms, vector);
    if (!components) return;
    for (const Axis axis : {Axis::X, Axis::Y, Axis::Z}) {
        vectors.SetComponentText(vector, axis, FormatDisplay((*components)[axis]));
    }
    DrawVector(window, vectors, vector, color, panes.XY, PaneId::XY);
    DrawVector(window, vectors, vector, color, panes.YZ, PaneId::YZ);
    DrawVector(window, vectors, vector, color, panes.ZX, PaneId::ZX);
}

}  // namespace

void RedrawPanes(const AtomTable& atoms, ViewWindow& window, PaneSize size, std::int32_t scale,
                 VectorBoxes& vectors, Panes panes, const AtomDrawing& drawing) {
    window.PaneHeight = size.Height;
    window.PaneWidth = size.Width;
    window.SetScale(scale);
    // Worked out before any pane is touched; a window of no width gives no
    // dots, and the clearing below then fails as it does without atoms.
    std::array<PaneAtoms, 3> dots;
    if (drawing.ShowAtoms) {
        dots = AtomsAndBonds(atoms, window,
                             RingsOf(atoms, vectors.Selections(VectorId::Vector1),
                                     vectors.Selections(VectorId::Vector2)),
                             drawing.Measured, drawing.Elements, drawing.Bonds);
    }
    ClearAndDrawAxes(window, panes.XY, dots[0]);
    ClearAndDrawAxes(window, panes.YZ, dots[1]);
    ClearAndDrawAxes(window, panes.ZX, dots[2]);
    EvaluateAndDraw(atoms, window, vectors, VectorId::Vector1, kBlue, panes);
    EvaluateAndDraw(atoms, window, vectors, VectorId::Vector2, kRed, panes);
}

}  // namespace pivora
