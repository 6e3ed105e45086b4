#pragma once
// The error box: where a failure that ended an event is shown to the user.

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

// What the event guard does with a failure (start-up makes it the guard's
// reporter): restores the arithmetic setting,
// releases any mouse or keyboard grab, stops every spin box's arrow repeat
// and shows the message once in the error box. pivora::Error shows its
// message and detail, std::bad_alloc the memory message. A huge message is
// shortened before anything is copied. When the box fails even so, it is
// tried once more with the memory message; when that fails too, the message
// goes to standard error. Never throws.
void ShowFailure(const std::exception& failure) noexcept;

// Releases any mouse or keyboard grab and stops every spin box's arrow
// repeat: before a modal box, or work that holds input back.
void ReleaseInput();

}  // namespace pivora
