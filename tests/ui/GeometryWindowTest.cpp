// Centering, rotations, vectors, fits and the projection panes as the user
// drives them in the main window.

#include <QTest>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "UiTest.h"
#include "support/Pixels.h"
#include "support/TableCheck.h"

namespace pivora::test {
namespace {

// Atom 1 to atom 5 is (2, 3, 6), of length 7.
constexpr char kRoad[] = "C1 1.5 -0.5 2\nH1 2.5 0.5 2\nH2 0.5 1 1\nO1 -1 0.25 3\nN1 3.5 2.5 8\n";

char PixelAt(const PaneView* pane, int x, int y) {
    return ColorLetter(pane->Picture().pixel(x, y));
}

// Axes through (104, 109) on white, and nothing else.
std::vector<std::string> AxesOnly() {
    std::vector<std::string> rows(217, std::string(209, '.'));
    for (auto& row : rows) row[104] = 'k';
    rows[109] = std::string(209, 'k');
    return rows;
}

double Shown(const TextBox* box) {
    return static_cast<double>(ParseDecimal(box->Text()));
}

class GeometryWindow : public FormTest {
  protected:
    GeometryWindow() { Form().show(); }
    MainWindow& f() { return Form(); }
    void Open(const char* text) { OpenFromMenu(WriteFile("mol.xyz", text)); }
    void PickVector1(int tail, int head) {
        TypeOver(Ui(f()).vectorAtoms[0][0], std::to_string(tail));
        TypeOver(Ui(f()).vectorAtoms[0][4], std::to_string(head));
    }
    std::vector<std::string> GridRow(int row) {
        std::vector<std::string> cells;
        for (int c = 0; c < 4; ++c) cells.push_back(Ui(f()).atomGrid->Cells(c, row).toStdString());
        return cells;
    }
    // Everything a command may change: atoms, grid, boxes and panes.
    struct World {
        TableSnapshot atoms;
        std::vector<std::vector<std::string>> grid;
        std::vector<std::string> boxes;
        std::vector<QImage> panes;
        bool operator==(const World&) const = default;
    };
    World Snapshot() {
        World w{test::Snapshot(state.Atoms), {}, {}, {}};
        for (int r = 1; r < Ui(f()).atomGrid->RowCount(); ++r) w.grid.push_back(GridRow(r));
        for (const TextBox* box :
             {Ui(f()).components[0][0], Ui(f()).components[0][1], Ui(f()).components[0][2],
              Ui(f()).components[1][0], Ui(f()).components[1][1], Ui(f()).components[1][2],
              Ui(f()).angleZ, Ui(f()).angleX, Ui(f()).angleY}) {
            w.boxes.push_back(box->Text());
        }
        for (const PaneView* pane : {Ui(f()).xyPane, Ui(f()).yzPane, Ui(f()).zxPane}) {
            w.panes.push_back(pane->Picture());
        }
        return w;
    }
};

TEST_F(GeometryWindow, TypicalUseLaysTheVectorOnXAndSavesIt) {
    Open(kRoad);
    PickVector1(1, 5);
    EXPECT_EQ(Ui(f()).atomNames[0][4]->Text(), "N1");
    EXPECT_EQ((std::vector<std::string>{Ui(f()).components[0][0]->Text(),
                                        Ui(f()).components[0][1]->Text(),
                                        Ui(f()).components[0][2]->Text()}),
              (std::vector<std::string>{"2", "3", "6"}));
    TypeOver(Ui(f()).centerAtoms[1], "1");
    Ui(f()).centerButton->click();
    EXPECT_EQ(GridRow(1), (std::vector<std::string>{"C1", "0", "0", "0"}));
    EXPECT_EQ(GridRow(5), (std::vector<std::string>{"N1", "2", "3", "6"}));
    Ui(f()).fitY->click();
    EXPECT_EQ(Ui(f()).angleX->Text(), "-63.434948822922");
    EXPECT_NEAR(Shown(Ui(f()).components[0][2]), 0, 1e-14);
    Ui(f()).fitX->click();
    EXPECT_EQ(Ui(f()).angleZ->Text(), "-73.3984504009798");
    EXPECT_NEAR(Shown(Ui(f()).components[0][0]), 7, 1e-14);
    EXPECT_NEAR(Shown(Ui(f()).components[0][1]), 0, 1e-14);

    const std::string out = files.File("mol.out");
    Dialogs().saveAnswers.push_back(out);
    Ui(f()).saveAction->trigger();
    EXPECT_TRUE(errors.shown.empty());
    // Each atom's new x is its projection on the old vector's direction
    // (2, 3, 6) / 7, taken from atom 1.
    EXPECT_EQ(ReadAll(out),
              "C1              0.000000000    0.000000000    0.000000000\r\n"
              "H1              0.714285714   -0.830539534   -0.894427191\r\n"
              "H2             -0.500000000    0.894427191   -1.788854382\r\n"
              "O1              0.464285714    2.747169229   -0.223606798\r\n"
              "N1              7.000000000   -0.000000000    0.000000000\r\n");
}

TEST_F(GeometryWindow, FitXThenFitZLaysTheVectorAlongZ) {
    Open(kRoad);
    PickVector1(1, 5);
    Ui(f()).fitX->click();
    Ui(f()).fitZ->click();
    EXPECT_TRUE(errors.shown.empty());
    EXPECT_EQ(Ui(f()).angleY->Text(), "-31.002719133874");  // atan(sqrt(13) / 6)
    EXPECT_NEAR(Shown(Ui(f()).components[0][0]), 0, 1e-14);
    EXPECT_NEAR(Shown(Ui(f()).components[0][1]), 0, 1e-14);
    EXPECT_NEAR(Shown(Ui(f()).components[0][2]), 7, 1e-14);
}

TEST_F(GeometryWindow, LongNumbersShowTheirStartAndTheirWholeTextOnHover) {
    Open("O 0 0 0\nA -1.23456789012345E-17 -0.5 0\n");
    PickVector1(1, 2);
    EXPECT_EQ(Ui(f()).components[0][0]->Text(), "-1.23456789012345E-17");
    EXPECT_EQ(Ui(f()).components[0][0]->cursorPosition(), 0);
    EXPECT_EQ(Ui(f()).components[0][0]->toolTip(), Ui(f()).components[0][0]->text());
    EXPECT_EQ(Ui(f()).components[0][1]->toolTip(), "");
    const QModelIndex x = Ui(f()).atomGrid->model()->index(1, 1);
    EXPECT_EQ(x.data(Qt::ToolTipRole).toString(), "-1.23456789012345E-17");
}

struct FirstRedrawCase {
    const char* name;
    std::function<void(MainWindow&)> act;
};
void PrintTo(const FirstRedrawCase& c, std::ostream* out) {
    *out << c.name;
}

class FirstRedraw : public GeometryWindow, public ::testing::WithParamInterface<FirstRedrawCase> {};

TEST_P(FirstRedraw, PaintsWhitePanesWithAxesBeforeAnyFile) {
    for (const PaneView* pane : {Ui(f()).xyPane, Ui(f()).yzPane, Ui(f()).zxPane}) {
        EXPECT_FALSE(pane->HasPicture());
    }
    GetParam().act(f());
    EXPECT_TRUE(errors.shown.empty());
    for (const PaneView* pane : {Ui(f()).xyPane, Ui(f()).yzPane, Ui(f()).zxPane}) {
        EXPECT_EQ(Pixels(pane->Picture()), AxesOnly()) << pane->objectName().toStdString();
    }
    EXPECT_EQ(Ui(f()).components[0][0]->Text(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, FirstRedraw,
    ::testing::Values(FirstRedrawCase{"Scale",
                                      [](MainWindow& f) { Ui(f).plotScale->SetValue(20); }},
                      FirstRedrawCase{"RotateZ", [](MainWindow& f) { Ui(f).rotateZ->click(); }},
                      FirstRedrawCase{"RotateX", [](MainWindow& f) { Ui(f).rotateX->click(); }},
                      FirstRedrawCase{"RotateY", [](MainWindow& f) { Ui(f).rotateY->click(); }},
                      FirstRedrawCase{"SelectionToZero",
                                      [](MainWindow& f) {
                                          Ui(f).vectorAtoms[1][2]->SetValue(1);
                                          Ui(f).vectorAtoms[1][2]->SetValue(0);
                                      }}),
    [](const auto& info) { return std::string(info.param.name); });

struct LineCase {
    const char* name;
    const char* head;  // atom 2; atom 1 is the origin
    // End pixel in XY, YZ and ZX; {-1, -1} for a line of no length.
    int end[3][2];
};
void PrintTo(const LineCase& c, std::ostream* out) {
    *out << c.name;
}

class VectorLine : public GeometryWindow, public ::testing::WithParamInterface<LineCase> {};

TEST_P(VectorLine, RunsBlueFromTheOriginToItsEndAtScaleTen) {
    Open((std::string("O 0 0 0\n") + GetParam().head + "\n").c_str());
    PickVector1(1, 2);
    const PaneView* panes[3] = {Ui(f()).xyPane, Ui(f()).yzPane, Ui(f()).zxPane};
    for (int p = 0; p < 3; ++p) {
        const auto rows = Pixels(panes[p]->Picture());
        const int* end = GetParam().end[p];
        // The line's pixels lie between the origin and the end, widened by
        // the pen's round end of one pixel.
        int blue = 0;
        for (int y = 0; y < 217; ++y) {
            for (int x = 0; x < 209; ++x) {
                if (rows[y][x] != 'b') continue;
                ++blue;
                EXPECT_TRUE(end[0] >= 0 && x >= std::min(104, end[0]) - 1 &&
                            x <= std::max(104, end[0]) + 1 && y >= std::min(109, end[1]) - 1 &&
                            y <= std::max(109, end[1]) + 1)
                    << "pane " << p << " pixel " << x << "," << y;
            }
        }
        if (end[0] < 0) {
            EXPECT_EQ(blue, 0) << "pane " << p;
            continue;
        }
        EXPECT_EQ(rows[end[1]][end[0]], 'b') << "pane " << p;
        EXPECT_EQ(rows[(109 + end[1]) / 2][(104 + end[0]) / 2], 'b') << "pane " << p;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Components, VectorLine,
    ::testing::Values(LineCase{"AlongX", "X 5 0 0", {{157, 109}, {-1, -1}, {104, 54}}},
                      LineCase{"Diagonal", "X 1 1 1", {{115, 98}, {115, 98}, {115, 98}}},
                      LineCase{"Mixed", "X -5 -5 5", {{52, 163}, {52, 54}, {157, 163}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GeometryWindow, Vector2IsDrawnRedOverVector1) {
    Open("O 0 0 0\nA 5 0 0\nB 2.5 0 0\n");
    PickVector1(1, 2);
    TypeOver(Ui(f()).vectorAtoms[1][0], "1");
    TypeOver(Ui(f()).vectorAtoms[1][4], "3");  // ends at column 131
    EXPECT_EQ(PixelAt(Ui(f()).xyPane, 120, 109), 'r');
    EXPECT_EQ(PixelAt(Ui(f()).xyPane, 145, 109), 'b');
    TypeOver(Ui(f()).vectorAtoms[1][4], "2");  // the same line as Vector1's
    for (const std::string& row : Pixels(Ui(f()).xyPane->Picture()))
        EXPECT_EQ(row.find('b'), row.npos);
    EXPECT_EQ(PixelAt(Ui(f()).xyPane, 157, 109), 'r');
}

TEST_F(GeometryWindow, CheckBoxesStayOppositeAndChooseTheFittedVector) {
    Open("O 0 0 0\nA 1 1 0\nB -1 1 0\n");
    PickVector1(1, 2);
    TypeOver(Ui(f()).vectorAtoms[1][0], "1");
    TypeOver(Ui(f()).vectorAtoms[1][4], "3");
    for (CheckBox* box : {Ui(f()).fitsVector[0], Ui(f()).fitsVector[0], Ui(f()).fitsVector[1],
                          Ui(f()).fitsVector[1]}) {
        QTest::mouseClick(box, Qt::LeftButton);
        EXPECT_NE(Ui(f()).fitsVector[0]->Checked(), Ui(f()).fitsVector[1]->Checked());
    }
    Ui(f()).fitsVector[0]->SetChecked(false);
    EXPECT_TRUE(Ui(f()).fitsVector[1]->Checked());
    Ui(f()).fitX->click();  // on Vector2, (-1, 1, 0)
    EXPECT_EQ(Ui(f()).angleZ->Text(), "45");
    EXPECT_NEAR(Shown(Ui(f()).components[1][0]), -std::sqrt(2.0), 1e-14);
    Ui(f()).fitsVector[1]->SetChecked(false);
    EXPECT_TRUE(Ui(f()).fitsVector[0]->Checked());
    TypeOver(Ui(f()).components[0][0], "2");
    TypeOver(Ui(f()).components[0][1], "2");
    Ui(f()).fitX->click();  // on what the user typed for Vector1
    EXPECT_EQ(Ui(f()).angleZ->Text(), "-45");
}

TEST_F(GeometryWindow, UndefinedVectorKeepsItsBoxesAndDrawsNothing) {
    Open("O 0 0 0\nA 5 0 0\n");
    TypeOver(Ui(f()).vectorAtoms[0][0], "1");  // tail only
    EXPECT_EQ(Ui(f()).components[0][0]->Text(), "");
    TypeOver(Ui(f()).vectorAtoms[0][4], "2");
    TypeOver(Ui(f()).vectorAtoms[0][4], "0");
    EXPECT_EQ(Ui(f()).atomNames[0][4]->Text(), "None");
    EXPECT_EQ(Ui(f()).components[0][0]->Text(), "5");
    EXPECT_EQ(Pixels(Ui(f()).xyPane->Picture()), AxesOnly());
}

struct FailureCase {
    const char* name;
    const char* file;  // nullptr: no file opened
    std::function<void(MainWindow&)> prepare;
    Button* MainWindow::Widgets::*button;
    std::string message;
};
void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.name;
}

class FailedCommand : public GeometryWindow, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailedCommand, ReportsAndChangesNothing) {
    const FailureCase& c = GetParam();
    if (c.file) Open(c.file);
    PickVector1(1, 2);
    Ui(f()).angleZ->SetText("12");
    Ui(f()).angleX->SetText("12");
    Ui(f()).angleY->SetText("12");
    c.prepare(f());
    const World before = Snapshot();
    (Ui(f()).*c.button)->click();
    EXPECT_EQ(errors.shown, std::vector<std::string>{c.message});
    EXPECT_TRUE(Snapshot() == before);
}

const char kTwo[] = "O 0 0 0\nA 1 2 3\n";
const std::string kNotNumber = "' は浮動小数点数ではありません.";
const std::string kDivision = "0 による浮動小数点数除算.";
const std::string kInvalid = "不正な浮動小数点数演算命令.";
void Boxes(MainWindow& f, const char* x, const char* y, const char* z) {
    Ui(f).components[0][0]->SetText(x);
    Ui(f).components[0][1]->SetText(y);
    Ui(f).components[0][2]->SetText(z);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedCommand,
    ::testing::Values(
        FailureCase{"AngleNotANumber", kTwo, [](MainWindow& f) { Ui(f).angleZ->SetText("abc"); },
                    &MainWindow::Widgets::rotateZ, "'abc" + kNotNumber},
        FailureCase{"AngleEmpty", kTwo, [](MainWindow& f) { Ui(f).angleX->SetText(""); },
                    &MainWindow::Widgets::rotateX, "'" + kNotNumber},
        FailureCase{"AngleWithComma", kTwo, [](MainWindow& f) { Ui(f).angleY->SetText("1,5"); },
                    &MainWindow::Widgets::rotateY, "'1,5" + kNotNumber},
        FailureCase{"AngleOverflows", kTwo, [](MainWindow& f) { Ui(f).angleY->SetText("1E400"); },
                    &MainWindow::Widgets::rotateY, "浮動小数点数のオーバーフロー."},
        FailureCase{"FitXOnZeroX", kTwo, [](MainWindow& f) { Boxes(f, "0", "2", "3"); },
                    &MainWindow::Widgets::fitX, kDivision},
        FailureCase{"FitXOnZeros", kTwo, [](MainWindow& f) { Boxes(f, "0", "0", "3"); },
                    &MainWindow::Widgets::fitX, kInvalid},
        FailureCase{"FitYOnMinusZeroY", kTwo, [](MainWindow& f) { Boxes(f, "1", "-0", "3"); },
                    &MainWindow::Widgets::fitY, kDivision},
        FailureCase{"FitZOnZeros", kTwo, [](MainWindow& f) { Boxes(f, "0", "1", "0"); },
                    &MainWindow::Widgets::fitZ, kInvalid},
        FailureCase{"FitQuotesTheNumeratorFirst", kTwo,
                    [](MainWindow& f) { Boxes(f, "", "y?", "3"); }, &MainWindow::Widgets::fitX,
                    "'y?" + kNotNumber},
        FailureCase{"FitOnVector2NeverComputed", kTwo,
                    [](MainWindow& f) { Ui(f).fitsVector[1]->SetChecked(true); },
                    &MainWindow::Widgets::fitY, "'" + kNotNumber},
        FailureCase{"CenterBeforeAnyFile", nullptr, [](MainWindow&) {},
                    &MainWindow::Widgets::centerButton,
                    "Atom 1 is not in the molecule: no atoms are loaded."},
        FailureCase{"CenterOnTheSecondOfOneAtom", "Fe 0 0 1\n", [](MainWindow&) {},
                    &MainWindow::Widgets::centerButton,
                    "Atom 2 is not in the molecule: the only atom is 1."},
        FailureCase{"CenterOnAnEmptyFile", "", [](MainWindow&) {},
                    &MainWindow::Widgets::centerButton,
                    "Atom 0 is not in the molecule: no atoms are loaded."},
        FailureCase{"CenterOnATypedIndexPastTheAtoms", kTwo,
                    [](MainWindow& f) {
                        Ui(f).centerAtoms[1]->selectAll();  // typing, which applies no limit
                        QTest::keyClicks(Ui(f).centerAtoms[1], "7");
                    },
                    &MainWindow::Widgets::centerButton,
                    "Atom 7 is not in the molecule: the atoms are 1 to 2."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GeometryWindow, ScaleZeroIsReportedAndTheNextScaleDrawsAgain) {
    Open("O 0 0 0\nA 5 0 0\n");
    PickVector1(1, 2);
    const QImage atTen = Ui(f()).xyPane->Picture();
    TypeOver(Ui(f()).plotScale, "0");
    EXPECT_EQ(errors.shown, std::vector<std::string>{kInvalid});
    EXPECT_EQ(Ui(f()).xyPane->Picture(), atTen);
    TypeOver(Ui(f()).plotScale, "20");
    EXPECT_EQ(errors.shown.size(), 1u);
    EXPECT_EQ(PixelAt(Ui(f()).xyPane, 131, 109), 'b');
    EXPECT_EQ(PixelAt(Ui(f()).xyPane, 157, 109), 'k');
}

struct TurnCase {
    const char* name;
    Button* MainWindow::Widgets::*button;
    TextBox* MainWindow::Widgets::*angle;
    std::vector<std::vector<std::string>> rows;  // grid rows 1 to 3
};
void PrintTo(const TurnCase& c, std::ostream* out) {
    *out << c.name;
}

class TurnAfterCentering : public GeometryWindow, public ::testing::WithParamInterface<TurnCase> {};

TEST_P(TurnAfterCentering, TurnsTheCenteredAtomsAndRedraws) {
    Open("A 1 0 0\nB 3 0 0\nC 2 1 0\n");
    PickVector1(1, 3);              // (1, 1, 0)
    Ui(f()).centerButton->click();  // on A and B: A (-1, 0, 0), B (1, 0, 0), C (0, 1, 0)
    EXPECT_EQ(GridRow(1), (std::vector<std::string>{"A", "-1", "0", "0"}));
    (Ui(f()).*GetParam().angle)->SetText("90");
    (Ui(f()).*GetParam().button)->click();
    EXPECT_TRUE(errors.shown.empty());
    for (int r = 1; r <= 3; ++r) EXPECT_EQ(GridRow(r), GetParam().rows[r - 1]) << "row " << r;
    // The components follow the turned atoms C minus A.
    const auto& a = GetParam().rows[0];
    const auto& c = GetParam().rows[2];
    EXPECT_NEAR(Shown(Ui(f()).components[0][0]), std::stod(c[1]) - std::stod(a[1]), 1e-15);
    EXPECT_NEAR(Shown(Ui(f()).components[0][2]), std::stod(c[3]) - std::stod(a[3]), 1e-15);
}

const char kC90[] = "6.12323399573677E-17";
const char kMinusC90[] = "-6.12323399573677E-17";
INSTANTIATE_TEST_SUITE_P(
    Axes, TurnAfterCentering,
    ::testing::Values(
        TurnCase{"Z",
                 &MainWindow::Widgets::rotateZ,
                 &MainWindow::Widgets::angleZ,
                 {{"A", kMinusC90, "-1", "0"}, {"B", kC90, "1", "0"}, {"C", "-1", kC90, "0"}}},
        TurnCase{"X",
                 &MainWindow::Widgets::rotateX,
                 &MainWindow::Widgets::angleX,
                 {{"A", "-1", "0", "0"}, {"B", "1", "0", "0"}, {"C", "0", kC90, "1"}}},
        TurnCase{"Y",
                 &MainWindow::Widgets::rotateY,
                 &MainWindow::Widgets::angleY,
                 {{"A", kMinusC90, "0", "1"}, {"B", kC90, "0", "-1"}, {"C", "0", "1", "0"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GeometryWindow, SaveAndCenteringRunNoRedrawAnOpenDoes) {
    const std::string file = WriteFile("mol.xyz", kRoad);
    OpenFromMenu(file);
    PickVector1(1, 5);
    Canvas& xy = Ui(f()).xyPane->Surface();  // a mark that a redraw would paint over
    xy.SetPenColor(kRed);
    xy.MoveTo(0, 5);
    xy.LineTo(50, 5);
    TypeOver(Ui(f()).components[0][0], "99");
    Ui(f()).centerButton->click();
    Dialogs().saveAnswers.push_back(files.File("mol.out"));
    Ui(f()).saveAction->trigger();
    EXPECT_TRUE(errors.shown.empty());
    EXPECT_EQ(PixelAt(Ui(f()).xyPane, 20, 5), 'r');
    EXPECT_EQ(Ui(f()).components[0][0]->Text(), "99");
    // What an open shows belongs to the new molecule.
    OpenFromMenu(file);
    EXPECT_EQ(PixelAt(Ui(f()).xyPane, 20, 5), '.');
    EXPECT_EQ(Ui(f()).components[0][0]->Text(), "2");
}

TEST_F(GeometryWindow, TurnsRewriteCoordinatesOnlyCenteringLabelsTooKeepingTheCurrentCell) {
    Open("A 0 0 0\nB 1 0 0\nC 2 0 0\n");
    Ui(f()).atomGrid->setCurrentIndex(Ui(f()).atomGrid->model()->index(2, 1));
    state.Atoms.AtomName[2] = "Chlorine";  // the grid keeps its own copy
    Ui(f()).rotateZ->click();
    EXPECT_EQ(GridRow(2), (std::vector<std::string>{"B", "1", "0", "0"}));
    Ui(f()).centerButton->click();  // on atoms 1 and 2
    EXPECT_EQ(GridRow(1), (std::vector<std::string>{"A", "-0.5", "0", "0"}));
    EXPECT_EQ(GridRow(2), (std::vector<std::string>{"Chlorine", "0.5", "0", "0"}));
    EXPECT_EQ(GridRow(3), (std::vector<std::string>{"C", "1.5", "0", "0"}));
    EXPECT_EQ(Ui(f()).atomGrid->currentIndex().row(), 2);
}

}  // namespace
}  // namespace pivora::test
