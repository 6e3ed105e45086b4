#include "tools/Batch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <clocale>
#include <mutex>
#include <ostream>
#include <set>
#include <thread>

#include "base/Error.h"
#include "coordinates/CoordinateWriter.h"
#include "engine/Engine.h"
#include "engine/MoleculeSymmetry.h"
#include "engine/Recipe.h"
#include "files/FileIo.h"
#include "io/MoleculeWriter.h"
#include "model/AtomTable.h"
#include "numeric/DecimalText.h"

namespace pivora {
namespace {

const char* kFormatNames[] = {"native", "xyz", "gaussian", "orca"};

OutputFormat FormatByName(const std::string& name) {
    for (int i = 0; i < 4; ++i) {
        if (name == kFormatNames[i]) return static_cast<OutputFormat>(i);
    }
    throw UsageError("unknown format '" + name +
                     "'; the formats are native, xyz, gaussian and orca.");
}

int JobsFrom(const std::string& text) {
    int jobs = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || jobs > 1000)
            throw UsageError("-j needs a number of files from 1 to 1000.");
        jobs = jobs * 10 + (c - '0');
    }
    if (jobs < 1 || jobs > 1000) throw UsageError("-j needs a number of files from 1 to 1000.");
    return jobs;
}

// The message of a failure as one line of the report.
std::string Describe(const std::exception& failure) {
    std::string text;
    std::string detail;
    if (const auto* error = dynamic_cast<const Error*>(&failure)) {
        text = error->Message();
        detail = error->Detail();
    } else if (dynamic_cast<const std::bad_alloc*>(&failure)) {
        text = OutOfMemoryError().Message();
    } else {
        text = failure.what();
    }
    text = WithFullStop(text);
    if (!detail.empty()) text += " " + detail;
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

// The file's identity, to tell an output that is one of the inputs.
struct FileId {
    dev_t device;
    ino_t inode;
    bool operator<(const FileId& other) const {
        return device != other.device ? device < other.device : inode < other.inode;
    }
    bool operator==(const FileId&) const = default;
};

bool IdOf(const std::string& path, FileId& id) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

char LocaleSeparator() {
    // The window takes the separator from the regional settings; here the C
    // library's view of them stands in.
    const char* saved = std::setlocale(LC_NUMERIC, nullptr);
    const std::string restore = saved ? saved : "C";
    char separator = '.';
    if (std::setlocale(LC_NUMERIC, "")) {
        const char* point = std::localeconv()->decimal_point;
        if (point && point[0] > 32 && point[0] < 127 && point[1] == '\0') separator = point[0];
    }
    std::setlocale(LC_NUMERIC, restore.c_str());
    return separator;
}

struct Job {
    std::string input;
    std::string output;
    std::string refusal;  // why the output may not be written; empty when it may
};

class Report {
  public:
    Report(std::ostream& out, bool progress, std::size_t total)
        : out_(out), progress_(progress), total_(total) {}

    void Line(const std::string& text) {
        const std::lock_guard<std::mutex> lock(mutex_);
        ClearProgress();
        out_ << text << '\n';
        out_.flush();
    }
    void Done(const std::string& input) {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++done_;
        if (!progress_) return;
        ClearProgress();
        const std::string text =
            "[" + std::to_string(done_) + "/" + std::to_string(total_) + "] " + input;
        out_ << text;
        shown_ = text.size();
        out_.flush();
    }
    void Finish() {
        const std::lock_guard<std::mutex> lock(mutex_);
        ClearProgress();
    }

  private:
    void ClearProgress() {
        if (shown_ == 0) return;
        out_ << '\r' << std::string(shown_, ' ') << '\r';
        shown_ = 0;
    }

    std::ostream& out_;
    bool progress_;
    std::size_t total_;
    std::size_t done_ = 0;
    std::size_t shown_ = 0;
    std::mutex mutex_;
};

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void WriteOutput(Engine& engine, const Job& job, OutputFormat format) {
    // Each output folder was swept of stale temporaries once, before the run.
    WriteOptions options;
    options.removeStaleTemporaries = false;
    if (format == OutputFormat::Native) {
        engine.Save(job.output, {}, options);
        return;
    }
    io::ExportSettings settings;
    settings.source = BaseName(job.input);
    // The input's own charge and multiplicity, else a neutral singlet.
    settings.charge = engine.Opened().charge.value_or(0);
    settings.multiplicity = engine.Opened().multiplicity.value_or(1);
    const io::ExportFormat exported = format == OutputFormat::Xyz ? io::ExportFormat::Xyz
                                      : format == OutputFormat::Gaussian
                                          ? io::ExportFormat::GaussianInput
                                          : io::ExportFormat::OrcaInput;
    engine.Export(job.output, exported, settings, {}, options);
}

// One input: open, run, write. Returns whether it was written and no command
// failed.
bool Process(const Job& job, const std::vector<RecipeCommand>& commands,
             const BatchOptions& options, Report& report) {
    if (!job.refusal.empty()) {
        report.Line(job.input + ": " + job.refusal);
        return false;
    }
    AtomTable atoms;
    Engine engine(atoms);
    engine.EnableHistory(false);
    try {
        engine.Open(job.input);
    } catch (const std::exception& failure) {
        report.Line(job.input + ": " + Describe(failure));
        return false;
    }
    if (!engine.Opened().note.empty()) report.Line(job.input + ": " + engine.Opened().note);
    if (engine.Atoms().AtomCount <= 0) {
        report.Line(job.input + ": the file holds no atoms; nothing written.");
        return false;
    }
    bool clean = true;
    try {
        engine.Apply(commands, options.keepGoing,
                     [&](const RecipeCommand& command, const std::exception& failure) {
                         clean = false;
                         std::string line = job.input + ": recipe line " +
                                            std::to_string(command.line) + ": " + Describe(failure);
                         if (!options.keepGoing) line += " Nothing was written for this file.";
                         report.Line(line);
                     });
    } catch (const std::exception&) {
        return false;  // reported above
    }
    try {
        WriteOutput(engine, job, options.format);
    } catch (const std::exception& failure) {
        report.Line(job.output + ": " + Describe(failure));
        return false;
    }
    return clean;
}

}  // namespace

