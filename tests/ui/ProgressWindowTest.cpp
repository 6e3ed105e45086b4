// A long open, save or recipe as the window shows it: the progress dialog
// comes and moves, and what the user does meanwhile is dropped.

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <string>
#include <utility>
#include <vector>

#include "UiTest.h"
#include "ui/LongWork.h"

namespace pivora::test {
namespace {

// The dialog shows at the first report and the window paints at every one.
class ProgressWindowTest : public FormTest {
  protected:
    ProgressWindowTest() { LongWork::SetTiming(0, 0); }
    ~ProgressWindowTest() override { LongWork::SetTiming(1000, 40); }

    std::string BigFile(int lines, const std::string& name = "big.txt") {
        std::string text;
        for (int k = 0; k < lines; ++k) text += "C 1.0 2.0 3.0\n";
        return WriteFile(name, text);
    }

    // Watches, from a timer that runs while the work paints, what the
    // window shows; at the first round it clicks RotateZ and types 5 and
    // Enter into its angle box, as posted input.
    struct Watch {
        std::vector<int> values;  // the progress dialog's, where it showed
        std::vector<bool> modified;
        std::vector<int> atomCounts;
        std::vector<QString> labels;  // the dialog's, where it showed as plain text
    };
    void WatchDuring(Watch& watch, bool click) {
        MainWindow& f = Form();
        auto* timer = new QTimer(&f);
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, &f, [&watch, &f, click, this] {
            bool shown = false;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* dialog = qobject_cast<QProgressDialog*>(widget);
                    dialog && dialog->isVisible()) {
                    shown = true;
                    watch.values.push_back(dialog->value());
                    if (const auto* label = dialog->findChild<QLabel*>();
                        label && label->textFormat() == Qt::PlainText) {
                        watch.labels.push_back(label->text());
                    }
                }
            }
            // The rounds of the work: those that paint its dialog.
            if (!shown) return;
            watch.modified.push_back(f.Commands().Modified());
            watch.atomCounts.push_back(state.Atoms.AtomCount);
            if (click && watch.modified.size() == 1) {
                for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                    for (const auto& [key, text] :
                         {std::pair{Qt::Key_5, "5"}, std::pair{Qt::Key_Return, "\r"}}) {
                        QCoreApplication::postEvent(Ui(f).angleZ,
                                                    new QKeyEvent(type, key, Qt::NoModifier, text));
                    }
                }
                const QPointF at(5, 5);
                for (const QEvent::Type type :
                     {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                    QCoreApplication::postEvent(
                        Ui(f).rotateZ,
                        new QMouseEvent(
                            type, at, Ui(f).rotateZ->mapToGlobal(at), Qt::LeftButton,
                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                            Qt::NoModifier));
                }
            }
        });
        timer->start();
        timers_.push_back(timer);
    }
    // Presses the progress dialog's Cancel button once it shows, as the
    // window system gives the press: to the dialog's window, at the button's
    // place. The timer goes with the caller's delete.
    QTimer* PressCancelWhenShown(bool& pressed) {
        auto* timer = new QTimer(&Form());
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, &Form(), [&pressed] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QProgressDialog*>(widget);
                auto* cancel = dialog ? dialog->findChild<QPushButton*>() : nullptr;
                if (!cancel || !dialog->isVisible() || pressed) continue;
                pressed = true;
                const QPointF at = cancel->mapTo(dialog, QPointF(3, 3));
                for (const QEvent::Type type :
                     {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                    QCoreApplication::postEvent(
                        dialog->windowHandle(),
                        new QMouseEvent(
                            type, at, dialog->mapToGlobal(at), Qt::LeftButton,
                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                            Qt::NoModifier));
                }
            }
        });
        timer->start();
        return timer;
    }
    void StopWatching() {
        for (QTimer* timer : timers_) delete timer;
        timers_.clear();
    }

  private:
    std::vector<QTimer*> timers_;
};

void ExpectShownAndGrowing(const std::vector<int>& values) {
    ASSERT_GE(values.size(), 2u);
    for (std::size_t i = 1; i < values.size(); ++i) EXPECT_GE(values[i], values[i - 1]);
    EXPECT_GT(values.back(), values.front());
    EXPECT_LE(values.back(), 1000);
}

