// Any bytes as Data.Kp: reading the index and unpacking everything may answer with any result
// code or with the reader's own error, but must never crash, leak, run into undefined
// behaviour, or write anything outside the folder it extracts to.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "package/u_Package.h"
#include "platform/error.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

// A folder of this process: the archive beside "A", and the target two levels below it, so
// that a name climbing out of the target by a level or two leaves a trace to find. The
// reader upper-cases its target folder, so the folders are named in capitals to begin with.
class Workspace {
  public:
    Workspace() {
        const char* tmp = std::getenv("TMPDIR");
        base_ = fs::path(tmp && *tmp ? tmp : "/tmp") / ("zrfuzz-" + std::to_string(getpid()));
        fs::remove_all(base_);
        fs::create_directories(base_ / "A");
        archive_ = zr::platform::FromHostPath((base_ / "Data.Kp").string());
        target_ = zr::platform::FromHostPath((base_ / "A" / "B" / "OUT").string());
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(base_, ignored);
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    const std::string& archive() const { return archive_; }
    const std::string& target() const { return target_; }

    void Store(const uint8_t* data, size_t size) const {
        auto file = zr::platform::File::Open(archive_, zr::platform::File::Access::CreateExclusive);
        if (!file.IsOpen()) Abort("cannot write the archive: " + file.ErrorText());
        file.Write(data, size);
    }

    // Removes what the extraction made and checks that it made nothing elsewhere.
    void Clear() const {
        fs::remove_all(base_ / "A" / "B");
        ExpectOnly(base_, {"Data.Kp", "A"});
        ExpectOnly(base_ / "A", {});
    }

  private:
    static void ExpectOnly(const fs::path& folder, const std::set<std::string>& names) {
        for (const auto& item : fs::directory_iterator(folder)) {
            if (!names.contains(item.path().filename().string())) {
                Abort("written outside the target folder: " + item.path().string());
            }
        }
    }

    [[noreturn]] static void Abort(const std::string& why) {
        std::fprintf(stderr, "package_fuzz: %s\n", why.c_str());
        std::abort();
    }

    fs::path base_;
    std::string archive_;
    std::string target_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Workspace workspace;
    workspace.Store(data, size);

    zr::VEDUderivu reader;
    zr::TPackedFileInfoArr entries;
    zr::TPackageHeader header;
    // Damaged compressed data and files that cannot be made are errors the reader reports
    // by throwing zr::Error; anything else escaping is a finding.
    try {
        reader.ReadIndex(workspace.archive(), entries, header);
    } catch (const zr::Error&) {
    }
    try {
        reader.ExtractAll(workspace.archive(), workspace.target());
    } catch (const zr::Error&) {
    }
    workspace.Clear();
    return 0;
}
