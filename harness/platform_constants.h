// The handset's numbers for messages, styles, flags and codes that the programs use.
// Kept apart from platform.h so that a native backend, which sees the OS's own definitions,
// need not include these.
#pragma once

#include <cstdint>

#include "harness/platform_types.h"

namespace harness {

// Window messages.
inline constexpr std::uint32_t WM_NULL = 0x0000;
inline constexpr std::uint32_t WM_CREATE = 0x0001;
inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_MOVE = 0x0003;
inline constexpr std::uint32_t WM_SIZE = 0x0005;
inline constexpr std::uint32_t WM_ACTIVATE = 0x0006;
inline constexpr std::uint32_t WM_SETFOCUS = 0x0007;
inline constexpr std::uint32_t WM_KILLFOCUS = 0x0008;
inline constexpr std::uint32_t WM_SETTEXT = 0x000C;
inline constexpr std::uint32_t WM_GETTEXT = 0x000D;
inline constexpr std::uint32_t WM_PAINT = 0x000F;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_ERASEBKGND = 0x0014;
inline constexpr std::uint32_t WM_SHOWWINDOW = 0x0018;
inline constexpr std::uint32_t WM_SETTINGCHANGE = 0x001A;
inline constexpr std::uint32_t WM_SETFONT = 0x0030;
inline constexpr std::uint32_t WM_GETDLGCODE = 0x0087;
inline constexpr std::uint32_t WM_SETICON = 0x0080;
inline constexpr std::uint32_t WM_KEYDOWN = 0x0100;
inline constexpr std::uint32_t WM_KEYUP = 0x0101;
inline constexpr std::uint32_t WM_CHAR = 0x0102;
inline constexpr std::uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr std::uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr std::uint32_t WM_INITDIALOG = 0x0110;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
inline constexpr std::uint32_t WM_TIMER = 0x0113;
inline constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr std::uint32_t WM_USER = 0x0400;

// WM_ACTIVATE low word.
inline constexpr std::uint16_t WA_INACTIVE = 0;
inline constexpr std::uint16_t WA_ACTIVE = 1;
inline constexpr std::uint16_t WA_CLICKACTIVE = 2;

// Window styles.
inline constexpr std::uint32_t WS_POPUP = 0x80000000u;
inline constexpr std::uint32_t WS_CHILD = 0x40000000u;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000u;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000u;
inline constexpr std::uint32_t WS_BORDER = 0x00800000u;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000u;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000u;
inline constexpr std::uint32_t WS_GROUP = 0x00020000u;
inline constexpr std::uint32_t DS_SETFONT = 0x0040u;
inline constexpr std::uint32_t DS_CONTROL = 0x0400u;
inline constexpr std::uint32_t DS_CENTER = 0x0800u;
inline constexpr std::uint32_t DS_FIXEDSYS = 0x0008u;
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0000u;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x0001u;
inline constexpr std::uint32_t WS_EX_CAPTIONOKBTN = 0x80000000u;
inline constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000u;
inline constexpr std::uint32_t WS_EX_TOPMOST = 0x00000008u;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;

// SetWindowPos.
inline Hwnd HwndTopmost() { return reinterpret_cast<Hwnd>(static_cast<std::intptr_t>(-1)); }
inline constexpr std::uint32_t SWP_NOSIZE = 0x0001;
inline constexpr std::uint32_t SWP_NOMOVE = 0x0002;
inline constexpr std::uint32_t SWP_NOZORDER = 0x0004;
inline constexpr std::uint32_t SWP_NOACTIVATE = 0x0010;

// Window data slots.
inline constexpr int GWL_USERDATA = -21;
inline constexpr int DWL_MSGRESULT = 0;
inline constexpr int DWL_USER = 8;

// Dialog and message box results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr std::uint32_t MB_OK = 0x0;
inline constexpr std::uint32_t MB_OKCANCEL = 0x1;
inline constexpr std::uint16_t BN_CLICKED = 0;

// Screen metrics.
inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;

// Hooks.
inline constexpr int WH_KEYBOARD_LL = 20;
inline constexpr int HC_ACTION = 0;
inline constexpr std::uint32_t LLKHF_UP = 0x80;

// Resource types.
inline constexpr std::uint16_t RT_BITMAP = 2;
inline constexpr std::uint16_t RT_ICON = 3;
inline constexpr std::uint16_t RT_DIALOG = 5;
inline constexpr std::uint16_t RT_ACCELERATOR = 9;
inline constexpr std::uint16_t RT_GROUP_ICON = 14;

// Accelerator entry flags.
inline constexpr std::uint8_t FVIRTKEY = 0x01;
inline constexpr std::uint8_t FNOINVERT = 0x02;
inline constexpr std::uint8_t FSHIFT = 0x04;
inline constexpr std::uint8_t FCONTROL = 0x08;
inline constexpr std::uint8_t FALT = 0x10;
inline constexpr std::uint8_t FLASTENTRY = 0x80;

// Virtual keys with names of their own.
inline constexpr std::uint32_t VK_BACK = 0x08;
inline constexpr std::uint32_t VK_TAB = 0x09;
inline constexpr std::uint32_t VK_RETURN = 0x0D;
inline constexpr std::uint32_t VK_SHIFT = 0x10;
inline constexpr std::uint32_t VK_CONTROL = 0x11;
inline constexpr std::uint32_t VK_MENU = 0x12;
inline constexpr std::uint32_t VK_ESCAPE = 0x1B;
inline constexpr std::uint32_t VK_SPACE = 0x20;
inline constexpr std::uint32_t VK_LEFT = 0x25;
inline constexpr std::uint32_t VK_UP = 0x26;
inline constexpr std::uint32_t VK_RIGHT = 0x27;
inline constexpr std::uint32_t VK_DOWN = 0x28;
inline constexpr std::uint32_t VK_F1 = 0x70;

// Registry.
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t KEY_WRITE = 0x20006;
inline constexpr std::uint32_t REG_OPTION_NON_VOLATILE = 0;
inline constexpr std::int32_t ERROR_SUCCESS = 0;
inline constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::int32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::int32_t ERROR_MORE_DATA = 234;

// Drawing.
inline constexpr int WHITE_BRUSH = 0;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020u;
inline constexpr std::uint32_t DT_CENTER = 0x01;
inline constexpr std::uint32_t DT_VCENTER = 0x04;
inline constexpr std::uint32_t DT_SINGLELINE = 0x20;

// Kernel events.
inline constexpr std::uint32_t EVENT_PULSE = 1;
inline constexpr std::uint32_t EVENT_RESET = 2;
inline constexpr std::uint32_t EVENT_SET = 3;

// Sound.
inline constexpr std::uint32_t SND_ASYNC = 0x0001;

// Shell.
inline constexpr std::uint32_t SHIDIM_FLAGS = 0x0001;
inline constexpr std::uint32_t SHIDIF_SIPDOWN = 0x0008;
inline constexpr std::uint32_t SHIDIF_FULLSCREENNOMENUBAR = 0x0010;
inline constexpr std::uint32_t SHFS_HIDETASKBAR = 0x0002;
inline constexpr std::uint32_t SHFS_HIDESIPBUTTON = 0x0008;
inline constexpr std::uint32_t SHFS_HIDESTARTICON = 0x0020;
inline constexpr std::uint32_t SHFS_SHOWTASKBAR = 0x0001;

inline constexpr ColorRef Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<ColorRef>(r) | (static_cast<ColorRef>(g) << 8) |
         (static_cast<ColorRef>(b) << 16);
}

}  // namespace harness