TEST_F(ProgressWindowTest, ALongOpenShowsProgressAndDropsTheInputGivenMeanwhile) {
    MainWindow& f = Form();
    OpenFromMenu(WriteFile("small.txt", kThreeAtoms));
    Ui(f).angleZ->setText("90");
    // A name that markup would show in bold.
    const std::string big = BigFile(300000, "<b>big.txt");
    Watch watch;
    WatchDuring(watch, true);
    OpenFromMenu(big);
    StopWatching();
    EXPECT_TRUE(errors.shown.empty());
    ExpectShownAndGrowing(watch.values);
    ASSERT_FALSE(watch.labels.empty());
    EXPECT_TRUE(watch.labels.front().endsWith("<b>big.txt")) << watch.labels.front().toStdString();
    // While the file was read, the click did nothing and the old molecule
    // stayed.
    ASSERT_FALSE(watch.modified.empty());
    for (const bool modified : watch.modified) EXPECT_FALSE(modified);
    for (const int count : watch.atomCounts) EXPECT_EQ(count, 3);
    EXPECT_EQ(state.Atoms.AtomCount, 300000);
    EXPECT_FALSE(f.Commands().Modified());
    EXPECT_EQ(f.findChild<QProgressDialog*>(), nullptr);
    // Nor afterwards: the click and the keys were meant for the molecule on
    // the screen then, and never reach the new one.
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.Commands().Modified());
    EXPECT_EQ(Ui(f).angleZ->Text(), "90");
    EXPECT_EQ(Ui(f).atomGrid->Cells(1, 1).toStdString(), "1");
    EXPECT_EQ(Ui(f).atomGrid->Cells(2, 1).toStdString(), "2");
    EXPECT_TRUE(errors.shown.empty());
}

// Escape gives an open up wherever the focus is; the dialog shows once the
// work has run for a second by its clock, and not before.
TEST_F(ProgressWindowTest, TheDialogShowsAfterASecondOfWorkAndEscapeCancelsTheOpen) {
    MainWindow& f = Form();
    const std::string small = WriteFile("small.txt", kThreeAtoms);
    OpenFromMenu(small);
    LongWork::SetTiming(1000, 0);
    qint64 clock = 0;
    LongWork::SetClock([&clock] { return clock += 20; });  // every report 20 ms of work
    std::vector<std::pair<qint64, bool>> seen;  // the clock, and whether the dialog showed
    bool escaped = false;
    auto* timer = new QTimer(&f);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, &f, [&] {
        if (escaped) return;
        bool shown = false;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QProgressDialog*>(widget);
            shown = shown || (dialog && dialog->isVisible());
        }
        seen.emplace_back(clock, shown);
        if (clock >= 1500 && !escaped) {
            escaped = true;
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QCoreApplication::postEvent(Ui(f).angleZ,
                                            new QKeyEvent(type, Qt::Key_Escape, Qt::NoModifier));
            }
        }
    });
    timer->start();
    OpenFromMenu(BigFile(300000));
    delete timer;
    LongWork::SetClock({});
    EXPECT_TRUE(escaped);
    ASSERT_FALSE(seen.empty());
    for (const auto& [at, shown] : seen) {
        if (at < 1000) {
            EXPECT_FALSE(shown) << at;
        } else if (at >= 1000 + 2 * 20) {
            EXPECT_TRUE(shown) << at;
        }
    }
    EXPECT_TRUE(errors.shown.empty());
    EXPECT_EQ(state.Atoms.AtomCount, 3);
    EXPECT_EQ(state.Paths.InFileName, small);
    EXPECT_EQ(f.findChild<QProgressDialog*>(), nullptr);
}

// A long recipe shows the same progress; Cancel leaves the molecule, the
// boxes and the history as they were before it.
TEST_F(ProgressWindowTest, ALongRecipeShowsProgressAndCancelLeavesTheMoleculeAsItWas) {
    MainWindow& f = Form();
    OpenFromMenu(WriteFile("small.txt", kThreeAtoms));
    Ui(f).angleZ->setText("30");
    Ui(f).rotateZ->click();
    const std::vector<double> x = state.Atoms.AtomX;
    const QString undo = Ui(f).undoAction->text();
    std::string text = "pivora-recipe 1\n";
    for (int i = 0; i < 200000; ++i) text += "rotate z 1\nselect SEV1 2\n";
    const std::string recipe = WriteFile("long.recipe", text);
    bool pressed = false;
    QTimer* timer = PressCancelWhenShown(pressed);
    Dialogs().recipeAnswers.push_back(recipe);
    Ui(f).applyRecipeAction->trigger();
    delete timer;
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(errors.shown.empty());
    EXPECT_EQ(state.Atoms.AtomX, x);
    EXPECT_EQ(Ui(f).vectorAtoms[0][0]->Text(), "0");
    EXPECT_EQ(Ui(f).undoAction->text(), undo);
    EXPECT_FALSE(Ui(f).redoAction->isEnabled());
    EXPECT_EQ(f.findChild<QProgressDialog*>(), nullptr);
}

