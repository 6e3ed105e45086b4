#include "ui/LongWork.h"

#include <QApplication>
#include <QDropEvent>
#include <QEvent>
#include <QLabel>
#include <QProgressDialog>
#include <QWidget>
#include <QWindow>

#include "ui/ErrorBox.h"
#include "ui/Startup.h"

namespace pivora {
namespace {

int g_showAfterMs = 1000;
int g_paintEveryMs = 40;
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

LongWork::LongWork(QWidget* window, QString label, bool cancellable)
    : window_(window), label_(std::move(label)), cancellable_(cancellable) {
    // A spin arrow held down would go on repeating from its timer.
    ReleaseInput();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(this);
    // The dialog that chose the file has just gone: what it covered is
    // painted now, not once the work is over.
    if (window_) window_->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    clock_.start();
}

LongWork::~LongWork() {
    qApp->removeEventFilter(this);
    delete dialog_.data();
    QApplication::restoreOverrideCursor();
    for (auto& [receiver, event] : held_) {
        if (receiver) QCoreApplication::postEvent(receiver, event.release());
    }
    if (closeAsked_ && window_) {
        QMetaObject::invokeMethod(window_, &QWidget::close, Qt::QueuedConnection);
    }
}

QProgressDialog* LongWork::Dialog() const {
    return dialog_.data();
}

ProgressReport LongWork::Report() {
    return [this](std::uint64_t done, std::uint64_t total) { Heard(done, total); };
}

void LongWork::Heard(std::uint64_t done, std::uint64_t total) {
    const qint64 now = clock_.elapsed();
    if (now - lastPainted_ < g_paintEveryMs) return;
    lastPainted_ = now;
    if (!dialog_ && now >= g_showAfterMs && done < total) {
        // Not modal: a modal progress dialog takes in user input as it
        // paints, and the window's input must wait for the work instead.
        // Without a text for its button, the dialog has none.
        dialog_ = new QProgressDialog(
            QString(), cancellable_ ? QStringLiteral("Cancel") : QString(), 0, kSteps, window_);
        dialog_->setObjectName("ProgressDialog");
        // The label names the file: plain text, whatever the name holds.
        auto* label = new QLabel(label_);
        label->setTextFormat(Qt::PlainText);
        dialog_->setLabel(label);
        dialog_->setWindowTitle(QString::fromUtf8(kApplicationTitle));
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setMinimumDuration(0);
        dialog_->show();
    }
    if (dialog_ && total > 0) {
        dialog_->setValue(static_cast<int>(done * kSteps / total));
    }
    // With a Cancel button to press, input is let in and the filter holds
    // back all but the dialog's own.
    const bool listen = cancellable_ && dialog_;
    QCoreApplication::processEvents(listen ? QEventLoop::AllEvents
                                           : QEventLoop::ExcludeUserInputEvents);
    if (listen && dialog_->wasCanceled()) throw Cancelled{};
}

bool LongWork::ForDialog(const QObject* watched) const {
    if (!dialog_) return false;
    // The window system's input reaches the dialog's window first, then the
    // widget under the pointer or with the focus.
    if (!watched->isWidgetType()) return watched == dialog_->windowHandle();
    const auto* widget = static_cast<const QWidget*>(watched);
    return widget == dialog_.data() || dialog_->isAncestorOf(widget);
}

bool LongWork::eventFilter(QObject* watched, QEvent* event) {
    // Input from the window system waits in its queue while the work runs,
    // unless a Cancel button is to be pressed; what reaches a widget here
    // waits with us, but for the progress dialog's own.
    const bool user = IsUserInput(event->type());
    if (user || event->type() == QEvent::MouseMove) {
        if (ForDialog(watched)) return false;
        // A drag over the window would select grid rows meanwhile; moves
        // are dropped, not kept.
        if (user) held_.emplace_back(watched, event->clone());
        return true;
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
