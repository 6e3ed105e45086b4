// The event guard and the error box: one report per failed event, with the
// full-stop rule, the arithmetic restored and held input released.

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <cfenv>
#include <new>

#include "UiTest.h"
#include "base/Error.h"
#include "support/AllocationLimit.h"

namespace pivora::test {
namespace {

struct StopCase {
    const char* message;
    const char* shown;
};

class FullStopRule : public ::testing::TestWithParam<StopCase> {};

TEST_P(FullStopRule, AppliesToTheShownMessage) {
    ErrorRecorder errors;
    Guarded([] { throw Error(ErrorKind::File, GetParam().message); });
    EXPECT_EQ(errors.shown, std::vector<std::string>{GetParam().shown});
}

TEST(ErrorBoxText, ShortMessagesWholeHugeOnesElided) {
    EXPECT_EQ(ErrorBoxText("'abc' は浮動小数点数ではありません."),
              QString::fromUtf8("'abc' は浮動小数点数ではありません."));
    // A field of 50 MB quoted in full by the conversion failure.
    const std::string huge = "'" + std::string(50u << 20, '7') + "' は浮動小数点数ではありません.";
    const QString shown = ErrorBoxText(huge);
    EXPECT_LT(shown.size(), 600);
    EXPECT_TRUE(shown.startsWith("'777"));
    EXPECT_TRUE(shown.contains(QString::fromUtf8(" … ")));
    EXPECT_TRUE(shown.endsWith(QString::fromUtf8("7' は浮動小数点数ではありません.")));
}

INSTANTIATE_TEST_SUITE_P(Messages, FullStopRule,
                         ::testing::Values(StopCase{"ファイルが見つかりません",
                                                    "ファイルが見つかりません."},
                                           StopCase{"I/O エラー (32)", "I/O エラー (32)"},
                                           StopCase{"'abc' は浮動小数点数ではありません",
                                                    "'abc' は浮動小数点数ではありません."},
                                           StopCase{"ends in a stop.", "ends in a stop."},
                                           StopCase{"trailing blank ", "trailing blank "},
                                           StopCase{"digit 7", "digit 7."}, StopCase{"", ""}));

TEST(Guard, MemoryFailureShowsTheMemoryMessage) {
    ErrorRecorder errors;
    Guarded([] { throw std::bad_alloc(); });
    EXPECT_EQ(errors.shown, std::vector<std::string>{"メモリが足りません."});
}

TEST(Guard, RestoresTheArithmeticSettingAfterAFailure) {
    ErrorRecorder errors;
    Guarded([] {
        std::fesetround(FE_UPWARD);
        std::feraiseexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID);
        throw FloatError(ErrorKind::DivideByZero);
    });
    EXPECT_EQ(errors.shown, std::vector<std::string>{"0 による浮動小数点数除算."});
    EXPECT_EQ(std::fegetround(), FE_TONEAREST);
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
}

TEST(Guard, ReleasesAMouseGrab) {
    ErrorRecorder errors;
    QWidget window;
    window.show();
    Guarded([&] {
        window.grabMouse();
        ASSERT_EQ(QWidget::mouseGrabber(), &window);
        throw Error(ErrorKind::File, "x");
    });
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(errors.shown.size(), 1u);
}

TEST(Guard, StopsTheRepeatOfAHeldSpinArrow) {
    ErrorRecorder errors;
    QWidget window;
    SpinBox spin(&window, 0, 100, 5);
    spin.setGeometry(0, 0, 58, 21);
    int runs = 0;
    spin.OnChange = [&] {
        ++runs;
        throw Error(ErrorKind::File, "held");
    };
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QStyleOptionSpinBox option;
    option.initFrom(&spin);
    option.subControls = QStyle::SC_SpinBoxUp;
    const QPoint up = spin.style()
                          ->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, &spin)
                          .center();
    QTest::mousePress(&spin, Qt::LeftButton, Qt::NoModifier, up);
    // Longer than the repeat's threshold and several of its periods.
    QTest::qWait(1000);
    QTest::mouseRelease(&spin, Qt::LeftButton, Qt::NoModifier, up);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(errors.shown, std::vector<std::string>{"held."});
    EXPECT_EQ(spin.Text(), "6");  // the step made before the failure stays
}

TEST(ErrorBox, IsAStopBoxWithOneOkButtonUnderTheApplicationTitle) {
    const auto box = MakeErrorBox(QString::fromUtf8("メモリが足りません."), nullptr);
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->windowTitle(), "Quandel");
    EXPECT_EQ(box->text(), QString::fromUtf8("メモリが足りません."));
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->standardButton(box->buttons().front()), QMessageBox::Ok);
}

