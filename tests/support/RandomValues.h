#pragma once
// Coordinates that test the fixed form hardest, for the tests of the files
// that write it.

#include <cmath>
#include <random>

namespace pivora::test {

// A double of every size and sign the fixed form meets: ties at the 9th
// decimal (the extended route's), values from 2^26 up to beyond 1E36 (past
// the integer route), -0, tiny ones, and plain ones within +-1000.
inline double RandomFixedValue(std::mt19937_64& rng) {
    switch (rng() % 6) {
        case 0:
            return std::ldexp(2 * static_cast<double>(rng() % 100000) + 1, -10);
        case 1:
            return std::ldexp(1.0 + static_cast<double>(rng() % 1000) / 1000, 26 + rng() % 100);
        case 2:
            return -0.0;
        case 3:
            return std::ldexp(static_cast<double>(rng() % 1000),
                              -40 - static_cast<int>(rng() % 20));
        default:
            return std::uniform_real_distribution<double>(-1000, 1000)(rng);
    }
}

}  // namespace pivora::test
