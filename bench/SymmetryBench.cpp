// Point groups: a molecule of 100 atoms with and without symmetry, C60, and
// clusters of about 10,000 atoms, each shaken by 1e-4 angstrom as an
// optimisation leaves it; and symmetrizing the largest.

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <tuple>

#include "symmetry/Molecules.h"
#include "symmetry/PointGroup.h"

namespace pivora::bench {
namespace {

using symmetry::Vec3;
using symmetry::test::Molecule;

// Atoms on a jittered cubic grid (at least 0.9 angstrom apart), of four
// kinds, in the grid's order: a molecule with no symmetry.
Molecule Asymmetric(int n) {
    std::mt19937_64 rng(41);
    std::uniform_real_distribution<double> jitter(-0.3, 0.3);
    std::uniform_int_distribution<int> kind(1, 4);
    const int side = static_cast<int>(std::ceil(std::cbrt(n)));
    Molecule m;
    for (int k = 0; k < n; ++k)
        m.Add(kind(rng), {1.5 * (k % side) + jitter(rng), 1.5 * (k / side % side) + jitter(rng),
                          1.5 * (k / side / side) + jitter(rng)});
    return m;
}

// Five atoms in general places and their images under D5d: 100 atoms.
Molecule Pentagonal() {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> place(-4, 4);
    Molecule m;
    for (int seed = 0; seed < 5; ++seed) {
        const Vec3 p{place(rng), place(rng), place(rng)};
        for (int k = 0; k < 5; ++k) {
            const double a = 2 * std::numbers::pi * k / 5, c = std::cos(a), s = std::sin(a);
            const Vec3 turned{c * p[0] - s * p[1], s * p[0] + c * p[1], p[2]};
            // The C2 across x, the inversion and both.
            for (const auto& [sx, sy, sz] :
                 {std::tuple{1, 1, 1}, {1, -1, -1}, {-1, -1, -1}, {-1, 1, 1}})
                m.Add(6 + seed % 2, {sx * turned[0], sy * turned[1], sz * turned[2]});
        }
    }
    return m;
}

// Rock salt: the points of a cubic lattice of 1.4 angstrom within a sphere
// about one of them, alternating in kind: Oh, with many shells of like atoms
// at one distance from the centre.
Molecule RockSaltCluster(int n) {
    Molecule m;
    const double radius = 1.4 * std::cbrt(3.0 * n / (4 * std::numbers::pi));
    const int reach = static_cast<int>(radius / 1.4) + 1;
    for (int i = -reach; i <= reach; ++i)
        for (int j = -reach; j <= reach; ++j)
            for (int k = -reach; k <= reach; ++k) {
                const Vec3 p{1.4 * i, 1.4 * j, 1.4 * k};
                if (std::hypot(p[0], p[1], p[2]) <= radius)
                    m.Add(11 + (((i + j + k) % 2) + 2) % 2 * 6, p);
            }
    return m;
}

Molecule Prepared(const Molecule& m) {
    std::mt19937_64 rng(43);
    return symmetry::test::Turned(symmetry::test::Shaken(m, 1e-4, rng),
                                  symmetry::test::RandomRotation(rng), {1, 2, 3});
}

void PointGroupOf(benchmark::State& state, const Molecule& m, const char* expected) {
    for (auto _ : state) {
        const symmetry::PointGroupResult r = symmetry::FindPointGroup(m.Atoms());
        benchmark::DoNotOptimize(r.group.properAxes.data());
        if (r.group.Symbol() != expected)
            state.SkipWithError(("found " + r.group.Symbol()).c_str());
    }
    state.counters["atoms"] = static_cast<double>(m.positions.size());
}

void BM_PointGroupOf100AsymmetricAtoms(benchmark::State& state) {
    PointGroupOf(state, Prepared(Asymmetric(100)), "C1");
}
BENCHMARK(BM_PointGroupOf100AsymmetricAtoms)->Unit(benchmark::kMillisecond);

void BM_PointGroupOf100AtomsD5d(benchmark::State& state) {
    PointGroupOf(state, Prepared(Pentagonal()), "D5d");
}
BENCHMARK(BM_PointGroupOf100AtomsD5d)->Unit(benchmark::kMillisecond);

void BM_PointGroupOfC60(benchmark::State& state) {
    PointGroupOf(state, Prepared(symmetry::test::Built("C60")), "Ih");
}
BENCHMARK(BM_PointGroupOfC60)->Unit(benchmark::kMillisecond);

void BM_PointGroupOf10000AsymmetricAtoms(benchmark::State& state) {
    PointGroupOf(state, Prepared(Asymmetric(10000)), "C1");
}
BENCHMARK(BM_PointGroupOf10000AsymmetricAtoms)->Unit(benchmark::kMillisecond);

void BM_PointGroupOf10000AtomsOh(benchmark::State& state) {
    PointGroupOf(state, Prepared(RockSaltCluster(10000)), "Oh");
}
BENCHMARK(BM_PointGroupOf10000AtomsOh)->Unit(benchmark::kMillisecond);

void BM_SymmetrizeOf10000AtomsOh(benchmark::State& state) {
    const Molecule m = Prepared(RockSaltCluster(10000));
    const symmetry::PointGroupResult r = symmetry::FindPointGroup(m.Atoms());
    for (auto _ : state) {
        const symmetry::Symmetrized s = symmetry::Symmetrize(m.Atoms(), r.group, 0.01);
        benchmark::DoNotOptimize(s.positions.data());
        if (!s.Done()) state.SkipWithError(s.refusal.c_str());
    }
}
BENCHMARK(BM_SymmetrizeOf10000AtomsOh)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pivora::bench
