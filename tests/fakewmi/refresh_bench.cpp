// How long one disk-list refresh takes against the fake WMI, through the real COM binding, as
// the number of volume-to-partition associations grows. The drives are queried again for every
// association, so the drive rows read grow as associations x drives.
//
// Under Wine:  fakewmi_refresh_bench.exe [refreshes per case, default 50]

#include <windows.h>

#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "disk/disk_list.h"
#include "disk/win32/wmi_locator.h"
#include "fake_wmi_control.h"
#include "platform/platform.h"

namespace {

namespace fakewmi = zr::test::fakewmi;

class List final : public zr::disk::DiskList {
  public:
    void Clear() override { entries_.clear(); }
    void Add(const std::string& entry) override { entries_.push_back(entry); }
    int Count() const override { return static_cast<int>(entries_.size()); }
    int SelectedIndex() const override { return selected_; }
    void Select(int index) override { selected_ = index; }
    std::string Text() const override { return {}; }

  private:
    std::vector<std::string> entries_;
    int selected_ = -1;
};

// associations volumes, one per USB disk, plus an IDE system disk; the volumes are unmapped
// letters, so each size query fails at once and the figure is WMI's share.
std::string ScenarioText(int associations) {
    std::string text = fakewmi::DriveRow(0, "IDE", "IDE\\DISKWDC\\5&1&0");
    for (int i = 1; i <= associations; ++i) {
        const std::string volume(1, static_cast<char>('Y' - (i - 1) % 20));
        text +=
            fakewmi::AssociationRow("Disk #" + std::to_string(i) + ", Partition #0", volume + ":");
        text += fakewmi::DriveRow(i, "USB",
                                  "USBSTOR\\DISK&VEN_V" + std::to_string(i) + "&PROD_P&REV_1\\1&0");
    }
    return text;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    {
        const std::string folder = zr::platform::TempFolder();
        fakewmi::Registration registration;
        fakewmi::Scenario scenario(folder);
        SetEnvironmentVariableW(L"ZR_FAKEWMI_LOG", nullptr);  // the log is for tests, not timed
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        std::printf("associations  drive queries  drive rows read  median ms  mean ms  min ms\n");
        for (const int associations : {1, 4, 16}) {
            scenario.Write(ScenarioText(associations));
            List list;
            for (int i = 0; i < 3; ++i) {
                zr::disk::RefreshDiskList(list, zr::disk::win32::CreateWmiLocator);
            }
            if (list.Count() != associations) {
                std::fprintf(stderr, "expected %d entries, got %d\n", associations, list.Count());
                return 1;
            }
            std::vector<double> times;
            for (int i = 0; i < runs; ++i) {
                LARGE_INTEGER start, end;
                QueryPerformanceCounter(&start);
                zr::disk::RefreshDiskList(list, zr::disk::win32::CreateWmiLocator);
                QueryPerformanceCounter(&end);
                times.push_back(Milliseconds(start, end, frequency));
            }
            std::sort(times.begin(), times.end());
            double sum = 0;
            for (const double t : times) sum += t;
            std::printf("%12d  %13d  %15d  %9.3f  %7.3f  %6.3f\n", associations, associations,
                        associations * (associations + 1), times[times.size() / 2],
                        sum / static_cast<double>(times.size()), times.front());
        }
    }
    CoUninitialize();
    return 0;
}
