// Which kind a file's content names, with the extension only as a hint, and
// the near misses that must stay the native headerless format.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "coordinates/CoordinateReader.h"
#include "io/Elements.h"
#include "io/FileKind.h"
#include "io/MoleculeReader.h"
#include "support/TableCheck.h"
#include "support/TempDir.h"

namespace pivora::io {
namespace {

struct Case {
    const char* what;
    std::string text;
    const char* name;
    FileKind kind;
};

const Case kCases[] = {
    // headerless, also where the extension or a later line says otherwise
    {"empty", "", "a.gjf", FileKind::Headerless},
    {"end-of-file mark",
     "\x1a"
     "3\nc\nO 0 0 0\n",
     "a.xyz", FileKind::Headerless},
    {"native line", "C1 0.1 0.2 0.3\n", "a.xyz", FileKind::Headerless},
    {"native, .gjf", "C1 0.1 0.2 0.3\n", "a.gjf", FileKind::Headerless},
    {"native, .log", "Co 3.412 -1.205 0.876\n", "a.log", FileKind::Headerless},
    {"native, .mop", "C 0 0 0\nO 1.2 0 0\n", "a.mop", FileKind::Headerless},
    {"atomic-number label", "3 0.0 0.0 0.0\ncomment\n", "a.xyz", FileKind::Headerless},
    {"saved file", "C1             0.100000000   -1.500000000    2.250000000\r\n", "a.out",
     FileKind::Headerless},
    {"empty label", "  1 2 3\n", "a.xyz", FileKind::Headerless},
    {"hash label", "#1 0 0 0\n#2 1 1 1\n", "a.gjf", FileKind::Headerless},
    {"star label", "* 1 2 3\n* xyz 0 1\n", "a.inp", FileKind::Headerless},
    {"bang label", "!1 1 2 3\n", "a.inp", FileKind::Headerless},
    {"banner words after the numbers", "C1 1 2 3 Entering Gaussian System\n", "a.log",
     FileKind::Headerless},
    {"orientation title later", "C1 1 2 3\n Input orientation:\n", "a.log", FileKind::Headerless},
    {"six fields, not MOPAC", "C 0.0 1 0.0 1 0.0\n", "a.mop", FileKind::Headerless},
    {"flag 2 is no flag", "C 0.5 2 0.5 1 0.5 1\n", "a.mop", FileKind::Headerless},
    {"no element, not MOPAC", "Xx 0.0 1 0.0 1 0.0 1\n", "a.mop", FileKind::Headerless},
    {"connectivity, not MOPAC", "C 0.0 1 0.0 1 0.0 1 1 2 3\n", "a.mop", FileKind::Headerless},
    {"text", "hello world\n", "a.txt", FileKind::Headerless},
    {"word on line 1, .txt", "water\ncomment\n", "a.txt", FileKind::Headerless},
    {"binary",
     std::string("\x7f"
                 "ELF\x02\x01\x01\0\0\0\0",
                 12),
     "a.out", FileKind::Headerless},
    {"tab-separated", "C1\t0.5\t1\t2\n", "a.xyz", FileKind::Headerless},
    // standard XYZ
    {"count", "3\ncomment\nO 0 0 0\n", "a.txt", FileKind::Xyz},
    {"count with blanks", "  3 \t\ncomment\n", "a", FileKind::Xyz},
    {"count alone", "12", "a.dat", FileKind::Xyz},
    {"word count and atom line", "three\ncomment\nO 0.0 0 0\n", "a.txt", FileKind::Xyz},
    {"word count, .xyz", "three\n", "a.XYZ", FileKind::Xyz},
    {"count beats banner words", "3\nGaussian, Inc.\nO 0 0 0\n", "a.log", FileKind::Xyz},
    // Gaussian input
    {"route", "#p B3LYP/6-31G(d) Opt\n\ntitle\n\n0 1\nO 0 0 0\n\n", "a.txt",
     FileKind::GaussianInput},
    {"Link 0 and route", "%chk=a.chk\n%mem=1GB\n# HF\n", "a", FileKind::GaussianInput},
    {"Open Babel's", "!Put Keywords Here, check Charge and Multiplicity.\n#\n\n t\n\n0  1\n",
     "a.gjf", FileKind::GaussianInput},
    {"route after blank lines", "\n\n# HF\n", "a.com", FileKind::GaussianInput},
    {"# comment and ! line, .gjf", "# comment\n! B3LYP\n", "a.gjf", FileKind::GaussianInput},
    // ORCA input
    {"xyz block", "# comment\n! B3LYP def2-SVP\n* xyz 0 1\nO 0 0 0\n*\n", "a.gjf",
     FileKind::OrcaInput},
    {"joined star", "! HF\n*xyz 0 1\n", "a", FileKind::OrcaInput},
    {"xyzfile", "! HF\n* xyzfile 0 1 a.xyz\n", "a", FileKind::OrcaInput},
    {"coords", "! HF\n%coords\n", "a", FileKind::OrcaInput},
    {"keywords", "! HF def2-SVP\n", "a", FileKind::OrcaInput},
    {"# comment and ! line, .inp", "# comment\n! B3LYP\n", "a.inp", FileKind::OrcaInput},
    {"pal block and keywords", "%pal nprocs 4 end\n! HF\n", "a.txt", FileKind::OrcaInput},
    // outputs
    {"Gaussian banner", " Entering Gaussian System, Link 0=g16\n", "a.out",
     FileKind::GaussianOutput},
    {"Gaussian copyright", "\n Copyright (c) 1988-2019, Gaussian, Inc.\n", "a",
     FileKind::GaussianOutput},
    {"Gaussian table excerpt", "                          Standard orientation:\n ----\n", "a",
     FileKind::GaussianOutput},
    {"ORCA banner", "\n                                 * O   R   C   A *\n", "a.log",
     FileKind::OrcaOutput},
    {"ORCA block excerpt", "CARTESIAN COORDINATES (ANGSTROEM)\n-----\n  O 0 0 0\n", "a",
     FileKind::OrcaOutput},
    // MOPAC
    {"bare geometry", "C 0.0 1 0.0 1 0.0 1\n", "a.xyz", FileKind::Mopac},
    {"bare, blanks first", "   C   0.0 +1  0.0 -1  0.0 +0\n", "a", FileKind::Mopac},
    {"bare, atomic number", "6 0.0 1 0.0 1 0.0 1\n", "a", FileKind::Mopac},
    {"bare, zero connectivity", "C 0.0 1 0.0 1 0.0 1 0 0 0\n", "a", FileKind::Mopac},
    {"flags that are also numbers", "C1 0 1 0 1 0 1\n", "a", FileKind::Mopac},
    {".mop file", "PM7 XYZ\ntitle\n\nC 0.0 1 0.0 1 0.0 1\n", "a.txt", FileKind::Mopac},
    {"blank keyword line", "\n\n\nC 0.0 1 0.0 1 0.0 1\n", "a", FileKind::Mopac},
    {"+ keywords", "PM7 +\nXYZ\nt\nt\nC 0.0 1 0.0 1 0.0 1\n", "a", FileKind::Mopac},
    {"& keywords", "PM7 &\nXYZ\nt\nC 0.0 1 0.0 1 0.0 1\n", "a", FileKind::Mopac},
    {"flagless, .mop", "PM7 XYZ\ntitle\n\nC 0.0 0.0 0.0\n", "a.mop", FileKind::Mopac},
    {"flagless, .txt", "PM7 XYZ\ntitle\n\nC 0.0 0.0 0.0\n", "a.txt", FileKind::Headerless},
    {"Z-matrix with a charge column", "PM7\nt\n\nC 0.0 0 0.0 0 0.0 0 0 0 0 -0.12\n", "a.mop",
     FileKind::Mopac},
    {"charge column, .txt", "PM7\nt\n\nC 0.0 1 0.0 1 0.0 1 0.21\n", "a.txt", FileKind::Mopac},
    // indented
    {"indented atomic numbers", "     6   0.0 0.0 1.4\n     1   0.0 0.0 2.5\n\n", "a.xyz",
     FileKind::Indented},
    {"indented labels", " C1 0.1 0.2 0.3\n", "a.log", FileKind::Indented},
    {"indented, then not", "     6   0.0 0.0 1.4\nH 0.0 0.0 2.5\n", "a", FileKind::Headerless},
    {"indented x y z q", "  0.5 0.0 1.4 0.1\n", "a", FileKind::Headerless},
    {"indented five fields", "  C 0.5 0.0 1.4 0.1\n", "a", FileKind::Headerless},
    // other programs' files
    {"Link1 first", "--Link1--\n%chk=a\n# Geom=Check\n\nt\n\n0 1\n\n", "a.com",
     FileKind::GaussianInput},
    {"Link1 before the route", "--link1--\n# Geom=Check\n", "a", FileKind::GaussianInput},
    {"MOPAC archive summary", " ARCHIVE FILE\n\n   SUMMARY OF  PM7 CALCULATION, Site No: 1\n",
     "a.arc", FileKind::MopacArchive},
    {"MOPAC archive geometry", "junk\n          FINAL GEOMETRY OBTAINED\n", "a",
     FileKind::MopacArchive},
    {"Turbomole coord", "$coord\n 0.0 0.0 0.0 o\n$end\n", "coord", FileKind::TurbomoleCoord},
    {"Turbomole coord with options", "$title\n$coord natoms=1\n", "a", FileKind::TurbomoleCoord},
    {"control bytes, .log", "! words\n* xyz 0 1\n\x01\x02\x03\n", "a.log", FileKind::Headerless},
    {"NUL after Gaussian marks", std::string(" Entering Gaussian System\n\0\n", 28), "a.log",
     FileKind::Headerless},
};

TEST(DetectionTest, Cases) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DetectKind(c.text, c.name, true), c.kind);
    }
}

