// The atoms in the engine's panes: recorded for undo as one shared list, a
// setting that repaints without touching a box, kept through undo and
// centering, and the atom under a click.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/PaneRecord.h"
#include "support/TempDir.h"

namespace pivora::test {
namespace {

// Each call as a line; a Dots call as "dots" and its pixels.
class Recorder : public Canvas {
  public:
    void SetBrushColor(Color) override { log.push_back("brush"); }
    void SetPenColor(Color) override { log.push_back("pen"); }
    void SetPenWidth(int w) override { log.push_back("width " + std::to_string(w)); }
    void Rectangle(int, int, int, int) override { log.push_back("rect"); }
    void MoveTo(int x, int y) override { log.push_back(Pixel("move", x, y)); }
    void LineTo(int x, int y) override { log.push_back(Pixel("line", x, y)); }
    void Dots(const DotList& dots) override {
        std::string line = "dots";
        for (const Dot& d : *dots) line += Pixel("", d.X, d.Y);
        log.push_back(line);
        lists.push_back(dots);
    }
    // Sticks are kept apart from the log: the bonds lie beneath the dots.
    void Sticks(const StickList& list) override { sticks.push_back(list); }
    // How many atoms the last Dots call showed (each atom's own dot has an
    // edge, a ring has none).
    int AtomsShown() const {
        int count = 0;
        for (const Dot& d : *lists.back()) count += d.EdgeWidth > 0 ? 1 : 0;
        return count;
    }
    // What the last picture drew after its clearing.
    std::vector<std::string> AfterClearing() const {
        auto rect = std::find(log.rbegin(), log.rend(), "rect");
        return std::vector<std::string>(rect.base(), log.end());
    }
    // The Dots calls of the log, in order.
    std::vector<std::string> DotsCalls() const {
        std::vector<std::string> calls;
        for (const std::string& line : log) {
            if (line.rfind("dots", 0) == 0) calls.push_back(line);
        }
        return calls;
    }
    std::vector<std::string> log;
    std::vector<DotList> lists;
    std::vector<StickList> sticks;

