// Each format's samples (tests/data/formats) read to the labels and the exact
// coordinate bits of their texts, with what the result says about the file.

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "XyzReference.h"
#include "coordinates/CoordinateReader.h"
#include "io/Formats.h"
#include "io/MoleculeReader.h"
#include "numeric/Extended.h"
#include "support/ErrorCheck.h"
#include "support/TableCheck.h"
#include "support/TempDir.h"

namespace pivora::io {
namespace {

using test::Bits;
using test::FileBits;
using test::TempDir;

std::string Data(const std::string& name) {
    return std::string(PIVORA_FORMAT_DATA) + "/" + name;
}

struct Atom {
    const char* label;
    const char *x, *y, *z;  // the texts the file writes
};

struct Sample {
    const char* file;
    FileKind kind;
    std::vector<Atom> atoms;
    int frame = 1, frames = 1;
    std::optional<int> charge = std::nullopt, multiplicity = std::nullopt;
    bool noted = false;
    bool bohr = false;  // the texts are in bohr
};

// The double a coordinate text in bohr gives: its extended value times the
// factor, rounded once.
std::uint64_t BohrBits(const char* text) {
    return Bits(StoreDouble(ParseFileDecimal(text) * 0.529177210903L));
}

const Atom kWater[] = {{"O", "0.000000", "0.000000", "0.117790"},
                       {"H", "0.000000", "0.755453", "-0.471161"},
                       {"H", "0.000000", "-0.755453", "-0.471161"}};
const std::vector<Atom> kAcetone = {
    {"C", "1.02975", "-0.06427", "-0.08724"}, {"C", "2.53384", "-0.07348", "-0.05369"},
    {"O", "3.15305", "-0.35532", "0.97204"},  {"C", "3.25640", "0.27623", "-1.32646"},
    {"H", "0.63839", "-0.33482", "0.89746"},  {"H", "0.67437", "-0.79281", "-0.82010"},
    {"H", "0.67437", "0.93645", "-0.34497"},  {"H", "2.54285", "0.49573", "-2.12535"},
    {"H", "3.87646", "-0.56974", "-1.63319"}, {"H", "3.87646", "1.16015", "-1.15788"}};
const std::vector<Atom> kMethane = {{"C", "0.000000", "0.000000", "0.000000"},
                                    {"H", "0.629118", "0.629118", "0.629118"},
                                    {"H", "-0.629118", "-0.629118", "0.629118"},
                                    {"H", "-0.629118", "0.629118", "-0.629118"},
                                    {"H", "0.629118", "-0.629118", "-0.629118"}};

std::vector<Sample> Samples() {
    return {
        {"water.xyz",
         FileKind::Xyz,
         {{"O", "0.00000", "0.00000", "0.11779"},
          {"H", "0.00000", "0.75545", "-0.47116"},
          {"H", "0.00000", "-0.75545", "-0.47116"}}},
        {"methane-extended.xyz", FileKind::Xyz, kMethane},
        {"ammonia-trajectory.xyz",
         FileKind::Xyz,
         {{"N", "0.000000", "0.000000", "0.112700"},
          {"H", "0.000000", "0.938500", "-0.262900"},
          {"H", "0.812765", "-0.469250", "-0.262900"},
          {"H", "-0.812765", "-0.469250", "-0.262900"}},
         3,
         3},
        {"labels.xyz",
         FileKind::Xyz,
         {{"Fe", "0.0", "0.0", "0.0"},
          {"Fe2", "1.5e0", "-0.0", "2"},
          {"CL3", "-1.25", ".5", "1E-3"},
          {"c4", "+3", "0", "-7."}}},
        {"water.gjf", FileKind::GaussianInput, {kWater[0], kWater[1], kWater[2]}, 1, 1, 0, 1},
        {"acetone-openbabel.gjf", FileKind::GaussianInput, kAcetone, 1, 1, 0, 1},
        {"cation.com",
         FileKind::GaussianInput,
         {{"N", "0.0", "0.0", "0.0"},
          {"H", "0.629118", "0.629118", "0.629118"},
          {"H", "-0.629118", "-0.629118", "0.629118"},
          {"H", "-0.629118", "0.629118", "-0.629118"},
          {"H", "0.629118", "-0.629118", "-0.629118"}},
         1,
         1,
         1,
         1},
        {"acetone-openbabel.inp", FileKind::OrcaInput, kAcetone, 1, 1, 0, 1},
        {"hydroxide.inp",
         FileKind::OrcaInput,
         {{"O", "0.000000", "0.000000", "0.000000"}, {"H", "0.000000", "0.000000", "0.970000"}},
         1,
         1,
         -1,
         1},
        {"coords.inp",
         FileKind::OrcaInput,
         {{"O", "0.000000", "0.000000", "0.603500"}, {"O", "0.000000", "0.000000", "-0.603500"}},
         1,
         1,
         0,
         3},
        {"water-opt.log",
         FileKind::GaussianOutput,
         {{"O", "0.000000", "0.000000", "0.119212"},
          {"H", "0.000000", "0.761375", "-0.476849"},
          {"H", "0.000000", "-0.761375", "-0.476849"}},
         2,
         2,
         0,
         1},
        {"methane-standard.out", FileKind::GaussianOutput, kMethane, 1, 1, 0, 1, true},
        {"water-orca.out",
         FileKind::OrcaOutput,
         {{"O", "0.000000", "0.000000", "0.120465"},
          {"H", "0.000000", "0.763110", "-0.482332"},
          {"H", "0.000000", "-0.763110", "-0.482332"}},
         2,
         2,
         0,
         1},
        {"water-bohr.gjf",
         FileKind::GaussianInput,
         {{"O", "0.000000", "0.000000", "0.222590"},
          {"H", "0.000000", "1.427600", "-0.890361"},
          {"H", "0.000000", "-1.427600", "-0.890361"}},
         1,
         1,
         0,
         1,
         true,
         true},
        {"ammonia-bohrs.inp",
         FileKind::OrcaInput,
         {{"N", "0.000000", "0.000000", "0.212976"},
          {"H", "0.000000", "1.773535", "-0.496800"},
          {"H", "1.535926", "-0.886768", "-0.496800"},
          {"H", "-1.535926", "-0.886768", "-0.496800"}},
         1,
         1,
         0,
         1,
         true,
         true},
        {"coords-bohr.inp",
         FileKind::OrcaInput,
         {{"O", "0.000000", "0.000000", "1.140452"}, {"O", "0.000000", "0.000000", "-1.140452"}},
         1,
         1,
         0,
         1,
         true,
         true},
        {"ghosts.inp",
         FileKind::OrcaInput,
         {{"O", "0.000000", "0.000000", "0.117790"},
          {"H", "0.000000", "0.755453", "-0.471161"},
          {"H", "0.000000", "-0.755453", "-0.471161"},
          {"He:", "0.000000", "0.000000", "3.000000"},
          {"Ne:", "0.000000", "0.000000", "-3.000000"}},
         1,
         1,
         0,
         1},
        {"indented-numbers.txt",
         FileKind::Indented,
         {{"C", "0.000000", "0.000000", "1.400000"},
          {"C", "1.212436", "0.000000", "0.700000"},
          {"H", "2.156676", "0.000000", "1.245000"},
          {"O", "-1.212436", "0.000000", "0.700000"}}},
        {"indented-labels.txt",
         FileKind::Indented,
         {{"C1", "0.000000", "0.000000", "1.400000"},
          {"Fe2", "-1.212436", "0.500000", "-0.700000"}}},
        {"coord",
         FileKind::TurbomoleCoord,
         {{"o", "0.00000000000000", "0.00000000000000", "0.22259616390191"},
          {"h", "0.00000000000000", "1.42760011131310", "-0.89038465560764"},
          {"h", "0.00000000000000", "-1.42760011131310", "-0.89038465560764"}},
         1,
         1,
         std::nullopt,
         std::nullopt,
         true,
         true},
        {"formaldehyde.arc",
         FileKind::MopacArchive,
         {{"C", "0.00000000", "0.00000000", "0.00000000"},
          {"O", "1.20587900", "0.00000000", "0.00000000"},
          {"H", "-0.58542731", "0.93712480", "0.00000000"},
          {"H", "-0.58542731", "-0.93712480", "0.00000000"}},
         1,
         1,
         0,
         1},
        {"formaldehyde.mop",
         FileKind::Mopac,
         {{"C", "0.00000000", "0.00000000", "0.00000000"},
          {"O", "1.20800000", "0.00000000", "0.00000000"},
          {"H", "-0.59000000", "0.94100000", "0.00000000"},
          {"H", "-0.59000000", "-0.94100000", "0.00000000"}},
         1,
         1,
         0,
         1},
        {"bare.mop",
         FileKind::Mopac,
         {{"O", "0.0000", "0.0000", "0.1178"},
          {"H", "0.0000", "0.7555", "-0.4712"},
          {"H", "0.0000", "-0.7555", "-0.4712"}}},
        {"continued.mop",
         FileKind::Mopac,
         {{"O", "0.0", "0.0", "0.1178"},
          {"H", "0.0", "0.7555", "-0.4712"},
          {"H", "0.0", "-0.7555", "-0.4712"}},
         1,
         1,
         1,
         2},
        {"ampersand.mop",
         FileKind::Mopac,
         {{"H", "0.0", "0.0", "0.0"}, {"H", "0.74", "0.0", "0.0"}},
         1,
         1,
         0,
         3},
    };
}

TEST(ReadFormatsTest, SamplesGiveTheirLabelsAndTheBitsOfTheirTexts) {
    // A previous table larger than each sample: its spare slots must show.
    AtomTable previous;
    for (int i = 0; i < 30; ++i) {
        previous.AtomName.push_back("Old" + std::to_string(i));
        previous.AtomX.push_back(i);
        previous.AtomY.push_back(-i);
        previous.AtomZ.push_back(0.5);
    }
    previous.AtomCount = 20;
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.file);
        EXPECT_EQ(DetectFileKind(Data(s.file)), s.kind);
        const ReadResult r = ReadMolecule(Data(s.file), previous);
        const AtomTable& t = r.table;
        const std::size_t n = s.atoms.size();
        ASSERT_EQ(t.AtomCount, static_cast<std::int32_t>(n));
        ASSERT_EQ(t.Capacity(), n + 10);
        EXPECT_EQ(t.AtomName[0], "None");
        EXPECT_EQ(Bits(t.AtomX[0]) | Bits(t.AtomY[0]) | Bits(t.AtomZ[0]), 0u);
        for (std::size_t k = 1; k <= n; ++k) {
            const Atom& a = s.atoms[k - 1];
            EXPECT_EQ(t.AtomName[k], a.label) << "atom " << k;
            const auto bits = [&](const char* text) {
                return s.bohr ? BohrBits(text) : FileBits(text);
            };
            EXPECT_EQ(Bits(t.AtomX[k]), bits(a.x)) << "atom " << k;
            EXPECT_EQ(Bits(t.AtomY[k]), bits(a.y)) << "atom " << k;
            EXPECT_EQ(Bits(t.AtomZ[k]), bits(a.z)) << "atom " << k;
        }
        for (std::size_t k = n + 1; k < n + 10; ++k) {
            EXPECT_EQ(t.AtomName[k], previous.AtomName[k]);
            EXPECT_EQ(t.AtomX[k], previous.AtomX[k]);
        }
        EXPECT_EQ(r.info.kind, s.kind);
        EXPECT_EQ(r.info.frame, s.frame);
        EXPECT_EQ(r.info.frameCount, s.frames);
        EXPECT_EQ(r.info.charge, s.charge);
        EXPECT_EQ(r.info.multiplicity, s.multiplicity);
        EXPECT_EQ(!r.info.note.empty(), s.noted) << r.info.note;
        EXPECT_EQ(r.info.convertedFromBohr, s.bohr);
        EXPECT_EQ(Summary(r.info).ends_with(", converted from bohr"), s.bohr) << Summary(r.info);
    }
}

