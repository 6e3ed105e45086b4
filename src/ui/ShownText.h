#pragma once
// Text from files and typing as the widgets show it: never as markup, and
// never more than a few hundred characters of it, so that a label of
// megabytes neither turns into an image tag nor freezes every repaint. The
// data itself always stays whole.

#include <QString>
#include <string>
#include <string_view>

namespace pivora {

// The most characters of one text that a grid cell or a tool tip shows.
inline constexpr qsizetype kShownCharacters = 300;

// text, or its first kShownCharacters characters followed by "…".
QString ShownHead(const QString& text);
// bytes decoded as local 8-bit text and shortened as by ShownHead; only the
// bytes that can be shown are decoded.
QString ShownLocalHead(std::string_view bytes);

// A tool tip that shows the characters of text as they are. Qt guesses
// whether a tool tip is markup; text that it would take for plain text is
// returned unchanged, other text as escaped markup that shows the same
// characters, white space kept.
QString PlainToolTip(const QString& text);

// The message of the error box, UTF-8: whole up to 600 characters, else its
// first 400 and its last 150 characters around " … ". It cuts between
// characters and copies only what it keeps.
std::string ShortenedMessage(std::string_view utf8);

}  // namespace pivora
