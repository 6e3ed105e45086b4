#pragma once
// A fresh directory under the system's temporary folder, removed with all
// its content when the object goes.

#include <string>
#include <vector>

namespace pivora::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string File(const std::string& name) const;
    // Writes bytes to File(name) and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;
    // The names in the directory, sorted, without "." and "..".
    std::vector<std::string> Names() const;

  private:
    std::string path_;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadAll(const std::string& path);

}  // namespace pivora::test
