// Any bytes as the texts WMI hands over, one row a line and one property a tab-separated field
// (a missing field is a null property):
//   A<Dependent>\t<Antecedent>\t<volume size>   a Win32_LogicalDiskToPartition row
//   D<Name>\t<InterfaceType>\t<PNPDeviceID>     a Win32_DiskDrive row
//   S<Number>\t<BusType>                        an MSFT_Disk row of the storage namespace
// Every line, whatever its letter, also goes through the text rules on their own. The rules and
// the enumeration over fake WMI objects (tests/disk/fake_wmi.h) may refuse a null property with
// zr::Error, but must never crash or run into undefined behaviour, and each part they cut must be
// what its markers enclose.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "disk/disk_list.h"
#include "disk/usb_disks.h"
#include "fake_list.h"
#include "fake_wmi.h"
#include "platform/ascii.h"
#include "platform/error.h"

namespace {

using zr::disk::CutDeviceId;
using zr::disk::DiskNumberOf;
using zr::disk::ExtractQuoted;
using zr::test::Row;

// A computer has a few disks; thousands of rows would only measure the fake's speed, since
// every association reads every drive.
constexpr size_t kMaxRows = 32;

[[noreturn]] void Broken(const std::string& what, std::string_view input) {
    std::fprintf(stderr, "wmi_fuzz: %s, from \"%.*s\"\n", what.c_str(),
                 static_cast<int>(input.size()), input.data());
    std::abort();
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// A part cut from text must stand in it between its marker and its terminator.
void CheckPart(std::string_view text, const std::string& part, std::string_view marker,
               char terminator) {
    if (part.find(terminator) != std::string::npos) Broken("a part holds its terminator", text);
    if (!part.empty() && text.find(std::string(marker) + part + terminator) == text.npos) {
        Broken("a part that is not between its marker and terminator", text);
    }
}

void CheckRules(std::string_view text) {
    CheckPart(text, ExtractQuoted(text), "\"", '"');
    const std::string number = DiskNumberOf(text);
    if (number.find(',') != std::string::npos ||
        (!number.empty() && (IsBlank(number.front()) || IsBlank(number.back())))) {
        Broken("a disk number with a comma or untrimmed", text);
    }
    const zr::disk::DeviceIdParts parts = CutDeviceId(text);
    CheckPart(text, parts.Vendor, "VEN_", '&');
    CheckPart(text, parts.Product, "PROD_", '&');
    CheckPart(text, parts.Revision, "REV_", '\\');
}

std::optional<int64_t> Number(std::string_view field) {
    int64_t value = 0;
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
    if (result.ec != std::errc()) return std::nullopt;
    return value;
}

void CheckSize(std::string_view field, int64_t bytes) {
    const std::string text = zr::disk::FormatDiskSize(bytes, ".");
    if (bytes < 1024) {
        if (!text.empty()) Broken("a size below 1 KB that shows", field);
        return;
    }
    const size_t point = text.find('.');
    const bool shaped = point != std::string::npos && point > 0 && text.size() == point + 5 &&
                        (text.ends_with("GB") || text.ends_with("MB") || text.ends_with("KB"));
    if (!shaped) Broken("a size written as \"" + text + "\"", field);
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == text.npos) return parts;
        start = end + 1;
    }
}

Row MakeRow(const std::vector<std::string_view>& fields, std::initializer_list<const char*> names) {
    Row row;
    size_t i = 0;
    for (const char* name : names) {
        if (i < fields.size()) row[name] = std::string(fields[i]);
        ++i;
    }
    return row;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zr::test::FakeWmi wmi;
    zr::test::FakeVolumes volumes;
    for (const std::string_view line : Split({reinterpret_cast<const char*>(data), size}, '\n')) {
        CheckRules(line);
        if (line.empty()) continue;
        const auto fields = Split(line.substr(1), '\t');
        if (line[0] == 'A' && wmi.associations.size() < kMaxRows) {
            wmi.associations.push_back(MakeRow(fields, {"Dependent", "Antecedent"}));
            if (const auto bytes = fields.size() > 2 ? Number(fields[2]) : std::nullopt) {
                CheckSize(fields[2], *bytes);
                volumes.sizes[ExtractQuoted(fields[0]) + "\\"] = *bytes;
            }
        } else if (line[0] == 'D' && wmi.drives.size() < kMaxRows) {
            wmi.drives.push_back(MakeRow(fields, {"Name", "InterfaceType", "PNPDeviceID"}));
        } else if (line[0] == 'S' && wmi.storageDisks.size() < kMaxRows) {
            wmi.storageDisks.push_back(MakeRow(fields, {"Number", "BusType"}));
        }
    }
    std::vector<zr::disk::TUsbDiskInfo> disks;
    try {
        disks = zr::disk::EnumerateUsbDisks(wmi.Locator(), volumes.Query());
    } catch (const zr::Error&) {
        return 0;
    }
    for (const auto& disk : disks) {
        const bool named = std::any_of(
            wmi.associations.begin(), wmi.associations.end(), [&](const Row& association) {
                const auto& dependent = std::get<std::string>(association.at("Dependent"));
                return disk.Drive == zr::platform::AsciiUpper(ExtractQuoted(dependent));
            });
        if (disk.Drive.empty() || !named) Broken("a disk with a drive of no volume", disk.Drive);
    }
    zr::test::FakeList list;
    zr::disk::RewriteDiskList(list, disks);
    const size_t shown = std::max<size_t>(disks.size(), 1);
    if (list.entries.size() != shown || list.selected != 0) Broken("a list of other entries", "");
    for (const std::string& entry : list.entries) {
        if (!disks.empty() && zr::disk::IsNoDiskEntry(entry)) Broken("a disk shown as none", entry);
    }
    return 0;
}
