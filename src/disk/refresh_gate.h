#pragma once

// A message box runs its own message loop, and the refresh timer keeps ticking inside it: a
// refresh that fails every time would stack one error box on another every two seconds. The
// gate lets one refresh run at a time and keeps the next one out until the error of the last
// one has been shown and dismissed.
//
// The window routes FormShow and tmrTimer through one gate and shows the error in report:
//     gate_.Run([&] { RefreshDiskList(); }, [&](const std::exception& e) { ShowError(e); });

#include <exception>
#include <functional>

namespace zr::disk {

class RefreshGate {
  public:
    using Report = std::function<void(const std::exception& error)>;

    // Runs refresh unless the gate is closed, and hands an exception from it to report while
    // the gate is still closed. Returns whether refresh ran.
    bool Run(const std::function<void()>& refresh, const Report& report);

    bool IsOpen() const { return open_; }

  private:
    bool open_ = true;
};

}  // namespace zr::disk
