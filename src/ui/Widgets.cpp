#include "ui/Widgets.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QToolTip>
#include <algorithm>
#include <limits>

#include "numeric/DecimalText.h"
#include "ui/EventGuard.h"
#include "ui/QtCanvas.h"
#include "ui/ShownText.h"

namespace pivora {
namespace {

QString FromBytes(std::string_view bytes) {
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

void RunIfSet(const Handler& handler) {
    if (handler) handler();
}

// A change by the program: made with the widget's signals blocked, so that
// no Qt slot sees it, then the handler as a plain call.
template <typename Change>
void ProgramChange(QObject* widget, Change change, const Handler& handler) {
    {
        const QSignalBlocker blocker(widget);
        change();
    }
    RunIfSet(handler);
}

}  // namespace

void ConnectGuarded(QAction* action, Handler handler) {
    QObject::connect(action, &QAction::triggered, action,
                     [handler = std::move(handler)] { Guarded(handler); });
}

bool SpinAcceptsCharacter(char16_t c, char decimalSeparator) {
    return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' ||
           c == static_cast<char16_t>(static_cast<unsigned char>(decimalSeparator));
}

// --- SpinBox ---

SpinBox::SpinBox(QWidget* parent, int minValue, int maxValue, int value)
    : QAbstractSpinBox(parent), min_(minValue), max_(maxValue) {
    lineEdit()->setText(QString::number(SpinClamp(value, min_, max_)));
    // Every change of the text that the program did not make with its
    // signals blocked is the user's: typing, cutting, pasting, undoing.
    connect(lineEdit(), &QLineEdit::textChanged, this,
            [this] { Guarded([this] { RunIfSet(OnChange); }); });
}

int SpinBox::Value() const {
    return SpinTextValue(Text(), min_);
}

void SpinBox::SetValue(int value) {
    WriteText(QString::number(SpinClamp(value, min_, max_)));
}

std::string SpinBox::Text() const {
    return ToBytes(lineEdit()->text());
}

void SpinBox::StopAutoRepeat() {
    // QAbstractSpinBox has no public way to end a repeat. Its close handler
    // resets the arrow state and kills both repeat timers; called directly it
    // closes nothing.
    QCloseEvent event;
    QAbstractSpinBox::closeEvent(&event);
}

void SpinBox::Show(std::string_view text, int minValue, int maxValue) {
    min_ = minValue;
    max_ = maxValue;
    const QString shown = FromBytes(text);
    if (lineEdit()->text() == shown) return;
    const QSignalBlocker blocker(lineEdit());
    lineEdit()->setText(shown);
}

void SpinBox::WriteText(const QString& text) {
    if (lineEdit()->text() == text) return;
    ProgramChange(
        lineEdit(), [&] { lineEdit()->setText(text); }, OnChange);
}

void SpinBox::stepBy(int steps) {
    // Qt calls this only for the user's arrows, keys, wheel and repeat timer.
    Guarded([this, steps] {
        const long long next = static_cast<long long>(Value()) + steps;
        SetValue(static_cast<int>(std::clamp<long long>(next, std::numeric_limits<int>::min(),
                                                        std::numeric_limits<int>::max())));
    });
}

QAbstractSpinBox::StepEnabled SpinBox::stepEnabled() const {
    return isReadOnly() ? StepNone : (StepUpEnabled | StepDownEnabled);
}

void SpinBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    // Shortcuts (select all, copy, paste, undo) are editing, not typing.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        QAbstractSpinBox::keyPressEvent(event);
        return;
    }
    const char separator = DecimalSeparator();
    for (const QChar c : event->text()) {
        const char16_t u = c.unicode();
        const bool editingKey = u < 32 || u == 127;
        if (!editingKey && !SpinAcceptsCharacter(u, separator)) {
            event->accept();
            QApplication::beep();
            return;
        }
    }
    QAbstractSpinBox::keyPressEvent(event);
}

void SpinBox::focusOutEvent(QFocusEvent* event) {
    QAbstractSpinBox::focusOutEvent(event);
    switch (event->reason()) {
        case Qt::ActiveWindowFocusReason:  // another window, an error box, a dialog
        case Qt::PopupFocusReason:
        case Qt::MenuBarFocusReason:
            return;  // the focus stays with this control inside its window
        default:
            break;
    }
    Guarded([this] {
        const int value = Value();
        if (SpinClamp(value, min_, max_) != value) SetValue(value);
    });
}

// --- TextBox ---

TextBox::TextBox(QWidget* parent, std::string_view text) : QLineEdit(FromBytes(text), parent) {
    connect(this, &QLineEdit::textChanged, this, [this] {
        ShowWholeTextAsToolTip();
        Guarded([this] { RunIfSet(OnChange); });
    });
}

