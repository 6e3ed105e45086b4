#include "model/AtomTable.h"

namespace pivora {

void AtomTable::Resize(std::size_t capacity) {
    AtomName.resize(capacity);
    AtomX.resize(capacity, 0.0);
    AtomY.resize(capacity, 0.0);
    AtomZ.resize(capacity, 0.0);
}

}  // namespace pivora
