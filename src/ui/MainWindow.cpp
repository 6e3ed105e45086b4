#include "ui/MainWindow.h"

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
#include "ui/HelpWindow.h"
#include "ui/LongWork.h"
#include "ui/Settings.h"
#include "ui/ShownText.h"
#include "ui/Startup.h"
#include "ui/SymmetryWindow.h"
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
class MainWindow::EngineView : public EngineObserver {
  public:
    explicit EngineView(MainWindow& form) : form_(form) {}
    void ShowAtoms(const AtomTable& table) override {
        form_.ui_.atomGrid->ShowAtoms(table);
        if (form_.view3D_) form_.view3D_->MoleculeChanged();
    }
    void ReleaseAtoms() override {
        form_.ui_.atomGrid->ReleaseAtoms();
        if (form_.view3D_) form_.view3D_->ReleaseMolecule();
    }
    void RefreshAtoms(const AtomTable& table, bool withLabels) override {
        if (form_.view3D_) form_.view3D_->CoordinatesChanged();
        if (withLabels) {
            form_.ui_.atomGrid->RefreshAtoms(table);
        } else {
            form_.ui_.atomGrid->RefreshCoordinates(table);
        }
    }
    void ResetPane(int pane) override {
        PaneView* const panes[3] = {form_.ui_.xyPane, form_.ui_.yzPane, form_.ui_.zxPane};
        panes[pane]->Forget();
    }

  private:
    MainWindow& form_;
};

