#pragma once
// Covalent radii of the elements, in angstrom, from
//   B. Cordero, V. Gómez, A. E. Platero-Prats, M. Revés, J. Echeverría,
//   E. Cremades, F. Barragán and S. Alvarez, "Covalent radii revisited",
//   Dalton Trans. 2008, 2832-2838 (doi:10.1039/b801115j),
// the radii fitted to some 228,000 bond lengths of the Cambridge Structural
// Database. Where the paper gives several values the one used is: carbon
// sp3 (0.76); manganese, iron and cobalt low spin (1.39, 1.32, 1.26), the
// state of their organometallic and ammine complexes.

namespace pivora {

// The paper covers hydrogen (1) to curium (96).
inline constexpr int kLastElementWithRadius = 96;

// The radius of element 1 to 96; 0 for any other number (no published value).
double CovalentRadius(int atomicNumber);

}  // namespace pivora
