#pragma once
// Vectors and 3 x 3 matrices in extended precision for the symmetry code:
// rotations, reflections, their axes and angles, the symmetric eigenproblem
// (inertia tensor, Horn's quaternion matrix) and the best rotation between
// two point sets. Matrices are row-major: m[3 * row + column].

#include <array>
#include <cstddef>
#include <span>

#include "numeric/ExtendedVector.h"

namespace pivora::symmetry {

using pivora::Add;
using pivora::Cross;
using pivora::Dot;
using pivora::kPi;
using pivora::LVec;
using pivora::Scale;
using pivora::Sub;
using LMat = std::array<long double, 9>;

long double Norm(const LVec& a);
// a / |a|; the zero vector stays zero.
LVec Normalized(const LVec& a);
// The part of a perpendicular to the unit vector u.
inline LVec Perpendicular(const LVec& a, const LVec& u) {
    return Sub(a, Scale(u, Dot(a, u)));
}

// The coordinate axis least in line with the unit vector z, made
// perpendicular to it: a fixed choice where nothing else decides. For the
// zero vector, +X.
LVec AnyPerpendicular(const LVec& z);

LMat Identity();
LMat Negated(const LMat& a);
LMat Multiply(const LMat& a, const LMat& b);
LMat Transpose(const LMat& a);
LVec Apply(const LMat& m, const LVec& v);
long double Determinant(const LMat& m);
// Largest absolute difference of two matrices' entries.
long double MaxDifference(const LMat& a, const LMat& b);

// Right-handed turn by angle (radians) about the unit vector u.
LMat Rotation(const LVec& u, long double angle);
// Reflection through the plane through the origin with unit normal n.
LMat Reflection(const LVec& n);
// The rotation whose rows are the frame's axes: it takes x onto +X, z onto
// +Z. x and z must be orthonormal; y = z cross x.
LMat FrameRows(const LVec& z, const LVec& x);

// A proper rotation as its unit axis and its angle in [0, pi]; for angles
// near 0 the axis is meaningless. For an improper operation m (determinant
// -1) pass -m: the improper turn by pi - angle about the same axis.
struct AxisAngle {
    LVec axis;
    long double angle;
};
AxisAngle ToAxisAngle(const LMat& rotation);

// Eigenvalues (ascending) and unit eigenvectors (vectors[k] belongs to
// values[k]) of a symmetric N x N matrix, row-major, by cyclic Jacobi turns.
template <std::size_t N>
struct Eigen {
    std::array<long double, N> values;
    std::array<std::array<long double, N>, N> vectors;
};
Eigen<3> SymmetricEigen3(const std::array<long double, 9>& a);
Eigen<4> SymmetricEigen4(const std::array<long double, 16>& a);

// The proper rotation t that minimises the sum of |t from[i] - to[i]|^2
// (Horn, J. Opt. Soc. Am. A 4 (1987) 629), from the correlation
// sum from[i] to[i]^T. Accumulate with AddCorrelation.
using Correlation = std::array<long double, 9>;
inline void AddCorrelation(Correlation& c, const LVec& from, const LVec& to) {
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) c[3 * r + k] += from[r] * to[k];
}
LMat BestRotation(const Correlation& c);

}  // namespace pivora::symmetry
