#include "disk/usb_disks.h"

#include <array>
#include <charconv>
#include <map>
#include <utility>

#include "platform/ascii.h"
#include "platform/error.h"
#include "platform/platform.h"

namespace zr::disk {
namespace {

using automation::AsObject;
using automation::AsText;
using automation::Object;
using automation::ObjectPtr;
using automation::Value;

const std::string kAssociationQuery = "Select * from Win32_LogicalDiskToPartition";
const std::string kDriveQuery = "select * FROM Win32_DiskDrive";
const std::string kDriveNamePrefix = "\\\\.\\PHYSICALDRIVE";
const std::string kStorageNamespace = "root\\Microsoft\\Windows\\Storage";
const std::string kStorageDiskQuery = "SELECT * FROM MSFT_Disk";
constexpr int64_t kBusTypeUsb = 7;

// Spaces and control characters, as the trimming of the partition key understands them.
bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string Field(std::string_view id, std::string_view marker, char terminator) {
    const size_t at = id.find(marker);
    if (at == std::string_view::npos) return {};
    const size_t start = at + marker.size();
    const size_t end = id.find(terminator, start);
    if (end == std::string_view::npos) return {};
    return std::string(id.substr(start, end - start));
}

// value rounded to two decimals, halves away from zero. The C runtimes disagree on halves
// (1.125 GB is a real volume size), so the rounding is done here on the exact decimal
// expansion, which a double of this range has within 64 places.
std::string TwoDecimals(double value, std::string_view separator) {
    std::array<char, 512> buffer{};
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::fixed, 64);
    const std::string_view exact(buffer.data(), static_cast<size_t>(written.ptr - buffer.data()));
    const size_t point = exact.find('.');
    std::string digits =
        std::string(exact.substr(0, point)) + std::string(exact.substr(point + 1, 2));
    if (exact[point + 3] >= '5') {
        size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
        if (i == 0) {
            digits.insert(digits.begin(), '1');
        } else {
            ++digits[i - 1];
        }
    }
    return digits.substr(0, digits.size() - 2) + std::string(separator) +
           digits.substr(digits.size() - 2);
}

// A property's text; throws for null, as the script conversion does.
std::string TextOf(Object& object, const std::string& property) {
    return AsText(object.Get(property));
}

// Compared as ANSI texts, exactly as the comparison stands on the Windows of the user; a null
// value never matches.
bool PropertyIs(Object& object, const std::string& property, const std::string& expected) {
    const Value value = object.Get(property);
    if (std::holds_alternative<std::monostate>(value)) return false;
    return platform::Utf8ToAnsi(AsText(value)) == platform::Utf8ToAnsi(expected);
}

template <class Visit>
void ForEachItem(Object& collection, Visit visit) {
    const auto items = collection.Enumerate();
    while (const auto item = items->Next()) visit(*AsObject(*item));
}

ObjectPtr Query(Object& services, const std::string& query) {
    return AsObject(services.Call("ExecQuery", {Value(query)}));
}

ObjectPtr Connect(Object& locator, const std::string& wmiNamespace) {
    return AsObject(locator.Call("ConnectServer", {Value(std::string(".")), Value(wmiNamespace),
                                                   Value(std::string()), Value(std::string())}));
}

// A number however it arrives: WMI hands out integers in more than one variant type, and as
// text where it keeps them as strings.
std::optional<int64_t> AsNumber(const Value& value) {
    if (const auto* number = std::get_if<int64_t>(&value)) return *number;
    if (const auto* text = std::get_if<std::string>(&value)) {
        const std::string_view digits = Trim(*text);
        int64_t number = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (error == std::errc() && end == digits.data() + digits.size()) return number;
    }
    return std::nullopt;
}

// Many fast USB 3 sticks and USB disk enclosures (UASP) are SCSI disks to Win32_DiskDrive;
// the storage namespace tells their bus. It is asked once a refresh, and only when a SCSI disk
// turns up. A Windows without it (Windows 7), or any failure in it, makes no disk a USB one
// and no error of the refresh.
class StorageBuses {
  public:
    explicit StorageBuses(Object& locator) : locator_(locator) {}

    bool IsUsb(const std::string& diskNumber) {
        if (!loaded_) Load();
        const auto number = AsNumber(Value(diskNumber));
        const auto bus = number ? buses_.find(*number) : buses_.end();
        return bus != buses_.end() && bus->second == kBusTypeUsb;
    }

  private:
    void Load() {
        loaded_ = true;
        try {
            const ObjectPtr storage = Connect(locator_, kStorageNamespace);
            ForEachItem(*Query(*storage, kStorageDiskQuery), [&](Object& disk) {
                const auto number = AsNumber(disk.Get("Number"));
                const auto bus = AsNumber(disk.Get("BusType"));
                if (number && bus) buses_[*number] = *bus;
            });
        } catch (const std::exception&) {
            buses_.clear();
        }
    }

