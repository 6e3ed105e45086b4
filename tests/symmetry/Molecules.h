#pragma once
// Molecules of known point groups, built from textbook geometries
// (angstrom; kinds are atomic numbers), and the tests' own means of
// turning, shaking and checking them.

#include <array>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "symmetry/PointGroup.h"

namespace pivora::symmetry::test {

struct Molecule {
    std::vector<Vec3> positions;
    std::vector<int> kinds;

    AtomSet Atoms() const { return {positions, kinds}; }
    void Add(int kind, const Vec3& p) {
        positions.push_back(p);
        kinds.push_back(kind);
    }
};

struct KnownMolecule {
    const char* name;
    Molecule (*build)();
    const char* symbol;
    // The elements in the form ElementSignature gives.
    const char* elements;
    // The principal axis in the built coordinates (either sign); zero when
    // the group has none.
    Vec3 principal;
};

// Every molecule of the table, one per group and a few more.
const std::vector<KnownMolecule>& KnownMolecules();
// The molecule of the table with this name.
Molecule Built(std::string_view name);

// "C6 C2x6 | h v3 d3 | i | S6": proper axes by descending order (Cinf for
// the axis of a linear molecule), planes by class (h, v, d; s for Ih's),
// the inversion, improper axes by descending order; "-" for none.
std::string ElementSignature(const PointGroup& group);

using Matrix = std::array<double, 9>;  // row-major
Matrix RandomRotation(std::mt19937_64& rng);
Vec3 Times(const Matrix& m, const Vec3& v);
Matrix Product(const Matrix& a, const Matrix& b);
// The right-handed turn by angle (radians) about axis (any length).
Matrix TurnAbout(const Vec3& axis, double angle);

// Every atom turned by m about the origin, then moved by shift.
Molecule Turned(const Molecule& m, const Matrix& turn, const Vec3& shift);
// Every coordinate moved by a uniform random amount in [-amplitude, amplitude].
Molecule Shaken(const Molecule& m, double amplitude, std::mt19937_64& rng);

// The operations the group's reported elements stand for, about its
// centre: each axis's turns by 2 pi k / n, each improper axis's turns
// followed by the reflection across it, each plane's reflection, the
// inversion, all distinct. Linear and Kh groups give the finitely many
// they list.
std::vector<Matrix> OperationsOfElements(const PointGroup& group);

// True when every atom's image under m about centre lies within tolerance
// of an atom of its kind and the images can be assigned one to one (an
// independent, quadratic check).
bool Preserves(const Molecule& m, const Matrix& op, const Vec3& centre, double tolerance);

}  // namespace pivora::symmetry::test
