#include "demo_world.h"

#include <windows.h>

#include "bootitems/line_list.h"
#include "fakefbinst/tool_folder.h"
#include "platform/platform.h"
#include "support/temp_folder.h"

namespace zr::demo {
namespace {

namespace fakewmi = test::fakewmi;

const std::string kStickDeviceId =
    "USBSTOR\\DISK&VEN_KINGSTON&PROD_DATATRAVELER_3.0&REV_PMAP\\60A44C3FACC9E371A9A0116E&0";

// Empties the world's own sub-folders and makes those that are missing; the folder itself.
std::string Prepared(const std::string& folder) {
    for (const char* sub : {"stick", "tool", "images"}) test::RemoveTree(folder + sub);
    for (const char* sub : {"stick", "tool", "images\\ISO"}) platform::MakeFolders(folder + sub);
    return folder;
}

void ListFiles(const std::string& folder, const std::string& below,
               std::vector<std::string>& files) {
    for (const auto& entry : platform::ListFolder(folder + below)) {
        if (entry.attributes & platform::kAttrDirectory) {
            ListFiles(folder, below + entry.name + "\\", files);
        } else {
            files.push_back(below + entry.name);
        }
    }
}

}  // namespace

FormatHold::FormatHold(std::string toolFolder) : folder_(std::move(toolFolder)) {
    Arm();
}

FormatHold::~FormatHold() {
    try {
        test::WriteFile(GoFile(), "");
    } catch (const std::exception&) {
        // The world goes anyway; a tool still waiting ends with the Wine session.
    }
}

std::string FormatHold::GoFile() const {
    return folder_ + "go-" + std::to_string(released_ + 1);
}

void FormatHold::Arm() const {
    test::WriteFile(folder_ + "scenario.txt",
                    "wait go-" + std::to_string(released_ + 1) + " format\r\n");
}

bool FormatHold::Holding() const {
    const std::string log = folder_ + "fbinst.log";
    if (!platform::IsFile(log)) return false;
    int formats = 0;
    for (const auto& line : bootitems::SplitLines(test::ReadFile(log))) {
        if (line.find(" format ") != std::string::npos) ++formats;
    }
    return formats > released_;
}

void FormatHold::Release() {
    if (!Holding()) return;
    test::WriteFile(GoFile(), "");
    ++released_;
    Arm();
}

DemoWorld::DemoWorld(const std::string& folder, const std::string& dataDir)
    : folder_(Prepared(folder)),
      scenario_(folder_),
      stick_(kStickLetter, StickFolder()),
      imageDrive_(kImagesLetter, folder_ + "images\\"),
      images_{{"WinPE 维护", std::string(1, kImagesLetter) + ":\\ISO\\WinPE.iso"},
              {"DOS 工具盘", std::string(1, kImagesLetter) + ":\\ISO\\DOS.img"}},
      hold_(ToolFolder()) {
    scenario_.Write(
        fakewmi::AssociationRow("Disk #1, Partition #0", std::string(1, kStickLetter) + ":") +
        fakewmi::DriveRow(1, "USB", kStickDeviceId));
    for (const auto& image : images_) {
        test::WriteFile(image.ImagePath,
                        "ZiRuri demo: stands in for the image " + image.Title + "\r\n");
    }
    bootitems::WriteIsoList(dataDir + bootitems::kIsoListName, images_);
    zr::test::SetFakeToolFolder(ToolFolder());
}

DemoWorld::~DemoWorld() {
    zr::test::SetFakeToolFolder("");
}

std::vector<std::string> DemoWorld::ToolLog() const {
    if (!platform::IsFile(ToolLogPath())) return {};
    return bootitems::SplitLines(test::ReadFile(ToolLogPath()));
}

std::vector<std::string> DemoWorld::StickFiles() const {
    std::vector<std::string> files;
    ListFiles(StickFolder(), "", files);
    return files;
}

}  // namespace zr::demo
