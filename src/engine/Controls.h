#pragma once
// The state of the main window's controls that the commands read and write,
// held without any widget, and the rules those controls keep. The window
// shows this state; the batch tool has nothing else.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/Axis.h"
#include "view/Redraw.h"

namespace pivora {

// --- The rules of an integer spin box ---

// The value of a spin box's text: an optional sign and decimal digits within
// the 32-bit range; any other text ("", "-", "1.5", "99999999999") gives
// lower.
int SpinTextValue(std::string_view text, int lower);

// value brought into the limits as a spin box does it: below lower gives
// lower, else above upper gives upper, and nothing applies when the two
// limits are equal. So with upper below lower (an upper limit of 0 atoms
// under a lower limit of 1) a value below lower gives lower and any other
// value gives upper.
int SpinClamp(int value, int lower, int upper);

// --- The controls ---

// clang-format off
// The integer spin boxes: the centering pair, the plot scale, and the eight
// atom selections of each vector (tail 1-4, head 5-8).
enum class SpinId : std::uint8_t {
    CenterAtom1,
    CenterAtom2,
    PlotScale,
    V1Tail1, V1Tail2, V1Tail3, V1Tail4, V1Head1, V1Head2, V1Head3, V1Head4,
    V2Tail1, V2Tail2, V2Tail3, V2Tail4, V2Head1, V2Head2, V2Head3, V2Head4,
};
inline constexpr int kSpinCount = 19;

// The text boxes: the name boxes beside the atom spin boxes, the vector
// components and the three angles.
enum class TextId : std::uint8_t {
    CenterName1,
    CenterName2,
    V1TailName1, V1TailName2, V1TailName3, V1TailName4,
    V1HeadName1, V1HeadName2, V1HeadName3, V1HeadName4,
    V2TailName1, V2TailName2, V2TailName3, V2TailName4,
    V2HeadName1, V2HeadName2, V2HeadName3, V2HeadName4,
    V1X, V1Y, V1Z,
    V2X, V2Y, V2Z,
    AngleZ, AngleX, AngleY,
};
inline constexpr int kTextCount = 27;
// clang-format on

// One end of a vector.
enum class GroupEnd : std::uint8_t { Tail, Head };

// The atom box of a vector: slot 0 to 3 the tail, 4 to 7 the head.
SpinId AtomBox(VectorId vector, int slot);
// Whether box is one of the sixteen atom boxes, and which vector and slot.
bool IsAtomBox(SpinId box);
VectorId VectorOfBox(SpinId box);
int SlotOfBox(SpinId box);
// The name box beside a spin box. None for the plot scale.
std::optional<TextId> NameBoxOf(SpinId box);
// The box of a vector's component.
TextId ComponentBox(VectorId vector, Axis component);
// The angle box of the turn about axis.
TextId AngleBox(Axis axis);
// The component box's vector and axis; false for any other box.
bool IsComponentBox(TextId box);
VectorId VectorOfComponent(TextId box);
Axis AxisOfComponent(TextId box);

// The controls' own names: the window's original control names ("SEV1",
// "VX", "SpinEdit3"; docs/DESIGN.md has the table), which the recipe words
// and the widgets' object names keep for good.
const char* SpinName(SpinId box);
const char* TextName(TextId box);
std::optional<SpinId> SpinByName(std::string_view name);
std::optional<TextId> TextByName(std::string_view name);

// Bytes shared between copies: a snapshot of the controls then costs no copy
// of a long label a name box shows.
class SharedText {
  public:
    SharedText() = default;
    SharedText(std::string text);
    SharedText(const char* text) : SharedText(std::string(text)) {}
    const std::string& Str() const;
    bool operator==(const SharedText& other) const { return Str() == other.Str(); }

  private:
    std::shared_ptr<const std::string> text_;
};

struct SpinState {
    std::string Text;
    int Min = 0;
    int Max = 100;
    // The text as an integer, or Min when it is not one.
    int Value() const { return SpinTextValue(Text, Min); }
    bool operator==(const SpinState&) const = default;
};

// A vector given by a direction fixed in the molecule instead of by atoms (a
// symmetry axis, the normal of a mirror plane): its tail is the origin and
// its head point, in angstrom, which every turn turns with the molecule.
// name says what it is ("C6 axis"), empty when nothing says.
struct AttachedDirection {
    std::array<double, 3> point{};
    std::string name;
    bool operator==(const AttachedDirection&) const = default;
};

// Everything the controls hold, as the window starts with it.
struct ControlState {
    std::array<SpinState, kSpinCount> Spins;
    std::array<SharedText, kTextCount> Texts;
    // The two check boxes that choose the vector the fits act on: exactly
    // one is set (FitsVector1 at the start).
    bool FitsVector1 = true;
    bool FitsVector2 = false;
    // The atoms of a group beyond its four spin boxes, in order: Vector1's
    // tail and head, then Vector2's.
    std::array<std::vector<int>, 4> More;
    // Vector1's and Vector2's direction, while it is given by one; its atom
    // boxes then hold 0.
    std::array<std::optional<AttachedDirection>, 2> Directions;

    ControlState();
    std::vector<int>& MoreOf(VectorId vector, GroupEnd end) {
        return More[GroupIndex(vector, end)];
    }
    const std::vector<int>& MoreOf(VectorId vector, GroupEnd end) const {
        return More[GroupIndex(vector, end)];
    }
    static std::size_t GroupIndex(VectorId vector, GroupEnd end) {
        return (vector == VectorId::Vector1 ? 0 : 2) + (end == GroupEnd::Tail ? 0 : 1);
    }
    std::optional<AttachedDirection>& DirectionOf(VectorId vector) {
        return Directions[vector == VectorId::Vector1 ? 0 : 1];
    }
    const std::optional<AttachedDirection>& DirectionOf(VectorId vector) const {
        return Directions[vector == VectorId::Vector1 ? 0 : 1];
    }
    SpinState& Spin(SpinId box) { return Spins[static_cast<std::size_t>(box)]; }
    const SpinState& Spin(SpinId box) const { return Spins[static_cast<std::size_t>(box)]; }
    const std::string& Text(TextId box) const { return Texts[static_cast<std::size_t>(box)].Str(); }
    bool operator==(const ControlState&) const = default;
};

}  // namespace pivora
