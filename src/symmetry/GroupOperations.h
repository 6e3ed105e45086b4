#pragma once
// The idealised operations a PointGroup carries for Symmetrize.

#include <cfenv>
#include <vector>

#include "symmetry/LinearAlgebra.h"
#include "symmetry/PointGroup.h"

namespace pivora::symmetry {

struct GroupOperations {
    enum class Shape { Finite, Linear, Point };
    Shape shape = Shape::Finite;
    LVec centre{};  // the centroid, unrounded
    LVec axis{};    // the line of a linear molecule
    // About the centre, in the input's frame; the identity first. For a
    // linear molecule the identity and, for D∞h, the inversion: the turns
    // about the line are applied by projecting onto it.
    std::vector<LMat> matrices;
    // images[g][i]: the atom (0-based) that operation g sends atom i onto.
    std::vector<std::vector<int>> images;
};

// Restores the floating-point status flags on leaving, so that the
// symmetry code raises nothing a caller's flag test could take for its own
// failure.
class KeepFloatingPointFlags {
  public:
    KeepFloatingPointFlags() { std::fegetexceptflag(&saved_, FE_ALL_EXCEPT); }
    ~KeepFloatingPointFlags() { std::fesetexceptflag(&saved_, FE_ALL_EXCEPT); }
    KeepFloatingPointFlags(const KeepFloatingPointFlags&) = delete;
    KeepFloatingPointFlags& operator=(const KeepFloatingPointFlags&) = delete;

  private:
    std::fexcept_t saved_;
};

}  // namespace pivora::symmetry
