// The command engine: undo and redo of a turn of a million atoms, a recipe
// of ten commands run by the batch tool on a million-atom file, and a
// thousand small files two at a time, and thousands one at a time into one
// folder.

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "BenchFiles.h"
#include "engine/Engine.h"
#include "tools/Batch.h"

namespace pivora::bench {
namespace {

constexpr int kAtoms = 1000000;

void BM_UndoRedoOfATurn(benchmark::State& state) {
    AtomTable atoms;
    Engine engine(atoms);
    engine.Open(AtomFile(kAtoms));
    engine.TypeText(TextId::AngleZ, "10");
    engine.UserRotate(Axis::Z);
    // One iteration is an undo and a redo.
    for (auto _ : state) {
        engine.Undo();
        engine.Redo();
    }
}
BENCHMARK(BM_UndoRedoOfATurn)->Unit(benchmark::kMillisecond);

std::string TenCommands() {
    const std::string path = ScratchDir() + "/ten.recipe";
    std::ostringstream text;
    text << "pivora-recipe 1\nselect SEV1 1\nselect SEV5 2\nselect SEU1 3\nselect SEU5 4\n"
            "center 1 1\nfit y\nfit x\nfit z\nrotate z 15\nrotate x -30\n";
    FILE* out = std::fopen(path.c_str(), "wb");
    std::fputs(text.str().c_str(), out);
    std::fclose(out);
    return path;
}

void BM_BatchTenCommandsOnAMillionAtoms(benchmark::State& state) {
    const std::string recipe = TenCommands();
    const std::string input = AtomFile(kAtoms);
    const std::string output = ScratchDir() + "/batch.out";
    for (auto _ : state) {
        std::ostringstream report;
        const int status = RunBatch(ParseBatchArguments({recipe, input, "-o", output, "--force",
                                                         "--decimal-separator", "."}),
                                    report, false);
        if (status != 0) state.SkipWithError(report.str().c_str());
    }
}
BENCHMARK(BM_BatchTenCommandsOnAMillionAtoms)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_BatchAThousandSmallFilesTwoAtATime(benchmark::State& state) {
    const std::string recipe = TenCommands();
    const std::string folder = ScratchDir() + "/small";
    std::vector<std::string> arguments{
        recipe, "-d", folder, "--force", "-j", "2", "--decimal-separator", "."};
    std::system(("mkdir -p " + folder).c_str());
    for (int i = 0; i < 1000; ++i) {
        // Each file its own copy of the 50-atom molecule.
        const std::string path = folder + "/in" + std::to_string(i) + ".xyz";
        std::system(("cp " + AtomFile(50) + " " + path).c_str());
        arguments.push_back(path);
    }
    for (auto _ : state) {
        std::ostringstream report;
        const int status = RunBatch(ParseBatchArguments(arguments), report, false);
        if (status != 0) state.SkipWithError(report.str().c_str());
    }
}
BENCHMARK(BM_BatchAThousandSmallFilesTwoAtATime)->Unit(benchmark::kMillisecond)->Iterations(3);

// Many small files into one folder, one at a time: the time a file should
// not grow with the count of files already in the folder. Reports seconds a
// file, by the clock: the saves wait for the disk.
void BM_BatchManySmallFilesIntoOneFolder(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string recipe = TenCommands();
    const std::string folder = ScratchDir() + "/many" + std::to_string(count);
    std::system(("mkdir -p " + folder + "/in " + folder + "/out").c_str());
    std::string molecule;
    {
        FILE* in = std::fopen(AtomFile(5).c_str(), "rb");
        char buffer[4096];
        while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, in)) {
            molecule.append(buffer, got);
        }
        std::fclose(in);
    }
    std::vector<std::string> arguments{
        recipe, "-d", folder + "/out", "--force", "--decimal-separator", "."};
    for (int i = 0; i < count; ++i) {
        const std::string path = folder + "/in/m" + std::to_string(i) + ".xyz";
        FILE* out = std::fopen(path.c_str(), "wb");
        std::fwrite(molecule.data(), 1, molecule.size(), out);
        std::fclose(out);
        arguments.push_back(path);
    }
    for (auto _ : state) {
        std::ostringstream report;
        const int status = RunBatch(ParseBatchArguments(arguments), report, false);
        if (status != 0) state.SkipWithError(report.str().c_str());
    }
    state.counters["per_file"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BatchManySmallFilesIntoOneFolder)
    ->Arg(2000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
}  // namespace pivora::bench
