// kppack: makes, lists and extracts Data.Kp archives.
//   kppack pack <folder> <Data.Kp>
//   kppack list <Data.Kp>
//   kppack extract <Data.Kp> <folder>
// list and extract go through the program's own reader and print its result code last.

#include <cstdio>
#include <exception>
#include <string>

#include "kp_writer.h"
#include "package/u_Package.h"
#include "platform/platform.h"

namespace {

int Usage() {
    std::fputs(
        "usage: kppack pack <folder> <Data.Kp>\n"
        "       kppack list <Data.Kp>\n"
        "       kppack extract <Data.Kp> <folder>\n",
        stderr);
    return 2;
}

std::string Arg(const char* text) {
#ifdef _WIN32
    return zr::platform::FromHostPath(zr::platform::AnsiToUtf8(text));
#else
    return zr::platform::FromHostPath(text);
#endif
}

int List(const std::string& archive) {
    zr::VEDUderivu reader;
    zr::TPackedFileInfoArr entries;
    zr::TPackageHeader header;
    const int32_t result = reader.ReadIndex(archive, entries, header);
    if (result >= 0) {
        std::printf("%d entries, %lld bytes required\n", header.FileCount,
                    static_cast<long long>(header.RequiredSpace));
        for (const auto& e : entries) {
            std::printf("%12d %12d  %04x  %s\n", e.UnpackedSize, e.PackedSize,
                        static_cast<unsigned>(e.Attributes), e.FileName.c_str());
        }
    }
    std::printf("%d\n", result);
    return result < 0 ? 1 : 0;
}

int Extract(const std::string& archive, const std::string& folder) {
    zr::VEDUderivu reader;
    const int32_t result = reader.ExtractAll(archive, folder);
    std::printf("%d\n", result);
    return result < 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    try {
        if (command == "pack" && argc == 4) {
            const int count = zr::kppack::PackFolder(Arg(argv[2]), Arg(argv[3]));
            std::printf("%d entries packed\n", count);
            return 0;
        }
        if (command == "list" && argc == 3) return List(Arg(argv[2]));
        if (command == "extract" && argc == 4) return Extract(Arg(argv[2]), Arg(argv[3]));
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
        return 1;
    }
    return Usage();
}
