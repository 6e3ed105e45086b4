// Seeing and picking atoms in the grid: atom numbers beside the rows, a
// double-click or Enter that puts an atom into the box last used, and whole
// groups of selected rows.

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

#include "UiTest.h"

namespace pivora::test {
namespace {

// Fe at the origin under a five-membered ring of eighths around (1, 2, 3).
constexpr char kRing[] =
    "Fe 0 0 0\nC1 1.125 2.5 3\nC2 0.75 1.875 3\nC3 1 2.25 3.25\nC4 1.375 1.5 2.75\n"
    "C5 0.875 2 2.875\n";

class Picking : public FormTest {
  protected:
    Picking() { active = ShowActive(); }
    MainWindow& f() { return Form(); }
    // The center of a row's label cell, in the grid's viewport.
    QPoint RowPoint(int row) {
        Ui(f()).atomGrid->setCurrentIndex(Ui(f()).atomGrid->model()->index(row - 1, 0));
        const int top = (row - 1 - Ui(f()).atomGrid->verticalScrollBar()->value()) * 14;
        return QPoint(20, top + 7);
    }
    bool active = false;
};

TEST_F(Picking, TheGridNumbersItsRowsAndGrowsByTheirWidth) {
    const int narrow = Ui(f()).atomGrid->width();
    EXPECT_EQ(narrow, 321 + Ui(f()).atomGrid->RowNumberWidth());
    std::string many;
    for (int i = 0; i < 12345; ++i) many += "C 0 0 0\n";
    OpenFromMenu(WriteFile("many.xyz", many));
    EXPECT_GT(Ui(f()).atomGrid->width(), narrow);
    EXPECT_EQ(Ui(f()).atomGrid->width(), 321 + Ui(f()).atomGrid->RowNumberWidth());
    EXPECT_GE(f().width(), 992 + Ui(f()).atomGrid->RowNumberWidth());
}

TEST_F(Picking, ADoubleClickOrEnterFillsTheBoxThatLastHadTheFocus) {
    ASSERT_TRUE(active);
    OpenFromMenu(WriteFile("ring.xyz", kRing));
    EXPECT_EQ(f().PickTarget(), SpinId::V1Tail1);  // before any box had the focus
    QWidget* cells = Ui(f()).atomGrid->viewport();
    QTest::mouseDClick(cells, Qt::LeftButton, Qt::NoModifier, RowPoint(1));
    EXPECT_EQ(Ui(f()).vectorAtoms[0][0]->Text(), "1");
    EXPECT_EQ(Ui(f()).atomNames[0][0]->Text(), "Fe");
    Ui(f()).vectorAtoms[0][4]->setFocus(Qt::MouseFocusReason);
    Ui(f()).atomGrid->setFocus(Qt::MouseFocusReason);
    QTest::mouseDClick(cells, Qt::LeftButton, Qt::NoModifier, RowPoint(3));
    EXPECT_EQ(Ui(f()).vectorAtoms[0][4]->Text(), "3");
    EXPECT_EQ(Ui(f()).atomNames[0][4]->Text(), "C2");
    EXPECT_EQ(Ui(f()).components[0][0]->Text(), "0.75");  // the redraw followed
    Ui(f()).centerAtoms[1]->setFocus(Qt::MouseFocusReason);
    Ui(f()).atomGrid->setFocus(Qt::MouseFocusReason);
    Ui(f()).atomGrid->setCurrentIndex(Ui(f()).atomGrid->model()->index(5, 2));
    QTest::keyClick(Ui(f()).atomGrid, Qt::Key_Return);
    EXPECT_EQ(Ui(f()).centerAtoms[1]->Text(), "6");
    EXPECT_EQ(Ui(f()).centerNames[1]->Text(), "C5");
    // Undo takes the picks back one by one, as typing them.
    EXPECT_EQ(Ui(f()).undoAction->text(), "Undo Choose Atoms 1 and 6 for Center");
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(Picking, SelectedRowsBecomeAWholeGroupAndItsCentroid) {
    ASSERT_TRUE(active);
    OpenFromMenu(WriteFile("ring.xyz", kRing));
    QWidget* cells = Ui(f()).atomGrid->viewport();
    QTest::mouseClick(cells, Qt::LeftButton, Qt::NoModifier, RowPoint(2));
    QTest::mouseClick(cells, Qt::LeftButton, Qt::ShiftModifier, RowPoint(6));
    EXPECT_EQ(Ui(f()).atomGrid->SelectedAtoms(), (std::vector<int>{2, 3, 4, 5, 6}));
    f().SetGroupClick(VectorId::Vector1, GroupEnd::Head, Ui(f()).atomGrid->SelectedAtoms());
    f().SetGroupClick(VectorId::Vector1, GroupEnd::Tail, {1});
    EXPECT_EQ(Ui(f()).vectorAtoms[0][4]->Text(), "2");
    EXPECT_EQ(Ui(f()).vectorAtoms[0][7]->Text(), "5");
    EXPECT_TRUE(Ui(f()).moreAtoms[0][1]->isVisibleTo(&f()));
    EXPECT_EQ(Ui(f()).moreAtoms[0][1]->text(), "+1 more");
    EXPECT_EQ(Ui(f()).moreAtoms[0][1]->toolTip(), "2 C1, 3 C2, 4 C3, 5 C4, 6 C5");
    EXPECT_FALSE(Ui(f()).moreAtoms[0][0]->isVisibleTo(&f()));
    // The ring's centroid, each sum exact: one rounding of sum / 5.
    EXPECT_EQ(double(ParseDecimal(Ui(f()).components[0][0]->Text())),
              (1.125 + 0.75 + 1 + 1.375 + 0.875) / 5);
    EXPECT_EQ(double(ParseDecimal(Ui(f()).components[0][2]->Text())),
              (3 + 3 + 3.25 + 2.75 + 2.875) / 5);
    // Ctrl+click takes one row out; the group is then the four boxes alone.
    QTest::mouseClick(cells, Qt::LeftButton, Qt::ControlModifier, RowPoint(4));
    EXPECT_EQ(Ui(f()).atomGrid->SelectedAtoms(), (std::vector<int>{2, 3, 5, 6}));
    f().SetGroupClick(VectorId::Vector1, GroupEnd::Head, Ui(f()).atomGrid->SelectedAtoms());
    EXPECT_FALSE(Ui(f()).moreAtoms[0][1]->isVisibleTo(&f()));
    Ui(f()).undoAction->trigger();
    EXPECT_TRUE(Ui(f()).moreAtoms[0][1]->isVisibleTo(&f()));
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(Picking, CtrlClicksMeasureADistanceAnAngleAndADihedralAndChangeNothing) {
    ASSERT_TRUE(active);
    // Looking from C1 to C2 (along +z), O1 (on +x) turns clockwise onto H1
    // (on +y): +90 degrees.
    OpenFromMenu(WriteFile("quarter.xyz", "O1 1.2 0 0\nC1 0 0 0\nC2 0 0 1.5\nH1 0 1 1.5\n"));
    const int height = f().height();
    const std::string recipe = f().Commands().RecipeText();
    QWidget* cells = Ui(f()).atomGrid->viewport();
    const auto ctrlClick = [&](int row) {
        QTest::mouseClick(cells, Qt::LeftButton, Qt::ControlModifier, RowPoint(row));
    };
    EXPECT_FALSE(f().statusBar()->isVisible());
    ctrlClick(1);
    EXPECT_EQ(Ui(f()).measureText->text(),
              "O1 (1): Ctrl+click one to three more atoms to measure.");
    EXPECT_FALSE(Ui(f()).copyMeasurementAction->isEnabled());
    ctrlClick(2);
    EXPECT_EQ(Ui(f()).measureText->text(), "Distance O1 (1)\u2013C1 (2): 1.200000 \u00C5");
    // The bar adds its height; the controls keep theirs.
    EXPECT_TRUE(f().statusBar()->isVisible());
    EXPECT_EQ(f().height(), height + f().statusBar()->height());
    EXPECT_EQ(Ui(f()).clientArea->height(), 682);
    ctrlClick(2);  // already measured: nothing
    ctrlClick(3);
    EXPECT_EQ(Ui(f()).measureText->text(), "Angle O1 (1)\u2013C1 (2)\u2013C2 (3): 90.000000\u00B0");
    ctrlClick(4);
    const QString dihedral = "Dihedral O1 (1)\u2013C1 (2)\u2013C2 (3)\u2013H1 (4): 90.000000\u00B0";
    EXPECT_EQ(Ui(f()).measureText->text(), dihedral);
    ASSERT_TRUE(Ui(f()).copyMeasurementAction->isEnabled());
    Ui(f()).copyMeasurementAction->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), dihedral);
    // A view only: no step, no recipe line, the picks' boxes untouched.
    EXPECT_FALSE(Ui(f()).undoAction->isEnabled());
    EXPECT_EQ(f().Commands().RecipeText(), recipe);
    EXPECT_EQ(Ui(f()).vectorAtoms[0][0]->Text(), "0");
    // Measured again after every command: a turn keeps it.
    Ui(f()).angleX->SetText("180");
    Ui(f()).rotateX->click();
    EXPECT_EQ(Ui(f()).measureText->text(), dihedral);
    // A fifth pick starts over; a plain double-click still fills the box.
    ctrlClick(2);
    EXPECT_EQ(Ui(f()).measureText->text(),
              "C1 (2): Ctrl+click one to three more atoms to measure.");
    EXPECT_FALSE(Ui(f()).copyMeasurementAction->isEnabled());
    QTest::mouseDClick(cells, Qt::LeftButton, Qt::NoModifier, RowPoint(4));
    EXPECT_EQ(Ui(f()).vectorAtoms[0][0]->Text(), "4");
    EXPECT_EQ(Ui(f()).measureText->text(),
              "C1 (2): Ctrl+click one to three more atoms to measure.");
    // Another molecule starts with none, and the window is as it was.
    Dialogs().closeAnswer = FileDialogs::CloseAnswer::Discard;  // the turn
    OpenFromMenu(WriteFile("other.xyz", "C 0 0 0\n"));
    EXPECT_FALSE(f().statusBar()->isVisible());
    EXPECT_EQ(f().height(), height);
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(Picking, ANumberTooWideForItsBoxShrinksUntilEveryDigitShows) {
    ASSERT_TRUE(active);
    // A residue of 20 characters in a 121-pixel box: at 12 pixels its
    // exponent would be cut and it would read as 9.06.
    OpenFromMenu(WriteFile("mol.xyz", "A 0 0 0\nB 9.05579864568518E-17 1 1\n"));
    Ui(f()).vectorAtoms[0][0]->SetValue(1);
    Ui(f()).vectorAtoms[0][4]->SetValue(2);
    Ui(f()).fitX->setFocus(Qt::MouseFocusReason);
    ASSERT_EQ(Ui(f()).components[0][0]->Text(), "9.05579864568518E-17");
    EXPECT_LT(Ui(f()).components[0][0]->font().pixelSize(), 12);
    EXPECT_LE(QFontMetrics(Ui(f()).components[0][0]->font())
                  .horizontalAdvance(Ui(f()).components[0][0]->text()),
              Ui(f()).components[0][0]->width() - 8);
    EXPECT_EQ(Ui(f()).components[0][0]->toolTip(), Ui(f()).components[0][0]->text());
    EXPECT_EQ(Ui(f()).components[0][1]->font().pixelSize(), 12);  // "1" fits as it is
    // Being edited, the text has its usual size again.
    Ui(f()).components[0][0]->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(Ui(f()).components[0][0]->font().pixelSize(), 12);
    Ui(f()).fitX->setFocus(Qt::MouseFocusReason);
    EXPECT_LT(Ui(f()).components[0][0]->font().pixelSize(), 12);
}

}  // namespace
}  // namespace pivora::test
