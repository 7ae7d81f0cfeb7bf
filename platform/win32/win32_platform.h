// The native backend: harness::Platform on the real Win32 API.
//
// Most operations forward to the desktop's function of the same name, with the handset's types
// cast or translated; operations that exist only on the handset get desktop stand-ins
// (handset_standins.cpp) that share their names and rules with the emulator's. This header is
// free of windows.h, so that program-side code (entry points, tests) can include it next to the
// handset's constants.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "harness/platform.h"

namespace win32 {

struct Win32Config {
  // What GetSystemMetrics answers for the screen: the handset's, not the desktop's.
  int screenWidth = 320;
  int screenHeight = 320;
  // Debug output lines as the program writes them (UTF-16, with their CR LF); also sent to the
  // desktop's debugger output.
  std::function<void(std::u16string_view line)> debugSink;
};

struct MessageBoxRecord {
  std::u16string caption;
  std::u16string text;
  int answer = 0;  // 1 OK, 2 Cancel, 0 when the box went away unanswered
};

// What the handset-only operations were asked to do (named as in the emulator's record).
struct HandsetRecord {
  std::vector<std::u16string> processesStarted;  // image paths, in order; none is run
  int soundsPlayed = 0;
  int activityPulses = 0;  // pulses of "PowerManager/UserActivity_Active"
  std::optional<std::pair<std::uint32_t, std::uint32_t>> shellSwitch;  // last call
  std::optional<std::uint32_t> systemSwitch;                           // last call
  std::optional<std::uint32_t> fullScreen;                             // last SHFullScreen state
  std::vector<MessageBoxRecord> messageBoxes;
};

class Win32Platform : public harness::Platform {
 public:
  explicit Win32Platform(Win32Config config);
  ~Win32Platform() override;

  const HandsetRecord& record() const { return record_; }
  // The program's module: what the programs get as their instance.
  static harness::Hinstance programInstance();

