// Undo, the unsaved-changes question and recipes as the user meets them in
// the window; and the window and the batch tool giving the same bytes for
// the same session.

#include <QTest>
#include <random>
#include <sstream>

#include "UiTest.h"
#include "tools/Batch.h"

namespace pivora::test {
namespace {

constexpr char kRoad[] = "C1 1.5 -0.5 2\nH1 2.5 0.5 2\nH2 0.5 1 1\nO1 -1 0.25 3\nN1 3.5 2.5 8\n";

class UndoWindow : public FormTest {
  protected:
    UndoWindow() { active = ShowActive(); }
    // A click as the mouse gives it: the button takes the focus first.
    void Click(QAbstractButton* button) {
        button->setFocus(Qt::MouseFocusReason);
        button->click();
    }
    bool active = false;
    MainWindow& f() { return Form(); }
    std::vector<QString> Column(int column) {
        std::vector<QString> cells;
        for (int r = 1; r < Ui(f()).atomGrid->RowCount(); ++r) {
            cells.push_back(Ui(f()).atomGrid->Cells(column, r));
        }
        return cells;
    }
};

TEST_F(UndoWindow, UndoAndRedoBringBackAtomsGridBoxesAndPanes) {
    OpenFromMenu(WriteFile("mol.xyz", kRoad));
    EXPECT_FALSE(Ui(f()).undoAction->isEnabled());
    const QImage opened = Ui(f()).xyPane->Picture();  // the open's redraw: the axes
    TypeOver(Ui(f()).vectorAtoms[0][0], "1");
    TypeOver(Ui(f()).vectorAtoms[0][4], "5");
    const std::vector<double> x = state.Atoms.AtomX;
    const std::vector<QString> grid = Column(1);
    const QImage pane = Ui(f()).xyPane->Picture();
    const std::string vx = Ui(f()).components[0][0]->Text();
    Ui(f()).fitY->click();
    Ui(f()).fitX->click();
    EXPECT_EQ(Ui(f()).undoAction->text(), "Undo Fit Vector1 onto X");
    EXPECT_TRUE(f().isWindowModified());
    Ui(f()).undoAction->trigger();
    EXPECT_EQ(Ui(f()).undoAction->text(), "Undo Fit Vector1 onto Y");
    EXPECT_EQ(Ui(f()).redoAction->text(), "Redo Fit Vector1 onto X");
    Ui(f()).undoAction->trigger();
    EXPECT_EQ(state.Atoms.AtomX, x);
    EXPECT_EQ(Column(1), grid);
    EXPECT_EQ(Ui(f()).components[0][0]->Text(), vx);
    EXPECT_EQ(Ui(f()).angleX->Text(), "0");
    EXPECT_EQ(Ui(f()).xyPane->Picture(), pane);
    EXPECT_FALSE(f().isWindowModified());
    Ui(f()).redoAction->trigger();
    Ui(f()).redoAction->trigger();
    EXPECT_EQ(Ui(f()).angleZ->Text(), "-73.3984504009798");
    EXPECT_FALSE(Ui(f()).redoAction->isEnabled());
    EXPECT_TRUE(f().isWindowModified());
    while (Ui(f()).undoAction->isEnabled()) Ui(f()).undoAction->trigger();
    EXPECT_EQ(Ui(f()).xyPane->Picture(), opened);
    EXPECT_EQ(Ui(f()).vectorAtoms[0][0]->Text(), "0");
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(UndoWindow, ClosingWithUnsavedChangesAsksFirst) {
    OpenFromMenu(WriteFile("mol.xyz", kRoad));
    f().close();  // nothing changed: no question
    EXPECT_EQ(Dialogs().closeQuestions, 0);
    EXPECT_FALSE(f().isVisible());
    f().show();
    TypeOver(Ui(f()).angleZ, "30");
    Ui(f()).rotateZ->click();
    EXPECT_TRUE(f().windowTitle().contains("mol.xyz[*]"));
    Dialogs().closeAnswer = FileDialogs::CloseAnswer::Cancel;
    f().close();
    EXPECT_EQ(Dialogs().closeQuestions, 1);
    EXPECT_TRUE(f().isVisible());
    // Save, but the save dialog is cancelled: the window stays.
    Dialogs().closeAnswer = FileDialogs::CloseAnswer::Save;
    f().close();
    EXPECT_TRUE(f().isVisible());
    const std::string out = files.File("mol.out");
    Dialogs().saveAnswers.push_back(out);
    f().close();
    EXPECT_FALSE(f().isVisible());
    EXPECT_NE(ReadAll(out), "");
    f().show();
    Ui(f()).rotateZ->click();
    Dialogs().closeAnswer = FileDialogs::CloseAnswer::Discard;
    f().close();
    EXPECT_FALSE(f().isVisible());
    EXPECT_TRUE(errors.shown.empty());
}

// Opening another file, from the menu or by a drop, asks first as closing
// does; Cancel, or a save that does not happen, leaves everything.
TEST_F(UndoWindow, OpeningOverUnsavedChangesAsksFirst) {
    const std::string first = WriteFile("mol.xyz", kRoad);
    const std::string second = WriteFile("other.xyz", "X 1 2 3\n");
    const struct {
        FileDialogs::CloseAnswer answer;
        bool drop;
        bool saveAccepted;
        bool opens;
    } kCases[] = {
        {FileDialogs::CloseAnswer::Cancel, false, false, false},
        {FileDialogs::CloseAnswer::Cancel, true, false, false},
        {FileDialogs::CloseAnswer::Save, false, false, false},
        {FileDialogs::CloseAnswer::Save, true, true, true},
        {FileDialogs::CloseAnswer::Discard, false, false, true},
        {FileDialogs::CloseAnswer::Discard, true, false, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(&c - kCases);
        Dialogs().closeAnswer = FileDialogs::CloseAnswer::Discard;
        OpenFromMenu(first);
        TypeOver(Ui(f()).angleZ, "30");
        Ui(f()).rotateZ->click();
        Dialogs().openQuestions = 0;
        const std::vector<double> x = state.Atoms.AtomX;
        const QString caption = f().windowTitle();
        const QString undo = Ui(f()).undoAction->text();
        Dialogs().closeAnswer = c.answer;
        if (c.saveAccepted) Dialogs().saveAnswers.push_back(files.File("mol.out"));
        if (c.drop) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(QString::fromStdString(second))});
            Drop(data);
        } else {
            OpenFromMenu(second);
        }
        EXPECT_EQ(Dialogs().openQuestions, 1);
        if (c.opens) {
            EXPECT_EQ(state.Atoms.AtomCount, 1);
            EXPECT_FALSE(Ui(f()).undoAction->isEnabled());
        } else {
            EXPECT_EQ(state.Atoms.AtomX, x);
            EXPECT_EQ(f().windowTitle(), caption);
            EXPECT_EQ(Ui(f()).undoAction->text(), undo);
            Dialogs().openAnswers.clear();  // the dialog never came
        }
        if (c.saveAccepted) {
            EXPECT_NE(ReadAll(files.File("mol.out")), "");
        }
    }
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(UndoWindow, ATypedAngleGoesBackWithTheTurnThatUsedIt) {
    OpenFromMenu(WriteFile("mol.xyz", kRoad));
    TypeOver(Ui(f()).vectorAtoms[0][0], "1");
    TypeOver(Ui(f()).vectorAtoms[0][4], "5");
    const std::vector<double> x = state.Atoms.AtomX;
    const QImage pane = Ui(f()).xyPane->Picture();
    TypeOver(Ui(f()).plotScale, "20");
    TypeOver(Ui(f()).angleZ, "30");
    Ui(f()).rotateZ->click();
    EXPECT_EQ(Ui(f()).undoAction->text(), "Undo Turn About Z by 30\u00b0");
    Ui(f()).undoAction->trigger();
    EXPECT_EQ(state.Atoms.AtomX, x);
    EXPECT_EQ(Ui(f()).angleZ->Text(), "0");
    EXPECT_EQ(Ui(f()).plotScale->Text(), "10");
    EXPECT_EQ(Ui(f()).xyPane->Picture(), pane);
    EXPECT_EQ(Ui(f()).undoAction->text(), "Undo Vector1 Head: Atom 5");
    Ui(f()).redoAction->trigger();
    EXPECT_EQ(Ui(f()).angleZ->Text(), "30");
    EXPECT_EQ(Ui(f()).plotScale->Text(), "20");
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(UndoWindow, ASavedRecipeAppliedAfterAReopenGivesTheSameMoleculeAsOneStep) {
    const std::string input = WriteFile("mol.xyz", kRoad);
    OpenFromMenu(input);
    TypeOver(Ui(f()).vectorAtoms[0][0], "1");
    TypeOver(Ui(f()).vectorAtoms[0][4], "5");
    Ui(f()).fitY->click();
    Ui(f()).fitX->click();
    const std::vector<double> x = state.Atoms.AtomX;
    const std::string recipe = files.File("road.recipe");
    Dialogs().recipeAnswers.push_back(recipe);
    Ui(f()).saveRecipeAction->trigger();
    EXPECT_EQ(Dialogs().recipeNames.back(), files.File("mol.recipe"));
    EXPECT_EQ(ReadAll(recipe),
              "pivora-recipe 1\n# the boxes as they stood when the file was opened\nuse vector1\n"
              "# the commands\nselect SEV1 1\nselect SEV5 5\nfit y\nfit x\n");

    Dialogs().closeAnswer = FileDialogs::CloseAnswer::Discard;
    OpenFromMenu(input);
    EXPECT_EQ(Dialogs().openQuestions, 1);
    EXPECT_FALSE(Ui(f()).undoAction->isEnabled());
    Dialogs().recipeAnswers.push_back(recipe);
    Ui(f()).applyRecipeAction->trigger();
    EXPECT_EQ(state.Atoms.AtomX, x);
    EXPECT_EQ(Ui(f()).undoAction->text(), "Undo Apply Recipe road.recipe");
    Ui(f()).undoAction->trigger();
    EXPECT_FALSE(Ui(f()).undoAction->isEnabled());
    EXPECT_EQ(state.Atoms.AtomX[5], 3.5);
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(UndoWindow, AFailingRecipeLineIsReportedWithItsLineAndUndoneAsOne) {
    OpenFromMenu(WriteFile("mol.xyz", kRoad));
    const std::vector<double> x = state.Atoms.AtomX;
    const std::string recipe =
        WriteFile("bad.recipe", "pivora-recipe 1\nrotate z 30\nrotate x abc\nrotate y 5\n");
    Dialogs().recipeAnswers.push_back(recipe);
    Ui(f()).applyRecipeAction->trigger();
    EXPECT_EQ(errors.shown, std::vector<std::string>{"'abc' は浮動小数点数ではありません."});
    EXPECT_NE(state.Atoms.AtomX, x);         // the line before the failure was done
    EXPECT_EQ(Ui(f()).angleY->Text(), "0");  // the line after it was not
    Ui(f()).undoAction->trigger();
    EXPECT_EQ(state.Atoms.AtomX, x);
    // A recipe that is no recipe changes nothing.
    Dialogs().recipeAnswers.push_back(WriteFile("not.recipe", "rotate z 5\n"));
    Ui(f()).applyRecipeAction->trigger();
    EXPECT_EQ(errors.shown.back(),
              "Recipe line 1: a recipe begins with the line 'pivora-recipe 1'.");
    EXPECT_EQ(state.Atoms.AtomX, x);
    // An atom the molecule lacks fails as in pivora-batch; typing the same
    // index into the box is still brought into the limits.
    Dialogs().recipeAnswers.push_back(WriteFile("big.recipe", "pivora-recipe 1\nselect SEV5 25\n"));
    Ui(f()).applyRecipeAction->trigger();
    EXPECT_EQ(errors.shown.back(), "Atom 25 is not in the molecule: it has 5 atoms.");
    EXPECT_NE(errors.details.back().find("stopped at line 2: select SEV5 25."), std::string::npos)
        << errors.details.back();
    EXPECT_EQ(Ui(f()).vectorAtoms[0][4]->Text(), "0");
    TypeOver(Ui(f()).vectorAtoms[0][4], "25");
    Ui(f()).atomGrid->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Ui(f()).vectorAtoms[0][4]->Text(), "5");
}

// A random session of typing and clicks as the user gives them.
class WindowAndBatch : public UndoWindow {
  protected:
    void RandomEvent(std::mt19937_64& random, int atoms) {
        std::uniform_int_distribution<int> index(-1, atoms + 2);
        const char* const angles[] = {"30", "-45", "90", "1E-3", "abc", "12.5", "-0", "7"};
        const char* const components[] = {"1", "-2.5", "0", "x", "3E2"};
        Button* const fits[] = {Ui(f()).fitX, Ui(f()).fitY, Ui(f()).fitZ};
        TextBox* const angleBoxes[] = {Ui(f()).angleZ, Ui(f()).angleX, Ui(f()).angleY};
        Button* const turns[] = {Ui(f()).rotateZ, Ui(f()).rotateX, Ui(f()).rotateY};
        SpinBox* const atomBoxes[] = {
            Ui(f()).vectorAtoms[0][0], Ui(f()).vectorAtoms[0][1], Ui(f()).vectorAtoms[0][3],
            Ui(f()).vectorAtoms[0][4], Ui(f()).vectorAtoms[0][7], Ui(f()).vectorAtoms[1][0],
            Ui(f()).vectorAtoms[1][2], Ui(f()).vectorAtoms[1][4], Ui(f()).vectorAtoms[1][6]};
        TextBox* const componentBoxes[] = {Ui(f()).components[0][0], Ui(f()).components[0][1],
                                           Ui(f()).components[0][2], Ui(f()).components[1][0],
                                           Ui(f()).components[1][1], Ui(f()).components[1][2]};
        switch (random() % 8) {
            case 0:
            case 1:
                TypeOver(atomBoxes[random() % 9], std::to_string(index(random)));
                Ui(f()).atomGrid->setFocus(Qt::TabFocusReason);  // leaving the box
                break;
            case 2:
                TypeOver(Ui(f()).centerAtoms[0], std::to_string(index(random)));
                TypeOver(Ui(f()).centerAtoms[1], std::to_string(index(random)));
                Click(Ui(f()).centerButton);
                break;
            case 3: {
                const int axis = static_cast<int>(random() % 3);
                TypeOver(angleBoxes[axis], angles[random() % 8]);
                Click(turns[axis]);
                break;
            }
            case 4:
            case 5:
                Click(fits[random() % 3]);
                break;
            case 6:
                Click(random() % 2 ? Ui(f()).fitsVector[0] : Ui(f()).fitsVector[1]);
                break;
            default:
                TypeOver(componentBoxes[random() % 6], components[random() % 5]);
        }
    }
};

TEST_F(WindowAndBatch, TheBatchToolOnTheRecordedRecipeSavesTheWindowsBytes) {
    ASSERT_TRUE(active);
    std::mt19937_64 random(7);
    for (int trial = 0; trial < 25; ++trial) {
        SCOPED_TRACE(trial);
        std::string text;
        const int atoms = 2 + static_cast<int>(random() % 6);
        for (int k = 1; k <= atoms; ++k) {
            text += "A" + std::to_string(k);
            for (int c = 0; c < 3; ++c) {
                text += ' ' + std::to_string(static_cast<int>(random() % 2001) - 1000) + '.' +
                        std::to_string(random() % 1000);
            }
            text += '\n';
        }
        const std::string input = WriteFile("mol" + std::to_string(trial) + ".xyz", text);
        OpenFromMenu(input);
        ASSERT_EQ(state.Atoms.AtomCount, atoms);
        ASSERT_EQ(Ui(f()).vectorAtoms[0][4]->MaxValue(), atoms);
        for (int i = 0; i < 20; ++i) RandomEvent(random, atoms);
        if (trial % 4 == 0) Ui(f()).undoAction->trigger();

        const std::string windowOut = files.File("window.out");
        const std::string recipe = files.File("session.recipe");
        Dialogs().saveAnswers.push_back(windowOut);
        Ui(f()).saveAction->trigger();
        Dialogs().recipeAnswers.push_back(recipe);
        Ui(f()).saveRecipeAction->trigger();

        const std::string batchOut = files.File("batch.out");
        std::ostringstream report;
        RunBatch(ParseBatchArguments({recipe, input, "-o", batchOut, "--force", "--keep-going",
                                      "--decimal-separator", "."}),
                 report, false);
        ASSERT_EQ(ReadAll(batchOut), ReadAll(windowOut)) << ReadAll(recipe);
    }
}

}  // namespace
}  // namespace pivora::test
