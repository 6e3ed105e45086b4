#pragma once
// pivora-batch: one recipe run on many coordinate files, without a window,
// through the same command engine as the window, so that the files it
// writes are byte for byte those the window's Save writes after the same
// commands.

#include <iosfwd>
#include <optional>
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
    // --point-group: each input's point group is printed; no recipe, no
    // output file. inputs then holds every file named.
    bool pointGroup = false;
    std::optional<std::string> tolerance;  // --tolerance TOL, in angstrom
};

// A command line that cannot be run: what is wrong, for the user.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name. Options may stand before or
// after the other arguments; "--" ends the options. Throws UsageError; with
// --point-group also for -o or -d, and for --tolerance without it.
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

// --point-group: reads each input as RunBatch does, in order, and prints
// "INPUT: GROUP" on out, GROUP the ASCII Schoenflies symbol (C2v, Td, Cinfv,
// Dinfh, Kh) at the tolerance (0.01 angstrom unless options.tolerance says
// otherwise, read with the separator RunBatch reads a recipe's numbers
// with). An input that cannot be read, or whose group cannot be found, is
// one line "INPUT: MESSAGE" on errors. Returns 0 when every input was
// printed, 1 otherwise, 2 for a tolerance that is no number or out of range
// (nothing is read then).
int RunPointGroups(const BatchOptions& options, std::ostream& out, std::ostream& errors);

}  // namespace pivora