TEST(ReadFormatsTest, GaussianRoutesInBohrInEverySpelling) {
    // The route runs from its "#" line to the blank line; Units may stand on
    // any of its lines, in any case and spelling.
    const std::pair<const char*, bool> routes[] = {
        {"# HF/STO-3G units=au", true},
        {"#p HF/STO-3G Units=Bohr", true},
        {"# HF/STO-3G units(au)", true},
        {"#P HF/STO-3G\n Opt\n Units=AU", true},
        {"#n UNITS=(AU,RAD) HF", true},
        {"# units = (deg, bohr)", true},
        {"#units=au", true},
        {"# HF,Units=AU", true},
        {"# HF/STO-3G Units=Ang", false},
        {"# HF/STO-3G units(deg)", false},
        {"# HF/STO-3G", false},
        {"# HF/STO-3G NoUnits=au", false},
        {"# HF/STO-3G Units", false},
        {"# HF/STO-3G ! Units=AU is only a comment", false},
    };
    TempDir dir;
    for (const auto& [route, bohr] : routes) {
        SCOPED_TRACE(route);
        const std::string path =
            dir.Write("a.gjf", std::string(route) + "\n\ntitle\n\n0 1\nH 0 0 1.5\n\n");
        const ReadResult r = ReadMolecule(path, AtomTable{});
        EXPECT_EQ(r.info.convertedFromBohr, bohr);
        EXPECT_EQ(Bits(r.table.AtomZ[1]), bohr ? BohrBits("1.5") : FileBits("1.5"));
    }
}

