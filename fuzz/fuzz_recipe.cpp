// The recipe reader on any bytes: a list of commands or the recipe error
// naming a line, never anything else; what it reads is written back to the
// same commands; and running them on a small molecule, nearly of C3v
// symmetry so that the symmetry commands find elements to use, fails only
// with the program's own errors, changing the molecule only through its
// commands.

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/Error.h"
#include "engine/Engine.h"
#include "engine/Recipe.h"

namespace {

// The molecule the commands run on, in memory-backed storage, removed at exit.
struct Molecule {
    std::string path = "/dev/shm/pivora-fuzz-recipe-" + std::to_string(::getpid()) + ".xyz";
    Molecule() {
        if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
            std::fputs("Fe 0 0 0\nC1 1.2 0 1.6\nC2 -0.6 1.0392 1.6\nC3 -0.6 -1.0393 1.61\n", out);
            std::fclose(out);
        }
    }
    ~Molecule() { ::unlink(path.c_str()); }
};

const std::string& MoleculeFile() {
    static const Molecule molecule;
    return molecule.path;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<pivora::RecipeCommand> commands;
    try {
        commands = pivora::ParseRecipe(text);
    } catch (const pivora::Error& e) {
        if (e.Kind() != pivora::ErrorKind::Recipe) Fail("a recipe failure of another kind");
        if (e.Message().rfind("Recipe line ", 0) != 0) Fail("a recipe failure names no line");
        return 0;
    }

    // Written back, each command reads as itself. A text with a line end in
    // it cannot stand on one line, and the engine refuses to write it.
    std::vector<std::string> lines;
    bool writable = true;
    for (const pivora::RecipeCommand& command : commands) {
        lines.push_back(pivora::FormatCommand(command));
        if ((command.text + command.name).find_first_of("\r\n") != std::string::npos) {
            writable = false;
        }
    }
    if (writable) {
        const auto again = pivora::ParseRecipe(pivora::FormatRecipe(lines));
        if (again.size() != commands.size()) Fail("a written recipe reads as another count");
        for (std::size_t i = 0; i < commands.size(); ++i) {
            pivora::RecipeCommand a = commands[i];
            pivora::RecipeCommand b = again[i];
            a.line = b.line = 0;
            if (pivora::FormatCommand(a) != pivora::FormatCommand(b)) {
                Fail("a written command reads as another");
            }
        }
    }

    // Run on a small molecule, as the batch tool runs them.
    if (commands.size() > 64) return 0;
    pivora::AtomTable atoms;
    pivora::Engine engine(atoms);
    engine.EnableHistory(false);
    engine.Open(MoleculeFile());
    engine.Apply(commands, true, [](const pivora::RecipeCommand&, const std::exception& failure) {
        if (!dynamic_cast<const pivora::Error*>(&failure)) Fail("a failure that is no Error");
    });
    for (const auto* column : {&atoms.AtomX, &atoms.AtomY, &atoms.AtomZ}) {
        for (const double v : *column) {
            if (!std::isfinite(v)) Fail("a coordinate that is not finite");
        }
    }
    if (atoms.AtomCount != 4) Fail("the commands changed the atom count");
    return 0;
}