TEST(DetectionTest, ReadsOnlyTheHeadAndNeverJudgesACutLine) {
    // A first line longer than the head is left to the headerless reader.
    const std::string digits(kHeadBytes + 10, '7');
    EXPECT_EQ(DetectKind(digits.substr(0, kHeadBytes), "a.xyz", false), FileKind::Headerless);
    EXPECT_EQ(DetectKind("12\ncomment\nO 0 0 0\nH 0 0", "a", false), FileKind::Xyz);
    // What follows the head does not count: a banner after 64 KiB of lines
    // that headerless cannot read.
    std::string head = "title\n";
    while (head.size() < kHeadBytes) head += "no coordinates here\n";
    EXPECT_EQ(DetectKind(head.substr(0, kHeadBytes), "a.log", false), FileKind::Headerless);

    test::TempDir dir;
    EXPECT_EQ(DetectFileKind(dir.Write("big.log", head + " Entering Gaussian System\n")),
              FileKind::Headerless);
}

TEST(DetectionTest, RandomNativeFilesStayNative) {
    // Property: whenever a file's first line is one the native reader takes
    // (and is not a flagged MOPAC line, nor the file an indented table), the
    // file is read by the native reader, to the same table or the same
    // message; a line that would be read one field off is refused.
    std::mt19937 rng(7);
    const char* pieces[] = {"C1", "Fe", "0", "1", "-1", "+1", "1.5", "-2.25e1", "x",  "#",
                            "*",  "!",  "%", "3", "",   "\t", "1,5", ".",       "E5", "Input"};
    test::TempDir dir;
    AtomTable previous;
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const int lines = 1 + static_cast<int>(rng() % 4);
        for (int l = 0; l < lines; ++l) {
            const int fields = static_cast<int>(rng() % 8);
            for (int f = 0; f < fields; ++f) {
                if (f > 0) text += rng() % 5 == 0 ? "  " : " ";
                text += pieces[rng() % std::size(pieces)];
            }
            text += "\n";
        }
        const std::string path = dir.Write("r.txt", text);
        if (DetectFileKind(path) != FileKind::Headerless) continue;
        SCOPED_TRACE(text);
        ReadOptions shifted;
        shifted.refuseShiftedLines = true;
        EXPECT_EQ(test::Outcome([&] { return ReadMolecule(path, previous).table; }),
                  test::Outcome([&] { return ReadCoordinateTable(path, previous, shifted); }));
    }
}

