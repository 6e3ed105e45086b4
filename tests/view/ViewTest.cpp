// The world-to-pixel mapping and the recorded calls of whole redraws.

#include <cfloat>
#include <map>

#include "geometry/TestSupport.h"
#include "view/Redraw.h"

namespace pivora {
namespace {

using Log = std::vector<std::string>;

std::string Pair(int x, int y) {
    return std::to_string(x).append(",").append(std::to_string(y));
}
std::string Rgb(Color c) {
    return Pair(c.Red, c.Green).append(",").append(std::to_string(c.Blue));
}

// Records each call as a line "pane call arguments".
class RecordingCanvas : public Canvas {
  public:
    RecordingCanvas(const char* pane, Log& log) : pane_(pane), log_(log) {}
    void SetBrushColor(Color c) override { Add("brush " + Rgb(c)); }
    void SetPenColor(Color c) override { Add("pen " + Rgb(c)); }
    void SetPenWidth(int w) override { Add("width " + std::to_string(w)); }
    void Rectangle(int x1, int y1, int x2, int y2) override {
        Add("rect " + Pair(x1, y1) + " " + Pair(x2, y2));
    }
    void MoveTo(int x, int y) override { Add("move " + Pair(x, y)); }
    void LineTo(int x, int y) override { Add("line " + Pair(x, y)); }
    void Dots(const DotList& dots) override {
        for (const Dot& d : *dots) {
            Add("dot " + Pair(d.X, d.Y) + " r" + std::to_string(d.Radius) + " " + Rgb(d.Fill) +
                " edge " + std::to_string(d.EdgeWidth) + " " + Rgb(d.Edge));
        }
    }
    void Sticks(const StickList& sticks) override {
        for (const Stick& s : *sticks) {
            Add("stick " + Pair(s.X1, s.Y1) + " " + Pair(s.X2, s.Y2) + " " + Rgb(s.Fill) +
                " edge " + Rgb(s.Edge));
        }
    }

  private:
    void Add(const std::string& call) { log_.push_back(pane_ + " " + call); }
    std::string pane_;
    Log& log_;
};

// 209 x 217 panes; writes to the component boxes go into the same log.
class FakeControls : public VectorBoxes {
  public:
    explicit FakeControls(Log& log) : log_(log) {}
    VectorDefinition Selections(VectorId v) override { return selections[static_cast<int>(v)]; }
    std::string ComponentText(VectorId v, Axis a) override { return boxes[Name(v, a)]; }
    void SetComponentText(VectorId v, Axis a, const std::string& text) override {
        log_.push_back(Name(v, a) + " := " + (boxes[Name(v, a)] = text));
    }
    static std::string Name(VectorId v, Axis a) {
        return {v == VectorId::Vector1 ? 'V' : 'U', "XYZ"[static_cast<int>(a)]};
    }
    std::int32_t scale = 10;
    VectorDefinition selections[2];
    std::map<std::string, std::string> boxes;

  private:
    Log& log_;
};

class RedrawTest : public testing::Test {
  protected:
    void Run() { RedrawPanes(atoms, window, {209, 217}, controls.scale, controls, {xy, yz, zx}); }
    // White fill with the frame just outside the pane, axes edge to edge.
    static Log Axes() {
        Log log;
        for (const char* p : {"XY ", "YZ ", "ZX "}) {
            for (const char* call :
                 {"brush 255,255,255", "rect -10,228 219,-11", "width 1", "pen 0,0,0",
                  "move -10,109", "line 219,109", "move 104,228", "line 104,-11"}) {
                log.push_back(p + std::string(call));
            }
        }
        return log;
    }
    // One vector: in each pane the pen, the origin and the line to its end.
    static void AddVector(Log& log, const std::string& pen, std::array<const char*, 3> ends) {
        const std::string panes[] = {"XY ", "YZ ", "ZX "};
        for (int i = 0; i < 3; ++i) {
            const std::string& p = panes[i];
            log.insert(log.end(), {p + "width 2", p + "pen " + pen, p + "move 104,109",
                                   p + "line " + ends[i]});
        }
    }

