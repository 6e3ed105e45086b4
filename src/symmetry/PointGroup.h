#pragma once
// The point group of a molecule: its symmetry elements, its Schoenflies
// symbol, the standard frame a chemist lays it in, and the symmetrized
// coordinates. No Qt, no engine: positions and kinds in, plain values out.
//
// Method. The centre is the plain centroid of the positions: every symmetry
// operation permutes atoms of one kind, so it fixes the centroid, and no
// masses are needed. A molecule whose atoms all lie within half the
// tolerance of the centre is a point (Kh); one whose atoms all lie within
// half the tolerance of one line through it is linear (C∞v, or D∞h when the
// inversion and the plane perpendicular to the line are operations too).
// Otherwise the operations are searched for through sets of
// symmetry-equivalent atoms (same kind, same distance from the centre
// within the tolerance), as in Beruski and Vidal, J. Comput. Chem. 35
// (2014) 290: an operation is fixed by the images of two atoms a and a'
// that are not in line with the centre, and those images can only be atoms
// of a's and a''s sets. So every pair of candidate images (b, b') with
// |b - b'| = |a - a'| gives one proper and one improper candidate, refined
// to the best fit over all atoms (Horn's quaternion method) and kept when
// it passes the test below. a and a' are chosen far from the centre and
// from each other's line, from the smallest sets. The operations found name
// the group (the usual flow chart: several axes of order 3 or more make a
// cubic or icosahedral group; else the principal axis, perpendicular C2
// axes, σh, σv, S2n). The group's textbook operations are then built in its
// standard frame and turned into the molecule's frame by one orthonormal
// matrix, refined so that they fit the atoms best, and every one of them is
// tested again. The elements reported are those of these idealised
// operations, so they always form the group the symbol names. When some
// idealised operation fails the test (a structure at the edge of the
// tolerance), a largest subgroup whose operations all pass (found
// greedily) is reported instead.
//
// Tolerance. An operation belongs to the group only when the image of every
// atom lies within the tolerance (angstrom) of an atom of the same kind and
// the images form a permutation of the atoms. The group reported is the
// group at the tolerance asked for: a molecule symmetric at 0.01 Å but not
// at 0.001 Å gives different groups for the two. No element is reported
// whose operations fail that test; at the edge of the tolerance one that
// passes may be missed (the group found is then a subgroup). Where two
// atoms of one kind lie within three tolerances of each other, an image
// may be near two atoms; then only a subgroup whose permutations compose
// as its operations do is reported, so that Symmetrize stays exact. A
// tolerance of a third of the distance between like atoms or more thus
// gives a valid but arbitrary group: use one well below it.
//
// Cost: about linear in the atoms for each operation tried (a cell grid
// finds the atom near an image); 100 atoms take well under a millisecond,
// C60 about 2 ms, 10,000 atoms of Oh symmetry about 0.2 s.
//
// Sign rule. Every direction reported (an axis, a plane's normal, the frame
// directions) points to the side of the first atom, in the molecule's
// order, that lies farther than the tolerance from the plane through the
// centre perpendicular to it. When every atom lies within the tolerance of
// that plane (a planar molecule and its normal), the direction is the one
// from which the first atom a that lies off the centre and the first atom b
// (in order, b != a) that is not in line with the centre and a are seen to
// turn counter-clockwise about the centre (a, b and the direction form a
// right-handed set). Both rules depend only on the atoms, so a molecule
// turned and moved gives its directions turned with it, signs included.
// Only a direction perpendicular to a linear molecule has no such side.
//
// Atom numbers are 1..N in the order of the input.
//
// Use: the symmetrize command is Symmetrize(atoms, tolerance), whose
// positions replace the atoms' (refusal: report it, change nothing); the
// standard frame is FindPointGroup(atoms, tolerance).group.frame, whose
// toZ and toX the existing turns lay on +Z and +X; a window lists the
// group's symbol, elements and their atoms.

#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace pivora::symmetry {

using Vec3 = std::array<double, 3>;

inline constexpr double kDefaultTolerance = 0.01;  // angstrom
// Tolerances are accepted in (0, kMaxTolerance] angstrom.
inline constexpr double kMaxTolerance = 1.0;
// The largest molecule analysed; larger ones are refused.
inline constexpr std::size_t kMaxAtoms = 100000;
// Coordinates are accepted within ±kMaxCoordinate angstrom.
inline constexpr double kMaxCoordinate = 1e6;
// The highest order of an axis recognised. An axis of a higher order n is
// found as the axis of the largest divisor of n up to this cap (so a
// ring of 40 like atoms gives D20h): the group reported is then a subgroup
// of the true one, and still a group.
inline constexpr int kMaxAxisOrder = 32;

