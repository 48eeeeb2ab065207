#pragma once

#include <string>

namespace zr::test {

// A fresh folder under the temporary folder, in drive form with a trailing backslash,
// removed with everything in it (read-only files included) when the object goes.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

  private:
    std::string path_;
};

// Removes a tree, clearing read-only attributes first; for test clean-up only.
void RemoveTree(const std::string& folder);

// Whether this system refuses to replace a read-only file. Windows does; Wine running as
// root does not, because root may write anything on the host.
bool ReadOnlyIsEnforced();

// Whole-file helpers for test data (binary, no conversion).
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

}  // namespace zr::test
