// View > 3-D View: the molecule in its colours where the camera puts it, a
// click that picks through the window's own path, a view that turns without
// touching the molecule yet follows every command, and its place kept
// between runs.

#include <QLabel>
#include <QMenuBar>
#include <QTest>
#include <QWheelEvent>

#include "UiTest.h"
#include "ui/View3D.h"
#include "view/Raster3D.h"
#include "view/Scene3D.h"

namespace pivora::test {
namespace {

// Iron, a carbon 2.05 angstrom along x with its hydrogen along y, behind
// the axes and above the x axis: seen from +z, nothing covers anything.
constexpr char kIronCarbon[] = "Fe -2.5 1.5 -1\nC1 -0.45 1.5 -1\nH1 -0.45 2.59 -1\n";
constexpr Vec3 kIron{-2.5, 1.5, -1};
constexpr Vec3 kCarbon{-0.45, 1.5, -1};
constexpr Vec3 kHydrogen{-0.45, 2.59, -1};

class View3DWindowTest : public FormTest {
  protected:
    MainWindow& f() { return Form(); }
    View3DWindow& ShowView() {
        Ui(f()).view3DAction->trigger();
        EXPECT_TRUE(Ui(f()).view3DAction->isChecked());
        View3DWindow* view = f().View3D();
        EXPECT_TRUE(view && view->isVisible());
        return *view;
    }
    // The pixel that holds p's projection, or whose centre lies nearest to
    // dx pixels right of it.
    static QPoint PixelOf(const View3DWindow& view, const Vec3& p, double dx = 0) {
        const ScreenPoint at = view.Camera().Project(p);
        if (dx == 0)
            return {static_cast<int>(std::floor(at.X)), static_cast<int>(std::floor(at.Y))};
        return {static_cast<int>(std::lround(at.X + dx - 0.5)), static_cast<int>(std::floor(at.Y))};
    }
    // The colour of a ball's middle pixel: its element's color, lit head on.
    static QRgb Middle(int element) { return Shade(ElementColor(element), {0, 0, 1}); }
};

TEST_F(View3DWindowTest, ShowsTheAtomsInTheirColorsAndAClickPicksThemIntoTheBox) {
    ASSERT_TRUE(ShowActive());
    OpenFromMenu(WriteFile("fec.xyz", kIronCarbon));
    Ui(f()).vectorAtoms[0][4]->setFocus(Qt::MouseFocusReason);
    View3DWindow& view = ShowView();
    const QImage picture = view.Picture();
    EXPECT_EQ(view.Bonds(), (std::vector<Bond>{{1, 2}, {2, 3}}));
    const QPoint fe = PixelOf(view, kIron);
    const QPoint c1 = PixelOf(view, kCarbon);
    const QPoint h1 = PixelOf(view, kHydrogen);
    // Seen from +z: x to the right, y up.
    EXPECT_GT(c1.x(), fe.x() + 50);
    EXPECT_EQ(c1.y(), fe.y());
    EXPECT_LT(h1.y(), c1.y() - 30);
    EXPECT_EQ(picture.pixel(fe), Middle(26));
    EXPECT_EQ(picture.pixel(c1), Middle(6));
    EXPECT_EQ(picture.pixel(h1), Middle(1));
    // The stick between them: iron's half orange, carbon's half grey.
    const QRgb ironHalf = picture.pixel((3 * fe.x() + c1.x()) / 4, fe.y());
    const QRgb carbonHalf = picture.pixel((fe.x() + 3 * c1.x()) / 4, fe.y());
    EXPECT_GT(qRed(ironHalf), qGreen(ironHalf) + 40);
    EXPECT_GT(qGreen(ironHalf), qBlue(ironHalf));
    EXPECT_EQ(qRed(carbonHalf), qGreen(carbonHalf));
    EXPECT_EQ(qGreen(carbonHalf), qBlue(carbonHalf));
    EXPECT_EQ(picture.pixel(2, 2), qRgb(255, 255, 255));  // the background's top
    EXPECT_EQ(view.ToolTipAt(h1), "3 H1\nx -0.45\ny 2.59\nz -1");

    // A click on the carbon goes the way a click on a pane goes: into the
    // box used last, as typed there.
    QTest::mouseClick(view.Canvas(), Qt::LeftButton, Qt::NoModifier, c1);
    EXPECT_EQ(Ui(f()).vectorAtoms[0][4]->Text(), "2");
    EXPECT_EQ(Ui(f()).atomNames[0][4]->Text(), "C1");
    EXPECT_EQ(Ui(f()).undoAction->text(), "Undo Vector1 Head: Atom 2");
    // Vector1's head is C1 now: ringed in blue, 1.5 to 3.5 pixels off its
    // ball; marked as picked outside that, 4 to 7 pixels off; and measured
    // from.
    const QImage marked = view.Picture();
    const double ball = BallRadius(6) * view.Camera().Scale();
    EXPECT_EQ(marked.pixel(PixelOf(view, kCarbon, ball + 2.5)), qRgb(0, 0, 255));
    EXPECT_EQ(marked.pixel(PixelOf(view, kCarbon, -ball - 2.5)), qRgb(0, 0, 255));
    EXPECT_EQ(marked.pixel(PixelOf(view, kCarbon, -ball - 5.5)), qRgb(255, 176, 0));
    EXPECT_EQ(view.ToolTipAt(fe), "1 Fe\nx -2.5\ny 1.5\nz -1\n2.05 \u00C5 from 2 C1");

    // Ctrl+clicks measure instead, and ring the atoms in green.
    QTest::mouseClick(view.Canvas(), Qt::LeftButton, Qt::ControlModifier, fe);
    QTest::mouseClick(view.Canvas(), Qt::LeftButton, Qt::ControlModifier, c1);
    EXPECT_EQ(Ui(f()).measureText->text(), "Distance Fe (1)\u2013C1 (2): 2.050000 \u00C5");
    EXPECT_EQ(Ui(f()).vectorAtoms[0][4]->Text(), "2");
    const double iron = BallRadius(26) * view.Camera().Scale();
    EXPECT_EQ(view.Picture().pixel(PixelOf(view, kIron, -iron - 4.5)), qRgb(0, 150, 0));
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(View3DWindowTest, TurningTheViewMovesNoAtomYetTheViewFollowsEveryCommand) {
    ASSERT_TRUE(ShowActive());
    OpenFromMenu(WriteFile("fec.xyz", kIronCarbon));
    Ui(f()).vectorAtoms[0][0]->SetValue(1);
    Ui(f()).vectorAtoms[0][4]->SetValue(2);
    View3DWindow& view = ShowView();
    const std::vector<double> coordinates = {state.Atoms.AtomX.begin(), state.Atoms.AtomX.end()};
    const AtomTable before = state.Atoms;
    const ControlState controls = f().Commands().Controls();
    const std::size_t steps = f().Commands().UndoCount();
    const std::vector<QImage> panes = {Ui(f()).xyPane->Picture(), Ui(f()).yzPane->Picture(),
                                       Ui(f()).zxPane->Picture()};
    const std::array<Vec3, 3> axes = view.Camera().Axes();

    QWidget* canvas = view.Canvas();
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    QTest::mouseMove(canvas, QPoint(260, 230));
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(260, 230));
    EXPECT_NE(view.Camera().Axes()[0].X, axes[0].X);  // turned
    QTest::mousePress(canvas, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseMove(canvas, QPoint(140, 90));
    QTest::mouseRelease(canvas, Qt::RightButton, Qt::NoModifier, QPoint(140, 90));
    QWheelEvent wheel(QPointF(150, 150), canvas->mapToGlobal(QPointF(150, 150)), QPoint(),
                      QPoint(0, 240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    const double scale = view.Camera().Scale();
    QApplication::sendEvent(canvas, &wheel);
    EXPECT_NEAR(view.Camera().Scale(), scale * 1.44, 1e-9);
    for (QAction* action : view.menuBar()->actions().front()->menu()->actions()) action->trigger();
    EXPECT_FALSE(view.Picture().isNull());

    const AtomTable& now = state.Atoms;
    for (std::size_t i = 0; i < before.Capacity(); ++i) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(now.AtomX[i]),
                  std::bit_cast<std::uint64_t>(before.AtomX[i]));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(now.AtomY[i]),
                  std::bit_cast<std::uint64_t>(before.AtomY[i]));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(now.AtomZ[i]),
                  std::bit_cast<std::uint64_t>(before.AtomZ[i]));
    }
    EXPECT_EQ(f().Commands().Controls(), controls);
    EXPECT_EQ(f().Commands().UndoCount(), steps);
    EXPECT_FALSE(f().Commands().Modified());
    EXPECT_EQ((std::vector<QImage>{Ui(f()).xyPane->Picture(), Ui(f()).yzPane->Picture(),
                                   Ui(f()).zxPane->Picture()}),
              panes);

