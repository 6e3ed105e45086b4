#include "structure/CovalentRadii.h"

#include <array>

namespace pivora {
namespace {

// Element by element as the paper's table lists them, index = atomic number.
constexpr std::array<double, kLastElementWithRadius + 1> kRadii = {
    0.00,                                                              // none
    0.31, 0.28,                                                        // H He
    1.28, 0.96, 0.84, 0.76, 0.71, 0.66, 0.57, 0.58,                    // Li .. Ne
    1.66, 1.41, 1.21, 1.11, 1.07, 1.05, 1.02, 1.06,                    // Na .. Ar
    2.03, 1.76,                                                        // K Ca
    1.70, 1.60, 1.53, 1.39, 1.39, 1.32, 1.26, 1.24, 1.32, 1.22,        // Sc .. Zn
    1.22, 1.20, 1.19, 1.20, 1.20, 1.16,                                // Ga .. Kr
    2.20, 1.95,                                                        // Rb Sr
    1.90, 1.75, 1.64, 1.54, 1.47, 1.46, 1.42, 1.39, 1.45, 1.44,        // Y .. Cd
    1.42, 1.39, 1.39, 1.38, 1.39, 1.40,                                // In .. Xe
    2.44, 2.15,                                                        // Cs Ba
    2.07, 2.04, 2.03, 2.01, 1.99, 1.98, 1.98, 1.96, 1.94, 1.92, 1.92,  // La .. Ho
    1.89, 1.90, 1.87, 1.87,                                            // Er .. Lu
    1.75, 1.70, 1.62, 1.51, 1.44, 1.41, 1.36, 1.36, 1.32,              // Hf .. Hg
    1.45, 1.46, 1.48, 1.40, 1.50, 1.50,                                // Tl .. Rn
    2.60, 2.21,                                                        // Fr Ra
    2.15, 2.06, 2.00, 1.96, 1.90, 1.87, 1.80, 1.69,                    // Ac .. Cm
};

}  // namespace

double CovalentRadius(int atomicNumber) {
    if (atomicNumber < 1 || atomicNumber > kLastElementWithRadius) return 0;
    return kRadii[static_cast<std::size_t>(atomicNumber)];
}

}  // namespace pivora