// Property: standard XYZ, whose atom lines go the plain reader's way, reads
// as the XYZ reader did line by line: the same table, or the same failure
// at the same line, over random files of every kind of line.
TEST(ReadFormatsTest, XyzReadsAsLineByLineOnRandomFiles) {
    std::mt19937 rng(29);
    const auto pick = [&](const auto& pieces) { return pieces[rng() % std::size(pieces)]; };
    const char* labels[] = {"C",  "Fe1", "6", "26", "119",   "Xx", "",  "C\t", "He-Bq",
                            "H:", "c4",  "#", "Cl", "C\x01", "Og", "0", "CL2", "Bq"};
    const char* numbers[] = {"0",          "1.5",   "-2.25",       "+3",
                             ".5",         "7.",    "1e-3",        "1E5",
                             "abc",        "",      "1,5",         "-0",
                             "1e400",      "1.5\t", "0.000000001", "123456789012345678901",
                             "-99.123456", "1.2.3"};
    const char* gaps[] = {" ", " ", " ", "  ", "\t", " \t", "   "};
    TempDir dir;
    AtomTable previous;
    ReadCoordinateFile(dir.Write("old", "Old1 1 2 3\nOld2 4 5 6\n"), previous);
    for (int round = 0; round < 600; ++round) {
        std::string text;
        const int frames = 1 + static_cast<int>(rng() % 3);
        for (int frame = 0; frame < frames; ++frame) {
            const int atoms = static_cast<int>(rng() % 5);
            const int told = rng() % 8 == 0 ? atoms + static_cast<int>(rng() % 3) - 1 : atoms;
            text += rng() % 20 == 0 ? std::string("3x") : std::to_string(told);
            text += "\ncomment " + std::to_string(round) + "\n";
            for (int k = 0; k < atoms; ++k) {
                if (rng() % 10 == 0) text += pick(gaps);
                text += pick(labels);
                const int fields = rng() % 10 == 0 ? static_cast<int>(rng() % 6) : 3;
                for (int i = 0; i < fields; ++i) {
                    text += pick(gaps);
                    text += rng() % 4 == 0 ? pick(numbers)
                                           : std::to_string(rng() % 2000) + "." +
                                                 std::to_string(rng() % 1000000);
                }
                if (rng() % 15 == 0) text += pick(gaps);
                text += rng() % 10 == 0 ? "\r\n" : "\n";
                if (rng() % 200 == 0) text += "\x1a";
            }
        }
        if (rng() % 5 == 0) text += "\n \n";
        SCOPED_TRACE(text);
        const std::string path = dir.Write("r.xyz", text);
        const auto reference =
            test::Outcome([&] { return ReadXyzLineByLine(path, previous).table; });
        EXPECT_EQ(
            test::Outcome([&] { return ReadMoleculeAs(FileKind::Xyz, path, previous).table; }),
            reference);
        EXPECT_EQ(test::Outcome([&] {
                      InputFile file(path);
                      return ReadXyzStreamed(file, previous).table;
                  }),
                  reference);
        // Into the arrays of a molecule in memory, which it refills where
        // they fit (where the file is detected as XYZ: a control byte makes
        // it none).
        if (DetectFileKind(path) != FileKind::Xyz) continue;
        EXPECT_EQ(test::Outcome([&] {
                      AtomTable into;
                      ReadCoordinateFile(dir.File("old"), into);
                      ReadMoleculeFile(path, into);
                      return into;
                  }),
                  reference);
    }
}

