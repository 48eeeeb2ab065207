#pragma once

// The disk list as the combo box would hold it.

#include <string>
#include <vector>

#include "disk/disk_list.h"

namespace zr::test {

class FakeList final : public disk::DiskList {
  public:
    std::vector<std::string> entries;
    int selected = -1;

    FakeList() = default;
    FakeList(std::vector<std::string> initial, int selection)
        : entries(std::move(initial)), selected(selection) {}

    void Clear() override {
        entries.clear();
        selected = -1;
    }
    void Add(const std::string& entry) override { entries.push_back(entry); }
    int Count() const override { return static_cast<int>(entries.size()); }
    int SelectedIndex() const override { return selected; }
    void Select(int index) override { selected = index < Count() ? index : -1; }
    std::string Text() const override {
        return selected >= 0 ? entries[static_cast<size_t>(selected)] : std::string();
    }
};

}  // namespace zr::test
