// The command engine without a window: the commands as the window runs them,
// undo and redo bit for bit, the recipe of a session replayed on its file.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/Error.h"
#include "base/LargeMemory.h"
#include "engine/Engine.h"
#include "engine/MemoryRoom.h"
#include "engine/MoleculeSymmetry.h"
#include "engine/Recipe.h"
#include "numeric/DecimalText.h"
#include "support/ErrorCheck.h"
#include "support/TableCheck.h"
#include "support/TempDir.h"

namespace pivora::test {
namespace {

// Atom 1 to atom 5 is (2, 3, 6), of length 7.
constexpr char kRoad[] = "C1 1.5 -0.5 2\nH1 2.5 0.5 2\nH2 0.5 1 1\nO1 -1 0.25 3\nN1 3.5 2.5 8\n";
// The recipe of a session whose boxes were all empty at the open.
const std::string kOpenedRecipe =
    "pivora-recipe 1\n# the boxes as they stood when the file was opened\nuse vector1\n"
    "# the commands\n";

class EngineTest : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const std::string& text) {
        return dir.Write(name, text);
    }
    std::string Saved(Engine& e, const std::string& name) {
        e.Save(dir.File(name));
        return ReadAll(dir.File(name));
    }
    void Pick(SpinId box, int index) {
        engine.TypeSpin(box, std::to_string(index));
        engine.LeaveSpin(box);
    }

    TempDir dir;
    AtomTable atoms;
    Engine engine{atoms};
};

TEST_F(EngineTest, TheRoadOfTypicalUseGivesTheWindowsFile) {
    engine.Open(Write("mol.xyz", kRoad));
    EXPECT_EQ(engine.Controls().Text(TextId::CenterName1), "C1");
    EXPECT_EQ(engine.Controls().Text(TextId::CenterName2), "H1");
    Pick(SpinId::V1Tail1, 1);
    Pick(SpinId::V1Head1, 5);
    EXPECT_EQ(engine.Controls().Text(TextId::V1HeadName1), "N1");
    EXPECT_EQ(engine.Controls().Text(TextId::V1Z), "6");
    Pick(SpinId::CenterAtom2, 1);
    engine.UserCenter();
    engine.UserFit(Axis::Y);
    EXPECT_EQ(engine.Controls().Text(TextId::AngleX), "-63.434948822922");
    engine.UserFit(Axis::X);
    EXPECT_EQ(engine.Controls().Text(TextId::AngleZ), "-73.3984504009798");
    EXPECT_EQ(Saved(engine, "mol.out"),
              "C1              0.000000000    0.000000000    0.000000000\r\n"
              "H1              0.714285714   -0.830539534   -0.894427191\r\n"
              "H2             -0.500000000    0.894427191   -1.788854382\r\n"
              "O1              0.464285714    2.747169229   -0.223606798\r\n"
              "N1              7.000000000   -0.000000000    0.000000000\r\n");
    EXPECT_EQ(engine.RecipeText(),
              kOpenedRecipe + "select SEV1 1\nselect SEV5 5\ncenter 1 1\nfit y\nfit x\n");
}

TEST_F(EngineTest, AGroupFillsItsBoxesFirstAndFourOfItAreTheBoxesExactly) {
    engine.Open(Write("mol.xyz", kRoad));
    Pick(SpinId::V1Tail1, 1);
    for (int head = 2; head <= 5; ++head) Pick(AtomBox(VectorId::Vector1, 2 + head), head);
    const std::string boxes[3] = {engine.Controls().Text(TextId::V1X),
                                  engine.Controls().Text(TextId::V1Y),
                                  engine.Controls().Text(TextId::V1Z)};
    engine.UserGroup(VectorId::Vector2, GroupEnd::Head, {2, 3, 4, 5});
    engine.UserGroup(VectorId::Vector2, GroupEnd::Tail, {1});
    EXPECT_EQ(engine.Controls().Text(TextId::V2X), boxes[0]);
    EXPECT_EQ(engine.Controls().Text(TextId::V2Y), boxes[1]);
    EXPECT_EQ(engine.Controls().Text(TextId::V2Z), boxes[2]);
    EXPECT_TRUE(engine.Controls().MoreOf(VectorId::Vector2, GroupEnd::Head).empty());

    engine.UserGroup(VectorId::Vector1, GroupEnd::Head, {5, 4, 3, 2, 1});
    EXPECT_EQ(engine.Controls().Spin(SpinId::V1Head1).Text, "5");
    EXPECT_EQ(engine.Controls().Spin(SpinId::V1Head4).Text, "2");
    EXPECT_EQ(engine.Controls().Text(TextId::V1HeadName1), "N1");
    EXPECT_EQ(engine.Controls().MoreOf(VectorId::Vector1, GroupEnd::Head), std::vector<int>{1});
    engine.UserGroup(VectorId::Vector1, GroupEnd::Tail, {2});
    EXPECT_EQ(engine.Controls().Spin(SpinId::V1Tail2).Text, "0");
    EXPECT_EQ(engine.Controls().Text(TextId::V1TailName2), "None");
    const std::string recipe = engine.RecipeText();
    EXPECT_NE(recipe.find("group vector1 head 5 4 3 2 1\n"), std::string::npos);

    // Replayed, and undone, the group comes back whole.
    AtomTable replayed;
    Engine batch(replayed);
    batch.Open(dir.File("mol.xyz"));
    batch.Apply(ParseRecipe(recipe), false);
    EXPECT_TRUE(batch.Controls() == engine.Controls());
    engine.Undo();
    engine.Undo();
    EXPECT_TRUE(engine.Controls().MoreOf(VectorId::Vector1, GroupEnd::Head).empty());
    EXPECT_EQ(engine.Controls().Spin(SpinId::V1Head1).Text, "2");
}