// Text from a file shows as its characters: no bold, no image loaded.
TEST(ErrorBox, ShowsMessageAndDetailAsPlainText) {
    const auto box = MakeErrorBox("'<b>x</b>' is <img src=/dev/zero>", nullptr,
                                  "<i>the detail</i> <img src=/dev/zero>");
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->informativeText(), "<i>the detail</i> <img src=/dev/zero>");
    int texts = 0;
    for (const QLabel* label : box->findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        ++texts;
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
    }
    EXPECT_EQ(texts, 2);
    EXPECT_TRUE(MakeErrorBox("plain", nullptr)->informativeText().isEmpty());
}

TEST(Guard, ShowsTheDetailUnderTheMessage) {
    ErrorRecorder errors;
    Guarded([] { throw Error(ErrorKind::File, "I/O エラー (5)").WithDetail("It changed."); });
    EXPECT_EQ(errors.shown, std::vector<std::string>{"I/O エラー (5)"});
    EXPECT_EQ(errors.details, std::vector<std::string>{"It changed."});
}

// A message that quotes a field of 50 MB, while no megabyte can be had: it
// is shortened before anything is copied, and shown.
TEST(Guard, AHugeMessageIsShownWhenMemoryIsShort) {
    ErrorRecorder errors;
    Error huge = ConversionError(std::string(50u << 20, '7'));
    {
        const AllocationLimit limit(1 << 20);
        Guarded([&] { throw std::move(huge); });
    }
    ASSERT_EQ(errors.shown.size(), 1u);
    EXPECT_LT(errors.shown[0].size(), 1000u);
    EXPECT_EQ(errors.shown[0].rfind("'777", 0), 0u);
    EXPECT_NE(errors.shown[0].find(" … "), std::string::npos);
    const std::string end = "7' は浮動小数点数ではありません.";
    EXPECT_EQ(errors.shown[0].substr(errors.shown[0].size() - end.size()), end);
}

// A box that fails is tried once more with the memory message; when that
// fails too, the terminal hears of it. A failure is never swallowed.
TEST(Guard, ABoxThatFailsFallsBackToTheMemoryMessageThenToTheTerminal) {
    ErrorRecorder errors;
    int calls = 0;
    SetErrorBox([&](const std::string& text) {
        if (++calls == 1) throw std::bad_alloc();
        errors.shown.push_back(text);
    });
    Guarded([] { throw Error(ErrorKind::File, "ファイルが見つかりません"); });
    EXPECT_EQ(errors.shown, std::vector<std::string>{"メモリが足りません."});

    SetErrorBox([](const std::string&) { throw std::bad_alloc(); });
    ::testing::internal::CaptureStderr();
    Guarded([] { throw Error(ErrorKind::File, "ファイルが見つかりません"); });
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("メモリが足りません."),
              std::string::npos);
}

TEST_F(FormTest, FailureInANestedHandlerEndsTheOuterHandlerAndIsShownOnce) {
    MainWindow& f = Form();
    OpenFromMenu(WriteFile("mol.xyz", "O 0 0 0\nA 3 4 0\n"));
    Ui(f).vectorAtoms[0][0]->SetValue(1);
    Ui(f).vectorAtoms[0][4]->SetValue(2);
    // Scale 0 fails the redraw that FitX reaches through its nested turn.
    Ui(f).plotScale->setFocus();
    Ui(f).plotScale->selectAll();
    QTest::keyClicks(Ui(f).plotScale, "0");
    errors.shown.clear();
    Ui(f).fitX->click();
    EXPECT_EQ(errors.shown, std::vector<std::string>{"不正な浮動小数点数演算命令."});
    // Done before the failure: the angle, the turn and the grid.
    EXPECT_EQ(Ui(f).angleZ->Text(), "-53.130102354156");
    EXPECT_EQ(Ui(f).atomGrid->Cells(1, 2), "5");
    // Not done: the components the redraw would have written.
    EXPECT_EQ(Ui(f).components[0][0]->Text(), "3");
    EXPECT_EQ(Ui(f).components[0][1]->Text(), "4");
}

TEST_F(FormTest, ProgramSetsLetFailuresReachTheCallerUnshown) {
    MainWindow& f = Form();
    Ui(f).vectorAtoms[0][0]->OnChange = [] { throw Error(ErrorKind::File, "direct"); };
    EXPECT_THROW(Ui(f).vectorAtoms[0][0]->SetValue(4), Error);
    EXPECT_EQ(Ui(f).vectorAtoms[0][0]->Text(), "4");
    EXPECT_TRUE(errors.shown.empty());
}

}  // namespace
}  // namespace pivora::test