    // A turn of the molecule shows at once; undo brings the picture back.
    const QImage shown = view.Picture();
    Ui(f()).angleZ->SetText("90");
    Ui(f()).rotateZ->click();
    EXPECT_NE(view.Picture(), shown);
    Ui(f()).undoAction->trigger();
    EXPECT_EQ(view.Picture(), shown);
    // So does a change of the vectors' groups, and its undo.
    Ui(f()).vectorAtoms[1][0]->SetValue(3);
    Ui(f()).vectorAtoms[1][4]->SetValue(1);
    EXPECT_NE(view.Picture(), shown);
    Ui(f()).undoAction->trigger();
    Ui(f()).undoAction->trigger();
    EXPECT_EQ(view.Picture(), shown);
    // Another molecule, read into the arrays of this one: its bonds.
    OpenFromMenu(WriteFile("water.xyz", "O 0 0 0\nH 0.757 0.586 0\nH -0.757 0.586 0\n"));
    EXPECT_NE(view.Picture(), shown);
    EXPECT_EQ(view.Bonds(), (std::vector<Bond>{{1, 2}, {1, 3}}));
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(View3DWindowTest, ItsVisibilityAndPlaceAreKeptBetweenRuns) {
    View3DWindow& view = ShowView();
    view.setGeometry(QRect(611, 97, 431, 377));
    const QRect place = view.geometry();
    f().close();  // no changes: no question
    Restart();
    f().RestoreView3D();
    ASSERT_TRUE(Ui(f()).view3DAction->isChecked());
    ASSERT_TRUE(f().View3D());
    EXPECT_TRUE(f().View3D()->isVisible());
    EXPECT_EQ(f().View3D()->geometry(), place);
    // Closed by its frame: unticked, and not shown at the next start.
    f().View3D()->close();
    EXPECT_FALSE(Ui(f()).view3DAction->isChecked());
    Restart();
    f().RestoreView3D();
    EXPECT_FALSE(Ui(f()).view3DAction->isChecked());
    EXPECT_FALSE(f().View3D());
}

}  // namespace
}  // namespace pivora::test