TEST_F(EngineTest, FailuresAChemistMeetsSayWhatHappenedUnderTheUnchangedMessage) {
    struct Case {
        const char* name;
        const char* molecule;  // Vector1 runs from atom 1 to atom 2 when there are two
        std::function<void(Engine&)> command;
        ErrorKind kind;
        const char* message;
        const char* detail;
    };
    const Case cases[] = {
        {"FitXOnAVectorAlongZ", "A 0 0 0\nB 0 0 2\n", [](Engine& e) { e.UserFit(Axis::X); },
         ErrorKind::InvalidOperation, "不正な浮動小数点数演算命令",
         "The vector has no component in the XY plane; it already lies along Z. FitX has "
         "nothing to turn."},
        {"FitYOnAVectorInTheXZPlane", "A 0 0 0\nB 1 0 2\n", [](Engine& e) { e.UserFit(Axis::Y); },
         ErrorKind::DivideByZero, "0 による浮動小数点数除算",
         "The vector's projection on the YZ plane lies along Z, at right angles to Y. Turn the "
         "molecule by 90 degrees about X (RotateX) and fit again."},
        {"FitZOnAVectorAlongY", "A 0 0 0\nB 0 3 0\n", [](Engine& e) { e.UserFit(Axis::Z); },
         ErrorKind::InvalidOperation, "不正な浮動小数点数演算命令",
         "The vector has no component in the ZX plane; it already lies along Y. FitZ has "
         "nothing to turn."},
        {"FitBeforeAnyVector", "A 0 0 0\n", [](Engine& e) { e.UserFit(Axis::X); },
         ErrorKind::Conversion, "'' は浮動小数点数ではありません",
         "Vector1 has no components yet: choose at least one tail atom and one head atom in the "
         "Vector1 Definition group. FitX acts on Vector1 because its check box is ticked."},
        {"FitOnATypedText", "A 0 0 0\n",
         [](Engine& e) {
             e.TypeText(TextId::V1X, "1");
             e.TypeText(TextId::V1Y, "one");
             e.UserFit(Axis::X);
         },
         ErrorKind::Conversion, "'one' は浮動小数点数ではありません",
         "FitX reads Vector1 from the boxes VY and VX, and one of them holds no number. Type the "
         "component, or choose the vector's atoms again to have it computed."},
        {"ScaleZeroWhileTyping", "A 0 0 0\n", [](Engine& e) { e.TypeSpin(SpinId::PlotScale, "0"); },
         ErrorKind::InvalidOperation, "不正な浮動小数点数演算命令",
         "A plot scale of 0 gives the panes no width. Type a scale from 1 to 100 angstrom into "
         "Plot Scale."},
        {"AngleNotANumber", "A 0 0 0\n",
         [](Engine& e) {
             e.TypeText(TextId::AngleY, "ninety");
             e.UserRotate(Axis::Y);
         },
         ErrorKind::Conversion, "'ninety' は浮動小数点数ではありません",
         "Type the angle in degrees into the box above RotateY, as a number such as 90 or -45.5."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AtomTable table;
        Engine e(table);
        e.Open(Write("mol.xyz", c.molecule));
        if (table.AtomCount == 2) {
            e.TypeSpin(SpinId::V1Tail1, "1");
            e.TypeSpin(SpinId::V1Head1, "2");
        }
        const TableSnapshot before = Snapshot(table);
        EXPECT_EQ(ExpectError([&] { c.command(e); }, c.kind, c.message).Detail(), c.detail);
        EXPECT_EQ(Snapshot(table), before);
    }
}

TEST_F(EngineTest, PanesAreComputedWithoutAWindowAndFailWhereTheWindowWould) {
    engine.Open(Write("mol.xyz", "O 0 0 0\nA 3 4 0\n"));
    Pick(SpinId::V1Tail1, 1);
    Pick(SpinId::V1Head1, 2);
    EXPECT_TRUE(engine.PaneDrawn(0));
    EXPECT_THROW(engine.TypeSpin(SpinId::PlotScale, "0"), Error);
    EXPECT_EQ(engine.Controls().Spin(SpinId::PlotScale).Text, "0");
    // Scale 0 fails the redraw.
    EXPECT_EQ(ErrorOf([&] { engine.UserFit(Axis::X); }).Kind(), ErrorKind::InvalidOperation);
    // The turn was done before the redraw failed, as in the window.
    EXPECT_EQ(engine.Controls().Text(TextId::AngleZ), "-53.130102354156");
    EXPECT_EQ(engine.Controls().Text(TextId::V1X), "3");
}

TEST_F(EngineTest, ModifiedFollowsTheCoordinatesThroughUndoRedoAndSave) {
    EXPECT_FALSE(engine.Modified());
    engine.UserRotate(Axis::Z);  // nothing loaded: nothing changes
    EXPECT_FALSE(engine.Modified());
    engine.Open(Write("mol.xyz", kRoad));
    EXPECT_FALSE(engine.Modified());
    engine.TypeText(TextId::AngleZ, "30");
    EXPECT_FALSE(engine.Modified());
    engine.UserRotate(Axis::Z);
    EXPECT_TRUE(engine.Modified());
    engine.Undo();
    EXPECT_FALSE(engine.Modified());
    engine.Redo();
    EXPECT_TRUE(engine.Modified());
    // An export keeps element symbols, not the labels: only Save saves.
    engine.Export(dir.File("mol-oriented.xyz"), io::ExportFormat::Xyz, {});
    EXPECT_TRUE(engine.Modified());
    Saved(engine, "mol.out");
    EXPECT_FALSE(engine.Modified());
    engine.Undo();
    EXPECT_TRUE(engine.Modified());
}

TEST_F(EngineTest, TypingInOneBoxIsOneStepAndOnlyItsLastComponentIsRecorded) {
    engine.Open(Write("mol.xyz", kRoad));
    engine.TypeSpin(SpinId::V1Tail1, "1");
    engine.TypeSpin(SpinId::V1Tail1, "12");
    engine.TypeSpin(SpinId::V1Tail1, "1");
    engine.TypeText(TextId::V1X, "2");
    engine.TypeText(TextId::V1X, "2.");
    engine.TypeText(TextId::V1X, "2.5");
    EXPECT_EQ(engine.UndoTitle(), "Type Vector1 X Component");
    engine.Undo();
    EXPECT_EQ(engine.Controls().Text(TextId::V1X), "");
    EXPECT_EQ(engine.UndoTitle(), "Vector1 Tail: Atom 1");
    engine.Redo();
    // The 12 on the way names no atom of the five: it selected none, as 0.
    EXPECT_EQ(engine.RecipeText(),
              kOpenedRecipe + "select SEV1 1\nselect SEV1 0\nselect SEV1 1\nset VX 2.5\n");
    engine.Undo();
    engine.Undo();
    EXPECT_FALSE(engine.CanUndo());
    EXPECT_EQ(engine.Controls().Spin(SpinId::V1Tail1).Text, "0");
    EXPECT_EQ(engine.RecipeText(), kOpenedRecipe);
}

TEST_F(EngineTest, FailingCommandsAreRecordedAndChangeNothing) {
    engine.Open(Write("mol.xyz", kRoad));
    const auto before = Snapshot(atoms);
    engine.TypeText(TextId::AngleX, "abc");
    EXPECT_THROW(engine.UserRotate(Axis::X), Error);
    EXPECT_THROW(engine.UserFit(Axis::X), Error);  // the components never computed
    EXPECT_EQ(Snapshot(atoms), before);
    EXPECT_EQ(engine.RecipeText(), kOpenedRecipe + "rotate x abc\nfit x\n");
    EXPECT_FALSE(engine.Modified());
}

TEST_F(EngineTest, AnOpenStartsAfreshAndAFailedOneKeepsEverything) {
    engine.Open(Write("a.xyz", kRoad));
    engine.UserRotate(Axis::Z);
    const auto state = engine.Controls();
    const auto bits = Snapshot(atoms);
    EXPECT_THROW(engine.Open(Write("bad.xyz", "C1 1 2\n")), Error);
    EXPECT_EQ(Snapshot(atoms), bits);
    EXPECT_TRUE(engine.Controls() == state);
    EXPECT_TRUE(engine.CanUndo());
    engine.Open(Write("b.xyz", "X 1 2 3\n"));
    EXPECT_FALSE(engine.CanUndo());
    EXPECT_FALSE(engine.Modified());
    EXPECT_EQ(engine.RecipeText(), kOpenedRecipe);
}

// An open over a molecule of the same size writes into its arrays once the
// undo history lets go of them, so that two molecules never need room at
// once; what an observer was shown, it keeps until it is shown the next.
TEST_F(EngineTest, AReopenRefillsTheOldArraysAndTheObserverSeesTheNewAtoms) {
    struct Grid : EngineObserver {
        AtomTable shown;
        int releases = 0;
        void ShowAtoms(const AtomTable& table) override { shown = table; }
        void RefreshAtoms(const AtomTable& table, bool) override { shown = table; }
        void ResetPane(int) override {}
        void ReleaseAtoms() override {
            shown = AtomTable();
            ++releases;
        }
    } grid;
    engine.SetObserver(&grid);
    engine.Open(Write("a.xyz", kRoad));
    engine.UserRotate(Axis::Z);     // a step in the history shares the arrays
    const AtomTable& read = atoms;  // reading through a const view copies nothing
    const double* x = read.AtomX.data();
    const std::string* names = read.AtomName.data();
    std::string turned(kRoad);
    turned.replace(0, 2, "Xe");
    engine.Open(Write("b.xyz", turned));
    EXPECT_EQ(read.AtomX.data(), x);
    EXPECT_EQ(read.AtomName.data(), names);
    EXPECT_EQ(grid.releases, 1);
    EXPECT_EQ(grid.shown.AtomName[1], "Xe");
    EXPECT_TRUE(grid.shown.AtomX.SharesWith(read.AtomX));
    EXPECT_FALSE(engine.CanUndo());
    // A bad file changes nothing, the observer's atoms included.
    EXPECT_THROW(engine.Open(Write("bad.xyz", "C1 1 2\n")), Error);
    EXPECT_EQ(grid.releases, 1);
    EXPECT_EQ(grid.shown.AtomName[1], "Xe");
    // A smaller molecule takes arrays of its own size.
    engine.Open(Write("small.xyz", "H 0 0 0\n"));
    EXPECT_EQ(atoms.Capacity(), 11u);
    EXPECT_EQ(grid.shown.AtomCount, 1);
    engine.SetObserver(nullptr);
}

TEST_F(EngineTest, OldStepsFallOffTheHistoryButStayInTheRecipe) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "C" + std::to_string(i) + " 1 2 3\n";
    engine.Open(Write("mol.xyz", text));
    const std::size_t snapshot = 3 * atoms.AtomX.size() * sizeof(double);
    engine.SetHistoryLimit(4 * snapshot);
    engine.TypeText(TextId::AngleZ, "10");
    for (int i = 0; i < 8; ++i) engine.UserRotate(Axis::Z);
    int undone = 0;
    while (engine.CanUndo()) {
        engine.Undo();
        ++undone;
    }
    EXPECT_EQ(undone, 3);
    const TableSnapshot kept = Snapshot(atoms);
    EXPECT_EQ(kept.x.size() + kept.y.size() + kept.z.size(), 3 * atoms.AtomX.size());
    std::string expected = kOpenedRecipe;
    for (int i = 0; i < 8 - 3; ++i) expected += "rotate z 10\n";
    EXPECT_EQ(engine.RecipeText(), expected);
}

