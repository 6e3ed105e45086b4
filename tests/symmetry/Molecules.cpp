#include "symmetry/Molecules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace pivora::symmetry::test {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int H = 1, B = 5, C = 6, N = 7, O = 8, F = 9, P = 15, S = 16, Cl = 17, Fe = 26, Co = 27,
              Br = 35, Xe = 54, U = 92;

double Rad(double degrees) {
    return degrees * kPi / 180;
}

// A point at distance r from the z axis, at azimuth phi (degrees), height z.
Vec3 Cyl(double r, double phi, double z) {
    return {r * std::cos(Rad(phi)), r * std::sin(Rad(phi)), z};
}

Vec3 Plus(const Vec3& a, const Vec3& b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
Vec3 Scaled(double s, const Vec3& a) {
    return {s * a[0], s * a[1], s * a[2]};
}
Vec3 Unit(const Vec3& a) {
    return Scaled(1 / std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]), a);
}

Matrix Mirror(const Vec3& normal) {
    const Vec3 n = Unit(normal);
    Matrix m{1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m[3 * r + c] -= 2 * n[r] * n[c];
    return m;
}

bool Same(const Matrix& a, const Matrix& b) {
    for (int k = 0; k < 9; ++k)
        if (std::fabs(a[k] - b[k]) > 1e-9) return false;
    return true;
}

void AddDistinct(std::vector<Matrix>& set, const Matrix& m) {
    if (std::none_of(set.begin(), set.end(), [&](const Matrix& s) { return Same(s, m); }))
        set.push_back(m);
}

// The group the generators make, by products until nothing new appears.
std::vector<Matrix> Generated(const std::vector<Matrix>& generators) {
    std::vector<Matrix> group{{1, 0, 0, 0, 1, 0, 0, 0, 1}};
    for (std::size_t i = 0; i < group.size(); ++i)
        for (const Matrix& g : generators) AddDistinct(group, Product(g, group[i]));
    return group;
}

// Every image of the seeds under the group, each place once.
Molecule Orbit(const std::vector<std::pair<int, Vec3>>& seeds, const std::vector<Matrix>& group) {
    Molecule m;
    for (const auto& [kind, seed] : seeds)
        for (const Matrix& g : group) {
            const Vec3 p = Times(g, seed);
            const bool known =
                std::any_of(m.positions.begin(), m.positions.end(), [&](const Vec3& q) {
                    return std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]) < 1e-6;
                });
            if (!known) m.Add(kind, p);
        }
    return m;
}

const double kPhi = (1 + std::sqrt(5.0)) / 2;

std::vector<Matrix> Tetrahedral() {
    return Generated({TurnAbout({0, 0, 1}, kPi), TurnAbout({1, 1, 1}, 2 * kPi / 3)});
}
std::vector<Matrix> Octahedral() {
    return Generated({TurnAbout({0, 0, 1}, kPi / 2), TurnAbout({1, 1, 1}, 2 * kPi / 3)});
}
std::vector<Matrix> Icosahedral() {
    return Generated({TurnAbout({0, 1, kPhi}, 2 * kPi / 5), TurnAbout({1, 1, 1}, 2 * kPi / 3)});
}

// Tetrahedral directions with an even number of minus signs.
const Vec3 kTetrahedron[4] = {{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}};

Molecule Bromochlorofluoromethane() {
    Molecule m;
    m.Add(C, {0, 0, 0});
    const int kinds[4] = {H, F, Cl, Br};
    const double lengths[4] = {1.09, 1.35, 1.77, 1.93};
    for (int k = 0; k < 4; ++k) m.Add(kinds[k], Scaled(lengths[k], Unit(kTetrahedron[k])));
    return m;
}

Molecule HypochlorousAcid() {
    Molecule m;
    m.Add(O, {0, 0, 0});
    m.Add(H, {0.97, 0, 0});
    m.Add(Cl, Cyl(1.69, 103, 0));
    return m;
}