  private:
    static std::string Pixel(const char* what, int x, int y) {
        return std::string(what) + " " + std::to_string(x) + "," + std::to_string(y);
    }
};

DotList List(std::vector<Dot> dots) {
    return std::make_shared<const std::vector<Dot>>(std::move(dots));
}

TEST(PaneRecord, KeepsDotsAsOneSharedListAndPutsAtomsInOrTakesThemOut) {
    PaneRecord record(209, 217);
    Recorder target;
    record.SetTarget(&target);
    const DotList dots = List({{3, 4, kRed, kBlack, 2, 1}});
    record.SetBrushColor(kWhite);
    record.Rectangle(-10, 228, 219, -11);  // covers the pane
    record.Dots(dots);
    record.SetPenWidth(1);
    record.LineTo(5, 5);
    EXPECT_EQ(target.DotsCalls(), (std::vector<std::string>{"dots 3,4"}));

    const PaneRecord::Picture picture = record.Save();
    ASSERT_TRUE(PaneRecord::ShowsAtoms(picture));
    // Kept, not copied; equal to another list of the same dots.
    EXPECT_EQ(picture.ops[5].dots.get(), dots.get());
    PaneRecord::Picture same = picture;
    same.ops[5].dots = List({{3, 4, kRed, kBlack, 2, 1}});
    EXPECT_TRUE(same == picture);
    same.ops[5].dots = List({{3, 5, kRed, kBlack, 2, 1}});
    EXPECT_FALSE(same == picture);

    const PaneRecord::Picture without = PaneRecord::WithAtoms(picture, nullptr);
    EXPECT_FALSE(PaneRecord::ShowsAtoms(without));
    EXPECT_EQ(without.ops.size(), picture.ops.size() - 1);
    const PaneRecord::Picture again = PaneRecord::WithAtoms(without, dots);
    EXPECT_TRUE(again == picture);
    const PaneRecord::Picture other = PaneRecord::WithAtoms(picture, List({}));
    EXPECT_TRUE(PaneRecord::ShowsAtoms(other));
    EXPECT_EQ(other.ops.size(), picture.ops.size());

    // A picture drawn on a fresh pane, not covered, stays as it is.
    PaneRecord fresh(209, 217);
    fresh.LineTo(1, 1);
    EXPECT_TRUE(PaneRecord::WithAtoms(fresh.Save(), dots) == fresh.Save());

    // Replaying paints the dots again; each list counts once.
    target.log.clear();
    record.Restore(picture);
    EXPECT_EQ(target.DotsCalls(), (std::vector<std::string>{"dots 3,4"}));
    std::set<const void*> seen;
    EXPECT_EQ(PaneRecord::DotBytes(picture, seen), sizeof(Dot));
    EXPECT_EQ(PaneRecord::DotBytes(again, seen), 0u);
}

// Benzene-like: a hexagon of C at 1.4 angstrom around the origin in XY,
// with an H outside each.
std::string Hexagon() {
    return "C 1.4 0 0\nC 0.7 1.2 0\nC -0.7 1.2 0\nC -1.4 0 0\nC -0.7 -1.2 0\nC 0.7 -1.2 0\n"
           "H 2.5 0 0.1\nH 1.25 2.15 0.1\nH -1.25 2.15 0.1\nH -2.5 0 0.1\nH -1.25 -2.15 0.1\n"
           "H 1.25 -2.15 0.1\n";
}

class PaneAtoms : public ::testing::Test {
  protected:
    PaneAtoms() {
        engine.SetPanes(&panes[0], &panes[1], &panes[2]);
        engine.Open(dir.Write("ring.xyz", Hexagon()));
    }
    void Pick(SpinId box, int index) {
        engine.TypeSpin(box, std::to_string(index));
        engine.LeaveSpin(box);
    }
    void Clear() {
        for (Recorder& pane : panes) pane.log.clear();
    }
    TempDir dir;
    AtomTable atoms;
    Engine engine{atoms};
    Recorder panes[3];
};

TEST_F(PaneAtoms, TheSettingRepaintsThePanesAndChangesNothingElse) {
    Pick(SpinId::V1Tail1, 1);
    Pick(SpinId::V1Head1, 4);
    const ControlState boxes = engine.Controls();
    const std::size_t steps = engine.UndoCount();
    const std::vector<std::string> drawn = panes[0].AfterClearing();
    EXPECT_TRUE(panes[0].DotsCalls().empty());
    Clear();
    engine.SetShowAtoms(true);
    EXPECT_TRUE(engine.ShowsAtoms());
    // Twelve atoms in XY; in YZ and ZX atoms of equal y or x meet.
    for (const Recorder& pane : panes) ASSERT_EQ(pane.DotsCalls().size(), 1u);
    EXPECT_EQ(panes[0].AtomsShown(), 12);
    EXPECT_EQ(panes[1].AtomsShown(), 6);
    EXPECT_EQ(panes[2].AtomsShown(), 8);
    // The rest of the picture is what the redraw drew.
    std::vector<std::string> withAtoms = panes[0].AfterClearing();
    ASSERT_EQ(withAtoms.front().rfind("dots", 0), 0u);
    withAtoms.erase(withAtoms.begin());
    EXPECT_EQ(withAtoms, drawn);
    EXPECT_TRUE(engine.Controls() == boxes);
    EXPECT_EQ(engine.UndoCount(), steps);

    Clear();
    engine.SetShowAtoms(false);
    EXPECT_TRUE(panes[0].DotsCalls().empty());
    EXPECT_EQ(panes[0].AfterClearing(), drawn);
    EXPECT_TRUE(engine.Controls() == boxes);
    // Nothing to take out: nothing is repainted.
    Clear();
    engine.SetShowAtoms(false);
    EXPECT_TRUE(panes[0].log.empty());
}

TEST_F(PaneAtoms, EveryRedrawShowsThemAndUndoFollowsTheSettingOfNow) {
    engine.SetShowAtoms(true);
    Pick(SpinId::V1Tail1, 1);
    const DotList ringed = panes[0].lists.back();
    EXPECT_EQ(panes[0].AtomsShown(), 12);
    EXPECT_EQ(ringed->size(), 13u);  // atom 1's blue ring
    Pick(SpinId::V1Head1, 4);
    EXPECT_EQ(panes[0].lists.back()->size(), 14u);

    // Undo brings back the picture of before, atoms included.
    Clear();
    engine.Undo();
    ASSERT_EQ(panes[0].DotsCalls().size(), 1u);
    EXPECT_EQ(*panes[0].lists.back(), *ringed);

    // Turned off, undone and redone steps come back without atoms, and with
    // them again when the setting is on once more.
    engine.SetShowAtoms(false);
    Clear();
    engine.Redo();
    EXPECT_TRUE(panes[0].DotsCalls().empty());
    engine.Undo();
    EXPECT_TRUE(panes[0].DotsCalls().empty());
    engine.SetShowAtoms(true);
    Clear();
    engine.Redo();
    ASSERT_EQ(panes[0].DotsCalls().size(), 1u);
    EXPECT_EQ(panes[0].lists.back()->size(), 14u);
}

TEST_F(PaneAtoms, ACenteringMovesTheAtomsButNotTheAxesOrTheVectors) {
    Pick(SpinId::V1Tail1, 1);
    Pick(SpinId::V1Head1, 4);
    engine.SetShowAtoms(true);
    const std::vector<std::string> dotsBefore = panes[0].DotsCalls();
    std::vector<std::string> drawn = panes[0].AfterClearing();
    const ControlState boxes = engine.Controls();
    Pick(SpinId::CenterAtom1, 7);  // H at (2.5, 0, 0.1) to the origin
    Pick(SpinId::CenterAtom2, 7);
    Clear();
    engine.UserCenter();
    ASSERT_EQ(panes[0].DotsCalls().size(), 1u);
    EXPECT_NE(panes[0].DotsCalls(), dotsBefore);
    // Atom 7 now at the origin pixel, in front (z 0.1 above the ring's 0).
    const Dot& front = panes[0].lists.back()->back();
    EXPECT_EQ(std::make_pair(front.X, front.Y), std::make_pair(104, 109));
    std::vector<std::string> after = panes[0].AfterClearing();
    after.erase(after.begin());
    drawn.erase(drawn.begin());
    EXPECT_EQ(after, drawn);
    EXPECT_EQ(engine.Controls().Text(TextId::V1X), boxes.Text(TextId::V1X));
}

TEST_F(PaneAtoms, BondsAreFoundOnceAMoleculeAndAgainOnlyWhenItsShapeChanges) {
    // Six C-C and six C-H bonds, under the dots in every pane.
    engine.SetShowAtoms(true);
    const Bond* found = engine.Bonds().data();
    EXPECT_EQ(engine.Bonds().size(), 12u);
    for (const Recorder& pane : panes) ASSERT_FALSE(pane.sticks.empty());
    engine.TypeText(TextId::AngleZ, "30");
    engine.UserRotate(Axis::Z);
    Pick(SpinId::CenterAtom1, 2);
    engine.UserCenter();
    engine.Undo();
    EXPECT_EQ(engine.Bonds().data(), found);  // kept, not searched again
    // An atom moved away, as a change of shape moves it: its bond goes once
    // the engine is told.
    atoms.AtomX[7] = 40;
    EXPECT_EQ(engine.Bonds().size(), 12u);
    engine.ShapeChanged();
    EXPECT_EQ(engine.Bonds().size(), 11u);
    // Another molecule: its own bonds.
    engine.Open(dir.Write("water.xyz", "O 0 0 0\nH 0.757 0.586 0\nH -0.757 0.586 0\n"));
    EXPECT_EQ(engine.Bonds(), (std::vector<Bond>{{1, 2}, {1, 3}}));
}

TEST_F(PaneAtoms, AClickFindsTheAtomByTheLastRedrawsWindow) {
    AtomTable none;
    Engine fresh(none);
    EXPECT_EQ(fresh.AtomAt(PaneId::XY, 104, 109), 0);  // no redraw yet
    // Scale 10: atom 1 at x 1.4 is column 119, row 109; atom 7 at 2.5 is
    // column 131.
    EXPECT_EQ(engine.AtomAt(PaneId::XY, 119, 109), 1);
    EXPECT_EQ(engine.AtomAt(PaneId::XY, 128, 108), 7);
    EXPECT_EQ(engine.AtomAt(PaneId::XY, 124, 109), 0);
    // At scale 5 the same pixel is empty; atom 1 lies at column 134.
    engine.TypeSpin(SpinId::PlotScale, "5");
    EXPECT_EQ(engine.AtomAt(PaneId::XY, 119, 109), 0);
    EXPECT_EQ(engine.AtomAt(PaneId::XY, 134, 109), 1);
    // YZ looks down x: atom 1 (x 1.4) hides atom 4 (x -1.4).
    EXPECT_EQ(engine.AtomAt(PaneId::YZ, 104, 109), 1);
}

}  // namespace
}  // namespace pivora::test
