// The atom grid as a control: nothing in it grows with the rows, it shows at
// most a few hundred characters of a cell, its tool tips and those of the
// text boxes are never markup, and the user moves its current cell with
// keys and clicks.

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QHelpEvent>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolTip>
#include <string>

#include "UiTest.h"
#include "ui/ShownText.h"

namespace pivora::test {
namespace {

std::string Atoms(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text.append("A").append(std::to_string(i)).append(" 1 2 3\n");
    return text;
}

// What a tool tip shows: Qt renders it as markup exactly when it guesses
// markup.
struct Rendered {
    QString text;
    bool image = false;
};

Rendered Render(const QString& tip) {
    QTextDocument document;
    if (Qt::mightBeRichText(tip)) {
        document.setHtml(tip);
    } else {
        document.setPlainText(tip);
    }
    Rendered rendered{document.toPlainText()};
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it)
            rendered.image |= it.fragment().charFormat().isImageFormat();
    }
    return rendered;
}

class Grid : public FormTest {
  protected:
    Grid() { Form().show(); }
    AtomGridView& grid() { return *Ui(Form()).atomGrid; }
    QString ToolTip(int row, int column) {
        return grid().model()->index(row, column).data(Qt::ToolTipRole).toString();
    }
};

// Qt's table view keeps a header section of 8 bytes for every row, even in
// a hidden header, in one block that it cannot do without: 20 million rows
// asked for 160 MB and crashed when that failed.
TEST_F(Grid, ItsModelKeepsQtsRulesThroughOpensAndCommands) {
    MainWindow& f = Form();
    // The tester says what it finds wrong as warnings: gather them.
    static QStringList complaints;
    complaints.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
            if (text.contains("FAIL")) complaints << text;
        });
    QAbstractItemModelTester tester(Ui(f).atomGrid->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    OpenFromMenu(WriteFile("a.xyz", kThreeAtoms));
    Ui(f).rotateZ->click();
    Ui(f).centerButton->click();
    OpenFromMenu(WriteFile("b.xyz", "X 1 2 3\n"));
    OpenFromMenu(WriteFile("c.xyz", ""));
    OpenFromMenu(WriteFile("d.xyz", kThreeAtoms));
    Ui(f).undoAction->trigger();
    qInstallMessageHandler(previous);
    EXPECT_EQ(Ui(f).atomGrid->RowCount(), 4);
    EXPECT_TRUE(complaints.isEmpty()) << complaints.join('\n').toStdString();
}

TEST_F(Grid, NoHeaderKeepsARowForEveryAtom) {
    OpenFromMenu(WriteFile("mol.xyz", Atoms(2000)));
    ASSERT_EQ(grid().RowCount(), 2001);
    for (const QHeaderView* header : grid().findChildren<QHeaderView*>())
        EXPECT_LE(header->count(), 4) << header->orientation();
}

TEST_F(Grid, ShowsAtMostAFewHundredCharactersOfALabel) {
    const std::string label(10 << 20, 'L');
    const std::string accented = [] {
        std::string text;
        for (int i = 0; i < 1000; ++i) text += "\xc3\xa9";  // é in UTF-8
        return text;
    }();
    OpenFromMenu(WriteFile("mol.xyz", label + " 1 2 3\n" + accented + " 4 5 6\nC 7 8 9\n"));
    ASSERT_TRUE(errors.shown.empty());
    EXPECT_EQ(state.Atoms.AtomName[1].size(), label.size());  // the data stays whole
    const QString shown = grid().Cells(0, 1);
    EXPECT_EQ(shown, QString(kShownCharacters, 'L') + QString::fromUtf8("…"));
    EXPECT_EQ(ToolTip(0, 0), shown);
    EXPECT_EQ(grid().Cells(0, 2), QString(kShownCharacters, QChar(0xe9)) + QString::fromUtf8("…"));
    EXPECT_EQ(grid().Cells(0, 3), "C");
    grid().viewport()->repaint();  // quick: only the shown characters are laid out
}