// The molecule: atom k (1..N) at positions[k - 1] (angstrom), of kind
// kinds[k - 1]. An atom maps only onto atoms of its own kind; the caller
// gives the element, or a class of its own for labels that name none.
struct AtomSet {
    std::span<const Vec3> positions;
    std::span<const int> kinds;
};

// The families of point groups. Cn, Cnv, Cnh, Dn, Dnh and Dnd come with
// their n >= 2; S2n with the number of its symbol (4, 6, 8, ...). Cinfv and
// Dinfh are the linear molecules; Kh a single atom, or atoms all on the
// centre.
// clang-format off
enum class Family {
    C1, Cs, Ci, Cn, Cnv, Cnh, Dn, Dnh, Dnd, S2n, T, Td, Th, O, Oh, I, Ih, Cinfv, Dinfh, Kh
};
// clang-format on

// How a mirror plane is named. σh: perpendicular to the principal axis
// (Cs: its one plane; Th and Oh: perpendicular to a C2 or C4 axis). σv and
// σd: containing the principal axis. In Cnv and Dnh with even n >= 4 the
// planes fall into two classes: σv holds the planes through the C2′ axes
// (Dnh) or the class that contains the standard frame's XZ plane (Cnv), σd
// the other one; C2v and D2h name all their vertical planes σv. All planes
// of Dnd and Td are σd. Ih's fifteen planes form one class, written σ.
enum class PlaneClass { Horizontal, Vertical, Dihedral, Plain };

// What an axis is to the group. Principal: the principal axis of an axial
// group (Cn, Cnv, Cnh, S2n, Dn, Dnh, Dnd; for D2 and D2h the one the frame
// puts on Z; for D2d its S4 axis) and the axis of a linear molecule.
// TwofoldPrime and TwofoldDoublePrime: the C2 axes perpendicular to the
// principal axis of a D group, all of them listed: C2′ is the class the
// frame puts one of on X; C2″ (Dn and Dnh with even n only) the other
// class, which bisects the C2′ axes. Other: the axes of T, Td, Th, O, Oh,
// I, Ih, which have no principal axis.
enum class AxisRole { Principal, TwofoldPrime, TwofoldDoublePrime, Other };

struct SymmetryAxis {
    // n of Cn or Sn, each line listed once with its highest order (the C3
    // and C2 of a C6 axis are part of the C6 entry). 0 stands for ∞ (the
    // axis of a linear molecule; D∞h lists it as C∞ and as S∞).
    int order = 0;
    AxisRole role = AxisRole::Other;
    Vec3 direction{};        // unit vector, signed by the sign rule
    std::vector<int> atoms;  // numbers of the atoms within the tolerance of the line, ascending
};

struct MirrorPlane {
    PlaneClass kind = PlaneClass::Plain;
    Vec3 normal{};           // unit vector, signed by the sign rule
    std::vector<int> atoms;  // numbers of the atoms within the tolerance of the plane, ascending
};

// The two directions the standard frame lays on its axes, in the input's
// coordinates: toZ to go onto +Z, toX (perpendicular to it) onto +X; Y is
// toZ × toX. Both follow the sign rule unless said otherwise. Conventions:
// - Cn, Cnh, S2n: Z on the principal axis; X toward the first atom that
//   lies farther than the tolerance from that axis (its part perpendicular
//   to Z).
// - Cnv: Z on the principal axis. C2v: the mirror plane holding fewer atoms
//   becomes XZ (so a planar C2v molecule lies in YZ, as Mulliken proposed);
//   n >= 3: a σv plane becomes XZ, for even n one of the class whose
//   planes hold more atoms. X is that plane's direction perpendicular to
//   Z.
// - Dn, Dnh, Dnd (n >= 3), D2d: Z on the principal axis, X on a C2′ axis.
//   For even n in Dn and Dnh, the C2′ class is the one whose axes pass
//   through more atoms.
// - D2, D2h: Z on the C2 axis through the most atoms; X on the normal of a
//   plane holding every atom (a planar D2h molecule lies in YZ), else on
//   the other C2 axis through more atoms.
// - T, Td, Th: Z and X on two of the three C2 axes (S4 axes in Td);
//   O, Oh: on two C4 axes; I, Ih: on two perpendicular C2 axes (the
//   coordinate axes of the usual C60 coordinates).
// - Cs: Z on the plane's normal, X as for Cn. C1, Ci: Z on the axis of the
//   largest moment of inertia (unit weights), X on the smallest. Where
//   moments agree within what the tolerance allows: Z on the axis of the
//   moment unlike the other two (else toward the first atom farther than
//   the tolerance from the centre), X as for Cn.
// - C∞v, D∞h: Z along the molecule; X is the coordinate axis least in line
//   with it, made perpendicular: no side of the molecule tells one
//   perpendicular from another, so this one does not turn with it.
// - Kh: the input's +Z and +X.
// Where the group offers several equal choices (which of three C2 axes,
// which σv plane), the one taken is the candidate direction pointing most
// nearly toward atom 1 (the largest component along it), ties within the
// tolerance broken by atom 2, and so on.
struct FrameDirections {
    Vec3 toZ{0, 0, 1};
    Vec3 toX{1, 0, 0};
};

