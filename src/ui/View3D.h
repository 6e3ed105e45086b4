#pragma once
// The 3-D view: a window of its own beside the main window that shows the
// molecule as balls and sticks, the vectors as arrows and the axes, turned,
// zoomed and panned by the mouse. It only reads the engine: turning the view
// moves no atom, writes no box and makes no undo step. The main window
// tells it of every change (MoleculeChanged, CoordinatesChanged, Follow).

#include <QImage>
#include <QMainWindow>
#include <QPoint>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/Engine.h"
#include "structure/Bonds.h"
#include "view/Camera3D.h"
#include "view/Raster3D.h"
#include "view/Scene3D.h"

class QAction;
class QSettings;

namespace pivora {

class View3DWindow : public QMainWindow {
    Q_OBJECT
  public:
    // engine: whose molecule and selections the view shows; it must outlive
    // the view.
    explicit View3DWindow(const Engine& engine);
    ~View3DWindow() override;

    // A click on an atom: the atom's index, run inside the event guard.
    std::function<void(int atom)> OnPick;
    // The same with Ctrl held: the atom is measured, not picked.
    std::function<void(int atom)> OnMeasure;
    // The window was closed by its frame's button.
    std::function<void()> OnClosed;

    // --- What the main window tells ---
    // The engine is about to write a new molecule into the table's arrays:
    // the view reads nothing of it until MoleculeChanged.
    void ReleaseMolecule();
    // Another molecule (an open): its bonds, the whole of it fitted into
    // the view, no atom picked.
    void MoleculeChanged();
    // The atoms moved (a turn, a centering, undo or redo of one).
    void CoordinatesChanged();
    // A command ran: the vectors' groups may have changed.
    void Follow();
    // The atom last picked into an atom box, marked; 0 for none.
    void SetPicked(int atom);
    // The atoms being measured, marked.
    void SetMeasured(const std::vector<std::int32_t>& atoms);

    // --- The camera (View menu of the window) ---
    void ResetView();    // seen from +z, fitted
    void FitToWindow();  // the whole molecule (and the origin near it) fills the view
    void ViewFrom(Axis axis);

    // The picture as the window shows it now (drawn first if anything
    // changed), axes' names included.
    QImage Picture();
    // The canvas widget (the mouse's target) and the camera, for tests.
    QWidget* Canvas() const;
    const Camera3D& Camera() const { return camera_; }
    // The bonds shown: the engine's (Engine::Bonds), none as points.
    const std::vector<Bond>& Bonds() const;
    // The atom under a point of the canvas, 0 for none; and the text its
    // tool tip shows (index, label, coordinates as the grid shows them).
    int AtomAt(QPoint point);
    QString ToolTipAt(QPoint point);

    // The visibility and the place of the window, kept between runs.
    void SaveSettings(bool visible);
    // Whether the window was shown when the program last ended.
    static bool ShownLastTime();
    // Places the window as it was last time; the first time beside
    // mainFrame (the main window's frame), where the screen has room.
    void PlaceAsLastTime(const QRect& mainFrame);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    class CanvasWidget;
    friend class CanvasWidget;
    void BuildMenu();
    // Brings what is derived from the engine up to date and draws.
    void Render();
    void Changed();
    void PaintCanvas(QPainter& painter);
    bool Available() const;

    const Engine& engine_;
    CanvasWidget* canvas_ = nullptr;
    Camera3D camera_;
    Frame frame_;
    QImage image_;
    AxisLabels labels_{};

    // What the scene was made of, and what must be made again.
    bool released_ = false;
    bool elementsStale_ = true;
    bool groupsStale_ = true;
    bool extentStale_ = true;
    bool fitPending_ = true;
    bool pictureStale_ = true;
    std::vector<std::uint8_t> elements_;
    VectorDefinition vectors_[2];
    Scene3D scene_;
    SceneRenderer renderer_;
};

}  // namespace pivora
