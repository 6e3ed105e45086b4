// Opening through the formats library: the native headerless file, and the
// same atoms as standard XYZ (a count line and a comment line before them).
// Reading and writing standard XYZ side by side with Open Babel, on the
// same file in the same run, when obabel is on the path.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <map>
#include <string>

#include "BenchFiles.h"
#include "io/MoleculeReader.h"
#include "io/MoleculeWriter.h"

extern char** environ;

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

// Processor time of the whole process, every thread's.
double ProcessSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// The counter cpu_all_ms is the processor time of an open on all threads
// (the benchmark's CPU column counts its own thread only), which a busy
// machine distorts less than the wall clock.
void Open(benchmark::State& state, const std::string& path) {
    AtomTable table;
    const double before = ProcessSeconds();
    for (auto _ : state) {
        io::ReadMoleculeFile(path, table);
        benchmark::DoNotOptimize(table.AtomX.data());
    }
    state.counters["cpu_all_ms"] =
        (ProcessSeconds() - before) * 1e3 / static_cast<double>(state.iterations());
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

// The million atoms of AtomFile with bare element symbols ("C", not "C7"),
// as standard XYZ: a file that every program reads the same way.
const std::string& ElementXyzFile() {
    static const std::string path = [] {
        const std::string made = ScratchDir() + "/atoms-elements.xyz";
        std::ifstream in(AtomFile(1000000), std::ios::binary);
        std::ofstream out(made, std::ios::binary | std::ios::trunc);
        out << 1000000 << "\nmade up for the benchmark\n";
        std::string line;
        while (std::getline(in, line)) {
            const std::size_t blank = line.find(' ');
            std::size_t symbol = 0;
            while (symbol < blank && (line[symbol] < '0' || line[symbol] > '9')) ++symbol;
            out << line.substr(0, symbol) << line.substr(blank) << '\n';
        }
        return made;
    }();
    return path;
}

// Read and written again as standard XYZ by the formats library.
void BM_ReadWriteXyzPivora(benchmark::State& state) {
    const std::string out = ScratchDir() + "/pivora-again.xyz";
    AtomTable table;
    for (auto _ : state) {
        io::ReadMoleculeFile(ElementXyzFile(), table);
        io::ExportFile(out, io::ExportFormat::Xyz, table, {});
    }
}
BENCHMARK(BM_ReadWriteXyzPivora)->Unit(benchmark::kMillisecond)->Iterations(3);

double ChildSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// The same by "obabel -ixyz IN -ab -oxyz -O OUT" (-ab: no bonds perceived),
// its own process; the time is the wall clock, the counter cpu_s its
// processor time.
void BM_ReadWriteXyzOpenBabel(benchmark::State& state) {
    const std::string in = ElementXyzFile();
    const std::string out = ScratchDir() + "/obabel-again.xyz";
    std::string args[] = {"obabel", "-ixyz", in, "-ab", "-oxyz", "-O", out};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(),
                    args[4].data(), args[5].data(), args[6].data(), nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    double cpu = 0;
    for (auto _ : state) {
        const double before = ChildSeconds();
        const auto start = std::chrono::steady_clock::now();
        pid_t child = 0;
        int status = 0;
        if (posix_spawnp(&child, "obabel", &quiet, nullptr, argv, environ) != 0 ||
            ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            state.SkipWithError("obabel is not on the path or failed");
            break;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        cpu += ChildSeconds() - before;
    }
    posix_spawn_file_actions_destroy(&quiet);
    state.counters["cpu_s"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ReadWriteXyzOpenBabel)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace pivora::bench