// A recipe made for a larger molecule must not lay a neighbour of the atom it
// meant on the axis: an index the molecule lacks fails, and changes nothing.
TEST_F(EngineTest, ARecipesAtomThatTheMoleculeLacksFailsTheCommandAndChangesNothing) {
    engine.Open(Write("mol.xyz", kRoad));
    Pick(SpinId::V1Tail1, 1);
    Pick(SpinId::V1Head1, 5);
    struct Case {
        const char* line;
        const char* message;  // empty: the command runs
    };
    const Case cases[] = {
        {"select SEV5 6", "Atom 6 is not in the molecule: it has 5 atoms."},
        {"select SEV5 -1", "Atom -1 is not in the molecule: it has 5 atoms."},
        {"center -1 -5", "Atom -1 is not in the molecule: it has 5 atoms."},
        {"center 1 6", "Atom 6 is not in the molecule: it has 5 atoms."},
        {"center 0 1", "Atom 0 is not in the molecule: it has 5 atoms."},  // no "no atom" here
        {"group vector1 head 2 99999", "Atom 99999 is not in the molecule: it has 5 atoms."},
        {"group vector2 tail 0 0 0 0 7", "Atom 7 is not in the molecule: it has 5 atoms."},
        {"select SEV6 0", ""},
        {"group vector2 tail 0 3 0 0 5", ""},
        {"center 5 5", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::vector<RecipeCommand> commands =
            ParseRecipe(std::string("pivora-recipe 1\n") + c.line + "\n");
        const TableSnapshot bits = Snapshot(atoms);
        const ControlState controls = engine.Controls();
        if (*c.message == '\0') {
            EXPECT_NO_THROW(engine.Run(commands.at(0)));
            continue;
        }
        const Error e =
            ExpectError([&] { engine.Run(commands.at(0)); }, ErrorKind::Index, c.message);
        EXPECT_NE(e.Detail().find("from 1 to the atom count"), std::string::npos);
        EXPECT_EQ(Snapshot(atoms), bits);
        EXPECT_TRUE(engine.Controls() == controls);
    }
}

// The window's recipe starts with the boxes as they stood at the open, and
// records what typing selected: both are atoms of this molecule, or 0, even
// where the boxes still hold atoms of a larger one opened before.
TEST_F(EngineTest, AWindowsRecipeReplaysOnItsOwnMoleculeAfterALargerOne) {
    engine.Open(Write("big.xyz", kRoad));
    engine.UserGroup(VectorId::Vector1, GroupEnd::Head, {5, 4, 3, 2, 1});
    Pick(SpinId::V2Head1, 5);
    const std::string small = Write("small.xyz", "A 0 0 0\nB 1 2 3\n");
    engine.Open(small);
    Pick(SpinId::V1Tail1, 2);
    engine.TypeSpin(SpinId::V2Tail1, "2");
    engine.TypeSpin(SpinId::V2Tail1, "25");  // left as 2
    engine.LeaveSpin(SpinId::V2Tail1);
    engine.UserFit(Axis::Y);
    const std::string recipe = engine.RecipeText();
    AtomTable replayed;
    Engine batch(replayed);
    batch.Open(small);
    EXPECT_NO_THROW(batch.Apply(ParseRecipe(recipe), false)) << recipe;
    EXPECT_EQ(Saved(batch, "batch.out"), Saved(engine, "window.out"));
}

TEST_F(EngineTest, ARecipeGivenUpIsTakenBackWhole) {
    engine.Open(Write("mol.xyz", kRoad));
    engine.TypeText(TextId::AngleZ, "30");
    engine.UserRotate(Axis::Z);
    const TableSnapshot bits = Snapshot(atoms);
    const ControlState controls = engine.Controls();
    const std::string recipe = engine.RecipeText();
    struct GivenUp {};
    const auto commands = ParseRecipe("pivora-recipe 1\nrotate z 10\nselect SEV1 2\nrotate x 5\n");
    std::vector<std::uint64_t> heard;
    EXPECT_THROW(engine.Apply(commands, false, {}, "Apply Recipe",
                              [&](std::uint64_t done, std::uint64_t total) {
                                  heard.push_back(done);
                                  EXPECT_EQ(total, 3u);
                                  if (done == 2) throw GivenUp{};
                              }),
                 GivenUp);
    EXPECT_EQ(heard, (std::vector<std::uint64_t>{1, 2}));
    EXPECT_EQ(Snapshot(atoms), bits);
    EXPECT_TRUE(engine.Controls() == controls);
    EXPECT_EQ(engine.RecipeText(), recipe);
    EXPECT_EQ(engine.UndoTitle(), "Turn About Z by 30\u00b0");
    EXPECT_FALSE(engine.CanRedo());
    // Without a history to take it back, the commands stay, and it says so.
    engine.SetHistoryLimit(8);
    EXPECT_FALSE(engine.CanTakeBackRuns());
    const Error e = ErrorOf([&] {
        engine.Apply(commands, false, {}, "Apply Recipe", [](std::uint64_t done, std::uint64_t) {
            if (done == 1) throw GivenUp{};
        });
    });
    EXPECT_EQ(e.Message(),
              "The recipe was stopped after 1 of 3 commands, which stay done: there was no room "
              "to keep the molecule as it was before them.");
    EXPECT_NE(Snapshot(atoms), bits);
}

// The history leaves the process room to paint and to save: with an address
// space limit it keeps a quarter of it (at least 256 MiB) free.
TEST_F(EngineTest, TheHistoryKeepsAMarginOfTheAddressSpaceFree) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "C" + std::to_string(i) + " 1 2 3\n";
    engine.Open(Write("mol.xyz", text));
    const std::size_t snapshot = 3 * atoms.AtomX.size() * sizeof(double);
    const std::uint64_t limit = std::uint64_t{2} << 30;
    const std::uint64_t margin = AddressSpaceMargin(limit);
    EXPECT_EQ(margin, limit / 4);
    EXPECT_EQ(AddressSpaceMargin(std::uint64_t{512} << 20), std::uint64_t{256} << 20);
    // The process uses what the history holds on top of the rest, which
    // leaves room for four snapshots beside the margin.
    const std::uint64_t rest = limit - margin - 4 * snapshot;
    engine.SetMemoryProbe([&] {
        MemoryRoom room;
        room.addressSpaceLimit = limit;
        room.addressSpaceUsed = rest + engine.HistoryBytes();
        return room;
    });
    engine.TypeText(TextId::AngleZ, "10");
    for (int i = 0; i < 8; ++i) engine.UserRotate(Axis::Z);
    EXPECT_LE(engine.HistoryBytes(), 4 * snapshot);
    EXPECT_EQ(engine.UndoCount(), 3u);
    // With the margin short by more than the history holds, the history
    // gives back all it holds, and the commands stay in the recipe.
    engine.SetMemoryProbe([&] {
        MemoryRoom room;
        room.addressSpaceLimit = limit;
        room.addressSpaceUsed = limit - margin + 10 * snapshot;
        return room;
    });
    engine.UserRotate(Axis::Z);
    EXPECT_FALSE(engine.CanUndo());
    EXPECT_EQ(engine.HistoryBytes(), 0u);
    std::string expected = kOpenedRecipe;
    for (int i = 0; i < 9; ++i) expected += "rotate z 10\n";
    EXPECT_EQ(engine.RecipeText(), expected);
    // Room again: undo again.
    engine.SetMemoryProbe([] { return MemoryRoom{}; });
    engine.UserRotate(Axis::Z);
    EXPECT_TRUE(engine.CanUndo());
    // What the system has left counts too.
    EXPECT_EQ(SpareMemory(MemoryRoom{{}, {}, std::uint64_t{300} << 20}), std::int64_t{44} << 20);
}

