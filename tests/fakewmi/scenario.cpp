#include "scenario.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <memory>

#include "platform/win32/wide.h"

namespace fakewmi {
namespace {

using zr::platform::win32::Narrow;
using zr::platform::win32::Widen;

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

std::wstring Environment(const wchar_t* name) {
    wchar_t buffer[MAX_PATH * 2] = {};
    const DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2) return {};
    return std::wstring(buffer, n);
}

bool ReadAll(const std::wstring& path, std::string& bytes) {
    FilePtr file(_wfopen(path.c_str(), L"rb"));
    if (!file) return false;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, n);
    return true;
}

// A real machine's WMI lists every lettered volume of a disk partition; the drives of this Wine
// that the scenario does not name are the computer's own disk 0.
void AddTheComputersOwnDisk(Scenario& scenario) {
    const DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        if (!(drives & (1u << (letter - L'A')))) continue;
        const std::wstring volume = std::wstring(1, letter) + L":";
        const bool named = std::any_of(
            scenario.associations.begin(), scenario.associations.end(), [&](const Row& row) {
                for (const auto& [name, value] : row.properties) {
                    if (value && value->find(L"\"" + volume + L"\"") != std::wstring::npos) {
                        return true;
                    }
                }
                return false;
            });
        if (named) continue;
        Row row;
        row.properties = {
            {L"Antecedent",
             L"\\\\ZR-PC\\root\\cimv2:Win32_DiskPartition.DeviceID=\"Disk #0, Partition #0\""},
            {L"Dependent",
             L"\\\\ZR-PC\\root\\cimv2:Win32_LogicalDisk.DeviceID=\"" + volume + L"\""}};
        scenario.associations.push_back(std::move(row));
    }
}

}  // namespace

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

bool LoadScenario(Scenario& scenario, std::wstring& error) {
    const std::wstring path = Environment(L"ZR_FAKEWMI_SCENARIO");
    if (path.empty()) {
        error = L"fakewmi: ZR_FAKEWMI_SCENARIO names no scenario file";
        return false;
    }
    std::string bytes;
    if (!ReadAll(path, bytes)) {
        error = L"fakewmi: cannot read the scenario " + path;
        return false;
    }
    scenario = Scenario{};
    std::vector<Row>* rows = nullptr;
    bool inFailures = false;
    const std::wstring text = Widen(bytes);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (line.empty() || line[0] == L'#') continue;
        if (line.front() == L'[' && line.back() == L']') {
            const std::wstring section = Lower(line.substr(1, line.size() - 2));
            inFailures = section == L"fail";
            rows = section == L"win32_logicaldisktopartition" ? &scenario.associations
                   : section == L"win32_diskdrive"            ? &scenario.drives
                   : section == L"msft_disk"                  ? &scenario.storageDisks
                   : section == L"volume"                     ? &scenario.volumes
                                                              : nullptr;
            if (!inFailures && !rows) {
                error = L"fakewmi: unknown section " + line;
                return false;
            }
            if (rows) rows->emplace_back();
            continue;
        }
        const size_t equals = line.find(L'=');
        const std::wstring name = line.substr(0, equals);
        std::optional<std::wstring> value;
        if (equals != std::wstring::npos) value = line.substr(equals + 1);
        if (inFailures) {
            scenario.failures[Lower(name)] = value.value_or(L"");
        } else if (rows) {
            rows->back().properties.emplace_back(name, value);
        } else {
            error = L"fakewmi: a property before any section: " + line;
            return false;
        }
    }
    AddTheComputersOwnDisk(scenario);
    return true;
}

void LogCall(const std::wstring& line) {
    const std::wstring path = Environment(L"ZR_FAKEWMI_LOG");
    if (path.empty()) return;
    FilePtr file(_wfopen(path.c_str(), L"ab"));
    if (!file) return;
    const std::string utf8 = Narrow(line) + "\n";
    std::fwrite(utf8.data(), 1, utf8.size(), file.get());
}

}  // namespace fakewmi
