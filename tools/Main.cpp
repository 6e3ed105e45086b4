// pivora-batch: see tools/Batch.h and `pivora-batch --help`.

#include <unistd.h>

#include <clocale>
#include <iostream>

#include "base/LargeMemory.h"
#include "tools/Batch.h"

int main(int argc, char** argv) {
    pivora::ReturnLargeBlocksToTheSystem();
    std::setlocale(LC_ALL, "C");
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    pivora::BatchOptions options;
    try {
        options = pivora::ParseBatchArguments(arguments);
    } catch (const pivora::UsageError& error) {
        std::cerr << "pivora-batch: " << error.what() << "\n"
                  << "Try 'pivora-batch --help'.\n";
        return 2;
    }
    if (options.help) {
        std::cout << pivora::BatchUsage();
        return 0;
    }
    if (options.pointGroup) return pivora::RunPointGroups(options, std::cout, std::cerr);
    return pivora::RunBatch(options, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
