// The atoms in the window's panes: View > Show Atoms, the dots as pixels,
// the pictures without it exactly as before, undo, and picking an atom with
// a click on a pane.

#include <QMenuBar>
#include <QTest>

#include "UiTest.h"

namespace pivora::test {
namespace {

// At scale 10 in XY: C1 at (115, 98), H1 at (157, 54); O1 and N1 share
// (73, 87), N1 in front.
constexpr char kFour[] = "C1 1 1 0\nH1 5 5 1\nO1 -3 2 0\nN1 -3 2 2\n";

QRgb Rgb(int rgb) {
    return 0xFF000000u | static_cast<QRgb>(rgb);
}

class PaneAtomsWindow : public FormTest {
  protected:
    PaneAtomsWindow() {
        Form().show();
        Form().activateWindow();
        active = QTest::qWaitForWindowActive(&Form());
    }
    bool active = false;
    MainWindow& f() { return Form(); }
    QRgb At(const PaneView* pane, int x, int y) { return pane->Picture().pixel(x, y); }
    std::vector<QImage> Pictures() {
        return {Ui(f()).xyPane->Picture(), Ui(f()).yzPane->Picture(), Ui(f()).zxPane->Picture()};
    }
    void TypeOver(QWidget* box, const std::string& text) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, QString::fromStdString(text));
    }
};

TEST_F(PaneAtomsWindow, ViewMenuHoldsShowAtomsOffAtStart) {
    const QList<QAction*> menus = f().menuBar()->actions();
    ASSERT_GE(menus.size(), 6);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[1]->text(), "&Edit");
    EXPECT_EQ(menus[2]->text(), "&View");
    EXPECT_EQ(menus[3]->text(), "&Orient");
    EXPECT_EQ(menus[4]->text(), "&Tools");
    EXPECT_EQ(menus[5]->text(), "&Help");
    EXPECT_EQ(menus[2]->menu(), Ui(f()).viewMenu);
    EXPECT_TRUE(Ui(f()).showAtomsAction->isCheckable());
    EXPECT_FALSE(Ui(f()).showAtomsAction->isChecked());
    EXPECT_FALSE(f().Commands().ShowsAtoms());
}