// The same under a real limit, in a child process: a dozen turns of a
// million atoms, which would fill the default 256 MB of history, leave
// room for a 240 MiB block (a window's painting and a save need far less).
TEST_F(EngineTest, UnderAnAddressSpaceLimitTheHistoryLeavesRoomToPaintAndSave) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer maps terabytes of shadow memory: no address-space limit "
                    "can be set under it.";
#else
    std::string text;
    text.reserve(std::size_t{40} << 20);
    for (int i = 0; i < 1000000; ++i) text += "C 1.25 -2.5 3.75\n";
    const std::string path = Write("big.xyz", text);
    text = std::string();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(120);  // a hang fails the test instead of blocking it
        ReturnLargeBlocksToTheSystem();
        AtomTable table;
        Engine e(table);
        try {
            e.Open(path);
        } catch (...) {
            std::_Exit(10);
        }
        const std::optional<std::uint64_t> used = ProbeMemoryRoom().addressSpaceUsed;
        if (!used) std::_Exit(11);
        const rlim_t most = *used + (rlim_t{352} << 20);
        const rlimit limit{most, most};
        if (::setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(12);
        try {
            e.TypeText(TextId::AngleZ, "30");
            for (int turn = 0; turn < 12; ++turn) e.UserRotate(Axis::Z);
        } catch (...) {
            std::_Exit(13);
        }
        if (!e.CanUndo()) std::_Exit(14);
        void* block = std::malloc(std::size_t{240} << 20);
        if (block == nullptr) std::_Exit(15);
        std::memset(block, 1, std::size_t{240} << 20);
        std::free(block);
        std::_Exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child was ended by signal " << WTERMSIG(status);
    // 13: a turn failed; 14: no undo left at all; 15: no room for the block.
    EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

TEST_F(EngineTest, AMoleculeTooLargeForTwoCopiesGetsNoUndoButKeepsItsRecipe) {
    engine.Open(Write("mol.xyz", kRoad));
    engine.SetHistoryLimit(8);
    engine.UserRotate(Axis::Z);
    EXPECT_FALSE(engine.CanUndo());
    EXPECT_EQ(engine.RecipeText(), kOpenedRecipe + "rotate z 0\n");
}

// --- Properties over random molecules and random sessions ---

std::string RandomMolecule(std::mt19937_64& random) {
    std::uniform_int_distribution<int> count(2, 12);
    std::uniform_int_distribution<long long> micro(-20000000000LL, 20000000000LL);
    const char* const elements[] = {"C", "H", "N", "O", "Fe", "Co"};
    std::string text;
    const int n = count(random);
    for (int k = 1; k <= n; ++k) {
        text += elements[random() % 6] + std::to_string(k);
        for (int c = 0; c < 3; ++c) {
            const long long v = micro(random);  // nanoangstrom
            text += ' ' + std::string(v < 0 ? "-" : "") +
                    std::to_string(std::llabs(v) / 1000000000) + '.' +
                    std::to_string(1000000000 + std::llabs(v) % 1000000000).substr(1);
        }
        text += '\n';
    }
    return text;
}

// One user event of a session, as the window passes it in: one or a few
// calls, each followed by settle(). A failing call is a command that failed
// as the window's would; the session goes on.
void RandomEvent(
    Engine& e, std::mt19937_64& random, const std::function<void()>& settle = [] {}) {
    auto call = [&](const std::function<void()>& f) {
        try {
            f();
        } catch (const Error&) {
        }
        settle();
    };
    // Typing an angle is no step: it joins the turn that follows.
    auto type = [&](const std::function<void()>& f) {
        try {
            f();
        } catch (const Error&) {
        }
    };
    const int atoms = e.Atoms().AtomCount;
    std::uniform_int_distribution<int> index(-1, atoms + 2);
    const char* const angles[] = {"30", "-45", "90", "1E-3", "abc", "", "12.5", "-0"};
    const char* const components[] = {"1", "-2.5", "0", "", "x", "3E2"};
    const Axis axes[] = {Axis::X, Axis::Y, Axis::Z};
    switch (random() % 11) {
        case 10: {
            // The symmetry commands: a direction, symmetrize, the standard
            // frame, at tolerances good and bad.
            const char* const tolerances[] = {"0.01", "0.5", "1", "abc", "0"};
            const char* const tolerance = tolerances[random() % 5];
            switch (random() % 3) {
                case 0: {
                    const double values[] = {1, -0.5, 0, 2.25, 1e-20, 0.70710678118654757};
                    const std::array<double, 3> direction = {
                        values[random() % 6], values[random() % 6], values[random() % 6]};
                    const char* const names[] = {"", "C6 axis", "\u03c3v plane"};
                    const VectorId vector = random() % 2 ? VectorId::Vector1 : VectorId::Vector2;
                    call([&] { e.UserDirection(vector, direction, names[random() % 3]); });
                    break;
                }
                case 1:
                    call([&] { e.UserSymmetrize(tolerance); });
                    break;
                default:
                    call([&] { e.UserStandardFrame(tolerance); });
            }
            break;
        }
        case 8: {
            std::vector<int> group(1 + random() % 7);
            for (int& atom : group) atom = index(random);
            const VectorId vector = random() % 2 ? VectorId::Vector1 : VectorId::Vector2;
            const GroupEnd end = random() % 2 ? GroupEnd::Tail : GroupEnd::Head;
            call([&] { e.UserGroup(vector, end, group); });
            break;
        }
        case 0:
        case 1: {
            const auto box = AtomBox(random() % 2 ? VectorId::Vector1 : VectorId::Vector2,
                                     static_cast<int>(random() % 8));
            const std::string text = std::to_string(index(random));
            call([&] { e.TypeSpin(box, text); });
            call([&] { e.LeaveSpin(box); });
            break;
        }
        case 2:
            for (const SpinId box : {SpinId::CenterAtom1, SpinId::CenterAtom2}) {
                const std::string text = std::to_string(index(random));
                call([&] { e.TypeSpin(box, text); });
                call([&] { e.LeaveSpin(box); });
            }
            call([&] { e.UserCenter(); });
            break;
        case 3: {
            const Axis axis = axes[random() % 3];
            const char* angle = angles[random() % 8];
            type([&] { e.TypeText(AngleBox(axis), angle); });
            call([&] { e.UserRotate(axis); });
            break;
        }
        case 4:
        case 5: {
            const Axis axis = axes[random() % 3];
            call([&] { e.UserFit(axis); });
            break;
        }
        case 6: {
            const VectorId box = random() % 2 == 0 ? VectorId::Vector1 : VectorId::Vector2;
            const bool checked =
                !(box == VectorId::Vector1 ? e.Controls().FitsVector1 : e.Controls().FitsVector2);
            call([&] { e.ClickFitsVector(box, checked); });
            break;
        }
        case 7: {
            const TextId box = ComponentBox(random() % 2 ? VectorId::Vector1 : VectorId::Vector2,
                                            axes[random() % 3]);
            const char* text = components[random() % 6];
            call([&] { e.TypeText(box, text); });
            break;
        }
        default: {
            const Axis axis = axes[random() % 3];
            call([&] { e.UserRotate(axis); });
        }
    }
}

void RandomSession(Engine& e, std::mt19937_64& random, int events) {
    for (int i = 0; i < events; ++i) RandomEvent(e, random);
}

TEST_F(EngineTest, UndoRestoresEveryStepBitForBitAndRedoDoesItAgain) {
    std::mt19937_64 random(20261208);
    for (int trial = 0; trial < 150; ++trial) {
        SCOPED_TRACE(trial);
        AtomTable table;
        Engine e(table);
        e.Open(Write("mol.xyz", RandomMolecule(random)));
        // The state after each step, as the steps come: typing that joins the
        // last step replaces its state.
        std::vector<TableSnapshot> bits{Snapshot(table)};
        std::vector<ControlState> controls{e.Controls()};
        for (int i = 0; i < 25; ++i) {
            RandomEvent(e, random, [&] {
                bits.resize(e.UndoCount() + 1);
                controls.resize(e.UndoCount() + 1);
                bits.back() = Snapshot(table);
                controls.back() = e.Controls();
            });
        }
        for (std::size_t at = bits.size() - 1; at > 0; --at) {
            ASSERT_TRUE(e.CanUndo());
            e.Undo();
            ASSERT_EQ(Snapshot(table), bits[at - 1]);
            ASSERT_TRUE(e.Controls() == controls[at - 1]);
        }
        EXPECT_FALSE(e.CanUndo());
        for (std::size_t at = 1; at < bits.size(); ++at) {
            e.Redo();
            ASSERT_EQ(Snapshot(table), bits[at]);
            ASSERT_TRUE(e.Controls() == controls[at]);
        }
        EXPECT_FALSE(e.CanRedo());
    }
}

TEST_F(EngineTest, TheRecipeOfASessionRunOnItsFileGivesTheSameFileAndBoxes) {
    std::mt19937_64 random(42);
    for (int trial = 0; trial < 150; ++trial) {
        SCOPED_TRACE(trial);
        const std::string path = Write("mol.xyz", RandomMolecule(random));
        AtomTable table;
        Engine session(table);
        session.Open(path);
        RandomSession(session, random, 30);
        if (trial % 3 == 0) {
            // Undone steps leave the recipe too.
            session.Undo();
            session.Undo();
        }

        AtomTable replayed;
        Engine batch(replayed);
        batch.EnableHistory(false);
        batch.Open(path);
        batch.Apply(ParseRecipe(session.RecipeText()), true);
        EXPECT_EQ(Snapshot(replayed), Snapshot(table));
        // What the fits read comes back too; a number typed into a centering,
        // scale or angle box that no command used is not a command.
        for (const VectorId vector : {VectorId::Vector1, VectorId::Vector2}) {
            for (int slot = 0; slot < 8; ++slot) {
                const SpinId box = AtomBox(vector, slot);
                EXPECT_EQ(batch.Controls().Spin(box), session.Controls().Spin(box));
                EXPECT_EQ(batch.Controls().Text(*NameBoxOf(box)),
                          session.Controls().Text(*NameBoxOf(box)));
            }
            for (const Axis axis : {Axis::X, Axis::Y, Axis::Z}) {
                EXPECT_EQ(batch.Controls().Text(ComponentBox(vector, axis)),
                          session.Controls().Text(ComponentBox(vector, axis)));
            }
        }
        EXPECT_EQ(batch.Controls().FitsVector1, session.Controls().FitsVector1);
        EXPECT_EQ(Saved(batch, "batch.out"), Saved(session, "window.out"));
        EXPECT_EQ(batch.RecipeText(), session.RecipeText());
    }
}

// A session where numbers are written with a comma gives a recipe that says
// so, and the recipe turns the molecule the same where the full stop is used.
TEST_F(EngineTest, ARecipeCarriesTheSeparatorItsNumbersWereTypedWith) {
    std::mt19937_64 random(1209);
    for (int trial = 0; trial < 60; ++trial) {
        SCOPED_TRACE(trial);
        const std::string path = Write("mol.xyz", RandomMolecule(random));
        SetDecimalSeparator(',');
        AtomTable table;
        Engine session(table);
        session.Open(path);
        RandomSession(session, random, 30);
        const std::string recipe = session.RecipeText();
        SetDecimalSeparator('.');
        EXPECT_EQ(recipe.rfind("pivora-recipe 1\ndecimal-separator ,\n", 0), 0u);
        AtomTable replayed;
        Engine batch(replayed);
        batch.Open(path);
        batch.Apply(ParseRecipe(recipe), true);
        EXPECT_EQ(Snapshot(replayed), Snapshot(table));
        EXPECT_EQ(batch.RecipeText(),
                  WithSeparator(recipe.substr(recipe.find('\n', 16) + 1), ',', '.')
                      .insert(0, "pivora-recipe 1\n"));
    }
}

// A recipe applied in a window gives what the batch tool gives on the same
// file, whatever selections, groups, angles, components and vector choice
// were left in the boxes from earlier work.
TEST_F(EngineTest, ARecipeGivesTheBatchToolsMoleculeWhateverTheBoxesHeld) {
    std::mt19937_64 random(7);
    for (int trial = 0; trial < 100; ++trial) {
        SCOPED_TRACE(trial);
        const std::string path = Write("mol.xyz", RandomMolecule(random));
        // The recipe: a random session's.
        AtomTable recorded;
        Engine author(recorded);
        author.Open(path);
        RandomSession(author, random, 20);
        const std::vector<RecipeCommand> recipe = ParseRecipe(author.RecipeText());

        AtomTable table;
        Engine window(table);
        window.Open(path);
        RandomSession(window, random, 20);
        window.Open(path);  // the boxes stay as the earlier work left them
        AtomTable alone;
        Engine batch(alone);
        batch.EnableHistory(false);
        batch.Open(path);
        window.Apply(recipe, true);
        batch.Apply(recipe, true);
        EXPECT_EQ(Snapshot(table), Snapshot(alone));
        EXPECT_TRUE(window.Controls() == batch.Controls());
    }
}

using Places = std::vector<std::array<double, 3>>;

// The atoms of a table, in order.
Places PlacesOf(const AtomTable& table) {
    Places places;
    for (int k = 1; k <= table.AtomCount; ++k) {
        places.push_back({table.AtomX[k], table.AtomY[k], table.AtomZ[k]});
    }
    return places;
}

// A rigid copy of the atoms as a coordinate file: turned by a random rotation
// (from a random unit quaternion) and moved by up to 50 angstrom on each axis.
// labels gives each atom's label; without them the atoms are A1, A2 ...
std::string RigidCopy(const Places& molecule, std::mt19937_64& random,
                      const std::vector<std::string>& labels = {}) {
    std::normal_distribution<double> normal;
    std::uniform_real_distribution<double> shift(-50, 50);
    double q[4];
    double norm = 0;
    for (double& c : q) {
        c = normal(random);
        norm += c * c;
    }
    for (double& c : q) c /= std::sqrt(norm);
    const auto [w, x, y, z] = q;
    const double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
                            {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
                            {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}};
    const double t[3] = {shift(random), shift(random), shift(random)};
    std::string text;
    for (std::size_t k = 0; k < molecule.size(); ++k) {
        text += labels.empty() ? "A" + std::to_string(k + 1) : labels[k];
        for (int i = 0; i < 3; ++i) {
            const double v = r[i][0] * molecule[k][0] + r[i][1] * molecule[k][1] +
                             r[i][2] * molecule[k][2] + t[i];
            char number[40];
            std::snprintf(number, sizeof number, " %.17g", v);
            text += number;
        }
        text += '\n';
    }
    return text;
}

double LargestDifference(const Places& a, const Places& b) {
    double largest = 0;
    for (std::size_t k = 0; k < a.size(); ++k) {
        for (int i = 0; i < 3; ++i) largest = std::max(largest, std::fabs(a[k][i] - b[k][i]));
    }
    return largest;
}

// A series of calculations needs one frame: the frame recipe of the examples
// gives every rigid copy of a molecule, turned and moved at random, the same
// coordinates.
TEST_F(EngineTest, TheFrameRecipeGivesEveryRigidCopyTheSameCoordinates) {
    const std::vector<RecipeCommand> frame =
        ReadRecipeFile(PIVORA_EXAMPLES "/ferrocene-frame.recipe");
    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> spread(-3, 3);
    // Ferrocene as the example has it, and molecules of eight random atoms.
    std::vector<Places> molecules;
    {
        AtomTable table;
        Engine example(table);
        example.Open(PIVORA_EXAMPLES "/ferrocene.xyz");
        molecules.push_back(PlacesOf(table));
    }
    for (int m = 0; m < 6; ++m) {
        Places atoms(8);
        for (auto& atom : atoms) atom = {spread(random), spread(random), spread(random)};
        molecules.push_back(atoms);
    }
    double largest = 0;
    for (const Places& molecule : molecules) {
        Places first;
        for (int copy = 0; copy < 20; ++copy) {
            AtomTable table;
            Engine e(table);
            e.Open(Write("copy.txt", RigidCopy(molecule, random)));
            e.Apply(frame, false);
            if (first.empty()) {
                first = PlacesOf(table);
                // Vector1 on +Z, Vector2's projection towards +X.
                EXPECT_GT(std::stod(e.Controls().Text(TextId::V1Z)), 0);
                EXPECT_GT(std::stod(e.Controls().Text(TextId::V2X)), 0);
                continue;
            }
            largest = std::max(largest, LargestDifference(PlacesOf(table), first));
        }
    }
    EXPECT_LT(largest, 1e-6);
    RecordProperty("LargestDifferenceAngstrom", std::to_string(largest));
    std::printf("largest difference over the copies: %.3g angstrom\n", largest);
}

// --- Symmetry ---

std::vector<std::string> LabelsOf(const AtomTable& table) {
    return {table.AtomName.begin() + 1, table.AtomName.begin() + 1 + table.AtomCount};
}

// The example file with every coordinate moved by up to noise angstrom.
std::string Shaken(const std::string& example, double noise, std::mt19937_64& random) {
    AtomTable table;
    Engine e(table);
    e.Open(example);
    std::uniform_real_distribution<double> shake(-noise, noise);
    Places places = PlacesOf(table);
    for (auto& place : places) {
        for (double& c : place) c += shake(random);
    }
    std::string text;
    for (std::size_t k = 0; k < places.size(); ++k) {
        char line[120];
        std::snprintf(line, sizeof line, "%s %.9f %.9f %.9f\n", table.AtomName[k + 1].c_str(),
                      places[k][0], places[k][1], places[k][2]);
        text += line;
    }
    return text;
}

TEST_F(EngineTest, SymmetrizeMakesTheGroupExactAsOneStepThatUndoTakesBackBitForBit) {
    std::mt19937_64 random(31);
    engine.Open(Write("noisy.xyz", Shaken(PIVORA_EXAMPLES "/benzene.xyz", 0.003, random)));
    EXPECT_EQ(PointGroupOf(atoms, 0.01).group.Symbol(), "D6h");
    EXPECT_NE(PointGroupOf(atoms, 0.0001).group.Symbol(), "D6h");
    const TableSnapshot before = Snapshot(atoms);
    const ControlState boxes = engine.Controls();
    const Engine::SymmetrizeReport report = engine.UserSymmetrize("0.01");
    EXPECT_GT(report.largestMove, 0.0005);
    EXPECT_LE(report.largestMove, 0.01);
    EXPECT_GE(report.atom, 1);
    EXPECT_EQ(PointGroupOf(atoms, 0.0001).group.Symbol(), "D6h");
    EXPECT_EQ(engine.UndoTitle(), "Symmetrize");
    const TableSnapshot after = Snapshot(atoms);
    engine.Undo();
    EXPECT_EQ(Snapshot(atoms), before);
    EXPECT_TRUE(engine.Controls() == boxes);
    EXPECT_FALSE(engine.CanUndo());
    engine.Redo();
    EXPECT_EQ(Snapshot(atoms), after);
    EXPECT_EQ(engine.RecipeText(), kOpenedRecipe + "symmetrize 0.01\n");
}

// Each refusal of the two commands leaves the atoms and the boxes as they
// were, and says why in English under the message.
TEST_F(EngineTest, SymmetryCommandsThatCannotRunChangeNothing) {
    struct Case {
        const char* name;
        const char* molecule;  // nullptr: nothing opened
        const char* tolerance;
        ErrorKind kind;
        const char* message;
    };
    const Case cases[] = {
        {"NotANumber", "C 0 0 0\nO 1 0 0\n", "abc", ErrorKind::Conversion,
         "'abc' は浮動小数点数ではありません"},
        {"Zero", "C 0 0 0\nO 1 0 0\n", "0", ErrorKind::Symmetry,
         "A tolerance of '0' angstrom is outside what the symmetry search takes."},
        {"AboveOneAngstrom", "C 0 0 0\nO 1 0 0\n", "1.5", ErrorKind::Symmetry,
         "A tolerance of '1.5' angstrom is outside what the symmetry search takes."},
        {"NoAtoms", nullptr, "0.01", ErrorKind::Symmetry, nullptr},
        {"FarTooLarge", "C 0 0 0\nO 1E7 0 0\n", "0.01", ErrorKind::Symmetry, nullptr},
    };
    for (const Case& c : cases) {
        for (const bool frame : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (frame ? " standard frame" : " symmetrize"));
            AtomTable table;
            Engine e(table);
            if (c.molecule) e.Open(Write("mol.xyz", c.molecule));
            const TableSnapshot before = Snapshot(table);
            const ControlState boxes = e.Controls();
            const Error error = ErrorOf([&] {
                if (frame) {
                    e.UserStandardFrame(c.tolerance);
                } else {
                    e.UserSymmetrize(c.tolerance);
                }
            });
            EXPECT_EQ(error.Kind(), c.kind);
            if (c.message) {
                EXPECT_EQ(error.Message(), c.message);
                EXPECT_EQ(error.Detail(),
                          "The tolerance is a distance in angstrom above 0 and at most 1, such as "
                          "0.01.");
            } else {
                EXPECT_FALSE(error.Message().empty());
            }
            EXPECT_EQ(Snapshot(table), before);
            EXPECT_TRUE(e.Controls() == boxes);
        }
    }
}

