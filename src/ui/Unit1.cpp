#include "ui/Unit1.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <optional>
#include <utility>

#include "geometry/AtomGroup.h"
#include "geometry/Centering.h"
#include "geometry/Rotation.h"
#include "model/CoordinateReader.h"
#include "model/CoordinateWriter.h"
#include "model/DirectoryMemory.h"
#include "ui/Startup.h"
#include "ui/Unit2.h"

namespace pivora {
namespace {

// The outer 1000 x 736 on a frame of 4 pixels, a title bar of 23 and a menu
// bar leave 992 x 682 for the controls below the menu.
constexpr int kClientWidth = 992;
constexpr int kClientHeight = 682;

QFont ArialFont(int pixels, bool bold) {
    QFont font("Arial");
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

template <typename Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel* NewLabel(QWidget* parent, const char* name, const char* caption, int left, int top,
                 int width, int height, bool bold) {
    auto* label = Place(new QLabel(caption, parent), name, left, top, width, height);
    if (bold) label->setFont(ArialFont(13, true));
    return label;
}

QGroupBox* NewGroupBox(QWidget* parent, const char* name, const char* caption, QColor colour,
                       int left, int top, int width, int height) {
    auto* box = Place(new QGroupBox(caption, parent), name, left, top, width, height);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Window, colour);
    box->setPalette(palette);
    box->setAutoFillBackground(true);
    return box;
}

// Shows the wait cursor while it lives, also when a failure ends the work.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

// The controls of one vector's group box and their names' letter.
struct TForm1::VectorBox {
    QGroupBox* box;
    char letter;  // 'V' for Vector1, 'U' for Vector2
    TSpinEdit** atoms[8];
    TEdit** names[8];
    TEdit** components[3];
    QLabel** arrow;
    const char* arrowName;
    TCheckBox** check;
    const char* checkName;
    bool checked;
    std::size_t firstAtomSlot;  // where its atom boxes go in vectorAtoms_
};

TForm1::TForm1(ProgramState& state, std::unique_ptr<FileDialogs> dialogs)
    : state_(state), dialogs_(dialogs ? std::move(dialogs) : MakeQtFileDialogs(this)) {
    setObjectName("Form1");
    setWindowTitle(QString("Rotating Molecues in Cartesian Coordinates (") +
                   kProgramNameAndVersion + ")");
    setFont(ArialFont(12, false));
    BuildMenu();
    auto* client = new QWidget(this);
    setCentralWidget(client);
    BuildControls(client);
    SetTabOrder();
    WireHandlers();
    resize(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
}

TForm1::~TForm1() = default;

void TForm1::BuildMenu() {
    menuBar()->setObjectName("MainMenu1");
    File1 = menuBar()->addMenu("File");
    File1->setObjectName("File1");
    File1->setFont(font());  // a menu is a window of its own and inherits no font
    Open1 = File1->addAction("Open");
    Open1->setObjectName("Open1");
    Save1 = File1->addAction("Save");
    Save1->setObjectName("Save1");
    Exit1 = File1->addAction("Exit");
    Exit1->setObjectName("Exit1");
    // A top-level item of the menu bar that acts when clicked.
    Help1 = menuBar()->addAction("Help");
    Help1->setObjectName("Help1");
}

void TForm1::BuildControls(QWidget* client) {
    Image1 = Place(new TImage(client), "Image1", 8, 0, 209, 217);
    Image2 = Place(new TImage(client), "Image2", 224, 0, 209, 217);
    Image3 = Place(new TImage(client), "Image3", 440, 0, 209, 217);
    Label3 = NewLabel(client, "Label3", "XY", 104, 224, 18, 13, true);
    Label4 = NewLabel(client, "Label4", "YZ", 320, 224, 17, 13, true);
    Label5 = NewLabel(client, "Label5", "ZX", 544, 224, 17, 13, true);

    Zangle = Place(new TEdit(client, "0"), "Zangle", 56, 240, 121, 20);
    RotateZ = Place(new TButton(client, "RotateZ"), "RotateZ", 80, 258, 73, 25);
    FitX = Place(new TButton(client, "FitX"), "FitX", 80, 282, 73, 25);
    Xangle = Place(new TEdit(client, "0"), "Xangle", 272, 240, 121, 20);
    RotateX = Place(new TButton(client, "RotateX"), "RotateX", 296, 258, 73, 25);
    FitY = Place(new TButton(client, "FitY"), "FitY", 296, 282, 73, 25);
    Yangle = Place(new TEdit(client, "0"), "Yangle", 496, 240, 121, 20);
    RotateY = Place(new TButton(client, "RotateY"), "RotateY", 520, 258, 73, 25);
    FitZ = Place(new TButton(client, "FitZ"), "FitZ", 520, 282, 73, 25);

    Label6 = NewLabel(client, "Label6", "Plot Scale (A)", 24, 536, 92, 13, true);
    SpinEdit3 = Place(new TSpinEdit(client, 1, 100, 10), "SpinEdit3", 120, 532, 73, 21);
    DispVec = Place(new TButton(client, "DispVec"), "DispVec", 56, 608, 75, 25);
    DispVec->hide();
    StringGrid1 = Place(new TStringGrid(client), "StringGrid1", 664, 0, 321, 681);

    GroupBox1 = NewGroupBox(client, "GroupBox1", "Center of Molecule", QColor(128, 128, 0), 16, 344,
                            185, 161);
    SpinEdit1 = Place(new TSpinEdit(GroupBox1, 1, 100, 1), "SpinEdit1", 32, 20, 58, 21);
    Edit1 = Place(new TEdit(GroupBox1, "Edit1"), "Edit1", 88, 21, 69, 20);
    SpinEdit2 = Place(new TSpinEdit(GroupBox1, 1, 100, 1), "SpinEdit2", 32, 44, 58, 21);
    Edit2 = Place(new TEdit(GroupBox1, "Edit2"), "Edit2", 88, 45, 69, 20);
    Center = Place(new TButton(GroupBox1, "Center"), "Center", 56, 96, 75, 25);
    Center->setFont(ArialFont(12, true));

    GroupBox2 = NewGroupBox(client, "GroupBox2", "Vector1 Definition", QColor(0, 0, 255), 224, 344,
                            393, 161);
    BuildVectorBox({GroupBox2,
                    'V',
                    {&SEV1, &SEV2, &SEV3, &SEV4, &SEV5, &SEV6, &SEV7, &SEV8},
                    {&V1, &V2, &V3, &V4, &V5, &V6, &V7, &V8},
                    {&VX, &VY, &VZ},
                    &Label1,
                    "Label1",
                    &CheckBox1,
                    "CheckBox1",
                    true,
                    0});
    // Black on pure blue is hard to read: the caption and the arrow go white,
    // while the spin boxes keep their dark arrows.
    QPalette onBlue = GroupBox2->palette();
    onBlue.setColor(QPalette::WindowText, Qt::white);
    GroupBox2->setPalette(onBlue);
    const QColor dark = QApplication::palette().color(QPalette::WindowText);
    for (TSpinEdit* atom : {SEV1, SEV2, SEV3, SEV4, SEV5, SEV6, SEV7, SEV8}) {
        QPalette palette = atom->palette();
        palette.setColor(QPalette::WindowText, dark);
        atom->setPalette(palette);
    }

    GroupBox3 = NewGroupBox(client, "GroupBox3", "Vector2 Definition", QColor(255, 0, 255), 224,
                            520, 393, 161);
    BuildVectorBox({GroupBox3,
                    'U',
                    {&SEU1, &SEU2, &SEU3, &SEU4, &SEU5, &SEU6, &SEU7, &SEU8},
                    {&U1, &U2, &U3, &U4, &U5, &U6, &U7, &U8},
                    {&UX, &UY, &UZ},
                    &Label2,
                    "Label2",
                    &CheckBox2,
                    "CheckBox2",
                    false,
                    8});
}

void TForm1::BuildVectorBox(const VectorBox& v) {
    // Tail atoms in the left column, head atoms in the right one.
    constexpr int kTops[4] = {20, 44, 68, 92};
    for (int i = 0; i < 8; ++i) {
        const int column = i / 4;
        const int top = kTops[i % 4];
        const std::string number = std::to_string(i + 1);
        const std::string atomName = std::string("SE") + v.letter + number;
        const std::string nameName = v.letter + number;
        *v.atoms[i] = Place(new TSpinEdit(v.box, 0, 100, 0), atomName.c_str(), 24 + 224 * column,
                            top, 58, 21);
        *v.names[i] =
            Place(new TEdit(v.box, "None"), nameName.c_str(), 80 + 224 * column, top + 1, 69, 20);
        vectorAtoms_[v.firstAtomSlot + static_cast<std::size_t>(i)] = *v.atoms[i];
    }
    *v.arrow = NewLabel(v.box, v.arrowName, "========>", 168, 64, 72, 13, false);
    constexpr char kAxes[3] = {'X', 'Y', 'Z'};
    for (int i = 0; i < 3; ++i) {
        const std::string name = std::string(1, v.letter) + kAxes[i];
        *v.components[i] = Place(new TEdit(v.box, ""), name.c_str(), 16 + 120 * i, 125, 121, 20);
    }
    *v.check = Place(new TCheckBox(v.box, v.checked), v.checkName, 192, 16, 17, 17);
}

void TForm1::SetTabOrder() {
    // Group boxes take no focus of their own: each stands in the order as its
    // controls, in their own order.
    // clang-format off
    QWidget* const order[] = {
        StringGrid1,
        SpinEdit1, SpinEdit2, Center, Edit1, Edit2,
        SEV1, SEV2, V1, V2, SEV3, SEV4, V3, V4, SEV5, V5, SEV6, SEV7, V6, V7, SEV8, V8,
        VX, VY, VZ, CheckBox1,
        SEU1, SEU2, U1, U2, SEU3, SEU4, U3, U4, SEU5, U5, SEU6, SEU7, U6, U7, SEU8, U8,
        UX, UY, UZ, CheckBox2,
        DispVec, SpinEdit3, Zangle, RotateZ, Xangle, RotateX, Yangle, RotateY, FitX, FitY, FitZ,
    };
    // clang-format on
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void TForm1::WireHandlers() {
    ConnectGuarded(Open1, [this] { Open1Click(); });
    ConnectGuarded(Save1, [this] { Save1Click(); });
    ConnectGuarded(Exit1, [this] { close(); });
    ConnectGuarded(Help1, [this] { Help1Click(); });
    SpinEdit1->OnChange = [this] { SpinEdit1Change(); };
    SpinEdit2->OnChange = [this] { SpinEdit2Change(); };
    Center->OnClick = [this] { CenterClick(); };
    SpinEdit3->OnChange = [this] { SpinEdit3Change(); };
    RotateZ->OnClick = [this] { RotateZClick(); };
    RotateX->OnClick = [this] { RotateXClick(); };
    RotateY->OnClick = [this] { RotateYClick(); };
    CheckBox1->OnClick = [this] { CheckBox1Click(); };
    CheckBox2->OnClick = [this] { CheckBox2Click(); };
    FitX->OnClick = [this] { FitXClick(); };
    FitY->OnClick = [this] { FitYClick(); };
    FitZ->OnClick = [this] { FitZClick(); };
    DispVec->OnClick = [this] { DispVecClick(); };
    using Change = void (TForm1::*)();
    constexpr Change kSelectionHandlers[16] = {
        &TForm1::SEV1Change, &TForm1::SEV2Change, &TForm1::SEV3Change, &TForm1::SEV4Change,
        &TForm1::SEV5Change, &TForm1::SEV6Change, &TForm1::SEV7Change, &TForm1::SEV8Change,
        &TForm1::SEU1Change, &TForm1::SEU2Change, &TForm1::SEU3Change, &TForm1::SEU4Change,
        &TForm1::SEU5Change, &TForm1::SEU6Change, &TForm1::SEU7Change, &TForm1::SEU8Change,
    };
    for (std::size_t i = 0; i < vectorAtoms_.size(); ++i) {
        vectorAtoms_[i]->OnChange = [this, handler = kSelectionHandlers[i]] { (this->*handler)(); };
    }
}

void TForm1::ShowCentred() {
    if (const QScreen* screen = this->screen()) {
        move(CentredOver(screen->availableGeometry(), frameGeometry().size()));
    }
    show();
}

void TForm1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LocaleChange) {
        ApplyRegionalSettings();
        StringGrid1->viewport()->update();  // the grid formats its numbers as it paints
    }
    QMainWindow::changeEvent(event);
}

// --- Handlers ---

void TForm1::Open1Click() {
    RememberedPaths& paths = state_.Paths;
    paths.LastDir = LoadLastDir(paths.StartDir);
    const std::optional<std::string> chosen = dialogs_->ChooseInputFile(paths.LastDir);
    if (!chosen) return;
    AcceptChosenInputFile(paths, *chosen);

    AtomTable& atoms = state_.Atoms;
    {
        const WaitCursor wait;
        // Read aside and shown before it is taken: a failure in either, for
        // memory too, leaves the molecule and the grid as they were.
        AtomTable fresh = ReadCoordinateTable(paths.InFileName, atoms);
        StringGrid1->ShowAtoms(fresh);
        std::swap(atoms, fresh);
    }
    SpinEdit1->SetMaxValue(atoms.AtomCount);
    SpinEdit2->SetMaxValue(atoms.AtomCount);
    // 2 first, so that SpinEdit1Change runs even when the box already shows 1.
    SpinEdit1->SetValue(2);
    SpinEdit1->SetValue(1);
    SpinEdit2->SetValue(2);
    // Setting the 2 it may already show raises nothing, yet Edit2 must name
    // the new molecule's atom.
    SpinEdit2Change();
    // Only the limits: the selections, their names, the components and the
    // panes stay until the user changes a selection.
    for (TSpinEdit* box : vectorAtoms_) box->SetMaxValue(atoms.AtomCount);
}

void TForm1::Save1Click() {
    RememberedPaths& paths = state_.Paths;
    const std::optional<std::string> chosen =
        dialogs_->ChooseOutputFile(paths.LastDir, DefaultOutputName(paths.InFileName));
    if (!chosen) return;
    paths.OutFileName = *chosen;
    const WaitCursor wait;
    WriteCoordinateFile(paths.OutFileName, state_.Atoms);
}

void TForm1::Help1Click() {
    if (help_) help_->ShowCentredOver(frameGeometry());
}

void TForm1::SpinEdit1Change() {
    Edit1->SetText(SelectionLabel(state_.Atoms, SpinEdit1->Value()));
}

void TForm1::SpinEdit2Change() {
    Edit2->SetText(SelectionLabel(state_.Atoms, SpinEdit2->Value()));
}

void TForm1::AtomSelectionChange(TSpinEdit* atom, TEdit* name) {
    name->SetText(SelectionLabel(state_.Atoms, atom->Value()));
    DispVecClick();
}

void TForm1::CenterClick() {
    CenterOnPair(state_.Atoms, SpinEdit1->Value(), SpinEdit2->Value());
    // No redraw: a translation keeps both vectors and so the panes.
    StringGrid1->RefreshAtoms(state_.Atoms);
}

void TForm1::SpinEdit3Change() {
    DispVecClick();
}

void TForm1::RotateZClick() {
    RotateAbout(Axis::Z);
}

void TForm1::RotateXClick() {
    RotateAbout(Axis::X);
}

void TForm1::RotateYClick() {
    RotateAbout(Axis::Y);
}

TEdit* TForm1::AngleBox(Axis axis) const {
    switch (axis) {
        case Axis::Z:
            return Zangle;
        case Axis::X:
            return Xangle;
        case Axis::Y:
            break;
    }
    return Yangle;
}

void TForm1::RotateAbout(Axis axis) {
    Rotate(state_.Atoms, axis, AngleBox(axis)->Text());
    StringGrid1->RefreshCoordinates(state_.Atoms);
    DispVecClick();  // also with no atoms
}

// Each box sets its partner to the opposite state; the partner's own handler
// then asks for the state this box already has, which raises nothing more.
void TForm1::CheckBox1Click() {
    CheckBox2->SetChecked(!CheckBox1->Checked());
}

void TForm1::CheckBox2Click() {
    CheckBox1->SetChecked(!CheckBox2->Checked());
}

void TForm1::FitXClick() {
    FitOnto(Axis::X);
}

void TForm1::FitYClick() {
    FitOnto(Axis::Y);
}

void TForm1::FitZClick() {
    FitOnto(Axis::Z);
}

void TForm1::FitOnto(Axis target) {
    const FitRule rule = FitRuleFor(target);
    const VectorId vector = CheckBox1->Checked() ? VectorId::Vector1 : VectorId::Vector2;
    // The components as the boxes show them now, typed text included; a
    // failure here leaves the angle box and the molecule as they were.
    const std::string angle = FitAngleText(ComponentBox(vector, rule.numerator)->Text(),
                                           ComponentBox(vector, rule.denominator)->Text());
    // The rotation reads the angle back from its box, as the user sees it.
    AngleBox(rule.turn)->SetText(angle);
    RotateAbout(rule.turn);
}

TEdit* TForm1::ComponentBox(VectorId vector, Axis component) const {
    const bool first = vector == VectorId::Vector1;
    switch (component) {
        case Axis::X:
            return first ? VX : UX;
        case Axis::Y:
            return first ? VY : UY;
        case Axis::Z:
            break;
    }
    return first ? VZ : UZ;
}

// What the redraw reads from and writes to the window's boxes.
class TForm1::PaneControls : public RedrawControls {
  public:
    explicit PaneControls(TForm1& form) : form_(form) {}

