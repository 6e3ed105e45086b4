// The save's lines, laid out field by field in the writer's buffer, held to
// the format spelled out with FormatFixed: random values of every size and
// sign, ties at the 9th decimal, labels of every length.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "coordinates/CoordinateWriter.h"
#include "numeric/DecimalText.h"
#include "support/TempDir.h"

namespace pivora {
namespace {

// One line as the format states it.
std::string Spelled(const std::string& label, double x, double y, double z) {
    std::string line = label;
    line.append(label.size() < 15 ? 15 - label.size() : 1, ' ');
    line += FormatFixed(x, 12, 9) + "   " + FormatFixed(y, 12, 9) + "   " + FormatFixed(z, 12, 9);
    return line + "\r\n";
}

double RandomValue(std::mt19937_64& rng) {
    switch (rng() % 6) {
        case 0:  // a tie at the 9th decimal, the extended route's
            return std::ldexp(2 * static_cast<double>(rng() % 100000) + 1, -10);
        case 1:  // beyond the integer route
            return std::ldexp(1.0 + static_cast<double>(rng() % 1000) / 1000, 26 + rng() % 100);
        case 2:
            return -0.0;
        case 3:  // tiny
            return std::ldexp(static_cast<double>(rng() % 1000),
                              -40 - static_cast<int>(rng() % 20));
        default:
            return std::uniform_real_distribution<double>(-1000, 1000)(rng);
    }
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
            const double x = RandomValue(rng), y = RandomValue(rng), z = RandomValue(rng);
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
