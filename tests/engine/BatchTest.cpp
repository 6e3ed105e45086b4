// The batch command line: its arguments, where it writes, and every way a
// file or a command can fail.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <sstream>

#include "engine/Engine.h"
#include "engine/Recipe.h"
#include "numeric/DecimalText.h"
#include "support/ErrorCheck.h"
#include "support/Promptly.h"
#include "support/TableCheck.h"
#include "support/TempDir.h"
#include "tools/Batch.h"

namespace pivora::test {
namespace {

struct Arguments {
    const char* name;
    std::vector<std::string> words;
    const char* error;  // nullptr when they parse
};

class BatchArguments : public ::testing::TestWithParam<Arguments> {};

TEST_P(BatchArguments, ParseOrSayWhatIsWrong) {
    const Arguments& a = GetParam();
    if (a.error) {
        try {
            ParseBatchArguments(a.words);
            ADD_FAILURE() << "no error";
        } catch (const UsageError& e) {
            EXPECT_STREQ(e.what(), a.error);
        }
    } else {
        EXPECT_NO_THROW(ParseBatchArguments(a.words));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatchArguments,
    ::testing::Values(
        Arguments{"OneFile", {"r.recipe", "a.xyz", "-o", "a.out"}, nullptr},
        Arguments{"OptionsFirst", {"--keep-going", "-j", "2", "-d", "out", "r", "a", "b"}, nullptr},
        Arguments{"DashesEndOptions", {"-d", "out", "--", "r", "-a.xyz"}, nullptr},
        Arguments{"Nothing", {}, "missing the recipe and the input files."},
        Arguments{"NoInput", {"r", "-o", "x"}, "missing the input files."},
        Arguments{"NeitherOutput",
                  {"r", "a"},
                  "give either -o OUTPUT for one input or -d DIR for any number."},
        Arguments{"BothOutputs",
                  {"r", "a", "-o", "x", "-d", "y"},
                  "give either -o OUTPUT for one input or -d DIR for any number."},
        Arguments{"OutputForMany",
                  {"r", "a", "b", "-o", "x"},
                  "-o takes one input; use -d DIR for several."},
        Arguments{"MissingValue", {"r", "a", "-o"}, "-o needs a value."},
        Arguments{"BadFormat",
                  {"r", "a", "-o", "x", "--format", "pdb"},
                  "unknown format 'pdb'; the formats are native, xyz, gaussian and orca."},
        Arguments{"BadJobs",
                  {"r", "a", "-o", "x", "-j", "0"},
                  "-j needs a number of files from 1 to 1000."},
        Arguments{"UnknownOption", {"r", "a", "-o", "x", "--fast"}, "unknown option '--fast'."},
        Arguments{"PointGroupsNeedNoRecipe",
                  {"--point-group", "a.xyz", "b.xyz", "--tolerance", "0.1"},
                  nullptr},
        Arguments{"PointGroupsWriteNoFile",
                  {"--point-group", "a.xyz", "-d", "out"},
                  "--point-group writes no file; leave out -o and -d."},
        Arguments{"PointGroupsOfNothing", {"--point-group"}, "missing the input files."},
        Arguments{"ToleranceAlone",
                  {"r", "a", "-o", "x", "--tolerance", "0.1"},
                  "--tolerance goes with --point-group."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BatchOutputNames, FollowTheInputAndTheFormat) {
    EXPECT_EQ(OutputNameFor("in/ferrocene.xyz", "out", OutputFormat::Native), "out/ferrocene.out");
    EXPECT_EQ(OutputNameFor("a.b.gjf", "out/", OutputFormat::Xyz), "out/a.b.xyz");
    EXPECT_EQ(OutputNameFor("mol", "o", OutputFormat::Gaussian), "o/mol.gjf");
    EXPECT_EQ(OutputNameFor("x/.hidden", "o", OutputFormat::Orca), "o/.hidden.inp");
    // Names without an extension keep every byte: no two of a series meet,
    // and none turns into a hidden file.
    EXPECT_EQ(OutputNameFor("in/water1", "o", OutputFormat::Native), "o/water1.out");
    EXPECT_EQ(OutputNameFor("in/water2", "o", OutputFormat::Native), "o/water2.out");
    EXPECT_EQ(OutputNameFor("ab", "o", OutputFormat::Native), "o/ab.out");
    EXPECT_EQ(OutputNameFor("x/.hidden", "o", OutputFormat::Native), "o/.hidden.out");
    EXPECT_EQ(OutputNameFor("a.b.gjf", "o", OutputFormat::Native), "o/a.b.out");
}

class BatchRun : public ::testing::Test {
  protected:
    BatchRun() {
        recipe = dir.Write("r.recipe", "pivora-recipe 1\nselect SEV1 1\nselect SEV5 2\nfit x\n");
        ::mkdir(dir.File("out").c_str(), 0755);
    }
    int Run(std::vector<std::string> words) {
        report.str("");
        const int status = RunBatch(ParseBatchArguments(words), report, false);
        SetDecimalSeparator('.');
        return status;
    }
    std::string Out(const std::string& name) { return ReadAll(dir.File("out/" + name)); }

    TempDir dir;
    std::string recipe;
    std::ostringstream report;
};

TEST_F(BatchRun, WritesEachInputAndManyJobsGiveTheSameBytes) {
    std::vector<std::string> inputs;
    for (int i = 0; i < 20; ++i) {
        inputs.push_back(dir.Write("m" + std::to_string(i) + ".xyz",
                                   "A 0 0 0\nB " + std::to_string(i + 1) + " 1 0.5\n"));
    }
    std::vector<std::string> words{recipe, "-d", dir.File("out")};
    words.insert(words.end(), inputs.begin(), inputs.end());
    EXPECT_EQ(Run(words), 0);
    EXPECT_EQ(report.str(), "");
    std::vector<std::string> serial;
    for (int i = 0; i < 20; ++i) serial.push_back(Out("m" + std::to_string(i) + ".out"));
    EXPECT_EQ(serial[0],
              "A               0.000000000    0.000000000    0.000000000\r\n"
              "B               1.414213562    0.000000000    0.500000000\r\n");
    words.push_back("--force");
    words.push_back("-j3");
    EXPECT_EQ(Run(words), 0);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(Out("m" + std::to_string(i) + ".out"), serial[i]);
}

TEST_F(BatchRun, FailuresAreOneLineEachAndTheRestGoesOn) {
    const std::string good = dir.Write("good.xyz", "A 0 0 0\nB 1 1 0\n");
    const std::string bad = dir.Write("bad.xyz", "A 0 0\n");
    const std::string missing = dir.File("missing.xyz");
    EXPECT_EQ(Run({recipe, bad, missing, good, "-d", dir.File("out")}), 1);
    // The message, then what the reader adds: the file and the line.
    EXPECT_EQ(report.str(), bad + ": '' は浮動小数点数ではありません. " + bad +
                                ", line 1: read as plain coordinates, since the file is none of "
                                "the other formats. Every line must hold a label and x, y, z in "
                                "angstrom, separated by blanks (not tabs); no header, comment or "
                                "blank line.\n" +
                                missing + ": ファイルが見つかりません.\n");
    EXPECT_NE(Out("good.out"), "");
    EXPECT_EQ(Out("bad.out"), "");
}

TEST_F(BatchRun, AFailingCommandFailsItsFileUnlessKeepGoing) {
    const std::string input = dir.Write("mol.xyz", "A 0 0 0\nB 1 1 0\n");
    const std::string failing =
        dir.Write("f.recipe", "pivora-recipe 1\n# a fit before any vector\nfit x\nrotate z 90\n");
    // The message, what it means for the user, and what became of the file.
    const std::string why =
        "Vector1 has no components yet: choose at least one tail atom and one head atom in the "
        "Vector1 Definition group. FitX acts on Vector1 because its check box is ticked.";
    EXPECT_EQ(Run({failing, input, "-o", dir.File("out/a.out")}), 1);
    EXPECT_EQ(report.str(), input + ": recipe line 3: '' は浮動小数点数ではありません. " + why +
                                " Nothing was written for this file.\n");
    EXPECT_EQ(Out("a.out"), "");
    EXPECT_EQ(Run({failing, input, "-o", dir.File("out/a.out"), "--keep-going"}), 1);
    EXPECT_EQ(report.str(),
              input + ": recipe line 3: '' は浮動小数点数ではありません. " + why + "\n");
    // The turn after the failure was done.
    EXPECT_EQ(Out("a.out"),
              "A               0.000000000    0.000000000    0.000000000\r\n"
              "B              -1.000000000    1.000000000    0.000000000\r\n");
}

TEST_F(BatchRun, NeverWritesOverAnInputOrTheRecipeNorAnExistingFileUnlessForced) {
    const std::string input = dir.Write("mol.xyz", "A 0 0 0\nB 1 1 0\n");
    const std::string before = ReadAll(input);
    EXPECT_EQ(Run({recipe, input, "-o", input, "--force"}), 1);
    EXPECT_EQ(report.str(), input + ": " + input + " is an input file; nothing written.\n");
    EXPECT_EQ(ReadAll(input), before);
    // The recipe is an input too, named with -o or met by -d.
    const std::string steps = ReadAll(recipe);
    EXPECT_EQ(Run({recipe, input, "-o", recipe, "--force"}), 1);
    EXPECT_EQ(report.str(), input + ": " + recipe + " is the recipe; nothing written.\n");
    EXPECT_EQ(ReadAll(recipe), steps);
    const std::string inFolder = dir.Write("out/mol.out", steps);
    EXPECT_EQ(Run({inFolder, input, "-d", dir.File("out"), "--force"}), 1);
    EXPECT_EQ(report.str(), input + ": " + inFolder + " is the recipe; nothing written.\n");
    EXPECT_EQ(ReadAll(inFolder), steps);
    ::unlink(inFolder.c_str());
    const std::string existing = dir.Write("out/mol.out", "keep me");
    EXPECT_EQ(Run({recipe, input, "-d", dir.File("out")}), 1);
    EXPECT_EQ(ReadAll(existing), "keep me");
    EXPECT_EQ(Run({recipe, input, "-d", dir.File("out"), "--force"}), 0);
    EXPECT_NE(ReadAll(existing), "keep me");
    // Two inputs of one name would write one output twice.
    ::mkdir(dir.File("other").c_str(), 0755);
    const std::string twin = dir.Write("other/mol.xyz", "A 0 0 0\nB 2 2 0\n");
    EXPECT_EQ(Run({recipe, input, twin, "-d", dir.File("out"), "--force"}), 1);
    EXPECT_EQ(report.str(), twin + ": " + dir.File("out/mol.out") +
                                " is the output of an earlier input too; nothing written.\n");
}

TEST_F(BatchRun, AnAtomTheFileLacksOrAFileWithoutAtomsFailsAndWritesNothing) {
    const std::string input = dir.Write("mol.xyz", "A 0 0 0\nB 1 1 0\n");
    struct Case {
        const char* recipe;
        const char* report;  // after "FILE: "
    };
    const Case cases[] = {
        {"select SEV5 25\n", "recipe line 2: Atom 25 is not in the molecule: it has 2 atoms."},
        {"center -1 -5\n", "recipe line 2: Atom -1 is not in the molecule: it has 2 atoms."},
        {"select SEV1 1\ngroup vector1 head 2 99999\n",
         "recipe line 3: Atom 99999 is not in the molecule: it has 2 atoms."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.recipe);
        const std::string r = dir.Write("c.recipe", std::string("pivora-recipe 1\n") + c.recipe);
        for (const bool keepGoing : {false, true}) {
            std::vector<std::string> words{r, input, "-o", dir.File("out/c.out")};
            if (keepGoing) words.push_back("--keep-going");
            EXPECT_EQ(Run(words), 1);
            EXPECT_EQ(report.str().rfind(input + ": " + c.report + " A recipe names atoms", 0), 0u)
                << report.str();
            // --keep-going goes on past the failure, as the window does.
            EXPECT_EQ(Out("c.out") != "", keepGoing);
            ::unlink(dir.File("out/c.out").c_str());
        }
    }
    const std::string empty = dir.Write("empty.xyz", "");
    EXPECT_EQ(Run({recipe, empty, "-d", dir.File("out")}), 1);
    EXPECT_EQ(report.str(), empty + ": the file holds no atoms; nothing written.\n");
    EXPECT_EQ(::access(dir.File("out/empty.out").c_str(), F_OK), -1);
}

TEST_F(BatchRun, ARecipesLineEndsAndByteOrderMarkAreJudgedOnItsBytes) {
    const std::string input = dir.Write("mol.xyz", "A 0 0 0\nB 1 1 0\n");
    const std::string marked =
        dir.Write("bom.recipe", "\xEF\xBB\xBFpivora-recipe 1\r\nselect SEV1 1\r\n");
    EXPECT_EQ(Run({marked, input, "-o", dir.File("out/a.out")}), 0);
    const std::string mac = dir.Write("mac.recipe", "pivora-recipe 1\rselect SEV1 1\rfit x\r");
    EXPECT_EQ(Run({mac, input, "-o", dir.File("out/b.out")}), 2);
    EXPECT_NE(report.str().find("Recipe line 1: a carriage return (CR) without a line feed"),
              std::string::npos)
        << report.str();
}

TEST_F(BatchRun, StaleTemporariesOfKilledSavesLeaveTheOutputFolder) {
    const std::string input = dir.Write("mol.xyz", "A 0 0 0\nB 1 1 0\n");
    const std::string stale = dir.Write("out/.pivora-1-Old123", "stray");
    const std::time_t old = std::time(nullptr) - 2 * 86400;
    const timespec times[2] = {{old, 0}, {old, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, stale.c_str(), times, 0), 0);
    EXPECT_EQ(Run({recipe, input, "-d", dir.File("out")}), 0);
    EXPECT_EQ(::access(stale.c_str(), F_OK), -1);
}

TEST_F(BatchRun, AnUnwritableOutputIsAFailedFile) {
    const std::string input = dir.Write("mol.xyz", "A 0 0 0\nB 1 1 0\n");
    EXPECT_EQ(Run({recipe, input, "-o", dir.File("nodir/a.out")}), 1);
    EXPECT_EQ(report.str(), dir.File("nodir/a.out") + ": ファイル名の指定が間違っています.\n");
    // A bare error number is explained after it.
    const std::string loop = dir.File("out/loop.out");
    ASSERT_EQ(::symlink("loop.out", loop.c_str()), 0);
    EXPECT_EQ(Run({recipe, input, "-o", loop, "--force"}), 1);
    EXPECT_EQ(report.str().rfind(loop + ": I/O エラー (40) Too many symbolic links", 0), 0u)
        << report.str();
}

// A FIFO, or a device that waits for input, given as an input or as the
// recipe, fails at once: as one failed file, or as a recipe that cannot be
// read. The engine's Open and the recipe's reading refuse it alike.
class BatchHangingFile : public ::testing::TestWithParam<HangingCase> {};

INSTANTIATE_TEST_SUITE_P(Kinds, BatchHangingFile, ::testing::ValuesIn(kHangingCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(BatchHangingFile, IsRefusedAtOnce) {
    TempDir dir;
    std::string reason;
    const std::string path = HangingPath(GetParam(), dir, reason);
    if (path.empty()) GTEST_SKIP() << reason;
    const std::string recipe = dir.Write("r.recipe", "pivora-recipe 1\nrotate z 90\n");
    const std::string good = dir.Write("good.xyz", "A 0 0 0\nB 1 0 0\n");
    ::mkdir(dir.File("out").c_str(), 0755);
    const std::string refused = "ファイルへのアクセスが拒否されました. The chosen file is ";
    const auto batch = [&](const std::vector<std::string>& words, int status,
                           const std::string& says) {
        std::ostringstream report;
        const bool ran = RunBatch(ParseBatchArguments(words), report, false) == status;
        SetDecimalSeparator('.');
        return ran && report.str().find(says) != std::string::npos;
    };
    ExpectPromptly([&] {
        return batch({recipe, path, good, "-d", dir.File("out")}, 1, path + ": " + refused) &&
               !ReadAll(dir.File("out/good.out")).empty();
    });
    ExpectPromptly([&] { return batch({path, good, "-d", dir.File("out")}, 2, refused); });
    ExpectPromptly([&] {
        AtomTable atoms;
        Engine engine(atoms);
        engine.Open(good);
        const TableSnapshot before = Snapshot(atoms);
        const Error e = ErrorOf([&] { engine.Open(path); });
        return e.Detail().find(GetParam().detailWord) != std::string::npos &&
               Snapshot(atoms) == before;
    });
    ExpectPromptly([&] {
        return ErrorOf([&] { ReadRecipeFile(path); }).Detail().find(GetParam().detailWord) !=
               std::string::npos;
    });
}

TEST_F(BatchRun, ABadRecipeOrDirectoryStopsBeforeAnyFile) {
    const std::string input = dir.Write("mol.xyz", "A 0 0 0\nB 1 1 0\n");
    const std::string bad = dir.Write("bad.recipe", "pivora-recipe 1\nturn z 5\n");
    EXPECT_EQ(Run({bad, input, "-d", dir.File("out")}), 2);
    EXPECT_EQ(
        report.str(),
        "pivora-batch: " + bad +
            ": Recipe line 2: unknown command 'turn'; the commands are select, center, rotate, "
            "fit, use, set, group, direction, symmetrize, standard-frame and decimal-separator. "
            "In the recipe " +
            bad + ".\n");
    EXPECT_EQ(Run({recipe, input, "-d", dir.File("none")}), 2);
    EXPECT_EQ(Out("mol.out"), "");
}

TEST_F(BatchRun, ReadsEveryFormatTheWindowOpensAndWritesTheChosenOne) {
    const std::string input = dir.Write("mol.xyz", "2\nwater-free test\nO 0 0 0\nC 1 1 0\n");
    EXPECT_EQ(Run({recipe, input, "-d", dir.File("out"), "--format", "xyz"}), 0);
    EXPECT_EQ(Out("mol.xyz"),
              "2\nmol.xyz oriented by Pivora, coordinates in angstrom\n"
              "O       0.000000000     0.000000000     0.000000000\n"
              "C       1.414213562     0.000000000     0.000000000\n");
    EXPECT_EQ(Run({recipe, input, "-d", dir.File("out"), "--format", "orca"}), 0);
    EXPECT_NE(Out("mol.inp").find("* xyz 0 1\nO "), std::string::npos);
    // A label that names no element is refused, and nothing is written.
    const std::string odd = dir.Write("odd.xyz", "Q1 0 0 0\nC 1 1 0\n");
    EXPECT_EQ(Run({recipe, odd, "-d", dir.File("out"), "--format", "gaussian"}), 1);
    EXPECT_EQ(Out("odd.gjf"), "");
}

TEST_F(BatchRun, TheRecipesNumbersUseTheChosenSeparator) {
    const std::string input = dir.Write("mol.xyz", "A 0 0 0\nB 1 0 0\n");
    const std::string comma = dir.Write("c.recipe", "pivora-recipe 1\nrotate z 1,5E1\n");
    EXPECT_EQ(Run({comma, input, "-o", dir.File("out/c.out"), "--decimal-separator", ","}), 0);
    EXPECT_EQ(Run({comma, input, "-o", dir.File("out/d.out"), "--decimal-separator", "."}), 1);
    // A recipe that says how its numbers are written needs no option, and
    // gives the same molecule; the option still stands over it.
    const std::string said =
        dir.Write("s.recipe", "pivora-recipe 1\ndecimal-separator ,\nrotate z 1,5E1\n");
    EXPECT_EQ(Run({said, input, "-o", dir.File("out/s.out")}), 0);
    EXPECT_EQ(Out("s.out"), Out("c.out"));
    EXPECT_EQ(Run({said, input, "-o", dir.File("out/t.out"), "--decimal-separator", "."}), 1);
}

// One line a file on standard output, in the order given; a file that
// cannot be read is a line on standard error and exit status 1, and the
// others are still printed.
TEST_F(BatchRun, PointGroupsArePrintedOneALine) {
    const std::string water =
        dir.Write("water.xyz", "O 0 0 0.1173\nH 0 0.7572 -0.4692\nH 0 -0.7572 -0.4692\n");
    // Bent by 0.001 angstrom: linear at the default tolerance only.
    const std::string co2 = dir.Write("co2.xyz", "O 0 0.001 -1.16\nC 0 0 0\nO 0 0.001 1.16\n");
    // A ghost atom is not the atom it is a ghost of.
    const std::string ghost = dir.Write("ghost.xyz", "H 0 0 -0.37\nH-Bq 0 0 0.37\n");
    const std::string bad = dir.Write("bad.xyz", "A 0 0\n");
    const std::string benzene = PIVORA_EXAMPLES "/benzene.xyz";
    std::ostringstream out;
    const auto groups = [&](std::vector<std::string> words) {
        out.str("");
        report.str("");
        const int status = RunPointGroups(ParseBatchArguments(words), out, report);
        SetDecimalSeparator('.');
        return status;
    };
    EXPECT_EQ(groups({"--point-group", water, co2, ghost, benzene}), 0);
    EXPECT_EQ(out.str(),
              water + ": C2v\n" + co2 + ": Dinfh\n" + ghost + ": Cinfv\n" + benzene + ": D6h\n");
    EXPECT_EQ(report.str(), "");
    EXPECT_EQ(
        groups({"--point-group", "--tolerance", "0.0001", co2, bad, dir.File("no.xyz"), water}), 1);
    EXPECT_EQ(out.str(), co2 + ": C2v\n" + water + ": C2v\n");
    EXPECT_EQ(report.str().find(bad + ": '' は浮動小数点数ではありません. "), 0u);
    EXPECT_NE(report.str().find("\n" + dir.File("no.xyz") + ": ファイルが見つかりません.\n"),
              std::string::npos);
    EXPECT_EQ(groups({"--point-group", "--tolerance", "2", water}), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(report.str(),
              "pivora-batch: --tolerance: A tolerance of '2' angstrom is outside what the "
              "symmetry search takes. The tolerance is a distance in angstrom above 0 and at most "
              "1, such as 0.01.\n");
}

}  // namespace
}  // namespace pivora::test
