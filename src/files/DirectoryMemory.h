#pragma once
// dirinf: the one-line file in the start-up directory that remembers the
// directory of the last opened coordinate file.

#include <string>

#include "model/AtomTable.h"

namespace pivora {

// StartDir + "/dirinf", without a doubled "/" when StartDir is "/".
std::string DirinfPath(const std::string& startDir);

// The directory the open dialog starts in: the first line of dirinf when it
// is a regular file of this user's own, not a symbolic link, that can be
// read and that line is shorter than PATH_MAX bytes, else the current
// directory. Reads at most PATH_MAX + 1 bytes of dirinf. Fails only when
// the current directory cannot be had for memory.
std::string LoadLastDir(const std::string& startDir);

// Writes dir as dirinf's one line, ended by CR LF, replacing dirinf only
// when it is a regular file of this user's own (SafeFileWriter with
// ownFileOnly). A failure is ignored: the memory must never stop an open.
// A dirinf that is a symbolic link (whatever it points to), a device, a
// FIFO, a socket or another user's file is left alone, and so is what a
// link points to: nothing is remembered then.
void StoreLastDir(const std::string& startDir, const std::string& dir);

// What an accepted open dialog does before the file is read: InFileName :=
// chosen, LastDir := its directory part, that directory becomes the current
// one (a failure is ignored), and dirinf remembers it.
void AcceptChosenInputFile(RememberedPaths& paths, const std::string& chosen);

}  // namespace pivora
