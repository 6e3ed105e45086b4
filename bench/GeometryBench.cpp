// Turning and centering a million atoms.

#include <benchmark/benchmark.h>

#include <random>

#include "geometry/Centering.h"
#include "geometry/Rotation.h"
#include "model/AtomTable.h"
#include "numeric/DecimalText.h"

namespace pivora::bench {
namespace {

constexpr int kMillion = 1000000;

// Labels stay empty: turning and centering never read them.
AtomTable MillionAtoms() {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> coordinate(-99.0, 99.0);
    AtomTable atoms;
    atoms.Resize(kMillion + 10);
    atoms.AtomCount = kMillion;
    for (int k = 1; k <= kMillion; ++k) {
        atoms.AtomX[k] = coordinate(rng);
        atoms.AtomY[k] = coordinate(rng);
        atoms.AtomZ[k] = coordinate(rng);
    }
    return atoms;
}

// The whole command as the button runs it: the angle text, then every atom.
void BM_RotateMillionAtoms(benchmark::State& state) {
    AtomTable atoms = MillionAtoms();
    for (auto _ : state) {
        Rotate(atoms, Axis::Z, ParseDecimal("17.5"));
        benchmark::DoNotOptimize(atoms.AtomX.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
}
BENCHMARK(BM_RotateMillionAtoms)->Unit(benchmark::kMillisecond);

void BM_CenterMillionAtoms(benchmark::State& state) {
    AtomTable atoms = MillionAtoms();
    for (auto _ : state) {
        CenterOnPair(atoms, 1, 2);
        benchmark::DoNotOptimize(atoms.AtomX.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kMillion);
}
BENCHMARK(BM_CenterMillionAtoms)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pivora::bench
