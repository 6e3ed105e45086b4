#pragma once
// The three coordinate axes, also used to name a vector's x, y and z
// components.

namespace pivora {

enum class Axis { X, Y, Z };

// "X", "Y" or "Z".
inline const char* AxisLetter(Axis axis) {
    return axis == Axis::X ? "X" : axis == Axis::Y ? "Y" : "Z";
}

}  // namespace pivora
