// A long open or save as the window shows it: the progress dialog comes and
// moves, and what the user does meanwhile waits until the work is done.

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <string>
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
    // window shows; at the first round it clicks RotateZ as posted input.
    struct Watch {
        std::vector<int> values;  // the progress dialog's, where it showed
        std::vector<bool> modified;
        std::vector<int> atomCounts;
        std::vector<QString> labels;  // the dialog's, where it showed as plain text
    };
    void WatchDuring(Watch& watch, bool click) {
        TForm1& f = Form();
        auto* timer = new QTimer(&f);
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, &f, [&watch, &f, click, this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* dialog = qobject_cast<QProgressDialog*>(widget);
                    dialog && dialog->isVisible()) {
                    watch.values.push_back(dialog->value());
                    if (const auto* label = dialog->findChild<QLabel*>();
                        label && label->textFormat() == Qt::PlainText) {
                        watch.labels.push_back(label->text());
                    }
                }
            }
            watch.modified.push_back(f.Commands().Modified());
            watch.atomCounts.push_back(state.Atoms.AtomCount);
            if (click && watch.modified.size() == 1) {
                const QPointF at(5, 5);
                for (const QEvent::Type type :
                     {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                    QCoreApplication::postEvent(
                        f.RotateZ,
                        new QMouseEvent(
                            type, at, f.RotateZ->mapToGlobal(at), Qt::LeftButton,
                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                            Qt::NoModifier));
                }
            }
        });
        timer->start();
        timers_.push_back(timer);
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

TEST_F(ProgressWindowTest, ALongOpenShowsProgressAndAClickWaitsForIt) {
    TForm1& f = Form();
    OpenFromMenu(WriteFile("small.txt", kThreeAtoms));
    f.Zangle->setText("90");
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
    // Then it turns the new molecule.
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.Commands().Modified());
    EXPECT_EQ(f.StringGrid1->Cells(1, 1).toStdString(), "-2");
    EXPECT_EQ(f.StringGrid1->Cells(2, 1).toStdString(), "1");
}

TEST_F(ProgressWindowTest, ALongSaveShowsProgressAndWritesTheSameBytes) {
    TForm1& f = Form();
    const std::string big = BigFile(300000);
    OpenFromMenu(big);
    const std::string quiet = files.File("quiet.out");
    Dialogs().saveAnswers.push_back(quiet);
    LongWork::SetTiming(1000000, 40);  // no dialog
    f.Save1->trigger();
    LongWork::SetTiming(0, 0);
    EXPECT_EQ(f.findChild<QProgressDialog*>(), nullptr);

    const std::string shown = files.File("shown.out");
    Dialogs().saveAnswers.push_back(shown);
    Watch watch;
    WatchDuring(watch, false);
    f.Save1->trigger();
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
    TForm1& f = Form();
    const std::string small = WriteFile("small.txt", kThreeAtoms);
    OpenFromMenu(small);
    const QString caption = f.windowTitle();
    const QString firstCell = f.StringGrid1->Cells(1, 1);
    bool pressed = false;
    auto* timer = new QTimer(&f);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, &f, [&pressed] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QProgressDialog*>(widget);
            auto* cancel = dialog ? dialog->findChild<QPushButton*>() : nullptr;
            if (!cancel || !dialog->isVisible() || pressed) continue;
            pressed = true;
            // As the window system gives it: to the dialog's window, at the
            // button's place.
            const QPointF at = cancel->mapTo(dialog, QPointF(3, 3));
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
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
    OpenFromMenu(BigFile(300000));
    delete timer;
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(errors.shown.empty());
    EXPECT_EQ(state.Atoms.AtomCount, 3);
    EXPECT_EQ(f.StringGrid1->Cells(1, 1), firstCell);
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
    f.Save1->trigger();
    delete timer;
    EXPECT_TRUE(dialogSeen);
    EXPECT_FALSE(buttonSeen);
    EXPECT_TRUE(errors.shown.empty());
}

}  // namespace pivora::test