Molecule Bromochloromethane() {
    Molecule m;
    m.Add(C, {0, 0, 0});
    m.Add(Br, Scaled(1.93, Unit(kTetrahedron[0])));
    m.Add(H, Scaled(1.09, Unit(kTetrahedron[1])));
    m.Add(H, Scaled(1.09, Unit(kTetrahedron[2])));
    m.Add(Cl, Scaled(1.77, Unit(kTetrahedron[3])));
    return m;
}

// meso-1,2-dibromo-1,2-dichloroethane, anti: the halves are each other's
// inversion images.
Molecule MesoDibromodichloroethane() {
    Molecule m;
    const Vec3 c1{0, 0, 0.77};
    const int kinds[3] = {H, Br, Cl};
    const double lengths[3] = {1.09, 1.94, 1.78};
    std::vector<std::pair<int, Vec3>> half{{C, c1}};
    for (int k = 0; k < 3; ++k) {
        const double polar = Rad(70.5);
        const Vec3 d{std::sin(polar) * std::cos(Rad(120.0 * k)),
                     std::sin(polar) * std::sin(Rad(120.0 * k)), std::cos(polar)};
        half.push_back({kinds[k], Plus(c1, Scaled(lengths[k], d))});
    }
    for (const auto& [kind, p] : half) m.Add(kind, p);
    for (const auto& [kind, p] : half) m.Add(kind, Scaled(-1, p));
    return m;
}

// Hydrogen peroxide: O-O 1.475, O-H 0.95, O-O-H 94.8 degrees, dihedral 111.5.
Molecule HydrogenPeroxide() {
    Molecule m;
    const double chi = Rad(94.8), psi = Rad(111.5 / 2);
    const Vec3 o1{0, 0.7375, 0};
    const Vec3 h1 = Plus(o1, Scaled(0.95, {std::sin(chi) * std::cos(psi), -std::cos(chi),
                                           std::sin(chi) * std::sin(psi)}));
    m.Add(O, o1);
    m.Add(O, {0, -0.7375, 0});
    m.Add(H, h1);
    m.Add(H, {h1[0], -h1[1], -h1[2]});
    return m;
}

// A three-bladed propeller: each blade twisted out of the vertical plane.
Molecule Propeller() {
    Molecule m;
    m.Add(N, {0, 0, 0.4});
    for (int k = 0; k < 3; ++k) {
        const double phi = 120.0 * k;
        m.Add(C, Cyl(1.45, phi, 0));
        m.Add(O, Plus(Cyl(1.45, phi, 0), Cyl(1.2, phi + 50, -0.5)));
    }
    return m;
}

Molecule Water() {
    Molecule m;
    m.Add(O, {0, 0, 0.1173});
    m.Add(H, {0, 0.7572, -0.4692});
    m.Add(H, {0, -0.7572, -0.4692});
    return m;
}

Molecule Ammonia() {
    Molecule m;
    m.Add(N, {0, 0, 0});
    for (int k = 0; k < 3; ++k) m.Add(H, Cyl(0.9377, 90 + 120.0 * k, -0.3816));
    return m;
}

Molecule BrominePentafluoride() {
    Molecule m;
    m.Add(Br, {0, 0, 0});
    m.Add(F, {0, 0, 1.72});
    for (int k = 0; k < 4; ++k) m.Add(F, Cyl(1.81, 90.0 * k, -0.15));
    return m;
}

Molecule TransDifluorodiazene() {
    Molecule m;
    m.Add(N, {0.615, 0, 0});
    m.Add(N, {-0.615, 0, 0});
    const Vec3 f = Plus({0.615, 0, 0}, Cyl(1.41, 74.5, 0));
    m.Add(F, f);
    m.Add(F, Scaled(-1, f));
    return m;
}

// Ethylene along z with its CH2 ends turned by twist degrees against each other.
Molecule TwistedEthylene(double twist) {
    Molecule m;
    m.Add(C, {0, 0, 0.667});
    m.Add(C, {0, 0, -0.667});
    for (const double s : {1.0, -1.0})
        for (const double side : {0.0, 180.0})
            m.Add(H, Cyl(0.923, s * twist / 2 + side, s * 1.232));
    return m;
}

