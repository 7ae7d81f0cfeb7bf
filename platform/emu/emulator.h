// The emulated handset: one implementation of harness::Platform, with a deterministic window
// manager (one thread, one queue), the registry, the drawing layer and the shell windows.
//
// A program runs inside run(): the emulator installs itself as the process's platform and calls
// the program's entry. Input comes from an InputSource, asked for its next action whenever the
// program waits for a message and nothing is queued (posted messages, input, paint, due timers).
// Time is virtual by default: it advances only while the program waits (InputSource::wait, or
// after the source is exhausted, up to the idle limit); with ClockMode::Host the same waits pass
// in real time. When the limit passes with the program still
// running, the run is stopped: the waiting GetMessageW unwinds with RunStopped, caught by run(),
// and from then on nothing the program does is recorded: screen(), foreground() and the shell's
// state show the handset as it was at that moment, not after the program's windows unwound.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "harness/platform.h"
#include "platform/emu/pixels.h"
#include "platform/emu/registry.h"

namespace emu {

struct ForeignWindow {
  std::u16string className;
  std::u16string title;
};

// The host's monotonic clock, for runs in real time; tests pass their own.
class HostClock {
 public:
  virtual ~HostClock() = default;
  virtual std::uint64_t milliseconds() = 0;
  virtual void sleepFor(std::uint32_t ms) = 0;
};

enum class ClockMode {
  Virtual,  // deterministic: starts at startTick, moves only while the program waits
  Host,     // the host's monotonic milliseconds (32 bits, wrapping); waits take real time
};

// Handset faults injected for a run (--fault NAME), so that a program can be watched on a
// handset that misbehaves. A registry that takes no writes still opens the keys it has, but
// creating a key, setting a value and RegistrySetDWORD fail with 5 (access denied) and change
// nothing.
struct DeviceFaults {
  bool noCoreLibrary = false;    // "no-core-library": loading the core library fails
  bool noHookFunctions = false;  // "no-hook-functions": it loads, the hook operations are missing
  bool hookRefused = false;      // "hook-refused": installing the hook fails
  bool registryWritesFail = false;  // "registry-writes-fail": every registry write fails
  bool noSound = false;             // "no-sound": playing a sound fails
  friend bool operator==(const DeviceFaults&, const DeviceFaults&) = default;
};

struct DeviceConfig {
  int screenWidth = 320;
  int screenHeight = 320;
  ClockMode clock = ClockMode::Virtual;
  std::uint32_t startTick = 100000;  // the virtual clock only
  HostClock* hostClock = nullptr;    // ClockMode::Host; null: the process's steady clock
  // Top-level windows of other programs present at start, bottom to top (the last is in front).
  std::vector<ForeignWindow> foreignWindows;
  // The program's compiled resources (.res bytes); must outlive the emulator.
  std::span<const std::uint8_t> resources;
  // The font for all text; defaults to the build's configured font.
  std::string fontFile;
  DeviceFaults faults;
};

struct RegistryWrite {
  std::uint32_t tick = 0;
  std::u16string key;  // full path, root's long name first
  std::u16string name;
  RegistryValue value;
};

struct MessageBoxRecord {
  std::uint32_t tick = 0;
  std::u16string caption;
  std::u16string text;
  std::optional<int> answer;  // 1 OK, 2 Cancel; empty while shown or when destroyed unanswered
};

// One key event the device delivered to the program: every key-down and key-up of a running,
// not yet stopped program, as it is handed to the low-level hooks (consumed: a hook swallowed
// it, so no window saw it; otherwise it went on to the focused window's queue).
struct KeyEventRecord {
  std::uint32_t tick = 0;
  std::uint32_t vk = 0;
  std::uint32_t scan = 0;
  bool down = false;
  bool consumed = false;
  friend bool operator==(const KeyEventRecord&, const KeyEventRecord&) = default;
};

struct WindowInfo {
  std::u16string className;
  std::u16string title;
};

// Everything observable that a report needs.
struct DeviceRecord {
  std::vector<std::u16string> processesStarted;  // image paths, in order
  int soundsPlayed = 0;
  int activityPulses = 0;  // pulses of "PowerManager/UserActivity_Active"
  std::optional<std::pair<std::uint32_t, std::uint32_t>> shellSwitch;  // last call
  std::optional<std::uint32_t> systemSwitch;                           // last call
  std::vector<RegistryWrite> registryWrites;
  std::vector<MessageBoxRecord> messageBoxes;
  std::vector<KeyEventRecord> keyEvents;  // in delivery order
};

class Emulator;

// A scripted source of input. next() is called when the program waits and nothing is queued; it
// performs one action on the emulator (keyDown, wait, tap, ...) and returns true, or returns
// false when it has no action left.
class InputSource {
 public:
  virtual ~InputSource() = default;
  virtual bool next(Emulator& emulator) = 0;
};

// Thrown out of a waiting GetMessageW when the run is stopped at the idle limit.
struct RunStopped {};

struct RunResult {
  bool exited = false;          // the program's entry returned
  std::optional<int> exitCode;  // its result when it returned
  std::uint32_t endTick = 0;
};

class Emulator : public harness::Platform {
 public:
  explicit Emulator(DeviceConfig config);
  ~Emulator() override;

