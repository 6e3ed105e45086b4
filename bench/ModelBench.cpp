// The number texts per call, and reading and writing coordinate files.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "coordinates/CoordinateReader.h"
#include "coordinates/CoordinateWriter.h"
#include "numeric/DecimalText.h"

namespace pivora::bench {
namespace {

std::vector<double> SampleValues() {
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> coordinate(-99.0, 99.0);
    std::vector<double> values(4096);
    for (double& v : values) v = coordinate(rng);
    return values;
}

void BM_ParseDecimal(benchmark::State& state) {
    std::vector<std::string> texts;
    for (double v : SampleValues()) texts.push_back(FormatFixed(v, 0, 6));
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseDecimal(texts[i++ & 4095]));
    }
}
BENCHMARK(BM_ParseDecimal);

void BM_FormatDisplay(benchmark::State& state) {
    const std::vector<double> values = SampleValues();
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(FormatDisplay(values[i++ & 4095]));
}
BENCHMARK(BM_FormatDisplay);

void BM_FormatFixed(benchmark::State& state) {
    const std::vector<double> values = SampleValues();
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(FormatFixed(values[i++ & 4095], 12, 9));
}
BENCHMARK(BM_FormatFixed);

// The share of values that the save field's integer route leaves to the
// extended one.
double FallbackRate(const std::vector<double>& values) {
    char field[kFixed12x9MaxLength];
    std::size_t declined = 0;
    for (double v : values) declined += WriteFixed12x9Fast(field, v) == 0 ? 1 : 0;
    return static_cast<double>(declined) / static_cast<double>(values.size());
}

void RunSaveField(benchmark::State& state, const std::vector<double>& values) {
    std::string out;
    out.reserve(4096 * kFixed12x9MaxLength);
    std::size_t i = 0;
    for (auto _ : state) {
        if ((i & 4095) == 0) out.clear();
        AppendFixed12x9(out, values[i++ & 4095]);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["fallback_rate"] = FallbackRate(values);
}

// The saved file's number field, as the save writes it.
void BM_AppendFixed12x9(benchmark::State& state) {
    RunSaveField(state, SampleValues());
}
BENCHMARK(BM_AppendFixed12x9);

// The same on exact ties at the 9th decimal, odd multiples of 2^-10
// (10^9 = 2^9 5^9) of the same size: every one is left to the extended
// route.
void BM_AppendFixed12x9Ties(benchmark::State& state) {
    std::vector<double> values;
    for (double v : SampleValues()) values.push_back(std::ldexp(2 * std::floor(v * 512) + 1, -10));
    RunSaveField(state, values);
}
BENCHMARK(BM_AppendFixed12x9Ties);

void BM_ReadCoordinateFile(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string& path = AtomFile(n);
    AtomTable table;
    for (auto _ : state) {
        ReadCoordinateFile(path, table);
        benchmark::DoNotOptimize(table.AtomX.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
    // Table memory per atom, long labels aside: the four arrays.
    state.counters["table_bytes_per_atom"] =
        static_cast<double>(table.Capacity() * (sizeof(std::string) + 3 * sizeof(double))) / n;
}
BENCHMARK(BM_ReadCoordinateFile)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

void BM_WriteCoordinateFile(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const AtomTable table = MakeTable(n);
    const std::string out = ScratchDir() + "/out-" + std::to_string(n) + ".out";
    for (auto _ : state) WriteCoordinateFile(out, table);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_WriteCoordinateFile)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pivora::bench
