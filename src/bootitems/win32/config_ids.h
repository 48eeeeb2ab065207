#pragma once

// What a program outside can find the configuration dialog and its controls by: its window
// class and the controls' ids (GetDlgItem). Plain constants, so the end-to-end tests share
// them. No id is IDOK or IDCANCEL: the keyboard's Enter and Esc, which come as those, must
// not be taken for a click on a button.

namespace zr::bootitems::ids {

inline constexpr wchar_t kConfigWindowClass[] = L"TfrmConfig";

inline constexpr int grp_add = 2001;
inline constexpr int lbl1 = 2002;
inline constexpr int edt_title = 2003;
inline constexpr int lbl2 = 2004;
inline constexpr int edt_iso = 2005;
inline constexpr int btn_selectiso = 2006;
inline constexpr int btn_ok = 2007;
inline constexpr int btn_cancel = 2008;
inline constexpr int btn_add = 2009;
inline constexpr int lv_menu = 2010;
inline constexpr int btn_delete = 2011;
inline constexpr int lbl3 = 2012;

}  // namespace zr::bootitems::ids
