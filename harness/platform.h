// Platform: the one interface through which both programs reach the handset.
//
// Every operation keeps the name, argument order and result convention the programs rely on,
// so that program code reads like code written for the handset and a native backend is a thin
// forwarding layer. Backends: the emulated handset (platform/emu) and, later, native ones.
//
// The programs' callbacks (dialog procedures, hook procedures) are plain functions, so the
// platform in use is process-wide: a backend installs itself with SetPlatform() before it
// starts a program, and program code reaches it through platform().
#pragma once

#include <cstdint>

#include "harness/platform_types.h"

namespace harness {

class Platform {
 public:
  virtual ~Platform() = default;

  // ---- Core library, looked up at run time (hook binding) ----
  virtual Hmodule LoadLibraryW(const Wchar* name) = 0;
  virtual FarProc GetProcAddressW(Hmodule module, const Wchar* procName) = 0;
  virtual int FreeLibrary(Hmodule module) = 0;

  // ---- Registry ----
  virtual std::int32_t RegCreateKeyExW(Hkey root, const Wchar* subKey, std::uint32_t reserved,
                                       const Wchar* keyClass, std::uint32_t options,
                                       std::uint32_t samDesired, const void* security, Hkey* result,
                                       std::uint32_t* disposition) = 0;
  virtual std::int32_t RegSetValueExW(Hkey key, const Wchar* valueName, std::uint32_t reserved,
                                      std::uint32_t type, const std::uint8_t* data,
                                      std::uint32_t size) = 0;
  virtual std::int32_t RegCloseKey(Hkey key) = 0;
  // The shell's helpers: 0 on success; a failed read leaves the destination unchanged.
  virtual std::int32_t RegistryGetDWORD(Hkey root, const Wchar* subKey, const Wchar* valueName,
                                        std::uint32_t* data) = 0;
  // Stores at most bufferLength - 1 units and always a terminator.
  virtual std::int32_t RegistryGetString(Hkey root, const Wchar* subKey, const Wchar* valueName,
                                         Wchar* buffer, std::uint32_t bufferLength) = 0;
  virtual std::int32_t RegistrySetDWORD(Hkey root, const Wchar* subKey, const Wchar* valueName,
                                        std::uint32_t value) = 0;

  // ---- Time, debug output, sound, processes, kernel events ----
  virtual std::uint32_t GetTickCount() = 0;
  // One finished debug line, already formatted (see NKDbgPrintfW in debug_print.h).
  virtual void DebugOutput(const Wchar* text) = 0;
  virtual int PlaySoundW(const Wchar* sound, Hmodule module, std::uint32_t flags) = 0;
  virtual int CreateProcessW(const Wchar* image, Wchar* commandLine, const void* processAttributes,
                             const void* threadAttributes, int inheritHandles,
                             std::uint32_t creationFlags, void* environment,
                             const Wchar* currentDirectory, void* startupInfo,
                             void* processInformation) = 0;
  virtual Handle CreateEventW(const void* attributes, int manualReset, int initialState,
                              const Wchar* name) = 0;
  virtual int EventModify(Handle event, std::uint32_t function) = 0;
  virtual int CloseHandle(Handle object) = 0;

  // ---- Resources ----
  virtual Hrsrc FindResourceW(Hinstance instance, const Wchar* name, const Wchar* type) = 0;
  virtual Hglobal LoadResource(Hinstance instance, Hrsrc resource) = 0;
  virtual std::uint32_t SizeofResource(Hinstance instance, Hrsrc resource) = 0;
  virtual const void* LockResource(Hglobal data) = 0;
  virtual Haccel LoadAcceleratorsW(Hinstance instance, const Wchar* name) = 0;
  virtual Hicon LoadIconW(Hinstance instance, const Wchar* name) = 0;
  virtual int DestroyIcon(Hicon icon) = 0;
  virtual Hbitmap LoadBitmapW(Hinstance instance, const Wchar* name) = 0;

