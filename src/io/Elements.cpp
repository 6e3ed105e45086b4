#include "io/Elements.h"

#include <array>
#include <cstdint>

namespace pivora::io {
namespace {

constexpr std::array<std::string_view, kElementCount + 1> kSymbols = {
    "",   "H",  "He", "Li", "Be", "B",  "C",  "N",  "O",  "F",  "Ne", "Na", "Mg", "Al", "Si",
    "P",  "S",  "Cl", "Ar", "K",  "Ca", "Sc", "Ti", "V",  "Cr", "Mn", "Fe", "Co", "Ni", "Cu",
    "Zn", "Ga", "Ge", "As", "Se", "Br", "Kr", "Rb", "Sr", "Y",  "Zr", "Nb", "Mo", "Tc", "Ru",
    "Rh", "Pd", "Ag", "Cd", "In", "Sn", "Sb", "Te", "I",  "Xe", "Cs", "Ba", "La", "Ce", "Pr",
    "Nd", "Pm", "Sm", "Eu", "Gd", "Tb", "Dy", "Ho", "Er", "Tm", "Yb", "Lu", "Hf", "Ta", "W",
    "Re", "Os", "Ir", "Pt", "Au", "Hg", "Tl", "Pb", "Bi", "Po", "At", "Rn", "Fr", "Ra", "Ac",
    "Th", "Pa", "U",  "Np", "Pu", "Am", "Cm", "Bk", "Cf", "Es", "Fm", "Md", "No", "Lr", "Rf",
    "Db", "Sg", "Bh", "Hs", "Mt", "Ds", "Rg", "Cn", "Nh", "Fl", "Mc", "Lv", "Ts", "Og",
};

// Letter index 0..25 of an ASCII letter in either case, -1 for any other byte.
int LetterIndex(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a';
    return -1;
}

// [first letter][second letter + 1, or 0 for a one-letter symbol] -> atomic
// number. Labels are looked up once per atom of a million-atom file, so the
// lookup is two indexes rather than a search.
struct SymbolIndex {
    std::array<std::array<std::uint8_t, 27>, 26> number{};
    SymbolIndex() {
        for (int z = 1; z <= kElementCount; ++z) {
            const std::string_view s = kSymbols[static_cast<std::size_t>(z)];
            const int second = s.size() > 1 ? LetterIndex(s[1]) + 1 : 0;
            number[static_cast<std::size_t>(LetterIndex(s[0]))][static_cast<std::size_t>(second)] =
                static_cast<std::uint8_t>(z);
        }
    }
    int Find(int first, int second) const {
        return number[static_cast<std::size_t>(first)][static_cast<std::size_t>(second + 1)];
    }
};

const SymbolIndex& Index() {
    static const SymbolIndex index;
    return index;
}

}  // namespace

std::string_view ElementSymbol(int atomicNumber) {
    if (atomicNumber < 1 || atomicNumber > kElementCount) return {};
    return kSymbols[static_cast<std::size_t>(atomicNumber)];
}

int AtomicNumber(std::string_view symbol) {
    if (symbol.empty() || symbol.size() > 2) return 0;
    const int first = LetterIndex(symbol[0]);
    const int second = symbol.size() == 2 ? LetterIndex(symbol[1]) : -1;
    if (first < 0 || (symbol.size() == 2 && second < 0)) return 0;
    return Index().Find(first, second);
}

int ElementOfLabel(std::string_view label) {
    if (label.empty()) return 0;
    if (label[0] >= '0' && label[0] <= '9') {
        int number = 0;
        for (char c : label) {
            if (c < '0' || c > '9' || number > kElementCount) return 0;
            number = number * 10 + (c - '0');
        }
        return number <= kElementCount ? number : 0;
    }
    const int first = LetterIndex(label[0]);
    if (first < 0) return 0;
    const int second = label.size() > 1 ? LetterIndex(label[1]) : -1;
    if (second >= 0) {
        if (first == 'b' - 'a' && second == 'q' - 'a') return 0;  // Gaussian's ghost atom
        if (const int two = Index().Find(first, second)) return two;
    }
    return Index().Find(first, -1);
}

int GhostElement(std::string_view label) {
    if (label.size() > 1 && label.back() == ':')
        return ElementOfLabel(label.substr(0, label.size() - 1));
    constexpr std::size_t kMark = 3;  // "-Bq"
    if (label.size() > kMark) {
        const std::string_view mark = label.substr(label.size() - kMark);
        if (mark[0] == '-' && (mark[1] == 'B' || mark[1] == 'b') &&
            (mark[2] == 'Q' || mark[2] == 'q'))
            return ElementOfLabel(label.substr(0, label.size() - kMark));
    }
    return 0;
}

}  // namespace pivora::io