    Object& locator_;
    bool loaded_ = false;
    std::map<int64_t, int64_t> buses_;
};

// A property that WMI may leave null: empty then.
std::string TextIfAny(Object& object, const std::string& property) {
    const Value value = object.Get(property);
    return std::holds_alternative<std::monostate>(value) ? std::string() : AsText(value);
}

TUsbDiskInfo MakeRecord(const std::string& volume, Object& drive, const std::string& deviceId,
                        const std::string& number, const VolumeSizeQuery& totalSize) {
    TUsbDiskInfo disk;
    disk.Drive = platform::AsciiUpper(volume);
    disk.TotalSize = totalSize(volume + "\\").value_or(0);
    DeviceIdParts parts = CutDeviceId(deviceId);
    disk.Vendor = std::move(parts.Vendor);
    disk.Product = std::move(parts.Product);
    disk.Revision = std::move(parts.Revision);
    disk.DeviceId = deviceId;
    disk.DiskNumber = number;
    disk.MediaType = TextIfAny(drive, "MediaType");
    disk.DiskSize = AsNumber(drive.Get("Size"));
    return disk;
}

}  // namespace

std::string ExtractQuoted(std::string_view text) {
    const size_t open = text.find('"');
    if (open == std::string_view::npos) return {};
    const size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos) return {};
    return std::string(text.substr(open + 1, close - open - 1));
}

std::string DiskNumberOf(std::string_view antecedent) {
    const std::string key = ExtractQuoted(antecedent);
    const size_t comma = key.find(',');
    if (comma == std::string::npos || comma <= 6) return {};
    // "Disk #1" less its first six characters
    return std::string(Trim(std::string_view(key).substr(6, comma - 6)));
}

DeviceIdParts CutDeviceId(std::string_view pnpDeviceId) {
    return {Field(pnpDeviceId, "VEN_", '&'), Field(pnpDeviceId, "PROD_", '&'),
            Field(pnpDeviceId, "REV_", '\\')};
}

std::string FormatDiskSize(int64_t bytes, std::string_view decimalSeparator) {
    struct Unit {
        double divisor;
        const char* suffix;
    };
    static constexpr Unit kUnits[] = {{1073741824.0, "GB"}, {1048576.0, "MB"}, {1024.0, "KB"}};
    const double size = static_cast<double>(bytes);
    for (const Unit& unit : kUnits) {
        const double quotient = size / unit.divisor;
        if (quotient >= 1) return TwoDecimals(quotient, decimalSeparator) + unit.suffix;
    }
    return {};
}

std::string FormatDiskSize(int64_t bytes) {
    return FormatDiskSize(bytes, platform::DecimalSeparator());
}

std::optional<int64_t> VolumeTotalSize(const std::string& root) {
    const auto space = platform::QueryVolumeSpace(root);
    if (!space) return std::nullopt;
    return space->total;
}

std::vector<TUsbDiskInfo> EnumerateUsbDisks(const LocatorFactory& createLocator,
                                            const VolumeSizeQuery& totalSize,
                                            const std::function<void()>& between) {
    std::vector<TUsbDiskInfo> disks;
    const ObjectPtr locator = AsObject(Value(createLocator()));
    const ObjectPtr services = Connect(*locator, std::string());
    StorageBuses storage(*locator);
    ForEachItem(*Query(*services, kAssociationQuery), [&](Object& association) {
        const std::string volume = ExtractQuoted(TextOf(association, "Dependent"));
        const std::string number = DiskNumberOf(TextOf(association, "Antecedent"));
        // The drives are asked again for every association: WMI's answer is always current.
        ForEachItem(*Query(*services, kDriveQuery), [&](Object& drive) {
            if (number.empty() || !PropertyIs(drive, "Name", kDriveNamePrefix + number)) return;
            if (!PropertyIs(drive, "InterfaceType", "USB") &&
                !(PropertyIs(drive, "InterfaceType", "SCSI") && storage.IsUsb(number))) {
                return;
            }
            const std::string deviceId = TextOf(drive, "PNPDeviceID");
            // A volume without a name would make an entry without a drive letter.
            if (volume.empty()) return;
            disks.push_back(MakeRecord(volume, drive, deviceId, number, totalSize));
        });
        if (between) between();
    });
    return disks;
}

bool LooksLikeHardDisk(const TUsbDiskInfo& disk) {
    constexpr int64_t kLargestStick = int64_t{256} << 30;
    return (!disk.MediaType.empty() && disk.MediaType != "Removable Media") ||
           (disk.DiskSize && *disk.DiskSize > kLargestStick);
}

std::map<std::string, std::string> EnumerateDriveDisks(const LocatorFactory& createLocator) {
    std::map<std::string, std::string> drives;
    const ObjectPtr locator = AsObject(Value(createLocator()));
    const ObjectPtr services = Connect(*locator, std::string());
    ForEachItem(*Query(*services, kAssociationQuery), [&](Object& association) {
        const std::string volume = ExtractQuoted(TextOf(association, "Dependent"));
        const std::string number = DiskNumberOf(TextOf(association, "Antecedent"));
        if (!volume.empty() && !number.empty()) drives[platform::AsciiUpper(volume)] = number;
    });
    return drives;
}

}  // namespace zr::disk