  // ---- Windows and dialogs ----
  virtual Hwnd CreateWindowExW(std::uint32_t exStyle, const Wchar* className,
                               const Wchar* windowName, std::uint32_t style, int x, int y,
                               int width, int height, Hwnd parent, std::uintptr_t menuOrId,
                               Hinstance instance, void* param) = 0;
  // A modeless dialog from template bytes (classic or extended form).
  virtual Hwnd CreateDialogIndirectParamW(Hinstance instance, const void* dialogTemplate,
                                          Hwnd parent, DlgProc dialogProc, Lparam initParam) = 0;
  virtual int EndDialog(Hwnd dialog, std::intptr_t result) = 0;
  // The dialog manager: navigation and default/cancel keys for a dialog's messages.
  virtual int IsDialogMessageW(Hwnd dialog, Msg* msg) = 0;
  virtual int ShowWindow(Hwnd window, int command) = 0;
  virtual int UpdateWindow(Hwnd window) = 0;
  virtual int DestroyWindow(Hwnd window) = 0;
  virtual int IsWindow(Hwnd window) = 0;
  virtual int IsWindowVisible(Hwnd window) = 0;
  virtual Hwnd GetParent(Hwnd window) = 0;
  virtual Lresult DefWindowProcW(Hwnd window, std::uint32_t message, Wparam wParam,
                                 Lparam lParam) = 0;
  // The dialog class's own processing of a message the dialog procedure did not handle.
  virtual Lresult DefDlgProcW(Hwnd dialog, std::uint32_t message, Wparam wParam, Lparam lParam) = 0;
  virtual Hwnd SetFocus(Hwnd window) = 0;
  virtual Hwnd GetFocus() = 0;
  virtual Hwnd GetActiveWindow() = 0;
  virtual Hwnd FindWindowW(const Wchar* className, const Wchar* windowName) = 0;
  // A handle with its lowest bit set also brings the windows it owns to the front.
  virtual int SetForegroundWindow(Hwnd window) = 0;
  virtual Hwnd GetForegroundWindow() = 0;
  virtual int MoveWindow(Hwnd window, int x, int y, int width, int height, int repaint) = 0;
  virtual int SetWindowPos(Hwnd window, Hwnd insertAfter, int x, int y, int cx, int cy,
                           std::uint32_t flags) = 0;
  virtual int GetClientRect(Hwnd window, Rect* rect) = 0;
  virtual int GetWindowRect(Hwnd window, Rect* rect) = 0;
  virtual int SetWindowTextW(Hwnd window, const Wchar* text) = 0;
  virtual int GetWindowTextW(Hwnd window, Wchar* buffer, int bufferLength) = 0;
  virtual std::intptr_t SetWindowLongPtrW(Hwnd window, int index, std::intptr_t value) = 0;
  virtual std::intptr_t GetWindowLongPtrW(Hwnd window, int index) = 0;
  virtual Hwnd GetDlgItem(Hwnd dialog, int id) = 0;
  virtual int GetSystemMetrics(int index) = 0;
  // Owned by owner; runs its own loop until answered; 1 OK, 2 Cancel, 0 when it was destroyed.
  virtual int MessageBoxW(Hwnd owner, const Wchar* text, const Wchar* caption,
                          std::uint32_t type) = 0;

  // ---- Messages ----
  virtual int GetMessageW(Msg* msg, Hwnd window, std::uint32_t filterMin,
                          std::uint32_t filterMax) = 0;
  virtual int PeekMessageW(Msg* msg, Hwnd window, std::uint32_t filterMin, std::uint32_t filterMax,
                           std::uint32_t removeFlags) = 0;
  virtual int TranslateMessage(const Msg* msg) = 0;
  virtual Lresult DispatchMessageW(const Msg* msg) = 0;
  virtual int TranslateAcceleratorW(Hwnd window, Haccel table, Msg* msg) = 0;
  virtual int PostMessageW(Hwnd window, std::uint32_t message, Wparam wParam, Lparam lParam) = 0;
  virtual Lresult SendMessageW(Hwnd window, std::uint32_t message, Wparam wParam,
                               Lparam lParam) = 0;
  virtual void PostQuitMessage(int exitCode) = 0;
  virtual std::uintptr_t SetTimer(Hwnd window, std::uintptr_t id, std::uint32_t elapseMs,
                                  TimerProc proc) = 0;
  virtual int KillTimer(Hwnd window, std::uintptr_t id) = 0;

  // ---- Painting and drawing ----
  virtual int InvalidateRect(Hwnd window, const Rect* rect, int erase) = 0;
  virtual Hdc BeginPaint(Hwnd window, PaintStruct* paint) = 0;
  virtual int EndPaint(Hwnd window, const PaintStruct* paint) = 0;
  virtual Hdc GetDC(Hwnd window) = 0;
  virtual int ReleaseDC(Hwnd window, Hdc surface) = 0;
  virtual Hdc CreateCompatibleDC(Hdc surface) = 0;
  virtual Hbitmap CreateCompatibleBitmap(Hdc surface, int width, int height) = 0;
  virtual Hgdiobj SelectObject(Hdc surface, Hgdiobj object) = 0;
  virtual Hgdiobj GetStockObject(int index) = 0;
  virtual Hbrush CreateSolidBrush(ColorRef color) = 0;
  virtual int FillRect(Hdc surface, const Rect* rect, Hbrush brush) = 0;
  virtual int SetBkMode(Hdc surface, int mode) = 0;
  virtual ColorRef SetBkColor(Hdc surface, ColorRef color) = 0;
  virtual ColorRef SetTextColor(Hdc surface, ColorRef color) = 0;
  virtual int DrawTextW(Hdc surface, const Wchar* text, int length, Rect* rect,
                        std::uint32_t format) = 0;
  virtual int BitBlt(Hdc dest, int x, int y, int width, int height, Hdc source, int sourceX,
                     int sourceY, std::uint32_t rop) = 0;
  virtual int DeleteDC(Hdc surface) = 0;
  virtual int DeleteObject(Hgdiobj object) = 0;
  // Width and height of a bitmap; false for anything else.
  virtual int GetBitmapSize(Hbitmap bitmap, int* width, int* height) = 0;

  // ---- Shell ----
  virtual int SHInitExtraControls() = 0;
  virtual int SHInitDialog(const ShInitDlgInfo* info) = 0;
  virtual int SHFullScreen(Hwnd window, std::uint32_t state) = 0;
  virtual Hwnd SHFindMenuBar(Hwnd window) = 0;
  // Shows (1) or hides (0) a menu bar window (the common controls' operation).
  virtual int ShowMenuBar(Hwnd menuBar, int show) = 0;
  virtual void ShellSwitch(std::uint32_t a, std::uint32_t b) = 0;
  virtual void SystemSwitch(std::uint32_t on) = 0;
  // Re-applies a dialog template's layout to a dialog after a resize.
  virtual int RelayoutDialog(Hinstance instance, Hwnd dialog, const Wchar* templateName) = 0;
};

// The platform the running program uses.
Platform& platform();
void SetPlatform(Platform* platform);

}  // namespace harness