// A series of symmetric molecules in one frame without choosing a single
// atom: the standard frame of any rigid copy gives the same coordinates, the
// frame's directions end on +Z and +X, and a second run changes nothing
// beyond rounding. The user's vectors stay his.
TEST_F(EngineTest, TheStandardFrameGivesEveryRigidCopyTheSameCoordinates) {
    std::mt19937_64 random(20261210);
    for (const char* example : {"benzene.xyz", "benzene-chromium-tricarbonyl.xyz"}) {
        SCOPED_TRACE(example);
        AtomTable original;
        Engine reader(original);
        reader.Open(std::string(PIVORA_EXAMPLES "/") + example);
        const std::string group = PointGroupOf(original, 0.01).group.Symbol();
        Places first;
        double largest = 0;
        for (int copy = 0; copy < 12; ++copy) {
            AtomTable table;
            Engine e(table);
            e.Open(Write("copy.txt", RigidCopy(PlacesOf(original), random, LabelsOf(original))));
            e.UserStandardFrame("0.01");
            if (!first.empty()) {
                largest = std::max(largest, LargestDifference(PlacesOf(table), first));
                continue;
            }
            first = PlacesOf(table);
            const symmetry::PointGroup found = PointGroupOf(table, 0.01).group;
            EXPECT_EQ(found.Symbol(), group);
            EXPECT_GT(found.frame.toZ[2], 1 - 1e-12);
            EXPECT_GT(found.frame.toX[0], 1 - 1e-12);
            for (double c : found.centre) EXPECT_LT(std::fabs(c), 1e-12);

            // Again, with vectors of the user's: a vector between atoms and
            // a direction, which the frame's turns turn too.
            e.TypeSpin(SpinId::V1Tail1, "1");
            e.TypeSpin(SpinId::V1Head1, "2");
            e.UserDirection(VectorId::Vector2, {0.6, 0, 0.8}, "mine");
            e.ClickFitsVector(VectorId::Vector2, true);
            const ControlState boxes = e.Controls();
            e.UserStandardFrame("0.01");
            EXPECT_LT(LargestDifference(PlacesOf(table), first), 1e-12);
            for (const SpinId box : {SpinId::V1Tail1, SpinId::V1Head1}) {
                EXPECT_EQ(e.Controls().Spin(box), boxes.Spin(box));
            }
            EXPECT_FALSE(e.Controls().FitsVector1);
            const auto& mine = e.Controls().DirectionOf(VectorId::Vector2);
            ASSERT_TRUE(mine.has_value());
            EXPECT_EQ(mine->name, "mine");
            EXPECT_NEAR(mine->point[0], 0.6, 1e-12);
            EXPECT_NEAR(mine->point[2], 0.8, 1e-12);
            EXPECT_EQ(e.Controls().Text(TextId::V1X),
                      FormatDisplay(static_cast<long double>(table.AtomX[2]) - table.AtomX[1]));
        }
        EXPECT_LT(largest, 1e-6);
        std::printf("%s: largest difference over the copies: %.3g angstrom\n", example, largest);
    }
}

