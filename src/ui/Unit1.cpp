#include "ui/Unit1.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <algorithm>
#include <optional>
#include <utility>

#include "base/Error.h"
#include "coordinates/CoordinateWriter.h"
#include "engine/Recipe.h"
#include "files/DirectoryMemory.h"
#include "files/FileIo.h"
#include "numeric/DecimalText.h"
#include "structure/Measure.h"
#include "ui/EventGuard.h"
#include "ui/LongWork.h"
#include "ui/Settings.h"
#include "ui/ShownText.h"
#include "ui/Startup.h"
#include "ui/SymmetryWindow.h"
#include "ui/Unit2.h"
#include "ui/UserGuide.h"
#include "ui/View3D.h"

namespace pivora {
namespace {

// The outer 1000 x 736 on a frame of 4 pixels, a title bar of 23 and a menu
// bar leave 992 x 682 for the controls below the menu.
constexpr int kClientWidth = 992;
constexpr int kClientHeight = 682;

constexpr char kPositiveFitsKey[] = "orient/positiveFits";
constexpr char kShowAtomsKey[] = "view/showAtoms";
// The window's place as Qt keeps it, and whether its size was the user's.
constexpr char kGeometryKey[] = "window/geometry";
constexpr char kResizedKey[] = "window/resized";

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

QGroupBox* NewGroupBox(QWidget* parent, const char* name, const char* caption, QColor color,
                       int left, int top, int width, int height) {
    auto* box = Place(new QGroupBox(caption, parent), name, left, top, width, height);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Window, color);
    box->setPalette(palette);
    box->setAutoFillBackground(true);
    return box;
}

}  // namespace

// What the engine does to the grid and the panes, done to the window's.
class TForm1::EngineView : public EngineObserver {
  public:
    explicit EngineView(TForm1& form) : form_(form) {}
    void ShowAtoms(const AtomTable& table) override {
        form_.StringGrid1->ShowAtoms(table);
        if (form_.view3D_) form_.view3D_->MoleculeChanged();
    }
    void ReleaseAtoms() override {
        form_.StringGrid1->ReleaseAtoms();
        if (form_.view3D_) form_.view3D_->ReleaseMolecule();
    }
    void RefreshAtoms(const AtomTable& table, bool withLabels) override {
        if (form_.view3D_) form_.view3D_->CoordinatesChanged();
        if (withLabels) {
            form_.StringGrid1->RefreshAtoms(table);
        } else {
            form_.StringGrid1->RefreshCoordinates(table);
        }
    }
    void ResetPane(int pane) override {
        TImage* const panes[3] = {form_.Image1, form_.Image2, form_.Image3};
        panes[pane]->Forget();
    }

  private:
    TForm1& form_;
};

