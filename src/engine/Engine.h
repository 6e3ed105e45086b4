#pragma once
// The command engine: the molecule's commands and the controls they read and
// write, without any window. The main window shows its state and passes the
// user's events in; the batch tool drives the same engine, so that both give
// the same bytes by construction. Undo and the recipe live here too.
//
// Two levels of calls:
// - the handlers (AtomBoxChange, CenterClick, RotateClick, FitClick,
//   Redraw ...) do exactly what the original window's handlers did (the
//   names are mapped in docs/DESIGN.md), nested as they nested, and record
//   nothing;
// - the user's events (Type, Leave, Click..., User...) are what the window
//   calls for a keystroke, a click or a focus change: each is one undoable
//   step (typing in one box merges into one step), and each command among
//   them is recorded for the recipe.
// Failures are Errors thrown at the failing operation, as the handlers throw
// them; what was changed before stays, as in the window.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/Error.h"
#include "base/Progress.h"
#include "engine/Controls.h"
#include "engine/MemoryRoom.h"
#include "engine/PaneRecord.h"
#include "engine/Recipe.h"
#include "engine/RecipeRecorder.h"
#include "engine/UndoHistory.h"
#include "files/FileIo.h"
#include "geometry/Axis.h"
#include "geometry/Fit.h"
#include "io/MoleculeReader.h"
#include "io/MoleculeWriter.h"
#include "model/AtomTable.h"
#include "view/AtomLayer.h"
#include "view/Canvas.h"
#include "view/ViewWindow.h"

namespace pivora {

// What the window does with the engine's changes of the molecule, at the
// moment the commands make them.
class EngineObserver {
  public:
    virtual ~EngineObserver() = default;
    // An open took table: the grid lists it. Must not fail: the molecule has
    // been replaced. Copies of table's arrays cost nothing (SharedVector).
    virtual void ShowAtoms(const AtomTable& table) = 0;
    // An open is about to write the new molecule into the arrays of the old
    // one: copies of them must go, so that writing needs no memory.
    // ShowAtoms follows before anything else happens.
    virtual void ReleaseAtoms() {}
    // After a centering (withLabels) or a turn: the grid's rows again.
    virtual void RefreshAtoms(const AtomTable& table, bool withLabels) = 0;
    // Undo brings back a pane that was never drawn, or a picture drawn from
    // a fresh pane: pane 0, 1 or 2 (XY, YZ, ZX) must forget its picture.
    virtual void ResetPane(int pane) = 0;
};

class Engine {
  public:
    // atoms: the molecule of the run, shared with whoever else reads it.
    explicit Engine(AtomTable& atoms);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    void SetObserver(EngineObserver* observer) { observer_ = observer; }
    // The panes XY, YZ and ZX and their size in pixels; without them the
    // redraw still computes everything (and fails where it would fail) but
    // paints nothing. The default size is the window's, 209 x 217.
    void SetPanes(Canvas* xy, Canvas* yz, Canvas* zx);
    void SetPaneSize(int width, int height);
    // Keep undo steps (the window) or not (the batch tool).
    void EnableHistory(bool enabled) { historyEnabled_ = enabled; }

    const AtomTable& Atoms() const { return atoms_; }
    const ControlState& Controls() const { return state_; }
    const ViewWindow& Window() const { return window_; }
    // Whether a pane (0 XY, 1 YZ, 2 ZX) has been drawn since start-up.
    bool PaneDrawn(int pane) const;

    // Whether the panes show the atoms (off unless set): a setting of the
    // window, neither undone nor recorded. Every redraw then paints the atoms
    // between a pane's clearing and its axes. Changing it repaints what the
    // panes show now with or without the atoms, as the last redraw saw them
    // and where they are now (a centering moves them), and nothing else: no
    // box is written. Undo, redo and a centering keep the panes' atoms to it.
    void SetShowAtoms(bool shown);
    bool ShowsAtoms() const { return showAtoms_; }
    // The atoms of a vector's groups as its boxes name them now.
    VectorDefinition Selections(VectorId vector) const;
    // The atom that a click on pixel (x, y) of a pane picks (AtomAtPixel),
    // by the window of the last redraw and the coordinates now; 0 for none,
    // and before any redraw.
    std::int32_t AtomAt(PaneId pane, std::int32_t x, std::int32_t y) const;

