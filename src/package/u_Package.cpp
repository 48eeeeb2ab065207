#include "package/u_Package.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/ascii.h"
#include "platform/error.h"
#include "platform/platform.h"

namespace zr {
namespace {

using platform::File;

int32_t Le32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

int64_t Le64(const uint8_t* p) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | p[i];
    return static_cast<int64_t>(value);
}

std::string WithoutTrailingBackslash(const std::string& dir) {
    return dir.ends_with('\\') ? dir.substr(0, dir.size() - 1) : dir;
}

std::string FolderOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\:");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

File OpenArchive(const std::string& path) {
    File file = File::Open(path, File::Access::ReadShared);
    if (!file.IsOpen()) {
        throw Error("Cannot open file \"" + path + "\". " + file.ErrorText());
    }
    return file;
}

// Free bytes for the calling user on the volume of a path's drive letter, -1 when unknown.
int64_t FreeSpaceOf(const std::string& dir) {
    if (dir.size() < 2 || dir[1] != ':') return -1;
    const int drive = static_cast<unsigned char>(dir[0]) - 64;  // A = 1, B = 2, ...
    if (drive < 1 || drive > 26) return -1;
    const std::string root = std::string(1, static_cast<char>(64 + drive)) + ":\\";
    const auto space = platform::QueryVolumeSpace(root);
    return space ? space->freeToCaller : -1;
}

// Inflates one zlib stream pulled from the archive in blocks of kInputSize bytes. It may read
// past the entry's data; every extraction positions the archive first.
class Inflater {
  public:
    // input is where compressed blocks are pulled in, kept by the reader from entry to entry.
    Inflater(File& source, std::span<uint8_t> input) : source_(source), input_(input) {
        if (inflateInit2(&stream_, 15) != Z_OK) throw Error("Error");
    }
    ~Inflater() { inflateEnd(&stream_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Produces count bytes, or fewer only when the stream or the archive ends first.
    size_t Read(uint8_t* out, size_t count) {
        stream_.next_out = out;
        stream_.avail_out = static_cast<uInt>(count);
        while (stream_.avail_out > 0 && !ended_) {
            if (stream_.avail_in == 0 && !Refill()) break;
            const int rc = inflate(&stream_, Z_NO_FLUSH);
            if (rc == Z_STREAM_END) {
                ended_ = true;
            } else if (rc != Z_OK && !(rc == Z_BUF_ERROR && stream_.avail_in == 0)) {
                throw Error("Error");
            }
        }
        return count - stream_.avail_out;
    }

    // After the entry's last byte the stream must end, and its Adler-32 trailer must match:
    // damaged data is never passed off as a good file.
    void ExpectEnd() {
        uint8_t extra = 0;
        if (Read(&extra, 1) != 0 || !ended_) throw Error("Error");
    }

  private:
    bool Refill() {
        const size_t got = source_.Read(input_.data(), input_.size());
        stream_.next_in = input_.data();
        stream_.avail_in = static_cast<uInt>(got);
        return got > 0;
    }

    File& source_;
    std::span<uint8_t> input_;
    z_stream stream_{};
    bool ended_ = false;
};

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, with any extension and trailing spaces:
// Windows opens the device for such a name in whatever folder it stands, so a file or folder of
// that name would never land in the target.
bool IsDeviceName(std::string_view part) {
    std::string_view base = part.substr(0, part.find('.'));
    while (base.ends_with(' ')) base.remove_suffix(1);
    for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
        if (platform::EqualsIgnoringAsciiCase(base, device)) return true;
    }
    const std::string_view prefix = base.substr(0, 3);
    return base.size() == 4 &&
           (platform::EqualsIgnoringAsciiCase(prefix, "COM") ||
            platform::EqualsIgnoringAsciiCase(prefix, "LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

}  // namespace

bool IsSafeEntryName(const std::string& name) {
    // Every file function ends a name at its first NUL: "..\0x" names the folder above.
    if (name.find('\0') != std::string::npos) return false;
    if (name.starts_with('\\') || name.starts_with('/')) return false;
    if (name.find(':') != std::string::npos) return false;  // a drive, or a stream name
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("\\/", start);
        if (end == std::string::npos) end = name.size();
        const std::string_view part(name.data() + start, end - start);
        // Windows drops trailing dots and spaces, so ". ." and "..." act as ".." would.
        const bool dotsOnly = !part.empty() && part.find_first_not_of(". ") == part.npos;
        if (dotsOnly && std::count(part.begin(), part.end(), '.') >= 2) return false;
        if (IsDeviceName(part)) return false;
        start = end + 1;
    }
    return true;
}

int32_t VEDUderivu::ReadIndex(const std::string& PackageFile, TPackedFileInfoArr& Entries,
                              TPackageHeader& Header) {
    if (!platform::IsFile(PackageFile)) return kPkgNotFound;
    File archive = OpenArchive(PackageFile);
    return ReadIndex(archive, Entries, Header);
}

int32_t VEDUderivu::ReadIndex(File& archive, TPackedFileInfoArr& Entries, TPackageHeader& Header) {
    const int64_t size = archive.Size();
    if (size < kPackageHeaderSize) return kPkgNotFound;
    archive.Seek(0);

    uint8_t raw[kPackageHeaderSize] = {};
    archive.Read(raw, sizeof raw);
    Header.Magic = {static_cast<char>(raw[0]), static_cast<char>(raw[1])};
    Header.Version = raw[2];
    Header.FileCount = Le32(raw + 3);
    Header.RequiredSpace = Le64(raw + 7);
    Header.DataSize = Le64(raw + 15);
    if (Header.Magic[0] != 'F' || Header.Magic[1] != 'D') return kPkgBadMagic;
    if (Header.Version != 1) return kPkgBadVersion;
    if (Header.DataSize != size - kPackageHeaderSize) return kPkgBadDataSize;
    // A count the file cannot hold is a broken index, not a reason to run out of memory.
    if (Header.FileCount < 0 || Header.FileCount > Header.DataSize / kPackedRecordSize) {
        return kPkgBadRecord;
    }

    Entries.resize(static_cast<size_t>(Header.FileCount));
    int64_t position = kPackageHeaderSize;
    for (auto& entry : Entries) {
        uint8_t record[kPackedRecordSize];
        if (archive.Read(record, sizeof record) != sizeof record) return kPkgBadRecord;
        const int32_t unpacked = Le32(record + 256);
        const int32_t packed = Le32(record + 260);
        if (Le32(record + 284) != kPackedRecordMarker || unpacked < 0 || packed < 0) {
            return kPkgBadRecord;
        }
        entry.FileName = platform::Cp936ToUtf8(
            std::string_view(reinterpret_cast<const char*>(record + 1), record[0]));
        entry.UnpackedSize = unpacked;
        entry.PackedSize = packed;
        entry.Attributes = Le32(record + 264);
        std::copy_n(record + 268, entry.Reserved.size(), entry.Reserved.begin());
        entry.Marker = kPackedRecordMarker;
        entry.DataOffset = position + kPackedRecordSize;
        position = entry.DataOffset + packed;
        archive.Seek(position);
    }
    return Header.FileCount;
}

int32_t VEDUderivu::DecompressTo(const std::string& TargetFile, File* Source, int32_t Count) {
    if (!Source) return kPkgNotFound;
    platform::MakeFolders(FolderOf(TargetFile));
    File target = File::Open(TargetFile, File::Access::CreateExclusive);
    if (!target.IsOpen()) {
        throw Error("Cannot create file \"" + TargetFile + "\". " + target.ErrorText());
    }
    if (!buffer_) {
        buffer_ = std::make_unique_for_overwrite<uint8_t[]>(kChunkSize);
        input_ = std::make_unique_for_overwrite<uint8_t[]>(kInputSize);
    }
    Inflater inflater(*Source, {input_.get(), kInputSize});  // released before the target is closed
    int64_t remaining = Count;
    int64_t written = 0;
    bool cancel = false;
    for (;;) {
        const size_t want =
            remaining > 0 ? static_cast<size_t>(std::min<int64_t>(kChunkSize, remaining)) : 0;
        const size_t got = inflater.Read(buffer_.get(), want);
        target.Write(buffer_.get(), got);
        written += static_cast<int64_t>(got);
        remaining -= static_cast<int64_t>(got);
        if (OnProgress) {
            OnProgress(TargetFile, static_cast<int32_t>(written), Count, -1, nullptr, cancel);
        }
        if (cancel) return kPkgCancelled;
        if (remaining == 0) {
            inflater.ExpectEnd();
            break;
        }
        if (got == 0) break;  // the data ran out early; the size tells the caller
    }
    return static_cast<int32_t>(target.Size());
}

int32_t VEDUderivu::ExtractFile(const std::string& PackageFile, const std::string& TargetDir,
                                const TPackedFileInfo& Entry) {
    if (!platform::IsFile(PackageFile)) return kPkgNotFound;
    if (!IsSafeEntryName(Entry.FileName)) return kPkgUnsafeName;
    File archive = OpenArchive(PackageFile);
    return ExtractFile(archive, TargetDir, Entry);
}

int32_t VEDUderivu::ExtractFile(File& archive, const std::string& TargetDir,
                                const TPackedFileInfo& Entry) {
    if (!IsSafeEntryName(Entry.FileName)) return kPkgUnsafeName;
    const std::string target = WithoutTrailingBackslash(TargetDir) + "\\" + Entry.FileName;
    archive.Seek(Entry.DataOffset);
    const int32_t result = DecompressTo(target, &archive, Entry.UnpackedSize);
    // Also after a cancel: the partial file gets the entry's attributes.
    platform::WriteAttributes(target, static_cast<uint32_t>(Entry.Attributes));
    return result;
}

int32_t VEDUderivu::ExtractAll(const std::string& PackageFile, const std::string& TargetDir) {
    if (!platform::IsFile(PackageFile)) return kPkgNotFound;
    File archive = OpenArchive(PackageFile);
    return ExtractAll(archive, TargetDir);
}

int32_t VEDUderivu::ExtractAll(File& archive, const std::string& TargetDir) {
    TPackedFileInfoArr entries;
    TPackageHeader header;
    int32_t result = ReadIndex(archive, entries, header);
    if (result < 0) return result;
    if (!std::all_of(entries.begin(), entries.end(),
                     [](const auto& e) { return IsSafeEntryName(e.FileName); })) {
        return kPkgUnsafeName;
    }
    // UTF-8 keeps a to z out of multi-byte characters, so Chinese names come through intact.
    const std::string dir = platform::AsciiUpper(WithoutTrailingBackslash(TargetDir));
    if (FreeSpaceOf(dir) < header.RequiredSpace) return kPkgNoSpace;

    bool cancel = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto& entry = entries[i];
        if (OnProgress) {
            OnProgress(entry.FileName, 0, entry.UnpackedSize, static_cast<int32_t>(i), &header,
                       cancel);
        }
        if (cancel) return kPkgCancelled;
        archive.Seek(entry.DataOffset);
        const std::string target = dir + "\\" + entry.FileName;
        result = DecompressTo(target, &archive, entry.UnpackedSize);
        if (result < 0) return result;
        if (result != entry.UnpackedSize) return kPkgSizeMismatch;
        platform::WriteAttributes(target, static_cast<uint32_t>(entry.Attributes));
    }
    return header.FileCount;
}

}  // namespace zr