// Frames of many atoms, read in two runs on two threads: the failure is the
// earliest line's, wherever the runs meet.
TEST(ReadFormatsTest, LargeXyzFramesReadAsLineByLine) {
    constexpr int kAtoms = 150000;
    std::vector<std::string> lines;
    for (int k = 0; k < kAtoms; ++k) {
        lines.push_back((k % 3 == 0 ? "Fe" + std::to_string(k % 100) : std::string("O")) + " " +
                        std::to_string(k % 977) + ".5 -" + std::to_string(k % 13) + ".125 " +
                        std::to_string(k) + "e-3");
    }
    const auto file = [&](const std::vector<std::string>& atoms, int frames) {
        std::string text;
        for (int f = 0; f < frames; ++f) {
            text += std::to_string(kAtoms) + "\nframe\n";
            for (const std::string& line : atoms) text += line + "\n";
        }
        return text;
    };
    TempDir dir;
    const std::string good = dir.Write("good.xyz", file(lines, 1));
    std::vector<std::string> late = lines, both = lines, short_ = lines;
    late[140000] = "C 1 2 x";
    both[140000] = "C 1 2 x";
    both[20] = "Qq 1 2 3";
    short_.pop_back();
    for (const auto& [text, name] :
         {std::pair{file(lines, 1), "good"}, std::pair{file(lines, 2), "two frames"},
          std::pair{file(late, 1), "late"}, std::pair{file(both, 1), "both"},
          std::pair{file(late, 2), "late, two frames"}, std::pair{file(short_, 1), "short"}}) {
        SCOPED_TRACE(name);
        const std::string path = dir.Write("big.xyz", text);
        const auto reference =
            test::Outcome([&] { return ReadXyzLineByLine(path, AtomTable{}).table; });
        EXPECT_EQ(test::Outcome([&] { return ReadMolecule(path, AtomTable{}).table; }), reference);
        EXPECT_EQ(test::Outcome([&] {
                      InputFile file(path);
                      return ReadXyzStreamed(file, AtomTable{}).table;
                  }),
                  reference);
        EXPECT_EQ(test::Outcome([&] {
                      AtomTable into = ReadMolecule(good, AtomTable{}).table;
                      ReadMoleculeFile(path, into);
                      return into;
                  }),
                  test::Outcome([&] {
                      return ReadXyzLineByLine(path, ReadMolecule(good, AtomTable{}).table).table;
                  }));
    }
}

