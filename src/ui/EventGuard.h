#pragma once
// The one place where failures end: every event that Qt delivers to a
// handler runs inside Guarded. Handlers run by the program itself (a handler
// setting a control) are plain calls, so their failures unwind through the
// handler that made them up to the guard of the event that started it all.

#include <QString>
#include <concepts>
#include <exception>
#include <functional>
#include <memory>
#include <string>

class QMessageBox;
class QWidget;

namespace pivora {

// Shows one failure. text is the message after the full-stop rule, detail
// the failure's English detail ("" when it has none); both UTF-8 and already
// shortened to a few hundred characters.
using ErrorBoxFunction = std::function<void(const std::string& text, const std::string& detail)>;

// Replaces the error box, for tests; an empty function restores the real
// message box.
void SetErrorBox(ErrorBoxFunction box);
// The same for a box that takes the text only.
template <typename Box>
requires std::invocable<Box&, const std::string&>
void SetErrorBox(Box box) {
    SetErrorBox(
        ErrorBoxFunction([box = std::move(box)](const std::string& text,
                                                const std::string&) mutable { box(text); }));
}

// The text the real error box shows for text: the whole of it, or for a
// message that runs past a few hundred characters its beginning and its end
// around " … " (ShortenedMessage).
QString ErrorBoxText(const std::string& text);

// The message box the real error box runs: critical icon, caption "Quandel",
// one OK button, the given text and under it the detail, if any, as its
// informative text. Both are shown as plain text, never as markup.
std::unique_ptr<QMessageBox> MakeErrorBox(const QString& text, QWidget* parent,
                                          const QString& detail = QString());

// What the guard does with a failure: restores the arithmetic setting,
// releases any mouse or keyboard grab, stops every spin box's arrow repeat
// and shows the message once in the error box. pivora::Error shows its
// message and detail, std::bad_alloc the memory message. A huge message is
// shortened before anything is copied. When the box fails even so, it is
// tried once more with the memory message; when that fails too, the message
// goes to standard error. Never throws.
void ReportFailure(const std::exception& failure) noexcept;

// Runs handler; a failure ends it and is reported. Exceptions never leave
// this function, so it is safe to call from Qt's event code.
template <typename Handler>
void Guarded(Handler&& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& failure) {
        ReportFailure(failure);
    }
}

}  // namespace pivora
