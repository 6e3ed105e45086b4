// The rules of the controls that the handlers rely on.

#include <QFocusEvent>
#include <QTest>
#include <climits>

#include "UiTest.h"

namespace pivora::test {
namespace {

struct TextValue {
    const char* text;
    int value;  // with the lower limit 7
};

class SpinText : public ::testing::TestWithParam<TextValue> {};

TEST_P(SpinText, IsTheValueOrElseTheLowerLimit) {
    EXPECT_EQ(SpinTextValue(GetParam().text, 7), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SpinText,
    ::testing::Values(TextValue{"5", 5}, TextValue{"+5", 5}, TextValue{"-3", -3},
                      TextValue{"007", 7}, TextValue{"", 7}, TextValue{"-", 7}, TextValue{"1.5", 7},
                      TextValue{" 5", 7}, TextValue{"--1", 7}, TextValue{"2147483647", INT_MAX},
                      TextValue{"2147483648", 7}, TextValue{"-2147483648", INT_MIN},
                      TextValue{"-2147483649", 7}));

struct ClampCase {
    int value, lower, upper, result;
};

class SpinLimits : public ::testing::TestWithParam<ClampCase> {};

TEST_P(SpinLimits, BringAValueIntoRange) {
    const ClampCase& c = GetParam();
    EXPECT_EQ(SpinClamp(c.value, c.lower, c.upper), c.result);
}

INSTANTIATE_TEST_SUITE_P(Cases, SpinLimits,
                         ::testing::Values(ClampCase{50, 1, 100, 50}, ClampCase{150, 1, 100, 100},
                                           ClampCase{-4, 1, 100, 1}, ClampCase{2, 1, 1, 2},
                                           ClampCase{-9, 0, 0, -9}, ClampCase{2, 1, 0, 0},
                                           ClampCase{1, 1, 0, 0}, ClampCase{0, 1, 0, 1}));

// A spin box in a shown window, counting its change events.
class SpinBox : public ::testing::Test {
  protected:
    SpinBox() : spin(&window, 1, 100, 1) {
        spin.setGeometry(0, 0, 58, 21);
        spin.OnChange = [this] { ++changes; };
        window.show();
    }
    void TypeOver(const char* keys) {
        spin.selectAll();
        QTest::keyClicks(&spin, keys);
    }
    void LoseFocus(Qt::FocusReason reason) {
        QFocusEvent event(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(&spin, &event);
    }

    ErrorRecorder errors;
    QWidget window;
    pivora::SpinBox spin;
    int changes = 0;
};

TEST_F(SpinBox, ProgramSetsApplyTheLimitsAndRaiseOnlyRealChanges) {
    spin.SetValue(5);
    EXPECT_EQ(spin.Text(), "5");
    EXPECT_EQ(changes, 1);
    spin.SetValue(5);
    EXPECT_EQ(changes, 1);
    spin.SetValue(500);
    EXPECT_EQ(spin.Text(), "100");
    spin.SetValue(100);
    EXPECT_EQ(changes, 2);
    // A new limit alone leaves the text; the next set applies it.
    spin.SetMaxValue(3);
    EXPECT_EQ(spin.Text(), "100");
    spin.SetValue(spin.Value());
    EXPECT_EQ(spin.Text(), "3");
}

TEST_F(SpinBox, TypingIgnoresTheLimitsUntilTheFocusMovesOn) {
    TypeOver("500");
    EXPECT_EQ(spin.Text(), "500");
    EXPECT_EQ(spin.Value(), 500);
    EXPECT_EQ(changes, 3);  // one change a key
    // Another window or a popup taking the focus is no move inside the window.
    LoseFocus(Qt::ActiveWindowFocusReason);
    LoseFocus(Qt::PopupFocusReason);
    EXPECT_EQ(spin.Text(), "500");
    LoseFocus(Qt::TabFocusReason);
    EXPECT_EQ(spin.Text(), "100");
    EXPECT_EQ(changes, 4);
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(SpinBox, AnyTextThatIsNoIntegerReadsAsTheLowerLimit) {
    TypeOver("-");
    EXPECT_EQ(spin.Text(), "-");
    EXPECT_EQ(spin.Value(), 1);
    // Already inside the limits: losing the focus leaves the text.
    LoseFocus(Qt::MouseFocusReason);
    EXPECT_EQ(spin.Text(), "-");
}

TEST_F(SpinBox, EqualLimitsApplyNever) {
    spin.SetMaxValue(1);
    spin.SetValue(7);
    EXPECT_EQ(spin.Text(), "7");
    TypeOver("-40");
    LoseFocus(Qt::TabFocusReason);
    EXPECT_EQ(spin.Text(), "-40");
}

struct Typing {
    char separator;
    const char* keys;
    const char* text;
};

class SpinTyping : public SpinBox, public ::testing::WithParamInterface<Typing> {};

TEST_P(SpinTyping, TakesDigitsSignsAndTheSeparatorOnly) {
    SetDecimalSeparator(GetParam().separator);
    TypeOver(GetParam().keys);
    EXPECT_EQ(spin.Text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Keys, SpinTyping,
                         ::testing::Values(Typing{'.', "1a2.3,+ -e", "12.3+-"},
                                           Typing{',', "1a2.3,+ -e", "123,+-"},
                                           Typing{'.', "xyz", "1"}));

TEST_F(SpinBox, EnterDoesNothingAndEditingKeysWork) {
    TypeOver("42");
    const int before = changes;
    QTest::keyClick(&spin, Qt::Key_Return);
    QTest::keyClick(&spin, Qt::Key_Enter);
    EXPECT_EQ(spin.Text(), "42");
    EXPECT_EQ(changes, before);
    QTest::keyClick(&spin, Qt::Key_Backspace);
    QTest::keyClick(&spin, Qt::Key_Home);
    QTest::keyClick(&spin, Qt::Key_Delete);
    EXPECT_EQ(spin.Text(), "");
    // Shortcuts edit: select all, then typing replaces the text.
    QTest::keyClicks(&spin, "17");
    QTest::keyClick(&spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&spin, "9");
    EXPECT_EQ(spin.Text(), "9");
}

TEST_F(SpinBox, ArrowKeysStepByOneWithinTheLimits) {
    spin.SetValue(99);
    changes = 0;
    QTest::keyClick(&spin, Qt::Key_Up);
    EXPECT_EQ(spin.Text(), "100");
    QTest::keyClick(&spin, Qt::Key_Up);
    EXPECT_EQ(spin.Text(), "100");
    EXPECT_EQ(changes, 1);
    QTest::keyClick(&spin, Qt::Key_Down);
    EXPECT_EQ(spin.Text(), "99");
    // From a text that is no integer, stepping starts at the lower limit.
    TypeOver("-");
    QTest::keyClick(&spin, Qt::Key_Up);
    EXPECT_EQ(spin.Text(), "2");
}

TEST(TextBox, SettingItsOwnTextRaisesNothing) {
    ErrorRecorder errors;
    TextBox edit(nullptr, "None");
    int changes = 0;
    edit.OnChange = [&] { ++changes; };
    edit.SetText("None");
    EXPECT_EQ(changes, 0);
    edit.SetText("C1");
    edit.SetText("C1");
    EXPECT_EQ(changes, 1);
    QTest::keyClicks(&edit, "x");  // the program leaves the caret at the start
    EXPECT_EQ(edit.Text(), "xC1");
    EXPECT_EQ(changes, 2);
}

TEST(TextBox, KeepsLabelBytesThroughTheLocalEncoding) {
    TextBox edit(nullptr, "");
    const std::string label = "Fe\xc3\xa9";  // "Feé" in UTF-8
    edit.SetText(label);
    EXPECT_EQ(edit.text(), QString::fromUtf8("Feé"));
    EXPECT_EQ(edit.Text(), label);
}

TEST(CheckBox, RaisesItsClickOnEveryChangeOfState) {
    ErrorRecorder errors;
    CheckBox check(nullptr, true);
    std::vector<bool> seen;
    check.OnClick = [&] { seen.push_back(check.Checked()); };
    check.SetChecked(true);
    EXPECT_TRUE(seen.empty());
    check.SetChecked(false);
    check.click();  // the user
    check.click();
    check.SetChecked(false);
    EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));
}

}  // namespace
}  // namespace pivora::test
