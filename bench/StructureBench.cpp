// Bonds of large molecules: a diamond crystal (four bonds an atom, the
// densest bonding there is) in the order a file lists it and shuffled, and
// a box of water (one bond an atom); from 125,000 to a million atoms, to
// show the time growing linearly. The counters give the bonds, the bytes
// a bond of the result and the peak memory the search took beside the
// molecule, in bytes a bond. Time is wall-clock time; the CPU time is that
// of both processors a large molecule's search uses.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numeric>
#include <random>
#include <string>

#include "BenchFiles.h"
#include "model/AtomTable.h"
#include "structure/Bonds.h"

namespace pivora::bench {
namespace {

// The cubic cell of diamond, 3.567 angstrom, and its eight carbons in
// fractions of it: C-C 1.545 angstrom.
constexpr double kDiamondCell = 3.567;
constexpr double kDiamondSites[8][3] = {{0, 0, 0},          {0, 0.5, 0.5},      {0.5, 0, 0.5},
                                        {0.5, 0.5, 0},      {0.25, 0.25, 0.25}, {0.25, 0.75, 0.75},
                                        {0.75, 0.25, 0.75}, {0.75, 0.75, 0.25}};

struct Molecule {
    AtomTable atoms;
    std::vector<std::uint8_t> elements;
};

Molecule Empty(std::size_t n) {
    Molecule m;
    m.atoms.Resize(n + 10);
    m.atoms.AtomCount = static_cast<std::int32_t>(n);
    m.elements.assign(n + 10, 0);
    return m;
}

void Put(Molecule& m, std::size_t i, double x, double y, double z, std::uint8_t element) {
    m.atoms.AtomX[i] = x;
    m.atoms.AtomY[i] = y;
    m.atoms.AtomZ[i] = z;
    m.elements[i] = element;
}

// n / 8 cubic cells of diamond (n = 8 k^3), cell by cell.
Molecule Diamond(std::size_t n, bool shuffled) {
    const auto k = static_cast<std::size_t>(std::llround(std::cbrt(static_cast<double>(n / 8))));
    Molecule m = Empty(8 * k * k * k);
    std::vector<std::size_t> order(8 * k * k * k);
    std::iota(order.begin(), order.end(), 1);
    if (shuffled) std::shuffle(order.begin(), order.end(), std::mt19937_64(5));
    std::size_t next = 0;
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t b = 0; b < k; ++b)
            for (std::size_t c = 0; c < k; ++c)
                for (const auto& site : kDiamondSites)
                    Put(m, order[next++], (a + site[0]) * kDiamondCell,
                        (b + site[1]) * kDiamondCell, (c + site[2]) * kDiamondCell, 6);
    return m;
}

// n / 3 water molecules at the density of liquid water (a cube of 3.1
// angstrom each), turned at random: O-H 0.957 angstrom, H-O-H 104.5
// degrees.
Molecule Water(std::size_t n) {
    const auto k = static_cast<std::size_t>(std::llround(std::cbrt(static_cast<double>(n / 3))));
    Molecule m = Empty(3 * k * k * k);
    std::mt19937_64 random(9);
    std::normal_distribution<double> normal;
    const double half = 104.5 / 2 * 3.14159265358979 / 180;
    std::size_t next = 1;
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t b = 0; b < k; ++b)
            for (std::size_t c = 0; c < k; ++c) {
                // Two random perpendicular unit vectors u, v: the bisector and
                // the direction across the molecule.
                double u[3] = {normal(random), normal(random), normal(random)};
                double v[3] = {normal(random), normal(random), normal(random)};
                const double nu = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
                for (double& e : u) e /= nu;
                const double dot = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
                for (int i = 0; i < 3; ++i) v[i] -= dot * u[i];
                const double nv = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
                for (double& e : v) e /= nv;
                const double o[3] = {a * 3.1, b * 3.1, c * 3.1};
                Put(m, next++, o[0], o[1], o[2], 8);
                for (const double side : {1.0, -1.0}) {
                    double h[3];
                    for (int i = 0; i < 3; ++i)
                        h[i] =
                            o[i] + 0.957 * (std::cos(half) * u[i] + side * std::sin(half) * v[i]);
                    Put(m, next++, h[0], h[1], h[2], 1);
                }
            }
    return m;
}

// The resident memory that one search adds at its peak, in bytes: the
// kernel's high-water mark is set back to the present first.
double PeakBytesOf(const Molecule& m) {
    std::ofstream("/proc/self/clear_refs") << "5";
    const double before = StatusMegabytes("VmRSS:");
    const std::vector<Bond> bonds = FindBonds(m.atoms, m.elements);
    benchmark::DoNotOptimize(bonds.data());
    return (StatusMegabytes("VmHWM:") - before) * 1024 * 1024;
}

void Report(benchmark::State& state, const Molecule& m) {
    const std::vector<Bond> bonds = FindBonds(m.atoms, m.elements);
    const auto count = static_cast<double>(bonds.size());
    state.counters["atoms"] = m.atoms.AtomCount;
    state.counters["bonds"] = count;
    state.counters["result_B_per_bond"] =
        static_cast<double>(bonds.capacity() * sizeof(Bond)) / count;
    state.counters["peak_B_per_bond"] = PeakBytesOf(m) / count;
    state.SetItemsProcessed(state.iterations() * m.atoms.AtomCount);
    state.SetComplexityN(m.atoms.AtomCount);
}

void BM_BondsDiamond(benchmark::State& state) {
    const Molecule m = Diamond(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        std::vector<Bond> bonds = FindBonds(m.atoms, m.elements);
        benchmark::DoNotOptimize(bonds.data());
    }
    Report(state, m);
}
BENCHMARK(BM_BondsDiamond)
    ->ArgNames({"atoms", "shuffled"})
    ->Args({125000, 0})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_BondsWater(benchmark::State& state) {
    const Molecule m = Water(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::vector<Bond> bonds = FindBonds(m.atoms, m.elements);
        benchmark::DoNotOptimize(bonds.data());
    }
    Report(state, m);
}
BENCHMARK(BM_BondsWater)
    ->Arg(125000)
    ->Arg(1000000)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pivora::bench
