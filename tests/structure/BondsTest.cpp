// Bonds from covalent radii: molecules whose bonds every chemist knows, the
// atoms that never bond, and the cell grid against all pairs.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "coordinates/CoordinateReader.h"
#include "io/Elements.h"
#include "structure/Bonds.h"
#include "structure/CovalentRadii.h"

namespace pivora {
namespace {

struct Atom {
    std::string label;
    double x, y, z;
};

AtomTable Table(const std::vector<Atom>& atoms) {
    AtomTable table;
    table.AtomCount = static_cast<std::int32_t>(atoms.size());
    table.Resize(atoms.size() + 10);
    table.AtomName[0] = "None";
    for (std::size_t i = 0; i < atoms.size(); ++i) {
        table.AtomName[i + 1] = atoms[i].label;
        table.AtomX[i + 1] = atoms[i].x;
        table.AtomY[i + 1] = atoms[i].y;
        table.AtomZ[i + 1] = atoms[i].z;
    }
    return table;
}

std::vector<std::uint8_t> Elements(const AtomTable& table) {
    std::vector<std::uint8_t> elements(table.Capacity());
    for (std::size_t i = 1; i <= table.LastAtom(); ++i)
        elements[i] = static_cast<std::uint8_t>(io::ElementOfLabel(table.AtomName[i]));
    return BondingElements(table, elements);
}

// Bonds counted by the elements they join, lighter first: {"C-H", 10}.
std::map<std::string, int> Kinds(const AtomTable& table) {
    const std::vector<std::uint8_t> elements = Elements(table);
    std::map<std::string, int> kinds;
    for (const Bond& bond : FindBonds(table, elements)) {
        int a = elements[static_cast<std::size_t>(bond.First)];
        int b = elements[static_cast<std::size_t>(bond.Second)];
        if (a > b) std::swap(a, b);
        ++kinds[std::string(io::ElementSymbol(a)) + "-" + std::string(io::ElementSymbol(b))];
    }
    return kinds;
}

std::vector<Atom> Benzene() {
    std::vector<Atom> atoms;
    for (int k = 0; k < 6; ++k) {
        const double angle = k * std::numbers::pi / 3;
        atoms.push_back({"C", 1.397 * std::cos(angle), 1.397 * std::sin(angle), 0});
        atoms.push_back({"H", 2.481 * std::cos(angle), 2.481 * std::sin(angle), 0});
    }
    return atoms;
}

// All-trans CnH2n+2 in the xy plane: C-C 1.54, C-H 1.09, tetrahedral angles.
std::vector<Atom> Alkane(int carbons) {
    const double half = std::acos(-1.0 / 3) / 2;  // half the tetrahedral angle
    const double along = 1.54 * std::sin(half);
    const double across = 1.54 * std::cos(half);
    const auto carbon = [&](int k) {
        return std::array<double, 3>{k * along, (k % 2 != 0) ? across : 0.0, 0};
    };
    std::vector<Atom> atoms;
    for (int k = 0; k < carbons; ++k) {
        const auto c = carbon(k);
        atoms.push_back({"C" + std::to_string(k + 1), c[0], c[1], c[2]});
        // Away from both neighbours, above and below the plane.
        const double side = (k % 2 != 0) ? 1 : -1;
        for (const double up : {1.0, -1.0}) {
            atoms.push_back({"H", c[0], c[1] + side * 1.09 * std::cos(std::acos(-1.0 / 3) / 2),
                             up * 1.09 * std::sin(std::acos(-1.0 / 3) / 2)});
        }
        // The chain's ends: a third hydrogen where the next carbon would be.
        for (const int beyond : {-1, carbons}) {
            if (k != beyond - 1 && k != beyond + 1) continue;
            const auto n = carbon(beyond);
            const double f = 1.09 / 1.54;
            atoms.push_back({"H", c[0] + f * (n[0] - c[0]), c[1] + f * (n[1] - c[1]), 0});
        }
    }
    return atoms;
}

TEST(Bonds, MoleculesWithKnownBonding) {
    const AtomTable ferrocene = ReadCoordinateTable(PIVORA_EXAMPLES "/ferrocene.xyz", AtomTable());
    ASSERT_EQ(ferrocene.AtomCount, 21);
    // Iron to the ring carbons is 2.06 angstrom, within 1.32 + 0.76 + 0.45.
    EXPECT_EQ(Kinds(ferrocene),
              (std::map<std::string, int>{{"C-C", 10}, {"H-C", 10}, {"C-Fe", 10}}));
    EXPECT_EQ(Kinds(Table(Benzene())), (std::map<std::string, int>{{"C-C", 6}, {"H-C", 6}}));
    EXPECT_EQ(Kinds(Table(Alkane(30))), (std::map<std::string, int>{{"C-C", 29}, {"H-C", 62}}));

    // Each ring's carbons bond in a cycle, each hydrogen to its carbon.
    const std::vector<Bond> bonds = FindBonds(ferrocene, Elements(ferrocene));
    EXPECT_EQ(bonds.size(), 30u);
    EXPECT_EQ(bonds[0], (Bond{1, 2}));
    EXPECT_EQ(bonds[10], (Bond{2, 3}));
    EXPECT_EQ(bonds.back(), (Bond{11, 21}));
}

TEST(Bonds, GhostsDummiesAndDuplicatesHaveNone) {
    // Each row: two atoms 1.0 angstrom apart (0.1 for the duplicate).
    const struct {
        const char* first;
        const char* second;
        double distance;
        bool bonded;
    } rows[] = {
        {"C", "H", 1.0, true},    {"He-Bq", "H", 1.0, false}, {"C-bq2", "H", 1.0, false},
        {"H:", "C", 1.0, false},  {"Bq", "C", 1.0, false},    {"X", "C", 1.0, false},
        {"Du1", "C", 1.0, false}, {"C", "C", 0.1, false},     {"Cm", "C", 2.8, true},
        {"Bk", "C", 1.0, false},  {"C-Bqx", "H", 1.0, true},  {"O1", "H", 1.0, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.first) + " " + row.second);
        const AtomTable table = Table({{row.first, 0, 0, 0}, {row.second, row.distance, 0, 0}});
        EXPECT_EQ(FindBonds(table, Elements(table)).size(), row.bonded ? 1u : 0u);
    }
    // Curium is the last element with a radius, the table's last entry.
    EXPECT_EQ(CovalentRadius(kLastElementWithRadius), 1.69);
    EXPECT_EQ(CovalentRadius(26), 1.32);
    EXPECT_EQ(CovalentRadius(kLastElementWithRadius + 1), 0);
}

// All pairs, the rule as written.
std::vector<Bond> EveryPair(const AtomTable& t, const std::vector<std::uint8_t>& elements) {
    std::vector<Bond> bonds;
    const auto finite = [&](std::size_t i) {
        return std::isfinite(t.AtomX[i]) && std::isfinite(t.AtomY[i]) && std::isfinite(t.AtomZ[i]);
    };
    for (std::size_t i = 1; i <= t.LastAtom(); ++i) {
        for (std::size_t j = i + 1; j <= t.LastAtom(); ++j) {
            const double ri = CovalentRadius(elements[i]);
            const double rj = CovalentRadius(elements[j]);
            if (ri == 0 || rj == 0 || !finite(i) || !finite(j)) continue;
            const double dx = t.AtomX[j] - t.AtomX[i];
            const double dy = t.AtomY[j] - t.AtomY[i];
            const double dz = t.AtomZ[j] - t.AtomZ[i];
            const double d2 = dx * dx + dy * dy + dz * dz;
            const double limit = ri + rj + kBondTolerance;
            if (d2 < limit * limit && d2 > kShortestBond * kShortestBond)
                bonds.push_back({static_cast<std::int32_t>(i), static_cast<std::int32_t>(j)});
        }
    }
    return bonds;
}

TEST(Bonds, TheCellGridFindsWhatAllPairsFind) {
    std::mt19937_64 random(11);
    const std::uint8_t kinds[] = {0, 1, 1, 6, 6, 7, 8, 26, 55, 96, 97, 118};
    const double inf = std::numeric_limits<double>::infinity();
    std::uniform_int_distribution<std::size_t> kind(0, std::size(kinds) - 1);
    std::uniform_real_distribution<double> unit(-1, 1);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        const int n = 20 + static_cast<int>(random() % 300);
        // From gas to denser than any solid; far from the origin; and
        // spread over more cells than an axis holds.
        const double box = std::cbrt(n) * (round % 3 == 0 ? 0.8 : round % 3 == 1 ? 1.6 : 4.0);
        const double offset = round % 4 == 0 ? 1e9 : round % 4 == 1 ? -3.5 : 0;
        const double spread = round % 5 == 0 ? 1e7 : 0;
        std::vector<Atom> atoms;
        std::vector<std::uint8_t> elements(1);
        while (static_cast<int>(atoms.size()) < n) {
            // A third of the atoms come with a partner just inside or
            // outside their limit, often of the same element and along an
            // axis; a third of those are two caesium atoms (the largest
            // radius) along an axis at their limit: the pairs that cross the
            // most cells.
            const unsigned pair = random() % 9;
            const std::uint8_t z = pair == 0 ? 55 : kinds[kind(random)];
            Atom a{"", offset + box * unit(random) + spread * (random() % 3),
                   offset + box * unit(random), offset + box * unit(random)};
            if (random() % 50 == 0) a.y = random() % 2 ? inf : std::nan("");
            atoms.push_back(a);
            elements.push_back(z);
            if (pair >= 3) continue;
            const std::uint8_t w = pair == 0 || random() % 2 ? z : kinds[kind(random)];
            const double limit = CovalentRadius(z) + CovalentRadius(w) + kBondTolerance;
            const double d =
                (pair == 0 || random() % 4 ? limit : kShortestBond) * (1 + 1e-12 * unit(random));
            double direction[3] = {0, 0, 0};
            if (pair == 0 || random() % 2) {
                direction[random() % 3] = random() % 2 ? 1 : -1;
            } else {
                const double theta = std::acos(unit(random));
                const double phi = std::numbers::pi * unit(random);
                direction[0] = std::sin(theta) * std::cos(phi);
                direction[1] = std::sin(theta) * std::sin(phi);
                direction[2] = std::cos(theta);
            }
            atoms.push_back(
                {"", a.x + d * direction[0], a.y + d * direction[1], a.z + d * direction[2]});
            elements.push_back(w);
        }
        const AtomTable table = Table(atoms);
        elements.resize(table.Capacity());
        const std::vector<Bond> expected = EveryPair(table, elements);
        EXPECT_EQ(FindBonds(table, elements), expected);
    }
}

