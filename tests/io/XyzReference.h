#pragma once
// Standard XYZ read line by line and field by field, as the formats library
// read it before its atom lines went the plain reader's way: the reference
// that the fast reading is held to, the same table or the same failure.

#include <string>

#include "io/MoleculeReader.h"

namespace pivora::io {

ReadResult ReadXyzLineByLine(const std::string& path, const AtomTable& previous);

}  // namespace pivora::io
