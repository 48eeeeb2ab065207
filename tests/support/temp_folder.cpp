#include "support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <vector>

#include "platform/platform.h"
#include "support/wine.h"

namespace zr::test {

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = platform::TempFolder() + "zrtest-" +
                                      std::to_string(stamp % 1000000007) + "-" +
                                      std::to_string(counter++);
        if (platform::MakeFolder(candidate)) {
            path_ = candidate + "\\";
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

namespace {

// Wine maps a path back to a drive by the identity (device and inode) of the folders that its
// drives stand for, and keeps what it found for a second. A drive link a test removes may then
// still be taken for any folder that gets the freed inode of the link's target: a temporary
// folder of the next test. So under Wine the folders are only set aside until the program ends,
// and their inodes stay taken until then.
class SetAside {
  public:
    ~SetAside() {
        for (const auto& folder : folders_) RemoveTree(folder);
    }
    void Add(const std::string& folder) { folders_.push_back(folder); }

  private:
    std::vector<std::string> folders_;
};

}  // namespace

TempFolder::~TempFolder() {
    static SetAside setAside;
    if (UnderWine()) {
        setAside.Add(path_);
    } else {
        RemoveTree(path_);
    }
}

void RemoveTree(const std::string& folder) {
    std::string base = folder;
    if (!base.ends_with('\\')) base += '\\';
    for (const auto& entry : platform::ListFolder(base)) {
        const std::string path = base + entry.name;
        if ((entry.attributes & platform::kAttrDirectory) && !entry.isLink) {
            RemoveTree(path);
        } else if (entry.isLink) {
            if (!platform::RemoveFolder(path)) platform::RemoveFile(path);
        } else {
            platform::WriteAttributes(path, platform::kAttrNormal);
            platform::RemoveFile(path);
        }
    }
    platform::WriteAttributes(base, platform::kAttrDirectory);
    platform::RemoveFolder(base);
}

bool ReadOnlyIsEnforced() {
    static const bool enforced = [] {
        TempFolder tmp;
        WriteFile(tmp / "probe", "x");
        platform::WriteAttributes(tmp / "probe", platform::kAttrReadOnly);
        return !platform::File::Open(tmp / "probe", platform::File::Access::CreateExclusive)
                    .IsOpen();
    }();
    return enforced;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    platform::MakeFolders(path.substr(0, path.find_last_of('\\') + 1));
    auto file = platform::File::Open(path, platform::File::Access::CreateExclusive);
    if (!file.IsOpen()) throw std::runtime_error("cannot write " + path + ": " + file.ErrorText());
    file.Write(bytes.data(), bytes.size());
}

std::string ReadFile(const std::string& path) {
    auto file = platform::File::Open(path, platform::File::Access::ReadShared);
    if (!file.IsOpen()) throw std::runtime_error("cannot read " + path + ": " + file.ErrorText());
    std::string bytes(static_cast<size_t>(file.Size()), '\0');
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    return bytes;
}

}  // namespace zr::test
