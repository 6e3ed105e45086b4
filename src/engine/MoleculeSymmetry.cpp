#include "engine/MoleculeSymmetry.h"

#include <map>

#include "base/Error.h"
#include "io/Elements.h"
#include "numeric/DecimalText.h"

namespace pivora {
namespace {

// Kinds of labels that name no element start here, past every element.
constexpr int kFirstOwnKind = 1000;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Gaussian writes a ghost atom as its element and "-Bq", ORCA as its element
// and ":"; both carry the element's letters first, which ElementOfLabel
// would take for the real atom.
bool IsGhost(std::string_view label) {
    if (!label.empty() && label.back() == ':') return true;
    for (std::size_t i = 0; i + 2 < label.size(); ++i) {
        if (label[i] == '-' && Lower(label[i + 1]) == 'b' && Lower(label[i + 2]) == 'q') {
            return true;
        }
    }
    return false;
}

std::string ToleranceHint() {
    return std::string("The tolerance is a distance in angstrom above 0 and at most 1, such as 0") +
           DecimalSeparator() + "01.";
}

}  // namespace

SymmetryAtoms SymmetryAtomsOf(const AtomTable& atoms) {
    SymmetryAtoms out;
    const std::size_t last = atoms.LastAtom();
    out.positions.reserve(last);
    out.kinds.reserve(last);
    std::map<std::string_view, int> own;
    for (std::size_t k = 1; k <= last; ++k) {
        out.positions.push_back({atoms.AtomX[k], atoms.AtomY[k], atoms.AtomZ[k]});
        const std::string_view label = atoms.AtomName[k];
        const int element = io::ElementOfLabel(label);
        if (element > 0 && !IsGhost(label)) {
            out.kinds.push_back(element);
        } else {
            const int next = kFirstOwnKind + static_cast<int>(own.size());
            out.kinds.push_back(own.emplace(label, next).first->second);
        }
    }
    return out;
}

double ToleranceFromText(std::string_view text) {
    long double value = 0;
    try {
        value = ParseDecimal(text);
    } catch (Error& failure) {
        throw std::move(failure).WithDetail(ToleranceHint());
    }
    // A value far below any double comes out 0 and is refused as 0 is.
    const bool inRange = value > 0 && value <= symmetry::kMaxTolerance;
    const double tolerance = inRange ? static_cast<double>(value) : 0.0;
    if (!(tolerance > 0)) {
        throw Error(ErrorKind::Symmetry,
                    "A tolerance of '" + std::string(text) +
                        "' angstrom is outside what the symmetry search takes.")
            .WithDetail(ToleranceHint());
    }
    return tolerance;
}

symmetry::PointGroupResult PointGroupOf(const AtomTable& atoms, double tolerance) {
    const SymmetryAtoms molecule = SymmetryAtomsOf(atoms);
    return symmetry::FindPointGroup(molecule.Set(), tolerance);
}

std::string AxisSymbol(const symmetry::SymmetryAxis& axis, bool improper) {
    std::string symbol(improper ? "S" : "C");
    symbol += axis.order == 0 ? std::string("\u221e") : std::to_string(axis.order);
    if (axis.role == symmetry::AxisRole::TwofoldPrime) symbol += "\u2032";
    if (axis.role == symmetry::AxisRole::TwofoldDoublePrime) symbol += "\u2033";
    return symbol;
}

std::string PlaneSymbol(const symmetry::MirrorPlane& plane) {
    switch (plane.kind) {
        case symmetry::PlaneClass::Horizontal:
            return "\u03c3h";
        case symmetry::PlaneClass::Vertical:
            return "\u03c3v";
        case symmetry::PlaneClass::Dihedral:
            return "\u03c3d";
        case symmetry::PlaneClass::Plain:
            break;
    }
    return "\u03c3";
}

}  // namespace pivora
