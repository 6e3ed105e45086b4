#include "model/AtomTable.h"

namespace pivora {

void AtomTable::Resize(std::size_t capacity) {
    AtomName.resize(capacity);
    AtomX.resize(capacity, 0.0);
    AtomY.resize(capacity, 0.0);
    AtomZ.resize(capacity, 0.0);
}

std::string SelectionLabel(const AtomTable& atoms, long long selection) {
    if (selection == 0) return "None";
    return atoms.IsAtom(selection) ? atoms.AtomName[static_cast<std::size_t>(selection)]
                                   : std::string();
}

}  // namespace pivora
