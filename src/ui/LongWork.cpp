#include "ui/LongWork.h"

#include <QApplication>
#include <QDropEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QProgressDialog>
#include <QShortcutEvent>
#include <QWidget>
#include <QWindow>

#include "ui/ErrorBox.h"
#include "ui/Language.h"

namespace pivora {
namespace {

int g_showAfterMs = 1000;
int g_paintEveryMs = 40;
std::function<qint64()> g_clock;
constexpr int kSteps = 1000;

// Events by which the user gives commands.
bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
    }
}

}  // namespace

void LongWork::SetTiming(int showAfterMs, int paintEveryMs) {
    g_showAfterMs = showAfterMs;
    g_paintEveryMs = paintEveryMs;
}

void LongWork::SetClock(std::function<qint64()> clock) {
    g_clock = std::move(clock);
}

LongWork::LongWork(QWidget* window, QString label, bool cancellable)
    : window_(window), label_(std::move(label)), cancellable_(cancellable) {
    // A spin arrow held down would go on repeating from its timer.
    ReleaseInput();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
    clock_.start();
    if (g_clock) started_ = g_clock();
    // The dialog that chose the file has just gone: what it covered is
    // painted now, not once the work is over.
    if (window_) window_->repaint();
    QCoreApplication::processEvents();
}

LongWork::~LongWork() {
    delete dialog_.data();
    // Input that reached the program while the work ran but is still in the
    // window system's queue is taken now, and dropped with the rest.
    QCoreApplication::processEvents();
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    if (closeAsked_ && window_) {
        QMetaObject::invokeMethod(window_, &QWidget::close, Qt::QueuedConnection);
    }
}

ProgressReport LongWork::Report() {
    return [this](std::uint64_t done, std::uint64_t total) { Heard(done, total); };
}

qint64 LongWork::Elapsed() const {
    return g_clock ? g_clock() - started_ : clock_.elapsed();
}

void LongWork::ShowDialog() {
    // Not modal: a modal progress dialog would take the window's input as
    // it paints. Without a text for its button, the dialog has none.
    dialog_ = new QProgressDialog(QString(), cancellable_ ? QStringLiteral("Cancel") : QString(), 0,
                                  kSteps, window_);
    dialog_->setObjectName("ProgressDialog");
    // The label names the file: plain text, whatever the name holds.
    auto* label = new QLabel(label_);
    label->setTextFormat(Qt::PlainText);
    dialog_->setLabel(label);
    dialog_->setWindowTitle(ApplicationTitle());
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumDuration(0);
    dialog_->show();
}

void LongWork::Heard(std::uint64_t done, std::uint64_t total) {
    const qint64 now = Elapsed();
    if (now - lastPainted_ < g_paintEveryMs) return;
    lastPainted_ = now;
    if (!dialog_ && now >= g_showAfterMs && done < total) ShowDialog();
    if (dialog_ && total > 0) {
        dialog_->setValue(static_cast<int>(done * kSteps / total));
    }
    // The filter drops the input that comes, but for the dialog's own.
    QCoreApplication::processEvents();
    if (cancellable_ && (cancelled_ || (dialog_ && dialog_->wasCanceled()))) throw Cancelled{};
}

bool LongWork::ForDialog(const QObject* watched) const {
    if (!dialog_) return false;
    // The window system's input reaches the dialog's window first, then the
    // widget under the pointer or with the focus; a shortcut goes to an
    // object of the dialog's.
    if (watched == dialog_->windowHandle()) return true;
    for (const QObject* at = watched; at; at = at->parent()) {
        if (at == dialog_.data()) return true;
    }
    return false;
}

bool LongWork::eventFilter(QObject* watched, QEvent* event) {
    const bool user = IsUserInput(event->type());
    if (user || event->type() == QEvent::MouseMove) {
        // Escape gives the work up wherever the focus is: the dialog, not
        // being modal, need not have it. It comes as a key, or as a shortcut
        // where one of Escape is found (the dialog's own, for one).
        const bool escape =
            (event->type() == QEvent::KeyPress &&
             static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) ||
            (event->type() == QEvent::Shortcut &&
             static_cast<QShortcutEvent*>(event)->key() == QKeySequence(Qt::Key_Escape));
        if (cancellable_ && escape) {
            cancelled_ = true;
            return true;
        }
        return !ForDialog(watched);
    }
    if (event->type() == QEvent::Close && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
        // Closing the window asks about saving: after the work.
        if (watched == window_.data()) closeAsked_ = true;
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        static_cast<QDropEvent*>(event)->ignore();
        return true;
    }
    return false;
}

}  // namespace pivora