    // --- The molecule as a chemist sees it ---
    // The bonds (FindBonds, ghost atoms left out), found when first asked
    // for and kept while the distances stay: a turn or a centering keeps
    // them, an open finds them again, and so does a change of shape
    // (ShapeChanged, or undo and redo across one). None for a molecule of
    // more than kMostBondedAtoms atoms, which are not searched. Fails only
    // for want of memory, changing nothing.
    const std::vector<Bond>& Bonds() const;
    // Whether the molecule has more atoms than bonds are drawn for.
    bool BondsLeftOut() const { return atoms_.LastAtom() > kMostBondedAtoms; }
    // The coordinates changed other than by a turn or a shift (a command
    // that moves atoms apart, such as a symmetrization, calls it after its
    // change): the bonds are found again when next needed.
    void ShapeChanged();

    // A pick of atom for a measurement (Ctrl+click): up to four atoms give a
    // distance, an angle and a dihedral; a fifth starts over with it. An
    // atom of the measurement under way, or an index of no atom, changes
    // nothing. The atoms picked are marked in the panes when they show the
    // atoms. This is a view of the molecule: no step, no recipe line, no box
    // changes; an open starts with none.
    void MeasurePick(std::int32_t atom);
    // The atoms picked, in their order (0 to 4 of them).
    const std::vector<std::int32_t>& Measured() const { return measured_; }

    // View > Zoom to Fit: types into the plot scale the smallest scale (1 to
    // 100) at which every atom (of finite coordinates) and the end of every
    // defined vector lies on all three panes (ScaleToFit), as typing it
    // would: the redraw follows, and the change joins the next step. With no
    // atom nothing changes. Fails as the redraw fails.
    void ZoomToFit();

    // The redraw of the panes (view/Redraw.h) from the boxes as they are,
    // with the atoms where the setting shows them; no step, no recipe line.
    void Redraw();

    // --- The user's events ---
    // Each event below is an undoable step of its own, named in the user's
    // words (UndoTitle), except typing in an angle box or the plot scale:
    // those join the next step, so that undoing a turn brings back the angle
    // box as it was before the angle was typed.
    //
    // The text of a spin box changed by typing, pasting, the arrows or the
    // limits applied as it lost the focus: its change handler runs.
    void TypeSpin(SpinId box, std::string text);
    // The box lost the focus to another control: its limits apply, and a
    // changed atom box is recorded as the window records its new text.
    void LeaveSpin(SpinId box);
    // Typing in a text box; a component box's text is recorded.
    void TypeText(TextId box, std::string text);
    // A click that set the check box of vector to checked.
    void ClickFitsVector(VectorId vector, bool checked);
    void UserGroup(VectorId vector, GroupEnd end, const std::vector<int>& atoms);
    void UserCenter();
    void UserRotate(Axis axis);
    void UserFit(Axis target, FitHead head = FitHead::AsFound);
    void UserRedraw();

    // Reads path as File > Open does and makes it the molecule; then the
    // centering boxes show atoms 1 and 2, the atom boxes take the new count
    // as their limit, every name box names its atom of the new molecule, and
    // the panes are redrawn. The history and the recorded commands start
    // afresh. A failure of the read changes nothing; one of the redraw (a
    // scale of 0 in its box) comes after the molecule was taken.
    // progress hears how far the read has come (Progress.h); a throw from it
    // gives the open up as a failed read would, changing nothing.
    void Open(const std::string& path, const ProgressReport& progress = {});
    // What the last open read beside the atoms: the file's kind, the frame,
    // charge and multiplicity where the file gave them, a note to show.
    const io::MoleculeInfo& Opened() const { return opened_; }
    // Writes the molecule to path in the fixed-column format; it then counts
    // as saved. progress and options as WriteCoordinateFile's; a throw from
    // progress leaves the file as it was.
    void Save(const std::string& path, const ProgressReport& progress = {},
              const WriteOptions& options = {});
    // Writes the molecule to path in another program's format. It does not
    // count as saved: the file keeps element symbols, not the labels, and is
    // not what File > Open reads back as this molecule. progress and options
    // as Save's.
    void Export(const std::string& path, io::ExportFormat format,
                const io::ExportSettings& settings, const ProgressReport& progress = {},
                const WriteOptions& options = {});
    // Whether the coordinates differ from those last opened or saved.
    bool Modified() const { return coordVersion_ != savedVersion_; }

