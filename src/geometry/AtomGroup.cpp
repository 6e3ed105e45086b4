#include "geometry/AtomGroup.h"

#include <algorithm>

#include "numeric/Extended.h"

namespace pivora {

namespace {

// Sums in the group's order, so the roundings after each addition are the
// ones the user's order of selections gives.
Centroid3 Centroid(const AtomTable& atoms, const AtomGroup& group) {
    double sx = 0;
    double sy = 0;
    double sz = 0;
    long long n = 0;
    auto add = [&](long long v) {
        if (!atoms.IsAtom(v)) return;
        ++n;
        sx = StoreDouble(static_cast<long double>(sx) + atoms.AtomX[v]);
        sy = StoreDouble(static_cast<long double>(sy) + atoms.AtomY[v]);
        sz = StoreDouble(static_cast<long double>(sz) + atoms.AtomZ[v]);
    };
    for (const long long v : group.Selection) add(v);
    for (const long long v : group.More) add(v);
    // A double divided by a count of 1 or more stays in the double range.
    return {static_cast<double>(static_cast<long double>(sx) / n),
            static_cast<double>(static_cast<long double>(sy) / n),
            static_cast<double>(static_cast<long double>(sz) / n)};
}

bool NamesAtom(const AtomTable& atoms, const AtomGroup& group) {
    const auto isAtom = [&atoms](long long v) { return atoms.IsAtom(v); };
    return std::any_of(group.Selection.begin(), group.Selection.end(), isAtom) ||
           std::any_of(group.More.begin(), group.More.end(), isAtom);
}

}  // namespace

std::optional<Centroid3> GroupCentroid(const AtomTable& atoms, const AtomGroup& group) {
    if (!NamesAtom(atoms, group)) return std::nullopt;
    return Centroid(atoms, group);
}

std::optional<VectorComponents> EvaluateVector(const AtomTable& atoms,
                                               const VectorDefinition& vector) {
    if (!NamesAtom(atoms, vector.Tail) || !NamesAtom(atoms, vector.Head)) return std::nullopt;
    const Centroid3 tail = Centroid(atoms, vector.Tail);
    const Centroid3 head = Centroid(atoms, vector.Head);
    // The differences stay extended: the display form shows them unrounded.
    return VectorComponents{static_cast<long double>(head.X) - tail.X,
                            static_cast<long double>(head.Y) - tail.Y,
                            static_cast<long double>(head.Z) - tail.Z};
}

}  // namespace pivora
