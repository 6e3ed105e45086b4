#include "model/DirectoryMemory.h"

#include "model/Error.h"
#include "model/FileIo.h"

namespace pivora {

std::string DirinfPath(const std::string& startDir) {
    std::string path = startDir;
    if (path.empty() || path.back() != '/') path += '/';
    path += "dirinf";
    return path;
}

std::string LoadLastDir(const std::string& startDir) {
    const std::string path = DirinfPath(startDir);
    if (IsPlainFile(path)) {
        // The memory is a convenience: an unreadable one falls back to the
        // current directory instead of stopping the open.
        try {
            LineReader reader(path);
            if (reader.AtEnd()) return std::string();
            return std::string(reader.NextLine());
        } catch (const Error&) {
        }
    }
    return CurrentDirectory();
}

void StoreLastDir(const std::string& startDir, const std::string& dir) {
    try {
        SafeFileWriter writer(DirinfPath(startDir));
        writer.Write(dir);
        writer.Write("\r\n");
        writer.Commit();
    } catch (const Error&) {
        // A read-only start-up directory must not stop the open.
    }
}

void AcceptChosenInputFile(RememberedPaths& paths, const std::string& chosen) {
    paths.InFileName = chosen;
    paths.LastDir = DirectoryPart(chosen);
    ChangeDirectory(paths.LastDir);
    StoreLastDir(paths.StartDir, paths.LastDir);
}

}  // namespace pivora