TEST(ReadFormatsTest, LineEndsAndTheEndOfFileMarkReadAlike) {
    TempDir dir;
    const std::string lf = "2\ncomment\nC 1 2 3\nO 4 5 6\n";
    const test::TableSnapshot expected =
        test::Snapshot(ReadMolecule(dir.Write("a.xyz", lf), AtomTable{}).table);
    for (const std::string& variant :
         {std::string("2\r\ncomment\r\nC 1 2 3\r\nO 4 5 6\r\n"),
          std::string("2\ncomment\nC 1 2 3\nO 4 5 6"), lf + "\x1a" + "garbage that is never read\n",
          std::string("2\ncomment\nC 1 2 3\nO 4 5 6\n\n  \n\t\n")}) {
        SCOPED_TRACE(variant);
        EXPECT_EQ(test::Snapshot(ReadMolecule(dir.Write("b.xyz", variant), AtomTable{}).table),
                  expected);
    }
}

// The native reader as the formats library runs it: a line whose empty
// label would shift its fields is refused.
const ReadOptions kShifted = [] {
    ReadOptions options;
    options.refuseShiftedLines = true;
    return options;
}();

TEST(ReadFormatsTest, IndentedLinesAreReadRightOrRefused) {
    // Each line begins with a blank, which makes an empty first field for
    // the headerless reader: its label would be '', x the label, z lost.
    struct Case {
        std::string bytes;
        FileKind kind;
        std::vector<test::Slot> atoms;  // from slot 1; empty: refused
        int line = 0;                   // where a refusal points
    };
    const Case cases[] = {
        {"          6           0.000000    0.000000    1.400000\n",
         FileKind::Indented,
         {{"C", 0, 0, 1.4}}},
        {" C1 0.1 0.2 0.3\n", FileKind::Indented, {{"C1", 0.1, 0.2, 0.3}}},
        {"  1 2 3 4\n  8\t0 0 -1\n \n", FileKind::Indented, {{"H", 2, 3, 4}, {"O", 0, 0, -1}}},
        {"   #1 -1 0 0\n   Bq 0 1e-3 +0\n",
         FileKind::Indented,
         {{"#1", -1, 0, 0}, {"Bq", 0, 1e-3, 0}}},
        // Not every line indented, or a number that is no atomic number
        // where the label stands: the headerless rules, with the refusal.
        {"C1 0 0 0\n          6  0.0 0.0 1.4\n", FileKind::Headerless, {}, 2},
        {"   6 0 0 1.4\nC 0 0 0\n", FileKind::Headerless, {}, 1},
        {"  1.5 2 3 4\n", FileKind::Headerless, {}, 1},
        {"  200 0 0 1.4\n", FileKind::Headerless, {}, 1},
        {"\t6 0 0 1.4\n", FileKind::Headerless, {{"6", 0, 0, 1.4}}},
        {"  1 2 3\n", FileKind::Headerless, {{"", 1, 2, 3}}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const std::string path = dir.Write("a.txt", c.bytes);
        EXPECT_EQ(DetectFileKind(path), c.kind);
        if (c.atoms.empty()) {
            const Error e = test::ErrorOf([&] { ReadMolecule(path, AtomTable{}); });
            EXPECT_EQ(e.Kind(), ErrorKind::Format);
            EXPECT_EQ(e.Message().rfind("Line " + std::to_string(c.line) +
                                            " of a.txt: the line begins with a blank and holds "
                                            "more than four fields",
                                        0),
                      0u)
                << e.Message();
            EXPECT_EQ(e.Detail().rfind(path + ", line " + std::to_string(c.line) + ": ", 0), 0u);
            continue;
        }
        std::vector<test::Slot> slots{{"None"}};
        slots.insert(slots.end(), c.atoms.begin(), c.atoms.end());
        const auto count = static_cast<std::int32_t>(c.atoms.size());
        EXPECT_EQ(test::Snapshot(ReadMolecule(path, AtomTable{}).table),
                  test::Snapshot(count, slots, c.atoms.size() + 10));
    }
}

TEST(ReadFormatsTest, HeaderlessFilesReadExactlyAsTheNativeReader) {
    // Successes and failures alike: same table, same message, same kind.
    const std::string cases[] = {
        "C1 0.1 0.2 0.3\nO1 1.5 -2 0.3\nH1 0 0 0\n",
        "Cl12 1.123456789 2 3.987654321",
        "C1 1 2 3 extra more\r\n",
        "",
        "\x1a",
        "N1 1 2 3\nN2 1 2 3\nN3 x1 2 3\n",
        "N1 1 2 3\n\n",
        "C1\t0.5 1 2\n",
        "C1 1E500 1 2\n",
        std::string("C1 1\0 2 3\n", 10),
        "Co 3.412 -1.205 0.876\nN1 3.99 0.16 2.17\n3\n",
        "5 0 0 0\ncomment\n",
        "X 0.0 1 0.0 1 0.0\n",
        "#1 0 0 0\n",
        "C1 1 2 3 Entering Gaussian System\n Input orientation:\n",
        "* 1 2 3\n* xyz 0 1\n",
        "  1 2 3\n",
        "C1 0.5 1 0.5 2 0.5 1\n",
    };
    TempDir dir;
    AtomTable previous;
    ReadCoordinateFile(dir.Write("old", "Old1 1 2 3\nOld2 4 5 6\n"), previous);
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes);
        const std::string path = dir.Write("plain.xyz", bytes);
        EXPECT_EQ(DetectFileKind(path), FileKind::Headerless);
        EXPECT_EQ(test::Outcome([&] { return ReadMolecule(path, previous).table; }),
                  test::Outcome([&] { return ReadCoordinateTable(path, previous, kShifted); }));
        try {
            EXPECT_EQ(ReadMolecule(path, previous).info.kind, FileKind::Headerless);
        } catch (const Error& e) {
            EXPECT_NE(e.Detail().find(path), std::string::npos) << e.Detail();
        }
    }
}

