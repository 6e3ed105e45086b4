#include "ui/QtCanvas.h"

#include <QPainter>
#include <algorithm>

namespace pivora {
namespace {

QColor ToQColor(Color color) {
    return QColor(color.Red, color.Green, color.Blue);
}

}  // namespace

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
