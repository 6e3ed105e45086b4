#pragma once
// A point or a direction in space, in angstrom.

namespace pivora {

struct Vec3 {
    double X = 0;
    double Y = 0;
    double Z = 0;
};

}  // namespace pivora
