#pragma once
// The coordinate reader written the plain way, line by line and field by
// field (LineReader, CutLine, the file parse form), as the reference that
// the fast reader is held to: the same table, or the same failure.

#include <string>

#include "model/AtomTable.h"

namespace pivora::test {

// Two passes, count then parse, into a new table whose spare slots come
// from previous. Throws the reader's errors: the file error, the conversion
// error quoting the field, the overflow error, the file error of EIO when
// the file has fewer lines than counted.
AtomTable PlainReadTable(const std::string& path, const AtomTable& previous);

}  // namespace pivora::test