// Closing the window is no command on the molecule: it waits for the work,
// then asks about the changes the work made.
TEST_F(ProgressWindowTest, ClosingTheWindowDuringARecipeAsksOnceItIsDone) {
    MainWindow& f = Form();
    OpenFromMenu(WriteFile("small.txt", kThreeAtoms));
    std::string text = "pivora-recipe 1\n";
    for (int i = 0; i < 20000; ++i) text += "rotate z 1\n";
    bool closed = false;
    auto* timer = new QTimer(&f);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, &f, [&] {
        if (closed) return;
        closed = true;
        f.close();
    });
    timer->start();
    Dialogs().recipeAnswers.push_back(WriteFile("turns.recipe", text));
    Ui(f).applyRecipeAction->trigger();
    delete timer;
    EXPECT_TRUE(closed);
    EXPECT_EQ(Dialogs().closeQuestions, 0);
    EXPECT_TRUE(f.Commands().Modified());
    QCoreApplication::processEvents();
    EXPECT_EQ(Dialogs().closeQuestions, 1);  // answered Cancel: the window stays
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(ProgressWindowTest, ALongSaveShowsProgressAndWritesTheSameBytes) {
    MainWindow& f = Form();
    const std::string big = BigFile(300000);
    OpenFromMenu(big);
    const std::string quiet = files.File("quiet.out");
    Dialogs().saveAnswers.push_back(quiet);
    LongWork::SetTiming(1000000, 40);  // no dialog
    Ui(f).saveAction->trigger();
    LongWork::SetTiming(0, 0);
    EXPECT_EQ(f.findChild<QProgressDialog*>(), nullptr);

    const std::string shown = files.File("shown.out");
    Dialogs().saveAnswers.push_back(shown);
    Watch watch;
    WatchDuring(watch, false);
    Ui(f).saveAction->trigger();
    StopWatching();
    EXPECT_TRUE(errors.shown.empty());
    ExpectShownAndGrowing(watch.values);
    EXPECT_EQ(ReadAll(shown), ReadAll(quiet));
    EXPECT_EQ(f.findChild<QProgressDialog*>(), nullptr);
}

}  // namespace
// A press on the dialog's Cancel button gives the open up: the molecule, the
// grid and the caption stay, and no error is shown. A save has no Cancel.
TEST_F(ProgressWindowTest, ALongOpenCanBeCancelledASaveCannot) {
    MainWindow& f = Form();
    const std::string small = WriteFile("small.txt", kThreeAtoms);
    OpenFromMenu(small);
    const QString caption = f.windowTitle();
    const QString firstCell = Ui(f).atomGrid->Cells(1, 1);
    bool pressed = false;
    QTimer* timer = PressCancelWhenShown(pressed);
    OpenFromMenu(BigFile(300000));
    delete timer;
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(errors.shown.empty());
    EXPECT_EQ(state.Atoms.AtomCount, 3);
    EXPECT_EQ(Ui(f).atomGrid->Cells(1, 1), firstCell);
    EXPECT_EQ(f.windowTitle(), caption);
    EXPECT_EQ(state.Paths.InFileName, small);  // Save offers small.out
    EXPECT_EQ(f.findChild<QProgressDialog*>(), nullptr);

    // Saving: the dialog shows without a button.
    bool buttonSeen = false;
    bool dialogSeen = false;
    timer = new QTimer(&f);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, &f, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QProgressDialog*>(widget);
                dialog && dialog->isVisible()) {
                dialogSeen = true;
                buttonSeen = buttonSeen || dialog->findChild<QPushButton*>() != nullptr;
            }
        }
    });
    OpenFromMenu(BigFile(300000, "second.txt"));
    timer->start();
    Dialogs().saveAnswers.push_back(files.File("saved.out"));
    Ui(f).saveAction->trigger();
    delete timer;
    EXPECT_TRUE(dialogSeen);
    EXPECT_FALSE(buttonSeen);
    EXPECT_TRUE(errors.shown.empty());
}

}  // namespace pivora::test
