#pragma once
// pivora-batch: one recipe run on many coordinate files, without a window,
// through the same command engine as the window, so that the files it
// writes are byte for byte those the window's Save writes after the same
// commands.

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace pivora {

enum class OutputFormat { Native, Xyz, Gaussian, Orca };

struct BatchOptions {
    std::string recipe;
    std::vector<std::string> inputs;
    std::string output;     // -o: one input to this file
    std::string directory;  // -d: each input to a file of its own name here
    OutputFormat format = OutputFormat::Native;
    bool keepGoing = false;  // a failing command is reported and the next one runs
    bool force = false;      // existing outputs may be replaced
    bool help = false;
    int jobs = 1;
    char separator = 0;  // the decimal separator of the recipe's texts; 0: the locale's
};

// A command line that cannot be run: what is wrong, for the user.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name. Options may stand before or
// after the other arguments; "--" ends the options. Throws UsageError.
BatchOptions ParseBatchArguments(const std::vector<std::string>& arguments);

// The --help text.
std::string BatchUsage();

// The output file for input under -d directory: the input's name with the
// format's extension (".out" for the native format) in place of its own, or
// after it where it has none ("water1" gives "water1.out", ".hidden"
// ".hidden.out").
std::string OutputNameFor(const std::string& input, const std::string& directory,
                          OutputFormat format);

// Runs the batch: reads the recipe, then each input (jobs at a time), runs
// the commands and writes its output. No output is written over an input or
// the recipe, and an input without atoms gets none. Reports one line on errors per failed
// command or file ("FILE: recipe line N: MESSAGE"), and progress lines
// when progress is set. Returns the exit status: 0 when every file was
// written and no command failed, 1 otherwise, 2 when the recipe cannot be
// read.
int RunBatch(const BatchOptions& options, std::ostream& errors, bool progress);

}  // namespace pivora
