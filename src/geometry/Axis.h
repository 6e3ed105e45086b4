#pragma once
// The three coordinate axes, also used to name a vector's x, y and z
// components.

namespace pivora {

enum class Axis { X, Y, Z };

}  // namespace pivora
