#include "engine/PaneRecord.h"

#include <algorithm>

namespace pivora {

namespace {

// Right after the prefix of a covered picture (brush, pen, width, position)
// and its covering rectangle.
constexpr std::size_t kAtomsAt = 5;

}  // namespace

void PaneRecord::SetSize(int width, int height) {
    width_ = width;
    height_ = height;
}

void PaneRecord::Add(const Op& op) {
    if (target_) Apply(*target_, op);
    ops_.push_back(op);
    drawn_ = true;
}

void PaneRecord::SetBrushColor(Color color) {
    brush_ = color;
    Add({Op::Kind::Brush, color});
}

void PaneRecord::SetPenColor(Color color) {
    pen_ = color;
    Add({Op::Kind::PenColor, color});
}

void PaneRecord::SetPenWidth(int width) {
    penWidth_ = width;
    Add({Op::Kind::PenWidth, {}, width});
}

void PaneRecord::Rectangle(int x1, int y1, int x2, int y2) {
    // The fill covers the columns from the smaller x to one before the
    // larger, and the rows likewise: a rectangle over the whole pane hides
    // everything drawn before it, so only the state it starts from matters.
    const bool coversPane = std::min(x1, x2) <= 0 && std::max(x1, x2) >= width_ &&
                            std::min(y1, y2) <= 0 && std::max(y1, y2) >= height_;
    if (coversPane) {
        ops_.clear();
        ops_.push_back({Op::Kind::Brush, brush_});
        ops_.push_back({Op::Kind::PenColor, pen_});
        ops_.push_back({Op::Kind::PenWidth, {}, penWidth_});
        ops_.push_back({Op::Kind::MoveTo, {}, x_, y_});
        covered_ = true;
    }
    Add({Op::Kind::Rectangle, {}, x1, y1, x2, y2});
}

void PaneRecord::MoveTo(int x, int y) {
    x_ = x;
    y_ = y;
    Add({Op::Kind::MoveTo, {}, x, y});
}

void PaneRecord::LineTo(int x, int y) {
    x_ = x;
    y_ = y;
    Add({Op::Kind::LineTo, {}, x, y});
}

void PaneRecord::Dots(const DotList& dots) {
    Add({Op::Kind::Dots, {}, 0, 0, 0, 0, dots});
}

void PaneRecord::Sticks(const StickList& sticks) {
    Add({Op::Kind::Sticks, {}, 0, 0, 0, 0, nullptr, sticks});
}

bool PaneRecord::Op::operator==(const Op& other) const {
    if (kind != other.kind || !(color == other.color) || a != other.a || b != other.b ||
        c != other.c || d != other.d) {
        return false;
    }
    const auto same = [](const auto& mine, const auto& theirs) {
        if (mine == theirs) return true;
        const std::size_t size = mine ? mine->size() : 0;
        const std::size_t otherSize = theirs ? theirs->size() : 0;
        return size == otherSize && (size == 0 || *mine == *theirs);
    };
    return same(dots, other.dots) && same(sticks, other.sticks);
}

bool PaneRecord::ShowsAtoms(const Picture& picture) {
    if (!picture.covered || picture.ops.size() <= kAtomsAt) return false;
    const Op::Kind kind = picture.ops[kAtomsAt].kind;
    return kind == Op::Kind::Dots || kind == Op::Kind::Sticks;
}

PaneRecord::Picture PaneRecord::WithAtoms(Picture picture, DotList dots, StickList sticks) {
    if (!picture.covered || picture.ops.size() < kAtomsAt) return picture;
    auto at = picture.ops.begin() + kAtomsAt;
    if (ShowsAtoms(picture)) {
        auto end = at;
        if (end->kind == Op::Kind::Sticks) ++end;
        if (end != picture.ops.end() && end->kind == Op::Kind::Dots) ++end;
        at = picture.ops.erase(at, end);
    }
    if (!dots) return picture;
    at = picture.ops.insert(at, Op{Op::Kind::Dots, {}, 0, 0, 0, 0, std::move(dots)});
    if (sticks)
        picture.ops.insert(at, Op{Op::Kind::Sticks, {}, 0, 0, 0, 0, nullptr, std::move(sticks)});
    return picture;
}

std::size_t PaneRecord::DotBytes(const Picture& picture, std::set<const void*>& seen) {
    std::size_t bytes = 0;
    for (const Op& op : picture.ops) {
        if (op.dots && seen.insert(op.dots.get()).second) bytes += op.dots->size() * sizeof(Dot);
        if (op.sticks && seen.insert(op.sticks.get()).second) {
            bytes += op.sticks->size() * sizeof(Stick);
        }
    }
    return bytes;
}

void PaneRecord::Apply(Canvas& canvas, const Op& op) const {
    switch (op.kind) {
        case Op::Kind::Brush:
            canvas.SetBrushColor(op.color);
            break;
        case Op::Kind::PenColor:
            canvas.SetPenColor(op.color);
            break;
        case Op::Kind::PenWidth:
            canvas.SetPenWidth(op.a);
            break;
        case Op::Kind::Rectangle:
            canvas.Rectangle(op.a, op.b, op.c, op.d);
            break;
        case Op::Kind::MoveTo:
            canvas.MoveTo(op.a, op.b);
            break;
        case Op::Kind::LineTo:
            canvas.LineTo(op.a, op.b);
            break;
        case Op::Kind::Dots:
            canvas.Dots(op.dots);
            break;
        case Op::Kind::Sticks:
            canvas.Sticks(op.sticks);
            break;
    }
}

PaneRecord::Picture PaneRecord::Save() const {
    return Picture{ops_, covered_, drawn_};
}

void PaneRecord::Restore(const Picture& picture) {
    ops_ = picture.ops;
    covered_ = picture.covered;
    drawn_ = picture.drawn;
    brush_ = kWhite;
    pen_ = kBlack;
    penWidth_ = 1;
    x_ = y_ = 0;
    for (const Op& op : ops_) {
        switch (op.kind) {
            case Op::Kind::Brush:
                brush_ = op.color;
                break;
            case Op::Kind::PenColor:
                pen_ = op.color;
                break;
            case Op::Kind::PenWidth:
                penWidth_ = op.a;
                break;
            case Op::Kind::MoveTo:
            case Op::Kind::LineTo:
                x_ = op.a;
                y_ = op.b;
                break;
            case Op::Kind::Rectangle:
            case Op::Kind::Dots:
            case Op::Kind::Sticks:
                break;
        }
        if (target_) Apply(*target_, op);
    }
}

}  // namespace pivora
