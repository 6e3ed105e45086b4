#pragma once
// TForm1: the main window. It owns every control; each command of the program
// is one of its handlers, named after the control and the event. Handlers
// read their controls, call the core and write their controls.
//
// Qt events reach the handlers through the event guard. A handler that sets
// a control runs that control's handler at once, nested, as a plain call.
// Tests and benchmarks may call the handlers directly (failures then reach
// the caller) or drive the controls as a user would (Open1->trigger(),
// SpinEdit1 typing), which goes through the guard.

#include <QMainWindow>
#include <array>
#include <memory>
#include <string>

#include "geometry/Axis.h"
#include "geometry/Fit.h"
#include "model/AtomTable.h"
#include "ui/AtomGrid.h"
#include "ui/FileDialogs.h"
#include "ui/Widgets.h"
#include "view/Redraw.h"
#include "view/ViewWindow.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;

namespace pivora {

class TForm2;

class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    // state is the program-wide state of the run, shared by every command.
    // dialogs answers the open and save dialogs; null gives the Qt dialogs.
    explicit TForm1(ProgramState& state, std::unique_ptr<FileDialogs> dialogs = nullptr);
    ~TForm1() override;

    // The help window that Help1Click shows; it belongs to the caller.
    void SetHelpWindow(TForm2* help) { help_ = help; }

    // Shows the window centred on its screen.
    void ShowCentred();

    // --- Handlers ---
    void Open1Click();
    void Save1Click();
    void Help1Click();
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
    void SEV1Change() { AtomSelectionChange(SEV1, V1); }
    void SEV2Change() { AtomSelectionChange(SEV2, V2); }
    void SEV3Change() { AtomSelectionChange(SEV3, V3); }
    void SEV4Change() { AtomSelectionChange(SEV4, V4); }
    void SEV5Change() { AtomSelectionChange(SEV5, V5); }
    void SEV6Change() { AtomSelectionChange(SEV6, V6); }
    void SEV7Change() { AtomSelectionChange(SEV7, V7); }
    void SEV8Change() { AtomSelectionChange(SEV8, V8); }
    void SEU1Change() { AtomSelectionChange(SEU1, U1); }
    void SEU2Change() { AtomSelectionChange(SEU2, U2); }
    void SEU3Change() { AtomSelectionChange(SEU3, U3); }
    void SEU4Change() { AtomSelectionChange(SEU4, U4); }
    void SEU5Change() { AtomSelectionChange(SEU5, U5); }
    void SEU6Change() { AtomSelectionChange(SEU6, U6); }
    void SEU7Change() { AtomSelectionChange(SEU7, U7); }
    void SEU8Change() { AtomSelectionChange(SEU8, U8); }

    // --- Controls, named as the window's users and handlers know them ---
    QMenu* File1;
    QAction* Open1;
    QAction* Save1;
    QAction* Exit1;
    QAction* Help1;

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

    QGroupBox* GroupBox1;  // centre of the molecule
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

    QGroupBox* GroupBox3;  // Vector2, laid out as Vector1
    TSpinEdit *SEU1, *SEU2, *SEU3, *SEU4, *SEU5, *SEU6, *SEU7, *SEU8;
    TEdit *U1, *U2, *U3, *U4, *U5, *U6, *U7, *U8;
    TEdit *UX, *UY, *UZ;
    QLabel* Label2;
    TCheckBox* CheckBox2;

  protected:
    void changeEvent(QEvent* event) override;

  private:
    struct VectorBox;
    class PaneControls;
    void BuildMenu();
    void BuildControls(QWidget* client);
    void BuildVectorBox(const VectorBox& box);
    void SetTabOrder();
    void WireHandlers();
    void AtomSelectionChange(TSpinEdit* atom, TEdit* name);
    // Turns about axis by the angle in that axis's box (Zangle, Xangle or
    // Yangle): the body of the three rotate handlers.
    void RotateAbout(Axis axis);
    TEdit* AngleBox(Axis axis) const;
    void FitOnto(Axis target);
    // `VX`, `VY`, `VZ` for Vector1, `UX`, `UY`, `UZ` for Vector2.
    TEdit* ComponentBox(VectorId vector, Axis component) const;

    ProgramState& state_;
    std::unique_ptr<FileDialogs> dialogs_;
    std::array<TSpinEdit*, 16> vectorAtoms_{};  // SEV1..SEV8, then SEU1..SEU8
    TForm2* help_ = nullptr;
    ViewWindow window_;  // the plot window of the last redraw, for the whole run
};

}  // namespace pivora
