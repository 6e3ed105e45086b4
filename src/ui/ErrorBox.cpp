#include "ui/ErrorBox.h"

#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QWidget>
#include <new>
#include <optional>
#include <string_view>

#include "base/Error.h"
#include "numeric/Extended.h"
#include "ui/Language.h"
#include "ui/ShownText.h"
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

// Made at start-up and at each change of language, so that reporting a
// lack of memory needs none.
std::string memoryText = WithFullStop(OutOfMemoryError().Message());

// The longest source text of a translation, with room to spare: a longer
// message is none, and is never copied to be looked up.
constexpr std::size_t kLongestSource = 200;

// The translation of source (UTF-8) in the current language, UTF-8; nothing
// when no translation has one, as for every text in Japanese.
std::optional<std::string> Translation(std::string_view source) {
    if (source.size() > kLongestSource || source.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string key(source);
    const QString translated = QCoreApplication::translate(kErrorBoxContext, key.c_str());
    if (translated == QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()))) {
        return std::nullopt;
    }
    return translated.toStdString();
}

// translation with its "%1" replaced by argument, byte for byte: the quoted
// text of a file may be in any encoding and hold "%2" or a NUL.
std::string Filled(std::string translation, std::string_view argument) {
    const std::size_t at = translation.find("%1");
    if (at != std::string::npos) translation.replace(at, 2, argument);
    return translation;
}

// Shows failure's message and detail, shortened first: a message that
// quotes a field of hundreds of megabytes must not need a copy of it.
void ShowInErrorBox(const std::exception& failure) {
    std::string detail;
    std::string text;
    if (const auto* error = dynamic_cast<const Error*>(&failure)) {
        text = WithFullStop(ShownMessage(*error));
        detail = ShortenedMessage(error->Detail());
    } else if (dynamic_cast<const std::bad_alloc*>(&failure)) {
        text = memoryText;
    } else {
        text = WithFullStop(ShortenedMessage(failure.what()));
    }
    CurrentErrorBox()(text, detail);
}

}  // namespace

std::string ShownMessage(const Error& error) {
    const std::string& message = error.Message();
    if (std::optional<std::string> translated = Translation(message)) return *translated;
    if (error.Kind() == ErrorKind::Conversion) {
        // The form the runtime fills with the quoted text.
        const std::string form = ConversionError("%1").Message();
        const std::string_view prefix = std::string_view(form).substr(0, form.find("%1"));
        const std::string_view suffix = std::string_view(form).substr(prefix.size() + 2);
        const std::string_view whole = message;
        if (whole.size() >= prefix.size() + suffix.size() && whole.starts_with(prefix) &&
            whole.ends_with(suffix)) {
            if (std::optional<std::string> translated = Translation(form)) {
                const std::string_view quoted =
                    whole.substr(prefix.size(), whole.size() - prefix.size() - suffix.size());
                return ShortenedMessage(Filled(*translated, ShortenedMessage(quoted)));
            }
        }
    } else if (error.Kind() == ErrorKind::File && message.size() <= kLongestSource) {
        const std::string number = std::to_string(error.Errnum());
        std::string form = message;
        if (const std::size_t at = form.rfind(number); at != std::string::npos) {
            form.replace(at, number.size(), "%1");
            if (std::optional<std::string> translated = Translation(form)) {
                return Filled(*translated, number);
            }
        }
    }
    return ShortenedMessage(message);
}

void TranslateErrorBox() {
    memoryText = WithFullStop(ShownMessage(OutOfMemoryError()));
}

// A failure can strike while the user holds a spin arrow or a grab is
// active; the modal box would then never see the release, and the repeat
// would keep firing the failing handler behind it.
void ReleaseInput() {
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    if (QWidget* grabber = QWidget::keyboardGrabber()) grabber->releaseKeyboard();
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* spin = qobject_cast<SpinBox*>(widget)) spin->StopAutoRepeat();
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
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, ApplicationTitle(), text,
                                             QMessageBox::Ok, parent);
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
        CurrentErrorBox()(memoryText, std::string());
        return;
    } catch (...) {
    }
    // No box can be shown: the terminal, if any, hears of it.
    static const char kLastWord[] = "Pivora: a failure could not be shown: ";
    (void)!::write(STDERR_FILENO, kLastWord, sizeof kLastWord - 1);
    (void)!::write(STDERR_FILENO, memoryText.data(), memoryText.size());
    (void)!::write(STDERR_FILENO, "\n", 1);
}

}  // namespace pivora
