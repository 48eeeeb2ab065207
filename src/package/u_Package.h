#pragma once

// Reader of Data.Kp, the program's own archive: a 23-byte header, then per entry a 288-byte
// index record followed by that entry's zlib stream. Operations answer with result codes;
// failures without a code (a file that cannot be opened or created, damaged compressed
// data) pass out as zr::Error with the text the user sees.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zr::platform {
class File;
}

namespace zr {

// Result codes.
inline constexpr int32_t kPkgNotFound = -1;        // no archive, too short, or no source
inline constexpr int32_t kPkgCancelled = -100;     // a progress handler set Cancel
inline constexpr int32_t kPkgBadMagic = -101;      // not "FD"
inline constexpr int32_t kPkgBadVersion = -102;    // Version is not 1
inline constexpr int32_t kPkgBadDataSize = -103;   // DataSize is not file size - 23
inline constexpr int32_t kPkgSizeMismatch = -201;  // extracted size differs from UnpackedSize
inline constexpr int32_t kPkgBadRecord = -202;     // bad marker, short record or impossible count
inline constexpr int32_t kPkgNoSpace = -203;       // target volume has less than RequiredSpace
inline constexpr int32_t kPkgUnsafeName = -204;    // an entry name leads out of the target folder

inline constexpr int kPackageHeaderSize = 23;
inline constexpr int kPackedRecordSize = 288;
inline constexpr int32_t kPackedRecordMarker = 0x7FFFFFFF;

struct TPackageHeader {
    std::array<char, 2> Magic{};
    uint8_t Version = 0;
    int32_t FileCount = 0;
    int64_t RequiredSpace = 0;
    int64_t DataSize = 0;
};

struct TPackedFileInfo {
    std::string FileName;  // UTF-8; stored in the archive in the ANSI code page
    int32_t UnpackedSize = 0;
    int32_t PackedSize = 0;
    int32_t Attributes = 0;
    std::array<uint8_t, 16> Reserved{};
    int32_t Marker = 0;
    int64_t DataOffset = 0;  // where the entry's compressed data begins; not stored
};

using TPackedFileInfoArr = std::vector<TPackedFileInfo>;

// FileName is the entry's stored name at an entry's start, the target path after a chunk;
// Index is -1 and Header null in chunk reports. Setting Cancel stops the operation (-100).
using TPackageProgressEvent =
    std::function<void(const std::string& FileName, int32_t Position, int32_t Size, int32_t Index,
                       const TPackageHeader* Header, bool& Cancel)>;

class VEDUderivu {
  public:
    // One transfer buffer of this size serves every DecompressTo call of a reader.
    static constexpr int32_t kChunkSize = 524288;
    // Compressed input is pulled from the archive in blocks of this size, into one block that
    // also serves every call.
    static constexpr int32_t kInputSize = 65536;

    TPackageProgressEvent OnProgress;

    int32_t ReadIndex(const std::string& PackageFile, TPackedFileInfoArr& Entries,
                      TPackageHeader& Header);
    int32_t ExtractFile(const std::string& PackageFile, const std::string& TargetDir,
                        const TPackedFileInfo& Entry);
    int32_t ExtractAll(const std::string& PackageFile, const std::string& TargetDir);

    // The same, through an archive the caller holds open: what was checked is what is read.
    int32_t ReadIndex(platform::File& Archive, TPackedFileInfoArr& Entries, TPackageHeader& Header);
    int32_t ExtractFile(platform::File& Archive, const std::string& TargetDir,
                        const TPackedFileInfo& Entry);
    int32_t ExtractAll(platform::File& Archive, const std::string& TargetDir);

    // Inflates Count bytes from Source's current position into TargetFile.
    int32_t DecompressTo(const std::string& TargetFile, platform::File* Source, int32_t Count);

  private:
    // Made at the first call and kept, for a reader serves one call at a time: a package of
    // many small files would otherwise take and give back more than half a megabyte for each.
    std::unique_ptr<uint8_t[]> buffer_;
    std::unique_ptr<uint8_t[]> input_;
};

// True when an entry name stays inside the folder it is extracted to: relative, without a
// drive, without a ".." component or a device name (CON, NUL, COM1, ...), and without a NUL.
bool IsSafeEntryName(const std::string& name);

}  // namespace zr
