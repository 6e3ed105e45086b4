#include "files/DirectoryMemory.h"

#include <limits.h>

#include <exception>
#include <optional>

#include "base/Error.h"
#include "files/FileIo.h"

namespace pivora {

std::string DirinfPath(const std::string& startDir) {
    std::string path = startDir;
    if (path.empty() || path.back() != '/') path += '/';
    path += "dirinf";
    return path;
}

namespace {

// The first line of dirinf; nothing when there is none that could be a
// directory. Only one path's length of the file is ever read, so that a
// huge or endless file costs nothing. A dirinf that someone else put there
// (a link, a FIFO, another user's file) is refused by the open.
std::optional<std::string> RememberedDirectory(const std::string& path) {
    InputFile file(path, OpenRule::OwnFileNoLink);
    // A path of PATH_MAX - 1 bytes and its CR LF.
    constexpr std::size_t kMostBytes = PATH_MAX + 1;
    LineReader reader(file, LineReaderOptions{kMostBytes, kMostBytes});
    if (reader.AtEnd()) return std::string();
    std::string line(reader.NextLine());
    if (reader.LimitReached() || line.size() >= PATH_MAX) return std::nullopt;
    return line;
}

}  // namespace

std::string LoadLastDir(const std::string& startDir) {
    // The memory is a convenience: whatever goes wrong with it, memory
    // included, the dialog starts in the current directory instead.
    try {
        if (std::optional<std::string> dir = RememberedDirectory(DirinfPath(startDir)))
            return std::move(*dir);
    } catch (const std::exception&) {
    }
    return CurrentDirectory();
}

void StoreLastDir(const std::string& startDir, const std::string& dir) {
    try {
        WriteOptions own;
        own.ownFileOnly = true;
        SafeFileWriter writer(DirinfPath(startDir), std::move(own));
        writer.Write(dir);
        writer.Write("\r\n");
        writer.Commit();
    } catch (const std::exception&) {
        // A read-only start-up directory, or a dirinf that is not ours to
        // replace, must not stop the open.
    }
}

void AcceptChosenInputFile(RememberedPaths& paths, const std::string& chosen) {
    paths.InFileName = chosen;
    paths.LastDir = DirectoryPart(chosen);
    ChangeDirectory(paths.LastDir);
    StoreLastDir(paths.StartDir, paths.LastDir);
}

}  // namespace pivora
