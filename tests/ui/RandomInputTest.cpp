// A few thousand random user events on the main window: typing into boxes,
// spin arrows, focus changes, command buttons, check boxes and opens of good
// and bad files. After each event the window must still hold its
// invariants, and a failure must have been reported at most once.

#include <QApplication>
#include <QFocusEvent>
#include <QTest>
#include <cmath>
#include <random>

#include "UiTest.h"

namespace pivora::test {
namespace {

class RandomInput : public FormTest {
  protected:
    void SetUp() override {
        good_ = WriteFile("good.xyz",
                          "Co 3.412 -1.205 0.876\nN1 3.99293 0.163586 2.168436\n"
                          "N2 2.83107 -2.573586 -0.416436\nN3 1.545444 -0.961301 1.45693\n"
                          "H1 4.5 0.5 2.9\n");
        bad_ = WriteFile("bad.xyz", "Co 0 0 0\nN1 1 two 3\n");
        empty_ = WriteFile("empty.xyz", "");
        one_ = WriteFile("one.xyz", "Fe 0 0 1.5\n");
        Form().show();
    }

    // One user event: a change of focus, a key, a click or an open.
    void OneEvent(std::mt19937& rng) {
        MainWindow& f = Form();
        QWidget* boxes[] = {Ui(f).vectorAtoms[0][0],
                            Ui(f).vectorAtoms[0][1],
                            Ui(f).vectorAtoms[0][3],
                            Ui(f).vectorAtoms[0][4],
                            Ui(f).vectorAtoms[0][7],
                            Ui(f).vectorAtoms[1][0],
                            Ui(f).vectorAtoms[1][2],
                            Ui(f).vectorAtoms[1][4],
                            Ui(f).vectorAtoms[1][6],
                            Ui(f).centerAtoms[0],
                            Ui(f).centerAtoms[1],
                            Ui(f).plotScale,
                            Ui(f).angleZ,
                            Ui(f).angleX,
                            Ui(f).angleY,
                            Ui(f).components[0][0],
                            Ui(f).components[0][1],
                            Ui(f).components[0][2],
                            Ui(f).components[1][0],
                            Ui(f).components[1][1],
                            Ui(f).components[1][2]};
        QAbstractButton* buttons[] = {Ui(f).centerButton, Ui(f).rotateZ,       Ui(f).rotateX,
                                      Ui(f).rotateY,      Ui(f).fitX,          Ui(f).fitY,
                                      Ui(f).fitZ,         Ui(f).fitsVector[0], Ui(f).fitsVector[1]};
        static const char kKeys[] = "0123456789-+.,aE";
        const unsigned kind = rng() % 20;
        if (kind < 4) {
            boxes[rng() % std::size(boxes)]->setFocus();
        } else if (kind < 12) {
            QWidget* target =
                QApplication::focusWidget() ? QApplication::focusWidget() : Ui(f).vectorAtoms[0][0];
            switch (rng() % 6) {
                case 0:
                    QTest::keyClick(target, Qt::Key_Backspace);
                    break;
                case 1:
                    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
                    break;
                case 2:
                    QTest::keyClick(target, rng() % 2 ? Qt::Key_Up : Qt::Key_Down);
                    break;
                default:
                    QTest::keyClick(target, kKeys[rng() % (sizeof kKeys - 1)]);
                    break;
            }
        } else if (kind < 18) {
            buttons[rng() % std::size(buttons)]->click();
        } else {
            const std::string* choices[] = {&good_, &good_, &bad_, &empty_, &one_};
            const unsigned pick = rng() % 6;
            Dialogs().openAnswers.push_back(pick < 5 ? *choices[pick] : files.File("missing.xyz"));
            Ui(f).openAction->trigger();
        }
    }

    void ExpectInvariants(std::size_t reportsBefore, int event) {
        MainWindow& f = Form();
        ASSERT_NE(Ui(f).fitsVector[0]->Checked(), Ui(f).fitsVector[1]->Checked())
            << "event " << event;
        const AtomTable& t = state.Atoms;
        ASSERT_GE(t.AtomCount, 0);
        if (t.Capacity() > 0) {
            ASSERT_EQ(t.Capacity(), static_cast<std::size_t>(t.AtomCount) + 10);
            ASSERT_EQ(t.AtomName[0], "None");
        }
        for (std::size_t i = 0; i < t.Capacity(); ++i) {
            ASSERT_TRUE(std::isfinite(t.AtomX[i]) && std::isfinite(t.AtomY[i]) &&
                        std::isfinite(t.AtomZ[i]))
                << "event " << event << " slot " << i;
        }
        ASSERT_LE(errors.shown.size(), reportsBefore + 1) << "event " << event;
        for (std::size_t i = reportsBefore; i < errors.shown.size(); ++i)
            ASSERT_FALSE(errors.shown[i].empty()) << "event " << event;
    }

    std::string good_, bad_, empty_, one_;
};

TEST_F(RandomInput, ThousandsOfEventsKeepTheWindowSound) {
    std::mt19937 rng(20261208);
    for (int event = 0; event < 5000; ++event) {
        const std::size_t before = errors.shown.size();
        OneEvent(rng);
        ExpectInvariants(before, event);
        if (HasFatalFailure()) return;
    }
    // The run must have exercised failures as well as successes.
    EXPECT_GT(errors.shown.size(), 10u);
    EXPECT_GT(state.Atoms.Capacity(), 0u);
}

}  // namespace
}  // namespace pivora::test
