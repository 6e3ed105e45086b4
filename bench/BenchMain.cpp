// The benchmark program's entry: medians of five repetitions unless the
// command line asks otherwise, and everything the cases built released in
// order before the program ends, the scratch folder included. Started with
// --memory-child it is instead one of the children that measure memory
// (UiBench.cpp).

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "BenchFiles.h"
#include "base/LargeMemory.h"

int main(int argc, char** argv) {
    pivora::ReturnLargeBlocksToTheSystem();
    if (argc > 1 && std::strcmp(argv[1], pivora::bench::kMemoryChild) == 0)
        return pivora::bench::RunMemoryChild(argc, argv);
    // Later flags win, so the command line overrides these.
    char repetitions[] = "--benchmark_repetitions=5";
    char aggregates[] = "--benchmark_display_aggregates_only=true";
    std::vector<char*> args{argv[0], repetitions, aggregates};
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    pivora::bench::ReleaseBenchmarkObjects();
    return 0;
}
