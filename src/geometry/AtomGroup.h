#pragma once
// The two ends of a user vector and its evaluation (`EvaluateVector`).

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "geometry/Axis.h"
#include "model/AtomTable.h"

namespace pivora {

// One end of a vector: the four atom selections of its spin boxes, in box
// order, then any further atoms of the group
// (a ring of five or six, say), in their order. A selection that names an
// atom, 1 to AtomCount, counts; any other value (0, negative, a spare slot,
// anything before the first open) counts as no atom.
struct AtomGroup {
    std::array<long long, 4> Selection{};
    std::vector<long long> More{};
};

struct VectorDefinition {
    AtomGroup Tail;
    AtomGroup Head;
};

// Head centroid minus tail centroid, in angstrom, at full extended precision:
// hand them to FormatDisplay unrounded.
struct VectorComponents {
    long double X = 0;
    long double Y = 0;
    long double Z = 0;
    long double operator[](Axis component) const {
        return component == Axis::X ? X : component == Axis::Y ? Y : Z;
    }
};

// A point in angstrom.
struct Centroid3 {
    double X = 0;
    double Y = 0;
    double Z = 0;
};

// The centroid of a group's atoms as EvaluateVector takes it (see below):
// empty when the group names no atom. Throws the overflow error as
// EvaluateVector does.
std::optional<Centroid3> GroupCentroid(const AtomTable& atoms, const AtomGroup& group);

// The vector from the tail centroid to the head centroid. Empty (the vector
// is not defined) when either group names no atom; the caller then leaves
// the component boxes as they are. Each centroid counts an atom as often as
// it is selected, in the group's order; its sums are rounded to a double
// after every addition and its coordinates after their one division. Throws the overflow error when
// a sum leaves the double range (only for coordinates near the largest double); the boxes are then
// not written either.
std::optional<VectorComponents> EvaluateVector(const AtomTable& atoms,
                                               const VectorDefinition& vector);

}  // namespace pivora
