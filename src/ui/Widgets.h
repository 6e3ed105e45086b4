#pragma once
// The controls of the windows: thin classes over Qt widgets that keep the
// rules the handlers rely on.
//
// A control runs its handler for every change, made in one of two ways. A
// change by the user arrives as a Qt event; the handler then runs inside the
// event guard. A change by the program (SetValue, SetText, SetChecked) sets
// the Qt widget with its signals blocked and then calls the handler directly,
// as a plain C++ call, so that a failure unwinds through the handler that
// made the change, never through Qt's event code.

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/Controls.h"
#include "view/Canvas.h"

class QAction;

namespace pivora {
class Canvas;
class QtCanvas;
}  // namespace pivora

namespace pivora {

using Handler = std::function<void()>;

// Runs handler inside the event guard whenever action is triggered.
void ConnectGuarded(QAction* action, Handler handler);

// Answers widget's tool-tip event with the text that textAt gives for the
// point under the mouse (run inside the event guard), shown as plain text;
// no tool tip where the text is empty.
void AnswerToolTip(QWidget* widget, QEvent* event, const std::function<QString(QPoint)>& textAt);

// True for a character that typing may put into a spin box: a digit, "+",
// "-" or the decimal separator.
bool SpinAcceptsCharacter(char16_t c, char decimalSeparator);

// Integer spin box whose value is its text. The arrows, the Up and Down keys
// and the wheel step the value by 1. The limits apply only when the program
// sets a value or the box loses the focus to another control of its window,
// never while the user types, and never when both limits are equal. Typing
// takes only digits, signs, the decimal separator and editing keys; Enter
// does nothing.
class SpinBox : public QAbstractSpinBox {
    Q_OBJECT
  public:
    SpinBox(QWidget* parent, int minValue, int maxValue, int value);

    // The text as an integer, or MinValue when it is not one.
    int Value() const;
    // Sets the text to value brought into the limits; raises OnChange when
    // the text changes.
    void SetValue(int value);

    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }
    // Changes the upper limit only; the text stays as it is.
    void SetMaxValue(int value) { max_ = value; }

    // The text as bytes.
    std::string Text() const;

    // Shows what the program holds for the box, raising nothing.
    void Show(std::string_view text, int minValue, int maxValue);

    // Ends a held arrow's repeat, whether the mouse or a key holds it.
    void StopAutoRepeat();

    Handler OnChange;

  protected:
    void stepBy(int steps) override;
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void WriteText(const QString& text);

    int min_;
    int max_;
};

// Single-line text box. Setting the text it already holds changes nothing
// and raises nothing.
class TextBox : public QLineEdit {
    Q_OBJECT
  public:
    TextBox(QWidget* parent, std::string_view text);

    // The text as bytes (local 8-bit encoding).
    std::string Text() const;
    // Shows bytes decoded as local 8-bit text from its start; raises OnChange
    // when the text changes. A text too long for the box is also its tool
    // tip, as plain text and at most a few hundred characters of it.
    void SetText(std::string_view bytes);
    // The same, raising nothing.
    void Show(std::string_view bytes);

    // For a box of numbers: a text wider than the box is shown in a smaller
    // font while the box is not being edited, so that no digit is hidden
    // (a cut exponent would make 9.05E-17 read as 9.05). Off by default.
    void SetShrinkToFit(bool shrink);

    Handler OnChange;

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ShowText(const QString& text);
    void ShowWholeTextAsToolTip();
    void FitFont();

    bool shrink_ = false;
};

// Check box whose OnClick runs on every change of its state, by the user or
// by the program; setting the state it already has raises nothing.
class CheckBox : public QCheckBox {
    Q_OBJECT
  public:
    CheckBox(QWidget* parent, bool checked);

    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked);
    // Shows a state, raising nothing.
    void Show(bool checked);

    Handler OnClick;
};

class Button : public QPushButton {
    Q_OBJECT
  public:
    Button(QWidget* parent, const char* caption);

    Handler OnClick;
};

// A drawing pane: a picture of the pane's size that stays until it is painted
// over. The pane shows nothing of its own until its surface is first used.
class PaneView : public QWidget {
    Q_OBJECT
  public:
    explicit PaneView(QWidget* parent);
    ~PaneView() override;

    bool HasPicture() const { return !picture_.isNull(); }
    // The picture; null until the first Surface().
    const QImage& Picture() const { return picture_; }
    // The surface to draw on, with the picture created white at the pane's
    // size on first use. The pane repaints itself after the running handler.
    Canvas& Surface();
    // A canvas that draws on Surface() call by call, so that the picture is
    // created only when something is drawn.
    Canvas& Drawing() { return drawing_; }
    // Drops the picture: the pane shows nothing of its own until drawn again.
    void Forget();

    // A left click on pixel (x, y) of the pane, run inside the event guard.
    std::function<void(int x, int y)> OnClickAt;
    // The same with Ctrl held; no OnClickAt then.
    std::function<void(int x, int y)> OnCtrlClickAt;
    // The tool tip over pixel (x, y), plain text; none when empty.
    std::function<QString(int x, int y)> ToolTipAt;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    class LazyCanvas : public Canvas {
      public:
        explicit LazyCanvas(PaneView& image) : image_(image) {}
        void SetBrushColor(Color color) override { image_.Surface().SetBrushColor(color); }
        void SetPenColor(Color color) override { image_.Surface().SetPenColor(color); }
        void SetPenWidth(int width) override { image_.Surface().SetPenWidth(width); }
        void Rectangle(int x1, int y1, int x2, int y2) override {
            image_.Surface().Rectangle(x1, y1, x2, y2);
        }
        void MoveTo(int x, int y) override { image_.Surface().MoveTo(x, y); }
        void LineTo(int x, int y) override { image_.Surface().LineTo(x, y); }
        void Dots(const DotList& dots) override { image_.Surface().Dots(dots); }
        void Sticks(const StickList& sticks) override { image_.Surface().Sticks(sticks); }

      private:
        PaneView& image_;
    };

    QImage picture_;
    std::unique_ptr<QtCanvas> canvas_;
    LazyCanvas drawing_{*this};
};

}  // namespace pivora