// Molecules whose frame directions lie exactly on the axes already, where a
// fit has 0 for its denominator: the frame leaves out a fit with nothing to
// turn and turns by a quarter where the fit would divide by zero.
TEST_F(EngineTest, TheStandardFrameNeedsNoFitThatWouldDivideByZero) {
    const struct {
        const char* name;
        const char* molecule;
        bool linear;
    } cases[] = {
        {"ZAlreadyOnZ", "O 0 0 0.1173\nH 0 0.7572 -0.4692\nH 0 -0.7572 -0.4692\n", false},
        {"ZOnX", "O 0.1173 0 0\nH -0.4692 0.7572 0\nH -0.4692 -0.7572 0\n", false},
        {"XOnY",
         "C 0 0 0\nH 0.63 0.63 0.63\nH -0.63 -0.63 0.63\nH -0.63 0.63 -0.63\n"
         "H 0.63 -0.63 -0.63\n",
         false},
        {"LinearAlongY", "O 0 1.16 0\nC 0 0 0\nO 0 -1.16 0\n", true},
        {"LinearAlongMinusZ", "H 0 0 1.01\nN 0 0 0\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AtomTable table;
        Engine e(table);
        e.Open(Write("mol.xyz", c.molecule));
        e.UserStandardFrame("0.01");
        const symmetry::PointGroup group = PointGroupOf(table, 0.01).group;
        EXPECT_GT(group.frame.toZ[2], 1 - 1e-15);
        if (!c.linear) {
            EXPECT_GT(group.frame.toX[0], 1 - 1e-15);
        }
        const Places once = PlacesOf(table);
        e.UserStandardFrame("0.01");
        EXPECT_LT(LargestDifference(PlacesOf(table), once), 1e-15);
    }
}

// The fits read the component boxes, which the redraw after every turn
// rewrites from a direction as it does from atoms: fit +x then fit +z lays
// benzene's C6 axis on +Z, the ring flat in XY. Typed components keep their
// text through the turns, as they always did, and are stale for the second
// fit.
TEST_F(EngineTest, ADirectionTurnsWithTheMoleculeSoThatTwoFitsLayTheC6AxisOnZ) {
    const std::string benzene = PIVORA_EXAMPLES "/benzene.xyz";
    engine.Open(benzene);
    Pick(SpinId::V1Tail1, 3);
    const symmetry::Vec3 c6 = PointGroupOf(atoms, 0.01).group.properAxes.at(0).direction;
    engine.UserDirection(VectorId::Vector1, c6, "C6 axis");
    EXPECT_EQ(engine.UndoTitle(), "Vector1: C6 axis");
    EXPECT_EQ(engine.Controls().Spin(SpinId::V1Tail1).Text, "0");
    EXPECT_EQ(engine.Controls().Text(TextId::V1TailName1), "None");
    EXPECT_EQ(engine.Controls().Text(TextId::V1Z), FormatDisplay(c6[2]));
    engine.UserFit(Axis::X, FitHead::Positive);
    engine.UserFit(Axis::Z, FitHead::Positive);
    // Flat to the file's six decimals.
    for (int k = 1; k <= atoms.AtomCount; ++k) EXPECT_NEAR(atoms.AtomZ[k], atoms.AtomZ[1], 2e-6);
    EXPECT_NEAR(std::stod(engine.Controls().Text(TextId::V1Z)), 1, 1e-12);
    const std::string recipe = engine.RecipeText();
    EXPECT_EQ(recipe, kOpenedRecipe + "select SEV1 3\ndirection vector1 " + FormatDisplay(c6[0]) +
                          ' ' + FormatDisplay(c6[1]) + ' ' + FormatDisplay(c6[2]) +
                          " C6 axis\nfit +x\nfit +z\n");
    AtomTable replayed;
    Engine batch(replayed);
    batch.Open(benzene);
    batch.Apply(ParseRecipe(recipe), false);
    EXPECT_EQ(Snapshot(replayed), Snapshot(atoms));
    EXPECT_TRUE(batch.Controls() == engine.Controls());

    // Atoms chosen for the vector end the direction; undo brings it back.
    const ControlState along = engine.Controls();
    Pick(SpinId::V1Head1, 2);
    EXPECT_FALSE(engine.Controls().DirectionOf(VectorId::Vector1).has_value());
    EXPECT_EQ(engine.Controls().Text(TextId::V1Z), along.Text(TextId::V1Z));
    engine.Undo();
    EXPECT_TRUE(engine.Controls() == along);

    AtomTable typed;
    Engine e(typed);
    e.Open(benzene);
    for (const Axis axis : {Axis::X, Axis::Y, Axis::Z}) {
        e.TypeText(ComponentBox(VectorId::Vector1, axis),
                   FormatDisplay(c6[static_cast<int>(axis)]));
    }
    e.UserFit(Axis::X, FitHead::Positive);
    e.UserFit(Axis::Z, FitHead::Positive);
    EXPECT_EQ(e.Controls().Text(TextId::V1Z), FormatDisplay(c6[2]));
    EXPECT_GT(std::fabs(typed.AtomZ[1] - typed.AtomZ[4]), 0.1);
}

}  // namespace
}  // namespace pivora::test
