#pragma once
// The molecule of the run and the remembered paths: plain program-wide data.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/SharedVector.h"

namespace pivora {

// Four parallel arrays of one length, the capacity. Slot 0 is the slot of no
// atom ("None", 0, 0, 0); atoms are slots 1..AtomCount in file order; each
// open leaves 9 spare slots after them. Before the first open the arrays
// have no slots at all. Coordinates are in angstrom.
//
// A copy of a table shares the arrays with it until either is written
// (SharedVector), so the grid and the undo history keep copies for free.
struct AtomTable {
    std::int32_t AtomCount = 0;
    SharedVector<std::string> AtomName;
    SharedVector<double> AtomX;
    SharedVector<double> AtomY;
    SharedVector<double> AtomZ;

    // Length of the four arrays.
    std::size_t Capacity() const { return AtomName.size(); }
    // The last slot that holds an atom: AtomCount, but never past the end of
    // the arrays, so that no count can make a reader leave the table. 0 when
    // there is no atom.
    std::size_t LastAtom() const {
        if (AtomCount <= 0 || Capacity() == 0) return 0;
        return std::min(static_cast<std::size_t>(AtomCount), Capacity() - 1);
    }
    // True when index names an atom: 1..AtomCount and inside the arrays.
    bool IsAtom(long long index) const {
        return index >= 1 && static_cast<unsigned long long>(index) <= LastAtom();
    }
    // Sets the length of all four arrays, keeping every element that fits
    // and giving new ones the empty label and 0.
    void Resize(std::size_t capacity);
    // True when no copy shares any of the four arrays, so that writing them
    // allocates nothing and changes no other copy.
    bool Unshared() const {
        return AtomName.Unshared() && AtomX.Unshared() && AtomY.Unshared() && AtomZ.Unshared();
    }
};

// The label a name box (`V1`..`V8`, `U1`..`U8`, `Edit1`, `Edit2`) shows for a
// selection: "None" for 0 (no atom, also before the first open), the atom's
// label for 1 to AtomCount, and an empty text for any index that names no
// atom (a spare slot, a negative one, any other before the first open).
std::string SelectionLabel(const AtomTable& atoms, long long selection);

// Full paths as POSIX byte strings; a directory has no trailing "/" unless
// it is the root.
struct RememberedPaths {
    std::string StartDir;     // current directory at start-up; holds dirinf
    std::string LastDir;      // directory of the last opened file
    std::string InFileName;   // last accepted open dialog
    std::string OutFileName;  // last accepted save dialog
};

struct ProgramState {
    AtomTable Atoms;
    RememberedPaths Paths;
};

// How many spare slots follow the atoms, slot 0 not counted.
inline constexpr std::int32_t kSpareSlots = 9;

}  // namespace pivora
