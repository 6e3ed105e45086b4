// The save's lines, laid out field by field in the writer's buffer, held to
// the format spelled out with the decimal oracle's fixed form, which shares
// no code with the writer: random values of every size and sign, ties at
// the 9th decimal, labels of every length.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "coordinates/CoordinateWriter.h"
#include "support/DecimalOracle.h"
#include "support/RandomValues.h"
#include "support/TempDir.h"

namespace pivora {
namespace {

// One line as the format states it, its numbers by the decimal oracle.
std::string Spelled(const std::string& label, double x, double y, double z) {
    std::string line = label;
    line.append(label.size() < 15 ? 15 - label.size() : 1, ' ');
    line += test::OracleFixed(x, 12, 9) + "   " + test::OracleFixed(y, 12, 9) + "   " +
            test::OracleFixed(z, 12, 9);
    return line + "\r\n";
}

TEST(FastWriteTest, SavedFilesAreTheSpelledOutLines) {
    std::mt19937_64 rng(31);
    test::TempDir dir;
    for (int file = 0; file < 20; ++file) {
        AtomTable table;
        // Two tables large enough to be laid out in two halves at once.
        const int atoms = file == 3 || file == 7 ? 70000 + static_cast<int>(rng() % 70000)
                                                 : 1 + static_cast<int>(rng() % 3000);
        table.Resize(static_cast<std::size_t>(atoms) + 10);
        table.AtomCount = atoms;
        std::string expected;
        for (int k = 1; k <= atoms; ++k) {
            const std::size_t length = rng() % 20 == 0 ? rng() % 40 : rng() % 6;
            std::string label(length, static_cast<char>('A' + k % 26));
            const double x = test::RandomFixedValue(rng), y = test::RandomFixedValue(rng),
                         z = test::RandomFixedValue(rng);
            table.AtomName[k] = label;
            table.AtomX[k] = x;
            table.AtomY[k] = y;
            table.AtomZ[k] = z;
            expected += Spelled(label, x, y, z);
        }
        // Now and then a label that fills several buffers, in either half.
        if (file == 7) {
            table.AtomName[1] = std::string(3u << 20, 'L');
            expected.replace(
                0, expected.find("\r\n") + 2,
                Spelled(table.AtomName[1], table.AtomX[1], table.AtomY[1], table.AtomZ[1]));
            table.AtomName[atoms] = std::string(5u << 20, 'M');
            expected.replace(expected.rfind("\r\n", expected.size() - 3) + 2, std::string::npos,
                             Spelled(table.AtomName[atoms], table.AtomX[atoms], table.AtomY[atoms],
                                     table.AtomZ[atoms]));
        }
        const std::string path = dir.File("out.out");
        WriteCoordinateFile(path, table);
        ASSERT_EQ(test::ReadAll(path), expected) << "file " << file;
        std::string appended;
        for (int k = 1; k <= atoms; ++k) {
            AppendCoordinateLine(appended, table.AtomName[k], table.AtomX[k], table.AtomY[k],
                                 table.AtomZ[k]);
        }
        ASSERT_EQ(appended, expected) << "file " << file;
    }
}

}  // namespace
}  // namespace pivora