Molecule Ethylene() {
    Molecule m;
    m.Add(C, {0.667, 0, 0});
    m.Add(C, {-0.667, 0, 0});
    for (const double x : {1.232, -1.232})
        for (const double y : {0.923, -0.923}) m.Add(H, {x, y, 0});
    return m;
}

// Ethane along z; the lower methyl turned by twist degrees (0 eclipsed, 60 staggered).
Molecule Ethane(double twist) {
    Molecule m;
    m.Add(C, {0, 0, 0.765});
    m.Add(C, {0, 0, -0.765});
    for (int k = 0; k < 3; ++k) m.Add(H, Cyl(1.03, 120.0 * k, 1.134));
    for (int k = 0; k < 3; ++k) m.Add(H, Cyl(1.03, 120.0 * k + twist, -1.134));
    return m;
}

Molecule BoronTrifluoride() {
    Molecule m;
    m.Add(B, {0, 0, 0});
    for (int k = 0; k < 3; ++k) m.Add(F, Cyl(1.31, 120.0 * k, 0));
    return m;
}

Molecule XenonTetrafluoride() {
    Molecule m;
    m.Add(Xe, {0, 0, 0});
    for (int k = 0; k < 4; ++k) m.Add(F, Cyl(1.95, 90.0 * k, 0));
    return m;
}

// Two parallel rings of `size` CH units about a metal, the lower ring turned
// by twist degrees.
Molecule Sandwich(int metal, int size, double cc, double height, double twist) {
    Molecule m;
    m.Add(metal, {0, 0, 0});
    const double r = cc / (2 * std::sin(kPi / size));
    for (const double z : {height, -height})
        for (int k = 0; k < size; ++k) {
            const double phi = 360.0 * k / size + (z < 0 ? twist : 0);
            m.Add(C, Cyl(r, phi, z));
            m.Add(H, Cyl(r + 1.08, phi, z));
        }
    return m;
}

Molecule FerroceneEclipsed() {
    return Sandwich(Fe, 5, 1.43, 1.66, 0);
}
Molecule FerroceneStaggered() {
    return Sandwich(Fe, 5, 1.43, 1.66, 36);
}
Molecule Uranocene() {
    return Sandwich(U, 8, 1.405, 1.92, 0);
}

Molecule Benzene() {
    Molecule m;
    for (int k = 0; k < 6; ++k) {
        m.Add(C, Cyl(1.39, 60.0 * k, 0));
        m.Add(H, Cyl(2.48, 60.0 * k, 0));
    }
    return m;
}

Molecule Allene() {
    Molecule m;
    m.Add(C, {0, 0, 0});
    m.Add(C, {0, 0, 1.31});
    m.Add(C, {0, 0, -1.31});
    m.Add(H, {0.93, 0, 1.87});
    m.Add(H, {-0.93, 0, 1.87});
    m.Add(H, {0, 0.93, -1.87});
    m.Add(H, {0, -0.93, -1.87});
    return m;
}

// The crown of cyclooctasulfur: eight atoms alternately above and below.
Molecule Cyclooctasulfur() {
    Molecule m;
    for (int k = 0; k < 8; ++k) m.Add(S, Cyl(2.35, 45.0 * k, k % 2 ? -0.51 : 0.51));
    return m;
}

// A central atom and two general positions repeated by S4: a quarter turn
// about z followed by the reflection across xy.
Molecule FourfoldImproper() {
    Molecule m;
    m.Add(C, {0, 0, 0});
    for (const auto& [kind, seed] :
         {std::pair{C, Vec3{1.2, 0.3, 0.8}}, std::pair{H, Vec3{1.9, -0.4, 1.3}}})
        for (int k = 0; k < 4; ++k) {
            const Vec3 turned = Times(TurnAbout({0, 0, 1}, k * kPi / 2), seed);
            m.Add(kind, {turned[0], turned[1], k % 2 ? -turned[2] : turned[2]});
        }
    return m;
}

Molecule Methane() {
    Molecule m;
    m.Add(C, {0, 0, 0});
    for (const Vec3& d : kTetrahedron) m.Add(H, Scaled(1.09, Unit(d)));
    return m;
}

