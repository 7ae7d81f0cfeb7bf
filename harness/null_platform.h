// A platform that does nothing and answers every call with zero or null. Tests, benchmarks and
// fuzzers derive from it and override only what they observe.
#pragma once

#include "harness/platform.h"

namespace harness {

class NullPlatform : public Platform {
 public:
  Hmodule LoadLibraryW(const Wchar*) override { return {}; }
  FarProc GetProcAddressW(Hmodule, const Wchar*) override { return {}; }
  int FreeLibrary(Hmodule) override { return {}; }
  std::int32_t RegCreateKeyExW(Hkey, const Wchar*, std::uint32_t, const Wchar*, std::uint32_t,
                               std::uint32_t, const void*, Hkey*, std::uint32_t*) override {
    return {};
  }
  std::int32_t RegSetValueExW(Hkey, const Wchar*, std::uint32_t, std::uint32_t, const std::uint8_t*,
                              std::uint32_t) override {
    return {};
  }
  std::int32_t RegCloseKey(Hkey) override { return {}; }
  std::int32_t RegistryGetDWORD(Hkey, const Wchar*, const Wchar*, std::uint32_t*) override {
    return {};
  }
  std::int32_t RegistryGetString(Hkey, const Wchar*, const Wchar*, Wchar*, std::uint32_t) override {
    return {};
  }
  std::int32_t RegistrySetDWORD(Hkey, const Wchar*, const Wchar*, std::uint32_t) override {
    return {};
  }
  std::uint32_t GetTickCount() override { return {}; }
  void DebugOutput(const Wchar*) override {}
  int PlaySoundW(const Wchar*, Hmodule, std::uint32_t) override { return {}; }
  int CreateProcessW(const Wchar*, Wchar*, const void*, const void*, int, std::uint32_t, void*,
                     const Wchar*, void*, void*) override {
    return {};
  }
  Handle CreateEventW(const void*, int, int, const Wchar*) override { return {}; }
  int EventModify(Handle, std::uint32_t) override { return {}; }
  int CloseHandle(Handle) override { return {}; }
  Hrsrc FindResourceW(Hinstance, const Wchar*, const Wchar*) override { return {}; }
  Hglobal LoadResource(Hinstance, Hrsrc) override { return {}; }
  std::uint32_t SizeofResource(Hinstance, Hrsrc) override { return {}; }
  const void* LockResource(Hglobal) override { return {}; }
  Haccel LoadAcceleratorsW(Hinstance, const Wchar*) override { return {}; }
  Hicon LoadIconW(Hinstance, const Wchar*) override { return {}; }
  int DestroyIcon(Hicon) override { return {}; }
  Hbitmap LoadBitmapW(Hinstance, const Wchar*) override { return {}; }
  Hwnd CreateWindowExW(std::uint32_t, const Wchar*, const Wchar*, std::uint32_t, int, int, int, int,
                       Hwnd, std::uintptr_t, Hinstance, void*) override {
    return {};
  }
  Hwnd CreateDialogIndirectParamW(Hinstance, const void*, Hwnd, DlgProc, Lparam) override {
    return {};
  }
  int EndDialog(Hwnd, std::intptr_t) override { return {}; }
  int IsDialogMessageW(Hwnd, Msg*) override { return {}; }
  int ShowWindow(Hwnd, int) override { return {}; }
  int UpdateWindow(Hwnd) override { return {}; }
  int DestroyWindow(Hwnd) override { return {}; }
  int IsWindow(Hwnd) override { return {}; }
  int IsWindowVisible(Hwnd) override { return {}; }
  Hwnd GetParent(Hwnd) override { return {}; }
  Lresult DefWindowProcW(Hwnd, std::uint32_t, Wparam, Lparam) override { return {}; }
  Lresult DefDlgProcW(Hwnd, std::uint32_t, Wparam, Lparam) override { return {}; }
  Hwnd SetFocus(Hwnd) override { return {}; }
  Hwnd GetFocus() override { return {}; }
  Hwnd GetActiveWindow() override { return {}; }
  Hwnd FindWindowW(const Wchar*, const Wchar*) override { return {}; }
  int SetForegroundWindow(Hwnd) override { return {}; }
  Hwnd GetForegroundWindow() override { return {}; }
  int MoveWindow(Hwnd, int, int, int, int, int) override { return {}; }
  int SetWindowPos(Hwnd, Hwnd, int, int, int, int, std::uint32_t) override { return {}; }
  int GetClientRect(Hwnd, Rect*) override { return {}; }
  int GetWindowRect(Hwnd, Rect*) override { return {}; }
  int SetWindowTextW(Hwnd, const Wchar*) override { return {}; }
  int GetWindowTextW(Hwnd, Wchar*, int) override { return {}; }
  std::intptr_t SetWindowLongPtrW(Hwnd, int, std::intptr_t) override { return {}; }
  std::intptr_t GetWindowLongPtrW(Hwnd, int) override { return {}; }
  Hwnd GetDlgItem(Hwnd, int) override { return {}; }
  int GetSystemMetrics(int) override { return {}; }
  int MessageBoxW(Hwnd, const Wchar*, const Wchar*, std::uint32_t) override { return {}; }
  int GetMessageW(Msg*, Hwnd, std::uint32_t, std::uint32_t) override { return {}; }
  int PeekMessageW(Msg*, Hwnd, std::uint32_t, std::uint32_t, std::uint32_t) override { return {}; }
  int TranslateMessage(const Msg*) override { return {}; }
  Lresult DispatchMessageW(const Msg*) override { return {}; }
  int TranslateAcceleratorW(Hwnd, Haccel, Msg*) override { return {}; }
  int PostMessageW(Hwnd, std::uint32_t, Wparam, Lparam) override { return {}; }
  Lresult SendMessageW(Hwnd, std::uint32_t, Wparam, Lparam) override { return {}; }
  void PostQuitMessage(int) override {}
  std::uintptr_t SetTimer(Hwnd, std::uintptr_t, std::uint32_t, TimerProc) override { return {}; }
  int KillTimer(Hwnd, std::uintptr_t) override { return {}; }
  int InvalidateRect(Hwnd, const Rect*, int) override { return {}; }
  Hdc BeginPaint(Hwnd, PaintStruct*) override { return {}; }
  int EndPaint(Hwnd, const PaintStruct*) override { return {}; }
  Hdc GetDC(Hwnd) override { return {}; }
  int ReleaseDC(Hwnd, Hdc) override { return {}; }
  Hdc CreateCompatibleDC(Hdc) override { return {}; }
  Hbitmap CreateCompatibleBitmap(Hdc, int, int) override { return {}; }
  Hgdiobj SelectObject(Hdc, Hgdiobj) override { return {}; }
  Hgdiobj GetStockObject(int) override { return {}; }
  Hbrush CreateSolidBrush(ColorRef) override { return {}; }
  int FillRect(Hdc, const Rect*, Hbrush) override { return {}; }
  int SetBkMode(Hdc, int) override { return {}; }
  ColorRef SetBkColor(Hdc, ColorRef) override { return {}; }
  ColorRef SetTextColor(Hdc, ColorRef) override { return {}; }
  int DrawTextW(Hdc, const Wchar*, int, Rect*, std::uint32_t) override { return {}; }
  int BitBlt(Hdc, int, int, int, int, Hdc, int, int, std::uint32_t) override { return {}; }
  int DeleteDC(Hdc) override { return {}; }
  int DeleteObject(Hgdiobj) override { return {}; }
  int GetBitmapSize(Hbitmap, int*, int*) override { return {}; }
  int SHInitExtraControls() override { return {}; }
  int SHInitDialog(const ShInitDlgInfo*) override { return {}; }
  int SHFullScreen(Hwnd, std::uint32_t) override { return {}; }
  Hwnd SHFindMenuBar(Hwnd) override { return {}; }
  int ShowMenuBar(Hwnd, int) override { return {}; }
  void ShellSwitch(std::uint32_t, std::uint32_t) override {}
  void SystemSwitch(std::uint32_t) override {}
  int RelayoutDialog(Hinstance, Hwnd, const Wchar*) override { return {}; }
};

}  // namespace harness
