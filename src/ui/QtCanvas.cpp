#include "ui/QtCanvas.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <vector>

namespace pivora {
namespace {

QColor ToQColor(Color color) {
    return QColor(color.Red, color.Green, color.Blue);
}

// For a dot of radius r, the half width of its row dy (0 <= dy <= r): the
// largest i with i * i + dy * dy <= r * (r + 1).
std::vector<int> HalfWidths(int radius) {
    std::vector<int> halves(static_cast<std::size_t>(radius) + 1);
    const int limit = radius * (radius + 1);
    int half = radius;
    for (int dy = 0; dy <= radius; ++dy) {
        while (half * half + dy * dy > limit) --half;
        halves[static_cast<std::size_t>(dy)] = half;
    }
    return halves;
}

// The rows of a dot of one radius and edge width: for each dy from -radius
// to radius, the half width of the whole row and of its fill (-1 where the
// row is all edge).
struct DotShape {
    int radius = -1;
    int edgeWidth = -1;
    std::vector<std::array<int, 2>> rows;
};

DotShape MakeShape(int radius, int edgeWidth) {
    DotShape shape{radius, edgeWidth, {}};
    const std::vector<int> outer = HalfWidths(radius);
    const int inner = edgeWidth == 0 ? radius : radius - edgeWidth;
    const std::vector<int> fill = inner >= 0 ? HalfWidths(inner) : std::vector<int>();
    for (int dy = -radius; dy <= radius; ++dy) {
        const auto d = static_cast<std::size_t>(std::abs(dy));
        shape.rows.push_back({outer[d], d < fill.size() ? fill[d] : -1});
    }
    return shape;
}

// The pixels of an image of 32 bits a pixel, written straight; none for
// another format.
struct DirectPixels {
    explicit DirectPixels(QImage& image) {
        const QImage::Format format = image.format();
        if (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
            format == QImage::Format_ARGB32_Premultiplied) {
            bits = image.bits();
            stride = image.bytesPerLine();
        }
    }
    QRgb* Row(qsizetype y) const { return reinterpret_cast<QRgb*>(bits + y * stride); }
    uchar* bits = nullptr;
    qsizetype stride = 0;
};

}  // namespace

void QtCanvas::Dots(const DotList& dots) {
    if (!dots || dots->empty()) return;
    const int width = image_.width();
    const int height = image_.height();
    const DirectPixels pixels(image_);
    const bool direct = pixels.bits != nullptr;
    std::optional<QPainter> painter;
    if (!direct) painter.emplace(&image_);
    // Columns left to right of row y, cut at the image's sides.
    const auto span = [&](int y, int left, int right, QRgb rgb) {
        left = std::max(left, 0);
        right = std::min(right, width - 1);
        if (left > right) return;
        if (direct) {
            QRgb* row = pixels.Row(y);
            for (int x = left; x <= right; ++x) row[x] = rgb;
        } else {
            painter->fillRect(left, y, right - left + 1, 1, QColor(rgb));
        }
    };
    // A million atoms come in a few shapes: each is worked out once.
    std::vector<DotShape> shapes;
    const DotShape* shape = nullptr;
    for (const Dot& dot : *dots) {
        const int r = dot.Radius;
        if (dot.X + r < 0 || dot.X - r >= width || dot.Y + r < 0 || dot.Y - r >= height) continue;
        if (!shape || shape->radius != r || shape->edgeWidth != dot.EdgeWidth) {
            auto found = std::find_if(shapes.begin(), shapes.end(), [&](const DotShape& s) {
                return s.radius == r && s.edgeWidth == dot.EdgeWidth;
            });
            if (found == shapes.end()) {
                shapes.push_back(MakeShape(r, dot.EdgeWidth));
                found = shapes.end() - 1;
            }
            shape = &*found;
        }
        const QRgb fill = qRgb(dot.Fill.Red, dot.Fill.Green, dot.Fill.Blue);
        const QRgb edge = qRgb(dot.Edge.Red, dot.Edge.Green, dot.Edge.Blue);
        if (direct && dot.X - r >= 0 && dot.X + r < width && dot.Y - r >= 0 && dot.Y + r < height) {
            // All inside: no cutting, one pass over each row.
            for (int dy = -r; dy <= r; ++dy) {
                const auto [h, f] = shape->rows[static_cast<std::size_t>(dy + r)];
                QRgb* row = pixels.Row(dot.Y + dy) + dot.X;
                for (int dx = -h; dx <= h; ++dx) row[dx] = std::abs(dx) <= f ? fill : edge;
            }
            continue;
        }
        const int top = std::max(dot.Y - r, 0);
        const int bottom = std::min(dot.Y + r, height - 1);
        for (int y = top; y <= bottom; ++y) {
            const auto [h, f] = shape->rows[static_cast<std::size_t>(y - dot.Y + r)];
            if (f < 0) {
                span(y, dot.X - h, dot.X + h, edge);
            } else {
                span(y, dot.X - h, dot.X - f - 1, edge);
                span(y, dot.X - f, dot.X + f, fill);
                span(y, dot.X + f + 1, dot.X + h, edge);
            }
        }
    }
}

void QtCanvas::Sticks(const StickList& sticks) {
    if (!sticks || sticks->empty()) return;
    const int width = image_.width();
    const int height = image_.height();
    const DirectPixels pixels(image_);
    const auto put = [&](std::int64_t x, std::int64_t y, QRgb rgb) {
        if (x < 0 || x >= width || y < 0 || y >= height) return;
        if (pixels.bits) {
            pixels.Row(y)[x] = rgb;
        } else {
            image_.setPixel(static_cast<int>(x), static_cast<int>(y), rgb);
        }
    };
    // The nearest integer to a / n (n > 0), halves rounded up.
    const auto nearest = [](std::int64_t a, std::int64_t n) {
        const std::int64_t twice = 2 * a + n;
        const std::int64_t d = 2 * n;
        return twice >= 0 ? twice / d : -((-twice + d - 1) / d);
    };
    for (const Stick& stick : *sticks) {
        const std::int64_t dx = std::int64_t{stick.X2} - stick.X1;
        const std::int64_t dy = std::int64_t{stick.Y2} - stick.Y1;
        const bool across = std::abs(dx) >= std::abs(dy);  // longer across than down
        const std::int64_t n = std::max(std::abs(dx), std::abs(dy));
        // Only the steps whose pixels can meet the image: along the longer
        // direction each step moves one pixel.
        std::int64_t first = 0;
        std::int64_t last = n;
        if (n > 0) {
            const std::int64_t start = across ? stick.X1 : stick.Y1;
            const std::int64_t step = across ? (dx > 0 ? 1 : -1) : (dy > 0 ? 1 : -1);
            const std::int64_t size = across ? width : height;
            // start + k * step within [0, size - 1].
            const std::int64_t a = step > 0 ? -start : start - (size - 1);
            const std::int64_t b = step > 0 ? size - 1 - start : start;
            first = std::max<std::int64_t>(first, a);
            last = std::min<std::int64_t>(last, b);
        }
        const auto pixel = [&](std::int64_t k, std::int64_t& x, std::int64_t& y) {
            x = stick.X1 + (n > 0 ? nearest(k * dx, n) : 0);
            y = stick.Y1 + (n > 0 ? nearest(k * dy, n) : 0);
        };
        const QRgb edge = qRgb(stick.Edge.Red, stick.Edge.Green, stick.Edge.Blue);
        const QRgb fill = qRgb(stick.Fill.Red, stick.Fill.Green, stick.Fill.Blue);
        for (std::int64_t k = first; k <= last; ++k) {
            std::int64_t x, y;
            pixel(k, x, y);
            put(across ? x : x - 1, across ? y - 1 : y, edge);
            put(across ? x : x + 1, across ? y + 1 : y, edge);
        }
        for (std::int64_t k = first; k <= last; ++k) {
            std::int64_t x, y;
            pixel(k, x, y);
            put(x, y, fill);
        }
    }
}

void QtCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    const int left = std::min(x1, x2);
    const int top = std::min(y1, y2);
    const int width = std::max(x1, x2) - left;
    const int height = std::max(y1, y2) - top;
    if (width == 0 || height == 0) return;
    QPainter painter(&image_);
    painter.fillRect(left, top, width, height, ToQColor(brush_));
    if (penWidth_ <= 0) return;
    // The outline: bands of the pen's width along the inner edges.
    const QColor pen = ToQColor(penColor_);
    const int band = std::min({penWidth_, width, height});
    painter.fillRect(left, top, width, band, pen);
    painter.fillRect(left, top + height - band, width, band, pen);
    painter.fillRect(left, top, band, height, pen);
    painter.fillRect(left + width - band, top, band, height, pen);
}

void QtCanvas::MoveTo(int x, int y) {
    x_ = x;
    y_ = y;
}

void QtCanvas::LineTo(int x, int y) {
    const QPoint from(x_, y_);
    const QPoint to(x, y);
    x_ = x;
    y_ = y;
    if (from == to || penWidth_ <= 0) return;
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (penWidth_ == 1) {
        // A flat cap on a one-pixel line stops short of the last pixel.
        painter.setPen(QPen(ToQColor(penColor_), 1, Qt::SolidLine, Qt::FlatCap));
    } else {
        painter.setPen(QPen(ToQColor(penColor_), penWidth_, Qt::SolidLine, Qt::RoundCap));
    }
    painter.drawLine(from, to);
}

}  // namespace pivora