// Neopentane with every methyl turned 20 degrees from the staggered place.
Molecule TwistedNeopentane() {
    const Vec3 c1 = Scaled(1.54, Unit(kTetrahedron[0]));
    const Vec3 axis = Unit(kTetrahedron[0]);
    const Vec3 across = Unit({1, -1, 0});
    std::vector<std::pair<int, Vec3>> seeds{{C, c1}};
    // One hydrogen: 109.5 degrees from the C-C bond, turned about it.
    const Vec3 h = Plus(c1, Scaled(1.09, Plus(Scaled(std::cos(Rad(70.5)), axis),
                                              Scaled(std::sin(Rad(70.5)), across))));
    const Matrix twist = TurnAbout(axis, Rad(20));
    const Vec3 turned = Plus(c1, Times(twist, Plus(h, Scaled(-1, c1))));
    for (int k = 0; k < 3; ++k)
        seeds.push_back(
            {H, Plus(c1, Times(TurnAbout(axis, 2 * kPi * k / 3), Plus(turned, Scaled(-1, c1))))});
    Molecule m = Orbit(seeds, Tetrahedral());
    m.Add(C, {0, 0, 0});
    return m;
}

// Hexanitrocobaltate: each nitro group in the plane of its axis and the next.
Molecule Hexanitrocobaltate() {
    Molecule m;
    m.Add(Co, {0, 0, 0});
    for (int axis = 0; axis < 3; ++axis)
        for (const double s : {1.0, -1.0}) {
            Vec3 n{0, 0, 0}, along{0, 0, 0}, side{0, 0, 0};
            n[axis] = 1.95 * s;
            along[axis] = s;
            side[(axis + 1) % 3] = 1;
            m.Add(N, n);
            for (const double t : {1.0, -1.0})
                m.Add(O, Plus(n, Scaled(1.22, Plus(Scaled(0.5, along),
                                                   Scaled(t * std::sqrt(0.75), side)))));
        }
    return m;
}

Molecule Chiral(const std::vector<Matrix>& group) {
    Molecule m = Orbit({{C, {0.3, 0.7, 2.1}}, {H, {1.1, 0.2, 2.6}}}, group);
    m.Add(Fe, {0, 0, 0});
    return m;
}
Molecule OctahedralPropeller() {
    return Chiral(Octahedral());
}
Molecule IcosahedralPropeller() {
    return Chiral(Icosahedral());
}

Molecule SulfurHexafluoride() {
    Molecule m;
    m.Add(S, {0, 0, 0});
    for (int axis = 0; axis < 3; ++axis)
        for (const double s : {1.56, -1.56}) {
            Vec3 p{0, 0, 0};
            p[axis] = s;
            m.Add(F, p);
        }
    return m;
}

// C60 from the truncated icosahedron: the cyclic permutations of
// (0, ±1, ±3φ), (±1, ±(2 + φ), ±2φ), (±φ, ±2, ±(2φ + 1)), whose edges are 2
// long, scaled to a C-C bond of 1.4.
Molecule Buckminsterfullerene() {
    Molecule m;
    const Vec3 bases[3] = {{0, 1, 3 * kPhi}, {1, 2 + kPhi, 2 * kPhi}, {kPhi, 2, 2 * kPhi + 1}};
    for (const Vec3& base : bases)
        for (int signs = 0; signs < 8; ++signs) {
            Vec3 v = base;
            for (int k = 0; k < 3; ++k)
                if (signs >> k & 1) v[k] = -v[k];
            if (base[0] == 0 && (signs & 1)) continue;  // -0 is 0
            for (int shift = 0; shift < 3; ++shift)
                m.Add(C, Scaled(0.7, {v[shift], v[(shift + 1) % 3], v[(shift + 2) % 3]}));
        }
    return m;
}

Molecule HydrogenCyanide() {
    Molecule m;
    m.Add(H, {0, 0, -1.064});
    m.Add(C, {0, 0, 0});
    m.Add(N, {0, 0, 1.156});
    return m;
}