  // ---- harness::Platform ----
  harness::Hmodule LoadLibraryW(const harness::Wchar* name) override;
  harness::FarProc GetProcAddressW(harness::Hmodule module,
                                   const harness::Wchar* procName) override;
  int FreeLibrary(harness::Hmodule module) override;
  std::int32_t RegCreateKeyExW(harness::Hkey root, const harness::Wchar* subKey,
                               std::uint32_t reserved, const harness::Wchar* keyClass,
                               std::uint32_t options, std::uint32_t samDesired,
                               const void* security, harness::Hkey* result,
                               std::uint32_t* disposition) override;
  std::int32_t RegSetValueExW(harness::Hkey key, const harness::Wchar* valueName,
                              std::uint32_t reserved, std::uint32_t type, const std::uint8_t* data,
                              std::uint32_t size) override;
  std::int32_t RegCloseKey(harness::Hkey key) override;
  std::int32_t RegistryGetDWORD(harness::Hkey root, const harness::Wchar* subKey,
                                const harness::Wchar* valueName, std::uint32_t* data) override;
  std::int32_t RegistryGetString(harness::Hkey root, const harness::Wchar* subKey,
                                 const harness::Wchar* valueName, harness::Wchar* buffer,
                                 std::uint32_t bufferLength) override;
  std::int32_t RegistrySetDWORD(harness::Hkey root, const harness::Wchar* subKey,
                                const harness::Wchar* valueName, std::uint32_t value) override;
  std::uint32_t GetTickCount() override;
  void DebugOutput(const harness::Wchar* text) override;
  int PlaySoundW(const harness::Wchar* sound, harness::Hmodule module,
                 std::uint32_t flags) override;
  int CreateProcessW(const harness::Wchar* image, harness::Wchar* commandLine,
                     const void* processAttributes, const void* threadAttributes,
                     int inheritHandles, std::uint32_t creationFlags, void* environment,
                     const harness::Wchar* currentDirectory, void* startupInfo,
                     void* processInformation) override;
  harness::Handle CreateEventW(const void* attributes, int manualReset, int initialState,
                               const harness::Wchar* name) override;
  int EventModify(harness::Handle event, std::uint32_t function) override;
  int CloseHandle(harness::Handle object) override;
  harness::Hrsrc FindResourceW(harness::Hinstance instance, const harness::Wchar* name,
                               const harness::Wchar* type) override;
  harness::Hglobal LoadResource(harness::Hinstance instance, harness::Hrsrc resource) override;
  std::uint32_t SizeofResource(harness::Hinstance instance, harness::Hrsrc resource) override;
  const void* LockResource(harness::Hglobal data) override;
  harness::Haccel LoadAcceleratorsW(harness::Hinstance instance,
                                    const harness::Wchar* name) override;
  harness::Hicon LoadIconW(harness::Hinstance instance, const harness::Wchar* name) override;
  int DestroyIcon(harness::Hicon icon) override;
  harness::Hbitmap LoadBitmapW(harness::Hinstance instance, const harness::Wchar* name) override;
  harness::Hwnd CreateWindowExW(std::uint32_t exStyle, const harness::Wchar* className,
                                const harness::Wchar* windowName, std::uint32_t style, int x, int y,
                                int width, int height, harness::Hwnd parent,
                                std::uintptr_t menuOrId, harness::Hinstance instance,
                                void* param) override;
  harness::Hwnd CreateDialogIndirectParamW(harness::Hinstance instance, const void* dialogTemplate,
                                           harness::Hwnd parent, harness::DlgProc dialogProc,
                                           harness::Lparam initParam) override;
  int EndDialog(harness::Hwnd dialog, std::intptr_t result) override;
  int IsDialogMessageW(harness::Hwnd dialog, harness::Msg* msg) override;
  int ShowWindow(harness::Hwnd window, int command) override;
  int UpdateWindow(harness::Hwnd window) override;
  int DestroyWindow(harness::Hwnd window) override;
  int IsWindow(harness::Hwnd window) override;
  int IsWindowVisible(harness::Hwnd window) override;
  harness::Hwnd GetParent(harness::Hwnd window) override;
  harness::Lresult DefWindowProcW(harness::Hwnd window, std::uint32_t message,
                                  harness::Wparam wParam, harness::Lparam lParam) override;
  harness::Lresult DefDlgProcW(harness::Hwnd dialog, std::uint32_t message, harness::Wparam wParam,
                               harness::Lparam lParam) override;
  harness::Hwnd SetFocus(harness::Hwnd window) override;
  harness::Hwnd GetFocus() override;
  harness::Hwnd GetActiveWindow() override;
  harness::Hwnd FindWindowW(const harness::Wchar* className,
                            const harness::Wchar* windowName) override;
  int SetForegroundWindow(harness::Hwnd window) override;
  harness::Hwnd GetForegroundWindow() override;
  int MoveWindow(harness::Hwnd window, int x, int y, int width, int height, int repaint) override;
  int SetWindowPos(harness::Hwnd window, harness::Hwnd insertAfter, int x, int y, int cx, int cy,
                   std::uint32_t flags) override;
  int GetClientRect(harness::Hwnd window, harness::Rect* rect) override;
  int GetWindowRect(harness::Hwnd window, harness::Rect* rect) override;
  int SetWindowTextW(harness::Hwnd window, const harness::Wchar* text) override;
  int GetWindowTextW(harness::Hwnd window, harness::Wchar* buffer, int bufferLength) override;
  std::intptr_t SetWindowLongPtrW(harness::Hwnd window, int index, std::intptr_t value) override;
  std::intptr_t GetWindowLongPtrW(harness::Hwnd window, int index) override;
  harness::Hwnd GetDlgItem(harness::Hwnd dialog, int id) override;
  int GetSystemMetrics(int index) override;
  int MessageBoxW(harness::Hwnd owner, const harness::Wchar* text, const harness::Wchar* caption,
                  std::uint32_t type) override;
  int GetMessageW(harness::Msg* msg, harness::Hwnd window, std::uint32_t filterMin,
                  std::uint32_t filterMax) override;
  int PeekMessageW(harness::Msg* msg, harness::Hwnd window, std::uint32_t filterMin,
                   std::uint32_t filterMax, std::uint32_t removeFlags) override;
  int TranslateMessage(const harness::Msg* msg) override;
  harness::Lresult DispatchMessageW(const harness::Msg* msg) override;
  int TranslateAcceleratorW(harness::Hwnd window, harness::Haccel table,
                            harness::Msg* msg) override;
  int PostMessageW(harness::Hwnd window, std::uint32_t message, harness::Wparam wParam,
                   harness::Lparam lParam) override;
  harness::Lresult SendMessageW(harness::Hwnd window, std::uint32_t message, harness::Wparam wParam,
                                harness::Lparam lParam) override;
  void PostQuitMessage(int exitCode) override;
  std::uintptr_t SetTimer(harness::Hwnd window, std::uintptr_t id, std::uint32_t elapseMs,
                          harness::TimerProc proc) override;
  int KillTimer(harness::Hwnd window, std::uintptr_t id) override;
  int InvalidateRect(harness::Hwnd window, const harness::Rect* rect, int erase) override;
  harness::Hdc BeginPaint(harness::Hwnd window, harness::PaintStruct* paint) override;
  int EndPaint(harness::Hwnd window, const harness::PaintStruct* paint) override;
  harness::Hdc GetDC(harness::Hwnd window) override;
  int ReleaseDC(harness::Hwnd window, harness::Hdc surface) override;
  harness::Hdc CreateCompatibleDC(harness::Hdc surface) override;
  harness::Hbitmap CreateCompatibleBitmap(harness::Hdc surface, int width, int height) override;
  harness::Hgdiobj SelectObject(harness::Hdc surface, harness::Hgdiobj object) override;
  harness::Hgdiobj GetStockObject(int index) override;
  harness::Hbrush CreateSolidBrush(harness::ColorRef color) override;
  int FillRect(harness::Hdc surface, const harness::Rect* rect, harness::Hbrush brush) override;
  int SetBkMode(harness::Hdc surface, int mode) override;
  harness::ColorRef SetBkColor(harness::Hdc surface, harness::ColorRef color) override;
  harness::ColorRef SetTextColor(harness::Hdc surface, harness::ColorRef color) override;
  int DrawTextW(harness::Hdc surface, const harness::Wchar* text, int length, harness::Rect* rect,
                std::uint32_t format) override;
  int BitBlt(harness::Hdc dest, int x, int y, int width, int height, harness::Hdc source,
             int sourceX, int sourceY, std::uint32_t rop) override;
  int DeleteDC(harness::Hdc surface) override;
  int DeleteObject(harness::Hgdiobj object) override;
  int GetBitmapSize(harness::Hbitmap bitmap, int* width, int* height) override;
  int SHInitExtraControls() override;
  int SHInitDialog(const harness::ShInitDlgInfo* info) override;
  int SHFullScreen(harness::Hwnd window, std::uint32_t state) override;
  harness::Hwnd SHFindMenuBar(harness::Hwnd window) override;
  int ShowMenuBar(harness::Hwnd menuBar, int show) override;
  void ShellSwitch(std::uint32_t a, std::uint32_t b) override;
  void SystemSwitch(std::uint32_t on) override;
  int RelayoutDialog(harness::Hinstance instance, harness::Hwnd dialog,
                     const harness::Wchar* templateName) override;

 private:
  // The paint records handed out by BeginPaint, for EndPaint (the desktop's has more fields).
  struct PaintSlot;
  // Resource bytes handed out by LoadResource, with their size (dialog templates are copied).
  struct LoadedResource {
    const void* bytes = nullptr;
    std::uint32_t size = 0;
  };

  Win32Config config_;
  HandsetRecord record_;
  std::vector<LoadedResource> loadedResources_;
  std::vector<std::pair<harness::Handle, std::u16string>> events_;
  std::unique_ptr<PaintSlot[]> paintSlots_;
};

}  // namespace win32
