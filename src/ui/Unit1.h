#pragma once
// TForm1: the main window. It owns every control and shows the command
// engine's state in them; each command of the program is one of its
// handlers, named after the control and the event, and each handler is a
// call into the engine followed by showing the engine's state.
//
// Qt events reach the handlers through the event guard. Tests and benchmarks
// may call the handlers directly (failures then reach the caller) or drive
// the controls as a user would (Open1->trigger(), SpinEdit1 typing), which
// goes through the guard.

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

class SymmetryWindow;
class TForm2;
class UserGuideWindow;
class View3DWindow;

class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    // state is the program-wide state of the run, shared by every command.
    // dialogs answers the window's dialogs; null gives the Qt dialogs.
    explicit TForm1(ProgramState& state, std::unique_ptr<FileDialogs> dialogs = nullptr);
    ~TForm1() override;

    // The help window that Help1Click shows; it belongs to the caller.
    void SetHelpWindow(TForm2* help) { help_ = help; }

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
    // or a vector box; SEV1 before any had it), as typing it and leaving the
    // box would: the name box, the redraw and undo follow.
    void PickAtom(int atom);
    // The box PickAtom fills.
    SpinId PickTarget() const { return pickTarget_; }
    // Makes the atoms a whole group of a vector (the grid's row menu).
    void SetGroupClick(VectorId vector, GroupEnd end, const std::vector<int>& atoms);

    // --- Handlers ---
    void Open1Click();
    void Save1Click();
    void Export1Click();
    // Edit > Copy Coordinates As: the text of format on the clipboard.
    void CopyAsClick(io::ExportFormat format);
    void SaveRecipe1Click();
    void ApplyRecipe1Click();
    void Undo1Click();
    void Redo1Click();
    // View > Show Atoms changed its state: the panes follow it.
    void ShowAtoms1Click();
    // View > 3-D View changed its state: the 3-D view shows or goes.
    void View3D1Click();
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
    void CopyMeasurement1Click();
    // View > Zoom to Fit (Engine::ZoomToFit).
    void ZoomToFit1Click();
    void Help1Click();
    // Tools > Symmetry: shows the symmetry window beside this one.
    void Symmetry1Click();
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
    void UserGuide1Click();
    // The guide window; null until first shown.
    UserGuideWindow* UserGuide() const { return guide_.get(); }
    void SpinEdit1Change();
    void SpinEdit2Change();
    void CenterClick();
    void SpinEdit3Change();
    void RotateZClick();
    void RotateXClick();
    void RotateYClick();
    void CheckBox1Click();
    void CheckBox2Click();
    void FitXClick();
    void FitYClick();
    void FitZClick();
    void DispVecClick();
    void SEV1Change() { SelectionChange(SpinId::SEV1); }
    void SEV2Change() { SelectionChange(SpinId::SEV2); }
    void SEV3Change() { SelectionChange(SpinId::SEV3); }
    void SEV4Change() { SelectionChange(SpinId::SEV4); }
    void SEV5Change() { SelectionChange(SpinId::SEV5); }
    void SEV6Change() { SelectionChange(SpinId::SEV6); }
    void SEV7Change() { SelectionChange(SpinId::SEV7); }
    void SEV8Change() { SelectionChange(SpinId::SEV8); }
    void SEU1Change() { SelectionChange(SpinId::SEU1); }
    void SEU2Change() { SelectionChange(SpinId::SEU2); }
    void SEU3Change() { SelectionChange(SpinId::SEU3); }
    void SEU4Change() { SelectionChange(SpinId::SEU4); }
    void SEU5Change() { SelectionChange(SpinId::SEU5); }
    void SEU6Change() { SelectionChange(SpinId::SEU6); }
    void SEU7Change() { SelectionChange(SpinId::SEU7); }
    void SEU8Change() { SelectionChange(SpinId::SEU8); }

    // --- Controls, named as the window's users and handlers know them ---
    QMenu* File1;
    QAction* Open1;
    QAction* Save1;
    QAction* Export1;
    QAction* SaveRecipe1;
    QAction* ApplyRecipe1;
    QAction* Exit1;
    QMenu* EditMenu;
    QAction* Undo1;
    QAction* Redo1;
    QMenu* CopyAsMenu;
    QAction* CopyMeasurement1;  // enabled while there is a measurement
    QMenu* ViewMenu;
    QAction* ShowAtoms1;  // checkable, kept between runs (off at the first)
    QAction* ZoomToFit1;
    QAction* View3D1;  // checkable, off at start
    QMenu* OrientMenu;
    // Checkable, kept between runs (off at the first): FitX, FitY and FitZ
    // leave the vector's head on the positive side of their axis.
    QAction* PositiveFits1;
    QMenu* ToolsMenu;
    QAction* Symmetry1;
    QAction* Help1;
    SymmetryWindow* SymmetryForm;  // Tools > Symmetry; hidden until asked for
    QMenu* LanguageMenu;           // under View: one of the two is checked
    QAction* Japanese1;            // the default
    QAction* English1;
    QAction* UserGuide1;  // a top-level item beside Help1 that acts when clicked

    // The controls below the menu, at their places in Client, which scrolls
    // in ClientArea when the window is smaller.
    QScrollArea* ClientArea;
    QWidget* Client;
    // The status bar's texts: the measurement, and a note where the panes
    // leave the bonds out. The bar shows only while one of them has text,
    // the window growing by its height.
    QLabel* MeasureText;
    QLabel* BondsNote;

    TImage* Image1;  // XY projection
    TImage* Image2;  // YZ projection
    TImage* Image3;  // ZX projection
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;

    TEdit* Zangle;  // angles in degrees
    TEdit* Xangle;
    TEdit* Yangle;
    TButton* RotateZ;
    TButton* RotateX;
    TButton* RotateY;
    TButton* FitX;
    TButton* FitY;
    TButton* FitZ;
    TSpinEdit* SpinEdit3;  // plot scale in angstrom
    TButton* DispVec;      // never shown; its handler is the redraw
    TStringGrid* StringGrid1;

    QGroupBox* GroupBox1;  // center of the molecule
    TSpinEdit* SpinEdit1;
    TEdit* Edit1;
    TSpinEdit* SpinEdit2;
    TEdit* Edit2;
    TButton* Center;

    QGroupBox* GroupBox2;  // Vector1: tail atoms SEV1..4, head atoms SEV5..8
    TSpinEdit *SEV1, *SEV2, *SEV3, *SEV4, *SEV5, *SEV6, *SEV7, *SEV8;
    TEdit *V1, *V2, *V3, *V4, *V5, *V6, *V7, *V8;
    TEdit *VX, *VY, *VZ;
    QLabel* Label1;
    TCheckBox* CheckBox1;
    QLabel* V1More;  // "+N more": the tail's atoms beyond its four boxes
    QLabel* V5More;  // the head's
    // What Vector1's direction is ("C6 axis"), under the arrow; shown only
    // while the vector is a direction fixed in the molecule.
    QLabel* V1Direction;

    QGroupBox* GroupBox3;  // Vector2, laid out as Vector1
    TSpinEdit *SEU1, *SEU2, *SEU3, *SEU4, *SEU5, *SEU6, *SEU7, *SEU8;
    TEdit *U1, *U2, *U3, *U4, *U5, *U6, *U7, *U8;
    TEdit *UX, *UY, *UZ;
    QLabel* Label2;
    TCheckBox* CheckBox2;
    QLabel* U1More;
    QLabel* U5More;
    QLabel* U1Direction;

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // The controls of one vector's group box.
    struct VectorControls {
        std::array<TSpinEdit*, 8> atoms;  // tail 1-4, head 5-8
        std::array<TEdit*, 8> names;
        std::array<TEdit*, 3> components;  // x, y, z
        QLabel* arrow;
        TCheckBox* check;
        std::array<QLabel*, 2> more;  // tail, head
    };
    class EngineView;
    void BuildMenu();
    void BuildControls(QWidget* client);
    VectorControls BuildVectorBox(QGroupBox* box, char letter, const char* arrowName,
                                  const char* checkName, bool checked);
    void SetTabOrder();
    void WireHandlers();
    void SelectionChange(SpinId box);
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
    std::array<TSpinEdit*, kSpinCount> spins_{};
    std::array<TEdit*, kTextCount> texts_{};
    TForm2* help_ = nullptr;
    std::string openedName_;  // the file the molecule came from, for the caption
    SpinId pickTarget_ = SpinId::SEV1;
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
