#pragma once
// A pane's picture as the drawing calls that made it, so that undo can bring
// back exactly what a pane showed.

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

#include "view/Canvas.h"

namespace pivora {

// A canvas that passes every call on to its target (if any) and keeps the
// calls that still show: everything since the last rectangle that covered
// the whole pane, preceded by the brush, pen and position in force then.
// Replaying the calls onto a canvas in the same state as the target paints
// the same pixels and leaves the same brush, pen and position.
class PaneRecord : public Canvas {
  public:
    // width x height: the pane's size in pixels.
    PaneRecord(int width, int height) : width_(width), height_(height) {}

    void SetTarget(Canvas* target) { target_ = target; }
    void SetSize(int width, int height);

    void SetBrushColor(Color color) override;
    void SetPenColor(Color color) override;
    void SetPenWidth(int width) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Dots(const DotList& dots) override;
    void Sticks(const StickList& sticks) override;

    // True once anything was drawn: a pane shows no picture before that.
    bool Drawn() const { return drawn_; }

    struct Op {
        enum class Kind : std::uint8_t {
            Brush,
            PenColor,
            PenWidth,
            Rectangle,
            MoveTo,
            LineTo,
            Dots,
            Sticks
        };
        Kind kind;
        Color color;
        int a = 0, b = 0, c = 0, d = 0;
        DotList dots = nullptr;      // kept, never copied: two records may share it
        StickList sticks = nullptr;  // likewise
        // Dots and sticks compare by what they paint, so that a redraw of an
        // unchanged molecule gives an equal picture.
        bool operator==(const Op& other) const;
    };
    // What the pane shows, to keep and to replay. covered: the calls begin
    // with a rectangle over the whole pane, so they paint every pixel;
    // otherwise they were made on a fresh white pane with a white brush, a
    // black pen of width 1 at (0, 0), and the target must be that first.
    struct Picture {
        std::vector<Op> ops;
        bool covered = false;
        bool drawn = false;
        bool operator==(const Picture&) const = default;
    };
    Picture Save() const;
    // Makes picture the record's own and paints it onto the target.
    void Restore(const Picture& picture);

    // The atoms of a covered picture are the calls right after its covering
    // rectangle, where the redraw puts them: the bonds' Sticks call, if any,
    // and a Dots call.
    static bool ShowsAtoms(const Picture& picture);
    // picture with its atoms replaced by dots and sticks (none when sticks
    // is null), or without atoms when dots is null; a picture that is not
    // covered is returned as it is.
    static Picture WithAtoms(Picture picture, DotList dots, StickList sticks = nullptr);
    // The bytes that the dots and sticks of picture hold, each list counted
    // once in seen (a list that several pictures share is counted by the
    // first).
    static std::size_t DotBytes(const Picture& picture, std::set<const void*>& seen);

  private:
    void Add(const Op& op);
    void Apply(Canvas& canvas, const Op& op) const;

    int width_;
    int height_;
    Canvas* target_ = nullptr;
    std::vector<Op> ops_;
    bool covered_ = false;
    bool drawn_ = false;
    // The state in force, for the prefix of a covered pane.
    Color brush_ = kWhite;
    Color pen_ = kBlack;
    int penWidth_ = 1;
    int x_ = 0;
    int y_ = 0;
};

}  // namespace pivora
