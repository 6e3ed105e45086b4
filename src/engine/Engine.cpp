#include "engine/Engine.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <new>
#include <optional>
#include <set>
#include <utility>

#include "base/Error.h"
#include "coordinates/CoordinateWriter.h"
#include "engine/BoxNumbers.h"
#include "engine/FailureTexts.h"
#include "engine/MoleculeSymmetry.h"
#include "geometry/AtomGroup.h"
#include "geometry/Centering.h"
#include "geometry/Fit.h"
#include "geometry/Rotation.h"
#include "io/Elements.h"
#include "numeric/DecimalText.h"
#include "numeric/Extended.h"
#include "symmetry/PointGroup.h"
#include "view/Redraw.h"
#include "view/ScaleToFit.h"

namespace pivora {

namespace {

bool SameWindow(const ViewWindow& a, const ViewWindow& b) {
    return a.XMin == b.XMin && a.XMax == b.XMax && a.YMin == b.YMin && a.YMax == b.YMax &&
           a.FrameXMin == b.FrameXMin && a.FrameXMax == b.FrameXMax && a.FrameYMin == b.FrameYMin &&
           a.FrameYMax == b.FrameYMax && a.PaneHeight == b.PaneHeight && a.PaneWidth == b.PaneWidth;
}

// A direction as a molecule of two atoms, the origin (atom 1) and its head
// (atom 2): it turns by the molecule's rotation and evaluates as a vector of
// atoms does, so that its components are those a vector between atoms at
// those places would have.
AtomTable DirectionTable(const std::array<double, 3>& point) {
    AtomTable table;
    table.Resize(3);
    table.AtomCount = 2;
    table.AtomName[0] = "None";
    table.AtomX[2] = point[0];
    table.AtomY[2] = point[1];
    table.AtomZ[2] = point[2];
    return table;
}

VectorDefinition DirectionVector() {
    VectorDefinition vector;
    vector.Tail.Selection = {1, 0, 0, 0};
    vector.Head.Selection = {2, 0, 0, 0};
    return vector;
}

using Directions = std::array<std::optional<AttachedDirection>, 2>;

void TurnDirections(Directions& directions, Axis axis, long double degrees) {
    for (std::optional<AttachedDirection>& direction : directions) {
        if (!direction) continue;
        AtomTable table = DirectionTable(direction->point);
        Rotate(table, axis, degrees);
        direction->point = {table.AtomX[2], table.AtomY[2], table.AtomZ[2]};
    }
}

}  // namespace

// The vectors' boxes as the redraw reads and writes them: the engine's
// control state.
class Engine::VectorBoxesOfState : public VectorBoxes {
  public:
    explicit VectorBoxesOfState(Engine& engine) : engine_(engine) {}
    VectorDefinition Selections(VectorId vector) override { return engine_.Selections(vector); }
    std::optional<VectorComponents> Evaluate(const AtomTable& atoms, VectorId vector) override {
        const std::optional<AttachedDirection>& direction = engine_.state_.DirectionOf(vector);
        if (!direction) return VectorBoxes::Evaluate(atoms, vector);
        return EvaluateVector(DirectionTable(direction->point), DirectionVector());
    }
    std::string ComponentText(VectorId vector, Axis component) override {
        return engine_.state_.Text(ComponentBox(vector, component));
    }
    void SetComponentText(VectorId vector, Axis component, const std::string& text) override {
        engine_.SetText(ComponentBox(vector, component), text);
    }