    // --- Recipes ---
    // Runs one command of a recipe as the user would have given it, and
    // records it. An index must name an atom of the molecule (0, no atom, is
    // allowed in select and group, not in center): a recipe made for another
    // molecule must not turn this one about a neighbour of the atom it
    // meant. Otherwise throws Error(ErrorKind::Index) naming the index and
    // the atom count, before the molecule or a box changed.
    // The texts of rotate and set are read with the separator of the last
    // decimal-separator command of the run, where there was one.
    void Run(const RecipeCommand& command);
    // Runs a recipe as one undoable step named title. It starts from the
    // boxes as an open of the molecule in memory leaves them (every atom box
    // empty, the components empty, the angles "0", Vector1 chosen; the plot
    // scale stays), so that a recipe gives the same coordinates whatever was
    // left in the boxes, in the window as in the batch tool. A failing command
    // ends the run unless keepGoing; onFailure (if set) hears of each failure
    // with its command, and without keepGoing the failure is then thrown on.
    using FailureReport = std::function<void(const RecipeCommand&, const std::exception&)>;
    // progress hears of the commands done. A throw from it gives the run up
    // and is thrown on: the commands run so far are taken back (the
    // molecule, the boxes, the history and the recipe are as before the run)
    // where the history can hold the state before it (CanTakeBackRuns); where
    // it cannot, they stay done and Error(ErrorKind::Recipe) says so instead.
    void Apply(const std::vector<RecipeCommand>& commands, bool keepGoing,
               const FailureReport& onFailure = {}, const std::string& title = "Apply Recipe",
               const ProgressReport& progress = {});
    // Whether a run given up can be taken back: the history is kept and
    // holds this molecule.
    bool CanTakeBackRuns() const;
    // The commands since the last open, as a recipe: first the boxes as the
    // open left them and the vector the fits act on, then the commands. A
    // decimal-separator line follows the header when the separator in use is
    // not the full stop.
    std::string RecipeText() const;

    // --- Symmetry ---
    // What Symmetrize did: the largest move of an atom (angstrom) and that
    // atom's number, 0 when no atom moved.
    struct SymmetrizeReport {
        double largestMove = 0;
        int atom = 0;
    };
    // The user's events: one undo step each, recorded as direction,
    // symmetrize and standard-frame lines. UserDirection records the
    // direction's components in the display form and then reads them back,
    // as a replay of the line does.
    void UserDirection(VectorId vector, const std::array<double, 3>& direction,
                       const std::string& name);
    SymmetrizeReport UserSymmetrize(const std::string& toleranceText);
    void UserStandardFrame(const std::string& toleranceText);
    // Names the coordinates as they are now: the same number means the same
    // coordinates and labels (undo brings a number back with them).
    std::uint64_t CoordinatesVersion() const { return coordVersion_; }