BatchOptions ParseBatchArguments(const std::vector<std::string>& arguments) {
    BatchOptions options;
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        auto value = [&](const char* name) -> const std::string& {
            if (i + 1 >= arguments.size()) throw UsageError(std::string(name) + " needs a value.");
            return arguments[++i];
        };
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            words.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-o") {
            options.output = value("-o");
        } else if (arg == "-d") {
            options.directory = value("-d");
        } else if (arg == "--format") {
            options.format = FormatByName(value("--format"));
        } else if (arg.rfind("--format=", 0) == 0) {
            options.format = FormatByName(arg.substr(9));
        } else if (arg == "-j") {
            options.jobs = JobsFrom(value("-j"));
        } else if (arg.rfind("-j", 0) == 0 && arg.size() > 2) {
            options.jobs = JobsFrom(arg.substr(2));
        } else if (arg == "--keep-going") {
            options.keepGoing = true;
        } else if (arg == "--force") {
            options.force = true;
        } else if (arg == "--decimal-separator") {
            const std::string& separator = value("--decimal-separator");
            if (separator.size() != 1) throw UsageError("--decimal-separator needs one character.");
            options.separator = separator[0];
        } else if (arg == "--point-group") {
            options.pointGroup = true;
        } else if (arg == "--tolerance") {
            options.tolerance = value("--tolerance");
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else {
            throw UsageError("unknown option '" + arg + "'.");
        }
    }
    if (options.help) return options;
    if (options.pointGroup) {
        if (!options.output.empty() || !options.directory.empty()) {
            throw UsageError("--point-group writes no file; leave out -o and -d.");
        }
        options.inputs = words;
        if (options.inputs.empty()) throw UsageError("missing the input files.");
        return options;
    }
    if (options.tolerance) throw UsageError("--tolerance goes with --point-group.");
    if (words.empty()) throw UsageError("missing the recipe and the input files.");
    options.recipe = words.front();
    options.inputs.assign(words.begin() + 1, words.end());
    if (options.inputs.empty()) throw UsageError("missing the input files.");
    if (options.output.empty() == options.directory.empty()) {
        throw UsageError("give either -o OUTPUT for one input or -d DIR for any number.");
    }
    if (!options.output.empty() && options.inputs.size() != 1) {
        throw UsageError("-o takes one input; use -d DIR for several.");
    }
    return options;
}

std::string BatchUsage() {
    return "Usage: pivora-batch RECIPE INPUT -o OUTPUT [options]\n"
           "       pivora-batch RECIPE INPUT... -d DIR [options]\n"
           "       pivora-batch --point-group [--tolerance TOL] INPUT...\n"
           "\n"
           "Runs the commands of RECIPE (written by File > Save Recipe in pivora) on each\n"
           "INPUT, read as File > Open reads it, and writes the turned molecule.\n"
           "\n"
           "  -o OUTPUT              write the one INPUT's result to OUTPUT\n"
           "  -d DIR                 write each INPUT's result into DIR, named after it\n"
           "  --format FORMAT        native (the fixed columns of File > Save, the default),\n"
           "                         xyz, gaussian or orca\n"
           "  --keep-going           report a failing command and run the next one, as the\n"
           "                         window does; without it the file is not written\n"
           "  --force                replace output files that exist\n"
           "  -j N                   work on N files at once\n"
           "  --decimal-separator C  the separator of the numbers typed in the recipe\n"
           "                         (default: the locale's)\n"
           "  --point-group          print each INPUT's point group as 'INPUT: GROUP'\n"
           "                         (C2v, Td, Dinfh ...); no recipe, no file written\n"
           "  --tolerance TOL        with --point-group: how far in angstrom an atom may\n"
           "                         lie from its symmetric place (default 0.01)\n"
           "  --help                 show this text\n"
           "\n"
           "Exit status: 0 when every file was written and no command failed, 1 otherwise,\n"
           "2 when the command line or the recipe is wrong. With --point-group: 0 when\n"
           "every INPUT's group was printed, 1 otherwise.\n";
}

