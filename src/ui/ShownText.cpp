#include "ui/ShownText.h"

#include <QTextDocument>

namespace pivora {
namespace {

const QString kEllipsis = QStringLiteral("…");

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The byte offset after the first count characters of utf8, or npos when it
// has no more than count characters.
std::size_t AfterCharacters(std::string_view utf8, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (IsContinuationByte(utf8[i])) continue;
        if (seen == count) return i;
        ++seen;
    }
    return std::string_view::npos;
}

// The byte offset where the last count characters of utf8 begin.
std::size_t BeforeLastCharacters(std::string_view utf8, std::size_t count) {
    std::size_t i = utf8.size();
    while (i > 0 && count > 0) {
        --i;
        if (!IsContinuationByte(utf8[i])) --count;
    }
    return i;
}

}  // namespace

QString ShownHead(const QString& text) {
    if (text.size() <= kShownCharacters) return text;
    qsizetype keep = kShownCharacters;
    if (text.at(keep - 1).isHighSurrogate()) --keep;
    return text.left(keep) + kEllipsis;
}

QString ShownLocalHead(std::string_view bytes) {
    // No local encoding takes more than four bytes for a character.
    constexpr std::size_t kMostBytes = 4 * static_cast<std::size_t>(kShownCharacters) + 4;
    const bool cut = bytes.size() > kMostBytes;
    const QString head = QString::fromLocal8Bit(
        bytes.data(), static_cast<qsizetype>(cut ? kMostBytes : bytes.size()));
    QString shown = ShownHead(head);
    if (cut && shown.size() == head.size()) shown += kEllipsis;
    return shown;
}

QString PlainToolTip(const QString& text) {
    if (!Qt::mightBeRichText(text)) return text;
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

std::string ShortenedMessage(std::string_view utf8) {
    constexpr std::size_t kWhole = 600;
    constexpr std::size_t kHead = 400;
    constexpr std::size_t kTail = 150;
    if (AfterCharacters(utf8, kWhole) == std::string_view::npos) return std::string(utf8);
    const std::size_t headEnd = AfterCharacters(utf8, kHead);
    const std::size_t tailStart = BeforeLastCharacters(utf8, kTail);
    std::string shown;
    shown.reserve(headEnd + 5 + (utf8.size() - tailStart));
    shown.append(utf8.substr(0, headEnd));
    shown.append(" … ");
    shown.append(utf8.substr(tailStart));
    return shown;
}

}  // namespace pivora