TEST_F(PaneAtomsWindow, DotsInTheirColorsHydrogenSmallerFrontMostOnTop) {
    OpenFromMenu(WriteFile("four.xyz", kFour));
    const std::vector<QImage> without = Pictures();
    Ui(f()).showAtomsAction->trigger();
    EXPECT_TRUE(f().Commands().ShowsAtoms());
    const PaneView* xy = Ui(f()).xyPane;
    // Carbon: fill to 2 pixels out, a darker edge at 3, white at 4.
    EXPECT_EQ(At(xy, 115, 98), Rgb(0x909090));
    EXPECT_EQ(At(xy, 117, 98), Rgb(0x909090));
    EXPECT_EQ(At(xy, 118, 98), Rgb(0x4F4F4F));
    EXPECT_EQ(At(xy, 119, 98), Rgb(0xFFFFFF));
    // Hydrogen: white fill to 1 pixel out, a grey edge at 2, white at 3.
    EXPECT_EQ(At(xy, 157, 54), Rgb(0xFFFFFF));
    EXPECT_EQ(At(xy, 159, 54), Rgb(0x8C8C8C));
    EXPECT_EQ(At(xy, 160, 54), Rgb(0xFFFFFF));
    // N1 (z 2) in front of O1 (z 0) on their pixel; in ZX, z across and x
    // up, they lie apart: O1 at (104, 141) under the axis, N1 at (125, 141).
    EXPECT_EQ(At(xy, 73, 87), Rgb(0x3050F8));
    EXPECT_EQ(At(Ui(f()).zxPane, 104, 141), Rgb(0));  // the axis over the atom
    EXPECT_EQ(At(Ui(f()).zxPane, 105, 141), Rgb(0xFF0D0D));
    EXPECT_EQ(At(Ui(f()).zxPane, 125, 141), Rgb(0x3050F8));

    // Off again: exactly the pictures without atoms.
    Ui(f()).showAtomsAction->trigger();
    EXPECT_EQ(Pictures(), without);
    EXPECT_FALSE(Ui(f()).undoAction->isEnabled());  // the setting is no step
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(PaneAtomsWindow, BondsLieBeneathTheDotsHalfInEachAtomsColor) {
    ASSERT_TRUE(active);
    // At scale 10 in XY: C1 at (115, 98), O1 at (127, 98), H1 at (115, 86);
    // the bonds' middles at column 121 and row 92.
    OpenFromMenu(WriteFile("co.xyz", "C1 1 1 0\nO1 2.2 1 0\nH1 1 2.1 0\n"));
    const std::vector<QImage> without = Pictures();
    Ui(f()).showAtomsAction->trigger();
    // C=O across: carbon's half grey up to the middle, oxygen's red from it,
    // each edged above and below; the dots cover the ends. C-H up:
    // hydrogen's half white with grey edges left and right.
    const struct {
        int x, y, rgb;
    } probes[] = {
        {119, 98, 0x909090}, {120, 98, 0x909090}, {121, 98, 0xFF0D0D}, {123, 98, 0xFF0D0D},
        {120, 97, 0x4F4F4F}, {122, 99, 0x8C0707}, {122, 96, 0xFFFFFF}, {124, 98, 0x8C0707},
        {115, 93, 0x909090}, {115, 92, 0xFFFFFF}, {114, 90, 0x8C8C8C}, {116, 93, 0x4F4F4F},
        {117, 90, 0xFFFFFF},
    };
    for (const auto& probe : probes) {
        EXPECT_EQ(At(Ui(f()).xyPane, probe.x, probe.y), Rgb(probe.rgb))
            << probe.x << ", " << probe.y;
    }
    const std::vector<QImage> withBonds = Pictures();

    // Undo repaints them as they were; off, the pictures are those without.
    TypeOver(Ui(f()).angleZ, "45");
    Ui(f()).rotateZ->click();
    EXPECT_NE(Pictures(), withBonds);
    Ui(f()).undoAction->trigger();
    EXPECT_EQ(Pictures(), withBonds);
    Ui(f()).showAtomsAction->trigger();
    EXPECT_EQ(Pictures(), without);
    EXPECT_TRUE(errors.shown.empty());
}

struct FitCase {
    const char* name;
    const char* file;
    int vectorTail, vectorHead;  // Vector1's atoms, 0 for none
    const char* scale;           // the scale box after Zoom to Fit
};

class ZoomToFit : public PaneAtomsWindow, public ::testing::WithParamInterface<FitCase> {};

// A pane's column of x lies on it up to x = 208/209 s (208.5 rounds to
// even), so 7.3 angstrom needs 8 and 11.8 needs 12; a row lies on it from
// y = -216/217 s, so -7.95 needs 8.
TEST_P(ZoomToFit, SetsTheSmallestScaleAtWhichEverythingLiesOnThePanes) {
    const FitCase& c = GetParam();
    if (c.file) OpenFromMenu(WriteFile("fit.xyz", c.file));
    if (c.vectorTail) Ui(f()).vectorAtoms[0][0]->SetValue(c.vectorTail);
    if (c.vectorHead) Ui(f()).vectorAtoms[0][4]->SetValue(c.vectorHead);
    const bool drawn = Ui(f()).xyPane->HasPicture();
    Ui(f()).zoomToFitAction->trigger();
    EXPECT_EQ(Ui(f()).plotScale->Text(), c.scale);
    EXPECT_EQ(Ui(f()).xyPane->HasPicture(), drawn || c.file != nullptr);
    EXPECT_TRUE(errors.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Molecules, ZoomToFit,
    ::testing::Values(FitCase{"NothingToFit", nullptr, 0, 0, "10"},
                      FitCase{"Atoms", "A 7.3 0 0\nB -4.5 1 0.5\n", 0, 0, "8"},
                      FitCase{"LowestRow", "A 0 -7.95 0\nB 0 1 0\n", 0, 0, "8"},
                      FitCase{"TheVectorsEnd", "A 7.3 0 0\nB -4.5 1 0.5\n", 2, 1, "12"},
                      FitCase{"Small", "A 0.2 0 0\nB 0 0.3 0\n", 0, 0, "1"},
                      FitCase{"LargerThanThePanes", "A 150 0 0\nB 0 0 0\n", 0, 0, "100"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PaneAtomsWindow, AZoomIsUndoneWithTheNextStep) {
    OpenFromMenu(WriteFile("fit.xyz", "A 7.3 0 0\nB -4.5 1 0.5\n"));
    Ui(f()).zoomToFitAction->trigger();
    ASSERT_EQ(Ui(f()).plotScale->Text(), "8");
    EXPECT_FALSE(Ui(f()).undoAction->isEnabled());
    Ui(f()).rotateZ->click();
    Ui(f()).undoAction->trigger();
    EXPECT_EQ(Ui(f()).plotScale->Text(), "10");
}

TEST_F(PaneAtomsWindow, TheVectorsGroupsAreRingedBlueAndRed) {
    OpenFromMenu(WriteFile("four.xyz", kFour));
    Ui(f()).showAtomsAction->setChecked(true);
    Ui(f()).vectorAtoms[0][0]->SetValue(1);
    Ui(f()).vectorAtoms[1][4]->SetValue(2);
    Ui(f()).vectorAtoms[1][0]->SetValue(1);
    const PaneView* xy = Ui(f()).xyPane;
    // C1, of both vectors: its edge out to 3, red to 5, blue to 7.
    EXPECT_EQ(At(xy, 118, 98), Rgb(0x4F4F4F));
    EXPECT_EQ(At(xy, 120, 98), Rgb(0xFF0000));
    EXPECT_EQ(At(xy, 122, 98), Rgb(0x0000FF));
    EXPECT_EQ(At(xy, 123, 98), Rgb(0xFFFFFF));
    // H1, of Vector2 only: the red ring from 3 to 4 pixels out.
    EXPECT_EQ(At(xy, 161, 54), Rgb(0xFF0000));
    EXPECT_EQ(At(xy, 162, 54), Rgb(0xFFFFFF));
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(PaneAtomsWindow, UndoBringsBackThePictureWithItsAtoms) {
    ASSERT_TRUE(active);
    OpenFromMenu(WriteFile("four.xyz", kFour));
    Ui(f()).showAtomsAction->trigger();
    Ui(f()).vectorAtoms[0][0]->SetValue(1);
    Ui(f()).vectorAtoms[0][4]->SetValue(3);
    const std::vector<QImage> before = Pictures();
    TypeOver(Ui(f()).angleZ, "90");
    Ui(f()).rotateZ->click();
    EXPECT_NE(Pictures(), before);
    Ui(f()).undoAction->trigger();
    EXPECT_EQ(Pictures(), before);
    EXPECT_TRUE(Ui(f()).showAtomsAction->isChecked());
    // Undone with the atoms hidden: the picture of before, without them.
    Ui(f()).redoAction->trigger();
    Ui(f()).showAtomsAction->trigger();
    Ui(f()).undoAction->trigger();
    Ui(f()).showAtomsAction->trigger();
    EXPECT_EQ(Pictures(), before);
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(PaneAtomsWindow, AClickOnAnAtomPutsItIntoTheBoxUsedLast) {
    ASSERT_TRUE(active);
    OpenFromMenu(WriteFile("four.xyz", kFour));
    Ui(f()).vectorAtoms[0][4]->setFocus(Qt::MouseFocusReason);
    // Hidden atoms are not picked.
    QTest::mouseClick(Ui(f()).xyPane, Qt::LeftButton, Qt::NoModifier, QPoint(115, 98));
    EXPECT_EQ(Ui(f()).vectorAtoms[0][4]->Text(), "0");
    Ui(f()).showAtomsAction->trigger();
    Ui(f()).vectorAtoms[0][4]->setFocus(Qt::MouseFocusReason);
    // Three pixels off C1 still picks it, and the box follows as typed.
    QTest::mouseClick(Ui(f()).xyPane, Qt::LeftButton, Qt::NoModifier, QPoint(118, 98));
    EXPECT_EQ(Ui(f()).vectorAtoms[0][4]->Text(), "1");
    EXPECT_EQ(Ui(f()).atomNames[0][4]->Text(), "C1");
    EXPECT_EQ(Ui(f()).undoAction->text(), "Undo Vector1 Head: Atom 1");
    // On the shared pixel the front-most, N1.
    Ui(f()).vectorAtoms[1][0]->setFocus(Qt::MouseFocusReason);
    QTest::mouseClick(Ui(f()).xyPane, Qt::LeftButton, Qt::NoModifier, QPoint(73, 87));
    EXPECT_EQ(Ui(f()).vectorAtoms[1][0]->Text(), "4");
    EXPECT_EQ(Ui(f()).atomNames[1][0]->Text(), "N1");
    // Five pixels off: nothing.
    QTest::mouseClick(Ui(f()).xyPane, Qt::LeftButton, Qt::NoModifier, QPoint(120, 98));
    EXPECT_EQ(Ui(f()).vectorAtoms[1][0]->Text(), "4");
    // In YZ, y across and z up: H1 at (157, 98).
    QTest::mouseClick(Ui(f()).yzPane, Qt::LeftButton, Qt::NoModifier, QPoint(157, 98));
    EXPECT_EQ(Ui(f()).vectorAtoms[1][0]->Text(), "2");
    EXPECT_TRUE(errors.shown.empty());
}

}  // namespace
}  // namespace pivora::test
