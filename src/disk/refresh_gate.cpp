#include "disk/refresh_gate.h"

namespace zr::disk {

bool RefreshGate::Run(const std::function<void()>& refresh, const Report& report) {
    if (!open_) return false;
    struct Closed {
        bool& open;
        explicit Closed(bool& flag) : open(flag) { open = false; }
        ~Closed() { open = true; }
    } closed(open_);
    try {
        refresh();
    } catch (const std::exception& error) {
        report(error);
    }
    return true;
}

}  // namespace zr::disk
