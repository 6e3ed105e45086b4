#pragma once
// The main window. It owns every control and shows the command engine's
// state in them; each command of the program is one of its handlers, and
// each handler is a call into the engine followed by showing the engine's
// state. The widgets' object names are the original control names
// (docs/DESIGN.md maps them to the members below).
//
// Qt events reach the handlers through the event guard. Tests and benchmarks
// may call the handlers directly (failures then reach the caller) or drive
// the controls as a user would (through their probe: the open action
// triggered, typing into an atom box), which goes through the guard.

#include <QMainWindow>
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "engine/Controls.h"
#include "engine/Engine.h"
#include "geometry/Axis.h"
#include "model/AtomTable.h"
#include "ui/AtomGrid.h"
#include "ui/FileDialogs.h"
#include "ui/Language.h"
#include "ui/Widgets.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QScrollArea;

namespace pivora {

namespace test {
struct WindowProbe;
}  // namespace test

class SymmetryWindow;
class HelpWindow;
class UserGuideWindow;
class View3DWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    // state is the program-wide state of the run, shared by every command.
    // dialogs answers the window's dialogs; null gives the Qt dialogs.
    explicit MainWindow(ProgramState& state, std::unique_ptr<FileDialogs> dialogs = nullptr);
    ~MainWindow() override;

    // The help window that HelpClick shows; it belongs to the caller.
    void SetHelpWindow(HelpWindow* help) { help_ = help; }

    // Shows the window where it was when the program last ended (its size
    // too where the user had resized it), the first time centered on its
    // screen; never larger than the screen's available area, the controls
    // then scrolling within it.
    void ShowCentered();

    // The command engine whose state the window shows.
    const Engine& Commands() const { return engine_; }

    // Opens path as File > Open does after its dialog: the directory memory,
    // then the read. For a file named at start-up or dropped on the window.
    void OpenFile(const std::string& path);

    // Puts atom into the atom box that last had the focus (a centering box
    // or a vector box; Vector1's first tail box before any had it), as typing it and leaving the
    // box would: the name box, the redraw and undo follow.
    void PickAtom(int atom);
    // The box PickAtom fills.
    SpinId PickTarget() const { return pickTarget_; }
    // Makes the atoms a whole group of a vector (the grid's row menu).
    void SetGroupClick(VectorId vector, GroupEnd end, const std::vector<int>& atoms);

    // --- Handlers ---
    void OpenClick();
    void SaveClick();
    void ExportClick();
    // Edit > Copy Coordinates As: the text of format on the clipboard.
    void CopyAsClick(io::ExportFormat format);
    void SaveRecipeClick();
    void ApplyRecipeClick();
    void UndoClick();
    void RedoClick();
    // View > Show Atoms changed its state: the panes follow it.
    void ShowAtomsClick();
    // View > 3-D View changed its state: the 3-D view shows or goes.
    void View3DClick();
    // At start-up: shows the 3-D view if it was shown when the program last
    // ended, where it was.
    void RestoreView3D();
    // The 3-D view; null until first shown.
    View3DWindow* View3D() const { return view3D_.get(); }
    // A click on pixel (x, y) of a pane: with the atoms shown, the atom there
    // (the nearest within a few pixels) goes as PickAtom puts it.
    void PaneClick(PaneId pane, int x, int y);
    // A Ctrl+click on a pane: with the atoms shown, the atom there goes to
    // the measurement as MeasureAtom puts it.
    void PaneMeasureClick(PaneId pane, int x, int y);
    // A Ctrl+click on an atom (in the grid, a pane or the 3-D view): the
    // atom joins the measurement (Engine::MeasurePick), which the status bar
    // then shows.
    void MeasureAtom(int atom);
    // The measurement as the status bar shows it and Copy Measurement copies
    // it: "Distance C1 (2)–Fe (1): 2.046105 Å", "Angle ...: 68.123456°",
    // "Dihedral ...: -12.345678°" (6 decimals, the regional separator); a
    // note what to do while one atom is picked; empty with none.
    QString MeasurementText() const;
    // Edit > Copy Measurement: that text on the clipboard.
    void CopyMeasurementClick();
    // View > Zoom to Fit (Engine::ZoomToFit).
    void ZoomToFitClick();
    void HelpClick();
    // Tools > Symmetry: shows the symmetry window beside this one.
    void SymmetryClick();
    // The symmetry window's commands (SymmetryWindow.h), each one undo step,
    // run and shown as this window's own commands are; failures reach the
    // caller.
    void SetDirectionClick(VectorId vector, const std::array<double, 3>& direction,
                           const std::string& name);
    Engine::SymmetrizeReport SymmetrizeClick(const std::string& tolerance);
    void StandardFrameClick(const std::string& tolerance);
    // View > Language: the program speaks language from now on, and at the
    // next start.
    void LanguageClick(Language language);
    // The top-level User Guide item: the guide window, in the current
    // language.
    void UserGuideClick();
    // The guide window; null until first shown.
    UserGuideWindow* UserGuide() const { return guide_.get(); }
    void CenterClick();
    void RotateZClick();
    void RotateXClick();
    void RotateYClick();
    void FitXClick();
    void FitYClick();
    void FitZClick();
    void Redraw();

