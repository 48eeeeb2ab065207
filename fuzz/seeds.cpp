#include "seeds.h"

#include <cstdint>
#include <random>
#include <stdexcept>
#include <utility>

#include "imaging/gif_writer.h"
#include "kp_writer.h"
#include "support/jpeg_writer.h"

namespace zr::fuzz {
namespace {

using imaging::test::GifFrame;
using imaging::test::GifWriter;
using imaging::test::Solid;

// The same bytes on every run, so that a seed that finds something can be made again.
std::string Noise(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
    return bytes;
}

std::vector<Seed> PackageSeeds() {
    using kppack::BuildArchive;
    std::string longText;
    for (int i = 1; i <= 300; ++i) {
        longText += "line " + std::to_string(i) + " of a menu that repeats itself\n";
    }
    return {
        {"empty", BuildArchive({})},
        {"one", BuildArchive({{"menu.lst", "title demo\n"}})},
        {"sub", BuildArchive({{"filelist", "grldr\n"}, {"boot\\grldr", Noise(700, 1)}})},
        {"several", BuildArchive({{"empty", ""},
                                  {"filelist", "fbinst.exe\ngrldr\n"},
                                  {"fbinst.exe", Noise(300, 2), 0x21},
                                  {"defMenu.txt", "title a\nroot (hd0,0)\n"}})},
        {"noise", BuildArchive({{"random.bin", Noise(3000, 3)}})},
        {"text", BuildArchive({{"long.txt", longText}})},
        {"chinese", BuildArchive({{"启动\\说明.txt", "启动盘"}})},
        {"no-space", BuildArchive({{"a", "b"}}, int64_t{1} << 50)},
    };
}

std::vector<uint32_t> Colours(size_t count) {
    std::vector<uint32_t> palette;
    for (size_t i = 0; i < count; ++i) palette.push_back(static_cast<uint32_t>(i * 0x0F1E2D));
    return palette;
}

std::vector<Seed> GifSeeds() {
    GifWriter animated(8, 8, Colours(4));
    animated.Loop(0);
    GifFrame first = Solid(0, 0, 8, 8, 1);
    first.delayCs = 5;
    GifFrame cleared = Solid(2, 2, 4, 4, 2, 2);
    cleared.delayCs = 20;
    GifFrame restored = Solid(1, 1, 3, 3, 3, 3);
    restored.transparent = 0;
    animated.Frame(first).Frame(cleared).Frame(restored);

    GifFrame interlaced = Solid(0, 0, 5, 11, 0);
    interlaced.interlaced = true;
    for (size_t i = 0; i < interlaced.indices.size(); ++i) {
        interlaced.indices[i] = static_cast<uint8_t>(i % 4);
    }
    interlaced.palette = Colours(4);

    // Enough different pixels to fill the code table, once with a clear and once without.
    GifFrame full = Solid(0, 0, 64, 64, 0);
    const std::string noise = Noise(full.indices.size(), 4);
    for (size_t i = 0; i < full.indices.size(); ++i) {
        full.indices[i] = static_cast<uint8_t>(noise[i]);
    }
    GifFrame frozen = full;
    frozen.full = imaging::test::FullTable::KeepCodes;

    GifFrame zeroScreen = Solid(3, 1, 2, 2, 1);
    zeroScreen.control = false;

    const std::string cut = GifWriter(4, 4, Colours(2)).Frame(Solid(0, 0, 4, 4, 1)).Finish();
    return {
        {"single", GifWriter(4, 4, Colours(2)).Frame(Solid(0, 0, 4, 4, 1)).Finish()},
        {"animated", animated.Finish()},
        {"interlaced-local", GifWriter(5, 11).Frame(interlaced).Finish()},
        {"full-table", GifWriter(64, 64, Colours(256)).Frame(full).Finish()},
        {"full-table-kept", GifWriter(64, 64, Colours(256)).Frame(frozen).Finish()},
        {"gif87a", GifWriter(3, 3, Colours(2), "GIF87a").Frame(Solid(0, 0, 3, 3, 1)).Finish()},
        {"zero-screen", GifWriter(0, 0, Colours(2)).Frame(zeroScreen).Finish()},
        {"cut", cut.substr(0, cut.size() - 6)},
    };
}

std::vector<Seed> JpegSeeds() {
    using test::EncodeJpeg;
    using test::JpegOptions;
    auto gradient = [](size_t components) {
        return [components](int x, int y) {
            std::vector<uint8_t> pixel;
            for (size_t c = 0; c < components; ++c) {
                pixel.push_back(static_cast<uint8_t>(x * 16 + y * 8 + int(c) * 60));
            }
            return pixel;
        };
    };
    return {
        {"rgb", EncodeJpeg(8, 8, {}, gradient(3))},
        {"grey", EncodeJpeg(16, 9, {.space = JCS_GRAYSCALE}, gradient(1))},
        {"cmyk", EncodeJpeg(8, 8, {.space = JCS_CMYK}, gradient(4))},
        {"progressive", EncodeJpeg(17, 16, {.progressive = true}, gradient(3))},
        {"low-quality", EncodeJpeg(24, 8, {.quality = 10}, gradient(3))},
    };
}

// An isolist, a 0x1E byte, then defMenu.txt (see isolist_fuzz.cpp).
std::vector<Seed> IsoListSeeds() {
    const std::string defMenu = "timeout 5\r\ndefault 0\r\n\r\ntitle 启动 PE\r\nroot (hd0,0)\r\n";
    // 启动盘 in code page 936, as the list stores it.
    const std::string title = "\xC6\xF4\xB6\xAF\xC5\xCC";
    return {
        {"two", "My PE|D:\\img\\Win PE.iso\r\nDOS|E:\\dos.IMG\r\n\x1E" + defMenu},
        {"ansi", title + "|D:\\" + title + "\\a|b.iso\r\n\x1E" + defMenu},
        {"shapes", "|x\ny|\r\r\nno bar.iso\r\n\r\nother|D:\\a.iso.bak\nend" + std::string(1, '\0') +
                       "after\x1E" + "a\nb\rc"},
        {"list-only", "Only|C:\\only.iso"},
        {"menu-only", "\x1E" + defMenu},
    };
}

// Rows in the shape WMI gives them (see wmi_fuzz.cpp).
std::vector<Seed> WmiSeeds() {
    const std::string partition = "\\\\ZR-PC\\root\\cimv2:Win32_DiskPartition.DeviceID=";
    const std::string volume = "\\\\ZR-PC\\root\\cimv2:Win32_LogicalDisk.DeviceID=";
    auto association = [&](const std::string& key, const std::string& drive, const char* size) {
        return "A" + volume + "\"" + drive + "\"\t" + partition + "\"" + key + "\"\t" + size + "\n";
    };
    auto drive = [](int number, const std::string& type, const std::string& id) {
        return "D\\\\.\\PHYSICALDRIVE" + std::to_string(number) + "\t" + type + "\t" + id + "\n";
    };
    const std::string stick = "USBSTOR\\DISK&VEN_ABC&PROD_FLASH_DISK&REV_1.00\\4C5300012305&0";
    return {
        {"one-stick", association("Disk #1, Partition #0", "E:", "8004304896") +
                          drive(0, "IDE", "IDE\\DISKWDC\\5&1") + drive(1, "USB", stick)},
        {"two-volumes", association("Disk #1, Partition #0", "E:", "1207959552") +
                            association("Disk #1, Partition #1", "f:", "1536") +
                            association("Disk #0, Partition #0", "C:", "1023") +
                            drive(1, "USB", stick)},
        {"null-id",
         association("Disk #2, Partition #0", "G:", "1") + "D\\\\.\\PHYSICALDRIVE2\tUSB\n"},
        {"odd-keys", association("Disk # 7 \t, Partition #0", "H:", "9223372036854775807") +
                         association("Disk, Partition #0", "I:", "-5") +
                         drive(7, "USB", "USBSTOR\\DISK&PROD_P&REV_\\1") +
                         drive(7, "USB", "VEN_&PROD_&REV_1.00")},
        // A USB 3 stick that Win32_DiskDrive calls SCSI, and a SCSI disk on another bus.
        {"uasp", association("Disk #3, Partition #0", "J:", "31914983424") +
                     association("Disk #4, Partition #0", "K:", "512110190592") +
                     drive(3, "SCSI", "SCSI\\DISK&VEN_SAMSUNG&PROD_FLASH_DRIVE_FIT&REV_1100\\4&1") +
                     drive(4, "SCSI", "SCSI\\DISK&VEN_NVME&PROD_SSD&REV_1.0\\5&2") +
                     "S3\t7\nS4\t17\n"},
    };
}

}  // namespace

std::vector<Seed> SeedsOf(std::string_view target) {
    if (target == "package") return PackageSeeds();
    if (target == "gif") return GifSeeds();
    if (target == "jpeg") return JpegSeeds();
    if (target == "isolist") return IsoListSeeds();
    if (target == "wmi") return WmiSeeds();
    throw std::invalid_argument("no fuzz target " + std::string(target));
}

}  // namespace zr::fuzz