std::string OutputNameFor(const std::string& input, const std::string& directory,
                          OutputFormat format) {
    const std::size_t slash = input.rfind('/');
    std::string name = slash == std::string::npos ? input : input.substr(slash + 1);
    // Not the window's default name, which cuts four bytes whatever they
    // are: "water1" and "water2" would both become "wa.out".
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    name += format == OutputFormat::Native     ? ".out"
            : format == OutputFormat::Xyz      ? ".xyz"
            : format == OutputFormat::Gaussian ? ".gjf"
                                               : ".inp";
    std::string path = directory;
    if (!path.empty() && path.back() != '/') path += '/';
    return path + name;
}

int RunBatch(const BatchOptions& options, std::ostream& errors, bool progress) {
    std::vector<RecipeCommand> commands;
    SetDecimalSeparator(options.separator ? options.separator : LocaleSeparator());
    try {
        commands = ReadRecipeFile(options.recipe);
    } catch (const std::exception& failure) {
        errors << "pivora-batch: " << options.recipe << ": " << Describe(failure) << '\n';
        return 2;
    }
    // --decimal-separator says how the recipe's numbers are written, over
    // what the recipe says of them; without it the engine reads them by the
    // recipe's decimal-separator line.
    if (options.separator) {
        std::erase_if(commands, [](const RecipeCommand& command) {
            return command.kind == RecipeCommand::Kind::DecimalSeparator;
        });
    }
    if (!options.directory.empty()) {
        struct stat st;
        if (::stat(options.directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            errors << "pivora-batch: " << options.directory << ": not a directory.\n";
            return 2;
        }
    }

    // Every output is settled before any file is read: never over an input
    // or the recipe, never twice the same name, an existing file only when
    // forced.
    std::set<FileId> inputIds;
    FileId recipeId{};
    const bool recipeKnown = IdOf(options.recipe, recipeId);
    for (const std::string& input : options.inputs) {
        FileId id;
        if (IdOf(input, id)) inputIds.insert(id);
    }
    std::vector<Job> jobs;
    std::set<std::string> names;
    for (const std::string& input : options.inputs) {
        Job job{input,
                options.output.empty() ? OutputNameFor(input, options.directory, options.format)
                                       : options.output,
                {}};
        FileId id;
        const bool exists = IdOf(job.output, id);
        if (exists && recipeKnown && id == recipeId) {
            job.refusal = job.output + " is the recipe; nothing written.";
        } else if (exists && inputIds.count(id)) {
            job.refusal = job.output + " is an input file; nothing written.";
        } else if (!names.insert(job.output).second) {
            job.refusal = job.output + " is the output of an earlier input too; nothing written.";
        } else if (exists && !options.force) {
            job.refusal = job.output + " exists; give --force to replace it.";
        }
        jobs.push_back(std::move(job));
    }

    // A save sweeps its folder of the temporaries of killed saves; over
    // thousands of files into one folder that would read it thousands of
    // times.
    std::set<std::string> folders;
    for (const Job& job : jobs) {
        if (!job.refusal.empty()) continue;
        std::string folder = DirectoryPart(job.output);
        if (folder.empty()) folder = ".";
        if (folders.insert(folder).second) RemoveStaleTemporaries(folder);
    }

    Report report(errors, progress, jobs.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> allClean{true};
    auto worker = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            if (!Process(jobs[i], commands, options, report)) allClean = false;
            report.Done(jobs[i].input);
        }
    };
    const int threads = std::min<std::size_t>(static_cast<std::size_t>(options.jobs), jobs.size());
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread& thread : pool) thread.join();
    report.Finish();
    return allClean ? 0 : 1;
}

int RunPointGroups(const BatchOptions& options, std::ostream& out, std::ostream& errors) {
    SetDecimalSeparator(options.separator ? options.separator : LocaleSeparator());
    double tolerance = symmetry::kDefaultTolerance;
    if (options.tolerance) {
        try {
            tolerance = ToleranceFromText(*options.tolerance);
        } catch (const std::exception& failure) {
            errors << "pivora-batch: --tolerance: " << Describe(failure) << '\n';
            return 2;
        }
    }
    int status = 0;
    for (const std::string& input : options.inputs) {
        AtomTable atoms;
        Engine engine(atoms);
        engine.EnableHistory(false);
        std::string refusal;
        try {
            engine.Open(input);
            const symmetry::PointGroupResult found = PointGroupOf(atoms, tolerance);
            if (found.Found()) {
                out << input << ": " << found.group.Symbol() << '\n';
                out.flush();
                continue;
            }
            refusal = found.refusal;
        } catch (const std::exception& failure) {
            refusal = Describe(failure);
        }
        errors << input << ": " << refusal << '\n';
        status = 1;
    }
    return status;
}

}  // namespace pivora
