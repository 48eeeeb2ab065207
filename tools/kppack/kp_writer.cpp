#include "kp_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <future>
#include <stdexcept>
#include <thread>

#include "package/u_Package.h"
#include "platform/platform.h"

namespace zr::kppack {
namespace {

template <typename T>
void Put(std::string& out, T value) {
    for (size_t i = 0; i < sizeof(T); ++i) {
        out.push_back(static_cast<char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF));
    }
}

std::string Compress(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string packed(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                  reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK) {
        throw std::runtime_error("compression failed");
    }
    packed.resize(size);
    return packed;
}

std::string Header(int32_t count, int64_t requiredSpace, int64_t dataSize) {
    std::string out = "FD";
    out.push_back(1);
    Put(out, count);
    Put(out, requiredSpace);
    Put(out, dataSize);
    return out;
}

std::string Record(const std::string& utf8Name, int32_t unpacked, int32_t packed,
                   int32_t attributes) {
    const auto cp936 = platform::Utf8ToCp936(utf8Name);
    if (!cp936) throw std::runtime_error("entry name outside code page 936: " + utf8Name);
    const std::string& name = *cp936;
    if (name.size() > 255) throw std::runtime_error("entry name too long: " + utf8Name);
    std::string out(256, '\0');
    out[0] = static_cast<char>(name.size());
    std::memcpy(out.data() + 1, name.data(), name.size());
    Put(out, unpacked);
    Put(out, packed);
    Put(out, attributes);
    out.append(16, '\0');
    Put(out, kPackedRecordMarker);
    return out;
}

int32_t CheckedSize(size_t size, const std::string& name) {
    if (size > 0x7FFFFFFF) throw std::runtime_error("entry too large (2 GiB at most): " + name);
    return static_cast<int32_t>(size);
}

void CollectFiles(const std::string& folder, const std::string& prefix,
                  std::vector<std::string>& names) {
    auto entries = platform::ListFolder(folder);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const auto& entry : entries) {
        if (entry.attributes & platform::kAttrDirectory) {
            CollectFiles(folder + entry.name + "\\", prefix + entry.name + "\\", names);
        } else {
            names.push_back(prefix + entry.name);
        }
    }
}

// A file name the program would refuse (-204) or write under another name (a character
// that code page 936, the package's, cannot hold) must not reach the archive.
void CheckName(const std::string& name) {
    const auto cp936 = platform::Utf8ToCp936(name);
    if (!IsSafeEntryName(name) || !cp936 || platform::Cp936ToUtf8(*cp936) != name) {
        throw std::runtime_error("file name not allowed in the package: " + name);
    }
}

std::string ReadWhole(const std::string& path) {
    auto file = platform::File::Open(path, platform::File::Access::ReadShared);
    if (!file.IsOpen()) throw std::runtime_error("cannot read " + path + ": " + file.ErrorText());
    std::string data(static_cast<size_t>(file.Size()), '\0');
    data.resize(file.Read(data.data(), data.size()));
    return data;
}

}  // namespace

std::string BuildArchive(const std::vector<Entry>& entries, int64_t requiredSpace) {
    std::string body;
    int64_t total = 0;
    for (const auto& entry : entries) {
        const std::string packed = Compress(entry.data);
        body += Record(entry.name, CheckedSize(entry.data.size(), entry.name),
                       CheckedSize(packed.size(), entry.name), entry.attributes);
        body += packed;
        total += static_cast<int64_t>(entry.data.size());
    }
    return Header(static_cast<int32_t>(entries.size()), requiredSpace < 0 ? total : requiredSpace,
                  static_cast<int64_t>(body.size())) +
           body;
}

int PackFolder(const std::string& folder, const std::string& archive) {
    std::string base = folder;
    if (!base.ends_with('\\')) base += '\\';
    std::vector<std::string> names;
    CollectFiles(base, "", names);
    for (const auto& name : names) CheckName(name);

    auto out = platform::File::Open(archive, platform::File::Access::CreateExclusive);
    if (!out.IsOpen())
        throw std::runtime_error("cannot create " + archive + ": " + out.ErrorText());
    out.Write(Header(0, 0, 0).data(), kPackageHeaderSize);  // rewritten at the end

    struct Packed {
        std::string record, data;
        int64_t unpacked = 0;
    };
    auto pack = [&](const std::string& name) {
        const std::string data = ReadWhole(base + name);
        Packed result;
        result.data = Compress(data);
        // Read-only, hidden, system and archive travel; a file with none of them gets the
        // archive bit, as a new file on Windows does.
        const auto known = platform::ReadAttributes(base + name).value_or(0) & 0x27;
        result.record =
            Record(name, CheckedSize(data.size(), name), CheckedSize(result.data.size(), name),
                   static_cast<int32_t>(known ? known : 0x20));
        result.unpacked = static_cast<int64_t>(data.size());
        return result;
    };

    // Files are compressed on all cores, a window of them at a time, and written in order.
    const size_t workers = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::future<Packed>> window;
    int64_t required = 0, dataSize = 0;
    size_t next = 0;
    for (size_t done = 0; done < names.size(); ++done) {
        while (next < names.size() && window.size() < done + workers) {
            window.push_back(std::async(std::launch::async, pack, names[next++]));
        }
        Packed packed = window[done].get();
        out.Write(packed.record.data(), packed.record.size());
        out.Write(packed.data.data(), packed.data.size());
        required += packed.unpacked;
        dataSize += static_cast<int64_t>(packed.record.size() + packed.data.size());
    }
    out.Seek(0);
    const std::string header = Header(static_cast<int32_t>(names.size()), required, dataSize);
    out.Write(header.data(), header.size());
    return static_cast<int>(names.size());
}

}  // namespace zr::kppack