TForm1::TForm1(ProgramState& state, std::unique_ptr<FileDialogs> dialogs)
    : state_(state),
      engine_(state.Atoms),
      view_(std::make_unique<EngineView>(*this)),
      dialogs_(dialogs ? std::move(dialogs) : MakeQtFileDialogs(this)) {
    setObjectName("Form1");
    setFont(ArialFont(12, false));
    BuildMenu();
    Client = new QWidget;
    Client->setObjectName("Client");
    BuildControls(Client);
    BuildDirectionLabels();
    Client->resize(kClientWidth, kClientHeight);
    // At its full size the area shows the controls as they are placed, with
    // no frame and no margin; smaller, it scrolls rather than cut them off.
    ClientArea = new QScrollArea(this);
    ClientArea->setObjectName("ClientArea");
    ClientArea->setFrameShape(QFrame::NoFrame);
    ClientArea->setFocusPolicy(Qt::NoFocus);
    ClientArea->setWidget(Client);
    setCentralWidget(ClientArea);
    MeasureText = new QLabel(this);
    MeasureText->setObjectName("MeasureText");
    MeasureText->setTextFormat(Qt::PlainText);
    MeasureText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    BondsNote = new QLabel(this);
    BondsNote->setObjectName("BondsNote");
    BondsNote->setTextFormat(Qt::PlainText);
    statusBar()->setObjectName("StatusBar1");
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(MeasureText, 1);
    statusBar()->addPermanentWidget(BondsNote);
    statusBar()->hide();
    SetTabOrder();
    WireHandlers();
    engine_.SetObserver(view_.get());
    engine_.SetPaneSize(Image1->width(), Image1->height());
    engine_.SetPanes(&Image1->Drawing(), &Image2->Drawing(), &Image3->Drawing());
    engine_.SetShowAtoms(ShowAtoms1->isChecked());
    resize(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
    FitGridWidth();
    ShowState();
}

void TForm1::FitGridWidth() {
    // The atom numbers stand left of the label column: the grid, and the
    // window with it, grow by their width rather than squeeze the columns.
    const int numbers = StringGrid1->RowNumberWidth();
    StringGrid1->setGeometry(664, 0, 321 + numbers, 681);
    const int clientWidth = kClientWidth + numbers;
    const int grown = clientWidth - Client->width();
    Client->resize(clientWidth, kClientHeight);
    if (grown > 0) {
        resize(width() + grown, height());
        FitScreen();
    }
}

QSize TForm1::NaturalSize() const {
    const int bar = statusBar()->isHidden() ? 0 : statusBar()->sizeHint().height();
    return {Client->width(), menuBar()->sizeHint().height() + Client->height() + bar};
}

QSize TForm1::MostSize() const {
    const QScreen* screen = this->screen();
    if (!screen) return size();
    const QRect room = screen->availableGeometry();
    // The window manager's frame, once there is one.
    const QSize frame = frameGeometry().size() - size();
    return {room.width() - frame.width(), room.height() - frame.height()};
}

void TForm1::FitScreen() {
    const QScreen* screen = this->screen();
    if (!screen || isMaximized() || isFullScreen()) return;
    const QSize most = MostSize();
    if (!size().boundedTo(most).isEmpty() && size().boundedTo(most) != size()) {
        resize(size().boundedTo(most));
    }
    const QRect room = screen->availableGeometry();
    const QRect outer = frameGeometry();
    const QPoint inside(std::clamp(outer.left(), room.left(),
                                   std::max(room.left(), room.right() + 1 - outer.width())),
                        std::clamp(outer.top(), room.top(),
                                   std::max(room.top(), room.bottom() + 1 - outer.height())));
    if (inside != outer.topLeft()) move(inside);
}

void TForm1::ShowStatus() {
    MeasureText->setText(MeasurementText());
    const bool leftOut = engine_.ShowsAtoms() && engine_.BondsLeftOut();
    BondsNote->setText(
        leftOut
            ? QStringLiteral("Bonds are drawn only up to %1 atoms.")
                  .arg(
                      QLocale(QLocale::English).toString(static_cast<qulonglong>(kMostBondedAtoms)))
            : QString());
    BondsNote->setVisible(leftOut);
    const bool wanted = !MeasureText->text().isEmpty() || leftOut;
    QStatusBar* bar = statusBar();
    if (wanted != bar->isHidden()) return;
    // The controls keep their room: the window grows by the bar and gives
    // the height back when it goes.
    const int height = bar->sizeHint().height();
    bar->setVisible(wanted);
    if (isMaximized() || isFullScreen()) return;
    resize(width(), this->height() + (wanted ? height : -height));
    FitScreen();
}

TForm1::~TForm1() = default;

void TForm1::BuildMenu() {
    menuBar()->setObjectName("MainMenu1");
    File1 = menuBar()->addMenu("&File");
    File1->setObjectName("File1");
    File1->setFont(font());  // a menu is a window of its own and inherits no font
    Open1 = File1->addAction("Open");
    Open1->setObjectName("Open1");
    Open1->setShortcut(QKeySequence::Open);
    Save1 = File1->addAction("Save");
    Save1->setObjectName("Save1");
    Save1->setShortcut(QKeySequence::Save);
    Export1 = File1->addAction("Export...");
    Export1->setObjectName("Export1");
    Export1->setToolTip(
        "Writes the molecule as standard XYZ, or as the geometry of a Gaussian "
        "or ORCA input, for the calculation it was oriented for.");
    File1->addSeparator();
    SaveRecipe1 = File1->addAction("Save Recipe...");
    SaveRecipe1->setObjectName("SaveRecipe1");
    SaveRecipe1->setToolTip(
        "Writes the commands since the file was opened, to run them again "
        "here or with pivora-batch on other files.");
    ApplyRecipe1 = File1->addAction("Apply Recipe...");
    ApplyRecipe1->setObjectName("ApplyRecipe1");
    ApplyRecipe1->setToolTip(
        "Runs the commands of a recipe on this molecule, as one step that "
        "Edit > Undo takes back.");
    File1->addSeparator();
    Exit1 = File1->addAction("Exit");
    Exit1->setObjectName("Exit1");
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    File1->setToolTipsVisible(true);

    EditMenu = menuBar()->addMenu("&Edit");
    EditMenu->setObjectName("EditMenu");
    EditMenu->setFont(font());
    EditMenu->setToolTipsVisible(true);
    Undo1 = EditMenu->addAction("Undo");
    Undo1->setObjectName("Undo1");
    Undo1->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    Redo1 = EditMenu->addAction("Redo");
    Redo1->setObjectName("Redo1");
    Redo1->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    const QString limit = QStringLiteral(
        "Undo keeps about 256 MB of earlier coordinates, less when memory is short; older steps "
        "fall off. Opening a file starts afresh.");
    Undo1->setToolTip(limit);
    Redo1->setToolTip(limit);
    EditMenu->addSeparator();
    CopyAsMenu = EditMenu->addMenu("Copy Coordinates As");
    CopyAsMenu->setObjectName("CopyAsMenu");
    CopyAsMenu->setFont(font());
    for (const auto& [caption, format] :
         {std::pair{"Standard XYZ", io::ExportFormat::Xyz},
          std::pair{"Gaussian Input", io::ExportFormat::GaussianInput},
          std::pair{"ORCA Input", io::ExportFormat::OrcaInput}}) {
        QAction* copy = CopyAsMenu->addAction(caption);
        ConnectGuarded(copy, [this, format = format] { CopyAsClick(format); });
    }
    CopyMeasurement1 = EditMenu->addAction("Copy Measurement");
    CopyMeasurement1->setObjectName("CopyMeasurement1");
    CopyMeasurement1->setEnabled(false);
    CopyMeasurement1->setToolTip(
        "Copies the distance, angle or dihedral of the atoms picked with Ctrl+click, as the "
        "status bar shows it.");

    ViewMenu = menuBar()->addMenu("&View");
    ViewMenu->setObjectName("ViewMenu");
    ViewMenu->setFont(font());
    ViewMenu->setToolTipsVisible(true);
    ShowAtoms1 = ViewMenu->addAction("Show Atoms");
    ShowAtoms1->setObjectName("ShowAtoms1");
    ShowAtoms1->setCheckable(true);
    ShowAtoms1->setChecked(LoadSetting(kShowAtomsKey, false));
    ShowAtoms1->setToolTip(
        "Draws every atom in the panes as a dot in its element's color, with its bonds, the "
        "atoms of Vector1's groups ringed in blue and Vector2's in red. Click an atom to put it "
        "into the atom box used last; Ctrl+click two to four atoms to measure them.");
    ZoomToFit1 = ViewMenu->addAction("Zoom to Fit");
    ZoomToFit1->setObjectName("ZoomToFit1");
    ZoomToFit1->setToolTip(
        "Sets the plot scale to the smallest at which the whole molecule and the vectors lie in "
        "all three panes.");
    ViewMenu->addSeparator();
    View3D1 = ViewMenu->addAction("3-D View");
    View3D1->setObjectName("View3D1");
    View3D1->setCheckable(true);
    View3D1->setShortcut(QKeySequence(Qt::Key_F3));
    View3D1->setToolTip(
        "Shows the molecule in a window of its own as balls and sticks, with the vectors as "
        "arrows and the axes. Drag to turn it, right-drag to move it, wheel to zoom; click an "
        "atom to put it into the atom box used last. The coordinates stay as they are.");
    ViewMenu->addSeparator();
    LanguageMenu = ViewMenu->addMenu("Language");
    LanguageMenu->setObjectName("LanguageMenu");
    LanguageMenu->setFont(font());
    LanguageMenu->setToolTipsVisible(true);
    auto* languages = new QActionGroup(LanguageMenu);
    Japanese1 = LanguageMenu->addAction("Japanese");
    Japanese1->setObjectName("Japanese1");
    English1 = LanguageMenu->addAction("English");
    English1->setObjectName("English1");
    for (QAction* language : {Japanese1, English1}) {
        language->setCheckable(true);
        language->setToolTip(
            "The language of the error messages, their box and the user guide, from now on and "
            "at the next start. The window's captions and the help page are English in both.");
        languages->addAction(language);
    }
    (CurrentLanguage() == Language::English ? English1 : Japanese1)->setChecked(true);

    OrientMenu = menuBar()->addMenu("&Orient");
    OrientMenu->setObjectName("OrientMenu");
    OrientMenu->setFont(font());
    OrientMenu->setToolTipsVisible(true);
    PositiveFits1 = OrientMenu->addAction("Fits Put the Head on the Positive Axis");
    PositiveFits1->setObjectName("PositiveFits1");
    PositiveFits1->setCheckable(true);
    PositiveFits1->setChecked(LoadSetting(kPositiveFitsKey, false));
    PositiveFits1->setToolTip(
        "FitX, FitY and FitZ turn half a turn further where the vector's head would end on the "
        "negative side, so that a series of molecules comes out in one frame. The angle box "
        "shows the angle turned; a recipe records it as fit +x, fit +y or fit +z.");

    BuildToolsMenu();

    // A top-level item of the menu bar that acts when clicked.
    Help1 = menuBar()->addAction("&Help");
    Help1->setObjectName("Help1");
    Help1->setShortcut(QKeySequence::HelpContents);
    UserGuide1 = menuBar()->addAction("&User Guide");
    UserGuide1->setObjectName("UserGuide1");
    UserGuide1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
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
    const VectorControls v = BuildVectorBox(GroupBox2, 'V', "Label1", "CheckBox1", true);
    std::tie(SEV1, SEV2, SEV3, SEV4, SEV5, SEV6, SEV7, SEV8) = std::tuple_cat(v.atoms);
    std::tie(V1, V2, V3, V4, V5, V6, V7, V8) = std::tuple_cat(v.names);
    std::tie(VX, VY, VZ) = std::tuple_cat(v.components);
    Label1 = v.arrow;
    CheckBox1 = v.check;
    V1More = v.more[0];
    V5More = v.more[1];
    // Black on pure blue is hard to read: the caption and the arrow go white,
    // while the spin boxes keep their dark arrows.
    QPalette onBlue = GroupBox2->palette();
    onBlue.setColor(QPalette::WindowText, Qt::white);
    GroupBox2->setPalette(onBlue);
    const QColor dark = QApplication::palette().color(QPalette::WindowText);
    for (TSpinEdit* atom : v.atoms) {
        QPalette palette = atom->palette();
        palette.setColor(QPalette::WindowText, dark);
        atom->setPalette(palette);
    }

    GroupBox3 = NewGroupBox(client, "GroupBox3", "Vector2 Definition", QColor(255, 0, 255), 224,
                            520, 393, 161);
    const VectorControls u = BuildVectorBox(GroupBox3, 'U', "Label2", "CheckBox2", false);
    std::tie(SEU1, SEU2, SEU3, SEU4, SEU5, SEU6, SEU7, SEU8) = std::tuple_cat(u.atoms);
    std::tie(U1, U2, U3, U4, U5, U6, U7, U8) = std::tuple_cat(u.names);
    std::tie(UX, UY, UZ) = std::tuple_cat(u.components);
    Label2 = u.arrow;
    CheckBox2 = u.check;
    U1More = u.more[0];
    U5More = u.more[1];

    // The engine names every box; the window finds each by that name.
    spins_[static_cast<int>(SpinId::SpinEdit1)] = SpinEdit1;
    spins_[static_cast<int>(SpinId::SpinEdit2)] = SpinEdit2;
    spins_[static_cast<int>(SpinId::SpinEdit3)] = SpinEdit3;
    texts_[static_cast<int>(TextId::Edit1)] = Edit1;
    texts_[static_cast<int>(TextId::Edit2)] = Edit2;
    for (const auto& [vector, boxes] :
         {std::pair{VectorId::Vector1, &v}, std::pair{VectorId::Vector2, &u}}) {
        for (int i = 0; i < 8; ++i) {
            const SpinId atom = AtomBox(vector, i);
            spins_[static_cast<int>(atom)] = boxes->atoms[i];
            texts_[static_cast<int>(*NameBoxOf(atom))] = boxes->names[i];
        }
        for (const Axis axis : {Axis::X, Axis::Y, Axis::Z}) {
            texts_[static_cast<int>(ComponentBox(vector, axis))] =
                boxes->components[static_cast<int>(axis)];
        }
    }
    texts_[static_cast<int>(TextId::Zangle)] = Zangle;
    texts_[static_cast<int>(TextId::Xangle)] = Xangle;
    texts_[static_cast<int>(TextId::Yangle)] = Yangle;
    for (TEdit* numbers : {VX, VY, VZ, UX, UY, UZ, Zangle, Xangle, Yangle}) {
        numbers->SetShrinkToFit(true);
    }
}

TForm1::VectorControls TForm1::BuildVectorBox(QGroupBox* box, char letter, const char* arrowName,
                                              const char* checkName, bool checked) {
    VectorControls controls{};
    // Tail atoms in the left column, head atoms in the right one.
    constexpr int kTops[4] = {20, 44, 68, 92};
    for (int i = 0; i < 8; ++i) {
        const int column = i / 4;
        const int top = kTops[i % 4];
        const std::string number = std::to_string(i + 1);
        const std::string atomName = std::string("SE") + letter + number;
        const std::string nameName = letter + number;
        controls.atoms[i] =
            Place(new TSpinEdit(box, 0, 100, 0), atomName.c_str(), 24 + 224 * column, top, 58, 21);
        controls.names[i] =
            Place(new TEdit(box, "None"), nameName.c_str(), 80 + 224 * column, top + 1, 69, 20);
    }
    controls.arrow = NewLabel(box, arrowName, "========>", 168, 64, 72, 13, false);
    constexpr char kAxes[3] = {'X', 'Y', 'Z'};
    for (int i = 0; i < 3; ++i) {
        const std::string name = std::string(1, letter) + kAxes[i];
        controls.components[i] =
            Place(new TEdit(box, ""), name.c_str(), 16 + 120 * i, 125, 121, 20);
    }
    controls.check = Place(new TCheckBox(box, checked), checkName, 192, 16, 17, 17);
    // Under each column, between the boxes and the components: how many
    // atoms a group holds beyond its four boxes.
    for (int end = 0; end < 2; ++end) {
        const std::string name = std::string(1, letter) + (end == 0 ? "1More" : "5More");
        controls.more[end] = Place(new QLabel(box), name.c_str(), 24 + 224 * end, 112, 125, 13);
        controls.more[end]->setTextFormat(Qt::PlainText);
        controls.more[end]->hide();
    }
    return controls;
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
    ConnectGuarded(Export1, [this] { Export1Click(); });
    ConnectGuarded(SaveRecipe1, [this] { SaveRecipe1Click(); });
    ConnectGuarded(ApplyRecipe1, [this] { ApplyRecipe1Click(); });
    ConnectGuarded(Exit1, [this] { close(); });
    ConnectGuarded(Undo1, [this] { Undo1Click(); });
    ConnectGuarded(Redo1, [this] { Redo1Click(); });
    ConnectGuarded(Help1, [this] { Help1Click(); });
    ConnectGuarded(CopyMeasurement1, [this] { CopyMeasurement1Click(); });
    ConnectGuarded(ZoomToFit1, [this] { ZoomToFit1Click(); });
    ConnectGuarded(UserGuide1, [this] { UserGuide1Click(); });
    ConnectGuarded(Japanese1, [this] { LanguageClick(Language::Japanese); });
    ConnectGuarded(English1, [this] { LanguageClick(Language::English); });
    // What the user does to a box is the engine's to carry out: typing, the
    // arrows and the limits of a box that loses the focus all arrive as its
    // new text.
    for (int i = 0; i < kSpinCount; ++i) {
        const auto box = static_cast<SpinId>(i);
        spins_[i]->OnChange = [this, box] {
            Run([&] { engine_.TypeSpin(box, spins_[static_cast<int>(box)]->Text()); });
        };
    }
    for (int i = 0; i < kTextCount; ++i) {
        const auto box = static_cast<TextId>(i);
        texts_[i]->OnChange = [this, box] {
            Run([&] { engine_.TypeText(box, texts_[static_cast<int>(box)]->Text()); });
        };
    }
    CheckBox1->OnClick = [this] { Run([&] { engine_.ClickCheckBox(1, CheckBox1->Checked()); }); };
    CheckBox2->OnClick = [this] { Run([&] { engine_.ClickCheckBox(2, CheckBox2->Checked()); }); };
    Center->OnClick = [this] { CenterClick(); };
    RotateZ->OnClick = [this] { RotateZClick(); };
    RotateX->OnClick = [this] { RotateXClick(); };
    RotateY->OnClick = [this] { RotateYClick(); };
    FitX->OnClick = [this] { FitXClick(); };
    FitY->OnClick = [this] { FitYClick(); };
    FitZ->OnClick = [this] { FitZClick(); };
    DispVec->OnClick = [this] { DispVecClick(); };
    // Enter in an angle box turns the molecule by it.
    connect(Zangle, &QLineEdit::returnPressed, this,
            [this] { Guarded([this] { RotateZClick(); }); });
    connect(Xangle, &QLineEdit::returnPressed, this,
            [this] { Guarded([this] { RotateXClick(); }); });
    connect(Yangle, &QLineEdit::returnPressed, this,
            [this] { Guarded([this] { RotateYClick(); }); });
    setAcceptDrops(true);

    connect(ShowAtoms1, &QAction::toggled, this,
            [this] { Guarded([this] { ShowAtoms1Click(); }); });
    connect(PositiveFits1, &QAction::toggled, this,
            [](bool checked) { StoreSetting(kPositiveFitsKey, checked); });
    connect(View3D1, &QAction::toggled, this, [this] { Guarded([this] { View3D1Click(); }); });
    for (const auto& [image, pane] : {std::pair{Image1, PaneId::XY}, std::pair{Image2, PaneId::YZ},
                                      std::pair{Image3, PaneId::ZX}}) {
        image->OnClickAt = [this, pane = pane](int x, int y) { PaneClick(pane, x, y); };
        image->OnCtrlClickAt = [this, pane = pane](int x, int y) { PaneMeasureClick(pane, x, y); };
        image->ToolTipAt = [this, pane = pane](int x, int y) {
            const int atom = ShowAtoms1->isChecked() ? engine_.AtomAt(pane, x, y) : 0;
            return atom == 0 ? QString()
                             : QString::number(atom) + ' ' +
                                   ShownLocalHead(SelectionLabel(state_.Atoms, atom));
        };
    }

    connect(StringGrid1, &TStringGrid::AtomPicked, this,
            [this](int atom) { Guarded([&] { PickAtom(atom); }); });
    connect(StringGrid1, &TStringGrid::AtomMeasured, this,
            [this](int atom) { Guarded([&] { MeasureAtom(atom); }); });
    connect(StringGrid1, &TStringGrid::RowNumberWidthChanged, this, [this] { FitGridWidth(); });
    connect(StringGrid1, &TStringGrid::RowMenuRequested, this,
            [this](const QPoint& where) { ShowRowMenu(where); });
    // The box a pick goes to: the atom box that last had the focus.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (int i = 0; i < kSpinCount; ++i) {
            const auto box = static_cast<SpinId>(i);
            if (box == SpinId::SpinEdit3 || !now) continue;
            if (now == spins_[i] || spins_[i]->isAncestorOf(now)) pickTarget_ = box;
        }
    });
}

