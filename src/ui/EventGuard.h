#pragma once
// The one place where failures end: every event that Qt delivers to a
// handler runs inside Guarded. Handlers run by the program itself (a handler
// setting a control) are plain calls, so their failures unwind through the
// handler that made them up to the guard of the event that started it all.

#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <string>

class QMessageBox;
class QWidget;

namespace pivora {

// Shows one failure. text is the message after the full-stop rule, UTF-8.
using ErrorBoxFunction = std::function<void(const std::string& text)>;

// Replaces the error box, for tests; an empty function restores the real
// message box.
void SetErrorBox(ErrorBoxFunction box);

// The text the real error box shows for text: the whole of it, or for a
// message that runs past a few hundred characters its beginning and its end
// around " … ".
QString ErrorBoxText(const std::string& text);

// The message box the real error box runs: critical icon, caption "Quandel",
// one OK button, the given text.
std::unique_ptr<QMessageBox> MakeErrorBox(const QString& text, QWidget* parent);

// What the guard does with a failure: restores the arithmetic setting,
// releases any mouse or keyboard grab, stops every spin box's arrow repeat
// and shows the message once in the error box. pivora::Error shows its
// message, std::bad_alloc the memory message. Never throws.
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