    // The window's widgets. Tests reach them through their probe
    // (tests/ui/WindowProbe.h); everything else goes through the handlers.
    struct Widgets {
        QMenu* fileMenu;
        QAction* openAction;
        QAction* saveAction;
        QAction* exportAction;
        QAction* saveRecipeAction;
        QAction* applyRecipeAction;
        QAction* exitAction;
        QMenu* editMenu;
        QAction* undoAction;
        QAction* redoAction;
        QMenu* copyAsMenu;
        QAction* copyMeasurementAction;  // enabled while there is a measurement
        QMenu* viewMenu;
        QAction* showAtomsAction;  // checkable, kept between runs (off at the first)
        QAction* zoomToFitAction;
        QAction* view3DAction;  // checkable, off at start
        QMenu* orientMenu;
        // Checkable, kept between runs (off at the first): FitX, FitY and FitZ
        // leave the vector's head on the positive side of their axis.
        QAction* positiveFitsAction;
        QMenu* toolsMenu;
        QAction* symmetryAction;
        QAction* helpAction;
        SymmetryWindow* symmetryWindow;  // Tools > Symmetry; hidden until asked for
        QMenu* languageMenu;             // under View: one of the two is checked
        QAction* japaneseAction;         // the default
        QAction* englishAction;
        QAction* userGuideAction;  // a top-level item beside Help that acts when clicked

        // The controls below the menu, at their places in clientWidget, which
        // scrolls in clientArea when the window is smaller.
        QScrollArea* clientArea;
        QWidget* clientWidget;
        // The status bar's texts: the measurement, and a note where the panes
        // leave the bonds out. The bar shows only while one of them has text,
        // the window growing by its height.
        QLabel* measureText;
        QLabel* bondsNote;

        PaneView* xyPane;  // XY projection
        PaneView* yzPane;  // YZ projection
        PaneView* zxPane;  // ZX projection

        TextBox* angleZ;  // angles in degrees
        TextBox* angleX;
        TextBox* angleY;
        Button* rotateZ;
        Button* rotateX;
        Button* rotateY;
        Button* fitX;
        Button* fitY;
        Button* fitZ;
        SpinBox* plotScale;  // angstrom
        AtomGridView* atomGrid;

        // The centering pair: atom boxes and their name boxes.
        QGroupBox* centerGroup;
        std::array<SpinBox*, 2> centerAtoms;
        std::array<TextBox*, 2> centerNames;
        Button* centerButton;

        // Per vector (0: Vector1, 1: Vector2), each in its group box: the atom
        // boxes (0-3 the tail, 4-7 the head) and their name boxes, the
        // components (x, y, z), the arrow, the check box that makes the fits act
        // on it, "+N more" under the tail and the head (the group's atoms beyond
        // its four boxes), and what the vector's direction is ("C6 axis"), under
        // the arrow, shown only while it is a direction fixed in the molecule.
        std::array<QGroupBox*, 2> vectorGroups;
        std::array<std::array<SpinBox*, 8>, 2> vectorAtoms;
        std::array<std::array<TextBox*, 8>, 2> atomNames;
        std::array<std::array<TextBox*, 3>, 2> components;
        std::array<QLabel*, 2> vectorArrows;
        std::array<CheckBox*, 2> fitsVector;
        std::array<std::array<QLabel*, 2>, 2> moreAtoms;
        std::array<QLabel*, 2> directionNames;
    };

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    friend struct test::WindowProbe;
    Widgets ui_;
    class EngineView;
    void BuildMenu();
    void BuildControls(QWidget* client);
    // Vector v's group box and its controls.
    void BuildVectorBox(int v, QGroupBox* box);
    void SetTabOrder();
    void WireHandlers();
    // Runs a call into the engine, then shows the engine's state, also when
    // the call fails (what it changed before the failure stays shown).
    template <typename Call>
    void Run(Call&& call);
    // Brings every control, the caption and the Edit menu up to the engine.
    void ShowState();
    // The settings of an export of format: the source's name, and charge and
    // multiplicity from the opened file or from the user; nothing when the
    // user cancels.
    std::optional<io::ExportSettings> ExportSettingsFor(io::ExportFormat format);
    // Whether path may be written: a file there is replaced only when the
    // user says so.
    bool MayWrite(const std::string& path);
    // Whether the molecule may give way to another file: unsaved changes
    // are saved or given up as the user says.
    bool MayReplaceMolecule();
    // How the Fit buttons leave the head: the Orient menu's choice.
    FitHead ButtonFitHead() const;

    ProgramState& state_;
    Engine engine_;
    std::unique_ptr<EngineView> view_;
    std::unique_ptr<View3DWindow> view3D_;
    std::unique_ptr<UserGuideWindow> guide_;
    std::unique_ptr<FileDialogs> dialogs_;
    std::array<SpinBox*, kSpinCount> spins_{};
    std::array<TextBox*, kTextCount> texts_{};
    HelpWindow* help_ = nullptr;
    std::string openedName_;  // the file the molecule came from, for the caption
    SpinId pickTarget_ = SpinId::V1Tail1;
    // Shows a group's atoms beyond its four boxes in its "+N more" label.
    void ShowMore(QLabel* label, VectorId vector, GroupEnd end);
    void BuildToolsMenu();
    void BuildDirectionLabels();
    void ShowDirection(QLabel* label, VectorId vector);
    // Widens the grid and the window by the grid's atom numbers.
    void FitGridWidth();
    // The status bar shown while it has something to say, hidden otherwise.
    void ShowStatus();
    // The window's size with nothing scrolled and nothing cut off.
    QSize NaturalSize() const;
    // The largest the window may be: its screen's available area less the
    // frame.
    QSize MostSize() const;
    // Keeps the window within its screen's available area.
    void FitScreen();
    void ShowRowMenu(const QPoint& globalPosition);
};

}  // namespace pivora