  private:
    Engine& engine_;
};

Engine::Engine(AtomTable& atoms) : atoms_(atoms), panes_{{209, 217}, {209, 217}, {209, 217}} {}

Engine::~Engine() = default;

void Engine::SetPanes(Canvas* xy, Canvas* yz, Canvas* zx) {
    panes_[0].SetTarget(xy);
    panes_[1].SetTarget(yz);
    panes_[2].SetTarget(zx);
}

void Engine::SetPaneSize(int width, int height) {
    paneWidth_ = width;
    paneHeight_ = height;
    for (PaneRecord& pane : panes_) pane.SetSize(width, height);
}

bool Engine::PaneDrawn(int pane) const {
    return panes_[pane].Drawn();
}

void Engine::SetShowAtoms(bool shown) {
    if (showAtoms_ == shown) return;
    showAtoms_ = shown;
    RepaintAtoms();
}

std::int32_t Engine::AtomAt(PaneId pane, std::int32_t x, std::int32_t y) const {
    return AtomAtPixel(atoms_, window_, pane, x, y);
}

std::span<const std::uint8_t> Engine::Elements() const {
    if (!elementsKnown_ || elements_.size() != atoms_.Capacity()) {
        elements_ = ElementsOf(atoms_, &io::ElementOfLabel);
        elementsKnown_ = true;
    }
    return elements_;
}

std::array<PaneAtoms, 3> Engine::CurrentAtomDots() const {
    return AtomsAndBonds(
        atoms_, window_,
        RingsOf(atoms_, Selections(VectorId::Vector1), Selections(VectorId::Vector2)), measured_,
        Elements(), Bonds());
}

const std::vector<Bond>& Engine::Bonds() const {
    if (!bondsKnown_ || bondsShape_ != shapeVersion_) {
        std::vector<Bond> found;
        if (!BondsLeftOut()) found = FindBonds(atoms_, BondingElements(atoms_, Elements()));
        bonds_ = std::move(found);
        bondsShape_ = shapeVersion_;
        bondsKnown_ = true;
    }
    return bonds_;
}

void Engine::ShapeChanged() {
    shapeVersion_ = nextShape_++;
}

void Engine::MeasurePick(std::int32_t atom) {
    if (!atoms_.IsAtom(atom)) return;
    if (measured_.size() == 4) {
        measured_.clear();
    } else if (std::find(measured_.begin(), measured_.end(), atom) != measured_.end()) {
        return;
    }
    measured_.push_back(atom);
    if (showAtoms_) RepaintAtoms();
}

void Engine::ZoomToFit() {
    if (atoms_.LastAtom() == 0) return;
    // The vectors' ends where the redraw draws them: the components as their
    // boxes will show them, read back.
    std::vector<Vec3> ends;
    for (const VectorId vector : {VectorId::Vector1, VectorId::Vector2}) {
        const auto components = EvaluateVector(atoms_, Selections(vector));
        if (!components) continue;
        const auto shown = [&](Axis axis) {
            return StoreDouble(ParseDecimal(FormatDisplay((*components)[axis])));
        };
        ends.push_back({shown(Axis::X), shown(Axis::Y), shown(Axis::Z)});
    }
    const std::optional<std::int32_t> scale = ScaleToFit(atoms_, ends, paneWidth_, paneHeight_);
    if (scale) TypeSpin(SpinId::PlotScale, std::to_string(*scale));
}

void Engine::RepaintAtoms() {
    std::array<PaneAtoms, 3> dots;
    if (showAtoms_) {
        // A window of no width (a redraw failed on scale 0) shows no atoms:
        // the panes keep what they show until the next redraw.
        if (!(window_.XMax != window_.XMin)) return;
        dots = CurrentAtomDots();
    }
    for (int i = 0; i < 3; ++i) {
        const PaneRecord::Picture picture = panes_[i].Save();
        if (!picture.covered || (!showAtoms_ && !PaneRecord::ShowsAtoms(picture))) continue;
        const PaneAtoms& atoms = dots[static_cast<std::size_t>(i)];
        panes_[i].Restore(PaneRecord::WithAtoms(picture, atoms.Dots, atoms.Sticks));
    }
}

// --- The handlers ---

void Engine::CenterAtomChange(SpinId box) {
    SetText(*NameBoxOf(box), SelectionLabel(atoms_, state_.Spin(box).Value()));
}

void Engine::AtomBoxChange(SpinId box) {
    // Atoms chosen for a vector end the direction it had.
    if (IsAtomBox(box)) state_.DirectionOf(VectorOfBox(box)).reset();
    SetText(*NameBoxOf(box), SelectionLabel(atoms_, state_.Spin(box).Value()));
    Redraw();
}

void Engine::PlotScaleChange() {
    Redraw();
}

void Engine::CenterClick() {
    CenterOnPair(atoms_, state_.Spin(SpinId::CenterAtom1).Value(),
                 state_.Spin(SpinId::CenterAtom2).Value());
    CoordinatesChanged();
    // No redraw: a translation keeps both vectors and so the panes; only
    // atoms shown in them move.
    if (showAtoms_) RepaintAtoms();
    if (observer_) observer_->RefreshAtoms(atoms_, true);
}

void Engine::RotateClick(Axis axis) {
    // The directions turn with the molecule, by the same angle, first into
    // copies: an angle that fails fails there as it would for the molecule,
    // and nothing has turned.
    Directions turned = state_.Directions;
    Directions carried = carried_ ? *carried_ : Directions();
    try {
        // The angle as its box shows it: a fit's angle comes back rounded to
        // the digits it was written with, and a bad text fails here, before
        // anything moves.
        const long double degrees = ParseDecimal(state_.Text(AngleBox(axis)));
        TurnDirections(turned, axis, degrees);
        TurnDirections(carried, axis, degrees);
        Rotate(atoms_, axis, degrees);
    } catch (const Error& failure) {
        if (failure.Kind() != ErrorKind::Conversion) throw;
        throw Error(failure).WithDetail(failure_text::AngleNotANumber(axis, DecimalSeparator()));
    }
    state_.Directions = std::move(turned);
    if (carried_) *carried_ = std::move(carried);
    CoordinatesChanged();
    if (observer_) observer_->RefreshAtoms(atoms_, false);
    Redraw();  // also with no atoms
}

// Each box sets its partner to the opposite state; the partner's own handler
// then asks for the state this box already has, which raises nothing more.
void Engine::FitsVectorClick(VectorId box) {
    const VectorId partner = box == VectorId::Vector1 ? VectorId::Vector2 : VectorId::Vector1;
    SetFitsVector(partner, !FitsVectorBox(box));
}

void Engine::FitClick(Axis target, FitHead head) {
    const FitRule rule = FitRuleFor(target);
    const VectorId vector = state_.FitsVector1 ? VectorId::Vector1 : VectorId::Vector2;
    // The components as the boxes show them now, typed text included; a
    // failure here leaves the angle box and the molecule as they were.
    std::string angle;
    try {
        angle = FitAngleText(state_.Text(ComponentBox(vector, rule.numerator)),
                             state_.Text(ComponentBox(vector, rule.denominator)), head);
    } catch (const Error& failure) {
        const bool missing = state_.Text(ComponentBox(vector, rule.numerator)).empty() ||
                             state_.Text(ComponentBox(vector, rule.denominator)).empty();
        throw Error(failure).WithDetail(
            failure_text::FitFailed(target, vector, failure.Kind(), missing));
    }
    // The rotation reads the angle back from its box, as the user sees it.
    SetText(AngleBox(rule.turn), angle);
    RotateClick(rule.turn);
}

void Engine::Redraw() {
    VectorBoxesOfState vectors(*this);
    const std::int32_t scale = state_.Spin(SpinId::PlotScale).Value();
    try {
        AtomDrawing drawing{showAtoms_, {}};
        if (showAtoms_) drawing = {true, Elements(), Bonds(), measured_};
        RedrawPanes(atoms_, window_, PaneSize{paneWidth_, paneHeight_}, scale, vectors,
                    Panes{panes_[0], panes_[1], panes_[2]}, drawing);
    } catch (const Error& failure) {
        if (failure.Kind() != ErrorKind::InvalidOperation || scale != 0) throw;
        throw Error(failure).WithDetail(failure_text::kPlotScaleZero);
    }
}

VectorDefinition Engine::Selections(VectorId vector) const {
    VectorDefinition definition;
    for (int i = 0; i < 4; ++i) {
        definition.Tail.Selection[i] = state_.Spin(AtomBox(vector, i)).Value();
        definition.Head.Selection[i] = state_.Spin(AtomBox(vector, 4 + i)).Value();
    }
    const auto& tail = state_.MoreOf(vector, GroupEnd::Tail);
    const auto& head = state_.MoreOf(vector, GroupEnd::Head);
    definition.Tail.More.assign(tail.begin(), tail.end());
    definition.Head.More.assign(head.begin(), head.end());
    return definition;
}

void Engine::CoordinatesChanged() {
    if (atoms_.LastAtom() > 0) coordVersion_ = nextVersion_++;
}

// --- The controls' rules ---

void Engine::RunChange(SpinId box) {
    switch (box) {
        case SpinId::CenterAtom1:
        case SpinId::CenterAtom2:
            CenterAtomChange(box);
            return;
        case SpinId::PlotScale:
            PlotScaleChange();
            return;
        default:
            AtomBoxChange(box);
    }
}

void Engine::SetSpinValue(SpinId box, int value) {
    SpinState& spin = state_.Spin(box);
    std::string text = std::to_string(SpinClamp(value, spin.Min, spin.Max));
    if (spin.Text == text) return;
    spin.Text = std::move(text);
    RunChange(box);
}

void Engine::SetSpinMax(SpinId box, int value) {
    state_.Spin(box).Max = value;
}

void Engine::SetText(TextId box, std::string text) {
    state_.Texts[static_cast<std::size_t>(box)] = SharedText(std::move(text));
}

bool& Engine::FitsVectorBox(VectorId box) {
    return box == VectorId::Vector1 ? state_.FitsVector1 : state_.FitsVector2;
}

void Engine::SetFitsVector(VectorId box, bool checked) {
    bool& state = FitsVectorBox(box);
    if (state == checked) return;
    state = checked;
    FitsVectorClick(box);
}

void Engine::SetGroup(VectorId vector, GroupEnd end, const std::vector<int>& atoms) {
    state_.DirectionOf(vector).reset();
    const int first = end == GroupEnd::Tail ? 0 : 4;
    for (int i = 0; i < 4; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        state_.Spin(AtomBox(vector, first + i)).Text =
            std::to_string(at < atoms.size() ? atoms[at] : 0);
    }
    std::vector<int>& more = state_.MoreOf(vector, end);
    more.assign(atoms.size() > 4 ? atoms.begin() + 4 : atoms.end(), atoms.end());
    for (int i = 0; i < 4; ++i) {
        const SpinId box = AtomBox(vector, first + i);
        SetText(*NameBoxOf(box), SelectionLabel(atoms_, state_.Spin(box).Value()));
    }
    Redraw();
}

void Engine::ApplyLimits(SpinId box) {
    const SpinState& spin = state_.Spin(box);
    const int value = spin.Value();
    if (SpinClamp(value, spin.Min, spin.Max) != value) SetSpinValue(box, value);
}

// --- The user's events ---

namespace {

const char* VectorName(VectorId vector) {
    return vector == VectorId::Vector1 ? "Vector1" : "Vector2";
}

// A box that a command reads only as the user leaves it, or not at all:
// typing in it is no step of its own.
bool IsSoftSpin(SpinId box) {
    return box == SpinId::PlotScale;
}

bool IsSoftText(TextId box) {
    return !IsComponentBox(box);
}

}  // namespace

std::string Engine::GroupTitle(VectorId vector, GroupEnd end) const {
    const int first = end == GroupEnd::Tail ? 0 : 4;
    std::size_t count = state_.MoreOf(vector, end).size();
    int only = 0;
    for (int i = first; i < first + 4; ++i) {
        const int atom = state_.Spin(AtomBox(vector, i)).Value();
        if (atom > 0) {
            ++count;
            only = atom;
        }
    }
    std::string title =
        std::string(VectorName(vector)) + (end == GroupEnd::Tail ? " Tail: " : " Head: ");
    if (count == 0) return title + "No Atom";
    if (count == 1 && only > 0) return title + "Atom " + std::to_string(only);
    return title + std::to_string(count) + " Atoms";
}

std::string Engine::CenterPairTitle() const {
    const int first = state_.Spin(SpinId::CenterAtom1).Value();
    const int second = state_.Spin(SpinId::CenterAtom2).Value();
    if (first == second) return "Atom " + std::to_string(first);
    return "Atoms " + std::to_string(first) + " and " + std::to_string(second);
}

void Engine::TypeSpin(SpinId box, std::string text) {
    const auto type = [&] {
        SpinState& spin = state_.Spin(box);
        if (spin.Text == text) return;
        spin.Text = std::move(text);
        if (IsAtomBox(box)) {
            // A number typed on the way to another (the 2 of 25 in a box of
            // 21 atoms) selects no atom, as 0 does; the recipe says 0, which
            // its replay accepts on this molecule.
            RecipeCommand select;
            select.kind = RecipeCommand::Kind::Select;
            select.box = box;
            select.indexes = {atoms_.IsAtom(spin.Value()) ? spin.Value() : 0};
            Record(select);
        }
        RunChange(box);
    };
    if (IsSoftSpin(box)) {
        SoftStep(type);
        return;
    }
    UserStep([&] { return SpinTitle(box); }, std::string("spin:") + SpinName(box), type);
}

void Engine::LeaveSpin(SpinId box) {
    const auto leave = [&] {
        const SpinState& spin = state_.Spin(box);
        const int value = spin.Value();
        const int limited = SpinClamp(value, spin.Min, spin.Max);
        if (limited == value) return;
        // The box's new text is what a replay types and leaves.
        if (IsAtomBox(box)) {
            RecipeCommand select;
            select.kind = RecipeCommand::Kind::Select;
            select.box = box;
            select.indexes = {limited};
            Record(select);
        }
        SetSpinValue(box, value);
    };
    if (IsSoftSpin(box)) {
        SoftStep(leave);
        return;
    }
    UserStep([&] { return SpinTitle(box); }, std::string("spin:") + SpinName(box), leave);
}

std::string Engine::SpinTitle(SpinId box) const {
    if (IsAtomBox(box)) {
        return GroupTitle(VectorOfBox(box), SlotOfBox(box) < 4 ? GroupEnd::Tail : GroupEnd::Head);
    }
    return "Choose " + CenterPairTitle() + " for Center";
}

void Engine::TypeText(TextId box, std::string text) {
    const auto type = [&] {
        if (IsComponentBox(box)) {
            RecipeCommand set;
            set.kind = RecipeCommand::Kind::Set;
            set.component = box;
            set.text = text;
            // Typing in one box is one step, and only its last text counts.
            const std::string prefix = std::string("set ") + TextName(box) + ' ';
            recorder_.DropLastLineStartingWith(prefix);
            Record(set);
        }
        SetText(box, std::move(text));
    };
    if (IsSoftText(box)) {
        SoftStep(type);
        return;
    }
    UserStep(
        [&] {
            return std::string("Type ") + VectorName(VectorOfComponent(box)) + ' ' +
                   AxisLetter(AxisOfComponent(box)) + " Component";
        },
        std::string("text:") + TextName(box), type);
}

void Engine::ClickFitsVector(VectorId box, bool checked) {
    UserStep(
        [&] {
            return std::string("Fits Act on ") +
                   VectorName(state_.FitsVector1 ? VectorId::Vector1 : VectorId::Vector2);
        },
        "",
        [&] {
            bool& state = FitsVectorBox(box);
            if (state == checked) return;
            state = checked;
            RecipeCommand use;
            use.kind = RecipeCommand::Kind::Use;
            use.vector =
                (box == VectorId::Vector1) == checked ? VectorId::Vector1 : VectorId::Vector2;
            Record(use);
            FitsVectorClick(box);
        });
}

void Engine::UserGroup(VectorId vector, GroupEnd end, const std::vector<int>& atoms) {
    UserStep([&] { return GroupTitle(vector, end); }, "",
             [&] {
                 RecipeCommand group;
                 group.kind = RecipeCommand::Kind::Group;
                 group.vector = vector;
                 group.end = end;
                 group.indexes = atoms;
                 Run(group);
             });
}

void Engine::UserCenter() {
    UserStep([&] { return "Center on " + CenterPairTitle(); }, "",
             [&] {
                 RecipeCommand center;
                 center.kind = RecipeCommand::Kind::Center;
                 center.indexes = {state_.Spin(SpinId::CenterAtom1).Value(),
                                   state_.Spin(SpinId::CenterAtom2).Value()};
                 Record(center);
                 CenterClick();
             });
}

void Engine::UserRotate(Axis axis) {
    UserStep(
        [&] {
            return std::string("Turn About ") + AxisLetter(axis) + " by " +
                   state_.Text(AngleBox(axis)) + "\u00b0";
        },
        "",
        [&] {
            RecipeCommand rotate;
            rotate.kind = RecipeCommand::Kind::Rotate;
            rotate.axis = axis;
            rotate.text = state_.Text(AngleBox(axis));
            Record(rotate);
            RotateClick(axis);
        });
}

void Engine::UserFit(Axis target, FitHead head) {
    UserStep(
        [&] {
            return std::string("Fit ") +
                   VectorName(state_.FitsVector1 ? VectorId::Vector1 : VectorId::Vector2) +
                   " onto " + (head == FitHead::Positive ? "+" : "") + AxisLetter(target);
        },
        "",
        [&] {
            RecipeCommand fit;
            fit.kind = RecipeCommand::Kind::Fit;
            fit.axis = target;
            fit.positive = head == FitHead::Positive;
            Record(fit);
            FitClick(target, head);
        });
}

void Engine::UserRedraw() {
    UserStep([] { return std::string("Redraw"); }, "", [&] { Redraw(); });
}

// --- Files ---

void Engine::Open(const std::string& path, const ProgressReport& progress) {
    {
        io::PreparedMolecule next = io::PrepareMolecule(path, atoms_, true, progress);
        // Nothing below fails but memory, and that only in the case below.
        io::MoleculeInfo info = next.Info();
        if (next.RefillsTarget()) {
            // The new atoms go into the old molecule's arrays, so that a
            // second molecule never needs room: the undo history and the grid
            // let go of them first.
            history_.Clear();
            if (observer_) observer_->ReleaseAtoms();
            try {
                std::move(next).MoveInto(atoms_);
            } catch (...) {
                // Another copy held them after all, and there was no room for
                // new ones: the old molecule stays, and the grid shows it.
                if (observer_) observer_->ShowAtoms(atoms_);
                throw;
            }
        } else {
            // The old molecule's memory goes back here, before the boxes follow.
            std::move(next).MoveInto(atoms_);
        }
        opened_ = std::move(info);
        // A direction belongs to the molecule it was taken from.
        state_.Directions = {};
        elementsKnown_ = false;
        elements_ = {};
        bondsKnown_ = false;
        bonds_ = {};
        shapeVersion_ = nextShape_++;
        measured_.clear();
        if (observer_) observer_->ShowAtoms(atoms_);
    }
    history_.Clear();
    recorder_.StartOver();
    tooLargeForHistory_ = false;
    coordVersion_ = savedVersion_ = nextVersion_++;
    // What the recipe starts from is what the boxes hold after the open,
    // whether or not its redraw gets through.
    try {
        SettleBoxesAfterOpen();
    } catch (...) {
        recorder_.SetOpenedWith(PreambleLines());
        throw;
    }
    recorder_.SetOpenedWith(PreambleLines());
}

void Engine::SettleBoxesAfterOpen() {
    const int count = atoms_.AtomCount;
    SetSpinMax(SpinId::CenterAtom1, count);
    SetSpinMax(SpinId::CenterAtom2, count);
    // 2 first, so that the first box's change runs even when it already
    // shows 1.
    SetSpinValue(SpinId::CenterAtom1, 2);
    SetSpinValue(SpinId::CenterAtom1, 1);
    SetSpinValue(SpinId::CenterAtom2, 2);
    // Setting the 2 it may already show raises nothing, yet its name box must name
    // the new molecule's atom.
    CenterAtomChange(SpinId::CenterAtom2);
    // The selections stay, but what they show must belong to the molecule in
    // memory: a fit right after the open would otherwise turn the new
    // molecule by an angle taken from the old one.
    for (const VectorId vector : {VectorId::Vector1, VectorId::Vector2}) {
        for (int i = 0; i < 8; ++i) SetSpinMax(AtomBox(vector, i), count);
    }
    for (const VectorId vector : {VectorId::Vector1, VectorId::Vector2}) {
        for (int i = 0; i < 8; ++i) {
            const SpinId box = AtomBox(vector, i);
            SetText(*NameBoxOf(box), SelectionLabel(atoms_, state_.Spin(box).Value()));
        }
    }
    Redraw();
}

std::vector<std::string> Engine::PreambleLines() const {
    // The boxes the commands start from when the file is opened: a recipe
    // replayed on a fresh window must start from the same. A selection that
    // names no atom of this molecule means what 0 means.
    std::vector<std::string> lines;
    const auto named = [this](int value) { return atoms_.IsAtom(value) ? value : 0; };
    for (const VectorId vector : {VectorId::Vector1, VectorId::Vector2}) {
        for (const GroupEnd end : {GroupEnd::Tail, GroupEnd::Head}) {
            const int first = end == GroupEnd::Tail ? 0 : 4;
            const std::vector<int>& more = state_.MoreOf(vector, end);
            if (!more.empty()) {
                RecipeCommand group;
                group.kind = RecipeCommand::Kind::Group;
                group.vector = vector;
                group.end = end;
                for (int i = 0; i < 4; ++i) {
                    group.indexes.push_back(named(state_.Spin(AtomBox(vector, first + i)).Value()));
                }
                for (const int atom : more) group.indexes.push_back(named(atom));
                lines.push_back(FormatCommand(group));
                continue;
            }
            for (int i = first; i < first + 4; ++i) {
                const SpinId box = AtomBox(vector, i);
                const int value = named(state_.Spin(box).Value());
                if (value == 0) continue;
                RecipeCommand select;
                select.kind = RecipeCommand::Kind::Select;
                select.box = box;
                select.indexes = {value};
                lines.push_back(FormatCommand(select));
            }
        }
    }
    // The vector the fits act on, always: a replay must not depend on the
    // check box a window was left with.
    RecipeCommand use;
    use.kind = RecipeCommand::Kind::Use;
    use.vector = state_.FitsVector1 ? VectorId::Vector1 : VectorId::Vector2;
    lines.push_back(FormatCommand(use));
    // Components that no redraw rewrites: those of a vector that is not
    // defined keep their text, which a fit would read.
    for (const VectorId vector : {VectorId::Vector1, VectorId::Vector2}) {
        if (EvaluateVector(atoms_, Selections(vector))) continue;
        for (const Axis axis : {Axis::X, Axis::Y, Axis::Z}) {
            const TextId box = ComponentBox(vector, axis);
            if (state_.Text(box).empty()) continue;
            RecipeCommand set;
            set.kind = RecipeCommand::Kind::Set;
            set.component = box;
            set.text = state_.Text(box);
            lines.push_back(FormatCommand(set));
        }
    }
    return lines;
}

void Engine::Save(const std::string& path, const ProgressReport& progress,
                  const WriteOptions& options) {
    WriteCoordinateFile(path, atoms_, options, progress);
    MarkSaved();
}

void Engine::Export(const std::string& path, io::ExportFormat format,
                    const io::ExportSettings& settings, const ProgressReport& progress,
                    const WriteOptions& options) {
    io::ExportFile(path, format, atoms_, settings, options, progress);
}

// --- Recipes ---

void Engine::Record(const RecipeCommand& command) {
    recorder_.Record(command);
}

void Engine::RequireAtoms(const RecipeCommand& command, bool noneAllowed) const {
    for (const int index : command.indexes) {
        if (atoms_.IsAtom(index) || (noneAllowed && index == 0)) continue;
        throw Error(ErrorKind::Index, failure_text::AtomNotInMolecule(index, atoms_.LastAtom()))
            .WithDetail(failure_text::AtomIndexRange(noneAllowed));
    }
}

void Engine::Run(const RecipeCommand& given) {
    if (given.kind == RecipeCommand::Kind::DecimalSeparator) {
        // How the texts below are written, not a command: the recipe this
        // session saves says it again for the separator in use then.
        recorder_.runSeparator = given.text.at(0);
        return;
    }
    // The texts are typed as the separator in use writes them, and recorded
    // so.
    RecipeCommand command = given;
    if (recorder_.runSeparator != 0) {
        command.text =
            WithSeparator(std::move(command.text), recorder_.runSeparator, DecimalSeparator());
    }
    // A choice of the vector already chosen changes nothing, as a click on a
    // check box that is already ticked does: a replayed recipe, whose own
    // first lines name the vector, then records the same recipe again.
    const bool unchanged = command.kind == RecipeCommand::Kind::Use &&
                           state_.FitsVector1 == (command.vector == VectorId::Vector1);
    if (!unchanged) Record(command);
    // A box is typed into and then left: its change runs even when it
    // already showed the index, as the recorded keystroke's did.
    auto typeAndLeave = [this](SpinId box, int index) {
        state_.Spin(box).Text = std::to_string(index);
        RunChange(box);
        ApplyLimits(box);
    };
    switch (command.kind) {
        case RecipeCommand::Kind::Select:
            RequireAtoms(command, true);
            typeAndLeave(command.box, command.indexes.at(0));
            return;
        case RecipeCommand::Kind::Center:
            RequireAtoms(command, false);
            typeAndLeave(SpinId::CenterAtom1, command.indexes.at(0));
            typeAndLeave(SpinId::CenterAtom2, command.indexes.at(1));
            CenterClick();
            return;
        case RecipeCommand::Kind::Rotate:
            SetText(AngleBox(command.axis), command.text);
            RotateClick(command.axis);
            return;
        case RecipeCommand::Kind::Fit:
            FitClick(command.axis, command.positive ? FitHead::Positive : FitHead::AsFound);
            return;
        case RecipeCommand::Kind::Use:
            SetFitsVector(VectorId::Vector1, command.vector == VectorId::Vector1);
            return;
        case RecipeCommand::Kind::Set:
            SetText(command.component, command.text);
            return;
        case RecipeCommand::Kind::Group:
            RequireAtoms(command, true);
            SetGroup(command.vector, command.end, command.indexes);
            return;
        case RecipeCommand::Kind::DecimalSeparator:
            return;
        case RecipeCommand::Kind::Direction:
            RunDirection(command);
            return;
        case RecipeCommand::Kind::Symmetrize:
            SymmetrizeClick(command.text);
            return;
        case RecipeCommand::Kind::StandardFrame:
            StandardFrameClick(command.text);
            return;
    }
}

void Engine::Apply(const std::vector<RecipeCommand>& commands, bool keepGoing,
                   const FailureReport& onFailure, const std::string& title,
                   const ProgressReport& progress) {
    const std::vector<std::string>* lines = nullptr;
    std::size_t done = 0;
    bool givenUp = false;
    try {
        UserStep([&] { return title; }, "",
                 [&] {
                     lines = recorder_.Target();
                     // The boxes as an open leaves them; the plot scale is the user's.
                     const SpinState scale = state_.Spin(SpinId::PlotScale);
                     state_ = ControlState();
                     state_.Spin(SpinId::PlotScale) = scale;
                     recorder_.runSeparator = 0;
                     struct SeparatorReset {
                         char& separator;
                         ~SeparatorReset() { separator = 0; }
                     } reset{recorder_.runSeparator};
                     SettleBoxesAfterOpen();
                     for (const RecipeCommand& command : commands) {
                         try {
                             Run(command);
                         } catch (const std::exception& failure) {
                             if (onFailure) onFailure(command, failure);
                             if (!keepGoing) throw;
                         }
                         ++done;
                         if (progress) {
                             givenUp = true;
                             progress(done, commands.size());
                             givenUp = false;
                         }
                     }
                 });
    } catch (...) {
        if (!givenUp) throw;
        // The run became the last step, unless there was no room to keep it:
        // taken back and forgotten, it never happened.
        if (history_.LastDone() && &history_.LastDone()->lines == lines) {
            Undo();
            history_.ForgetUndone();
            throw;
        }
        throw Error(ErrorKind::Recipe, failure_text::RecipeStoppedAndKept(done, commands.size()));
    }
}

bool Engine::CanTakeBackRuns() const {
    return historyEnabled_ && !tooLargeForHistory_ &&
           6 * atoms_.AtomX.size() * sizeof(double) <= history_.Limit();
}

std::string Engine::RecipeText() const {
    return recorder_.Text(DecimalSeparator(), history_.DoneLines());
}

// --- Symmetry ---

void Engine::SetDirection(VectorId vector, const std::array<double, 3>& point, std::string name) {
    // The vector is the direction alone: no atom of either end counts.
    for (int i = 0; i < 8; ++i) {
        const SpinId box = AtomBox(vector, i);
        state_.Spin(box).Text = "0";
        SetText(*NameBoxOf(box), SelectionLabel(atoms_, 0));
    }
    state_.MoreOf(vector, GroupEnd::Tail).clear();
    state_.MoreOf(vector, GroupEnd::Head).clear();
    state_.DirectionOf(vector) = AttachedDirection{point, std::move(name)};
    Redraw();
}

void Engine::RunDirection(const RecipeCommand& command) {
    // The three numbers, one blank apart as the recipe reader joins them;
    // all are read before anything changes.
    std::array<double, 3> point{};
    std::string_view rest = command.text;
    for (double& component : point) {
        const std::size_t blank = rest.find(' ');
        component = StoreDouble(ParseDecimal(rest.substr(0, blank)));
        rest.remove_prefix(blank == std::string_view::npos ? rest.size() : blank + 1);
    }
    SetDirection(command.vector, point, command.name);
}

Engine::SymmetrizeReport Engine::SymmetrizeClick(const std::string& toleranceText) {
    const double tolerance = ToleranceFromText(toleranceText);
    const symmetry::Symmetrized result =
        symmetry::Symmetrize(SymmetryAtomsOf(atoms_).Set(), tolerance);
    if (!result.Done()) throw Error(ErrorKind::Symmetry, result.refusal);
    const std::size_t last = atoms_.LastAtom();
    for (std::size_t k = 1; k <= last; ++k) {
        const symmetry::Vec3& place = result.positions[k - 1];
        atoms_.AtomX[k] = place[0];
        atoms_.AtomY[k] = place[1];
        atoms_.AtomZ[k] = place[2];
    }
    // Atoms moved apart from one another: the bonds are found again.
    ShapeChanged();
    CoordinatesChanged();
    if (observer_) observer_->RefreshAtoms(atoms_, false);
    Redraw();
    return {result.largestMove, result.atomMovedMost};
}

void Engine::StandardFrameClick(const std::string& toleranceText) {
    const double tolerance = ToleranceFromText(toleranceText);
    const symmetry::PointGroupResult found = PointGroupOf(atoms_, tolerance);
    if (!found.Found()) throw Error(ErrorKind::Symmetry, found.refusal);
    const symmetry::FrameDirections& frame = found.group.frame;
    const symmetry::Vec3& centre = found.group.centre;
    CenterOnPoint(atoms_, centre[0], centre[1], centre[2]);
    CoordinatesChanged();
    if (observer_) observer_->RefreshAtoms(atoms_, false);

    // The vectors are lent to the frame's directions and given back; the
    // user's directions turn meanwhile as the molecule does.
    ControlState user = state_;
    const auto giveBack = [&] {
        carried_ = nullptr;
        for (const Axis axis : {Axis::X, Axis::Y, Axis::Z}) {
            user.Texts[static_cast<std::size_t>(AngleBox(axis))] =
                state_.Texts[static_cast<std::size_t>(AngleBox(axis))];
        }
        state_ = std::move(user);
    };
    carried_ = &user.Directions;
    try {
        SetDirection(VectorId::Vector1, frame.toZ, "");
        SetDirection(VectorId::Vector2, frame.toX, "");
        SetFitsVector(VectorId::Vector1, true);
        FrameFit(Axis::X);
        FrameFit(Axis::Z);
        SetFitsVector(VectorId::Vector1, false);
        FrameFit(Axis::X);
    } catch (...) {
        giveBack();
        throw;
    }
    giveBack();
    Redraw();
}

void Engine::FrameFit(Axis target) {
    const FitRule rule = FitRuleFor(target);
    const VectorId vector = state_.FitsVector1 ? VectorId::Vector1 : VectorId::Vector2;
    const long double numerator = ParseDecimal(state_.Text(ComponentBox(vector, rule.numerator)));
    const long double denominator =
        ParseDecimal(state_.Text(ComponentBox(vector, rule.denominator)));
    if (denominator != 0) {
        FitClick(target, FitHead::Positive);
        return;
    }
    // The direction already lies along the axis of the turn: nothing to turn.
    if (numerator == 0) return;
    // The fit's angle as the denominator goes to +0: a quarter turn that
    // brings the numerator's side onto the positive axis.
    SetText(AngleBox(rule.turn), numerator > 0 ? "-90" : "90");
    RotateClick(rule.turn);
}

void Engine::UserDirection(VectorId vector, const std::array<double, 3>& direction,
                           const std::string& name) {
    RecipeCommand command;
    command.kind = RecipeCommand::Kind::Direction;
    command.vector = vector;
    command.text = FormatDisplay(direction[0]) + ' ' + FormatDisplay(direction[1]) + ' ' +
                   FormatDisplay(direction[2]);
    command.name = name;
    UserStep(
        [&] {
            return std::string(VectorName(vector)) + ": " +
                   (name.empty() ? std::string("Direction") : name);
        },
        "",
        [&] {
            Record(command);
            RunDirection(command);
        });
}

Engine::SymmetrizeReport Engine::UserSymmetrize(const std::string& toleranceText) {
    SymmetrizeReport report;
    UserStep([] { return std::string("Symmetrize"); }, "",
             [&] {
                 RecipeCommand command;
                 command.kind = RecipeCommand::Kind::Symmetrize;
                 command.text = toleranceText;
                 Record(command);
                 report = SymmetrizeClick(toleranceText);
             });
    return report;
}

void Engine::UserStandardFrame(const std::string& toleranceText) {
    UserStep([] { return std::string("Standard Frame"); }, "",
             [&] {
                 RecipeCommand command;
                 command.kind = RecipeCommand::Kind::StandardFrame;
                 command.text = toleranceText;
                 Record(command);
                 StandardFrameClick(toleranceText);
             });
}

// --- Undo ---

void Engine::SoftStep(const std::function<void()>& body) {
    // The step that follows starts from the snapshot before this change, so
    // that undoing it brings back what was typed here too. Without one yet,
    // it is taken now.
    if (stepDepth_ == 0 && historyEnabled_ && !tooLargeForHistory_ &&
        !(history_.latest && IsCurrentButSoft(*history_.latest))) {
        try {
            history_.latest = Capture();
        } catch (const std::bad_alloc&) {
            history_.latest.reset();
        }
    }
    ++stepDepth_;
    struct Depth {
        int& depth;
        ~Depth() { --depth; }
    } depth{stepDepth_};
    body();
}

bool Engine::IsCurrentButSoft(const Snapshot& snapshot) const {
    if (snapshot.version != coordVersion_) return false;
    ControlState now = state_;
    ControlState then = snapshot.controls;
    for (ControlState* controls : {&now, &then}) {
        controls->Spin(SpinId::PlotScale) = SpinState();
        for (int i = 0; i < kTextCount; ++i) {
            if (IsSoftText(static_cast<TextId>(i)))
                controls->Texts[static_cast<std::size_t>(i)] = {};
        }
    }
    return now == then;
}

void Engine::UserStep(const std::function<std::string()>& title, const std::string& mergeKey,
                      const std::function<void()>& body) {
    if (stepDepth_ > 0) {
        body();
        return;
    }
    struct Depth {
        Engine& engine;
        explicit Depth(Engine& e) : engine(e) { ++engine.stepDepth_; }
        ~Depth() {
            --engine.stepDepth_;
            engine.recorder_.RecordInto(nullptr);
        }
    };
    // Two copies of the coordinates must fit in the history's budget, or the
    // molecule gets no undo at all; while the process has no room for them,
    // it gets none for this step, and the steps it had go, so that the
    // command can write its coordinates in place.
    const std::size_t copies = 6 * atoms_.AtomX.size() * sizeof(double);
    if (!tooLargeForHistory_ && copies > history_.Limit()) {
        tooLargeForHistory_ = true;
        history_.Drop();
    }
    bool noRoom = false;
    if (historyEnabled_ && !tooLargeForHistory_ && !history_.RoomFor(copies)) {
        history_.Drop();
        noRoom = true;
    }
    if (!historyEnabled_ || tooLargeForHistory_ || noRoom) {
        const Depth depth(*this);
        recorder_.RecordInto(recorder_.KeptLines());
        body();
        return;
    }

    HistoryStep* newest = history_.NewestDone();
    const bool merge = !mergeKey.empty() && newest && newest->mergeKey == mergeKey &&
                       history_.latest && IsCurrent(*history_.latest);
    std::unique_ptr<HistoryStep> fresh;
    HistoryStep* step;
    if (merge) {
        step = newest;
    } else {
        fresh = std::make_unique<HistoryStep>();
        fresh->mergeKey = mergeKey;
        // Typing that joins this step (an angle, the plot scale) left the
        // last snapshot as the step's start.
        fresh->before =
            history_.latest && IsCurrentButSoft(*history_.latest) ? history_.latest : Capture();
        step = fresh.get();
    }

    std::exception_ptr failure;
    {
        const Depth depth(*this);
        recorder_.RecordInto(&step->lines);
        try {
            body();
        } catch (...) {
            failure = std::current_exception();
        }
    }

    try {
        step->title = title();
        if (fresh && step->lines.empty() && IsCurrentButSoft(*step->before)) {
            // Nothing a step holds: typing of an angle or the plot scale
            // before it still waits for the next one.
            history_.latest = step->before;
        } else {
            step->after = Capture();
            history_.latest = step->after;
            // A new step ends whatever was undone.
            if (fresh) history_.Push(std::move(fresh));
        }
        history_.Trim();
    } catch (const std::bad_alloc&) {
        // No memory for the history: the commands stay, the steps go.
        history_.GiveUp(fresh.get());
    }
    if (failure) std::rethrow_exception(failure);
}

std::shared_ptr<const Snapshot> Engine::Capture() {
    auto snapshot = std::make_shared<Snapshot>();
    snapshot->version = coordVersion_;
    snapshot->shape = shapeVersion_;
    if (history_.latest && history_.latest->version == coordVersion_) {
        snapshot->coords = history_.latest->coords;
    } else {
        auto coords = std::make_shared<Coordinates>();
        coords->x = atoms_.AtomX;
        coords->y = atoms_.AtomY;
        coords->z = atoms_.AtomZ;
        snapshot->coords = std::move(coords);
    }
    snapshot->controls = state_;
    snapshot->window = window_;
    for (int i = 0; i < 3; ++i) snapshot->panes[i] = panes_[i].Save();
    return snapshot;
}

bool Engine::IsCurrent(const Snapshot& snapshot) const {
    if (snapshot.version != coordVersion_ || !(snapshot.controls == state_) ||
        !SameWindow(snapshot.window, window_)) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (!(snapshot.panes[i] == panes_[i].Save())) return false;
    }
    return true;
}