TEST(ReadFormatsTest, HeaderlessFailureDetailNamesTheLine) {
    TempDir dir;
    const std::string path = dir.Write("bad.xyz", "N1 1 2 3\nN2 1 2 3\nN3 x1 2 3\n");
    const Error e = test::ExpectError([&] { ReadMolecule(path, AtomTable{}); },
                                      ErrorKind::Conversion, "'x1' は浮動小数点数ではありません");
    EXPECT_EQ(e.Detail().rfind(path + ", line 3: ", 0), 0u) << e.Detail();
}

TEST(ReadFormatsTest, BinaryGarbageSaysSo) {
    TempDir dir;
    const std::string path =
        dir.Write("a.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x01\0", 20));
    const Error e = test::ErrorOf([&] { ReadMolecule(path, AtomTable{}); });
    EXPECT_EQ(e.Kind(), ErrorKind::Conversion);
    EXPECT_EQ(e.Detail().rfind(path + ", line 1: the file holds bytes that no text", 0), 0u)
        << e.Detail();
    // Random bytes named .log, whose chance lines look like an ORCA input's
    // keyword line and block: no format is claimed.
    std::mt19937 rng(5);
    for (int round = 0; round < 20; ++round) {
        std::string bytes = "! HF\n* xyz 0 1\n";
        for (int i = 0; i < 200; ++i) bytes += static_cast<char>(rng() % 256);
        const std::string log = dir.Write("random.log", bytes);
        EXPECT_EQ(DetectFileKind(log), FileKind::Headerless);
        const Error r = test::ErrorOf([&] { ReadMolecule(log, AtomTable{}); });
        EXPECT_NE(r.Detail().find("the file holds bytes that no text file has"), std::string::npos)
            << r.Detail();
    }
}

