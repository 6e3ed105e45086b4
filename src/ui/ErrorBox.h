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

class Error;

// Shows one failure. text is the message in the current language after the
// full-stop rule, detail the failure's English detail ("" when it has none);
// both UTF-8 and already shortened to a few hundred characters.
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

// The message box the real error box runs: critical icon, the application
// title as its caption ("Quandel", in English "Pivora"), one OK button, the
// given text and under it the detail, if any, as its informative text. Both
// are shown as plain text, never as markup.
std::unique_ptr<QMessageBox> MakeErrorBox(const QString& text, QWidget* parent,
                                          const QString& detail = QString());

// What the event guard does with a failure (start-up makes it the guard's
// reporter): restores the arithmetic setting,
// releases any mouse or keyboard grab, stops every spin box's arrow repeat
// and shows the message once in the error box. pivora::Error shows its
// message, translated (ShownMessage), and its detail, std::bad_alloc the
// memory message. A huge message is shortened before anything is copied.
// When the box fails even so, it is tried once more with the memory
// message; when that fails too, the message goes to standard error. Never
// throws.
void ShowFailure(const std::exception& failure) noexcept;

// The message of error in the current language, shortened as by
// ShortenedMessage, before the full-stop rule. The runtime's Japanese
// message is the source text of its translation; a conversion failure is
// looked up by its form with "%1" for the quoted text, a file error by its
// message with "%1" for the error number. A message that has no translation
// (every message in Japanese, the English messages of the file formats and
// the recipes in both) is shown as it is, and the quoted text keeps its
// bytes in either language.
std::string ShownMessage(const Error& error);

// Brings what the error box keeps ready for a lack of memory (which must
// need no memory to show) into the current language; SetLanguage calls it.
void TranslateErrorBox();

// Releases any mouse or keyboard grab and stops every spin box's arrow
// repeat: before a modal box, or work that holds input back.
void ReleaseInput();

}  // namespace pivora