TEST_F(Grid, ToolTipsShowTheCharactersNeverMarkup) {
    const std::string labels[] = {
        "<b>x</b>", "<img\tsrc=/dev/zero>", "a&amp;b", "<i>a\t\tb</i>", "x<br>y", "plain"};
    std::string file;
    for (const std::string& label : labels) file += label + " 1 2 3\n";
    OpenFromMenu(WriteFile("mol.xyz", file));
    ASSERT_TRUE(errors.shown.empty());
    for (int row = 0; row < static_cast<int>(std::size(labels)); ++row) {
        SCOPED_TRACE(labels[row]);
        const Rendered rendered = Render(ToolTip(row, 0));
        EXPECT_EQ(rendered.text, QString::fromStdString(labels[row]));
        EXPECT_FALSE(rendered.image);
    }
    EXPECT_EQ(ToolTip(5, 0), "plain");  // plain text stays as it is
    EXPECT_EQ(ToolTip(0, 1), "1");

    // The tool tip that hovering shows is the same text.
    QHelpEvent hover(QEvent::ToolTip, QPoint(10, 7), grid().viewport()->mapToGlobal(QPoint(10, 7)));
    QCoreApplication::sendEvent(grid().viewport(), &hover);
    EXPECT_EQ(QToolTip::text(), ToolTip(0, 0));
    QToolTip::hideText();
}

TEST_F(Grid, TextBoxToolTipsShowTheCharactersNeverMarkup) {
    for (const char* text : {"<b>bold?</b> <img src=/dev/zero> and a long tail after it",
                             "a &amp; b &lt; c, and more than a box can show",
                             "plain text, longer "
                             "than the box"}) {
        SCOPED_TRACE(text);
        Ui(Form()).angleZ->SetText(text);
        const Rendered rendered = Render(Ui(Form()).angleZ->toolTip());
        EXPECT_EQ(rendered.text, QString::fromUtf8(text));
        EXPECT_FALSE(rendered.image);
    }
    Ui(Form()).angleZ->SetText(std::string(20000, '7'));
    EXPECT_EQ(Ui(Form()).angleZ->toolTip(),
              QString(kShownCharacters, '7') + QString::fromUtf8("…"));
    EXPECT_EQ(Ui(Form()).angleZ->Text().size(), 20000u);  // the box keeps it all
}

TEST_F(Grid, KeysAndClicksMoveTheCurrentCellAndScroll) {
    OpenFromMenu(WriteFile("mol.xyz", Atoms(100)));
    QWidget* cells = grid().viewport();
    QScrollBar* bar = grid().verticalScrollBar();
    const int fullRows = cells->height() / 14;
    ASSERT_GT(fullRows, 10);
    EXPECT_EQ(bar->maximum(), 100 - fullRows);

    QTest::mouseClick(cells, Qt::LeftButton, Qt::NoModifier, QPoint(48 + 80 + 40, 3 * 14 + 7));
    EXPECT_EQ(Form().focusWidget(), &grid());
    EXPECT_EQ(grid().currentIndex(), grid().model()->index(3, 2));
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int row, column, firstShown;
    } kSteps[] = {
        {Qt::Key_Down, Qt::NoModifier, 4, 2, 0},
        {Qt::Key_Right, Qt::NoModifier, 4, 3, 0},
        {Qt::Key_Right, Qt::NoModifier, 4, 3, 0},
        {Qt::Key_Home, Qt::NoModifier, 4, 0, 0},
        {Qt::Key_End, Qt::ControlModifier, 99, 0, 100 - fullRows},
        {Qt::Key_Down, Qt::NoModifier, 99, 0, 100 - fullRows},
        {Qt::Key_PageUp, Qt::NoModifier, 99 - fullRows, 0, 99 - fullRows},
        {Qt::Key_Home, Qt::ControlModifier, 0, 0, 0},
        {Qt::Key_PageDown, Qt::NoModifier, fullRows, 0, 1},
        {Qt::Key_End, Qt::NoModifier, fullRows, 3, 1},
    };
    for (const auto& step : kSteps) {
        QTest::keyClick(&grid(), step.key, step.modifiers);
        EXPECT_EQ(grid().currentIndex(), grid().model()->index(step.row, step.column)) << step.key;
        EXPECT_EQ(bar->value(), step.firstShown) << step.key;
    }
    // A click now lands on the rows shown from the scrolled position.
    QTest::mouseClick(cells, Qt::LeftButton, Qt::NoModifier, QPoint(5, 2 * 14 + 7));
    EXPECT_EQ(grid().currentIndex(), grid().model()->index(3, 0));

    // A new molecule starts at its top with no current cell.
    OpenFromMenu(WriteFile("other.xyz", Atoms(60)));
    EXPECT_FALSE(grid().currentIndex().isValid());
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(bar->maximum(), 60 - fullRows);
}

}  // namespace
}  // namespace pivora::test