Molecule CarbonDioxide() {
    Molecule m;
    m.Add(O, {0, 0, 1.16});
    m.Add(C, {0, 0, 0});
    m.Add(O, {0, 0, -1.16});
    return m;
}

Molecule PhosphorusPentachloride() {
    Molecule m;
    m.Add(P, {0, 0, 0});
    m.Add(Cl, {0, 0, 2.14});
    m.Add(Cl, {0, 0, -2.14});
    for (int k = 0; k < 3; ++k) m.Add(Cl, Cyl(2.02, 30 + 120.0 * k, 0));
    return m;
}

Molecule Naphthalene() {
    Molecule m;
    // The bridgehead carbons on y; the long axis on x.
    m.Add(C, {0, 0.71, 0});
    m.Add(C, {0, -0.71, 0});
    for (const double sx : {1.0, -1.0})
        for (const double sy : {1.0, -1.0}) {
            m.Add(C, {sx * 1.24, sy * 1.40, 0});
            m.Add(C, {sx * 2.42, sy * 0.70, 0});
            m.Add(H, {sx * 1.24, sy * 2.49, 0});
            m.Add(H, {sx * 3.36, sy * 1.24, 0});
        }
    return m;
}

constexpr Vec3 kNone{0, 0, 0}, kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};

}  // namespace

const std::vector<KnownMolecule>& KnownMolecules() {
    static const std::vector<KnownMolecule> table{
        {"CHFClBr", Bromochlorofluoromethane, "C1", "- | - | - | -", kNone},
        {"HOCl", HypochlorousAcid, "Cs", "- | h | - | -", kNone},
        {"CH2BrCl", Bromochloromethane, "Cs", "- | h | - | -", kNone},
        {"meso-C2H2Br2Cl2", MesoDibromodichloroethane, "Ci", "- | - | i | -", kNone},
        {"H2O2", HydrogenPeroxide, "C2", "C2 | - | - | -", kX},
        {"propeller", Propeller, "C3", "C3 | - | - | -", kZ},
        {"H2O", Water, "C2v", "C2 | v2 | - | -", kZ},
        {"NH3", Ammonia, "C3v", "C3 | v3 | - | -", kZ},
        {"BrF5", BrominePentafluoride, "C4v", "C4 | v2 d2 | - | -", kZ},
        {"trans-N2F2", TransDifluorodiazene, "C2h", "C2 | h | i | -", kZ},
        {"twisted C2H4", [] { return TwistedEthylene(30); }, "D2", "C2x3 | - | - | -", kZ},
        {"twisted C2H6", [] { return Ethane(20); }, "D3", "C3 C2x3 | - | - | -", kZ},
        {"C2H4", Ethylene, "D2h", "C2x3 | h v2 | i | -", kX},
        {"naphthalene", Naphthalene, "D2h", "C2x3 | h v2 | i | -", kY},
        {"BF3", BoronTrifluoride, "D3h", "C3 C2x3 | h v3 | - | S3", kZ},
        {"PCl5", PhosphorusPentachloride, "D3h", "C3 C2x3 | h v3 | - | S3", kZ},
        {"XeF4", XenonTetrafluoride, "D4h", "C4 C2x4 | h v2 d2 | i | S4", kZ},
        {"eclipsed ferrocene", FerroceneEclipsed, "D5h", "C5 C2x5 | h v5 | - | S5", kZ},
        {"benzene", Benzene, "D6h", "C6 C2x6 | h v3 d3 | i | S6 S3", kZ},
        {"uranocene", Uranocene, "D8h", "C8 C2x8 | h v4 d4 | i | S8 S4", kZ},
        {"allene", Allene, "D2d", "C2x3 | d2 | - | S4", kZ},
        {"staggered C2H6", [] { return Ethane(60); }, "D3d", "C3 C2x3 | d3 | i | S6", kZ},
        {"eclipsed C2H6", [] { return Ethane(0); }, "D3h", "C3 C2x3 | h v3 | - | S3", kZ},
        {"S8", Cyclooctasulfur, "D4d", "C4 C2x4 | d4 | - | S8", kZ},
        {"staggered ferrocene", FerroceneStaggered, "D5d", "C5 C2x5 | d5 | i | S10", kZ},
        {"S4 orbit", FourfoldImproper, "S4", "C2 | - | - | S4", kZ},
        {"twisted neopentane", TwistedNeopentane, "T", "C3x4 C2x3 | - | - | -", kNone},
        {"CH4", Methane, "Td", "C3x4 C2x3 | d6 | - | S4x3", kNone},
        {"[Co(NO2)6]3-", Hexanitrocobaltate, "Th", "C3x4 C2x3 | h3 | i | S6x4", kNone},
        {"O orbit", OctahedralPropeller, "O", "C4x3 C3x4 C2x6 | - | - | -", kNone},
        {"SF6", SulfurHexafluoride, "Oh", "C4x3 C3x4 C2x6 | h3 d6 | i | S6x4 S4x3", kNone},
        {"I orbit", IcosahedralPropeller, "I", "C5x6 C3x10 C2x15 | - | - | -", kNone},
        {"C60", Buckminsterfullerene, "Ih", "C5x6 C3x10 C2x15 | s15 | i | S10x6 S6x10", kNone},
        {"HCN", HydrogenCyanide, "Cinfv", "Cinf | - | - | -", kZ},
        {"CO2", CarbonDioxide, "Dinfh", "Cinf | h | i | Sinf", kZ},
    };
    return table;
}

