#pragma once

// What a program outside can find the main window and its controls by: the window classes and
// the controls' ids (GetDlgItem). Plain constants, so the end-to-end tests share them.

namespace zr::ui::ids {

inline constexpr wchar_t kMainWindowClass[] = L"TfrmMain";
inline constexpr wchar_t kApplicationClass[] = L"TApplication";

inline constexpr int img_back = 1001;
inline constexpr int wbMain = 1002;
inline constexpr int btn_make = 1003;
inline constexpr int btn_config = 1004;
inline constexpr int btn_clean = 1005;
inline constexpr int btn_close = 1006;
inline constexpr int btn_min = 1007;
inline constexpr int cbb_disk = 1008;
inline constexpr int rb_hdd = 1009;
inline constexpr int rb_zip = 1010;
inline constexpr int img_wait = 1011;
inline constexpr int lbl_wait = 1012;
inline constexpr int lbl_progress = 1013;

}  // namespace zr::ui::ids
