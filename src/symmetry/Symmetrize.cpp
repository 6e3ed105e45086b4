#include <cmath>
#include <cstdio>
#include <string>

#include "symmetry/GroupOperations.h"
#include "symmetry/LinearAlgebra.h"
#include "symmetry/PointGroup.h"

namespace pivora::symmetry {

namespace {

std::string Angstrom(long double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", static_cast<double>(v));
    return std::string(text) + " \u00C5";
}

}  // namespace

Symmetrized Symmetrize(const AtomSet& atoms, const PointGroup& group, double maxMove) {
    const KeepFloatingPointFlags keep;
    Symmetrized out;
    const GroupOperations* ops = group.operations.get();
    const std::size_t n = atoms.positions.size();
    if (!ops || (ops->shape != GroupOperations::Shape::Point &&
                 (ops->images.empty() || ops->images[0].size() != n))) {
        out.refusal = "The point group to symmetrize to was not found for these atoms.";
        return out;
    }
    if (!(maxMove >= 0)) {
        out.refusal = "The largest move allowed must be a number of angstrom, 0 or more.";
        return out;
    }
    // The atoms about the centre; for a linear molecule their projections
    // onto its line, which is the average over all turns about it.
    std::vector<LVec> about(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Vec3& x = atoms.positions[i];
        LVec p{x[0] - ops->centre[0], x[1] - ops->centre[1], x[2] - ops->centre[2]};
        if (ops->shape == GroupOperations::Shape::Linear) p = Scale(ops->axis, Dot(p, ops->axis));
        if (ops->shape == GroupOperations::Shape::Point) p = {0, 0, 0};
        about[i] = p;
    }
    // Each atom's place is the mean of g^-1 applied to the atom that g sends
    // it onto, over the group: that set of points is carried into itself by
    // every operation, exactly up to rounding, since the operations form a
    // group.
    const long double count = static_cast<long double>(ops->matrices.size());
    out.positions.resize(n);
    long double largest = -1;
    for (std::size_t i = 0; i < n; ++i) {
        LVec sum = about[i];
        if (ops->shape != GroupOperations::Shape::Point) {
            sum = {0, 0, 0};
            for (std::size_t g = 0; g < ops->matrices.size(); ++g) {
                const LMat& m = ops->matrices[g];
                const LVec& q = about[static_cast<std::size_t>(ops->images[g][i])];
                // The transpose is the inverse.
                sum = Add(sum, LVec{m[0] * q[0] + m[3] * q[1] + m[6] * q[2],
                                    m[1] * q[0] + m[4] * q[1] + m[7] * q[2],
                                    m[2] * q[0] + m[5] * q[1] + m[8] * q[2]});
            }
            sum = Scale(sum, 1 / count);
        }
        long double move2 = 0;
        for (int k = 0; k < 3; ++k) {
            out.positions[i][k] = static_cast<double>(ops->centre[k] + sum[k]);
            const long double d =
                out.positions[i][k] - static_cast<long double>(atoms.positions[i][k]);
            move2 += d * d;
        }
        const long double move = std::sqrt(move2);
        if (move > largest) {
            largest = move;
            out.largestMove = static_cast<double>(move);
            out.atomMovedMost = move > 0 ? static_cast<int>(i + 1) : 0;
        }
    }
    if (out.largestMove > maxMove) {
        out.refusal = "Symmetrizing to " + group.Symbol() + " would move atom " +
                      std::to_string(out.atomMovedMost) + " by " + Angstrom(largest) +
                      ", more than the " + Angstrom(maxMove) + " allowed; nothing was moved.";
        out.positions.clear();
        out.largestMove = 0;
        out.atomMovedMost = 0;
    }
    return out;
}

Symmetrized Symmetrize(const AtomSet& atoms, double tolerance) {
    const PointGroupResult found = FindPointGroup(atoms, tolerance);
    if (!found.Found()) {
        Symmetrized out;
        out.refusal = found.refusal;
        return out;
    }
    return Symmetrize(atoms, found.group, tolerance);
}

}  // namespace pivora::symmetry
