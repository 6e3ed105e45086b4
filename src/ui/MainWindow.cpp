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

#include "engine/Recipe.h"
#include "model/CoordinateWriter.h"
#include "model/DecimalText.h"
#include "model/DirectoryMemory.h"
#include "model/Error.h"
#include "model/FileIo.h"
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
        form_.atomGrid->ShowAtoms(table);
        if (form_.view3D_) form_.view3D_->MoleculeChanged();
    }
    void ReleaseAtoms() override {
        form_.atomGrid->ReleaseAtoms();
        if (form_.view3D_) form_.view3D_->ReleaseMolecule();
    }
    void RefreshAtoms(const AtomTable& table, bool withLabels) override {
        if (form_.view3D_) form_.view3D_->CoordinatesChanged();
        if (withLabels) {
            form_.atomGrid->RefreshAtoms(table);
        } else {
            form_.atomGrid->RefreshCoordinates(table);
        }
    }
    void ResetPane(int pane) override {
        PaneView* const panes[3] = {form_.xyPane, form_.yzPane, form_.zxPane};
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
    clientWidget = new QWidget;
    clientWidget->setObjectName("Client");
    BuildControls(clientWidget);
    BuildDirectionLabels();
    clientWidget->resize(kClientWidth, kClientHeight);
    // At its full size the area shows the controls as they are placed, with
    // no frame and no margin; smaller, it scrolls rather than cut them off.
    clientArea = new QScrollArea(this);
    clientArea->setObjectName("ClientArea");
    clientArea->setFrameShape(QFrame::NoFrame);
    clientArea->setFocusPolicy(Qt::NoFocus);
    clientArea->setWidget(clientWidget);
    setCentralWidget(clientArea);
    measureText = new QLabel(this);
    measureText->setObjectName("MeasureText");
    measureText->setTextFormat(Qt::PlainText);
    measureText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bondsNote = new QLabel(this);
    bondsNote->setObjectName("BondsNote");
    bondsNote->setTextFormat(Qt::PlainText);
    statusBar()->setObjectName("StatusBar1");
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(measureText, 1);
    statusBar()->addPermanentWidget(bondsNote);
    statusBar()->hide();
    SetTabOrder();
    WireHandlers();
    engine_.SetObserver(view_.get());
    engine_.SetPaneSize(xyPane->width(), xyPane->height());
    engine_.SetPanes(&xyPane->Drawing(), &yzPane->Drawing(), &zxPane->Drawing());
    engine_.SetShowAtoms(showAtomsAction->isChecked());
    resize(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
    FitGridWidth();
    ShowState();
}

void MainWindow::FitGridWidth() {
    // The atom numbers stand left of the label column: the grid, and the
    // window with it, grow by their width rather than squeeze the columns.
    const int numbers = atomGrid->RowNumberWidth();
    atomGrid->setGeometry(664, 0, 321 + numbers, 681);
    const int clientWidth = kClientWidth + numbers;
    const int grown = clientWidth - clientWidget->width();
    clientWidget->resize(clientWidth, kClientHeight);
    if (grown > 0) {
        resize(width() + grown, height());
        FitScreen();
    }
}

QSize MainWindow::NaturalSize() const {
    const int bar = statusBar()->isHidden() ? 0 : statusBar()->sizeHint().height();
    return {clientWidget->width(), menuBar()->sizeHint().height() + clientWidget->height() + bar};
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
    measureText->setText(MeasurementText());
    const bool leftOut = engine_.ShowsAtoms() && engine_.BondsLeftOut();
    bondsNote->setText(
        leftOut
            ? QStringLiteral("Bonds are drawn only up to %1 atoms.")
                  .arg(
                      QLocale(QLocale::English).toString(static_cast<qulonglong>(kMostBondedAtoms)))
            : QString());
    bondsNote->setVisible(leftOut);
    const bool wanted = !measureText->text().isEmpty() || leftOut;
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
    fileMenu = menuBar()->addMenu("&File");
    fileMenu->setObjectName("File1");
    fileMenu->setFont(font());  // a menu is a window of its own and inherits no font
    openAction = fileMenu->addAction("Open");
    openAction->setObjectName("Open1");
    openAction->setShortcut(QKeySequence::Open);
    saveAction = fileMenu->addAction("Save");
    saveAction->setObjectName("Save1");
    saveAction->setShortcut(QKeySequence::Save);
    exportAction = fileMenu->addAction("Export...");
    exportAction->setObjectName("Export1");
    exportAction->setToolTip(
        "Writes the molecule as standard XYZ, or as the geometry of a Gaussian "
        "or ORCA input, for the calculation it was oriented for.");
    fileMenu->addSeparator();
    saveRecipeAction = fileMenu->addAction("Save Recipe...");
    saveRecipeAction->setObjectName("SaveRecipe1");
    saveRecipeAction->setToolTip(
        "Writes the commands since the file was opened, to run them again "
        "here or with pivora-batch on other files.");
    applyRecipeAction = fileMenu->addAction("Apply Recipe...");
    applyRecipeAction->setObjectName("ApplyRecipe1");
    applyRecipeAction->setToolTip(
        "Runs the commands of a recipe on this molecule, as one step that "
        "Edit > Undo takes back.");
    fileMenu->addSeparator();
    exitAction = fileMenu->addAction("Exit");
    exitAction->setObjectName("Exit1");
    exitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    fileMenu->setToolTipsVisible(true);

    editMenu = menuBar()->addMenu("&Edit");
    editMenu->setObjectName("EditMenu");
    editMenu->setFont(font());
    editMenu->setToolTipsVisible(true);
    undoAction = editMenu->addAction("Undo");
    undoAction->setObjectName("Undo1");
    undoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
    redoAction = editMenu->addAction("Redo");
    redoAction->setObjectName("Redo1");
    redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    const QString limit = QStringLiteral(
        "Undo keeps about 256 MB of earlier coordinates, less when memory is short; older steps "
        "fall off. Opening a file starts afresh.");
    undoAction->setToolTip(limit);
    redoAction->setToolTip(limit);
    editMenu->addSeparator();
    copyAsMenu = editMenu->addMenu("Copy Coordinates As");
    copyAsMenu->setObjectName("CopyAsMenu");
    copyAsMenu->setFont(font());
    for (const auto& [caption, format] :
         {std::pair{"Standard XYZ", io::ExportFormat::Xyz},
          std::pair{"Gaussian Input", io::ExportFormat::GaussianInput},
          std::pair{"ORCA Input", io::ExportFormat::OrcaInput}}) {
        QAction* copy = copyAsMenu->addAction(caption);
        ConnectGuarded(copy, [this, format = format] { CopyAsClick(format); });
    }
    copyMeasurementAction = editMenu->addAction("Copy Measurement");
    copyMeasurementAction->setObjectName("CopyMeasurement1");
    copyMeasurementAction->setEnabled(false);
    copyMeasurementAction->setToolTip(
        "Copies the distance, angle or dihedral of the atoms picked with Ctrl+click, as the "
        "status bar shows it.");

    viewMenu = menuBar()->addMenu("&View");
    viewMenu->setObjectName("ViewMenu");
    viewMenu->setFont(font());
    viewMenu->setToolTipsVisible(true);
    showAtomsAction = viewMenu->addAction("Show Atoms");
    showAtomsAction->setObjectName("ShowAtoms1");
    showAtomsAction->setCheckable(true);
    showAtomsAction->setChecked(LoadSetting(kShowAtomsKey, false));
    showAtomsAction->setToolTip(
        "Draws every atom in the panes as a dot in its element's color, with its bonds, the "
        "atoms of Vector1's groups ringed in blue and Vector2's in red. Click an atom to put it "
        "into the atom box used last; Ctrl+click two to four atoms to measure them.");
    zoomToFitAction = viewMenu->addAction("Zoom to Fit");
    zoomToFitAction->setObjectName("ZoomToFit1");
    zoomToFitAction->setToolTip(
        "Sets the plot scale to the smallest at which the whole molecule and the vectors lie in "
        "all three panes.");
    viewMenu->addSeparator();
    view3DAction = viewMenu->addAction("3-D View");
    view3DAction->setObjectName("View3D1");
    view3DAction->setCheckable(true);
    view3DAction->setShortcut(QKeySequence(Qt::Key_F3));
    view3DAction->setToolTip(
        "Shows the molecule in a window of its own as balls and sticks, with the vectors as "
        "arrows and the axes. Drag to turn it, right-drag to move it, wheel to zoom; click an "
        "atom to put it into the atom box used last. The coordinates stay as they are.");
    viewMenu->addSeparator();
    languageMenu = viewMenu->addMenu("Language");
    languageMenu->setObjectName("LanguageMenu");
    languageMenu->setFont(font());
    languageMenu->setToolTipsVisible(true);
    auto* languages = new QActionGroup(languageMenu);
    japaneseAction = languageMenu->addAction("Japanese");
    japaneseAction->setObjectName("Japanese1");
    englishAction = languageMenu->addAction("English");
    englishAction->setObjectName("English1");
    for (QAction* language : {japaneseAction, englishAction}) {
        language->setCheckable(true);
        language->setToolTip(
            "The language of the error messages, their box and the user guide, from now on and "
            "at the next start. The window's captions and the help page are English in both.");
        languages->addAction(language);
    }
    (CurrentLanguage() == Language::English ? englishAction : japaneseAction)->setChecked(true);

    orientMenu = menuBar()->addMenu("&Orient");
    orientMenu->setObjectName("OrientMenu");
    orientMenu->setFont(font());
    orientMenu->setToolTipsVisible(true);
    positiveFitsAction = orientMenu->addAction("Fits Put the Head on the Positive Axis");
    positiveFitsAction->setObjectName("PositiveFits1");
    positiveFitsAction->setCheckable(true);
    positiveFitsAction->setChecked(LoadSetting(kPositiveFitsKey, false));
    positiveFitsAction->setToolTip(
        "FitX, FitY and FitZ turn half a turn further where the vector's head would end on the "
        "negative side, so that a series of molecules comes out in one frame. The angle box "
        "shows the angle turned; a recipe records it as fit +x, fit +y or fit +z.");

    BuildToolsMenu();

    // A top-level item of the menu bar that acts when clicked.
    helpAction = menuBar()->addAction("&Help");
    helpAction->setObjectName("Help1");
    helpAction->setShortcut(QKeySequence::HelpContents);
    userGuideAction = menuBar()->addAction("&User Guide");
    userGuideAction->setObjectName("UserGuide1");
    userGuideAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
}

void MainWindow::BuildControls(QWidget* client) {
    xyPane = Place(new PaneView(client), "Image1", 8, 0, 209, 217);
    yzPane = Place(new PaneView(client), "Image2", 224, 0, 209, 217);
    zxPane = Place(new PaneView(client), "Image3", 440, 0, 209, 217);
    NewLabel(client, "Label3", "XY", 104, 224, 18, 13, true);
    NewLabel(client, "Label4", "YZ", 320, 224, 17, 13, true);
    NewLabel(client, "Label5", "ZX", 544, 224, 17, 13, true);

    angleZ = Place(new TextBox(client, "0"), "Zangle", 56, 240, 121, 20);
    rotateZ = Place(new Button(client, "RotateZ"), "RotateZ", 80, 258, 73, 25);
    fitX = Place(new Button(client, "FitX"), "FitX", 80, 282, 73, 25);
    angleX = Place(new TextBox(client, "0"), "Xangle", 272, 240, 121, 20);
    rotateX = Place(new Button(client, "RotateX"), "RotateX", 296, 258, 73, 25);
    fitY = Place(new Button(client, "FitY"), "FitY", 296, 282, 73, 25);
    angleY = Place(new TextBox(client, "0"), "Yangle", 496, 240, 121, 20);
    rotateY = Place(new Button(client, "RotateY"), "RotateY", 520, 258, 73, 25);
    fitZ = Place(new Button(client, "FitZ"), "FitZ", 520, 282, 73, 25);

    NewLabel(client, "Label6", "Plot Scale (A)", 24, 536, 92, 13, true);
    plotScale = Place(new SpinBox(client, 1, 100, 10), "SpinEdit3", 120, 532, 73, 21);
    atomGrid = Place(new AtomGridView(client), "StringGrid1", 664, 0, 321, 681);

    centerGroup = NewGroupBox(client, "GroupBox1", "Center of Molecule", QColor(128, 128, 0), 16,
                              344, 185, 161);
    centerAtoms[0] = Place(new SpinBox(centerGroup, 1, 100, 1), "SpinEdit1", 32, 20, 58, 21);
    centerNames[0] = Place(new TextBox(centerGroup, "Edit1"), "Edit1", 88, 21, 69, 20);
    centerAtoms[1] = Place(new SpinBox(centerGroup, 1, 100, 1), "SpinEdit2", 32, 44, 58, 21);
    centerNames[1] = Place(new TextBox(centerGroup, "Edit2"), "Edit2", 88, 45, 69, 20);
    centerButton = Place(new Button(centerGroup, "Center"), "Center", 56, 96, 75, 25);
    centerButton->setFont(ArialFont(12, true));

    vectorGroups[0] = NewGroupBox(client, "GroupBox2", "Vector1 Definition", QColor(0, 0, 255), 224,
                                  344, 393, 161);
    BuildVectorBox(0, vectorGroups[0]);
    // Black on pure blue is hard to read: the caption and the arrow go white,
    // while the spin boxes keep their dark arrows.
    QPalette onBlue = vectorGroups[0]->palette();
    onBlue.setColor(QPalette::WindowText, Qt::white);
    vectorGroups[0]->setPalette(onBlue);
    const QColor dark = QApplication::palette().color(QPalette::WindowText);
    for (SpinBox* atom : vectorAtoms[0]) {
        QPalette palette = atom->palette();
        palette.setColor(QPalette::WindowText, dark);
        atom->setPalette(palette);
    }

    vectorGroups[1] = NewGroupBox(client, "GroupBox3", "Vector2 Definition", QColor(255, 0, 255),
                                  224, 520, 393, 161);
    BuildVectorBox(1, vectorGroups[1]);

    // The engine names every box; the window finds each by that name.
    spins_[static_cast<int>(SpinId::CenterAtom1)] = centerAtoms[0];
    spins_[static_cast<int>(SpinId::CenterAtom2)] = centerAtoms[1];
    spins_[static_cast<int>(SpinId::PlotScale)] = plotScale;
    texts_[static_cast<int>(TextId::CenterName1)] = centerNames[0];
    texts_[static_cast<int>(TextId::CenterName2)] = centerNames[1];
    for (int v = 0; v < 2; ++v) {
        const VectorId vector = v == 0 ? VectorId::Vector1 : VectorId::Vector2;
        for (int i = 0; i < 8; ++i) {
            const SpinId atom = AtomBox(vector, i);
            spins_[static_cast<int>(atom)] = vectorAtoms[v][i];
            texts_[static_cast<int>(*NameBoxOf(atom))] = atomNames[v][i];
        }
        for (const Axis axis : {Axis::X, Axis::Y, Axis::Z}) {
            texts_[static_cast<int>(ComponentBox(vector, axis))] =
                components[v][static_cast<int>(axis)];
        }
    }
    texts_[static_cast<int>(TextId::AngleZ)] = angleZ;
    texts_[static_cast<int>(TextId::AngleX)] = angleX;
    texts_[static_cast<int>(TextId::AngleY)] = angleY;
    for (const auto& vector : components) {
        for (TextBox* numbers : vector) numbers->SetShrinkToFit(true);
    }
    for (TextBox* numbers : {angleZ, angleX, angleY}) numbers->SetShrinkToFit(true);
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
        vectorAtoms[v][i] =
            Place(new SpinBox(box, 0, 100, 0), atomName.c_str(), 24 + 224 * column, top, 58, 21);
        atomNames[v][i] =
            Place(new TextBox(box, "None"), nameName.c_str(), 80 + 224 * column, top + 1, 69, 20);
    }
    vectorArrows[v] =
        NewLabel(box, v == 0 ? "Label1" : "Label2", "========>", 168, 64, 72, 13, false);
    constexpr char kAxes[3] = {'X', 'Y', 'Z'};
    for (int i = 0; i < 3; ++i) {
        const std::string name = std::string(1, letter) + kAxes[i];
        components[v][i] = Place(new TextBox(box, ""), name.c_str(), 16 + 120 * i, 125, 121, 20);
    }
    fitsVector[v] =
        Place(new CheckBox(box, v == 0), v == 0 ? "CheckBox1" : "CheckBox2", 192, 16, 17, 17);
    // Under each column, between the boxes and the components: how many
    // atoms a group holds beyond its four boxes.
    for (int end = 0; end < 2; ++end) {
        const std::string name = std::string(1, letter) + (end == 0 ? "1More" : "5More");
        QLabel* more = Place(new QLabel(box), name.c_str(), 24 + 224 * end, 112, 125, 13);
        more->setTextFormat(Qt::PlainText);
        more->hide();
        moreAtoms[v][end] = more;
    }
}

