#include "ui/ErrorBox.h"

#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QWidget>
#include <new>

#include "model/Error.h"
#include "model/Extended.h"
#include "ui/ShownText.h"
#include "ui/Startup.h"
#include "ui/Widgets.h"

namespace pivora {
namespace {

void ShowRealErrorBox(const std::string& text, const std::string& detail) {
    MakeErrorBox(ErrorBoxText(text), QApplication::activeWindow(),
                 QString::fromUtf8(detail.data(), static_cast<qsizetype>(detail.size())))
        ->exec();
}

ErrorBoxFunction& CurrentErrorBox() {
    static ErrorBoxFunction box = ShowRealErrorBox;
    return box;
}

// Made at start-up, so that reporting a lack of memory needs none.
const std::string kMemoryText = WithFullStop(OutOfMemoryError().Message());

// Shows failure's message and detail, shortened first: a message that
// quotes a field of hundreds of megabytes must not need a copy of it.
void ShowInErrorBox(const std::exception& failure) {
    std::string detail;
    std::string text;
    if (const auto* error = dynamic_cast<const Error*>(&failure)) {
        text = WithFullStop(ShortenedMessage(error->Message()));
        detail = ShortenedMessage(error->Detail());
    } else if (dynamic_cast<const std::bad_alloc*>(&failure)) {
        text = kMemoryText;
    } else {
        text = WithFullStop(ShortenedMessage(failure.what()));
    }
    CurrentErrorBox()(text, detail);
}

}  // namespace

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

void SetErrorBox(ErrorBoxFunction box) {
    CurrentErrorBox() = box ? std::move(box) : ErrorBoxFunction(ShowRealErrorBox);
}

QString ErrorBoxText(const std::string& text) {
    // A message that quotes a whole field of a broken file can run to
    // megabytes, which a message box would take minutes to lay out.
    const std::string shown = ShortenedMessage(text);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

std::unique_ptr<QMessageBox> MakeErrorBox(const QString& text, QWidget* parent,
                                          const QString& detail) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, QString(kApplicationTitle),
                                             text, QMessageBox::Ok, parent);
    box->setDefaultButton(QMessageBox::Ok);
    box->setTextFormat(Qt::PlainText);
    if (!detail.isEmpty()) box->setInformativeText(detail);
    // The informative text has no format of its own to set: its label does.
    for (QLabel* label : box->findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    return box;
}

void ShowFailure(const std::exception& failure) noexcept {
    InstallArithmeticSetting();
    try {
        ReleaseInput();
    } catch (...) {
        // The box matters more than a released grab.
    }
    try {
        ShowInErrorBox(failure);
        return;
    } catch (...) {
    }
    // Most likely memory ran out on the way.
    try {
        CurrentErrorBox()(kMemoryText, std::string());
        return;
    } catch (...) {
    }
    // No box can be shown: the terminal, if any, hears of it.
    static const char kLastWord[] = "Pivora: a failure could not be shown: ";
    (void)!::write(STDERR_FILENO, kLastWord, sizeof kLastWord - 1);
    (void)!::write(STDERR_FILENO, kMemoryText.data(), kMemoryText.size());
    (void)!::write(STDERR_FILENO, "\n", 1);
}

}  // namespace pivora