    // --- Undo ---
    bool CanUndo() const;
    bool CanRedo() const;
    // How many steps Undo can take back.
    std::size_t UndoCount() const { return history_.DoneCount(); }
    // The name of the step that Undo or Redo would take back or do again.
    std::string UndoTitle() const;
    std::string RedoTitle() const;
    void Undo();
    void Redo();
    // The undo history keeps at most about this many bytes of coordinates
    // (256 MB unless set), and no more than the process can still get with a
    // margin kept free (MemoryRoom.h, probed after every step); older steps
    // fall off, their commands stay in the recipe. A molecule of which two
    // copies would not fit gets no undo.
    void SetHistoryLimit(std::size_t bytes) { history_.SetLimit(bytes); }
    static constexpr std::size_t kHistoryBytes = UndoHistory::kDefaultLimit;
    // Replaces the probe of the process's memory (ProbeMemoryRoom).
    void SetMemoryProbe(MemoryProbe probe) { history_.SetMemoryProbe(std::move(probe)); }
    // Bytes of coordinates (and pane dots) the history holds now.
    std::size_t HistoryBytes() const;

  private:
    // --- The handlers (docs/DESIGN.md maps them to the window's original
    // handlers), and the controls as the program sets them ---
    // A vector's atom box changed: its name box := the atom's label, then
    // the redraw.
    void AtomBoxChange(SpinId box);
    void PlotScaleChange();
    void CenterClick();
    // RotateZClick, RotateXClick, RotateYClick.
    void RotateClick(Axis axis);
    // FitXClick, FitYClick, FitZClick; with FitHead::Positive the angle
    // written and turned by is the one that leaves the head on the positive
    // side of target.
    void FitClick(Axis target, FitHead head = FitHead::AsFound);

    // The value brought into the limits; the change handler runs when the
    // text changes.
    void SetSpinValue(SpinId box, int value);
    // Only the upper limit changes.
    void SetSpinMax(SpinId box, int value);
    // A text box: no handler runs.
    void SetText(TextId box, std::string text);
    // The check box that makes the fits act on vector: its click handler
    // runs when the state changes, and sets the other box to the opposite.
    void SetFitsVector(VectorId vector, bool checked);
    // A whole group of any size: its four spin boxes take the first four
    // atoms (0 where there are fewer), the rest go beyond them; the four name
    // boxes follow, then the redraw. The indexes are used as given.
    void SetGroup(VectorId vector, GroupEnd end, const std::vector<int>& atoms);

