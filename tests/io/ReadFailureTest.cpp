// Every failure of the new formats: an English message that names the file
// and the line, a detail that names the path and the kind, and the molecule
// in memory left as it was.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "coordinates/CoordinateReader.h"
#include "io/MoleculeReader.h"
#include "support/ErrorCheck.h"
#include "support/Promptly.h"
#include "support/TableCheck.h"
#include "support/TempDir.h"

namespace pivora::io {
namespace {

using test::TempDir;

struct Failure {
    const char* name;  // file name: its extension is a hint
    std::string bytes;
    FileKind kind;
    int line;  // 0: the message names no line
    const char* says;
    ErrorKind error = ErrorKind::Format;
};

const std::string kGaussianHead = "%chk=a.chk\n# HF/STO-3G\n\ntitle\n\n";
const std::string kTable =
    "                          Input orientation:\n"
    " ---------------------------------------------------------------------\n"
    " Center     Atomic      Atomic             Coordinates (Angstroms)\n"
    " Number     Number       Type             X           Y           Z\n"
    " ---------------------------------------------------------------------\n"
    "      1          8           0        0.000000    0.000000    0.117790\n";
const std::string kDashes =
    " ---------------------------------------------------------------------\n";
const std::string kGaussianBanner = " Entering Gaussian System, Link 0=g16\n";
const std::string kOrcaBanner = "                                 * O   R   C   A *\n";
const std::string kOrcaTitle =
    "---------------------------------\nCARTESIAN COORDINATES (ANGSTROEM)\n"
    "---------------------------------\n";

const Failure kFailures[] = {
    // standard XYZ
    {"a.xyz", "3x\ncomment\nO 0 0 0\n", FileKind::Xyz, 1, "atom count '3x' is not a whole number"},
    {"a.xyz", "three\ncomment\nO 0 0 0\n", FileKind::Xyz, 1, "'three' is not a whole number"},
    {"a.xyz", "3\ncomment\nO 0 0 0\nH 0 0 1\n", FileKind::Xyz, 4,
     "the file ends after 2 atom lines (does the count 3 on line 1 match"},
    {"a.xyz", "2\ncomment\nO 0 0 0\nH 0 0 1\nH 0 1 0\n", FileKind::Xyz, 5,
     "not 'H 0 1 0' (does the count 2 on line 1 match"},
    {"a.xyz", "3\ncomment\nO 0 0 0\nH 0 0 1\n\n", FileKind::Xyz, 5,
     "a blank line stands for atom 3 (does the count 3"},
    {"a.xyz", "2\ncomment\nO 0 0 0\nH 0 0 1\n\n2\nc\nO 0 0 0\nH 0 0 1\n", FileKind::Xyz, 6,
     "text follows the blank line 5 after the last frame"},
    {"a.xyz", "2\nc\nO 0 0 0\nH 0 0 1\n3\nc\nO 0 0 0\nH 0 0 1\n", FileKind::Xyz, 8,
     "the file ends after 2 atom lines (does the count 3 on line 5 match"},
    {"a.xyz", "0\nnothing\n", FileKind::Xyz, 1, "the frame holds no atoms"},
    {"a.xyz", "2\n", FileKind::Xyz, 1, "the comment line after the count is missing"},
    {"a.xyz", "99999999999\nc\n", FileKind::Xyz, 1, "is too large"},
    {"a.xyz", "123456789012345678901234\nc\n", FileKind::Xyz, 1, "is too large"},
    {"a.xyz", "1\nc\nO 0 0 0\n1 2\n", FileKind::Xyz, 4, "should follow the atom lines, not '1 2'"},
    {"a.xyz", "1\nc\nXx 0 0 0\n", FileKind::Xyz, 3, "unknown element symbol 'Xx'"},
    {"a.xyz", "1\nc\n119 0 0 0\n", FileKind::Xyz, 3, "unknown atomic number '119'"},
    {"a.xyz", "1\nc\nC 0 abc 0\n", FileKind::Xyz, 3, "the y coordinate 'abc' is not a number",
     ErrorKind::Conversion},
    {"a.xyz", "1\nc\nC 0 0 1e400\n", FileKind::Xyz, 3,
     "the z coordinate '1e400' lies beyond the range of a double", ErrorKind::Overflow},
    {"a.xyz", "1\nc\nC 0 0\n", FileKind::Xyz, 3, "does not hold a symbol and x, y, z"},
    {"a.xyz", "1\nc\nC 1,5 0 0\n", FileKind::Xyz, 3, "'1,5' is not a number",
     ErrorKind::Conversion},
    // Gaussian input
    {"a.gjf", "%chk=a.chk\n%mem=1GB\n", FileKind::GaussianInput, 0, "no route line"},
    {"a.gjf", "# HF/STO-3G\n", FileKind::GaussianInput, 1, "the file ends in the route section"},
    {"a.gjf", "# HF/STO-3G\n\ntitle\n", FileKind::GaussianInput, 3,
     "the file ends in the title section"},
    {"a.gjf", "# HF/STO-3G\n\n\n0 1\nO 0 0 0\n", FileKind::GaussianInput, 3,
     "the title section is empty"},
    {"a.gjf", kGaussianHead, FileKind::GaussianInput, 5, "charge and multiplicity line"},
    {"a.gjf", kGaussianHead + "\nO 0 0 0\n", FileKind::GaussianInput, 6,
     "charge and multiplicity line (such as '0 1') is missing"},
    {"a.gjf", kGaussianHead + "O 0 0 0\n", FileKind::GaussianInput, 6,
     "should give the charge and multiplicity (such as '0 1'), not 'O 0 0 0'"},
    {"a.gjf", kGaussianHead + "0 1 0\nO 0 0 0\n", FileKind::GaussianInput, 6, "not '0 1 0'"},
    {"a.gjf", kGaussianHead + "0 0\nO 0 0 0\n", FileKind::GaussianInput, 6, "not '0 0'"},
    {"a.gjf", kGaussianHead + "0 1\n", FileKind::GaussianInput, 6,
     "no atom lines follow the charge and multiplicity"},
    {"a.gjf", "# HF/STO-3G Geom=Check Guess=Read\n\ntitle\n\n0 1\n\n", FileKind::GaussianInput, 6,
     "the route takes the geometry from the checkpoint file"},
    {"a.gjf", kGaussianHead + "0 1\nO\nH 1 0.96\nH 1 0.96 2 104.5\n\n", FileKind::GaussianInput, 7,
     "Z-matrix (internal coordinates), which is not read"},
    {"a.gjf", kGaussianHead + "0 1\nO 0 0 0\nH 1 0.96\n", FileKind::GaussianInput, 8,
     "does not hold an atom and its x, y, z"},
    {"a.gjf", kGaussianHead + "0 1\nO(Fragment=1 0 0 0\n", FileKind::GaussianInput, 7,
     "is not closed"},
    {"a.gjf", kGaussianHead + "0 1\nQq 0 0 0\n", FileKind::GaussianInput, 7,
     "unknown element symbol 'Qq'"},
    {"a.gjf", kGaussianHead + "0 1\n0 0 0 0\n", FileKind::GaussianInput, 7,
     "unknown atomic number '0'"},
    {"a.gjf", kGaussianHead + "0 1\nO 0 0 zz\n", FileKind::GaussianInput, 7,
     "the z coordinate 'zz' is not a number", ErrorKind::Conversion},
    {"a.gjf", "%chk=a\nO 0 0 0\n", FileKind::GaussianInput, 2,
     "the route line should begin with '#'"},
    {"a.gjf", kGaussianHead + "0 1\nC 0 0 0\nC 1.4 0 0\nTV 2.5 0 0\n\n", FileKind::GaussianInput, 9,
     "a translation vector (Tv): the input describes a periodic system"},
    {"a.com", "--Link1--\n%chk=a.chk\n# B3LYP/6-31G(d) Geom=Check Guess=Read\n\ntitle\n\n0 1\n\n",
     FileKind::GaussianInput, 8, "the route takes the geometry from the checkpoint file"},
    // ORCA input
    {"a.inp", "! HF def2-SVP\n", FileKind::OrcaInput, 0, "there is no '* xyz CHARGE MULT' block"},
    {"a.inp", "! HF\n* xyz 0 1\nO 0 0 0\nH 0 0 1\n", FileKind::OrcaInput, 2,
     "is not closed by a line '*'"},
    {"a.inp", "! HF\n* xyz 0\nO 0 0 0\n*\n", FileKind::OrcaInput, 2,
     "should give the charge and multiplicity, as in '* xyz 0 1'"},
    {"a.inp", "! HF\n* xyz 0 one\nO 0 0 0\n*\n", FileKind::OrcaInput, 2,
     "the multiplicity 'one' is not a whole number"},
    {"a.inp", "! HF\n* xyz 0 0\nO 0 0 0\n*\n", FileKind::OrcaInput, 2,
     "the multiplicity '0' is out of range"},
    {"a.inp", "! HF\n* xyz 0 1\n*\n", FileKind::OrcaInput, 3, "the geometry block holds no atoms"},
    {"a.inp", "! HF\n* xyzfile 0 1 water.xyz\n", FileKind::OrcaInput, 2,
     "from the file 'water.xyz'; open that file instead"},
    {"a.inp", "! HF\n*xyzfile 0 1\n", FileKind::OrcaInput, 2, "names no file"},
    {"a.inp", "! HF\n* int 0 1\nO 0 0 0 0 0 0\n*\n", FileKind::OrcaInput, 2,
     "internal coordinates (Z-matrix), which are not read"},
    {"a.inp", "! HF\n* xyz 0 1\nDA 0 0 0\n*\n", FileKind::OrcaInput, 3,
     "unknown element symbol 'DA'"},
    {"a.inp", "! HF\n* xyz 0 1\nO 0 0\n*\n", FileKind::OrcaInput, 3,
     "does not hold an element symbol and x, y, z"},
    {"a.inp", "! HF\n%coords\n CTyp internal\nend\n", FileKind::OrcaInput, 3,
     "internal coordinates (CTyp 'internal')"},
    {"a.inp", "! HF\n%coords\n Units nm\nend\n", FileKind::OrcaInput, 3,
     "only Units Angs (angstrom) and Units Bohrs are read"},
    {"a.inp", "! HF\n%coords\n Charge 0.5\n coords\n  O 0 0 0\n end\nend\n", FileKind::OrcaInput, 3,
     "the charge '0.5' is not a whole number"},
    {"a.inp", "! HF\n%coords\n Mult 1.0.0\n coords\n  O 0 0 0\n end\nend\n", FileKind::OrcaInput, 3,
     "the multiplicity '1.0.0' is not a whole number"},
    {"a.inp", "! HF\n* xyz 0.0 1\nO 0 0 0\n*\n", FileKind::OrcaInput, 2,
     "the charge '0.0' is not a whole number"},
    {"a.inp", "! HF\n%coords\n coords\n  O 0 0 0\n", FileKind::OrcaInput, 3,
     "the coords list that begins here is not closed by 'end'"},
    {"a.inp", "! HF\n%coords\n coords\n  O 0 0 0\n end\n", FileKind::OrcaInput, 2,
     "the %coords block that begins here is not closed"},
    {"a.inp", "! HF\n%coords\n Charge 0\nend\n", FileKind::OrcaInput, 4, "holds no atoms"},
    {"a.inp", "! HF\n%coords CTyp xyz\nend\n", FileKind::OrcaInput, 2, "one keyword per line"},
    // Gaussian output
    {"a.log", kGaussianBanner + " Normal termination\n", FileKind::GaussianOutput, 0,
     "there is no \"Input orientation:\" or \"Standard orientation:\" table"},
    {"a.log", kGaussianBanner + kTable, FileKind::GaussianOutput, 7,
     "the Input orientation table that begins on line 2 is cut off"},
    {"a.log", kGaussianBanner + kTable + kDashes + kTable, FileKind::GaussianOutput, 14,
     "begins on line 9 is cut off"},
    {"a.log", kGaussianBanner + kTable + "      2          1           0        0.0\n" + kDashes,
     FileKind::GaussianOutput, 8, "does not hold center number, atomic number, x, y, z"},
    {"a.log",
     kGaussianBanner + kTable + "      2        200           0        0.0  0.0  0.0\n" + kDashes,
     FileKind::GaussianOutput, 8, "unknown atomic number '200'"},
    {"a.log",
     kGaussianBanner + kTable + "      2         1.5          0        0.0  0.0  0.0\n" + kDashes,
     FileKind::GaussianOutput, 8, "the atomic number '1.5' is not a whole number"},
    {"a.log", kGaussianBanner + kTable.substr(0, kTable.find('\n') + 1) + "no dashes\n",
     FileKind::GaussianOutput, 3, "a line of dashes should follow the title"},
    {"a.log", kGaussianBanner + kTable.substr(0, kTable.rfind("      1")) + kDashes,
     FileKind::GaussianOutput, 2, "the Input orientation table holds no atoms"},
    // ORCA output
    {"a.out", kOrcaBanner + "no geometry\n", FileKind::OrcaOutput, 0,
     "there is no \"CARTESIAN COORDINATES (ANGSTROEM)\" block"},
    {"a.out", kOrcaBanner + kOrcaTitle + "\n", FileKind::OrcaOutput, 3,
     "the last coordinate block holds no atoms"},
    {"a.out", kOrcaBanner + kOrcaTitle + "  O 0.0 0.0\n", FileKind::OrcaOutput, 5,
     "does not hold an element symbol and x, y, z"},
    {"a.out",
     kOrcaBanner + kOrcaTitle + "  O 0.0 0.0 0.1\n\n" + kOrcaTitle + "  O 0.0 0.0 0.1\n  H 0.0 0.7",
     FileKind::OrcaOutput, 11, "does not hold an element symbol and x, y, z"},
    {"a.out", kOrcaBanner + "CARTESIAN COORDINATES (ANGSTROEM)\n  O 0.0 0.0 0.1\n",
     FileKind::OrcaOutput, 3, "a line of dashes should follow"},
    {"a.out",
     kOrcaBanner + kOrcaTitle + "  O 0.0 0.0 0.1\n  H 0.0 0.7 -0.5\n  H 0.0 -0.7 -0.5\n\n" +
         kOrcaTitle + "  O 0.0 0.0 0.1\n  H 0.0 0.7 -0.5\n",
     FileKind::OrcaOutput, 13,
     "the coordinate block that begins on line 10 is cut off: the file ends before the blank"},
    {"a.out", kOrcaBanner + kOrcaTitle + "  O 0.0 0.0 0.1\n  H 0.0 0.7 -0.5\n  H 0.0 -0.7 -0.4",
     FileKind::OrcaOutput, 7, "the coordinate block that begins on line 3 is cut off"},
    // MOPAC
    {"a.mop", "PM7\ntitle\ncomment\n", FileKind::Mopac, 4, "no geometry follows the 3 keyword"},
    {"a.mop", "PM7\ntitle\ncomment\nC 0 1 0 1 0 1\nO 1.2 1 0 1\n", FileKind::Mopac, 5,
     "each followed by its optimisation flag"},
    {"a.mop", "PM7\ntitle\ncomment\nC 0 1 0 1 0 1\nO 1.2 2 0 1 0 1\n", FileKind::Mopac, 5,
     "the optimisation flag '2' should be 0, 1, -1, +0 or +1"},
    {"a.mop", "C 0 1 0 1 0 1\nO 1.2 1 0 1 0 1 1 0 0\n", FileKind::Mopac, 2,
     "internal coordinates (the line refers to atoms 1, 0, 0)"},
    {"a.mop", "C 0 1 0 1 0 1\nTv 1.2 1 0 1 0 1\n", FileKind::Mopac, 2,
     "a translation vector (Tv): the input describes a periodic system"},
    {"a.mop", "C 0 1 0 1 0 1\nO 1.2x 1 0 1 0 1\n", FileKind::Mopac, 2,
     "the x coordinate '1.2x' is not a number", ErrorKind::Conversion},
    {"a.mop", "PM7\nt\n\nC 0.0 0 0.0 0 0.0 0 0 0 0 -0.12\nH 1.1 1 0.0 0 0.0 0 1 0 0 0.05\n",
     FileKind::Mopac, 5, "internal coordinates (the line refers to atoms 1, 0, 0)"},
    // MOPAC archive
    {"a.arc", " ARCHIVE FILE\n\n SUMMARY OF  PM7 CALCULATION\n", FileKind::MopacArchive, 0,
     "there is no \"FINAL GEOMETRY OBTAINED\" section"},
    {"a.arc",
     " SUMMARY OF PM7 CALCULATION\n FINAL GEOMETRY OBTAINED\n PM7\n t\n\n"
     " C 0.0 0 0.0 0 0.0 0 0 0 0 0.1\n C 1.5 1 0.0 0 0.0 0 1 0 0 -0.1\n",
     FileKind::MopacArchive, 7, "internal coordinates (the line refers to atoms 1, 0, 0)"},
    {"a.arc", " SUMMARY OF PM7 CALCULATION\n FINAL GEOMETRY OBTAINED\n", FileKind::MopacArchive, 2,
     "the file ends here, before the final geometry's keyword and title lines"},
    // Turbomole coord
    {"coord", "$coord\n 0 0 0 o\n", FileKind::TurbomoleCoord, 2,
     "the $coord group that begins on line 1 is not closed by a line beginning with '$'"},
    {"coord", "$coord frac\n 0 0 0 o\n$end\n", FileKind::TurbomoleCoord, 1,
     "fractions of a periodic cell"},
    {"control", "$title\n$coord file=coord\n$end\n", FileKind::TurbomoleCoord, 2,
     "from the file 'coord'; open that file instead"},
    {"coord", "$coord\n 0 0 0 o\n$periodic 2\n$cell\n 5 5 5\n$end\n", FileKind::TurbomoleCoord, 3,
     "the $periodic group makes the system periodic"},
    {"coord", "$coord\n 0 0 o\n$end\n", FileKind::TurbomoleCoord, 2,
     "does not hold x, y, z and an element symbol"},
    {"coord", "$coord\n 0 0 x o\n$end\n", FileKind::TurbomoleCoord, 2,
     "the z coordinate 'x' is not a number", ErrorKind::Conversion},
    {"coord", "$coord\n 0 0 0 xx\n$end\n", FileKind::TurbomoleCoord, 2,
     "unknown element symbol 'xx'"},
    {"coord", "$coord\n$end\n", FileKind::TurbomoleCoord, 1, "the $coord group holds no atoms"},
};

TEST(ReadFailureTest, EachFailureNamesFileAndLineAndKeepsTheMolecule) {
    TempDir dir;
    AtomTable table;
    ReadCoordinateFile(dir.Write("old", "Fe 0 0 0\nC1 1.5 0 0\nC2 -1.5 0 0\n"), table);
    const test::TableSnapshot before = test::Snapshot(table);
    for (const Failure& f : kFailures) {
        SCOPED_TRACE(std::string(f.name) + ": " + f.bytes);
        const std::string path = dir.Write(f.name, f.bytes);
        EXPECT_EQ(DetectFileKind(path), f.kind);
        const Error e = test::ErrorOf([&] { ReadMoleculeFile(path, table); });
        const std::string where = f.line > 0
                                      ? "Line " + std::to_string(f.line) + " of " + f.name + ": "
                                      : std::string(f.name) + ": ";
        EXPECT_EQ(e.Message().rfind(where, 0), 0u) << e.Message();
        EXPECT_NE(e.Message().find(f.says), std::string::npos) << e.Message();
        EXPECT_EQ(e.Kind(), f.error);
        EXPECT_EQ(e.Detail().rfind(path + " was read as " + std::string(KindName(f.kind)), 0), 0u)
            << e.Detail();
        EXPECT_EQ(test::Snapshot(table), before);
    }
}

TEST(ReadFailureTest, FileErrorsAreTheNativeOnesForEveryKind) {
    TempDir dir;
    AtomTable table;
    ReadCoordinateFile(dir.Write("old", "Fe 0 0 0\n"), table);
    const test::TableSnapshot before = test::Snapshot(table);
    dir.Write("folder.xyz", "");
    std::remove(dir.File("folder.xyz").c_str());
    ASSERT_EQ(::mkdir(dir.File("folder.xyz").c_str(), 0755), 0);
    const std::pair<std::string, const char*> cases[] = {
        {dir.File("missing.gjf"), "ファイルが見つかりません"},
        {dir.File("nodir/a.log"), "ファイル名の指定が間違っています"},
        {dir.File("folder.xyz"), "ファイルへのアクセスが拒否されました"},
    };
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(path);
        for (FileKind kind :
             {FileKind::Headerless, FileKind::Xyz, FileKind::GaussianInput, FileKind::OrcaInput,
              FileKind::GaussianOutput, FileKind::OrcaOutput, FileKind::Mopac, FileKind::Indented,
              FileKind::MopacArchive, FileKind::TurbomoleCoord}) {
            test::ExpectError([&] { ReadMoleculeAs(kind, path, table); }, ErrorKind::File, message);
        }
        EXPECT_THROW(ReadMoleculeFile(path, table), Error);
        EXPECT_EQ(test::Snapshot(table), before);
    }
}

TEST(ReadFailureTest, EveryReaderOnEveryOtherSampleGivesATableOrAnError) {
    // Read as the wrong kind, each sample either fails cleanly or gives a
    // table of the common shape; nothing else may happen.
    const char* samples[] = {"water.xyz",        "ammonia-trajectory.xyz",
                             "water.gjf",        "coords.inp",
                             "water-opt.log",    "water-orca.out",
                             "formaldehyde.mop", "methane-standard.out",
                             "continued.mop",    "coord",
                             "formaldehyde.arc", "indented-numbers.txt"};
    for (const char* name : samples) {
        const std::string path = std::string(PIVORA_FORMAT_DATA) + "/" + name;
        for (FileKind kind :
             {FileKind::Headerless, FileKind::Xyz, FileKind::GaussianInput, FileKind::OrcaInput,
              FileKind::GaussianOutput, FileKind::OrcaOutput, FileKind::Mopac, FileKind::Indented,
              FileKind::MopacArchive, FileKind::TurbomoleCoord}) {
            SCOPED_TRACE(std::string(name) + " as " + std::string(KindName(kind)));
            try {
                const ReadResult r = ReadMoleculeAs(kind, path, AtomTable{});
                EXPECT_GT(r.table.AtomCount, 0);
                EXPECT_EQ(r.table.Capacity(), static_cast<std::size_t>(r.table.AtomCount) + 10);
            } catch (const Error& e) {
                EXPECT_FALSE(e.Message().empty());
            }
        }
    }
}

// A FIFO, or a device whose reading waits for input, is refused at once by
// every way a molecule is read. The look at a file's kind used to open it
// with a plain open, which waits for a FIFO's writer forever.
class HangingFile : public ::testing::TestWithParam<test::HangingCase> {};

INSTANTIATE_TEST_SUITE_P(Kinds, HangingFile, ::testing::ValuesIn(test::kHangingCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(HangingFile, IsRefusedAtOnceByEveryRead) {
    TempDir dir;
    std::string reason;
    const std::string path = test::HangingPath(GetParam(), dir, reason);
    if (path.empty()) GTEST_SKIP() << reason;
    AtomTable table;
    const std::pair<const char*, std::function<void()>> reads[] = {
        {"DetectFileKind", [&] { DetectFileKind(path); }},
        {"ReadMolecule", [&] { ReadMolecule(path, table); }},
        {"ReadMoleculeFile", [&] { ReadMoleculeFile(path, table); }},
        {"PrepareMolecule", [&] { PrepareMolecule(path, table, true); }},
        {"ReadMoleculeAs", [&] { ReadMoleculeAs(FileKind::Xyz, path, table); }},
    };
    for (const auto& [name, read] : reads) {
        SCOPED_TRACE(name);
        test::ExpectPromptly([&] {
            const Error e = test::ErrorOf(read);
            return e.Message() == "ファイルへのアクセスが拒否されました" &&
                   e.Detail().find(GetParam().detailWord) != std::string::npos;
        });
    }
}

// A file that changes after the look at its head, or between the passes of
// its reader, would give a molecule that never was. Every format refuses it
// with the one file error, whatever the reader made of the changed content,
// and the molecule in memory stays.
TEST(ReadFailureTest, AFileChangedWhileItIsReadIsRefusedInEveryFormat) {
    const std::string samples[] = {std::string(PIVORA_EXAMPLES) + "/ferrocene.xyz",
                                   std::string(PIVORA_FORMAT_DATA) + "/water.xyz",
                                   std::string(PIVORA_FORMAT_DATA) + "/ammonia-trajectory.xyz",
                                   std::string(PIVORA_FORMAT_DATA) + "/water.gjf",
                                   std::string(PIVORA_FORMAT_DATA) + "/coords.inp",
                                   std::string(PIVORA_FORMAT_DATA) + "/water-opt.log",
                                   std::string(PIVORA_FORMAT_DATA) + "/water-orca.out",
                                   std::string(PIVORA_FORMAT_DATA) + "/formaldehyde.mop",
                                   std::string(PIVORA_FORMAT_DATA) + "/indented-labels.txt",
                                   std::string(PIVORA_FORMAT_DATA) + "/formaldehyde.arc",
                                   std::string(PIVORA_FORMAT_DATA) + "/coord"};
    struct Change {
        const char* name;
        std::function<void(const TempDir& dir, const std::string& bytes)> apply;
    };
    const Change changes[] = {
        {"grown",
         [](const TempDir& dir, const std::string& bytes) { dir.Write("in", bytes + bytes); }},
        {"cut in the middle of a line",
         [](const TempDir& dir, const std::string& bytes) {
             dir.Write("in", bytes.substr(0, bytes.size() / 2));
         }},
        {"rewritten in place, same size",
         [](const TempDir& dir, const std::string& bytes) {
             std::string other = bytes;
             const std::size_t digit = other.find_last_of("123456789");
             other[digit] = other[digit] == '1' ? '2' : '1';
             dir.Write("in", other);
         }},
        {"replaced by a rename, same bytes",
         [](const TempDir& dir, const std::string& bytes) {
             ::rename(dir.Write("fresh", bytes).c_str(), dir.File("in").c_str());
         }},
    };
    TempDir dir;
    AtomTable table;
    ReadCoordinateFile(dir.Write("old", "Fe 0 0 0\nC1 1.5 0 0\n"), table);
    const test::TableSnapshot before = test::Snapshot(table);
    for (const std::string& sample : samples) {
        const std::string bytes = test::ReadAll(sample);
        ASSERT_FALSE(bytes.empty()) << sample;
        for (const Change& change : changes) {
            SCOPED_TRACE(sample + ", " + change.name);
            const std::string path = dir.Write("in", bytes);
            ASSERT_NO_THROW(ReadMolecule(path, table));
            InputFile file(path);
            bool changed = false;
            file.SetBetweenPasses([&] {
                if (!std::exchange(changed, true)) change.apply(dir, bytes);
            });
            const Error e = test::ErrorOf([&] {
                PreparedMolecule read = PrepareMolecule(file, table, table.Unshared());
                std::move(read).MoveInto(table);
            });
            EXPECT_TRUE(changed);
            EXPECT_EQ(e.Message(), "I/O エラー (5)");
            EXPECT_NE(e.Detail().find("changed while it was being read"), std::string::npos)
                << e.Detail();
            EXPECT_EQ(test::Snapshot(table), before);
        }
    }
}

}  // namespace
}  // namespace pivora::io
