#pragma once
// Pictures as text, for the widget tests: each pixel one letter.

#include <QImage>
#include <string>
#include <vector>

namespace pivora::test {

// '.' white, 'k' black, 'b' blue, 'r' red, 'g' green, '?' any other color.
inline char ColorLetter(QRgb rgb) {
    switch (rgb & 0xffffff) {
        case 0xffffff:
            return '.';
        case 0x000000:
            return 'k';
        case 0x0000ff:
            return 'b';
        case 0xff0000:
            return 'r';
        case 0x00ff00:
            return 'g';
        default:
            return '?';
    }
}

// The image as rows of color letters, top row first.
inline std::vector<std::string> Pixels(const QImage& image) {
    std::vector<std::string> rows(static_cast<std::size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) rows[y] += ColorLetter(image.pixel(x, y));
    }
    return rows;
}

}  // namespace pivora::test
