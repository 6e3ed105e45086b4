#include "ui/EventGuard.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>
#include <new>

#include "model/Error.h"
#include "ui/Startup.h"
#include "ui/Widgets.h"

namespace pivora {
namespace {

void ShowRealErrorBox(const std::string& text) {
    MakeErrorBox(ErrorBoxText(text), QApplication::activeWindow())->exec();
}

ErrorBoxFunction& CurrentErrorBox() {
    static ErrorBoxFunction box = ShowRealErrorBox;
    return box;
}

std::string MessageOf(const std::exception& failure) {
    if (const auto* error = dynamic_cast<const Error*>(&failure)) return error->Message();
    if (dynamic_cast<const std::bad_alloc*>(&failure)) return OutOfMemoryError().Message();
    return failure.what();
}

// A failure can strike while the user holds a spin arrow or a grab is
// active; the modal box would then never see the release, and the repeat
// would keep firing the failing handler behind it.
void ReleaseInput() {
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    if (QWidget* grabber = QWidget::keyboardGrabber()) grabber->releaseKeyboard();
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* spin = qobject_cast<TSpinEdit*>(widget)) spin->StopAutoRepeat();
    }
}

}  // namespace

void SetErrorBox(ErrorBoxFunction box) {
    CurrentErrorBox() = box ? std::move(box) : ErrorBoxFunction(ShowRealErrorBox);
}

QString ErrorBoxText(const std::string& text) {
    // A message that quotes a whole field of a broken file can run to
    // megabytes, which a message box would take minutes to lay out.
    constexpr qsizetype kHead = 400;
    constexpr qsizetype kTail = 150;
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (shown.size() <= kHead + kTail + 50) return shown;
    return shown.left(kHead) + QString::fromUtf8(" … ") + shown.right(kTail);
}

std::unique_ptr<QMessageBox> MakeErrorBox(const QString& text, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, QString(kApplicationTitle),
                                             text, QMessageBox::Ok, parent);
    box->setDefaultButton(QMessageBox::Ok);
    return box;
}

void ReportFailure(const std::exception& failure) noexcept {
    InstallArithmeticSetting();
    try {
        ReleaseInput();
        CurrentErrorBox()(WithFullStop(MessageOf(failure)));
    } catch (...) {
        // Nothing is left that could report it; the program goes on.
    }
}

}  // namespace pivora