TEST(ElementsTest, LabelsNameElements) {
    const std::pair<const char*, int> cases[] = {
        {"H", 1},      {"He", 2},    {"Og", 118},   {"Fe1", 26}, {"FE1", 26}, {"fe", 26},
        {"CL2", 17},   {"Cl", 17},   {"C12", 6},    {"C", 6},    {"Co", 27},  {"CO1", 27},
        {"Hg", 80},    {"HG2", 80},  {"Ha", 1},     {"N1", 7},   {"Na", 11},  {"26", 26},
        {"1", 1},      {"118", 118}, {"006", 6},    {"0", 0},    {"119", 0},  {"1234", 0},
        {"Bq", 0},     {"BQ1", 0},   {"X", 0},      {"Xx", 0},   {"Du", 0},   {"", 0},
        {"1a", 0},     {"-C", 0},    {"Q", 0},      {"B", 5},    {"Br", 35},  {"W", 74},
        {"Fe(1)", 26}, {"H:", 1},    {"None", 102},
    };
    for (const auto& [label, z] : cases) EXPECT_EQ(ElementOfLabel(label), z) << label;
    for (int z = 1; z <= kElementCount; ++z) {
        EXPECT_EQ(AtomicNumber(ElementSymbol(z)), z);
        EXPECT_EQ(ElementOfLabel(ElementSymbol(z)), z);
    }
    EXPECT_EQ(ElementSymbol(0), "");
    EXPECT_EQ(ElementSymbol(119), "");
    EXPECT_EQ(AtomicNumber("Xx"), 0);
    EXPECT_EQ(AtomicNumber("Fe1"), 0);
}

}  // namespace
}  // namespace pivora::io
