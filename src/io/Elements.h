#pragma once
// The chemical elements 1 to 118 and how a file's atom label names one.

#include <string_view>

namespace pivora::io {

inline constexpr int kElementCount = 118;

// "H" for 1 .. "Og" for 118; "" for any other number.
std::string_view ElementSymbol(int atomicNumber);

// The atomic number of an element symbol written in any case ("FE", "fe",
// "Fe" all give 26); 0 when text is no symbol.
int AtomicNumber(std::string_view symbol);

// The element a label names, 0 for none:
// - a label of digits only is an atomic number ("26" gives 26; 0 and
//   numbers above 118 name none);
// - otherwise its leading letters, in any case, are tried first as a
//   two-letter symbol and then as a one-letter one, whatever follows them:
//   "Fe1" and "FE1" give Fe, "CL2" Cl, "C12" C, "Co" and "CO1" Co, "HG2" Hg.
// Gaussian's ghost atom "Bq" names none (it would otherwise be read as
// boron), nor do dummy atoms such as "X" or "Du".
int ElementOfLabel(std::string_view label);

// A ghost atom: the basis functions of an element at a place, without its
// nucleus and electrons. Gaussian writes it "He-Bq" ("-Bq" in any case),
// ORCA "He :" in its xyz blocks, which the ORCA reader keeps as the label
// "He:". The element the ghost stands for, by ElementOfLabel on what comes
// before the mark; 0 when label is no ghost ("Bq" alone is a ghost with no
// basis functions of an element: 0 here as in ElementOfLabel).
int GhostElement(std::string_view label);

}  // namespace pivora::io