  // ---- Running a program ----
  harness::Hinstance programInstance() const;
  void setInputSource(InputSource* source);
  // After the source is exhausted, at most this many virtual ms pass before the run is stopped.
  void setIdleLimit(std::uint32_t ms);
  // Debug output lines as the program writes them (UTF-16, with their CR LF).
  void setDebugSink(std::function<void(std::u16string_view line)> sink);
  RunResult run(const std::function<int()>& entry);
  // Milliseconds until the next timer falls due, nullopt when none is waiting to: an input
  // source may wait this long for input before time has to pass.
  std::optional<std::uint32_t> nextDue() const;
  // Told of each screen rectangle that drawing may change before the program next waits.
  void setScreenObserver(std::function<void(const Rect& changed)> observer);

  // ---- Actions (for input sources and tests); they take effect in the emulator at once, the
  // program sees them when it next waits ----
  // The key event passes the low-level hooks first (on the program's thread), then goes to the
  // focused window's queue unless a hook consumed it. The emulator tracks key state (Control,
  // Shift for accelerators).
  void keyDown(std::uint32_t vk, std::uint32_t scan = 0, std::uint32_t repeat = 1);
  void keyUp(std::uint32_t vk, std::uint32_t scan = 0, std::uint32_t repeat = 1);
  // Lets ms virtual milliseconds pass while the program waits; due timers fire at their ticks.
  void wait(std::uint32_t ms);
  // A tap (press and release) at screen pixel (x, y).
  void tap(int x, int y);
  // Another program's window is activated over everything.
  void activateOther();
  // Every window invalidated, background erased, as when a window that never took the focus
  // goes away.
  void repaintAll();
  // Answers the message box shown on top (1 OK, 2 Cancel); false when none is shown.
  bool answerMessageBox(int answer);
  bool messageBoxShown() const;

  // ---- Observation ----
  Registry& registry();
  const DeviceRecord& record() const;
  const Bitmap& screen() const;
  std::uint32_t tick() const;
  std::optional<WindowInfo> foreground() const;
  bool taskBarVisible() const;
  bool sipButtonVisible() const;
  // Drawing objects currently alive (see Gdi::liveObjectCount).
  std::size_t liveGdiObjects() const;
  // Loads of the core library not yet released, and low-level hooks installed.
  int loadedLibraries() const;
  std::size_t installedHooks() const;
  // The flags of the last SHFullScreen call, if any.
  std::optional<std::uint32_t> lastFullScreenRequest() const;

  // The hook operations found through GetProcAddressW land here.
  harness::Hhook installHook(int idHook, harness::HookProc proc);
  int removeHook(harness::Hhook hook);

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

  // The implementation's state (opaque to users).
  struct State;

 private:
  std::unique_ptr<State> s_;
};

}  // namespace emu