TEST(Bonds, ALargeCrystalSharedByTwoProcessorsGivesEachBondOnce) {
    // Diamond, 8 * 30^3 = 216,000 carbons in shuffled order: each bonded to
    // the four neighbours a quarter of the cell's diagonal away that the
    // crystal holds. Positions in quarters of the cell, 3.567 angstrom.
    constexpr int kCells = 30;
    constexpr int kSites[8][3] = {{0, 0, 0}, {0, 2, 2}, {2, 0, 2}, {2, 2, 0},
                                  {1, 1, 1}, {1, 3, 3}, {3, 1, 3}, {3, 3, 1}};
    std::vector<std::array<int, 3>> quarters;
    for (int a = 0; a < kCells; ++a)
        for (int b = 0; b < kCells; ++b)
            for (int c = 0; c < kCells; ++c)
                for (const auto& site : kSites)
                    quarters.push_back({4 * a + site[0], 4 * b + site[1], 4 * c + site[2]});
    std::shuffle(quarters.begin(), quarters.end(), std::mt19937_64(2));
    std::map<std::array<int, 3>, std::int32_t> atomAt;
    std::vector<Atom> atoms;
    for (const auto& q : quarters) {
        atoms.push_back({"C", q[0] * 3.567 / 4, q[1] * 3.567 / 4, q[2] * 3.567 / 4});
        atomAt[q] = static_cast<std::int32_t>(atoms.size());
    }
    std::vector<Bond> expected;
    for (const auto& [q, atom] : atomAt) {
        // From the first sublattice (even quarters) to the second.
        if (q[0] % 2 != 0) continue;
        const int sign = (q[0] + q[1] + q[2]) % 4 == 0 ? 1 : -1;
        for (const auto& d : {std::array{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}}) {
            const auto found =
                atomAt.find({q[0] + sign * d[0], q[1] + sign * d[1], q[2] + sign * d[2]});
            if (found == atomAt.end()) continue;
            expected.push_back({std::min(atom, found->second), std::max(atom, found->second)});
        }
    }
    std::sort(expected.begin(), expected.end(), [](const Bond& a, const Bond& b) {
        return a.First != b.First ? a.First < b.First : a.Second < b.Second;
    });
    const AtomTable table = Table(atoms);
    ASSERT_GT(table.AtomCount, 200000);
    EXPECT_EQ(FindBonds(table, Elements(table)), expected);
}

}  // namespace
}  // namespace pivora