    // The molecule was written as it is now: it counts as unchanged.
    void MarkSaved() { savedVersion_ = coordVersion_; }
    // Makes vector the direction from the origin to point (angstrom), fixed
    // in the molecule: its atom boxes go to 0 and their name boxes to "None",
    // the redraw writes the point as its components and draws it as any
    // defined vector, and every turn turns the point with the molecule (the
    // same rotation, by the same angle text). Choosing atoms for the vector
    // (an atom box, a group) or an open ends it; the components then stay
    // as they were, as they do for a vector that stops being defined. name
    // says what the direction is ("C6 axis"), for the window.
    void SetDirection(VectorId vector, const std::array<double, 3>& point, std::string name);
    // Moves every atom to its exactly symmetric place in the point group
    // found at the tolerance (symmetry::Symmetrize), then refreshes the grid
    // and redraws. toleranceText is read by ToleranceFromText and fails as
    // it does. Throws Error(ErrorKind::Symmetry) with the reason when the
    // group cannot be found or an atom would move farther than the
    // tolerance; nothing has changed then.
    SymmetrizeReport SymmetrizeClick(const std::string& toleranceText);
    // Lays the molecule in the standard frame of its point group at the
    // tolerance: the centre (the centroid of the atoms) goes to the origin,
    // then the frame's toZ onto +Z and its toX onto +X, turned by the fits
    // of the window: Vector1 and Vector2 become the two directions, then
    // fit +x and fit +z of Vector1 and fit +x of Vector2. A fit whose two
    // components are both 0 has nothing to turn and is left out; one whose
    // denominator alone is 0 turns by exactly -90 or 90 degrees, the limit
    // of its angle. Afterwards the vectors are the user's again (atom boxes,
    // groups, typed components, a direction turned with the molecule) and
    // the fits act on the vector they acted on; the angle boxes keep the
    // last angles turned. Fails as ToleranceFromText does, and with
    // Error(ErrorKind::Symmetry) when the group cannot be found, before
    // anything has changed; a failing redraw (a plot scale of 0) fails
    // after the atoms moved, with the user's vectors back.
    void StandardFrameClick(const std::string& toleranceText);
    class VectorBoxesOfState;
    void RunChange(SpinId box);
    // A centering atom box changed: its name box := the atom's label.
    void CenterAtomChange(SpinId box);
    // The check box of vector changed: the other one takes the opposite
    // state.
    void FitsVectorClick(VectorId vector);
    bool& FitsVectorBox(VectorId vector);
    void ApplyLimits(SpinId box);
    void CoordinatesChanged();
    // The element of each slot, by its label; the labels change only with
    // an open.
    std::span<const std::uint8_t> Elements() const;
    // The atoms of each pane, bonds and marks included, as a redraw would
    // paint them now.
    std::array<PaneAtoms, 3> CurrentAtomDots() const;
    // Puts the atoms into, or takes them out of, what the panes show now.
    void RepaintAtoms();
    // Runs body as one user step, named by title once body has run; typing
    // with the same mergeKey right after the last step joins it.
    void UserStep(const std::function<std::string()>& title, const std::string& mergeKey,
                  const std::function<void()>& body);
    // Runs body as a change that joins the next step: the history's last
    // snapshot stays what that step starts from.
    void SoftStep(const std::function<void()>& body);
    // Whether snapshot holds what the controls and the molecule hold now,
    // but for the angle boxes, the plot scale and what the panes show.
    bool IsCurrentButSoft(const Snapshot& snapshot) const;
    // The boxes as an open of the molecule in memory leaves them.
    void SettleBoxesAfterOpen();
    // The words of an undo step for a vector's group or the centre pair.
    std::string GroupTitle(VectorId vector, GroupEnd end) const;
    std::string CenterPairTitle() const;
    std::string SpinTitle(SpinId box) const;
    void Record(const RecipeCommand& command);
    // Throws Error(ErrorKind::Index) unless every index of command names an
    // atom (or is 0, where noneAllowed).
    void RequireAtoms(const RecipeCommand& command, bool noneAllowed) const;
    std::shared_ptr<const Snapshot> Capture();
    bool IsCurrent(const Snapshot& snapshot) const;
    void Restore(const std::shared_ptr<const Snapshot>& snapshot);
    std::vector<std::string> PreambleLines() const;
    // A direction line of a recipe: its three numbers read, then SetDirection.
    void RunDirection(const RecipeCommand& command);
    // A fit of the standard frame, head on the positive side (see
    // StandardFrameClick for what it does where a fit would fail).
    void FrameFit(Axis target);

    AtomTable& atoms_;
    ControlState state_;
    ViewWindow window_;
    PaneRecord panes_[3];
    int paneWidth_ = 209;
    int paneHeight_ = 217;
    EngineObserver* observer_ = nullptr;

    // Every change of the coordinates gets a new number; snapshots and the
    // saved state name the coordinates by it.
    std::uint64_t coordVersion_ = 0;
    std::uint64_t nextVersion_ = 1;
    std::uint64_t savedVersion_ = 0;

    bool showAtoms_ = false;
    mutable std::vector<std::uint8_t> elements_;
    mutable bool elementsKnown_ = false;
    // Every change of shape (an open, ShapeChanged) gets a new number; the
    // bonds were found for the shape bondsShape_ names.
    std::uint64_t shapeVersion_ = 0;
    std::uint64_t nextShape_ = 1;
    mutable std::vector<Bond> bonds_;
    mutable std::uint64_t bondsShape_ = 0;
    mutable bool bondsKnown_ = false;
    std::vector<std::int32_t> measured_;
    bool historyEnabled_ = true;
    int stepDepth_ = 0;
    RecipeRecorder recorder_;
    UndoHistory history_{recorder_};
    io::MoleculeInfo opened_;
    bool tooLargeForHistory_ = false;
    // Directions that every turn turns besides the vectors' own: the user's
    // while the standard frame lends the vectors to its own directions.
    std::array<std::optional<AttachedDirection>, 2>* carried_ = nullptr;
};

}  // namespace pivora
