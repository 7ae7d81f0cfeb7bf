#include "vantor/tests/fake_platform.h"

#include <algorithm>
#include <cstdio>

namespace vantor::testing {
namespace {

constexpr std::uintptr_t kCoreModule = 0xC0DE;
constexpr std::uintptr_t kHook = 0x400C;
constexpr std::uintptr_t kStockWhite = 0x5701;

std::string hex(std::uintptr_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

std::string rectText(const harness::Rect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

harness::Hhook fakeSetHook(int type, harness::HookProc proc, harness::Hinstance,
                           std::uint32_t thread) {
  FakePlatform* fake = FakePlatform::current;
  fake->calls.push_back("SetWindowsHookExW " + std::to_string(type) + " thread " +
                        std::to_string(thread));
  fake->installedHook = proc;
  return handleOf<harness::Hhook>(kHook);
}

int fakeUnhook(harness::Hhook hook) {
  FakePlatform* fake = FakePlatform::current;
  fake->calls.push_back("UnhookWindowsHookEx " + hex(valueOf(hook)));
  fake->installedHook = nullptr;
  return 1;
}

}  // namespace

FakePlatform* FakePlatform::current = nullptr;

FakePlatform::FakePlatform() {
  current = this;
  harness::SetPlatform(this);
}

FakePlatform::~FakePlatform() {
  if (current == this) current = nullptr;
  harness::SetPlatform(nullptr);
}

std::vector<std::string> FakePlatform::callsStartingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& call : calls) {
    if (call.rfind(prefix, 0) == 0) out.push_back(call);
  }
  return out;
}

std::string FakePlatform::windowName(harness::Hwnd window) const {
  auto it = names_.find(valueOf(window));
  return it != names_.end() ? it->second : hex(valueOf(window));
}

harness::Hmodule FakePlatform::LoadLibraryW(const harness::Wchar* name) {
  calls.push_back("LoadLibraryW " + narrow(name));
  return hookLibraryAvailable ? handleOf<harness::Hmodule>(kCoreModule) : nullptr;
}

harness::FarProc FakePlatform::GetProcAddressW(harness::Hmodule, const harness::Wchar* name) {
  const std::string n = narrow(name);
  if (n == "SetWindowsHookExW") return reinterpret_cast<harness::FarProc>(&fakeSetHook);
  if (n == "UnhookWindowsHookEx") return reinterpret_cast<harness::FarProc>(&fakeUnhook);
  return nullptr;
}

int FakePlatform::FreeLibrary(harness::Hmodule module) {
  calls.push_back("FreeLibrary " + hex(valueOf(module)));
  return 1;
}

std::int32_t FakePlatform::RegCreateKeyExW(harness::Hkey root, const harness::Wchar* subKey,
                                           std::uint32_t, const harness::Wchar*, std::uint32_t,
                                           std::uint32_t sam, const void*, harness::Hkey* result,
                                           std::uint32_t*) {
  const std::string key = narrow(subKey);
  calls.push_back("RegCreateKeyExW " + key);
  if (root != harness::RootLocalMachine() || sam != harness::KEY_WRITE) return 5;
  dwords[key];  // created when missing
  const std::uintptr_t handle = nextHandle_++;
  openKeys_[handle] = key;
  *result = handleOf<harness::Hkey>(handle);
  return harness::ERROR_SUCCESS;
}

std::int32_t FakePlatform::RegSetValueExW(harness::Hkey key, const harness::Wchar* valueName,
                                          std::uint32_t, std::uint32_t type,
                                          const std::uint8_t* data, std::uint32_t size) {
  auto it = openKeys_.find(valueOf(key));
  if (it == openKeys_.end() || type != harness::REG_DWORD || size != 4) return 87;
  const std::uint32_t value =
      data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
  calls.push_back("RegSetValueExW " + it->second + " " + narrow(valueName) + "=" +
                  std::to_string(value));
  dwords[it->second][narrow(valueName)] = value;
  return harness::ERROR_SUCCESS;
}

std::int32_t FakePlatform::RegCloseKey(harness::Hkey key) {
  openKeys_.erase(valueOf(key));
  return harness::ERROR_SUCCESS;
}

std::int32_t FakePlatform::RegistryGetDWORD(harness::Hkey, const harness::Wchar* subKey,
                                            const harness::Wchar* valueName, std::uint32_t* data) {
  calls.push_back("RegistryGetDWORD " + narrow(subKey) + " " + narrow(valueName));
  auto key = dwords.find(narrow(subKey));
  if (key == dwords.end()) return 2;
  auto value = key->second.find(narrow(valueName));
  if (value == key->second.end()) return 2;
  *data = value->second;
  return 0;
}

std::int32_t FakePlatform::RegistryGetString(harness::Hkey, const harness::Wchar* subKey,
                                             const harness::Wchar* valueName,
                                             harness::Wchar* buffer, std::uint32_t length) {
  calls.push_back("RegistryGetString " + narrow(subKey) + " " + narrow(valueName) + " " +
                  std::to_string(length));
  auto key = strings.find(narrow(subKey));
  if (key == strings.end()) return 2;
  auto value = key->second.find(narrow(valueName));
  if (value == key->second.end() || length == 0) return 2;
  const std::size_t n = std::min<std::size_t>(value->second.size(), length - 1);
  std::copy_n(value->second.begin(), n, buffer);
  buffer[n] = 0;
  return 0;
}

// Like the shell's helper on the handset: fails when the key does not exist.
std::int32_t FakePlatform::RegistrySetDWORD(harness::Hkey, const harness::Wchar* subKey,
                                            const harness::Wchar* valueName, std::uint32_t value) {
  calls.push_back("RegistrySetDWORD " + narrow(subKey) + " " + narrow(valueName) + "=" +
                  std::to_string(value));
  auto key = dwords.find(narrow(subKey));
  if (key == dwords.end()) return 2;
  key->second[narrow(valueName)] = value;
  return 0;
}

int FakePlatform::PlaySoundW(const harness::Wchar* sound, harness::Hmodule module,
                             std::uint32_t flags) {
  ++soundsPlayed;
  calls.push_back("PlaySoundW " + narrow(sound) + " " + hex(valueOf(module)) + " " +
                  std::to_string(flags));
  return 1;
}

harness::Handle FakePlatform::CreateEventW(const void*, int manualReset, int initialState,
                                           const harness::Wchar* name) {
  calls.push_back("CreateEventW " + narrow(name) + " " + std::to_string(manualReset) + " " +
                  std::to_string(initialState));
  return handleOf<harness::Handle>(0xE7E7);
}

int FakePlatform::EventModify(harness::Handle event, std::uint32_t function) {
  calls.push_back("EventModify " + hex(valueOf(event)) + " " + std::to_string(function));
  return 1;
}

int FakePlatform::CloseHandle(harness::Handle object) {
  calls.push_back("CloseHandle " + hex(valueOf(object)));
  return 1;
}

harness::Hwnd FakePlatform::CreateWindowExW(std::uint32_t exStyle, const harness::Wchar* className,
                                            const harness::Wchar* windowName, std::uint32_t style,
                                            int x, int y, int width, int height,
                                            harness::Hwnd parent, std::uintptr_t id,
                                            harness::Hinstance, void*) {
  calls.push_back("CreateWindowExW " + std::to_string(exStyle) + " " + narrow(className) + " " +
                  narrow(windowName) + " " + hex(style) + " " + std::to_string(x) + "," +
                  std::to_string(y) + " " + std::to_string(width) + "x" + std::to_string(height) +
                  " parent " + this->windowName(parent) + " id " + std::to_string(id));
  return handleOf<harness::Hwnd>(nextHandle_++);
}

int FakePlatform::EndDialog(harness::Hwnd dialog, std::intptr_t result) {
  calls.push_back("EndDialog " + windowName(dialog) + " " + std::to_string(result));
  return 1;
}

int FakePlatform::ShowWindow(harness::Hwnd window, int command) {
  calls.push_back("ShowWindow " + windowName(window) + " " + std::to_string(command));
  return 1;
}

int FakePlatform::UpdateWindow(harness::Hwnd window) {
  calls.push_back("UpdateWindow " + windowName(window));
  return 1;
}

int FakePlatform::DestroyWindow(harness::Hwnd window) {
  calls.push_back("DestroyWindow " + windowName(window));
  return 1;
}

harness::Lresult FakePlatform::DefWindowProcW(harness::Hwnd, std::uint32_t message, harness::Wparam,
                                              harness::Lparam) {
  calls.push_back("DefWindowProcW " + std::to_string(message));
  return 77;
}

harness::Hwnd FakePlatform::SetFocus(harness::Hwnd window) {
  calls.push_back("SetFocus " + windowName(window));
  return nullptr;
}

harness::Hwnd FakePlatform::FindWindowW(const harness::Wchar* className,
                                        const harness::Wchar* title) {
  const std::string c = narrow(className);
  const std::string t = title == nullptr ? "" : narrow(title);
  calls.push_back("FindWindowW " + c + (title == nullptr ? "" : " " + t));
  for (const KnownWindow& w : windows) {
    if (w.className == c && (title == nullptr || w.title == t)) return w.handle;
  }
  return nullptr;
}

int FakePlatform::SetForegroundWindow(harness::Hwnd window) {
  const std::uintptr_t v = valueOf(window);
  calls.push_back("SetForegroundWindow " +
                  windowName(handleOf<harness::Hwnd>(v & ~std::uintptr_t{1})) +
                  ((v & 1) != 0 ? "|1" : ""));
  return 1;
}

int FakePlatform::MoveWindow(harness::Hwnd window, int x, int y, int width, int height,
                             int repaint) {
  calls.push_back("MoveWindow " + windowName(window) + " " + std::to_string(x) + "," +
                  std::to_string(y) + " " + std::to_string(width) + "x" + std::to_string(height) +
                  " " + std::to_string(repaint));
  return 1;
}

int FakePlatform::SetWindowPos(harness::Hwnd window, harness::Hwnd insertAfter, int x, int y,
                               int cx, int cy, std::uint32_t flags) {
  calls.push_back("SetWindowPos " + windowName(window) + " " +
                  std::to_string(reinterpret_cast<std::intptr_t>(insertAfter)) + " " +
                  std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(cx) + "x" +
                  std::to_string(cy) + " " + std::to_string(flags));
  return 1;
}

int FakePlatform::GetClientRect(harness::Hwnd, harness::Rect* rect) {
  *rect = clientRect;
  return 1;
}

int FakePlatform::GetSystemMetrics(int index) {
  return index == harness::SM_CXSCREEN   ? screenWidth
         : index == harness::SM_CYSCREEN ? screenHeight
                                         : 0;
}

int FakePlatform::PostMessageW(harness::Hwnd window, std::uint32_t message, harness::Wparam wParam,
                               harness::Lparam lParam) {
  calls.push_back("PostMessageW " + windowName(window) + " " + std::to_string(message) + " " +
                  std::to_string(wParam) + " " + std::to_string(lParam));
  return 1;
}

void FakePlatform::PostQuitMessage(int exitCode) {
  calls.push_back("PostQuitMessage " + std::to_string(exitCode));
}

std::uintptr_t FakePlatform::SetTimer(harness::Hwnd window, std::uintptr_t id, std::uint32_t ms,
                                      harness::TimerProc proc) {
  calls.push_back("SetTimer " + windowName(window) + " " + std::to_string(id) + " " +
                  std::to_string(ms) + (proc != nullptr ? " proc" : ""));
  return id;
}

int FakePlatform::KillTimer(harness::Hwnd window, std::uintptr_t id) {
  calls.push_back("KillTimer " + windowName(window) + " " + std::to_string(id));
  return 1;
}

int FakePlatform::InvalidateRect(harness::Hwnd window, const harness::Rect* rect, int erase) {
  calls.push_back("InvalidateRect " + windowName(window) + " " +
                  (rect == nullptr ? std::string("all") : rectText(*rect)) + " " +
                  std::to_string(erase));
  return 1;
}

harness::Hdc FakePlatform::CreateCompatibleDC(harness::Hdc surface) {
  harness::Hdc dc = handleOf<harness::Hdc>(nextHandle_++);
  liveSurfaces.push_back(dc);
  calls.push_back("CreateCompatibleDC " + hex(valueOf(surface)));
  return dc;
}

harness::Hbitmap FakePlatform::CreateCompatibleBitmap(harness::Hdc, int width, int height) {
  harness::Hbitmap bitmap = handleOf<harness::Hbitmap>(nextHandle_++);
  liveObjects.push_back(bitmap);
  calls.push_back("CreateCompatibleBitmap " + std::to_string(width) + "x" + std::to_string(height));
  return bitmap;
}

harness::Hgdiobj FakePlatform::SelectObject(harness::Hdc, harness::Hgdiobj object) {
  // A fresh memory surface holds a default image of its own.
  static const harness::Hgdiobj kDefaultImage = handleOf<harness::Hgdiobj>(0xDEF0);
  harness::Hgdiobj previous = selected.empty() ? kDefaultImage : *selected.begin();
  selected.clear();
  if (object != kDefaultImage) selected.insert(object);
  calls.push_back("SelectObject " + hex(valueOf(object)));
  return previous;
}

harness::Hgdiobj FakePlatform::GetStockObject(int index) {
  return index == harness::WHITE_BRUSH ? handleOf<harness::Hgdiobj>(kStockWhite) : nullptr;
}

harness::Hbrush FakePlatform::CreateSolidBrush(harness::ColorRef color) {
  harness::Hbrush brush = handleOf<harness::Hbrush>(nextHandle_++);
  liveObjects.push_back(brush);
  brushColours.push_back(color);
  return brush;
}

int FakePlatform::FillRect(harness::Hdc, const harness::Rect* rect, harness::Hbrush brush) {
  std::string what = valueOf(brush) == kStockWhite ? "white-stock" : "brush";
  calls.push_back("FillRect " + rectText(*rect) + " " + what);
  return 1;
}

int FakePlatform::SetBkMode(harness::Hdc, int mode) {
  calls.push_back("SetBkMode " + std::to_string(mode));
  return 1;
}

int FakePlatform::DrawTextW(harness::Hdc, const harness::Wchar* text, int length,
                            harness::Rect* rect, std::uint32_t format) {
  calls.push_back("DrawTextW " + narrow(text) + " " + std::to_string(length) + " " +
                  rectText(*rect) + " " + std::to_string(format));
  return 1;
}

int FakePlatform::BitBlt(harness::Hdc dest, int x, int y, int width, int height, harness::Hdc,
                         int sx, int sy, std::uint32_t rop) {
  calls.push_back("BitBlt " + hex(valueOf(dest)) + " " + std::to_string(x) + "," +
                  std::to_string(y) + " " + std::to_string(width) + "x" + std::to_string(height) +
                  " from " + std::to_string(sx) + "," + std::to_string(sy) + " " + hex(rop));
  return 1;
}

int FakePlatform::DeleteDC(harness::Hdc surface) {
  auto it = std::find(liveSurfaces.begin(), liveSurfaces.end(), surface);
  if (it == liveSurfaces.end()) return 0;
  liveSurfaces.erase(it);
  calls.push_back("DeleteDC");
  return 1;
}

int FakePlatform::DeleteObject(harness::Hgdiobj object) {
  auto it = std::find(liveObjects.begin(), liveObjects.end(), object);
  if (it == liveObjects.end()) return 0;
  liveObjects.erase(it);
  return 1;
}

int FakePlatform::SHInitDialog(const harness::ShInitDlgInfo* info) {
  calls.push_back("SHInitDialog " + std::to_string(info->mask) + " " + windowName(info->hDlg) +
                  " " + hex(info->flags));
  return 1;
}

int FakePlatform::SHFullScreen(harness::Hwnd window, std::uint32_t state) {
  calls.push_back("SHFullScreen " + windowName(window) + " " + std::to_string(state));
  return 1;
}

int FakePlatform::ShowMenuBar(harness::Hwnd bar, int show) {
  calls.push_back("ShowMenuBar " + windowName(bar) + " " + std::to_string(show));
  return 1;
}

void FakePlatform::ShellSwitch(std::uint32_t a, std::uint32_t b) {
  calls.push_back("ShellSwitch " + std::to_string(a) + " " + std::to_string(b));
}

void FakePlatform::SystemSwitch(std::uint32_t on) {
  calls.push_back("SystemSwitch " + std::to_string(on));
}

}  // namespace vantor::testing