    std::int32_t PaneHeight() override { return form_.Image1->height(); }
    std::int32_t PaneWidth() override { return form_.Image1->width(); }
    std::int32_t PlotScale() override { return form_.SpinEdit3->Value(); }

    VectorDefinition Selections(VectorId vector) override {
        // SEV1..SEV8, then SEU1..SEU8: tail boxes first, then head boxes.
        const std::size_t first = vector == VectorId::Vector1 ? 0 : 8;
        VectorDefinition definition;
        for (std::size_t i = 0; i < 4; ++i) {
            definition.Tail.Selection[i] = form_.vectorAtoms_[first + i]->Value();
            definition.Head.Selection[i] = form_.vectorAtoms_[first + 4 + i]->Value();
        }
        return definition;
    }

    std::string ComponentText(VectorId vector, Axis component) override {
        return form_.ComponentBox(vector, component)->Text();
    }
    // The component boxes have no change handler, so this starts nothing.
    void SetComponentText(VectorId vector, Axis component, const std::string& text) override {
        form_.ComponentBox(vector, component)->SetText(text);
    }

  private:
    TForm1& form_;
};

void TForm1::DispVecClick() {
    PaneControls controls(*this);
    Redraw(state_.Atoms, window_, controls,
           Panes{Image1->Surface(), Image2->Surface(), Image3->Surface()});
}

}  // namespace pivora