void TForm1::ShowRowMenu(const QPoint& globalPosition) {
    QMenu menu(this);
    menu.setFont(font());
    const std::vector<int> atoms = StringGrid1->SelectedAtoms();
    const QString count = atoms.size() == 1 ? QStringLiteral("atom %1").arg(atoms.front())
                                            : QStringLiteral("%1 atoms").arg(atoms.size());
    for (const VectorId vector : {VectorId::Vector1, VectorId::Vector2}) {
        for (const GroupEnd end : {GroupEnd::Tail, GroupEnd::Head}) {
            const QString caption = QStringLiteral("Set %1 as %2 %3")
                                        .arg(count)
                                        .arg(vector == VectorId::Vector1 ? "Vector1" : "Vector2")
                                        .arg(end == GroupEnd::Tail ? "tail" : "head");
            connect(menu.addAction(caption), &QAction::triggered, this,
                    [=, this] { Guarded([&] { SetGroupClick(vector, end, atoms); }); });
        }
        menu.addSeparator();
    }
    menu.exec(globalPosition);
}

void TForm1::ShowCentered() {
    const QByteArray kept = LoadSettingValue(kGeometryKey).toByteArray();
    const bool placed = !kept.isEmpty() && restoreGeometry(kept);
    if (placed && !LoadSetting(kResizedKey, false) && !isMaximized()) resize(NaturalSize());
    FitScreen();
    if (!placed) {
        if (const QScreen* screen = this->screen()) {
            move(CenteredOver(screen->availableGeometry(), frameGeometry().size()));
        }
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

void TForm1::closeEvent(QCloseEvent* event) {
    bool close = !engine_.Modified();
    if (!close) {
        // The dialogs and the save run inside the guard: this is Qt's code.
        Guarded([&] {
            switch (dialogs_->AskToSaveChanges()) {
                case FileDialogs::CloseAnswer::Save:
                    Save1Click();
                    close = !engine_.Modified();
                    break;
                case FileDialogs::CloseAnswer::Discard:
                    close = true;
                    break;
                case FileDialogs::CloseAnswer::Cancel:
                    break;
            }
        });
    }
    if (close) {
        if (view3D_) view3D_->SaveSettings(view3D_->isVisible());
        StoreSetting(kShowAtomsKey, ShowAtoms1->isChecked());
        StoreSetting(kGeometryKey, saveGeometry());
        // A size the screen made smaller is no choice of the user's.
        StoreSetting(kResizedKey, !isMaximized() && size() != NaturalSize().boundedTo(MostSize()));
        QMainWindow::closeEvent(event);
    } else {
        event->ignore();
    }
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data->hasUrls() && !data->urls().isEmpty() && data->urls().front().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void TForm1::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    const std::string path = LocalFilePath(urls.front());
    Guarded([&] {
        if (MayReplaceMolecule()) OpenFile(path);
    });
}

bool TForm1::MayReplaceMolecule() {
    if (!engine_.Modified()) return true;
    switch (dialogs_->AskToSaveChanges(FileDialogs::Leaving::Open)) {
        case FileDialogs::CloseAnswer::Save:
            Save1Click();
            return !engine_.Modified();
        case FileDialogs::CloseAnswer::Discard:
            return true;
        case FileDialogs::CloseAnswer::Cancel:
            break;
    }
    return false;
}

template <typename Call>
void TForm1::Run(Call&& call) {
    try {
        call();
    } catch (...) {
        ShowState();
        throw;
    }
    ShowState();
}

void TForm1::ShowState() {
    const ControlState& controls = engine_.Controls();
    for (int i = 0; i < kSpinCount; ++i) {
        const SpinState& spin = controls.Spins[i];
        spins_[i]->Show(spin.Text, spin.Min, spin.Max);
    }
    for (int i = 0; i < kTextCount; ++i) texts_[i]->Show(controls.Texts[i].Str());
    CheckBox1->Show(controls.CheckBox1);
    CheckBox2->Show(controls.CheckBox2);
    ShowMore(V1More, VectorId::Vector1, GroupEnd::Tail);
    ShowMore(V5More, VectorId::Vector1, GroupEnd::Head);
    ShowMore(U1More, VectorId::Vector2, GroupEnd::Tail);
    ShowMore(U5More, VectorId::Vector2, GroupEnd::Head);
    ShowDirection(V1Direction, VectorId::Vector1);
    ShowDirection(U1Direction, VectorId::Vector2);

    QString note = QString::fromLatin1(kProgramNameAndVersion);
    if (!openedName_.empty()) {
        QString file = QFile::decodeName(QByteArray::fromStdString(openedName_)) + "[*]";
        const io::MoleculeInfo& opened = engine_.Opened();
        if (opened.frameCount > 1) {
            file += QString(", %1 %2 of %3")
                        .arg(opened.kind == io::FileKind::Xyz ? "frame" : "geometry")
                        .arg(opened.frame)
                        .arg(opened.frameCount);
        }
        if (opened.kind == io::FileKind::GaussianOutput && !opened.note.empty())
            file += ", Gaussian's standard orientation";
        if (opened.convertedFromBohr) file += ", converted from bohr";
        note = file + " - " + note;
    }
    setWindowTitle("Rotating Molecues in Cartesian Coordinates (" + note + ")");
    setWindowModified(engine_.Modified());

    const auto title = [](const char* verb, const std::string& step) {
        return step.empty() ? QString::fromLatin1(verb)
                            : QString::fromLatin1(verb) + ' ' + QString::fromStdString(step);
    };
    Undo1->setText(title("Undo", engine_.UndoTitle()));
    Undo1->setEnabled(engine_.CanUndo());
    Redo1->setText(title("Redo", engine_.RedoTitle()));
    Redo1->setEnabled(engine_.CanRedo());
    CopyMeasurement1->setEnabled(engine_.Measured().size() >= 2);
    ShowStatus();
    if (view3D_) {
        view3D_->SetMeasured(engine_.Measured());
        view3D_->Follow();
    }
    SymmetryForm->Refresh();
}

// --- Handlers ---

void TForm1::Open1Click() {
    if (!MayReplaceMolecule()) return;
    RememberedPaths& paths = state_.Paths;
    paths.LastDir = LoadLastDir(paths.StartDir);
    const std::optional<std::string> chosen = dialogs_->ChooseInputFile(paths.LastDir);
    if (!chosen) return;
    OpenFile(*chosen);
}

void TForm1::OpenFile(const std::string& path) {
    RememberedPaths& paths = state_.Paths;
    const std::string opened = paths.InFileName;
    AcceptChosenInputFile(paths, path);
    Run([&] {
        try {
            LongWork work(this, "Reading " + QFile::decodeName(QByteArray::fromStdString(path)),
                          true);
            engine_.Open(paths.InFileName, work.Report());
        } catch (const LongWork::Cancelled&) {
            // Given up before anything changed: nothing to say, and Save
            // still offers the name of the molecule in memory. The folder
            // stays remembered, as the user went there.
            paths.InFileName = opened;
            return;
        }
        const std::size_t slash = paths.InFileName.rfind('/');
        openedName_ =
            slash == std::string::npos ? paths.InFileName : paths.InFileName.substr(slash + 1);
    });
}

void TForm1::Save1Click() {
    RememberedPaths& paths = state_.Paths;
    const std::optional<std::string> chosen =
        dialogs_->ChooseOutputFile(paths.LastDir, DefaultOutputName(paths.InFileName));
    if (!chosen || !MayWrite(*chosen)) return;
    paths.OutFileName = *chosen;
    Run([&] {
        LongWork work(this, "Writing " + QFile::decodeName(QByteArray::fromStdString(*chosen)));
        engine_.Save(paths.OutFileName, work.Report());
    });
}

bool TForm1::MayWrite(const std::string& path) {
    // A directory or a device is refused by the writer itself, with its
    // message; only a file that would lose its content is asked about.
    return !IsPlainFile(path) || dialogs_->ConfirmReplace(path);
}

std::optional<io::ExportSettings> TForm1::ExportSettingsFor(io::ExportFormat format) {
    io::ExportSettings settings;
    const std::string& input = state_.Paths.InFileName;
    const std::size_t slash = input.rfind('/');
    settings.source = slash == std::string::npos ? input : input.substr(slash + 1);
    const io::MoleculeInfo& opened = engine_.Opened();
    settings.charge = opened.charge.value_or(0);
    settings.multiplicity = opened.multiplicity.value_or(1);
    // XYZ carries neither; an input the file had no charge for asks.
    if (format != io::ExportFormat::Xyz && !(opened.charge && opened.multiplicity)) {
        const auto answer =
            dialogs_->AskChargeAndMultiplicity(settings.charge, settings.multiplicity);
        if (!answer) return std::nullopt;
        std::tie(settings.charge, settings.multiplicity) = *answer;
    }
    return settings;
}

void TForm1::Export1Click() {
    const RememberedPaths& paths = state_.Paths;
    std::string base = paths.InFileName.empty() ? std::string("molecule") : paths.InFileName;
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > base.rfind('/') + 1) base.resize(dot);
    // Never the input's own name: an XYZ export of an XYZ file would offer
    // to write over the molecule it came from.
    base += "-oriented";
    const auto chosen = dialogs_->ChooseExportFile(paths.LastDir, base);
    if (!chosen || !MayWrite(chosen->path)) return;
    const std::optional<io::ExportSettings> settings = ExportSettingsFor(chosen->format);
    if (!settings) return;
    Run([&] {
        LongWork work(this,
                      "Writing " + QFile::decodeName(QByteArray::fromStdString(chosen->path)));
        engine_.Export(chosen->path, chosen->format, *settings, work.Report());
    });
}

void TForm1::CopyAsClick(io::ExportFormat format) {
    const std::optional<io::ExportSettings> settings = ExportSettingsFor(format);
    if (!settings) return;
    const std::string text = io::ExportText(format, state_.Atoms, *settings);
    QApplication::clipboard()->setText(
        QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
}

void TForm1::SaveRecipe1Click() {
    const RememberedPaths& paths = state_.Paths;
    // Beside the molecule's file, named after it.
    std::string name = paths.InFileName.empty() ? std::string("commands") : paths.InFileName;
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > name.rfind('/') + 1) name.resize(dot);
    const std::optional<std::string> chosen =
        dialogs_->ChooseRecipeToSave(paths.LastDir, name + ".recipe");
    if (!chosen || !MayWrite(*chosen)) return;
    const std::string text = engine_.RecipeText();
    SafeFileWriter writer(*chosen);
    writer.Write(text);
    writer.Commit();
}

void TForm1::ApplyRecipe1Click() {
    const std::optional<std::string> chosen = dialogs_->ChooseRecipeToApply(state_.Paths.LastDir);
    if (!chosen) return;
    std::vector<RecipeCommand> commands;
    const RecipeCommand* failed = nullptr;
    Run([&] {
        try {
            // Cancel only where the run can be taken back whole.
            LongWork work(this, "Running " + QFile::decodeName(QByteArray::fromStdString(*chosen)),
                          engine_.CanTakeBackRuns());
            // A recipe of millions of lines takes seconds to read: a tenth of
            // the progress, the commands the rest.
            ProgressMeter meter(work.Report());
            bool sized = false;
            commands = ReadRecipeFile(*chosen, [&](std::uint64_t done, std::uint64_t total) {
                if (!sized) meter.Stage(ProgressMeter::kTotal / 10, total);
                sized = true;
                meter.At(done);
            });
            meter.Stage(ProgressMeter::kTotal, commands.size());
            const std::size_t slash = chosen->rfind('/');
            engine_.Apply(
                commands, false,
                [&](const RecipeCommand& command, const std::exception&) { failed = &command; },
                "Apply Recipe " +
                    (slash == std::string::npos ? *chosen : chosen->substr(slash + 1)),
                [&](std::uint64_t done, std::uint64_t) { meter.At(done); });
        } catch (const LongWork::Cancelled&) {
            return;  // taken back: the molecule is as it was
        } catch (const Error& failure) {
            if (!failed) throw;
            std::string detail = failure.Detail();
            if (!detail.empty()) detail += "\n\n";
            throw Error(failure).WithDetail(detail + RecipeFailureDetail(*failed, *chosen));
        }
    });
}

void TForm1::PickAtom(int atom) {
    const SpinId box = pickTarget_;
    if (view3D_) view3D_->SetPicked(atom);
    Run([&] {
        engine_.TypeSpin(box, std::to_string(atom));
        engine_.LeaveSpin(box);
    });
}

void TForm1::SetGroupClick(VectorId vector, GroupEnd end, const std::vector<int>& atoms) {
    Run([&] { engine_.UserGroup(vector, end, atoms); });
}

void TForm1::ShowMore(QLabel* label, VectorId vector, GroupEnd end) {
    const std::vector<int>& more = engine_.Controls().MoreOf(vector, end);
    label->setVisible(!more.empty());
    if (more.empty()) return;
    label->setText(QStringLiteral("+%1 more").arg(more.size()));
    // The whole group in its order, each atom with its label.
    const int first = end == GroupEnd::Tail ? 0 : 4;
    QString list;
    auto add = [&](int atom) {
        if (atom == 0) return;  // an empty box
        if (!list.isEmpty()) list += ", ";
        list += QString::number(atom);
        const std::string name = SelectionLabel(state_.Atoms, atom);
        if (!name.empty()) list += ' ' + ShownLocalHead(name);
    };
    for (int i = 0; i < 4; ++i) add(engine_.Controls().Spin(AtomBox(vector, first + i)).Value());
    for (const int atom : more) add(atom);
    label->setToolTip(PlainToolTip(list));
}

void TForm1::ShowAtoms1Click() {
    Run([&] { engine_.SetShowAtoms(ShowAtoms1->isChecked()); });
}

void TForm1::View3D1Click() {
    if (!View3D1->isChecked()) {
        if (view3D_ && view3D_->isVisible()) {
            view3D_->SaveSettings(false);
            view3D_->hide();
        }
        return;
    }
    if (!view3D_) {
        view3D_ = std::make_unique<View3DWindow>(engine_);
        view3D_->OnPick = [this](int atom) { PickAtom(atom); };
        view3D_->OnMeasure = [this](int atom) { MeasureAtom(atom); };
        view3D_->OnClosed = [this] { View3D1->setChecked(false); };
        view3D_->PlaceAsLastTime(frameGeometry());
        view3D_->MoleculeChanged();
        view3D_->Follow();
    }
    view3D_->show();
    view3D_->SaveSettings(true);
}

void TForm1::RestoreView3D() {
    if (View3DWindow::ShownLastTime()) View3D1->setChecked(true);
}

void TForm1::PaneClick(PaneId pane, int x, int y) {
    // Hidden atoms are not picked: a click on a pane that shows none does
    // nothing a user could not see coming.
    if (!ShowAtoms1->isChecked()) return;
    if (const int atom = engine_.AtomAt(pane, x, y)) PickAtom(atom);
}

void TForm1::PaneMeasureClick(PaneId pane, int x, int y) {
    if (!ShowAtoms1->isChecked()) return;
    if (const int atom = engine_.AtomAt(pane, x, y)) MeasureAtom(atom);
}

void TForm1::MeasureAtom(int atom) {
    Run([&] { engine_.MeasurePick(atom); });
}

QString TForm1::MeasurementText() const {
    const std::vector<std::int32_t>& picked = engine_.Measured();
    if (picked.empty()) return {};
    QStringList names;
    for (const std::int32_t atom : picked) {
        names.append(ShownLocalHead(state_.Atoms.AtomName[static_cast<std::size_t>(atom)]) +
                     QStringLiteral(" (%1)").arg(atom));
    }
    if (picked.size() == 1) {
        return names.front() + ": Ctrl+click one to three more atoms to measure.";
    }
    const std::optional<Measurement> measured = Measure(state_.Atoms, picked);
    if (!measured) return {};
    QString text;
    switch (measured->kind) {
        case Measurement::Kind::Distance:
            text = "Distance ";
            break;
        case Measurement::Kind::Angle:
            text = "Angle ";
            break;
        case Measurement::Kind::Dihedral:
            text = "Dihedral ";
            break;
    }
    text += names.join(QChar(0x2013)) + ": ";
    if (!measured->value) {
        switch (measured->kind) {
            case Measurement::Kind::Distance:
                return text + "no finite value";
            case Measurement::Kind::Angle:
                return text + "none, two of the atoms coincide";
            case Measurement::Kind::Dihedral:
                return text + "none, three of the atoms lie on one line";
        }
    }
    QString value = QString::fromStdString(FormatFixed(*measured->value, 1, 6));
    value.replace('.', QChar(DecimalSeparator()));
    return text + value +
           (measured->kind == Measurement::Kind::Distance ? QStringLiteral(" \u00C5")
                                                          : QStringLiteral("\u00B0"));
}

void TForm1::CopyMeasurement1Click() {
    if (engine_.Measured().size() < 2) return;
    QApplication::clipboard()->setText(MeasurementText());
}

void TForm1::ZoomToFit1Click() {
    Run([&] { engine_.ZoomToFit(); });
}

void TForm1::Undo1Click() {
    Run([&] { engine_.Undo(); });
}

void TForm1::Redo1Click() {
    Run([&] { engine_.Redo(); });
}

void TForm1::Help1Click() {
    if (help_) help_->ShowCenteredOver(frameGeometry());
}

void TForm1::LanguageClick(Language language) {
    if (SetLanguage(language)) StoreLanguage(language);
    (CurrentLanguage() == Language::English ? English1 : Japanese1)->setChecked(true);
}

void TForm1::UserGuide1Click() {
    if (!guide_) guide_ = std::make_unique<UserGuideWindow>();
    guide_->ShowOver(frameGeometry());
}

void TForm1::SpinEdit1Change() {
    Run([&] { engine_.SpinEdit1Change(); });
}

void TForm1::SpinEdit2Change() {
    Run([&] { engine_.SpinEdit2Change(); });
}

void TForm1::SelectionChange(SpinId box) {
    Run([&] { engine_.SelectionChange(box); });
}

void TForm1::CenterClick() {
    Run([&] { engine_.UserCenter(); });
}

void TForm1::SpinEdit3Change() {
    Run([&] { engine_.SpinEdit3Change(); });
}

void TForm1::RotateZClick() {
    Run([&] { engine_.UserRotate(Axis::Z); });
}

void TForm1::RotateXClick() {
    Run([&] { engine_.UserRotate(Axis::X); });
}

void TForm1::RotateYClick() {
    Run([&] { engine_.UserRotate(Axis::Y); });
}

void TForm1::CheckBox1Click() {
    Run([&] { engine_.CheckBox1Click(); });
}

void TForm1::CheckBox2Click() {
    Run([&] { engine_.CheckBox2Click(); });
}

void TForm1::FitXClick() {
    Run([&] { engine_.UserFit(Axis::X, ButtonFitHead()); });
}

void TForm1::FitYClick() {
    Run([&] { engine_.UserFit(Axis::Y, ButtonFitHead()); });
}

void TForm1::FitZClick() {
    Run([&] { engine_.UserFit(Axis::Z, ButtonFitHead()); });
}

FitHead TForm1::ButtonFitHead() const {
    return PositiveFits1->isChecked() ? FitHead::Positive : FitHead::AsFound;
}

void TForm1::DispVecClick() {
    Run([&] { engine_.UserRedraw(); });
}

// --- Symmetry ---

void TForm1::BuildToolsMenu() {
    ToolsMenu = menuBar()->addMenu("&Tools");
    ToolsMenu->setObjectName("ToolsMenu");
    ToolsMenu->setFont(font());
    ToolsMenu->setToolTipsVisible(true);
    Symmetry1 = ToolsMenu->addAction("Symmetry...");
    Symmetry1->setObjectName("Symmetry1");
    Symmetry1->setToolTip(
        "The molecule's point group, its axes and mirror planes with the atoms on them: set an "
        "axis as a vector, symmetrize, or lay the molecule in its standard frame.");
    ConnectGuarded(Symmetry1, [this] { Symmetry1Click(); });
    SymmetryForm = new SymmetryWindow(*this);
}

void TForm1::BuildDirectionLabels() {
    // Under the arrow, between the tail's names and the head's boxes.
    for (auto& [label, box, name] : {std::tuple{&V1Direction, GroupBox2, "V1Direction"},
                                     std::tuple{&U1Direction, GroupBox3, "U1Direction"}}) {
        *label = Place(new QLabel(box), name, 150, 80, 97, 28);
        (*label)->setTextFormat(Qt::PlainText);
        (*label)->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        (*label)->setWordWrap(true);
        (*label)->hide();
    }
}

void TForm1::ShowDirection(QLabel* label, VectorId vector) {
    const std::optional<AttachedDirection>& direction = engine_.Controls().DirectionOf(vector);
    label->setVisible(direction.has_value());
    if (!direction) return;
    const QString name =
        direction->name.empty() ? QString("a direction") : ShownLocalHead(direction->name);
    label->setText(name);
    const QString vectorName = vector == VectorId::Vector1 ? "Vector1" : "Vector2";
    label->setToolTip(
        PlainToolTip(vectorName + " runs from the origin along " + name +
                     ", fixed in the molecule: every turn turns it too. Choosing atoms for " +
                     vectorName + " ends it."));
}

void TForm1::Symmetry1Click() {
    SymmetryForm->ShowBeside(frameGeometry());
}

void TForm1::SetDirectionClick(VectorId vector, const std::array<double, 3>& direction,
                               const std::string& name) {
    Run([&] { engine_.UserDirection(vector, direction, name); });
}

Engine::SymmetrizeReport TForm1::SymmetrizeClick(const std::string& tolerance) {
    Engine::SymmetrizeReport report;
    Run([&] { report = engine_.UserSymmetrize(tolerance); });
    return report;
}

void TForm1::StandardFrameClick(const std::string& tolerance) {
    Run([&] { engine_.UserStandardFrame(tolerance); });
}

}  // namespace pivora