namespace {

// The frame and the line edit's own margins take about 4 pixels a side.
constexpr int kBorders = 8;
// The smallest font a number shrinks to; below it digits blur.
constexpr int kSmallestPixels = 7;

}  // namespace

void TextBox::ShowWholeTextAsToolTip() {
    // Hundreds of characters never fit; measuring megabytes would take long.
    // The box's own font decides: a number shown smaller keeps its tool tip.
    const QString& shown = text();
    const QFontMetrics own(parentWidget() ? parentWidget()->font() : font());
    const bool cut =
        shown.size() > kShownCharacters || own.horizontalAdvance(shown) > width() - kBorders;
    setToolTip(cut ? PlainToolTip(ShownHead(shown)) : QString());
    FitFont();
}

void TextBox::SetShrinkToFit(bool shrink) {
    shrink_ = shrink;
    FitFont();
}

void TextBox::FitFont() {
    if (!shrink_) return;
    // The font the box has from its window, and the size that fits the text;
    // while the user edits, the text keeps its usual size.
    QFont fitted = parentWidget() ? parentWidget()->font() : QFont();
    const QString& shown = text();
    if (!hasFocus() && shown.size() <= kShownCharacters) {
        int pixels = fitted.pixelSize() > 0 ? fitted.pixelSize() : 12;
        fitted.setPixelSize(pixels);
        while (pixels > kSmallestPixels &&
               QFontMetrics(fitted).horizontalAdvance(shown) > width() - kBorders) {
            fitted.setPixelSize(--pixels);
        }
    }
    if (font() != fitted) setFont(fitted);
}

void TextBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    FitFont();
}

void TextBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    FitFont();
    home(false);
}

void TextBox::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    FitFont();
}

std::string TextBox::Text() const {
    return ToBytes(text());
}

void TextBox::SetText(std::string_view bytes) {
    const QString text = FromBytes(bytes);
    if (this->text() == text) return;
    ProgramChange(
        this, [&] { ShowText(text); }, OnChange);
}

void TextBox::Show(std::string_view bytes) {
    const QString text = FromBytes(bytes);
    if (this->text() == text) return;
    const QSignalBlocker blocker(this);
    ShowText(text);
}

void TextBox::ShowText(const QString& text) {
    setText(text);
    ShowWholeTextAsToolTip();
    // Show the start, sign and leading digits, of a text too long for the
    // box; the line edit itself would scroll to its end.
    home(false);
}

// --- CheckBox ---

CheckBox::CheckBox(QWidget* parent, bool checked) : QCheckBox(parent) {
    setChecked(checked);
    connect(this, &QCheckBox::toggled, this, [this] { Guarded([this] { RunIfSet(OnClick); }); });
}

void CheckBox::SetChecked(bool checked) {
    if (isChecked() == checked) return;
    ProgramChange(
        this, [&] { setChecked(checked); }, OnClick);
}

void CheckBox::Show(bool checked) {
    if (isChecked() == checked) return;
    const QSignalBlocker blocker(this);
    setChecked(checked);
}

// --- Button ---

Button::Button(QWidget* parent, const char* caption) : QPushButton(caption, parent) {
    connect(this, &QPushButton::clicked, this, [this] { Guarded([this] { RunIfSet(OnClick); }); });
}

// --- PaneView ---

PaneView::PaneView(QWidget* parent) : QWidget(parent) {}

PaneView::~PaneView() = default;

Canvas& PaneView::Surface() {
    if (!canvas_) {
        picture_ = QImage(size(), QImage::Format_RGB32);
        picture_.fill(Qt::white);
        canvas_ = std::make_unique<QtCanvas>(picture_);
    }
    // Only schedules the repaint, which then shows all the drawing at once.
    update();
    return *canvas_;
}

void PaneView::Forget() {
    canvas_.reset();
    picture_ = QImage();
    update();
}

void PaneView::mousePressEvent(QMouseEvent* event) {
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    const auto& handler = ctrl ? OnCtrlClickAt : OnClickAt;
    if (event->button() != Qt::LeftButton || !handler) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    Guarded([&] { handler(at.x(), at.y()); });
}

void AnswerToolTip(QWidget* widget, QEvent* event, const std::function<QString(QPoint)>& textAt) {
    const auto* help = static_cast<QHelpEvent*>(event);
    QString text;
    Guarded([&] { text = textAt(help->pos()); });
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), PlainToolTip(text), widget);
    }
}

bool PaneView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip || !ToolTipAt) return QWidget::event(event);
    AnswerToolTip(this, event, [this](QPoint at) { return ToolTipAt(at.x(), at.y()); });
    return true;
}

void PaneView::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

}  // namespace pivora