Molecule Built(std::string_view name) {
    for (const KnownMolecule& known : KnownMolecules())
        if (name == known.name) return known.build();
    throw std::invalid_argument("no molecule " + std::string(name));
}

std::string ElementSignature(const PointGroup& group) {
    auto counted = [](std::vector<int> orders, const char* letter) {
        // 0 is infinity: first.
        std::sort(orders.begin(), orders.end(),
                  [](int a, int b) { return (a == 0 ? 1 << 30 : a) > (b == 0 ? 1 << 30 : b); });
        std::string text;
        for (std::size_t i = 0; i < orders.size();) {
            std::size_t j = i;
            while (j < orders.size() && orders[j] == orders[i]) ++j;
            if (!text.empty()) text += ' ';
            text += letter + (orders[i] == 0 ? std::string("inf") : std::to_string(orders[i]));
            if (j - i > 1) text += "x" + std::to_string(j - i);
            i = j;
        }
        return text.empty() ? std::string("-") : text;
    };
    std::vector<int> proper, improper;
    for (const SymmetryAxis& a : group.properAxes) proper.push_back(a.order);
    for (const SymmetryAxis& a : group.improperAxes) improper.push_back(a.order);
    std::map<PlaneClass, int> planes;
    for (const MirrorPlane& p : group.planes) ++planes[p.kind];
    std::string planeText;
    const std::pair<PlaneClass, const char*> names[] = {{PlaneClass::Horizontal, "h"},
                                                        {PlaneClass::Vertical, "v"},
                                                        {PlaneClass::Dihedral, "d"},
                                                        {PlaneClass::Plain, "s"}};
    for (const auto& [kind, name] : names) {
        if (!planes.count(kind)) continue;
        if (!planeText.empty()) planeText += ' ';
        planeText += name;
        if (planes[kind] > 1) planeText += std::to_string(planes[kind]);
    }
    return counted(proper, "C") + " | " + (planeText.empty() ? "-" : planeText) + " | " +
           (group.inversion ? "i" : "-") + " | " + counted(improper, "S");
}

Matrix RandomRotation(std::mt19937_64& rng) {
    std::normal_distribution<double> normal;
    // A uniformly random unit quaternion.
    double q[4];
    double norm = 0;
    for (double& v : q) v = normal(rng), norm += v * v;
    norm = std::sqrt(norm);
    for (double& v : q) v /= norm;
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    return {1 - 2 * (y * y + z * z), 2 * (x * y - w * z),     2 * (x * z + w * y),
            2 * (x * y + w * z),     1 - 2 * (x * x + z * z), 2 * (y * z - w * x),
            2 * (x * z - w * y),     2 * (y * z + w * x),     1 - 2 * (x * x + y * y)};
}

