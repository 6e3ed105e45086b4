// Tools > Symmetry as the chemist meets it: the group of the molecule, an
// axis set as a vector, the window following the main window's undo; and
// the window and the batch tool giving the same bytes for its commands.

#include <QLabel>
#include <QTreeWidget>
#include <random>
#include <sstream>

#include "UiTest.h"
#include "engine/MoleculeSymmetry.h"
#include "tools/Batch.h"
#include "ui/SymmetryWindow.h"

namespace pivora::test {
namespace {

constexpr char kBenzene[] = PIVORA_EXAMPLES "/benzene.xyz";

class SymmetryForm : public FormTest {
  protected:
    SymmetryWindow& Window() {
        Ui(Form()).symmetryAction->trigger();
        return *Ui(Form()).symmetryWindow;
    }
    // The row of the first element whose symbol is symbol.
    QTreeWidgetItem* Row(const QString& symbol) {
        QTreeWidget* list = Ui(Form()).symmetryWindow->Elements;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (list->topLevelItem(i)->text(0) == symbol) return list->topLevelItem(i);
        }
        ADD_FAILURE() << "no row " << symbol.toStdString();
        return list->topLevelItem(0);
    }
    QString Direction(QTreeWidgetItem* row) {
        return row->text(1) + ' ' + row->text(2) + ' ' + row->text(3);
    }
};

TEST_F(SymmetryForm, ShowsTheGroupSetsAnAxisAsVector1AndFollowsUndo) {
    OpenFromMenu(kBenzene);
    SymmetryWindow& w = Window();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isModal());
    EXPECT_EQ(w.GroupLabel->text(), "Point group: D6h   (order 24)");
    EXPECT_EQ(w.Elements->topLevelItemCount(), 1 + 6 + 2 + 7 + 1);
    EXPECT_EQ(Row("\u03c3v")->text(4), "3 C3, 6 C6, 9 H3, 12 H6");
    EXPECT_FALSE(w.SetVector1->isEnabled());

    const symmetry::Vec3 c6 = PointGroupOf(state.Atoms, 0.01).group.properAxes.at(0).direction;
    w.Elements->setCurrentItem(Row("C6"));
    w.SetVector1->click();
    EXPECT_EQ(Ui(Form()).components[0][0]->Text(), FormatDisplay(c6[0]));
    EXPECT_EQ(Ui(Form()).components[0][1]->Text(), FormatDisplay(c6[1]));
    EXPECT_EQ(Ui(Form()).components[0][2]->Text(), FormatDisplay(c6[2]));
    EXPECT_FALSE(Ui(Form()).directionNames[0]->isHidden());
    EXPECT_EQ(Ui(Form()).directionNames[0]->text(), "C6 axis");
    EXPECT_EQ(Ui(Form()).undoAction->text(), "Undo Vector1: C6 axis");

    // The window follows a fit of the main window and its undo.
    const QString before = Direction(Row("C6"));
    Ui(Form()).fitX->click();
    EXPECT_NE(Direction(Row("C6")), before);
    EXPECT_EQ(Direction(Row("C6")).split(' ', Qt::SkipEmptyParts).at(1), "0.0000");
    Ui(Form()).undoAction->trigger();
    EXPECT_EQ(Direction(Row("C6")), before);
    Ui(Form()).undoAction->trigger();
    EXPECT_TRUE(Ui(Form()).directionNames[0]->isHidden());

    // A tolerance that is no number says so in the window, not in a box.
    w.Tolerance->SetText("abc");
    EXPECT_EQ(w.GroupLabel->text(), "Point group: \u2013");
    EXPECT_EQ(w.Note->text(), "Type a tolerance in angstrom above 0 and at most 1, such as 0.01.");
    EXPECT_FALSE(w.Symmetrize->isEnabled());
    w.Tolerance->SetText("0.01");
    EXPECT_TRUE(w.Note->isHidden());
    EXPECT_TRUE(errors.shown.empty());
}

// A session with the symmetry window's commands on a benzene a little out of
// shape, saved as a recipe: pivora-batch writes what the window saved.
TEST_F(SymmetryForm, TheBatchToolOnTheRecordedRecipeSavesTheWindowsBytes) {
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> shake(-0.003, 0.003);
    std::string text;
    {
        AtomTable table;
        Engine reader(table);
        reader.Open(kBenzene);
        for (int k = 1; k <= table.AtomCount; ++k) {
            text += table.AtomName[k];
            for (const double c : {table.AtomX[k], table.AtomY[k], table.AtomZ[k]}) {
                text += ' ' + FormatDisplay(c + shake(random));
            }
            text += '\n';
        }
    }
    const std::string input = WriteFile("noisy.xyz", text);
    OpenFromMenu(input);
    SymmetryWindow& w = Window();
    w.Elements->setCurrentItem(Row("C6"));
    w.SetVector1->click();
    Ui(Form()).positiveFitsAction->setChecked(true);
    Ui(Form()).fitX->click();
    Ui(Form()).fitZ->click();
    w.Symmetrize->click();
    EXPECT_TRUE(w.Status->text().startsWith("Symmetrized to D6h: atom "));
    w.Elements->setCurrentItem(Row("C2\u2032"));
    w.SetVector2->click();
    w.StandardFrame->click();
    Ui(Form()).fitsVector[1]->click();
    Ui(Form()).fitY->click();
    Ui(Form()).positiveFitsAction->setChecked(false);
    ASSERT_TRUE(errors.shown.empty()) << errors.shown.front();

    const std::string windowOut = files.File("window.out");
    const std::string recipe = files.File("session.recipe");
    Dialogs().saveAnswers.push_back(windowOut);
    Ui(Form()).saveAction->trigger();
    Dialogs().recipeAnswers.push_back(recipe);
    Ui(Form()).saveRecipeAction->trigger();
    const std::string lines = ReadAll(recipe);
    for (const char* command :
         {"\ndirection vector1 ", " C6 axis\nfit +x\nfit +z\nsymmetrize 0.01\ndirection vector2 ",
          " C2\u2032 axis\nstandard-frame 0.01\nuse vector2\nfit +y\n"}) {
        EXPECT_NE(lines.find(command), std::string::npos) << command << " in\n" << lines;
    }
    const std::string batchOut = files.File("batch.out");
    std::ostringstream report;
    EXPECT_EQ(
        RunBatch(ParseBatchArguments({recipe, input, "-o", batchOut, "--decimal-separator", "."}),
                 report, false),
        0)
        << report.str();
    EXPECT_EQ(ReadAll(batchOut), ReadAll(windowOut));
}

}  // namespace
}  // namespace pivora::test