void MainWindow::SetTabOrder() {
    // Group boxes take no focus of their own: each stands in the order as its
    // controls, in their own order.
    // clang-format off
    QWidget* const order[] = {
        atomGrid,
        centerAtoms[0], centerAtoms[1], centerButton, centerNames[0], centerNames[1],
        vectorAtoms[0][0], vectorAtoms[0][1], atomNames[0][0], atomNames[0][1],
        vectorAtoms[0][2], vectorAtoms[0][3], atomNames[0][2], atomNames[0][3],
        vectorAtoms[0][4], atomNames[0][4], vectorAtoms[0][5], vectorAtoms[0][6],
        atomNames[0][5], atomNames[0][6], vectorAtoms[0][7], atomNames[0][7],
        components[0][0], components[0][1], components[0][2], fitsVector[0],
        vectorAtoms[1][0], vectorAtoms[1][1], atomNames[1][0], atomNames[1][1],
        vectorAtoms[1][2], vectorAtoms[1][3], atomNames[1][2], atomNames[1][3],
        vectorAtoms[1][4], atomNames[1][4], vectorAtoms[1][5], vectorAtoms[1][6],
        atomNames[1][5], atomNames[1][6], vectorAtoms[1][7], atomNames[1][7],
        components[1][0], components[1][1], components[1][2], fitsVector[1],
        plotScale, angleZ, rotateZ, angleX, rotateX, angleY, rotateY, fitX, fitY, fitZ,
    };
    // clang-format on
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void MainWindow::WireHandlers() {
    ConnectGuarded(openAction, [this] { OpenClick(); });
    ConnectGuarded(saveAction, [this] { SaveClick(); });
    ConnectGuarded(exportAction, [this] { ExportClick(); });
    ConnectGuarded(saveRecipeAction, [this] { SaveRecipeClick(); });
    ConnectGuarded(applyRecipeAction, [this] { ApplyRecipeClick(); });
    ConnectGuarded(exitAction, [this] { close(); });
    ConnectGuarded(undoAction, [this] { UndoClick(); });
    ConnectGuarded(redoAction, [this] { RedoClick(); });
    ConnectGuarded(helpAction, [this] { HelpClick(); });
    ConnectGuarded(copyMeasurementAction, [this] { CopyMeasurementClick(); });
    ConnectGuarded(zoomToFitAction, [this] { ZoomToFitClick(); });
    ConnectGuarded(userGuideAction, [this] { UserGuideClick(); });
    ConnectGuarded(japaneseAction, [this] { LanguageClick(Language::Japanese); });
    ConnectGuarded(englishAction, [this] { LanguageClick(Language::English); });
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
        CheckBox* box = fitsVector[vector == VectorId::Vector1 ? 0 : 1];
        box->OnClick = [this, vector, box] {
            Run([&] { engine_.ClickFitsVector(vector, box->Checked()); });
        };
    }
    centerButton->OnClick = [this] { CenterClick(); };
    rotateZ->OnClick = [this] { RotateZClick(); };
    rotateX->OnClick = [this] { RotateXClick(); };
    rotateY->OnClick = [this] { RotateYClick(); };
    fitX->OnClick = [this] { FitXClick(); };
    fitY->OnClick = [this] { FitYClick(); };
    fitZ->OnClick = [this] { FitZClick(); };
    // Enter in an angle box turns the molecule by it.
    connect(angleZ, &QLineEdit::returnPressed, this,
            [this] { Guarded([this] { RotateZClick(); }); });
    connect(angleX, &QLineEdit::returnPressed, this,
            [this] { Guarded([this] { RotateXClick(); }); });
    connect(angleY, &QLineEdit::returnPressed, this,
            [this] { Guarded([this] { RotateYClick(); }); });
    setAcceptDrops(true);

    connect(showAtomsAction, &QAction::toggled, this,
            [this] { Guarded([this] { ShowAtomsClick(); }); });
    connect(positiveFitsAction, &QAction::toggled, this,
            [](bool checked) { StoreSetting(kPositiveFitsKey, checked); });
    connect(view3DAction, &QAction::toggled, this, [this] { Guarded([this] { View3DClick(); }); });
    for (const auto& [image, pane] : {std::pair{xyPane, PaneId::XY}, std::pair{yzPane, PaneId::YZ},
                                      std::pair{zxPane, PaneId::ZX}}) {
        image->OnClickAt = [this, pane = pane](int x, int y) { PaneClick(pane, x, y); };
        image->OnCtrlClickAt = [this, pane = pane](int x, int y) { PaneMeasureClick(pane, x, y); };
        image->ToolTipAt = [this, pane = pane](int x, int y) {
            const int atom = showAtomsAction->isChecked() ? engine_.AtomAt(pane, x, y) : 0;
            return atom == 0 ? QString()
                             : QString::number(atom) + ' ' +
                                   ShownLocalHead(SelectionLabel(state_.Atoms, atom));
        };
    }

    connect(atomGrid, &AtomGridView::AtomPicked, this,
            [this](int atom) { Guarded([&] { PickAtom(atom); }); });
    connect(atomGrid, &AtomGridView::AtomMeasured, this,
            [this](int atom) { Guarded([&] { MeasureAtom(atom); }); });
    connect(atomGrid, &AtomGridView::RowNumberWidthChanged, this, [this] { FitGridWidth(); });
    connect(atomGrid, &AtomGridView::RowMenuRequested, this,
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
    const std::vector<int> atoms = atomGrid->SelectedAtoms();
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
        atomGrid->viewport()->update();  // the grid formats its numbers as it paints
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
        StoreSetting(kShowAtomsKey, showAtomsAction->isChecked());
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
    fitsVector[0]->Show(controls.FitsVector1);
    fitsVector[1]->Show(controls.FitsVector2);
    ShowMore(moreAtoms[0][0], VectorId::Vector1, GroupEnd::Tail);
    ShowMore(moreAtoms[0][1], VectorId::Vector1, GroupEnd::Head);
    ShowMore(moreAtoms[1][0], VectorId::Vector2, GroupEnd::Tail);
    ShowMore(moreAtoms[1][1], VectorId::Vector2, GroupEnd::Head);
    ShowDirection(directionNames[0], VectorId::Vector1);
    ShowDirection(directionNames[1], VectorId::Vector2);

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
    undoAction->setText(title("Undo", engine_.UndoTitle()));
    undoAction->setEnabled(engine_.CanUndo());
    redoAction->setText(title("Redo", engine_.RedoTitle()));
    redoAction->setEnabled(engine_.CanRedo());
    copyMeasurementAction->setEnabled(engine_.Measured().size() >= 2);
    ShowStatus();
    if (view3D_) {
        view3D_->SetMeasured(engine_.Measured());
        view3D_->Follow();
    }
    symmetryWindow->Refresh();
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
    Run([&] { engine_.SetShowAtoms(showAtomsAction->isChecked()); });
}

void MainWindow::View3DClick() {
    if (!view3DAction->isChecked()) {
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
        view3D_->OnClosed = [this] { view3DAction->setChecked(false); };
        view3D_->PlaceAsLastTime(frameGeometry());
        view3D_->MoleculeChanged();
        view3D_->Follow();
    }
    view3D_->show();
    view3D_->SaveSettings(true);
}

void MainWindow::RestoreView3D() {
    if (View3DWindow::ShownLastTime()) view3DAction->setChecked(true);
}

void MainWindow::PaneClick(PaneId pane, int x, int y) {
    // Hidden atoms are not picked: a click on a pane that shows none does
    // nothing a user could not see coming.
    if (!showAtomsAction->isChecked()) return;
    if (const int atom = engine_.AtomAt(pane, x, y)) PickAtom(atom);
}

void MainWindow::PaneMeasureClick(PaneId pane, int x, int y) {
    if (!showAtomsAction->isChecked()) return;
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
    (CurrentLanguage() == Language::English ? englishAction : japaneseAction)->setChecked(true);
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
    return positiveFitsAction->isChecked() ? FitHead::Positive : FitHead::AsFound;
}

void MainWindow::Redraw() {
    Run([&] { engine_.UserRedraw(); });
}

// --- Symmetry ---

void MainWindow::BuildToolsMenu() {
    toolsMenu = menuBar()->addMenu("&Tools");
    toolsMenu->setObjectName("ToolsMenu");
    toolsMenu->setFont(font());
    toolsMenu->setToolTipsVisible(true);
    symmetryAction = toolsMenu->addAction("Symmetry...");
    symmetryAction->setObjectName("Symmetry1");
    symmetryAction->setToolTip(
        "The molecule's point group, its axes and mirror planes with the atoms on them: set an "
        "axis as a vector, symmetrize, or lay the molecule in its standard frame.");
    ConnectGuarded(symmetryAction, [this] { SymmetryClick(); });
    symmetryWindow = new SymmetryWindow(*this);
}

void MainWindow::BuildDirectionLabels() {
    // Under the arrow, between the tail's names and the head's boxes.
    for (auto& [label, box, name] :
         {std::tuple{&directionNames[0], vectorGroups[0], "V1Direction"},
          std::tuple{&directionNames[1], vectorGroups[1], "U1Direction"}}) {
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
    symmetryWindow->ShowBeside(frameGeometry());
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