MainWindow::MainWindow(ProgramState& state, std::unique_ptr<FileDialogs> dialogs)
    : state_(state),
      engine_(state.Atoms),
      view_(std::make_unique<EngineView>(*this)),
      dialogs_(dialogs ? std::move(dialogs) : MakeQtFileDialogs(this)) {
    setObjectName("Form1");
    setFont(ArialFont(12, false));
    BuildMenu();
    ui_.clientWidget = new QWidget;
    ui_.clientWidget->setObjectName("Client");
    BuildControls(ui_.clientWidget);
    BuildDirectionLabels();
    ui_.clientWidget->resize(kClientWidth, kClientHeight);
    // At its full size the area shows the controls as they are placed, with
    // no frame and no margin; smaller, it scrolls rather than cut them off.
    ui_.clientArea = new QScrollArea(this);
    ui_.clientArea->setObjectName("ClientArea");
    ui_.clientArea->setFrameShape(QFrame::NoFrame);
    ui_.clientArea->setFocusPolicy(Qt::NoFocus);
    ui_.clientArea->setWidget(ui_.clientWidget);
    setCentralWidget(ui_.clientArea);
    ui_.measureText = new QLabel(this);
    ui_.measureText->setObjectName("MeasureText");
    ui_.measureText->setTextFormat(Qt::PlainText);
    ui_.measureText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ui_.bondsNote = new QLabel(this);
    ui_.bondsNote->setObjectName("BondsNote");
    ui_.bondsNote->setTextFormat(Qt::PlainText);
    statusBar()->setObjectName("StatusBar1");
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(ui_.measureText, 1);
    statusBar()->addPermanentWidget(ui_.bondsNote);
    statusBar()->hide();
    SetTabOrder();
    WireHandlers();
    engine_.SetObserver(view_.get());
    engine_.SetPaneSize(ui_.xyPane->width(), ui_.xyPane->height());
    engine_.SetPanes(&ui_.xyPane->Drawing(), &ui_.yzPane->Drawing(), &ui_.zxPane->Drawing());
    engine_.SetShowAtoms(ui_.showAtomsAction->isChecked());
    resize(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
    FitGridWidth();
    ShowState();
}

void MainWindow::FitGridWidth() {
    // The atom numbers stand left of the label column: the grid, and the
    // window with it, grow by their width rather than squeeze the columns.
    const int numbers = ui_.atomGrid->RowNumberWidth();
    ui_.atomGrid->setGeometry(664, 0, 321 + numbers, 681);
    const int clientWidth = kClientWidth + numbers;
    const int grown = clientWidth - ui_.clientWidget->width();
    ui_.clientWidget->resize(clientWidth, kClientHeight);
    if (grown > 0) {
        resize(width() + grown, height());
        FitScreen();
    }
}

QSize MainWindow::NaturalSize() const {
    const int bar = statusBar()->isHidden() ? 0 : statusBar()->sizeHint().height();
    return {ui_.clientWidget->width(),
            menuBar()->sizeHint().height() + ui_.clientWidget->height() + bar};
}

QSize MainWindow::MostSize() const {
    const QScreen* screen = this->screen();
    if (!screen) return size();
    const QRect room = screen->availableGeometry();
    // The window manager's frame, once there is one.
    const QSize frame = frameGeometry().size() - size();
    return {room.width() - frame.width(), room.height() - frame.height()};
}

void MainWindow::FitScreen() {
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

void MainWindow::ShowStatus() {
    ui_.measureText->setText(MeasurementText());
    const bool leftOut = engine_.ShowsAtoms() && engine_.BondsLeftOut();
    ui_.bondsNote->setText(
        leftOut
            ? QStringLiteral("Bonds are drawn only up to %1 atoms.")
                  .arg(
                      QLocale(QLocale::English).toString(static_cast<qulonglong>(kMostBondedAtoms)))
            : QString());
    ui_.bondsNote->setVisible(leftOut);
    const bool wanted = !ui_.measureText->text().isEmpty() || leftOut;
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

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenu() {
    menuBar()->setObjectName("MainMenu1");
    ui_.fileMenu = menuBar()->addMenu("&File");
    ui_.fileMenu->setObjectName("File1");
    ui_.fileMenu->setFont(font());  // a menu is a window of its own and inherits no font
    ui_.openAction = ui_.fileMenu->addAction("Open");
    ui_.openAction->setObjectName("Open1");
    ui_.openAction->setShortcut(QKeySequence::Open);
    ui_.saveAction = ui_.fileMenu->addAction("Save");
    ui_.saveAction->setObjectName("Save1");
    ui_.saveAction->setShortcut(QKeySequence::Save);
    ui_.exportAction = ui_.fileMenu->addAction("Export...");
    ui_.exportAction->setObjectName("Export1");
    ui_.exportAction->setToolTip(
        "Writes the molecule as standard XYZ, or as the geometry of a Gaussian "
        "or ORCA input, for the calculation it was oriented for.");
    ui_.fileMenu->addSeparator();
    ui_.saveRecipeAction = ui_.fileMenu->addAction("Save Recipe...");
    ui_.saveRecipeAction->setObjectName("SaveRecipe1");
    ui_.saveRecipeAction->setToolTip(
        "Writes the commands since the file was opened, to run them again "
        "here or with pivora-batch on other files.");
    ui_.applyRecipeAction = ui_.fileMenu->addAction("Apply Recipe...");
    ui_.applyRecipeAction->setObjectName("ApplyRecipe1");
    ui_.applyRecipeAction->setToolTip(
        "Runs the commands of a recipe on this molecule, as one step that "
        "Edit > Undo takes back.");
    ui_.fileMenu->addSeparator();
    ui_.exitAction = ui_.fileMenu->addAction("Exit");
    ui_.exitAction->setObjectName("Exit1");
    ui_.exitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    ui_.fileMenu->setToolTipsVisible(true);

    ui_.editMenu = menuBar()->addMenu("&Edit");
    ui_.editMenu->setObjectName("EditMenu");
    ui_.editMenu->setFont(font());
    ui_.editMenu->setToolTipsVisible(true);
    ui_.undoAction = ui_.editMenu->addAction("Undo");
    ui_.undoAction->setObjectName("Undo1");
    ui_.undoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    ui_.redoAction = ui_.editMenu->addAction("Redo");
    ui_.redoAction->setObjectName("Redo1");
    ui_.redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    const QString limit = QStringLiteral(
        "Undo keeps about 256 MB of earlier coordinates, less when memory is short; older steps "
        "fall off. Opening a file starts afresh.");
    ui_.undoAction->setToolTip(limit);
    ui_.redoAction->setToolTip(limit);
    ui_.editMenu->addSeparator();
    ui_.copyAsMenu = ui_.editMenu->addMenu("Copy Coordinates As");
    ui_.copyAsMenu->setObjectName("CopyAsMenu");
    ui_.copyAsMenu->setFont(font());
    for (const auto& [caption, format] :
         {std::pair{"Standard XYZ", io::ExportFormat::Xyz},
          std::pair{"Gaussian Input", io::ExportFormat::GaussianInput},
          std::pair{"ORCA Input", io::ExportFormat::OrcaInput}}) {
        QAction* copy = ui_.copyAsMenu->addAction(caption);
        ConnectGuarded(copy, [this, format = format] { CopyAsClick(format); });
    }
    ui_.copyMeasurementAction = ui_.editMenu->addAction("Copy Measurement");
    ui_.copyMeasurementAction->setObjectName("CopyMeasurement1");
    ui_.copyMeasurementAction->setEnabled(false);
    ui_.copyMeasurementAction->setToolTip(
        "Copies the distance, angle or dihedral of the atoms picked with Ctrl+click, as the "
        "status bar shows it.");

    ui_.viewMenu = menuBar()->addMenu("&View");
    ui_.viewMenu->setObjectName("ViewMenu");
    ui_.viewMenu->setFont(font());
    ui_.viewMenu->setToolTipsVisible(true);
    ui_.showAtomsAction = ui_.viewMenu->addAction("Show Atoms");
    ui_.showAtomsAction->setObjectName("ShowAtoms1");
    ui_.showAtomsAction->setCheckable(true);
    ui_.showAtomsAction->setChecked(LoadSetting(kShowAtomsKey, false));
    ui_.showAtomsAction->setToolTip(
        "Draws every atom in the panes as a dot in its element's color, with its bonds, the "
        "atoms of Vector1's groups ringed in blue and Vector2's in red. Click an atom to put it "
        "into the atom box used last; Ctrl+click two to four atoms to measure them.");
    ui_.zoomToFitAction = ui_.viewMenu->addAction("Zoom to Fit");
    ui_.zoomToFitAction->setObjectName("ZoomToFit1");
    ui_.zoomToFitAction->setToolTip(
        "Sets the plot scale to the smallest at which the whole molecule and the vectors lie in "
        "all three panes.");
    ui_.viewMenu->addSeparator();
    ui_.view3DAction = ui_.viewMenu->addAction("3-D View");
    ui_.view3DAction->setObjectName("View3D1");
    ui_.view3DAction->setCheckable(true);
    ui_.view3DAction->setShortcut(QKeySequence(Qt::Key_F3));
    ui_.view3DAction->setToolTip(
        "Shows the molecule in a window of its own as balls and sticks, with the vectors as "
        "arrows and the axes. Drag to turn it, right-drag to move it, wheel to zoom; click an "
        "atom to put it into the atom box used last. The coordinates stay as they are.");
    ui_.viewMenu->addSeparator();
    ui_.languageMenu = ui_.viewMenu->addMenu("Language");
    ui_.languageMenu->setObjectName("LanguageMenu");
    ui_.languageMenu->setFont(font());
    ui_.languageMenu->setToolTipsVisible(true);
    auto* languages = new QActionGroup(ui_.languageMenu);
    ui_.japaneseAction = ui_.languageMenu->addAction("Japanese");
    ui_.japaneseAction->setObjectName("Japanese1");
    ui_.englishAction = ui_.languageMenu->addAction("English");
    ui_.englishAction->setObjectName("English1");
    for (QAction* language : {ui_.japaneseAction, ui_.englishAction}) {
        language->setCheckable(true);
        language->setToolTip(
            "The language of the error messages, their box and the user guide, from now on and "
            "at the next start. The window's captions and the help page are English in both.");
        languages->addAction(language);
    }
    (CurrentLanguage() == Language::English ? ui_.englishAction : ui_.japaneseAction)
        ->setChecked(true);

    ui_.orientMenu = menuBar()->addMenu("&Orient");
    ui_.orientMenu->setObjectName("OrientMenu");
    ui_.orientMenu->setFont(font());
    ui_.orientMenu->setToolTipsVisible(true);
    ui_.positiveFitsAction = ui_.orientMenu->addAction("Fits Put the Head on the Positive Axis");
    ui_.positiveFitsAction->setObjectName("PositiveFits1");
    ui_.positiveFitsAction->setCheckable(true);
    ui_.positiveFitsAction->setChecked(LoadSetting(kPositiveFitsKey, false));
    ui_.positiveFitsAction->setToolTip(
        "FitX, FitY and FitZ turn half a turn further where the vector's head would end on the "
        "negative side, so that a series of molecules comes out in one frame. The angle box "
        "shows the angle turned; a recipe records it as fit +x, fit +y or fit +z.");

    BuildToolsMenu();

    // A top-level item of the menu bar that acts when clicked.
    ui_.helpAction = menuBar()->addAction("&Help");
    ui_.helpAction->setObjectName("Help1");
    ui_.helpAction->setShortcut(QKeySequence::HelpContents);
    ui_.userGuideAction = menuBar()->addAction("&User Guide");
    ui_.userGuideAction->setObjectName("UserGuide1");
    ui_.userGuideAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
}

void MainWindow::BuildControls(QWidget* client) {
    ui_.xyPane = Place(new PaneView(client), "Image1", 8, 0, 209, 217);
    ui_.yzPane = Place(new PaneView(client), "Image2", 224, 0, 209, 217);
    ui_.zxPane = Place(new PaneView(client), "Image3", 440, 0, 209, 217);
    NewLabel(client, "Label3", "XY", 104, 224, 18, 13, true);
    NewLabel(client, "Label4", "YZ", 320, 224, 17, 13, true);
    NewLabel(client, "Label5", "ZX", 544, 224, 17, 13, true);

    ui_.angleZ = Place(new TextBox(client, "0"), "Zangle", 56, 240, 121, 20);
    ui_.rotateZ = Place(new Button(client, "RotateZ"), "RotateZ", 80, 258, 73, 25);
    ui_.fitX = Place(new Button(client, "FitX"), "FitX", 80, 282, 73, 25);
    ui_.angleX = Place(new TextBox(client, "0"), "Xangle", 272, 240, 121, 20);
    ui_.rotateX = Place(new Button(client, "RotateX"), "RotateX", 296, 258, 73, 25);
    ui_.fitY = Place(new Button(client, "FitY"), "FitY", 296, 282, 73, 25);
    ui_.angleY = Place(new TextBox(client, "0"), "Yangle", 496, 240, 121, 20);
    ui_.rotateY = Place(new Button(client, "RotateY"), "RotateY", 520, 258, 73, 25);
    ui_.fitZ = Place(new Button(client, "FitZ"), "FitZ", 520, 282, 73, 25);

    NewLabel(client, "Label6", "Plot Scale (A)", 24, 536, 92, 13, true);
    ui_.plotScale = Place(new SpinBox(client, 1, 100, 10), "SpinEdit3", 120, 532, 73, 21);
    ui_.atomGrid = Place(new AtomGridView(client), "StringGrid1", 664, 0, 321, 681);

    ui_.centerGroup = NewGroupBox(client, "GroupBox1", "Center of Molecule", QColor(128, 128, 0),
                                  16, 344, 185, 161);
    ui_.centerAtoms[0] =
        Place(new SpinBox(ui_.centerGroup, 1, 100, 1), "SpinEdit1", 32, 20, 58, 21);
    ui_.centerNames[0] = Place(new TextBox(ui_.centerGroup, "Edit1"), "Edit1", 88, 21, 69, 20);
    ui_.centerAtoms[1] =
        Place(new SpinBox(ui_.centerGroup, 1, 100, 1), "SpinEdit2", 32, 44, 58, 21);
    ui_.centerNames[1] = Place(new TextBox(ui_.centerGroup, "Edit2"), "Edit2", 88, 45, 69, 20);
    ui_.centerButton = Place(new Button(ui_.centerGroup, "Center"), "Center", 56, 96, 75, 25);
    ui_.centerButton->setFont(ArialFont(12, true));

    ui_.vectorGroups[0] = NewGroupBox(client, "GroupBox2", "Vector1 Definition", QColor(0, 0, 255),
                                      224, 344, 393, 161);
    BuildVectorBox(0, ui_.vectorGroups[0]);
    // Black on pure blue is hard to read: the caption and the arrow go white,
    // while the spin boxes keep their dark arrows.
    QPalette onBlue = ui_.vectorGroups[0]->palette();
    onBlue.setColor(QPalette::WindowText, Qt::white);
    ui_.vectorGroups[0]->setPalette(onBlue);
    const QColor dark = QApplication::palette().color(QPalette::WindowText);
    for (SpinBox* atom : ui_.vectorAtoms[0]) {
        QPalette palette = atom->palette();
        palette.setColor(QPalette::WindowText, dark);
        atom->setPalette(palette);
    }

    ui_.vectorGroups[1] = NewGroupBox(client, "GroupBox3", "Vector2 Definition",
                                      QColor(255, 0, 255), 224, 520, 393, 161);
    BuildVectorBox(1, ui_.vectorGroups[1]);

    // The engine names every box; the window finds each by that name.
    spins_[static_cast<int>(SpinId::CenterAtom1)] = ui_.centerAtoms[0];
    spins_[static_cast<int>(SpinId::CenterAtom2)] = ui_.centerAtoms[1];
    spins_[static_cast<int>(SpinId::PlotScale)] = ui_.plotScale;
    texts_[static_cast<int>(TextId::CenterName1)] = ui_.centerNames[0];
    texts_[static_cast<int>(TextId::CenterName2)] = ui_.centerNames[1];
    for (int v = 0; v < 2; ++v) {
        const VectorId vector = v == 0 ? VectorId::Vector1 : VectorId::Vector2;
        for (int i = 0; i < 8; ++i) {
            const SpinId atom = AtomBox(vector, i);
            spins_[static_cast<int>(atom)] = ui_.vectorAtoms[v][i];
            texts_[static_cast<int>(*NameBoxOf(atom))] = ui_.atomNames[v][i];
        }
        for (const Axis axis : {Axis::X, Axis::Y, Axis::Z}) {
            texts_[static_cast<int>(ComponentBox(vector, axis))] =
                ui_.components[v][static_cast<int>(axis)];
        }
    }
    texts_[static_cast<int>(TextId::AngleZ)] = ui_.angleZ;
    texts_[static_cast<int>(TextId::AngleX)] = ui_.angleX;
    texts_[static_cast<int>(TextId::AngleY)] = ui_.angleY;
    for (const auto& vector : ui_.components) {
        for (TextBox* numbers : vector) numbers->SetShrinkToFit(true);
    }
    for (TextBox* numbers : {ui_.angleZ, ui_.angleX, ui_.angleY}) numbers->SetShrinkToFit(true);
}

void MainWindow::BuildVectorBox(int v, QGroupBox* box) {
    // The widgets' object names are the original ones: SEV1..SEV8, V1..V8,
    // VX..VZ, Label1, CheckBox1 for Vector1; SEU.., U.., Label2, CheckBox2
    // for Vector2.
    const char letter = v == 0 ? 'V' : 'U';
    // Tail atoms in the left column, head atoms in the right one.
    constexpr int kTops[4] = {20, 44, 68, 92};
    for (int i = 0; i < 8; ++i) {
        const int column = i / 4;
        const int top = kTops[i % 4];
        const std::string number = std::to_string(i + 1);
        const std::string atomName = std::string("SE") + letter + number;
        const std::string nameName = letter + number;
        ui_.vectorAtoms[v][i] =
            Place(new SpinBox(box, 0, 100, 0), atomName.c_str(), 24 + 224 * column, top, 58, 21);
        ui_.atomNames[v][i] =
            Place(new TextBox(box, "None"), nameName.c_str(), 80 + 224 * column, top + 1, 69, 20);
    }
    ui_.vectorArrows[v] =
        NewLabel(box, v == 0 ? "Label1" : "Label2", "========>", 168, 64, 72, 13, false);
    constexpr char kAxes[3] = {'X', 'Y', 'Z'};
    for (int i = 0; i < 3; ++i) {
        const std::string name = std::string(1, letter) + kAxes[i];
        ui_.components[v][i] =
            Place(new TextBox(box, ""), name.c_str(), 16 + 120 * i, 125, 121, 20);
    }
    ui_.fitsVector[v] =
        Place(new CheckBox(box, v == 0), v == 0 ? "CheckBox1" : "CheckBox2", 192, 16, 17, 17);
    // Under each column, between the boxes and the components: how many
    // atoms a group holds beyond its four boxes.
    for (int end = 0; end < 2; ++end) {
        const std::string name = std::string(1, letter) + (end == 0 ? "1More" : "5More");
        QLabel* more = Place(new QLabel(box), name.c_str(), 24 + 224 * end, 112, 125, 13);
        more->setTextFormat(Qt::PlainText);
        more->hide();
        ui_.moreAtoms[v][end] = more;
    }
}

void MainWindow::SetTabOrder() {
    // Group boxes take no focus of their own: each stands in the order as its
    // controls, in their own order.
    // clang-format off
    QWidget* const order[] = {
        ui_.atomGrid,
        ui_.centerAtoms[0], ui_.centerAtoms[1], ui_.centerButton, ui_.centerNames[0], ui_.centerNames[1],
        ui_.vectorAtoms[0][0], ui_.vectorAtoms[0][1], ui_.atomNames[0][0], ui_.atomNames[0][1],
        ui_.vectorAtoms[0][2], ui_.vectorAtoms[0][3], ui_.atomNames[0][2], ui_.atomNames[0][3],
        ui_.vectorAtoms[0][4], ui_.atomNames[0][4], ui_.vectorAtoms[0][5], ui_.vectorAtoms[0][6],
        ui_.atomNames[0][5], ui_.atomNames[0][6], ui_.vectorAtoms[0][7], ui_.atomNames[0][7],
        ui_.components[0][0], ui_.components[0][1], ui_.components[0][2], ui_.fitsVector[0],
        ui_.vectorAtoms[1][0], ui_.vectorAtoms[1][1], ui_.atomNames[1][0], ui_.atomNames[1][1],
        ui_.vectorAtoms[1][2], ui_.vectorAtoms[1][3], ui_.atomNames[1][2], ui_.atomNames[1][3],
        ui_.vectorAtoms[1][4], ui_.atomNames[1][4], ui_.vectorAtoms[1][5], ui_.vectorAtoms[1][6],
        ui_.atomNames[1][5], ui_.atomNames[1][6], ui_.vectorAtoms[1][7], ui_.atomNames[1][7],
        ui_.components[1][0], ui_.components[1][1], ui_.components[1][2], ui_.fitsVector[1],
        ui_.plotScale, ui_.angleZ, ui_.rotateZ, ui_.angleX, ui_.rotateX, ui_.angleY, ui_.rotateY, ui_.fitX, ui_.fitY, ui_.fitZ,
    };
    // clang-format on
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void MainWindow::WireHandlers() {
    ConnectGuarded(ui_.openAction, [this] { OpenClick(); });
    ConnectGuarded(ui_.saveAction, [this] { SaveClick(); });
    ConnectGuarded(ui_.exportAction, [this] { ExportClick(); });
    ConnectGuarded(ui_.saveRecipeAction, [this] { SaveRecipeClick(); });
    ConnectGuarded(ui_.applyRecipeAction, [this] { ApplyRecipeClick(); });
    ConnectGuarded(ui_.exitAction, [this] { close(); });
    ConnectGuarded(ui_.undoAction, [this] { UndoClick(); });
    ConnectGuarded(ui_.redoAction, [this] { RedoClick(); });
    ConnectGuarded(ui_.helpAction, [this] { HelpClick(); });
    ConnectGuarded(ui_.copyMeasurementAction, [this] { CopyMeasurementClick(); });
    ConnectGuarded(ui_.zoomToFitAction, [this] { ZoomToFitClick(); });
    ConnectGuarded(ui_.userGuideAction, [this] { UserGuideClick(); });
    ConnectGuarded(ui_.japaneseAction, [this] { LanguageClick(Language::Japanese); });
    ConnectGuarded(ui_.englishAction, [this] { LanguageClick(Language::English); });
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
    for (const VectorId vector : {VectorId::Vector1, VectorId::Vector2}) {
        CheckBox* box = ui_.fitsVector[vector == VectorId::Vector1 ? 0 : 1];
        box->OnClick = [this, vector, box] {
            Run([&] { engine_.ClickFitsVector(vector, box->Checked()); });
        };
    }
    ui_.centerButton->OnClick = [this] { CenterClick(); };
    ui_.rotateZ->OnClick = [this] { RotateZClick(); };
    ui_.rotateX->OnClick = [this] { RotateXClick(); };
    ui_.rotateY->OnClick = [this] { RotateYClick(); };
    ui_.fitX->OnClick = [this] { FitXClick(); };
    ui_.fitY->OnClick = [this] { FitYClick(); };
    ui_.fitZ->OnClick = [this] { FitZClick(); };
    // Enter in an angle box turns the molecule by it.
    connect(ui_.angleZ, &QLineEdit::returnPressed, this,
            [this] { Guarded([this] { RotateZClick(); }); });
    connect(ui_.angleX, &QLineEdit::returnPressed, this,
            [this] { Guarded([this] { RotateXClick(); }); });
    connect(ui_.angleY, &QLineEdit::returnPressed, this,
            [this] { Guarded([this] { RotateYClick(); }); });
    setAcceptDrops(true);

    connect(ui_.showAtomsAction, &QAction::toggled, this,
            [this] { Guarded([this] { ShowAtomsClick(); }); });
    connect(ui_.positiveFitsAction, &QAction::toggled, this,
            [](bool checked) { StoreSetting(kPositiveFitsKey, checked); });
    connect(ui_.view3DAction, &QAction::toggled, this,
            [this] { Guarded([this] { View3DClick(); }); });
    for (const auto& [image, pane] :
         {std::pair{ui_.xyPane, PaneId::XY}, std::pair{ui_.yzPane, PaneId::YZ},
          std::pair{ui_.zxPane, PaneId::ZX}}) {
        image->OnClickAt = [this, pane = pane](int x, int y) { PaneClick(pane, x, y); };
        image->OnCtrlClickAt = [this, pane = pane](int x, int y) { PaneMeasureClick(pane, x, y); };
        image->ToolTipAt = [this, pane = pane](int x, int y) {
            const int atom = ui_.showAtomsAction->isChecked() ? engine_.AtomAt(pane, x, y) : 0;
            return atom == 0 ? QString()
                             : QString::number(atom) + ' ' +
                                   ShownLocalHead(SelectionLabel(state_.Atoms, atom));
        };
    }

    connect(ui_.atomGrid, &AtomGridView::AtomPicked, this,
            [this](int atom) { Guarded([&] { PickAtom(atom); }); });
    connect(ui_.atomGrid, &AtomGridView::AtomMeasured, this,
            [this](int atom) { Guarded([&] { MeasureAtom(atom); }); });
    connect(ui_.atomGrid, &AtomGridView::RowNumberWidthChanged, this, [this] { FitGridWidth(); });
    connect(ui_.atomGrid, &AtomGridView::RowMenuRequested, this,
            [this](const QPoint& where) { ShowRowMenu(where); });
    // The box a pick goes to: the atom box that last had the focus.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (int i = 0; i < kSpinCount; ++i) {
            const auto box = static_cast<SpinId>(i);
            if (box == SpinId::PlotScale || !now) continue;
            if (now == spins_[i] || spins_[i]->isAncestorOf(now)) pickTarget_ = box;
        }
    });
}

void MainWindow::ShowRowMenu(const QPoint& globalPosition) {
    QMenu menu(this);
    menu.setFont(font());
    const std::vector<int> atoms = ui_.atomGrid->SelectedAtoms();
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

void MainWindow::ShowCentered() {
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

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LocaleChange) {
        ApplyRegionalSettings();
        ui_.atomGrid->viewport()->update();  // the grid formats its numbers as it paints
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    bool close = !engine_.Modified();
    if (!close) {
        // The dialogs and the save run inside the guard: this is Qt's code.
        Guarded([&] {
            switch (dialogs_->AskToSaveChanges()) {
                case FileDialogs::CloseAnswer::Save:
                    SaveClick();
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
        StoreSetting(kShowAtomsKey, ui_.showAtomsAction->isChecked());
        StoreSetting(kGeometryKey, saveGeometry());
        // A size the screen made smaller is no choice of the user's.
        StoreSetting(kResizedKey, !isMaximized() && size() != NaturalSize().boundedTo(MostSize()));
        QMainWindow::closeEvent(event);
    } else {
        event->ignore();
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data->hasUrls() && !data->urls().isEmpty() && data->urls().front().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    const std::string path = LocalFilePath(urls.front());
    Guarded([&] {
        if (MayReplaceMolecule()) OpenFile(path);
    });
}

bool MainWindow::MayReplaceMolecule() {
    if (!engine_.Modified()) return true;
    switch (dialogs_->AskToSaveChanges(FileDialogs::Leaving::Open)) {
        case FileDialogs::CloseAnswer::Save:
            SaveClick();
            return !engine_.Modified();
        case FileDialogs::CloseAnswer::Discard:
            return true;
        case FileDialogs::CloseAnswer::Cancel:
            break;
    }
    return false;
}

template <typename Call>
void MainWindow::Run(Call&& call) {
    try {
        call();
    } catch (...) {
        ShowState();
        throw;
    }
    ShowState();
}

void MainWindow::ShowState() {
    const ControlState& controls = engine_.Controls();
    for (int i = 0; i < kSpinCount; ++i) {
        const SpinState& spin = controls.Spins[i];
        spins_[i]->Show(spin.Text, spin.Min, spin.Max);
    }
    for (int i = 0; i < kTextCount; ++i) texts_[i]->Show(controls.Texts[i].Str());
    ui_.fitsVector[0]->Show(controls.FitsVector1);
    ui_.fitsVector[1]->Show(controls.FitsVector2);
    ShowMore(ui_.moreAtoms[0][0], VectorId::Vector1, GroupEnd::Tail);
    ShowMore(ui_.moreAtoms[0][1], VectorId::Vector1, GroupEnd::Head);
    ShowMore(ui_.moreAtoms[1][0], VectorId::Vector2, GroupEnd::Tail);
    ShowMore(ui_.moreAtoms[1][1], VectorId::Vector2, GroupEnd::Head);
    ShowDirection(ui_.directionNames[0], VectorId::Vector1);
    ShowDirection(ui_.directionNames[1], VectorId::Vector2);

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
    ui_.undoAction->setText(title("Undo", engine_.UndoTitle()));
    ui_.undoAction->setEnabled(engine_.CanUndo());
    ui_.redoAction->setText(title("Redo", engine_.RedoTitle()));
    ui_.redoAction->setEnabled(engine_.CanRedo());
    ui_.copyMeasurementAction->setEnabled(engine_.Measured().size() >= 2);
    ShowStatus();
    if (view3D_) {
        view3D_->SetMeasured(engine_.Measured());
        view3D_->Follow();
    }
    ui_.symmetryWindow->Refresh();
}

// --- Handlers ---

void MainWindow::OpenClick() {
    if (!MayReplaceMolecule()) return;
    RememberedPaths& paths = state_.Paths;
    paths.LastDir = LoadLastDir(paths.StartDir);
    const std::optional<std::string> chosen = dialogs_->ChooseInputFile(paths.LastDir);
    if (!chosen) return;
    OpenFile(*chosen);
}

void MainWindow::OpenFile(const std::string& path) {
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

void MainWindow::SaveClick() {
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

bool MainWindow::MayWrite(const std::string& path) {
    // A directory or a device is refused by the writer itself, with its
    // message; only a file that would lose its content is asked about.
    return !IsPlainFile(path) || dialogs_->ConfirmReplace(path);
}

std::optional<io::ExportSettings> MainWindow::ExportSettingsFor(io::ExportFormat format) {
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

void MainWindow::ExportClick() {
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

void MainWindow::CopyAsClick(io::ExportFormat format) {
    const std::optional<io::ExportSettings> settings = ExportSettingsFor(format);
    if (!settings) return;
    const std::string text = io::ExportText(format, state_.Atoms, *settings);
    QApplication::clipboard()->setText(
        QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
}

void MainWindow::SaveRecipeClick() {
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

void MainWindow::ApplyRecipeClick() {
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

void MainWindow::PickAtom(int atom) {
    const SpinId box = pickTarget_;
    if (view3D_) view3D_->SetPicked(atom);
    Run([&] {
        engine_.TypeSpin(box, std::to_string(atom));
        engine_.LeaveSpin(box);
    });
}

void MainWindow::SetGroupClick(VectorId vector, GroupEnd end, const std::vector<int>& atoms) {
    Run([&] { engine_.UserGroup(vector, end, atoms); });
}

void MainWindow::ShowMore(QLabel* label, VectorId vector, GroupEnd end) {
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

void MainWindow::ShowAtomsClick() {
    Run([&] { engine_.SetShowAtoms(ui_.showAtomsAction->isChecked()); });
}

void MainWindow::View3DClick() {
    if (!ui_.view3DAction->isChecked()) {
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
        view3D_->OnClosed = [this] { ui_.view3DAction->setChecked(false); };
        view3D_->PlaceAsLastTime(frameGeometry());
        view3D_->MoleculeChanged();
        view3D_->Follow();
    }
    view3D_->show();
    view3D_->SaveSettings(true);
}

void MainWindow::RestoreView3D() {
    if (View3DWindow::ShownLastTime()) ui_.view3DAction->setChecked(true);
}

void MainWindow::PaneClick(PaneId pane, int x, int y) {
    // Hidden atoms are not picked: a click on a pane that shows none does
    // nothing a user could not see coming.
    if (!ui_.showAtomsAction->isChecked()) return;
    if (const int atom = engine_.AtomAt(pane, x, y)) PickAtom(atom);
}

void MainWindow::PaneMeasureClick(PaneId pane, int x, int y) {
    if (!ui_.showAtomsAction->isChecked()) return;
    if (const int atom = engine_.AtomAt(pane, x, y)) MeasureAtom(atom);
}

void MainWindow::MeasureAtom(int atom) {
    Run([&] { engine_.MeasurePick(atom); });
}

QString MainWindow::MeasurementText() const {
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

void MainWindow::CopyMeasurementClick() {
    if (engine_.Measured().size() < 2) return;
    QApplication::clipboard()->setText(MeasurementText());
}

void MainWindow::ZoomToFitClick() {
    Run([&] { engine_.ZoomToFit(); });
}

void MainWindow::UndoClick() {
    Run([&] { engine_.Undo(); });
}

void MainWindow::RedoClick() {
    Run([&] { engine_.Redo(); });
}

void MainWindow::HelpClick() {
    if (help_) help_->ShowCenteredOver(frameGeometry());
}

void MainWindow::LanguageClick(Language language) {
    if (SetLanguage(language)) StoreLanguage(language);
    (CurrentLanguage() == Language::English ? ui_.englishAction : ui_.japaneseAction)
        ->setChecked(true);
}

void MainWindow::UserGuideClick() {
    if (!guide_) guide_ = std::make_unique<UserGuideWindow>();
    guide_->ShowOver(frameGeometry());
}

void MainWindow::CenterClick() {
    Run([&] { engine_.UserCenter(); });
}

void MainWindow::RotateZClick() {
    Run([&] { engine_.UserRotate(Axis::Z); });
}

void MainWindow::RotateXClick() {
    Run([&] { engine_.UserRotate(Axis::X); });
}

void MainWindow::RotateYClick() {
    Run([&] { engine_.UserRotate(Axis::Y); });
}

void MainWindow::FitXClick() {
    Run([&] { engine_.UserFit(Axis::X, ButtonFitHead()); });
}

void MainWindow::FitYClick() {
    Run([&] { engine_.UserFit(Axis::Y, ButtonFitHead()); });
}

void MainWindow::FitZClick() {
    Run([&] { engine_.UserFit(Axis::Z, ButtonFitHead()); });
}

FitHead MainWindow::ButtonFitHead() const {
    return ui_.positiveFitsAction->isChecked() ? FitHead::Positive : FitHead::AsFound;
}

void MainWindow::Redraw() {
    Run([&] { engine_.UserRedraw(); });
}

// --- Symmetry ---

void MainWindow::BuildToolsMenu() {
    ui_.toolsMenu = menuBar()->addMenu("&Tools");
    ui_.toolsMenu->setObjectName("ToolsMenu");
    ui_.toolsMenu->setFont(font());
    ui_.toolsMenu->setToolTipsVisible(true);
    ui_.symmetryAction = ui_.toolsMenu->addAction("Symmetry...");
    ui_.symmetryAction->setObjectName("Symmetry1");
    ui_.symmetryAction->setToolTip(
        "The molecule's point group, its axes and mirror planes with the atoms on them: set an "
        "axis as a vector, symmetrize, or lay the molecule in its standard frame.");
    ConnectGuarded(ui_.symmetryAction, [this] { SymmetryClick(); });
    ui_.symmetryWindow = new SymmetryWindow(*this);
}

void MainWindow::BuildDirectionLabels() {
    // Under the arrow, between the tail's names and the head's boxes.
    for (auto& [label, box, name] :
         {std::tuple{&ui_.directionNames[0], ui_.vectorGroups[0], "V1Direction"},
          std::tuple{&ui_.directionNames[1], ui_.vectorGroups[1], "U1Direction"}}) {
        *label = Place(new QLabel(box), name, 150, 80, 97, 28);
        (*label)->setTextFormat(Qt::PlainText);
        (*label)->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        (*label)->setWordWrap(true);
        (*label)->hide();
    }
}

void MainWindow::ShowDirection(QLabel* label, VectorId vector) {
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

void MainWindow::SymmetryClick() {
    ui_.symmetryWindow->ShowBeside(frameGeometry());
}

void MainWindow::SetDirectionClick(VectorId vector, const std::array<double, 3>& direction,
                                   const std::string& name) {
    Run([&] { engine_.UserDirection(vector, direction, name); });
}

Engine::SymmetrizeReport MainWindow::SymmetrizeClick(const std::string& tolerance) {
    Engine::SymmetrizeReport report;
    Run([&] { report = engine_.UserSymmetrize(tolerance); });
    return report;
}

void MainWindow::StandardFrameClick(const std::string& tolerance) {
    Run([&] { engine_.UserStandardFrame(tolerance); });
}

}  // namespace pivora