TEST(ReadFormatsTest, WithACommaSeparatorEveryFormatTakesTheFullStop) {
    SetDecimalSeparator(',');
    TempDir dir;
    const ReadResult xyz = ReadMolecule(dir.Write("a.xyz", "2\nc\nC 1,5 0.25 0\nO 0 0 -1.5\n"), {});
    const ReadResult mop = ReadMolecule(dir.Write("a.mop", "C 1,5 1 0.25 1 0 1\n"), {});
    SetDecimalSeparator('.');
    EXPECT_EQ(xyz.table.AtomX[1], 1.5);
    EXPECT_EQ(xyz.table.AtomY[1], 0.25);
    EXPECT_EQ(xyz.table.AtomZ[2], -1.5);
    EXPECT_EQ(mop.table.AtomX[1], 1.5);
    EXPECT_EQ(mop.table.AtomY[1], 0.25);
}

TEST(ReadFormatsTest, ShippedExamplesOpen) {
    struct Example {
        const char* file;
        FileKind kind;
        std::int32_t atoms;
        int frames;
        std::optional<int> charge;
    };
    const Example examples[] = {
        {"hexaamminecobalt.xyz", FileKind::Headerless, 25, 1, std::nullopt},
        {"ferrocene.xyz", FileKind::Headerless, 21, 1, std::nullopt},
        {"chromium-hexacarbonyl.xyz", FileKind::Headerless, 13, 1, std::nullopt},
        {"ferrocene-ring-scan.xyz", FileKind::Xyz, 21, 4, std::nullopt},
        {"hexaamminecobalt.gjf", FileKind::GaussianInput, 25, 1, 3},
        {"chromium-hexacarbonyl.inp", FileKind::OrcaInput, 13, 1, 0},
        {"chromium-hexacarbonyl.mop", FileKind::Mopac, 13, 1, 0},
        {"ferrocene-opt.log", FileKind::GaussianOutput, 21, 2, 0},
        {"hexaamminecobalt-orca.out", FileKind::OrcaOutput, 25, 2, 3},
    };
    for (const Example& e : examples) {
        SCOPED_TRACE(e.file);
        const std::string path = std::string(PIVORA_EXAMPLES) + "/" + e.file;
        const ReadResult r = ReadMolecule(path, AtomTable{});
        EXPECT_EQ(r.info.kind, e.kind);
        EXPECT_EQ(r.table.AtomCount, e.atoms);
        EXPECT_EQ(r.info.frameCount, e.frames);
        EXPECT_EQ(r.info.charge, e.charge);
        EXPECT_TRUE(r.info.note.empty());
    }
}

TEST(ReadFormatsTest, SummaryNamesKindFrameAndCharge) {
    MoleculeInfo info;
    EXPECT_EQ(Summary(info), "plain coordinates (label x y z)");
    info.kind = FileKind::Xyz;
    info.frame = 12;
    info.frameCount = 12;
    EXPECT_EQ(Summary(info), "standard XYZ, frame 12 of 12");
    info = MoleculeInfo{FileKind::OrcaInput, 1, 1, -1, 2, ""};
    EXPECT_EQ(Summary(info), "ORCA input, charge -1, multiplicity 2");
}

}  // namespace
}  // namespace pivora::io