    Log log;
    RecordingCanvas xy{"XY", log}, yz{"YZ", log}, zx{"ZX", log};
    FakeControls controls{log};
    ViewWindow window;
    AtomTable atoms = test::MakeTable({{1, 1, 1}, {6, 1, 1}, {1, -1.5, 3}});
};

TEST_F(RedrawTest, BothVectorsBlueThenRed) {
    controls.selections[0] = {{{1}}, {{2}}};              // (5, 0, 0)
    controls.selections[1] = {{{0, 2}}, {{0, 0, 0, 3}}};  // (-5, -2.5, 2)
    Run();
    Log expected = Axes();
    for (const char* box : {"VX := 5", "VY := 0", "VZ := 0"}) expected.push_back(box);
    AddVector(expected, "0,0,255", {"157,109", "104,109", "104,54"});
    for (const char* box : {"UX := -5", "UY := -2.5", "UZ := 2"}) expected.push_back(box);
    AddVector(expected, "255,0,0", {"52,136", "78,87", "125,163"});
    EXPECT_EQ(log, expected);
}

// With the atoms shown, each pane's dots come between its clearing and its
// axes, back to front, Vector1's atoms ringed; the rest is as without them.
// Atoms C (1, 1, 1), H (6, 1, 1), O (1, -1.5, 3) at scale 10.
TEST_F(RedrawTest, AtomsGoBetweenEachPanesClearingAndItsAxes) {
    controls.selections[0] = {{{1}}, {{2}}};  // (5, 0, 0)
    const std::vector<std::uint8_t> elements = {0, 6, 1, 8};
    RedrawPanes(atoms, window, {209, 217}, controls.scale, controls, {xy, yz, zx},
                AtomDrawing{true, elements});
    const std::string h = " 255,255,255 edge 1 140,140,140";
    const std::string c = " 144,144,144 edge 1 79,79,79";
    const std::string o = " 255,13,13 edge 1 140,7,7";
    const std::string blue = " 0,0,255 edge 0 0,0,255";
    const std::map<std::string, Log> dots = {
        // H and C at equal depth: the higher index first. O in front.
        {"XY",
         {"dot 167,98 r4" + blue, "dot 167,98 r2" + h, "dot 115,98 r5" + blue, "dot 115,98 r3" + c,
          "dot 115,125 r3" + o}},
        // H hides C on their pixel.
        {"YZ", {"dot 89,76 r3" + o, "dot 115,98 r4" + blue, "dot 115,98 r2" + h}},
        {"ZX",
         {"dot 136,98 r3" + o, "dot 115,43 r4" + blue, "dot 115,43 r2" + h, "dot 115,98 r5" + blue,
          "dot 115,98 r3" + c}},
    };
    Log expected;
    for (const std::string& line : Axes()) {
        expected.push_back(line);
        const std::string pane = line.substr(0, 2);
        if (line.find(" rect ") == std::string::npos) continue;
        for (const std::string& dot : dots.at(pane)) expected.push_back(pane + " " + dot);
    }
    for (const char* box : {"VX := 5", "VY := 0", "VZ := 0"}) expected.push_back(box);
    AddVector(expected, "0,0,255", {"157,109", "104,109", "104,54"});
    EXPECT_EQ(log, expected);
}

// Undefined vectors keep their boxes and draw nothing, also with no table.
TEST_F(RedrawTest, UndefinedVectorsLeaveOnlyTheAxes) {
    atoms = AtomTable{};
    controls.selections[0] = {{{1}}, {{2}}};
    controls.boxes["VX"] = "3";
    Run();
    EXPECT_EQ(log, Axes());
    EXPECT_EQ(controls.boxes["VX"], "3");
}

// The line ends where the box's 15 digits say: x lies just past the middle
// of a pixel column, its display form just before it.
TEST_F(RedrawTest, EndPointIsReadBackFromTheBoxes) {
    atoms = test::MakeTable({{0, 0, 0}, {0.9569377990430623, 0, 0}});
    controls.selections[0] = {{{1}}, {{2}}};
    Run();
    EXPECT_EQ(controls.boxes["VX"], "0.956937799043062");
    EXPECT_EQ(log.at(30), "XY line 114,109");
}

// Each failure ends the redraw where it happens. Scale 0 fails at the first
// corner (0/0) after the brush and leaves a window of zeros; a component
// beyond the double range fails when read back from its box; an end beyond the
// 32-bit pixel range fails at the line.
TEST_F(RedrawTest, FailuresStopWhereTheyHappen) {
    const struct {
        std::int32_t scale;
        double headX;
        ErrorKind kind;
        std::size_t linesBefore;
    } kCases[] = {{0, 0, ErrorKind::InvalidOperation, 1},
                  {10, DBL_MAX, ErrorKind::Overflow, 30},
                  {10, -DBL_MAX / 2, ErrorKind::InvalidOperation, 30}};
    for (const auto& c : kCases) {
        log.clear();
        controls.scale = c.scale;
        atoms = test::MakeTable({{-DBL_MAX, 0, 0}, {c.headX, 0, 0}});
        controls.selections[0] = {{{1}}, {{2}}};
        EXPECT_EQ(test::ErrorOf([&] { Run(); }).Kind(), c.kind);
        ASSERT_EQ(log.size(), c.linesBefore);
        EXPECT_EQ(log.back(), c.scale == 0 ? "XY brush 255,255,255" : "XY move 104,109");
    }
    controls.scale = 0;
    EXPECT_THROW(Run(), Error);
    for (const double v : {window.XMin, window.XMax, window.YMin, window.YMax, window.FrameXMin,
                           window.FrameXMax, window.FrameYMin, window.FrameYMax}) {
        EXPECT_EQ(v, 0);
    }
}

TEST(ViewWindow, PixelsWithTiesToEven) {
    const struct {
        std::int32_t scale;
        double x, y;
        std::int32_t column, row;
    } kCases[] = {{10, 0, 0, 104, 109},  {10, 5, 5, 157, 54},   {10, -5, -5, 52, 163},
                  {10, 1, 1, 115, 98},   {10, 10, 10, 209, 0},  {10, -10, -10, 0, 217},
                  {100, 0, 0, 104, 109}, {100, 1, 1, 106, 107}, {100, -1, -1, 103, 110},
                  {1, 0, 0, 104, 109},   {1, 1, 1, 209, 0},     {1, 2, 2, 314, -109},
                  {-10, 5, 5, 52, 163}};  // a negative scale turns the picture
    ViewWindow window;
    window.PaneHeight = 217;
    window.PaneWidth = 209;
    for (const auto& c : kCases) {
        window.SetScale(c.scale);
        EXPECT_EQ(Pair(window.ToPixelX(c.x), window.ToPixelY(c.y)), Pair(c.column, c.row))
            << c.scale << ": " << c.x << ", " << c.y;
    }
}

// 1.1 with 64 bits gives the double nearest to 11 s / 10 for every scale (a
// double 1.1 gives 3.3000000000000003 for 3); the frame falls just outside.
TEST(ViewWindow, FrameLimitsForEveryScale) {
    ViewWindow window;
    window.PaneHeight = 217;
    window.PaneWidth = 209;
    for (std::int32_t s = 1; s <= 100; ++s) {
        window.SetScale(s);
        EXPECT_EQ(window.FrameXMax, 11.0 * s / 10) << s;
        EXPECT_EQ(window.FrameYMin, -11.0 * s / 10) << s;
        EXPECT_EQ(Pair(window.ToPixelX(window.FrameXMin), window.ToPixelY(window.FrameYMin)),
                  "-10,228");
        EXPECT_EQ(Pair(window.ToPixelX(window.FrameXMax), window.ToPixelY(window.FrameYMax)),
                  "219,-11");
    }
}

}  // namespace
}  // namespace pivora
