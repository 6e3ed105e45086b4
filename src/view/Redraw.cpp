#include "view/Redraw.h"

#include "model/DecimalText.h"
#include "model/Extended.h"

namespace pivora {

namespace {

constexpr int kAxisPenWidth = 1;
constexpr int kVectorPenWidth = 2;

// A pane seen down one axis: which component runs across and which runs up.
struct PaneAxes {
    Axis horizontal;
    Axis vertical;
};
constexpr PaneAxes kXY{Axis::X, Axis::Y};
constexpr PaneAxes kYZ{Axis::Y, Axis::Z};
constexpr PaneAxes kZX{Axis::Z, Axis::X};

void ClearAndDrawAxes(const ViewWindow& window, Canvas& canvas) {
    canvas.SetBrushColor(kWhite);
    // The frame lies just outside the pane, so the fill covers it all and
    // the outline is not seen.
    const int left = window.ToPixelX(window.FrameXMin);
    const int bottom = window.ToPixelY(window.FrameYMin);
    const int right = window.ToPixelX(window.FrameXMax);
    const int top = window.ToPixelY(window.FrameYMax);
    canvas.Rectangle(left, bottom, right, top);
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
double ComponentFromBox(RedrawControls& controls, VectorId vector, Axis component) {
    return StoreDouble(ParseDecimal(controls.ComponentText(vector, component)));
}

void DrawVector(const ViewWindow& window, RedrawControls& controls, VectorId vector, Color color,
                Canvas& canvas, PaneAxes axes) {
    canvas.SetPenWidth(kVectorPenWidth);
    canvas.SetPenColor(color);
    const int originX = window.ToPixelX(0);
    const int originY = window.ToPixelY(0);
    canvas.MoveTo(originX, originY);
    const double v = ComponentFromBox(controls, vector, axes.vertical);
    const double h = ComponentFromBox(controls, vector, axes.horizontal);
    const int endX = window.ToPixelX(h);
    const int endY = window.ToPixelY(v);
    canvas.LineTo(endX, endY);
}

void EvaluateAndDraw(const AtomTable& atoms, const ViewWindow& window, RedrawControls& controls,
                     VectorId vector, Color color, Panes panes) {
    const auto components = EvaluateVector(atoms, controls.Selections(vector));
    if (!components) return;
    for (const Axis axis : {Axis::X, Axis::Y, Axis::Z}) {
        controls.SetComponentText(vector, axis, FormatDisplay((*components)[axis]));
    }
    DrawVector(window, controls, vector, color, panes.XY, kXY);
    DrawVector(window, controls, vector, color, panes.YZ, kYZ);
    DrawVector(window, controls, vector, color, panes.ZX, kZX);
}

}  // namespace

void Redraw(const AtomTable& atoms, ViewWindow& window, RedrawControls& controls, Panes panes) {
    window.PaneHeight = controls.PaneHeight();
    window.PaneWidth = controls.PaneWidth();
    window.SetScale(controls.PlotScale());
    for (Canvas* canvas : {&panes.XY, &panes.YZ, &panes.ZX}) ClearAndDrawAxes(window, *canvas);
    EvaluateAndDraw(atoms, window, controls, VectorId::Vector1, kBlue, panes);
    EvaluateAndDraw(atoms, window, controls, VectorId::Vector2, kRed, panes);
}

}  // namespace pivora
