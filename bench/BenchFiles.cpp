#include "BenchFiles.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <vector>

#include "coordinates/CoordinateReader.h"

namespace pivora::bench {
namespace {

std::vector<std::function<void()>>& Releases() {
    static std::vector<std::function<void()>> releases;
    return releases;
}

std::string MakeScratchDir() {
    std::string pattern = std::filesystem::temp_directory_path() / "pivora-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("pivora_bench: mkdtemp");
        std::exit(1);
    }
    AtBenchmarksEnd([path = pattern] {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    });
    return pattern;
}

}  // namespace

void AtBenchmarksEnd(std::function<void()> release) {
    Releases().push_back(std::move(release));
}

void ReleaseBenchmarkObjects() {
    std::vector<std::function<void()>>& releases = Releases();
    while (!releases.empty()) {
        const std::function<void()> release = std::move(releases.back());
        releases.pop_back();
        release();
    }
}

namespace {
MemoryChild g_memoryChild = nullptr;
}  // namespace

void SetMemoryChild(MemoryChild child) {
    g_memoryChild = child;
}

int RunMemoryChild(int argc, char** argv) {
    if (g_memoryChild == nullptr) {
        std::fprintf(stderr, "pivora_bench: built without the window, no memory child\n");
        return 2;
    }
    return g_memoryChild(argc, argv);
}

double StatusMegabytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == field) {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes / 1024.0;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

const std::string& ScratchDir() {
    static const std::string path = MakeScratchDir();
    return path;
}

const std::string& AtomFile(int n) {
    static std::map<int, std::string> files;
    auto found = files.find(n);
    if (found != files.end()) return found->second;
    const std::string path = ScratchDir() + "/atoms-" + std::to_string(n) + ".xyz";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    std::mt19937 rng(static_cast<unsigned>(n));
    std::uniform_real_distribution<double> coordinate(-99.0, 99.0);
    static const char* const kElements[] = {"C", "H", "N", "O", "Fe", "Cl", "S", "P"};
    for (int i = 1; i <= n; ++i) {
        std::fprintf(out, "%s%d %.6f %.6f %.6f\n", kElements[i % 8], i % 1000, coordinate(rng),
                     coordinate(rng), coordinate(rng));
    }
    std::fclose(out);
    return files.emplace(n, path).first->second;
}

AtomTable MakeTable(int n) {
    AtomTable table;
    ReadCoordinateFile(AtomFile(n), table);
    return table;
}

}  // namespace pivora::bench