// Internal: the idealised operations and the atoms' permutations, which
// Symmetrize averages over.
struct GroupOperations;

struct PointGroup {
    Family family = Family::C1;
    int n = 1;  // the number in the symbol for the axial families, else 0 (C1: 1)
    double tolerance = kDefaultTolerance;
    Vec3 centre{};  // the centroid of the positions (angstrom)

    bool inversion = false;          // an inversion centre at the centre
    std::vector<int> atomsAtCentre;  // atoms within the tolerance of the centre
    // Proper axes: the principal axis, the C2′ axes, the C2″ axes; for the
    // cubic groups by descending order. Within each of these the axis
    // pointing most nearly toward atom 1 (then atom 2, ...) comes first,
    // so that the order does not change when the molecule is turned.
    std::vector<SymmetryAxis> properAxes;
    // Improper axes Sn with n >= 3 (S1 is a plane, S2 the inversion, both
    // listed on their own), one entry for each n on a line, as the
    // character tables count them: D6h lists S6 and S3 on its C6 axis,
    // since S3 = σh C3 is no power of S6. Their atoms are those on the
    // line. Principal first, then by descending order.
    std::vector<SymmetryAxis> improperAxes;
    // Planes: σh, σv, σd, σ, each kind ordered by the atoms as the axes are.
    std::vector<MirrorPlane> planes;
    FrameDirections frame;

    std::shared_ptr<const GroupOperations> operations;

    // "C2v", "Cs", "D6h", "S4", "Td", "Cinfv", "Dinfh", "Kh".
    std::string Symbol() const;
    // The same with ∞ for linear molecules: "C∞v", "D∞h" (UTF-8).
    std::string DisplaySymbol() const;
    // The number of operations; 0 for the infinite groups.
    int Order() const;
};

// What FindPointGroup gives: the group, or, when refusal is not empty, the
// plain-English reason it could not be found (and group is C1 with no
// elements).
struct PointGroupResult {
    std::string refusal;
    PointGroup group;
    bool Found() const { return refusal.empty(); }
};

// The point group of the atoms at the tolerance (angstrom). Refused:
// no atoms; positions and kinds of different sizes; more than kMaxAtoms
// atoms; a coordinate that is not a number or lies beyond ±kMaxCoordinate;
// a tolerance that is not in (0, kMaxTolerance]; and a search that would
// take too long (many like atoms at one distance from the centre with a
// large tolerance). Leaves the floating-point status flags as it found
// them.
PointGroupResult FindPointGroup(const AtomSet& atoms, double tolerance = kDefaultTolerance);

struct Symmetrized {
    std::string refusal;          // empty when done; then the fields below hold
    std::vector<Vec3> positions;  // every atom at its symmetric place (angstrom)
    double largestMove = 0;       // angstrom
    int atomMovedMost = 0;        // its number; 0 when no atom moves
    bool Done() const { return refusal.empty(); }
};

// Moves every atom to the average of its images over the whole group (the
// idealised operations of FindPointGroup, which must have been given these
// same atoms: the atoms' permutations are taken from it), computed in
// extended precision with each coordinate rounded once to a double. The
// result has the group's symmetry far below any tolerance. A linear
// molecule goes onto its line (D∞h: symmetric about the centre too); Kh
// puts every atom on the centre. Refused, with nothing returned, when a
// move would exceed maxMove (angstrom; the message names the atom and the
// move), or when group was not found for atoms of this number. Leaves the
// floating-point status flags as it found them.
Symmetrized Symmetrize(const AtomSet& atoms, const PointGroup& group, double maxMove);

// FindPointGroup at the tolerance, then Symmetrize with the same tolerance
// as the largest move (no atom then moves farther than the tolerance, but
// the check stays). Refused when either refuses.
Symmetrized Symmetrize(const AtomSet& atoms, double tolerance = kDefaultTolerance);

// The symbols alone, for a family and the number of its symbol.
std::string SymbolOf(Family family, int n);
std::string DisplaySymbolOf(Family family, int n);

}  // namespace pivora::symmetry
