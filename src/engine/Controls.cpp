#include "engine/Controls.h"

#include <limits>

namespace pivora {
namespace {

constexpr int kFirstAtomBox = static_cast<int>(SpinId::V1Tail1);
constexpr int kFirstNameBox = static_cast<int>(TextId::V1TailName1);
constexpr int kFirstComponentBox = static_cast<int>(TextId::V1X);

constexpr const char* kSpinNames[kSpinCount] = {
    "SpinEdit1", "SpinEdit2", "SpinEdit3", "SEV1", "SEV2", "SEV3", "SEV4", "SEV5", "SEV6", "SEV7",
    "SEV8",      "SEU1",      "SEU2",      "SEU3", "SEU4", "SEU5", "SEU6", "SEU7", "SEU8",
};
constexpr const char* kTextNames[kTextCount] = {
    "Edit1", "Edit2", "V1", "V2", "V3", "V4", "V5",     "V6",     "V7",
    "V8",    "U1",    "U2", "U3", "U4", "U5", "U6",     "U7",     "U8",
    "VX",    "VY",    "VZ", "UX", "UY", "UZ", "Zangle", "Xangle", "Yangle",
};

int VectorIndex(VectorId vector) {
    return vector == VectorId::Vector1 ? 0 : 1;
}

}  // namespace

int SpinTextValue(std::string_view text, int lower) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::size_t first = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (first == text.size()) return lower;
    long long magnitude = 0;
    for (std::size_t i = first; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return lower;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > -static_cast<long long>(std::numeric_limits<int>::min())) return lower;
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int>::max()) return lower;
    return static_cast<int>(value);
}

int SpinClamp(int value, int lower, int upper) {
    if (lower == upper) return value;
    if (value < lower) return lower;
    if (value > upper) return upper;
    return value;
}

SpinId AtomBox(VectorId vector, int slot) {
    return static_cast<SpinId>(kFirstAtomBox + 8 * VectorIndex(vector) + slot);
}

bool IsAtomBox(SpinId box) {
    return static_cast<int>(box) >= kFirstAtomBox;
}

VectorId VectorOfBox(SpinId box) {
    return static_cast<int>(box) - kFirstAtomBox < 8 ? VectorId::Vector1 : VectorId::Vector2;
}

int SlotOfBox(SpinId box) {
    return (static_cast<int>(box) - kFirstAtomBox) % 8;
}

std::optional<TextId> NameBoxOf(SpinId box) {
    switch (box) {
        case SpinId::CenterAtom1:
            return TextId::CenterName1;
        case SpinId::CenterAtom2:
            return TextId::CenterName2;
        case SpinId::PlotScale:
            return std::nullopt;
        default:
            return static_cast<TextId>(kFirstNameBox + static_cast<int>(box) - kFirstAtomBox);
    }
}

TextId ComponentBox(VectorId vector, Axis component) {
    return static_cast<TextId>(kFirstComponentBox + 3 * VectorIndex(vector) +
                               static_cast<int>(component));
}

TextId AngleBox(Axis axis) {
    switch (axis) {
        case Axis::Z:
            return TextId::AngleZ;
        case Axis::X:
            return TextId::AngleX;
        case Axis::Y:
            break;
    }
    return TextId::AngleY;
}

bool IsComponentBox(TextId box) {
    const int index = static_cast<int>(box) - kFirstComponentBox;
    return index >= 0 && index < 6;
}

VectorId VectorOfComponent(TextId box) {
    return static_cast<int>(box) - kFirstComponentBox < 3 ? VectorId::Vector1 : VectorId::Vector2;
}

Axis AxisOfComponent(TextId box) {
    return static_cast<Axis>((static_cast<int>(box) - kFirstComponentBox) % 3);
}

const char* SpinName(SpinId box) {
    return kSpinNames[static_cast<int>(box)];
}

const char* TextName(TextId box) {
    return kTextNames[static_cast<int>(box)];
}

std::optional<SpinId> SpinByName(std::string_view name) {
    for (int i = 0; i < kSpinCount; ++i) {
        if (name == kSpinNames[i]) return static_cast<SpinId>(i);
    }
    return std::nullopt;
}

std::optional<TextId> TextByName(std::string_view name) {
    for (int i = 0; i < kTextCount; ++i) {
        if (name == kTextNames[i]) return static_cast<TextId>(i);
    }
    return std::nullopt;
}

SharedText::SharedText(std::string text) {
    if (!text.empty()) text_ = std::make_shared<const std::string>(std::move(text));
}

const std::string& SharedText::Str() const {
    static const std::string kEmpty;
    return text_ ? *text_ : kEmpty;
}

ControlState::ControlState() {
    // The centering pair and the scale start at 1 and 10 within 1..100; the
    // atom boxes at 0 (no atom) within 0..100 until a file is opened.
    Spin(SpinId::CenterAtom1) = {"1", 1, 100};
    Spin(SpinId::CenterAtom2) = {"1", 1, 100};
    Spin(SpinId::PlotScale) = {"10", 1, 100};
    for (int i = kFirstAtomBox; i < kSpinCount; ++i) Spins[i] = {"0", 0, 100};
    Texts[static_cast<int>(TextId::CenterName1)] = "Edit1";
    Texts[static_cast<int>(TextId::CenterName2)] = "Edit2";
    for (int i = kFirstNameBox; i < kFirstComponentBox; ++i) Texts[i] = "None";
    for (const TextId angle : {TextId::AngleZ, TextId::AngleX, TextId::AngleY}) {
        Texts[static_cast<int>(angle)] = "0";
    }
}

}  // namespace pivora
