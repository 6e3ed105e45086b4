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
    TForm1& f() { return Form(); }
    QRgb At(const TImage* pane, int x, int y) { return pane->Picture().pixel(x, y); }
    std::vector<QImage> Pictures() {
        return {f().Image1->Picture(), f().Image2->Picture(), f().Image3->Picture()};
    }
    void TypeOver(QWidget* box, const std::string& text) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, QString::fromStdString(text));
    }
};

TEST_F(PaneAtomsWindow, ViewMenuHoldsShowAtomsOffAtStart) {
    const QList<QAction*> menus = f().menuBar()->actions();
    ASSERT_GE(menus.size(), 5);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[1]->text(), "&Edit");
    EXPECT_EQ(menus[2]->text(), "&View");
    EXPECT_EQ(menus[3]->text(), "&Orient");
    EXPECT_EQ(menus[4]->text(), "&Help");
    EXPECT_EQ(menus[2]->menu(), f().ViewMenu);
    EXPECT_TRUE(f().ShowAtoms1->isCheckable());
    EXPECT_FALSE(f().ShowAtoms1->isChecked());
    EXPECT_FALSE(f().Commands().ShowsAtoms());
}

TEST_F(PaneAtomsWindow, DotsInTheirColorsHydrogenSmallerFrontMostOnTop) {
    OpenFromMenu(WriteFile("four.xyz", kFour));
    const std::vector<QImage> without = Pictures();
    f().ShowAtoms1->trigger();
    EXPECT_TRUE(f().Commands().ShowsAtoms());
    const TImage* xy = f().Image1;
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
    EXPECT_EQ(At(f().Image3, 104, 141), Rgb(0));  // the axis over the atom
    EXPECT_EQ(At(f().Image3, 105, 141), Rgb(0xFF0D0D));
    EXPECT_EQ(At(f().Image3, 125, 141), Rgb(0x3050F8));

    // Off again: exactly the pictures without atoms.
    f().ShowAtoms1->trigger();
    EXPECT_EQ(Pictures(), without);
    EXPECT_FALSE(f().Undo1->isEnabled());  // the setting is no step
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(PaneAtomsWindow, TheVectorsGroupsAreRingedBlueAndRed) {
    OpenFromMenu(WriteFile("four.xyz", kFour));
    f().ShowAtoms1->setChecked(true);
    f().SEV1->SetValue(1);
    f().SEU5->SetValue(2);
    f().SEU1->SetValue(1);
    const TImage* xy = f().Image1;
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
    f().ShowAtoms1->trigger();
    f().SEV1->SetValue(1);
    f().SEV5->SetValue(3);
    const std::vector<QImage> before = Pictures();
    TypeOver(f().Zangle, "90");
    f().RotateZ->click();
    EXPECT_NE(Pictures(), before);
    f().Undo1->trigger();
    EXPECT_EQ(Pictures(), before);
    EXPECT_TRUE(f().ShowAtoms1->isChecked());
    // Undone with the atoms hidden: the picture of before, without them.
    f().Redo1->trigger();
    f().ShowAtoms1->trigger();
    f().Undo1->trigger();
    f().ShowAtoms1->trigger();
    EXPECT_EQ(Pictures(), before);
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(PaneAtomsWindow, AClickOnAnAtomPutsItIntoTheBoxUsedLast) {
    ASSERT_TRUE(active);
    OpenFromMenu(WriteFile("four.xyz", kFour));
    f().SEV5->setFocus(Qt::MouseFocusReason);
    // Hidden atoms are not picked.
    QTest::mouseClick(f().Image1, Qt::LeftButton, Qt::NoModifier, QPoint(115, 98));
    EXPECT_EQ(f().SEV5->Text(), "0");
    f().ShowAtoms1->trigger();
    f().SEV5->setFocus(Qt::MouseFocusReason);
    // Three pixels off C1 still picks it, and the box follows as typed.
    QTest::mouseClick(f().Image1, Qt::LeftButton, Qt::NoModifier, QPoint(118, 98));
    EXPECT_EQ(f().SEV5->Text(), "1");
    EXPECT_EQ(f().V5->Text(), "C1");
    EXPECT_EQ(f().Undo1->text(), "Undo Vector1 Head: Atom 1");
    // On the shared pixel the front-most, N1.
    f().SEU1->setFocus(Qt::MouseFocusReason);
    QTest::mouseClick(f().Image1, Qt::LeftButton, Qt::NoModifier, QPoint(73, 87));
    EXPECT_EQ(f().SEU1->Text(), "4");
    EXPECT_EQ(f().U1->Text(), "N1");
    // Five pixels off: nothing.
    QTest::mouseClick(f().Image1, Qt::LeftButton, Qt::NoModifier, QPoint(120, 98));
    EXPECT_EQ(f().SEU1->Text(), "4");
    // In YZ, y across and z up: H1 at (157, 98).
    QTest::mouseClick(f().Image2, Qt::LeftButton, Qt::NoModifier, QPoint(157, 98));
    EXPECT_EQ(f().SEU1->Text(), "2");
    EXPECT_TRUE(errors.shown.empty());
}

}  // namespace
}  // namespace pivora::test
