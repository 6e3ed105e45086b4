// Opening through the formats library: the native headerless file, and the
// same atoms as standard XYZ (a count line and a comment line before them).

#include <benchmark/benchmark.h>

#include <fstream>
#include <map>
#include <string>

#include "BenchFiles.h"
#include "io/MoleculeReader.h"

namespace pivora::bench {
namespace {

// AtomFile(n) with a standard XYZ header in front: the same atom lines.
const std::string& XyzFile(int n) {
    static std::map<int, std::string> files;
    auto found = files.find(n);
    if (found != files.end()) return found->second;
    const std::string path = ScratchDir() + "/atoms-" + std::to_string(n) + "-std.xyz";
    std::ifstream in(AtomFile(n), std::ios::binary);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << n << "\nmade up for the benchmark\n" << in.rdbuf();
    return files.emplace(n, path).first->second;
}

void Open(benchmark::State& state, const std::string& path) {
    AtomTable table;
    for (auto _ : state) {
        io::ReadMoleculeFile(path, table);
        benchmark::DoNotOptimize(table.AtomX.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_OpenHeaderless(benchmark::State& state) {
    Open(state, AtomFile(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_OpenHeaderless)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_OpenStandardXyz(benchmark::State& state) {
    Open(state, XyzFile(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_OpenStandardXyz)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pivora::bench
