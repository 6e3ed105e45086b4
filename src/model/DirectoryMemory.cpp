#include "model/DirectoryMemory.h"

#include <limits.h>

#include <exception>
#include <optional>

#include "model/Error.h"
#include "model/FileIo.h"

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
// huge or endless file costs nothing.
std::optional<std::string> RememberedDirectory(const std::string& path) {
    if (!IsPlainFile(path)) return std::nullopt;
    // A path of PATH_MAX - 1 bytes and its CR LF.
    constexpr std::size_t kMostBytes = PATH_MAX + 1;
    LineReader reader(path, LineReaderOptions{kMostBytes, kMostBytes});
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
        SafeFileWriter writer(DirinfPath(startDir));
        writer.Write(dir);
        writer.Write("\r\n");
        writer.Commit();
    } catch (const std::exception&) {
        // A read-only start-up directory, or a dirinf that is a device or a
        // FIFO, must not stop the open.
    }
}

void AcceptChosenInputFile(RememberedPaths& paths, const std::string& chosen) {
    paths.InFileName = chosen;
    paths.LastDir = DirectoryPart(chosen);
    ChangeDirectory(paths.LastDir);
    StoreLastDir(paths.StartDir, paths.LastDir);
}

}  // namespace pivora
