// The operations the desktop has as well: forwarded with the handset's types translated.
// The handset-only ones are in handset_standins.cpp.
#include "platform/win32/win32_platform.h"

#include <algorithm>
#include <string_view>

#include "platform/win32/desktop.h"
#include "platform/win32/dialog_thunk.h"
#include "platform/win32/handset_values.h"

namespace win32 {

using harness::Wchar;

struct Win32Platform::PaintSlot {
  HWND window = nullptr;
  PAINTSTRUCT paint{};
};

namespace {

constexpr std::size_t kPaintSlots = 8;

MSG* ToMsg(harness::Msg* msg) { return reinterpret_cast<MSG*>(msg); }
const MSG* ToMsg(const harness::Msg* msg) { return reinterpret_cast<const MSG*>(msg); }
RECT* ToRect(harness::Rect* rect) { return reinterpret_cast<RECT*>(rect); }
const RECT* ToRect(const harness::Rect* rect) { return reinterpret_cast<const RECT*>(rect); }

// DWL_USER is a 32-bit slot on the handset; the desktop's dialog slot is pointer-sized and sits
// further on. The other indexes the programs use mean the same on both.
int DesktopLongIndex(HWND window, int index) {
  if (index != handset::kDialogUserSlot) return index;
  wchar_t className[16] = {};
  ::GetClassNameW(window, className, 16);
  return std::wstring_view(className) == L"#32770" ? static_cast<int>(DWLP_USER) : index;
}

}  // namespace

Win32Platform::Win32Platform(Win32Config config)
    : config_(std::move(config)), paintSlots_(new PaintSlot[kPaintSlots]) {}

Win32Platform::~Win32Platform() = default;

harness::Hinstance Win32Platform::programInstance() {
  return reinterpret_cast<harness::Hinstance>(::GetModuleHandleW(nullptr));
}

// ---- Registry ----

std::int32_t Win32Platform::RegCreateKeyExW(harness::Hkey root, const Wchar* subKey,
                                            std::uint32_t reserved, const Wchar* keyClass,
                                            std::uint32_t options, std::uint32_t samDesired,
                                            const void* security, harness::Hkey* result,
                                            std::uint32_t* disposition) {
  HKEY key = nullptr;
  DWORD created = 0;  // DWORD is not std::uint32_t here
  const LONG status = ::RegCreateKeyExW(
      ToDesktopKey(root), Wide(subKey), reserved, const_cast<wchar_t*>(Wide(keyClass)), options,
      samDesired, static_cast<SECURITY_ATTRIBUTES*>(const_cast<void*>(security)), &key, &created);
  if (status == ERROR_SUCCESS) {
    if (result != nullptr) *result = reinterpret_cast<harness::Hkey>(key);
    if (disposition != nullptr) *disposition = created;
  }
  return status;
}

std::int32_t Win32Platform::RegSetValueExW(harness::Hkey key, const Wchar* valueName,
                                           std::uint32_t reserved, std::uint32_t type,
                                           const std::uint8_t* data, std::uint32_t size) {
  return ::RegSetValueExW(ToDesktopKey(key), Wide(valueName), reserved, type, data, size);
}

std::int32_t Win32Platform::RegCloseKey(harness::Hkey key) {
  return ::RegCloseKey(ToDesktopKey(key));
}

// ---- Time and debug output ----

std::uint32_t Win32Platform::GetTickCount() { return ::GetTickCount(); }

void Win32Platform::DebugOutput(const Wchar* text) {
  if (text == nullptr) return;
  ::OutputDebugStringW(Wide(text));
  if (config_.debugSink) config_.debugSink(std::u16string_view(text));
}

int Win32Platform::CloseHandle(harness::Handle object) {
  events_.erase(std::remove_if(events_.begin(), events_.end(),
                               [&](const auto& e) { return e.first == object; }),
                events_.end());
  return ::CloseHandle(reinterpret_cast<HANDLE>(object)) ? 1 : 0;
}

// ---- Resources ----

harness::Hrsrc Win32Platform::FindResourceW(harness::Hinstance instance, const Wchar* name,
                                            const Wchar* type) {
  return reinterpret_cast<harness::Hrsrc>(
      ::FindResourceW(ToInstance(instance), Wide(name), Wide(type)));
}

harness::Hglobal Win32Platform::LoadResource(harness::Hinstance instance, harness::Hrsrc resource) {
  const HMODULE module = ToInstance(instance);
  const auto info = reinterpret_cast<HRSRC>(resource);
  const HGLOBAL loaded = ::LoadResource(module, info);
  if (loaded == nullptr) return nullptr;
  // Remembered with its size: a dialog template made from it may need a corrected copy.
  const void* bytes = ::LockResource(loaded);
  const std::uint32_t size = ::SizeofResource(module, info);
  if (bytes != nullptr && std::none_of(loadedResources_.begin(), loadedResources_.end(),
                                       [&](const LoadedResource& r) { return r.bytes == bytes; })) {
    loadedResources_.push_back({bytes, size});
  }
  return loaded;
}

std::uint32_t Win32Platform::SizeofResource(harness::Hinstance instance, harness::Hrsrc resource) {
  return ::SizeofResource(ToInstance(instance), reinterpret_cast<HRSRC>(resource));
}

const void* Win32Platform::LockResource(harness::Hglobal data) {
  return ::LockResource(const_cast<void*>(data));
}

harness::Haccel Win32Platform::LoadAcceleratorsW(harness::Hinstance instance, const Wchar* name) {
  return reinterpret_cast<harness::Haccel>(::LoadAcceleratorsW(ToInstance(instance), Wide(name)));
}

harness::Hicon Win32Platform::LoadIconW(harness::Hinstance instance, const Wchar* name) {
  return reinterpret_cast<harness::Hicon>(::LoadIconW(ToInstance(instance), Wide(name)));
}

int Win32Platform::DestroyIcon(harness::Hicon icon) {
  return ::DestroyIcon(reinterpret_cast<HICON>(icon)) ? 1 : 0;
}

harness::Hbitmap Win32Platform::LoadBitmapW(harness::Hinstance instance, const Wchar* name) {
  return FromGdi(::LoadBitmapW(ToInstance(instance), Wide(name)));
}

// ---- Windows and dialogs ----

harness::Hwnd Win32Platform::CreateWindowExW(std::uint32_t exStyle, const Wchar* className,
                                             const Wchar* windowName, std::uint32_t style, int x,
                                             int y, int width, int height, harness::Hwnd parent,
                                             std::uintptr_t menuOrId, harness::Hinstance instance,
                                             void* param) {
  return FromHwnd(::CreateWindowExW(exStyle, Wide(className), Wide(windowName), style, x, y, width,
                                    height, ToHwnd(parent), reinterpret_cast<HMENU>(menuOrId),
                                    ToInstance(instance), param));
}

harness::Hwnd Win32Platform::CreateDialogIndirectParamW(harness::Hinstance instance,
                                                        const void* dialogTemplate,
                                                        harness::Hwnd parent,
                                                        harness::DlgProc dialogProc,
                                                        harness::Lparam initParam) {
  std::size_t size = 0;
  for (const LoadedResource& r : loadedResources_) {
    if (r.bytes == dialogTemplate) size = r.size;
  }
  return FromHwnd(CreateHandsetDialog(ToInstance(instance), dialogTemplate, size, ToHwnd(parent),
                                      dialogProc, initParam));
}

int Win32Platform::EndDialog(harness::Hwnd dialog, std::intptr_t result) {
  return ::EndDialog(ToHwnd(dialog), result) ? 1 : 0;
}

int Win32Platform::IsDialogMessageW(harness::Hwnd dialog, harness::Msg* msg) {
  return ::IsDialogMessageW(ToHwnd(dialog), ToMsg(msg)) ? 1 : 0;
}

int Win32Platform::ShowWindow(harness::Hwnd window, int command) {
  return ::ShowWindow(ToHwnd(window), command) ? 1 : 0;
}

int Win32Platform::UpdateWindow(harness::Hwnd window) {
  return ::UpdateWindow(ToHwnd(window)) ? 1 : 0;
}

int Win32Platform::DestroyWindow(harness::Hwnd window) {
  return ::DestroyWindow(ToHwnd(window)) ? 1 : 0;
}

int Win32Platform::IsWindow(harness::Hwnd window) { return ::IsWindow(ToHwnd(window)) ? 1 : 0; }

int Win32Platform::IsWindowVisible(harness::Hwnd window) {
  return ::IsWindowVisible(ToHwnd(window)) ? 1 : 0;
}

harness::Hwnd Win32Platform::GetParent(harness::Hwnd window) {
  return FromHwnd(::GetParent(ToHwnd(window)));
}

harness::Lresult Win32Platform::DefWindowProcW(harness::Hwnd window, std::uint32_t message,
                                               harness::Wparam wParam, harness::Lparam lParam) {
  // A dialog procedure hands unwanted messages to DefWindowProcW on the handset and returns its
  // result: there that means "not handled". On the desktop it would answer for the dialog
  // manager (erasing, closing, activation) and bypass it.
  if (InsideDialogProcedure(ToHwnd(window))) return 0;
  return ::DefWindowProcW(ToHwnd(window), message, wParam, lParam);
}

harness::Lresult Win32Platform::DefDlgProcW(harness::Hwnd dialog, std::uint32_t message,
                                            harness::Wparam wParam, harness::Lparam lParam) {
  return DefaultDialogProcessing(ToHwnd(dialog), message, wParam, lParam);
}

harness::Hwnd Win32Platform::SetFocus(harness::Hwnd window) {
  return FromHwnd(::SetFocus(ToHwnd(window)));
}

harness::Hwnd Win32Platform::GetFocus() { return FromHwnd(::GetFocus()); }

harness::Hwnd Win32Platform::GetActiveWindow() { return FromHwnd(::GetActiveWindow()); }

int Win32Platform::SetForegroundWindow(harness::Hwnd window) {
  // The lowest bit asks for the owned windows too; the desktop keeps those above their owner
  // and brings them along anyway.
  const auto handle = reinterpret_cast<std::uintptr_t>(window) & ~std::uintptr_t{1};
  return ::SetForegroundWindow(reinterpret_cast<HWND>(handle)) ? 1 : 0;
}

harness::Hwnd Win32Platform::GetForegroundWindow() { return FromHwnd(::GetForegroundWindow()); }

int Win32Platform::MoveWindow(harness::Hwnd window, int x, int y, int width, int height,
                              int repaint) {
  return ::MoveWindow(ToHwnd(window), x, y, width, height, repaint) ? 1 : 0;
}

int Win32Platform::SetWindowPos(harness::Hwnd window, harness::Hwnd insertAfter, int x, int y,
                                int cx, int cy, std::uint32_t flags) {
  return ::SetWindowPos(ToHwnd(window), ToHwnd(insertAfter), x, y, cx, cy, flags) ? 1 : 0;
}

int Win32Platform::GetClientRect(harness::Hwnd window, harness::Rect* rect) {
  return ::GetClientRect(ToHwnd(window), ToRect(rect)) ? 1 : 0;
}

int Win32Platform::GetWindowRect(harness::Hwnd window, harness::Rect* rect) {
  return ::GetWindowRect(ToHwnd(window), ToRect(rect)) ? 1 : 0;
}

int Win32Platform::SetWindowTextW(harness::Hwnd window, const Wchar* text) {
  return ::SetWindowTextW(ToHwnd(window), Wide(text)) ? 1 : 0;
}

int Win32Platform::GetWindowTextW(harness::Hwnd window, Wchar* buffer, int bufferLength) {
  return ::GetWindowTextW(ToHwnd(window), Wide(buffer), bufferLength);
}

std::intptr_t Win32Platform::SetWindowLongPtrW(harness::Hwnd window, int index,
                                               std::intptr_t value) {
  return ::SetWindowLongPtrW(ToHwnd(window), DesktopLongIndex(ToHwnd(window), index), value);
}

std::intptr_t Win32Platform::GetWindowLongPtrW(harness::Hwnd window, int index) {
  return ::GetWindowLongPtrW(ToHwnd(window), DesktopLongIndex(ToHwnd(window), index));
}

harness::Hwnd Win32Platform::GetDlgItem(harness::Hwnd dialog, int id) {
  return FromHwnd(::GetDlgItem(ToHwnd(dialog), id));
}

int Win32Platform::MessageBoxW(harness::Hwnd owner, const Wchar* text, const Wchar* caption,
                               std::uint32_t type) {
  const int answer = ::MessageBoxW(ToHwnd(owner), Wide(text), Wide(caption), type);
  record_.messageBoxes.push_back({caption != nullptr ? caption : u"", text != nullptr ? text : u"",
                                  answer == IDOK || answer == IDCANCEL ? answer : 0});
  return answer;
}

// ---- Messages ----

int Win32Platform::GetMessageW(harness::Msg* msg, harness::Hwnd window, std::uint32_t filterMin,
                               std::uint32_t filterMax) {
  return ::GetMessageW(ToMsg(msg), ToHwnd(window), filterMin, filterMax);
}

int Win32Platform::PeekMessageW(harness::Msg* msg, harness::Hwnd window, std::uint32_t filterMin,
                                std::uint32_t filterMax, std::uint32_t removeFlags) {
  return ::PeekMessageW(ToMsg(msg), ToHwnd(window), filterMin, filterMax, removeFlags) ? 1 : 0;
}

int Win32Platform::TranslateMessage(const harness::Msg* msg) {
  return ::TranslateMessage(ToMsg(msg)) ? 1 : 0;
}

harness::Lresult Win32Platform::DispatchMessageW(const harness::Msg* msg) {
  return ::DispatchMessageW(ToMsg(msg));
}

int Win32Platform::TranslateAcceleratorW(harness::Hwnd window, harness::Haccel table,
                                         harness::Msg* msg) {
  return ::TranslateAcceleratorW(ToHwnd(window), reinterpret_cast<HACCEL>(table), ToMsg(msg));
}

int Win32Platform::PostMessageW(harness::Hwnd window, std::uint32_t message, harness::Wparam wParam,
                                harness::Lparam lParam) {
  return ::PostMessageW(ToHwnd(window), message, wParam, lParam) ? 1 : 0;
}

harness::Lresult Win32Platform::SendMessageW(harness::Hwnd window, std::uint32_t message,
                                             harness::Wparam wParam, harness::Lparam lParam) {
  return ::SendMessageW(ToHwnd(window), message, wParam, lParam);
}

void Win32Platform::PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

std::uintptr_t Win32Platform::SetTimer(harness::Hwnd window, std::uintptr_t id,
                                       std::uint32_t elapseMs, harness::TimerProc proc) {
  // Same arguments; DWORD is unsigned long here where the handset's signature says uint32_t.
  return ::SetTimer(ToHwnd(window), id, elapseMs, reinterpret_cast<TIMERPROC>(proc));
}

int Win32Platform::KillTimer(harness::Hwnd window, std::uintptr_t id) {
  return ::KillTimer(ToHwnd(window), id) ? 1 : 0;
}

// ---- Painting and drawing ----

int Win32Platform::InvalidateRect(harness::Hwnd window, const harness::Rect* rect, int erase) {
  return ::InvalidateRect(ToHwnd(window), ToRect(rect), erase) ? 1 : 0;
}

harness::Hdc Win32Platform::BeginPaint(harness::Hwnd window, harness::PaintStruct* paint) {
  PaintSlot* slot = nullptr;
  for (std::size_t i = 0; i < kPaintSlots && slot == nullptr; ++i) {
    if (paintSlots_[i].window == nullptr) slot = &paintSlots_[i];
  }
  PAINTSTRUCT local{};
  PAINTSTRUCT& desktop = slot != nullptr ? slot->paint : local;
  const HDC surface = ::BeginPaint(ToHwnd(window), &desktop);
  if (surface == nullptr) return nullptr;
  if (slot != nullptr) slot->window = ToHwnd(window);
  if (paint != nullptr) {
    paint->hdc = FromHdc(desktop.hdc);
    paint->fErase = desktop.fErase;
    paint->rcPaint = {desktop.rcPaint.left, desktop.rcPaint.top, desktop.rcPaint.right,
                      desktop.rcPaint.bottom};
    paint->fRestore = desktop.fRestore;
    paint->fIncUpdate = desktop.fIncUpdate;
  }
  return FromHdc(surface);
}

int Win32Platform::EndPaint(harness::Hwnd window, const harness::PaintStruct* paint) {
  for (std::size_t i = 0; i < kPaintSlots; ++i) {
    PaintSlot& slot = paintSlots_[i];
    if (slot.window != ToHwnd(window)) continue;
    if (paint != nullptr && FromHdc(slot.paint.hdc) != paint->hdc) continue;
    const BOOL ended = ::EndPaint(slot.window, &slot.paint);
    slot = {};
    return ended ? 1 : 0;
  }
  // Not from BeginPaint here (more nested paints than slots): rebuilt from what is known.
  if (paint == nullptr) return 0;
  PAINTSTRUCT desktop{};
  desktop.hdc = ToHdc(paint->hdc);
  desktop.fErase = paint->fErase;
  desktop.rcPaint = {paint->rcPaint.left, paint->rcPaint.top, paint->rcPaint.right,
                     paint->rcPaint.bottom};
  return ::EndPaint(ToHwnd(window), &desktop) ? 1 : 0;
}

harness::Hdc Win32Platform::GetDC(harness::Hwnd window) { return FromHdc(::GetDC(ToHwnd(window))); }

int Win32Platform::ReleaseDC(harness::Hwnd window, harness::Hdc surface) {
  return ::ReleaseDC(ToHwnd(window), ToHdc(surface));
}

harness::Hdc Win32Platform::CreateCompatibleDC(harness::Hdc surface) {
  return FromHdc(::CreateCompatibleDC(ToHdc(surface)));
}

harness::Hbitmap Win32Platform::CreateCompatibleBitmap(harness::Hdc surface, int width,
                                                       int height) {
  return FromGdi(::CreateCompatibleBitmap(ToHdc(surface), width, height));
}

harness::Hgdiobj Win32Platform::SelectObject(harness::Hdc surface, harness::Hgdiobj object) {
  return FromGdi(::SelectObject(ToHdc(surface), ToGdi(object)));
}

harness::Hgdiobj Win32Platform::GetStockObject(int index) {
  return FromGdi(::GetStockObject(index));
}

harness::Hbrush Win32Platform::CreateSolidBrush(harness::ColorRef color) {
  return FromGdi(::CreateSolidBrush(color));
}

int Win32Platform::FillRect(harness::Hdc surface, const harness::Rect* rect,
                            harness::Hbrush brush) {
  return ::FillRect(ToHdc(surface), ToRect(rect), static_cast<HBRUSH>(ToGdi(brush)));
}

int Win32Platform::SetBkMode(harness::Hdc surface, int mode) {
  return ::SetBkMode(ToHdc(surface), mode);
}

harness::ColorRef Win32Platform::SetBkColor(harness::Hdc surface, harness::ColorRef color) {
  return ::SetBkColor(ToHdc(surface), color);
}

harness::ColorRef Win32Platform::SetTextColor(harness::Hdc surface, harness::ColorRef color) {
  return ::SetTextColor(ToHdc(surface), color);
}

int Win32Platform::DrawTextW(harness::Hdc surface, const Wchar* text, int length,
                             harness::Rect* rect, std::uint32_t format) {
  return ::DrawTextW(ToHdc(surface), Wide(text), length, ToRect(rect), format);
}

int Win32Platform::BitBlt(harness::Hdc dest, int x, int y, int width, int height,
                          harness::Hdc source, int sourceX, int sourceY, std::uint32_t rop) {
  return ::BitBlt(ToHdc(dest), x, y, width, height, ToHdc(source), sourceX, sourceY, rop) ? 1 : 0;
}

int Win32Platform::DeleteDC(harness::Hdc surface) { return ::DeleteDC(ToHdc(surface)) ? 1 : 0; }

int Win32Platform::DeleteObject(harness::Hgdiobj object) {
  return ::DeleteObject(ToGdi(object)) ? 1 : 0;
}

int Win32Platform::GetBitmapSize(harness::Hbitmap bitmap, int* width, int* height) {
  if (bitmap == nullptr || ::GetObjectType(ToGdi(bitmap)) != OBJ_BITMAP) return 0;
  BITMAP info{};
  if (::GetObjectW(ToGdi(bitmap), sizeof info, &info) == 0) return 0;
  if (width != nullptr) *width = info.bmWidth;
  if (height != nullptr) *height = info.bmHeight;
  return 1;
}

}  // namespace win32
