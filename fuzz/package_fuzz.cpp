// Any bytes as Data.Kp: reading the index and unpacking, everything as the make command does and
// one entry as it takes the tool out, may answer with any result code or with the reader's own
// error, but must never crash, leak, run into undefined behaviour, or write anything outside the
// folder it extracts to. The files are in memory, which ends the process at the first change
// outside that folder (platform/memory/memory_files.h).

#include <cstdint>
#include <cstdlib>
#include <string>

#include "package/u_Package.h"
#include "platform/error.h"
#include "platform/memory/memory_files.h"
#include "platform/platform.h"

namespace {

namespace memory = zr::platform::memory;
using zr::platform::File;

const std::string kArchive = "C:\\Data.Kp";
// Two levels below the root, so that a name climbing out by a level or two has folders to land
// in; the reader upper-cases its target, which the case-blind names here do not mind. The tool
// goes to a folder of its own inside that one, with the guard moved there.
const std::string kTarget = "C:\\A\\B\\OUT";
const std::string kToolTarget = kTarget + "\\TOOL";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One reader for every run, as one reader serves every entry of a package: its transfer
    // buffer is made once.
    static zr::VEDUderivu reader;
    zr::TPackedFileInfoArr entries;
    zr::TPackageHeader header;
    {
        File archive = File::Open(kArchive, File::Access::CreateExclusive);
        if (!archive.IsOpen()) std::abort();
        archive.Write(data, size);
    }
    zr::platform::MakeFolders("C:\\A\\B");
    memory::AbortOnWritesOutside(kTarget);
    // Damaged compressed data and files that cannot be made are errors the reader reports by
    // throwing zr::Error; anything else escaping is a finding.
    try {
        reader.ReadIndex(kArchive, entries, header);
    } catch (const zr::Error&) {
    }
    try {
        reader.ExtractAll(kArchive, kTarget);
    } catch (const zr::Error&) {
    }
    // The entries that ReadIndex named before a bad record are used all the same. The make
    // command makes the tool's folder before it takes the tool out.
    zr::platform::MakeFolders(kToolTarget);
    memory::AbortOnWritesOutside(kToolTarget);
    if (!entries.empty()) {
        try {
            reader.ExtractFile(kArchive, kToolTarget, entries.front());
        } catch (const zr::Error&) {
        }
    }
    // Everything made in this run is freed in it, or libFuzzer would suspect a leak every time.
    memory::Reset();
    return 0;
}
