// The number texts per call, and reading and writing coordinate files.

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "model/CoordinateReader.h"
#include "model/CoordinateWriter.h"
#include "model/DecimalText.h"

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