void Engine::Restore(const std::shared_ptr<const Snapshot>& snapshot) {
    const bool moved = snapshot->version != coordVersion_;
    if (moved) {
        atoms_.AtomX = snapshot->coords->x;
        atoms_.AtomY = snapshot->coords->y;
        atoms_.AtomZ = snapshot->coords->z;
        coordVersion_ = snapshot->version;
    }
    shapeVersion_ = snapshot->shape;
    state_ = snapshot->controls;
    window_ = snapshot->window;
    // The atoms were shown or not as the setting was then; they follow the
    // setting now, as the restored molecule and window show them, and with
    // the atoms being measured now.
    std::array<PaneAtoms, 3> dots;
    bool dotsMade = false;
    for (int i = 0; i < 3; ++i) {
        PaneRecord::Picture picture = snapshot->panes[i];
        if (!picture.covered && observer_) observer_->ResetPane(i);
        if (picture.covered &&
            (PaneRecord::ShowsAtoms(picture) != showAtoms_ || (showAtoms_ && !measured_.empty()))) {
            if (showAtoms_ && !dotsMade) {
                dots = CurrentAtomDots();
                dotsMade = true;
            }
            const PaneAtoms& atoms = dots[static_cast<std::size_t>(i)];
            picture = PaneRecord::WithAtoms(std::move(picture), atoms.Dots, atoms.Sticks);
        }
        panes_[i].Restore(picture);
    }
    history_.latest = snapshot;
    if (moved && observer_) observer_->RefreshAtoms(atoms_, false);
}

std::size_t Engine::HistoryBytes() const {
    return history_.Bytes();
}

bool Engine::CanUndo() const {
    return history_.CanUndo();
}

bool Engine::CanRedo() const {
    return history_.CanRedo();
}

std::string Engine::UndoTitle() const {
    return history_.UndoTitle();
}

std::string Engine::RedoTitle() const {
    return history_.RedoTitle();
}

void Engine::Undo() {
    if (!CanUndo()) return;
    Restore(history_.UndoState());
    history_.Undone();
}

void Engine::Redo() {
    if (!CanRedo()) return;
    Restore(history_.RedoState());
    history_.Redone();
}

}  // namespace pivora
