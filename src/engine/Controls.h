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
    SpinEdit1,
    SpinEdit2,
    SpinEdit3,
    SEV1, SEV2, SEV3, SEV4, SEV5, SEV6, SEV7, SEV8,
    SEU1, SEU2, SEU3, SEU4, SEU5, SEU6, SEU7, SEU8,
};
inline constexpr int kSpinCount = 19;

// The text boxes: the name boxes beside the atom spin boxes, the vector
// components and the three angles.
enum class TextId : std::uint8_t {
    Edit1,
    Edit2,
    V1, V2, V3, V4, V5, V6, V7, V8,
    U1, U2, U3, U4, U5, U6, U7, U8,
    VX, VY, VZ,
    UX, UY, UZ,
    Zangle, Xangle, Yangle,
};
inline constexpr int kTextCount = 27;
// clang-format on

// One end of a vector.
enum class GroupEnd : std::uint8_t { Tail, Head };

// The atom box of a vector: slot 0 to 7, SEV1..SEV8 or SEU1..SEU8.
SpinId AtomBox(VectorId vector, int slot);
// Whether box is one of the sixteen atom boxes, and which vector and slot.
bool IsAtomBox(SpinId box);
VectorId VectorOfBox(SpinId box);
int SlotOfBox(SpinId box);
// The name box beside a spin box: Edit1, Edit2, V1..V8, U1..U8. None for
// SpinEdit3.
std::optional<TextId> NameBoxOf(SpinId box);
// VX, VY, VZ or UX, UY, UZ.
TextId ComponentBox(VectorId vector, Axis component);
// Zangle, Xangle, Yangle: the angle box of the turn about axis.
TextId AngleBox(Axis axis);
// The component box's vector and axis; false for any other box.
bool IsComponentBox(TextId box);
VectorId VectorOfComponent(TextId box);
Axis AxisOfComponent(TextId box);

// The controls' own names, as the window and the recipe spell them.
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
    bool CheckBox1 = true;  // true: the fits act on Vector1
    bool CheckBox2 = false;
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
