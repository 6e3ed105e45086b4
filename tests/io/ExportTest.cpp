// The exported texts, their refusals, and the round trip: export, open, and
// get the element symbols and the coordinates rounded to 9 decimals.

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <random>
#include <string>

#include "files/FileIo.h"
#include "io/Elements.h"
#include "io/FileKind.h"
#include "io/MoleculeReader.h"
#include "io/MoleculeWriter.h"
#include "numeric/DecimalText.h"
#include "support/ErrorCheck.h"
#include "support/RandomValues.h"
#include "support/TableCheck.h"
#include "support/TempDir.h"

namespace pivora::io {
namespace {

using test::TempDir;

AtomTable Table(const std::vector<std::tuple<std::string, double, double, double>>& atoms) {
    AtomTable t;
    t.Resize(atoms.size() + 10);
    t.AtomCount = static_cast<std::int32_t>(atoms.size());
    t.AtomName[0] = "None";
    for (std::size_t k = 0; k < atoms.size(); ++k) {
        const auto& [name, x, y, z] = atoms[k];
        t.AtomName[k + 1] = name;
        t.AtomX[k + 1] = x;
        t.AtomY[k + 1] = y;
        t.AtomZ[k + 1] = z;
    }
    return t;
}

const AtomTable kWater = Table({{"O1", 0.0, 0.0, 0.11779},
                                {"H2", 0.0, 0.755453, -0.471161},
                                {"h3", -0.0, -0.755453, -0.471161}});

TEST(ExportTest, Texts) {
    ExportSettings settings{"water.log", 0, 1};
    EXPECT_EQ(ExportText(ExportFormat::Xyz, kWater, settings),
              "3\n"
              "water.log oriented by Pivora, coordinates in angstrom\n"
              "O       0.000000000     0.000000000     0.117790000\n"
              "H       0.000000000     0.755453000    -0.471161000\n"
              "H      -0.000000000    -0.755453000    -0.471161000\n");
    settings = {"water-opt_1.log", -1, 2};
    EXPECT_EQ(ExportText(ExportFormat::GaussianInput, kWater, settings),
              "# NoSymm\n"
              "\n"
              "water opt 1.log oriented by Pivora, NoSymm keeps this frame\n"
              "\n"
              "-1 2\n"
              "O       0.000000000     0.000000000     0.117790000\n"
              "H       0.000000000     0.755453000    -0.471161000\n"
              "H      -0.000000000    -0.755453000    -0.471161000\n"
              "\n");
    settings = {"", 0, 3};
    EXPECT_EQ(ExportText(ExportFormat::OrcaInput, kWater, settings),
              "# Molecule oriented by Pivora.\n"
              "# Keep this frame: do not add UseSym, with which ORCA turns the molecule.\n"
              "# Replace HF def2-SVP by the method and basis set of the calculation.\n"
              "! HF def2-SVP\n"
              "* xyz 0 3\n"
              "O       0.000000000     0.000000000     0.117790000\n"
              "H       0.000000000     0.755453000    -0.471161000\n"
              "H      -0.000000000    -0.755453000    -0.471161000\n"
              "*\n");
}

TEST(ExportTest, SourceNamesCannotBreakTheFormat) {
    const AtomTable one = Table({{"C", 1, 2, 3}});
    const ExportSettings hostile{"a\nb#c!d\r\x01.xyz", 0, 1};
    const std::string xyz = ExportText(ExportFormat::Xyz, one, hostile);
    EXPECT_EQ(xyz.substr(0, xyz.find('\n', 2) + 1),
              "1\na b#c!d  .xyz oriented by Pivora, coordinates in angstrom\n");
    const std::string orca = ExportText(ExportFormat::OrcaInput, one, hostile);
    EXPECT_EQ(orca.substr(0, orca.find('\n') + 1), "# a b c!d  .xyz oriented by Pivora.\n");
    const std::string gaussian = ExportText(ExportFormat::GaussianInput, one, hostile);
    EXPECT_NE(gaussian.find("\na b c d  .xyz oriented by Pivora"), std::string::npos) << gaussian;
    const ExportSettings longName{std::string(300, 'w'), 0, 1};
    const std::string title = ExportText(ExportFormat::GaussianInput, one, longName);
    EXPECT_NE(title.find("\n" + std::string(40, 'w') + " oriented"), std::string::npos);
}

TEST(ExportTest, RefusalsListTheLabelsAndWriteNothing) {
    TempDir dir;
    const std::string target = dir.Write("keep.xyz", "precious\n");
    struct Case {
        AtomTable table;
        ExportSettings settings;
        const char* says;
    };
    const Case cases[] = {
        {Table({{"Fe1", 0, 0, 0}, {"X1", 1, 0, 0}, {"Bq", 0, 1, 0}, {"C2", 0, 0, 1}}),
         {},
         "Nothing was exported: these labels name no element: 'X1' (atom 2), 'Bq' (atom 3)."},
        {Table({{"Du", 0, 0, 0}}), {}, "this label names no element: 'Du' (atom 1)."},
        {Table({}), {}, "There are no atoms to export."},
        {AtomTable{}, {}, "There are no atoms to export."},
        {Table({{"C", 0, 0, 0}}), {"", 0, 0}, "The multiplicity 0 is not possible"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        for (ExportFormat format :
             {ExportFormat::Xyz, ExportFormat::GaussianInput, ExportFormat::OrcaInput}) {
            const Error e = test::ErrorOf([&] { ExportFile(target, format, c.table, c.settings); });
            EXPECT_EQ(e.Kind(), ErrorKind::Format);
            EXPECT_NE(e.Message().find(c.says), std::string::npos) << e.Message();
            EXPECT_THROW(ExportText(format, c.table, c.settings), Error);
            EXPECT_EQ(test::ReadAll(target), "precious\n");
        }
    }
    std::vector<std::tuple<std::string, double, double, double>> many;
    for (int i = 0; i < 12; ++i)
        many.emplace_back(std::string(1, 'Q').append(std::to_string(i)), 0, 0, 0);
    const std::string message =
        test::ErrorOf([&] { ExportText(ExportFormat::Xyz, Table(many), {}); }).Message();
    EXPECT_NE(message.find("'Q9' (atom 10) and 2 more."), std::string::npos) << message;
}

TEST(ExportTest, GhostAtomsStayGhostsOrAreRefused) {
    // Written as plain symbols, ghost atoms would become real atoms with
    // their electrons: Gaussian and ORCA mark them, standard XYZ cannot.
    const AtomTable table = Table({{"O1", 0.0, 0.0, 0.11779},
                                   {"He-Bq", 0.0, 0.0, 3.0},
                                   {"ne-bq", 0.0, 0.0, -3.0},
                                   {"Ar:", 1.5, 0.0, 0.0},
                                   {"Fe1:", 0.0, 1.5, 0.0}});
    // Each coordinate in its field of 16, after the marked symbol.
    const std::string zero = "     0.000000000", three = "     3.000000000";
    const std::string lines[] = {"O  " + zero + zero + "     0.117790000\n",
                                 zero + zero + three + "\n", zero + zero + "    -3.000000000\n",
                                 "     1.500000000" + zero + zero + "\n",
                                 zero + "     1.500000000" + zero + "\n"};
    const std::string gaussian = ExportText(ExportFormat::GaussianInput, table, {});
    EXPECT_NE(gaussian.find(lines[0] + "He-Bq" + lines[1] + "Ne-Bq" + lines[2] + "Ar-Bq" +
                            lines[3] + "Fe-Bq" + lines[4]),
              std::string::npos)
        << gaussian;
    const std::string orca = ExportText(ExportFormat::OrcaInput, table, {});
    EXPECT_NE(orca.find(lines[0] + "He :" + lines[1] + "Ne :" + lines[2] + "Ar :" + lines[3] +
                        "Fe :" + lines[4]),
              std::string::npos)
        << orca;
    TempDir dir;
    const std::string target = dir.Write("keep.xyz", "precious\n");
    test::ExpectError([&] { ExportFile(target, ExportFormat::Xyz, table, {}); }, ErrorKind::Format,
                      "Nothing was exported: standard XYZ cannot mark ghost atoms, and these "
                      "labels name ghosts: 'He-Bq' (atom 2), 'ne-bq' (atom 3), 'Ar:' (atom 4), "
                      "'Fe1:' (atom 5).");
    EXPECT_EQ(test::ReadAll(target), "precious\n");
    // Read back, each input keeps its ghosts as ghosts of the same elements.
    for (const auto& [format, labels] :
         {std::pair<ExportFormat, std::vector<std::string>>{
              ExportFormat::GaussianInput, {"O", "He-Bq", "Ne-Bq", "Ar-Bq", "Fe-Bq"}},
          {ExportFormat::OrcaInput, {"O", "He:", "Ne:", "Ar:", "Fe:"}}}) {
        const std::string path = dir.File("ghosts." + std::string(ExportExtension(format)));
        ExportFile(path, format, table, {});
        const ReadResult r = ReadMolecule(path, AtomTable{});
        ASSERT_EQ(r.table.AtomCount, 5);
        for (std::size_t k = 1; k <= 5; ++k) {
            EXPECT_EQ(r.table.AtomName[k], labels[k - 1]);
            EXPECT_EQ(GhostElement(r.table.AtomName[k]), GhostElement(table.AtomName[k]));
            EXPECT_EQ(r.table.AtomZ[k], table.AtomZ[k]);
        }
    }
}

TEST(ExportTest, FailedWriteKeepsTheOldFile) {
    TempDir dir;
    const std::string target = dir.Write("keep.gjf", "precious\n");
    WriteOptions fullDisk;
    fullDisk.write = [](int, const char*, std::size_t) {
        errno = ENOSPC;
        return -1L;
    };
    EXPECT_THROW(ExportFile(target, ExportFormat::GaussianInput, kWater, {}, fullDisk), Error);
    EXPECT_EQ(test::ReadAll(target), "precious\n");
    EXPECT_THROW(ExportFile(dir.File("nodir/a.xyz"), ExportFormat::Xyz, kWater, {}), Error);
}

TEST(ExportTest, RoundTripGivesSymbolsAndNineDecimals) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> coordinate(-150.0, 150.0);
    const char* labels[] = {"Fe1", "CL2", "C12", "26", "co", "HG2", "n", "Og", "H"};
    const char* symbols[] = {"Fe", "Cl", "C", "Fe", "Co", "Hg", "N", "Og", "H"};
    std::vector<std::tuple<std::string, double, double, double>> atoms;
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        atoms.emplace_back(labels[i % 9], coordinate(rng), coordinate(rng) * 1e-6,
                           i % 7 == 0 ? -0.0 : coordinate(rng));
        expected.push_back(symbols[i % 9]);
    }
    atoms.emplace_back("Og", 99.9999999996, -12.345678901234, 1.5e-9);
    expected.push_back("Og");
    const AtomTable table = Table(atoms);
    TempDir dir;
    const std::pair<ExportFormat, FileKind> formats[] = {
        {ExportFormat::Xyz, FileKind::Xyz},
        {ExportFormat::GaussianInput, FileKind::GaussianInput},
        {ExportFormat::OrcaInput, FileKind::OrcaInput}};
    for (const auto& [format, kind] : formats) {
        SCOPED_TRACE(std::string(ExportFormatName(format)));
        const std::string path = dir.File("round." + std::string(ExportExtension(format)));
        ExportFile(path, format, table, {"round", 2, 3});
        EXPECT_EQ(test::ReadAll(path), ExportText(format, table, {"round", 2, 3}));
        const ReadResult r = ReadMolecule(path, AtomTable{});
        EXPECT_EQ(r.info.kind, kind);
        ASSERT_EQ(r.table.AtomCount, table.AtomCount);
        for (std::size_t k = 1; k <= table.LastAtom(); ++k) {
            EXPECT_EQ(r.table.AtomName[k], expected[k - 1]);
            EXPECT_EQ(test::Bits(r.table.AtomX[k]),
                      test::FileBits(FormatFixed(table.AtomX[k], 12, 9)));
            EXPECT_EQ(test::Bits(r.table.AtomY[k]),
                      test::FileBits(FormatFixed(table.AtomY[k], 12, 9)));
            EXPECT_EQ(test::Bits(r.table.AtomZ[k]),
                      test::FileBits(FormatFixed(table.AtomZ[k], 12, 9)));
        }
        if (kind != FileKind::Xyz) {
            EXPECT_EQ(r.info.charge, 2);
            EXPECT_EQ(r.info.multiplicity, 3);
        }
    }
}

TEST(ExportTest, FormatNames) {
    const std::pair<const char*, std::optional<ExportFormat>> cases[] = {
        {"xyz", ExportFormat::Xyz},
        {"/a/b/c.XYZ", ExportFormat::Xyz},
        {"mol.gjf", ExportFormat::GaussianInput},
        {"com", ExportFormat::GaussianInput},
        {"Gaussian", ExportFormat::GaussianInput},
        {"x.inp", ExportFormat::OrcaInput},
        {"orca", ExportFormat::OrcaInput},
        {"mol.out", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [name, format] : cases) EXPECT_EQ(ExportFormatFor(name), format) << name;
    for (ExportFormat f : {ExportFormat::Xyz, ExportFormat::GaussianInput, ExportFormat::OrcaInput})
        EXPECT_EQ(ExportFormatFor(ExportExtension(f)), f);
}

// Each atom line is the symbol in three columns and the three coordinates
// as FormatFixed gives them in fields of 16, with a blank before a field
// that would fill them: values of every size and sign,
// ties at the 9th decimal, and those beyond the quick route.
TEST(ExportTest, AtomLinesAreTheFixedFormInFieldsOfSixteen) {
    std::mt19937_64 rng(47);
    const auto value = [&rng] { return test::RandomFixedValue(rng); };
    std::vector<std::tuple<std::string, double, double, double>> atoms;
    std::vector<std::string> expected;
    for (int i = 0; i < 2000; ++i) {
        const double x = value(), y = value(), z = (i % 2 == 0 ? -1 : 1) * value();
        atoms.emplace_back(i % 3 == 0 ? "Fe" : "C", x, y, z);
        std::string line = i % 3 == 0 ? "Fe " : "C  ";
        for (const double v : {x, y, z}) {
            // A field that fills its 16 columns keeps a blank before it.
            const std::string field = FormatFixed(v, 16, 9);
            if (field[0] != ' ') line += ' ';
            line += field;
        }
        expected.push_back(line);
    }
    const std::string text = ExportText(ExportFormat::Xyz, Table(atoms), {});
    // After the count line and the comment line, one line an atom.
    std::size_t at = text.find('\n', text.find('\n') + 1) + 1;
    for (const std::string& line : expected) {
        const std::size_t end = text.find('\n', at);
        ASSERT_EQ(text.substr(at, end - at), line);
        at = end + 1;
    }
    EXPECT_EQ(at, text.size());
}

}  // namespace
}  // namespace pivora::io
