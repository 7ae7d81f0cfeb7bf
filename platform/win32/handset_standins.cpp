// Desktop stand-ins for the operations only the handset has: the core library, the shell's
// registry helpers, named events, sounds, process starts, the screen the programs are told about,
// the dialog class name and the shell's full-screen, menu-bar and switch calls. Each follows the
// handset's rules as the emulator does, and records what it was asked (HandsetRecord).
#include "platform/win32/desktop.h"

#include <mmsystem.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/handset_values.h"
#include "platform/win32/hook_shims.h"
#include "platform/win32/win32_platform.h"

namespace win32 {

using harness::Wchar;

namespace {

constexpr std::u16string_view kActivityEvent = u"PowerManager/UserActivity_Active";

bool SameTextIgnoringCase(const Wchar* a, std::u16string_view b) {
  if (a == nullptr || harness::IsIntResource(a)) return false;
  std::size_t i = 0;
  for (; a[i] != u'\0'; ++i) {
    if (i >= b.size()) return false;
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return i == b.size();
}

// The handset's window library is its core library; on the desktop that is user32.
HMODULE DesktopWindowLibrary() { return ::GetModuleHandleW(L"user32.dll"); }

}  // namespace

// ---- Core library ----

harness::Hmodule Win32Platform::LoadLibraryW(const Wchar* name) {
  if (name == nullptr) return nullptr;
  const wchar_t* desktopName =
      SameTextIgnoringCase(name, u"coredll.dll") ? L"user32.dll" : Wide(name);
  return reinterpret_cast<harness::Hmodule>(::LoadLibraryW(desktopName));
}

harness::FarProc Win32Platform::GetProcAddressW(harness::Hmodule module, const Wchar* procName) {
  if (module == nullptr || procName == nullptr) return nullptr;
  const auto desktopModule = reinterpret_cast<HMODULE>(module);
  if (harness::IsIntResource(procName)) {
    return reinterpret_cast<harness::FarProc>(
        ::GetProcAddress(desktopModule, reinterpret_cast<const char*>(procName)));
  }
  const std::u16string_view name(procName);
  // The hook operations are the shims: the hook id and module argument need translating.
  if (desktopModule == DesktopWindowLibrary()) {
    if (name == u"SetWindowsHookExW") {
      return reinterpret_cast<harness::FarProc>(
          static_cast<harness::SetWindowsHookExFn>(&SetWindowsHookExShim));
    }
    if (name == u"UnhookWindowsHookEx") {
      return reinterpret_cast<harness::FarProc>(
          static_cast<harness::UnhookWindowsHookExFn>(&UnhookWindowsHookExShim));
    }
  }
  // Exported names are ASCII.
  std::string narrow;
  for (const char16_t c : name) {
    if (c == 0 || c > 0x7F) return nullptr;
    narrow.push_back(static_cast<char>(c));
  }
  return reinterpret_cast<harness::FarProc>(::GetProcAddress(desktopModule, narrow.c_str()));
}

int Win32Platform::FreeLibrary(harness::Hmodule module) {
  if (module == nullptr) return 0;
  return ::FreeLibrary(reinterpret_cast<HMODULE>(module)) ? 1 : 0;
}

// ---- The shell's registry helpers ----

namespace {

// Reads one value; the destination is only written by the caller on success.
LONG ReadValue(harness::Hkey root, const Wchar* subKey, const Wchar* valueName, DWORD& type,
               std::vector<BYTE>& bytes) {
  HKEY key = nullptr;
  LONG status = ::RegOpenKeyExW(ToDesktopKey(root), Wide(subKey), 0, KEY_QUERY_VALUE, &key);
  if (status != ERROR_SUCCESS) return status;
  DWORD size = 0;
  status = ::RegQueryValueExW(key, Wide(valueName), nullptr, &type, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    bytes.assign(size, 0);
    status = ::RegQueryValueExW(key, Wide(valueName), nullptr, &type, bytes.data(), &size);
    bytes.resize(size);
  }
  ::RegCloseKey(key);
  return status;
}

}  // namespace

std::int32_t Win32Platform::RegistryGetDWORD(harness::Hkey root, const Wchar* subKey,
                                             const Wchar* valueName, std::uint32_t* data) {
  if (data == nullptr) return ERROR_INVALID_PARAMETER;
  DWORD type = 0;
  std::vector<BYTE> bytes;
  const LONG status = ReadValue(root, subKey, valueName, type, bytes);
  if (status != ERROR_SUCCESS) return status;
  if (type != REG_DWORD || bytes.size() != 4) return ERROR_INVALID_PARAMETER;
  *data = static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
          (static_cast<std::uint32_t>(bytes[2]) << 16) |
          (static_cast<std::uint32_t>(bytes[3]) << 24);
  return ERROR_SUCCESS;
}

std::int32_t Win32Platform::RegistryGetString(harness::Hkey root, const Wchar* subKey,
                                              const Wchar* valueName, Wchar* buffer,
                                              std::uint32_t bufferLength) {
  if (buffer == nullptr || bufferLength == 0) return ERROR_INVALID_PARAMETER;
  DWORD type = 0;
  std::vector<BYTE> bytes;
  const LONG status = ReadValue(root, subKey, valueName, type, bytes);
  if (status != ERROR_SUCCESS) return status;
  if (type != REG_SZ) return ERROR_INVALID_PARAMETER;
  // The stored text may or may not carry its terminator; it ends at the first one.
  std::u16string text(bytes.size() / 2, u'\0');
  std::copy_n(bytes.data(), text.size() * 2, reinterpret_cast<BYTE*>(text.data()));
  text.resize(std::min(text.size(), text.find(u'\0')));
  const std::size_t n = std::min<std::size_t>(text.size(), bufferLength - 1);
  std::copy_n(text.data(), n, buffer);
  buffer[n] = u'\0';
  return ERROR_SUCCESS;
}

std::int32_t Win32Platform::RegistrySetDWORD(harness::Hkey root, const Wchar* subKey,
                                             const Wchar* valueName, std::uint32_t value) {
  // Like the handset's helper: it writes into an existing key only.
  HKEY key = nullptr;
  LONG status = ::RegOpenKeyExW(ToDesktopKey(root), Wide(subKey), 0, KEY_SET_VALUE, &key);
  if (status != ERROR_SUCCESS) return status;
  const DWORD data = value;
  status = ::RegSetValueExW(key, Wide(valueName), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&data), sizeof data);
  ::RegCloseKey(key);
  return status;
}

// ---- Sound, processes, events ----

int Win32Platform::PlaySoundW(const Wchar* sound, harness::Hmodule module, std::uint32_t flags) {
  ++record_.soundsPlayed;
  // The handset's sounds are not on the desktop; without SND_NODEFAULT a missing one would
  // play the desktop's default sound instead.
  return ::PlaySoundW(Wide(sound), reinterpret_cast<HMODULE>(module), flags | SND_NODEFAULT) ? 1
                                                                                             : 0;
}

int Win32Platform::CreateProcessW(const Wchar* image, Wchar* commandLine, const void*, const void*,
                                  int, std::uint32_t, void*, const Wchar*, void*, void*) {
  // Recorded, not run: the handset's programs (the loopback test) are not on the desktop.
  const Wchar* path = image != nullptr ? image : commandLine;
  if (path == nullptr) return 0;
  record_.processesStarted.emplace_back(path);
  return 1;
}

harness::Handle Win32Platform::CreateEventW(const void* attributes, int manualReset,
                                            int initialState, const Wchar* name) {
  const HANDLE event =
      ::CreateEventW(static_cast<SECURITY_ATTRIBUTES*>(const_cast<void*>(attributes)), manualReset,
                     initialState, Wide(name));
  if (event == nullptr) return nullptr;
  const auto handle = reinterpret_cast<harness::Handle>(event);
  events_.emplace_back(handle, name != nullptr ? name : u"");
  return handle;
}

int Win32Platform::EventModify(harness::Handle event, std::uint32_t function) {
  const auto it =
      std::find_if(events_.begin(), events_.end(), [&](const auto& e) { return e.first == event; });
  if (it == events_.end()) return 0;
  const auto desktop = reinterpret_cast<HANDLE>(event);
  if (function == handset::kEventPulse) {
    if (it->second == kActivityEvent) ++record_.activityPulses;
    return ::PulseEvent(desktop) ? 1 : 0;
  }
  if (function == handset::kEventSet) return ::SetEvent(desktop) ? 1 : 0;
  if (function == handset::kEventReset) return ::ResetEvent(desktop) ? 1 : 0;
  return 0;
}

// ---- Windows ----

harness::Hwnd Win32Platform::FindWindowW(const Wchar* className, const Wchar* windowName) {
  // The handset's dialog class is "Dialog"; the desktop's is the predefined #32770.
  const wchar_t* desktopClass =
      SameTextIgnoringCase(className, u"Dialog") ? L"#32770" : Wide(className);
  return FromHwnd(::FindWindowW(desktopClass, Wide(windowName)));
}

int Win32Platform::GetSystemMetrics(int index) {
  if (index == handset::kScreenWidthMetric) return config_.screenWidth;
  if (index == handset::kScreenHeightMetric) return config_.screenHeight;
  return ::GetSystemMetrics(index);
}

// ---- Shell ----

int Win32Platform::SHInitExtraControls() { return 1; }

int Win32Platform::SHInitDialog(const harness::ShInitDlgInfo* info) {
  // The desktop's dialogs have no menu bar and no input panel: nothing to set up.
  if (info == nullptr || !::IsWindow(ToHwnd(info->hDlg))) return 0;
  return 1;
}

int Win32Platform::SHFullScreen(harness::Hwnd window, std::uint32_t state) {
  if (!::IsWindow(ToHwnd(window))) return 0;
  record_.fullScreen = state;
  return 1;
}

harness::Hwnd Win32Platform::SHFindMenuBar(harness::Hwnd) { return nullptr; }

int Win32Platform::ShowMenuBar(harness::Hwnd menuBar, int show) {
  if (!::IsWindow(ToHwnd(menuBar))) return 0;
  ::ShowWindow(ToHwnd(menuBar), show != 0 ? SW_SHOW : SW_HIDE);
  return 1;
}

void Win32Platform::ShellSwitch(std::uint32_t a, std::uint32_t b) {
  record_.shellSwitch = std::make_pair(a, b);
}

void Win32Platform::SystemSwitch(std::uint32_t on) { record_.systemSwitch = on; }

int Win32Platform::RelayoutDialog(harness::Hinstance, harness::Hwnd, const Wchar*) { return 1; }

}  // namespace win32