Matrix Product(const Matrix& a, const Matrix& b) {
    Matrix m{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 3; ++k) m[3 * r + c] += a[3 * r + k] * b[3 * k + c];
    return m;
}

Matrix TurnAbout(const Vec3& axis, double angle) {
    const Vec3 u = Unit(axis);
    const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    return {t * u[0] * u[0] + c,        t * u[0] * u[1] - s * u[2], t * u[0] * u[2] + s * u[1],
            t * u[0] * u[1] + s * u[2], t * u[1] * u[1] + c,        t * u[1] * u[2] - s * u[0],
            t * u[0] * u[2] - s * u[1], t * u[1] * u[2] + s * u[0], t * u[2] * u[2] + c};
}

Vec3 Times(const Matrix& m, const Vec3& v) {
    return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[3] * v[0] + m[4] * v[1] + m[5] * v[2],
            m[6] * v[0] + m[7] * v[1] + m[8] * v[2]};
}

Molecule Turned(const Molecule& m, const Matrix& turn, const Vec3& shift) {
    Molecule out = m;
    for (Vec3& p : out.positions) p = Plus(Times(turn, p), shift);
    return out;
}

Molecule Shaken(const Molecule& m, double amplitude, std::mt19937_64& rng) {
    std::uniform_real_distribution<double> noise(-amplitude, amplitude);
    Molecule out = m;
    for (Vec3& p : out.positions)
        for (double& v : p) v += noise(rng);
    return out;
}

std::vector<Matrix> OperationsOfElements(const PointGroup& group) {
    std::vector<Matrix> ops{{1, 0, 0, 0, 1, 0, 0, 0, 1}};
    auto powers = [&](const Matrix& g) {
        Matrix p = g;
        for (int k = 0; k < 1000 && !Same(p, ops[0]); ++k) {
            AddDistinct(ops, p);
            p = Product(g, p);
        }
    };
    for (const SymmetryAxis& a : group.properAxes)
        if (a.order > 0) powers(TurnAbout(a.direction, 2 * kPi / a.order));
    for (const SymmetryAxis& a : group.improperAxes)
        if (a.order > 0)
            powers(Product(Mirror(a.direction), TurnAbout(a.direction, 2 * kPi / a.order)));
    for (const MirrorPlane& p : group.planes) AddDistinct(ops, Mirror(p.normal));
    if (group.inversion) AddDistinct(ops, {-1, 0, 0, 0, -1, 0, 0, 0, -1});
    return ops;
}

bool Preserves(const Molecule& m, const Matrix& op, const Vec3& centre, double tolerance) {
    const std::size_t n = m.positions.size();
    std::vector<std::vector<int>> options(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Vec3 image = Plus(centre, Times(op, Plus(m.positions[i], Scaled(-1, centre))));
        for (std::size_t j = 0; j < n; ++j) {
            const Vec3& q = m.positions[j];
            if (m.kinds[j] == m.kinds[i] &&
                std::hypot(image[0] - q[0], image[1] - q[1], image[2] - q[2]) <= tolerance)
                options[i].push_back(static_cast<int>(j));
        }
        if (options[i].empty()) return false;
    }
    // Augmenting paths.
    std::vector<int> owner(n, -1);
    std::vector<char> seen;
    std::function<bool(int)> place = [&](int i) {
        for (const int j : options[static_cast<std::size_t>(i)]) {
            if (seen[static_cast<std::size_t>(j)]) continue;
            seen[static_cast<std::size_t>(j)] = 1;
            if (owner[static_cast<std::size_t>(j)] < 0 ||
                place(owner[static_cast<std::size_t>(j)])) {
                owner[static_cast<std::size_t>(j)] = i;
                return true;
            }
        }
        return false;
    };
    for (std::size_t i = 0; i < n; ++i) {
        seen.assign(n, 0);
        if (!place(static_cast<int>(i))) return false;
    }
    return true;
}

}  // namespace pivora::symmetry::test
