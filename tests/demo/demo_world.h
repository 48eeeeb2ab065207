#pragma once

// The demo's world around a real ZiRuri.exe under Wine, made of the test stand-ins: one
// simulated USB stick that the fake WMI serves, its drive letter mapped to a folder; the
// stand-in fbinst.exe's folder, where it logs each command line it gets; and two example
// images in the program's boot item list, on a drive of their own. Everything is taken down
// again when the world goes.

#include <string>
#include <vector>

#include "bootitems/isolist.h"
#include "fake_wmi_control.h"

namespace zr::demo {

inline constexpr char kStickLetter = 'U';
inline constexpr char kImagesLetter = 'D';
inline constexpr char kStickName[] = "KINGSTON DataTraveler 3.0";

// Holds the stand-in tool at each format step until released, as a real stick keeps its user
// waiting there: every format run waits for a go-file of its own (a "wait" rule of the
// stand-in's scenario.txt).
class FormatHold {
  public:
    // toolFolder: the stand-in's folder, with a trailing backslash.
    explicit FormatHold(std::string toolFolder);
    // Lets a held run go on, so that no tool waits for ever.
    ~FormatHold();
    FormatHold(const FormatHold&) = delete;
    FormatHold& operator=(const FormatHold&) = delete;

    // A format run has started and waits.
    bool Holding() const;
    // Lets the held run go on; the next format run waits again.
    void Release();

  private:
    void Arm() const;
    std::string GoFile() const;

    std::string folder_;
    int released_ = 0;
};

class DemoWorld {
  public:
    // folder: where the world lives (absolute, with a trailing backslash); its stick\ and
    // tool\ are emptied. dataDir: the program's data folder, which gets the example list.
    DemoWorld(const std::string& folder, const std::string& dataDir);
    ~DemoWorld();
    DemoWorld(const DemoWorld&) = delete;
    DemoWorld& operator=(const DemoWorld&) = delete;

    std::string StickFolder() const { return folder_ + "stick\\"; }
    std::string ToolFolder() const { return folder_ + "tool\\"; }
    std::string ToolLogPath() const { return ToolFolder() + "fbinst.log"; }
    // The command lines the tool got, in order.
    std::vector<std::string> ToolLog() const;
    // The files on the stick, below its root ("boot\customISO_0.iso").
    std::vector<std::string> StickFiles() const;
    // The example images, as the boot item list holds them.
    const bootitems::TISOFileInfoArr& Images() const { return images_; }
    FormatHold& Hold() { return hold_; }

  private:
    std::string folder_;
    test::fakewmi::Registration registration_;
    test::fakewmi::Scenario scenario_;
    test::fakewmi::MappedDrive stick_;
    test::fakewmi::MappedDrive imageDrive_;
    bootitems::TISOFileInfoArr images_;
    FormatHold hold_;
};

}  // namespace zr::demo
