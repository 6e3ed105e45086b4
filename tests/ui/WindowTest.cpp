// The main window as it starts, its name boxes and grid, the help window and
// the program's end.

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include "UiTest.h"
#include "geometry/AtomGroup.h"
#include "ui/HelpWindow.h"
#include "ui/Startup.h"

namespace pivora::test {
namespace {

struct NameCase {
    const char* name;
    const char* file;   // opened first, or nullptr
    const char* typed;  // into the third tail atom box of Vector1
    const char* text;   // what V3 then shows
};

class NameBox : public FormTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(NameBox, ShowsNoneAnAtomsLabelOrNothing) {
    const NameCase& c = GetParam();
    if (c.file) {
        // A larger molecule first, so that the spare slots hold labels.
        OpenFromMenu(WriteFile("big.xyz", "A1 0 0 0\nA2 0 0 0\nA3 0 0 0\nA4 0 0 0\nA5 0 0 0\n"));
        OpenFromMenu(WriteFile("mol.xyz", c.file));
    }
    // Typed, so that no limit applies: the box shows what the index names.
    TypeOver(Ui(Form()).vectorAtoms[0][2], c.typed);
    EXPECT_EQ(Ui(Form()).vectorAtoms[0][2]->Text(), c.typed);
    EXPECT_EQ(Ui(Form()).atomNames[0][2]->Text(), c.text);
}

INSTANTIATE_TEST_SUITE_P(Indexes, NameBox,
                         ::testing::Values(NameCase{"ZeroBeforeOpen", nullptr, "0", "None"},
                                           NameCase{"OneBeforeOpen", nullptr, "1", ""},
                                           NameCase{"Zero", kThreeAtoms, "0", "None"},
                                           NameCase{"First", kThreeAtoms, "1", "C1"},
                                           NameCase{"Last", kThreeAtoms, "3", "H1"},
                                           NameCase{"SpareSlotWithAnOldLabel", kThreeAtoms, "4",
                                                    ""},
                                           NameCase{"LastSpareSlot", kThreeAtoms, "12", ""},
                                           NameCase{"PastTheTable", kThreeAtoms, "13", ""},
                                           NameCase{"Negative", kThreeAtoms, "-1", ""},
                                           // No integer of the box: its lower limit, 0.
                                           NameCase{"Huge", kThreeAtoms, "1099511627776", "None"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormTest, SelectionBoxesNameTheirAtoms) {
    OpenFromMenu(WriteFile("mol.xyz", kThreeAtoms));
    MainWindow& f = Form();
    Ui(f).vectorAtoms[0][2]->SetValue(2);
    EXPECT_EQ(Ui(f).atomNames[0][2]->Text(), "O1");
    Ui(f).vectorAtoms[1][7]->SetValue(3);
    EXPECT_EQ(Ui(f).atomNames[1][7]->Text(), "H1");
    Ui(f).vectorAtoms[0][2]->SetValue(0);
    EXPECT_EQ(Ui(f).atomNames[0][2]->Text(), "None");
    Ui(f).centerAtoms[1]->SetValue(3);
    EXPECT_EQ(Ui(f).centerNames[1]->Text(), "H1");
}

TEST_F(FormTest, GridKeepsWhatItShowedWhateverTheTableDoesLater) {
    OpenFromMenu(WriteFile("mol.xyz", kThreeAtoms));
    state.Atoms.AtomX[1] = 99;
    state.Atoms.AtomName[1] = "Xx";
    EXPECT_EQ(Ui(Form()).atomGrid->Cells(0, 1), "C1");
    EXPECT_EQ(Ui(Form()).atomGrid->Cells(1, 1), "0.1");
}

TEST_F(FormTest, LocaleChangeRereadsTheDecimalSeparator) {
    SetDecimalSeparator('#');
    QEvent change(QEvent::LocaleChange);
    QCoreApplication::sendEvent(&Form(), &change);
    EXPECT_EQ(DecimalSeparator(), DecimalSeparatorFrom(QLocale::system().decimalPoint()));
}

struct SeparatorCase {
    const char16_t* point;
    char separator;
};

class Separator : public ::testing::TestWithParam<SeparatorCase> {};

TEST_P(Separator, IsTheLocalesPointWhenItIsOneAsciiCharacter) {
    EXPECT_EQ(DecimalSeparatorFrom(QString::fromUtf16(GetParam().point)), GetParam().separator);
}

INSTANTIATE_TEST_SUITE_P(Points, Separator,
                         ::testing::Values(SeparatorCase{u".", '.'}, SeparatorCase{u",", ','},
                                           SeparatorCase{u"\u066b", '.'}, SeparatorCase{u"", '.'},
                                           SeparatorCase{u"..", '.'}, SeparatorCase{u" ", '.'}));

TEST_F(FormTest, HelpIsCenteredOverTheMainWindowAtEveryClick) {
    MainWindow& f = Form();
    HelpWindow help;
    f.SetHelpWindow(&help);
    f.show();
    for (const QPoint place : {QPoint(40, 30), QPoint(300, 120)}) {
        f.move(place);
        Ui(f).helpAction->trigger();
        EXPECT_TRUE(help.isVisible());
        EXPECT_EQ(help.frameGeometry().topLeft(),
                  CenteredOver(f.frameGeometry(), help.frameGeometry().size()));
    }
    EXPECT_EQ(QApplication::topLevelWidgets().count(&help), 1);
    EXPECT_FALSE(help.isModal());
    help.close();
    EXPECT_FALSE(help.isVisible());
    EXPECT_TRUE(f.isVisible());
}

TEST(Help, PageKeepsItsTrailingBlanksAndClosesWithItsBlock) {
    HelpWindow help;
    EXPECT_EQ(help.windowTitle(), "Help (Pivora)");
    const QStringList lines = help.Memo1->toPlainText().split('\n');
    ASSERT_GE(lines.size(), 27);
    EXPECT_EQ(lines[0], "<<Pivora>>                       2005-01-06");
    EXPECT_EQ(lines[2], "This program reads cartesian coordinates of molecules ");
    EXPECT_EQ(lines[20], "this package.  ");
    EXPECT_EQ(lines[22], "                                             Best wishes");
    EXPECT_EQ(lines[23], QString(47, '='));
    EXPECT_EQ(lines.back(), QString(47, '='));
    EXPECT_EQ(lines[24], "Pivora 1.0");
    EXPECT_EQ(help.Memo1->palette().color(QPalette::Base), QColor(0, 255, 255));
}

TEST_F(FormTest, AtItsSizeTheScrollingAreaShowsTheControlsAsPlaced) {
    MainWindow& f = Form();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    const int menu = f.menuBar()->height();
    EXPECT_EQ(f.size(), QSize(992 + Ui(f).atomGrid->RowNumberWidth(), menu + 682));
    EXPECT_EQ(Ui(f).clientArea->geometry(), QRect(0, menu, Ui(f).clientWidget->width(), 682));
    EXPECT_EQ(Ui(f).clientWidget->pos(), QPoint(0, 0));
    EXPECT_FALSE(Ui(f).clientArea->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(Ui(f).clientArea->verticalScrollBar()->isVisible());
    EXPECT_FALSE(f.statusBar()->isVisible());
    // Pixel for pixel the controls on the window's background, nothing of
    // the area's own.
    EXPECT_EQ(f.grab(Ui(f).clientArea->geometry()).toImage(), Ui(f).clientWidget->grab().toImage());
}

TEST_F(FormTest, ShowAtomsAndThePlaceOfTheWindowAreKeptBetweenRuns) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, "pivora", "pivora");
    store.remove("window");
    store.remove("view");
    // The first start: centered, the atoms hidden.
    Form().ShowCentered();
    // As far as the frame, which the platform adds once shown.
    const QPoint offCenter =
        Form().frameGeometry().center() - Form().screen()->availableGeometry().center();
    EXPECT_LE(offCenter.manhattanLength(), 6);
    EXPECT_FALSE(Ui(Form()).showAtomsAction->isChecked());
    const QSize natural = Form().size();
    Ui(Form()).showAtomsAction->trigger();
    Form().move(123, 77);
    const QPoint place = Form().pos();
    Form().close();
    Restart();
    Form().ShowCentered();
    EXPECT_TRUE(Ui(Form()).showAtomsAction->isChecked());
    EXPECT_TRUE(Form().Commands().ShowsAtoms());
    EXPECT_EQ(Form().pos(), place);
    EXPECT_EQ(Form().size(), natural);
    // A size of the user's is kept too; the controls then scroll.
    Form().resize(700, 500);
    Form().close();
    Restart();
    Form().ShowCentered();
    EXPECT_EQ(Form().size(), QSize(700, 500));
    EXPECT_TRUE(Ui(Form()).clientArea->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(Ui(Form()).clientArea->verticalScrollBar()->isVisible());
    store.remove("window");
    store.remove("view");
}

TEST_F(FormTest, ExitClosesTheMainWindow) {
    Form().show();
    Ui(Form()).exitAction->trigger();
    EXPECT_FALSE(Form().isVisible());
}

TEST_F(FormTest, ClosingTheMainWindowEndsTheProgramWhileHelpAndSymmetryAreShown) {
    HelpWindow help;
    Form().SetHelpWindow(&help);
    Form().show();
    Ui(Form()).helpAction->trigger();
    Ui(Form()).symmetryAction->trigger();
    QTimer::singleShot(0, &Form(), [this] { Form().close(); });
    QTimer hung;  // stops with the test, so it can end no later loop
    hung.setSingleShot(true);
    QObject::connect(&hung, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    hung.start(5000);
    EXPECT_EQ(QApplication::exec(), 0);
}

}  // namespace
}  // namespace pivora::test
