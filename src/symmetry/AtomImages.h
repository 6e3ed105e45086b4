#pragma once
// Where an operation sends the atoms: for each atom, the atom of its kind
// that its image lies on. A cell grid over the atoms makes one look-up cost
// a few distance tests, so that checking an operation is linear in the
// atoms.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "symmetry/LinearAlgebra.h"

namespace pivora::symmetry {

using Point = std::array<double, 3>;

class AtomImages {
  public:
    // points: the atoms about the centre (angstrom); kinds: one per point.
    // cellHint: the largest radius that look-ups will mostly use.
    AtomImages(std::span<const Point> points, std::span<const int> kinds, double cellHint);

    // Finds for every atom i the atom image[i] of the same kind nearest to
    // m applied to atom i, within radius. Atoms are tried farthest from the
    // centre first, and the search stops at the first atom without one
    // (false). With oneToOne, the images must also form a permutation: when
    // two atoms claim the same atom, a bipartite matching over all atoms
    // within radius decides (false when there is none, or when it would
    // take too long).
    bool Match(const LMat& m, double radius, bool oneToOne, std::vector<int>& image);

    // Whether image, a permutation of the atoms (0-based), sends every atom
    // within radius of m applied to it: Match's test for an assignment
    // already known, without the look-ups.
    bool Holds(const LMat& m, double radius, const std::vector<int>& image);

    // Whether two atoms of one kind lie within radius of each other.
    bool AnyPairWithin(double radius);

    // Distance tests made so far: the caller's measure of work done.
    std::uint64_t Work() const { return work_; }

  private:
    struct Entry {
        double x, y, z;
        int kind;
        int atom;
    };
    // The atom of kind nearest to q within radius, or -1.
    int Nearest(const Point& q, int kind, double radius);
    template <typename F>
    void ForEachWithin(const Point& q, int kind, double radius, F&& f);
    bool MatchAll(const std::vector<Point>& images, double radius, std::vector<int>& image);

    std::span<const Point> points_;
    std::span<const int> kinds_;
    std::vector<int> farthestFirst_;
    std::array<double, 3> low_{};
    std::array<long long, 3> dims_{};
    double cell_ = 1;
    std::vector<std::uint32_t> cellStart_;
    std::vector<Entry> entries_;
    std::vector<std::uint32_t> claimed_;  // stamp of the Match call that claimed an atom
    std::uint32_t stamp_ = 0;
    std::uint64_t work_ = 0;
};

}  // namespace pivora::symmetry
