#pragma once
// Point groups as sets of 3 x 3 operations: what each operation is, the
// elements (axes, planes, centre) a set of them holds, the name of the
// group they form, and the textbook operations of each group in its
// standard frame.

#include <vector>

#include "symmetry/LinearAlgebra.h"
#include "symmetry/PointGroup.h"

namespace pivora::symmetry {

enum class OpKind { Identity, Rotation, Inversion, Reflection, Improper };

struct OpInfo {
    OpKind kind = OpKind::Identity;
    LVec axis{};  // rotation or improper axis, or a plane's normal (either sign)
    // Rotation: its order (the n of Cn for the turn 2 pi / n and its powers
    // prime to n). Improper: the n of Sn. 0: not recognised, ignored.
    int order = 0;
};

// Describes m. rotationOrder > 0 gives a turn's order from elsewhere (the
// atoms' permutation), checked against its angle; 0 takes it from the
// angle. angleTolerance (radians) bounds the angle's error.
OpInfo Describe(const LMat& m, int rotationOrder, long double angleTolerance);

// Operations that share one line: a proper axis with the highest order
// present (its turns are the powers of that one), an improper axis of one
// order n (D6h has S6 and S3 on its C6 axis), or a mirror plane's normal.
struct ElementLine {
    LVec axis{};
    int order = 0;
    std::vector<int> ops;  // indices into the described set
};

struct Elements {
    std::vector<ElementLine> proper;    // orders 2 and more
    std::vector<ElementLine> improper;  // S_n with n >= 3, one line for each n
    std::vector<ElementLine> planes;
    bool inversion = false;
};

// Groups the operations' elements by line; lines closer than
// angleTolerance (radians) are one. An axis whose order exceeds
// kMaxAxisOrder gets the largest divisor of it up to that cap.
Elements CollectElements(const std::vector<OpInfo>& ops, long double angleTolerance);

// The group's name and a frame to build its textbook operations in: z on
// the principal axis (T: a C2, O: a C4, I: a C2), x perpendicular to it on
// a C2 axis (D groups, T, O's C4, I), in a σv plane (Cnv), or anywhere.
// For I and Ih the two frames that put C2 axes on z and x differ by the
// place of the C5 axes: variant 0 or 1 of IdealOperations, which the caller
// tells apart by testing both.
struct Classification {
    Family family = Family::C1;
    int n = 1;
    LVec z{0, 0, 1};
    LVec x{1, 0, 0};
};
Classification Classify(const Elements& elements, long double angleTolerance);

// The group's operations in its standard frame (principal axis on z, x as
// Classify states), generated from textbook generators and closed.
// Linear groups and Kh have none.
std::vector<LMat> IdealOperations(Family family, int n, int variant);

// The index of g[a] g[b] in g, for a set g closed under products.
std::vector<int> ProductTable(const std::vector<LMat>& g);

// A largest subgroup found greedily among the operations allowed: starting
// from the identity (index 0, always allowed), the operation whose addition
// closes to the largest group within the allowed ones is added, until none
// can be. With images (images[k][i]: the atom operation k sends atom i
// onto), the subgroup's images must also compose as its operations do.
// Returns the subgroup's indices, ascending.
std::vector<int> SubgroupWithin(const std::vector<LMat>& g, const std::vector<bool>& allowed,
                                const std::vector<std::vector<int>>* images = nullptr);

int GroupOrder(Family family, int n);

}  // namespace pivora::symmetry
