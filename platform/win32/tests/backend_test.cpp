// The backend's own translations, checked on the desktop's window system (under Wine in CI):
// root keys, the hook shims, the dialog thunk's focus rule and "not handled", the template
// correction, PaintStruct, and the stand-ins of the handset-only operations.
// Handset numbers are written out here: this file sees windows.h, not the handset's constants.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "harness/key_hook.h"
#include "platform/win32/desktop.h"
#include "platform/win32/dialog_thunk.h"
#include "platform/win32/win32_platform.h"

namespace win32 {
namespace {

constexpr int kHandsetKeyboardHook = 20;
const harness::Hkey kHandsetCurrentUser =
    reinterpret_cast<harness::Hkey>(static_cast<std::uintptr_t>(0x80000001u));
constexpr wchar_t kTestKey[] = L"Software\\VantorBackendTest";

class BackendTest : public ::testing::Test {
 protected:
  void SetUp() override { harness::SetPlatform(&backend); }
  void TearDown() override {
    harness::SetPlatform(nullptr);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
  }
  // Handles whatever is queued, hooks included.
  static void Pump() {
    MSG msg;
    for (int round = 0; round < 20; ++round) {
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
      ::Sleep(5);
    }
  }
  Win32Platform backend{Win32Config{240, 400, {}}};
};

TEST(RootKeys, HandsetRootsBecomeTheDesktopsAndOtherKeysPassThrough) {
  const struct {
    std::uint32_t handset;
    HKEY desktop;
  } cases[] = {
      {0x80000000u, HKEY_CLASSES_ROOT},
      {0x80000001u, HKEY_CURRENT_USER},
      {0x80000002u, HKEY_LOCAL_MACHINE},
      {0x80000003u, HKEY_USERS},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToDesktopKey(reinterpret_cast<harness::Hkey>(static_cast<std::uintptr_t>(c.handset))),
              c.desktop)
        << std::hex << c.handset;
  }
  EXPECT_EQ(ToDesktopKey(harness::RootLocalMachine()), HKEY_LOCAL_MACHINE);
  const auto opened = reinterpret_cast<harness::Hkey>(static_cast<std::uintptr_t>(0x1234));
  EXPECT_EQ(ToDesktopKey(opened), reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x1234)));
}

// ---- Hook shims ----

std::vector<KBDLLHOOKSTRUCT> g_hookEvents;
std::vector<WPARAM> g_hookMessages;

harness::Lresult RecordingHook(int code, harness::Wparam message, harness::Lparam event) {
  if (code == 0) {
    g_hookEvents.push_back(*reinterpret_cast<const KBDLLHOOKSTRUCT*>(event));
    g_hookMessages.push_back(message);
  }
  return 1;  // consumed: no window sees it
}

TEST_F(BackendTest, CoreLibraryHandsOutHookShimsThatTakeOnlyTheHandsetsHookId) {
  const harness::Hmodule core = backend.LoadLibraryW(u"COREDLL.DLL");
  ASSERT_NE(core, nullptr);
  const auto setHook = reinterpret_cast<harness::SetWindowsHookExFn>(
      backend.GetProcAddressW(core, u"SetWindowsHookExW"));
  const auto unhook = reinterpret_cast<harness::UnhookWindowsHookExFn>(
      backend.GetProcAddressW(core, u"UnhookWindowsHookEx"));
  ASSERT_NE(setHook, nullptr);
  ASSERT_NE(unhook, nullptr);
  // The desktop's id and a missing procedure are refused, as on the handset.
  EXPECT_EQ(setHook(WH_KEYBOARD_LL, &RecordingHook, nullptr, 0), nullptr);
  EXPECT_EQ(setHook(kHandsetKeyboardHook, nullptr, nullptr, 0), nullptr);
  // Any module argument (Vantor1 passes its dialog) is accepted.
  const harness::Hhook hook = setHook(kHandsetKeyboardHook, &RecordingHook,
                                      reinterpret_cast<harness::Hinstance>(0x5678), 0);
  ASSERT_NE(hook, nullptr);
  EXPECT_EQ(unhook(hook), 1);
  EXPECT_EQ(unhook(hook), 0);
  EXPECT_EQ(backend.GetProcAddressW(core, u"NoSuchFunction"), nullptr);
  EXPECT_EQ(backend.FreeLibrary(core), 1);
}

TEST_F(BackendTest, HandsetOnlyKeyCodesReachTheProgramsHookWithScanCodeAndFlags) {
  harness::KeyHookBinding binding;
  ASSERT_TRUE(harness::InstallKeyHook(binding, Win32Platform::programInstance(), &RecordingHook));
  g_hookEvents.clear();
  g_hookMessages.clear();
  ::keybd_event(232, 0x12, 0, 0);
  ::keybd_event(232, 0x12, KEYEVENTF_KEYUP, 0);
  Pump();
  ASSERT_EQ(g_hookEvents.size(), 2u);
  EXPECT_EQ(g_hookEvents[0].vkCode, 232u);
  EXPECT_EQ(g_hookEvents[0].scanCode, 0x12u);
  EXPECT_EQ(g_hookEvents[0].flags & LLKHF_UP, 0u);
  EXPECT_EQ(g_hookMessages[0], WPARAM{WM_KEYDOWN});
  EXPECT_EQ(g_hookEvents[1].flags & LLKHF_UP, LLKHF_UP);
  EXPECT_EQ(g_hookMessages[1], WPARAM{WM_KEYUP});

  EXPECT_TRUE(harness::RemoveKeyHook(binding));
  EXPECT_EQ(binding.keyHook, nullptr);
  ::keybd_event(232, 0x12, 0, 0);
  ::keybd_event(232, 0x12, KEYEVENTF_KEYUP, 0);
  Pump();
  EXPECT_EQ(g_hookEvents.size(), 2u) << "removed hook still called";
}

// ---- Dialogs ----

// A classic template: header, no menu, default class, title, then items (DWORD-aligned).
class TemplateBuilder {
 public:
  TemplateBuilder(DWORD style, short cx, short cy) {
    put32(style);
    put32(0);  // extended style
    countAt_ = bytes_.size();
    put16(0);  // item count
    put16(0);
    put16(0);
    put16(static_cast<WORD>(cx));
    put16(static_cast<WORD>(cy));
    put16(0);  // menu
    put16(0);  // class
    put16(0);  // title
  }
  TemplateBuilder& button(DWORD style, WORD id) {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
    put32(WS_CHILD | WS_VISIBLE | style);
    put32(0);
    put16(4);
    put16(4);
    put16(40);
    put16(12);
    put16(id);
    put16(0xFFFF);
    put16(0x0080);  // button class
    put16(0);       // no title
    put16(0);       // no creation data
    ++bytes_[countAt_];
    return *this;
  }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  void put16(WORD v) {
    bytes_.push_back(static_cast<std::uint8_t>(v));
    bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void put32(DWORD v) {
    put16(static_cast<WORD>(v));
    put16(static_cast<WORD>(v >> 16));
  }
  std::vector<std::uint8_t> bytes_;
  std::size_t countAt_ = 0;
};

struct DialogProbe {
  HWND initFocusParameter = nullptr;
  LRESULT defWindowProcAnswer = -1;
};
DialogProbe g_probe;

std::intptr_t ProbeDialogProc(harness::Hwnd dialog, std::uint32_t message, harness::Wparam wParam,
                              harness::Lparam lParam) {
  if (message == WM_INITDIALOG) {
    g_probe.initFocusParameter = reinterpret_cast<HWND>(wParam);
    return 1;  // the platform gives the default focus
  }
  if (message == WM_CLOSE) {
    // As the handset's programs do with messages they leave alone.
    g_probe.defWindowProcAnswer =
        harness::platform().DefWindowProcW(dialog, message, wParam, lParam);
    return g_probe.defWindowProcAnswer;
  }
  return harness::platform().DefWindowProcW(dialog, message, wParam, lParam);
}

TEST_F(BackendTest, DialogFocusFollowsTheHandsetsRule) {
  constexpr WORD kButton = 100;
  const struct {
    const char* name;
    DWORD buttonStyle;
    bool focusOnButton;
  } cases[] = {
      // The desktop would give the focus, and with it the keys, to the button.
      {"button without tab stop", 0, false},
      {"button with tab stop", WS_TABSTOP, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_probe = {};
    TemplateBuilder t(WS_POPUP, 100, 80);
    t.button(c.buttonStyle, kButton);
    const HWND dialog = CreateHandsetDialog(::GetModuleHandleW(nullptr), t.bytes().data(),
                                            t.bytes().size(), nullptr, &ProbeDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    const HWND button = ::GetDlgItem(dialog, kButton);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(g_probe.initFocusParameter, c.focusOnButton ? button : nullptr);
    ::ShowWindow(dialog, SW_SHOW);
    ::SetForegroundWindow(dialog);
    Pump();
    EXPECT_EQ(::GetFocus(), c.focusOnButton ? button : dialog);
    ::DestroyWindow(dialog);
  }
}

TEST_F(BackendTest, DefWindowProcInsideADialogProcedureIsNotHandled) {
  g_probe = {};
  TemplateBuilder t(WS_POPUP, 100, 80);
  const HWND dialog = CreateHandsetDialog(::GetModuleHandleW(nullptr), t.bytes().data(),
                                          t.bytes().size(), nullptr, &ProbeDialogProc, 0);
  ASSERT_NE(dialog, nullptr);
  // The desktop's DefWindowProcW would destroy the dialog; the dialog manager's default for an
  // unhandled WM_CLOSE is a Cancel command instead.
  ::SendMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(g_probe.defWindowProcAnswer, 0);
  EXPECT_TRUE(::IsWindow(dialog));
  ::DestroyWindow(dialog);

  // Outside a dialog procedure it is the desktop's.
  const HWND plain = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                       nullptr, nullptr);
  ASSERT_NE(plain, nullptr);
  backend.DefWindowProcW(FromHwnd(plain), WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(plain));
}

TEST(DialogTemplates, TopLevelTemplatesWithoutPopupStyleBecomePopups) {
  const struct {
    const char* name;
    bool extended;
    DWORD style;
    DWORD expected;
  } cases[] = {
      {"classic, no popup (Vantor1)", false, 0x10000048u, 0x10000048u | WS_POPUP},
      {"classic, popup", false, WS_POPUP | WS_VISIBLE, WS_POPUP | WS_VISIBLE},
      {"classic, child", false, WS_CHILD, WS_CHILD},
      {"extended, no popup", true, DS_SETFONT, DS_SETFONT | WS_POPUP},
      {"extended, popup", true, WS_POPUP | DS_SETFONT, WS_POPUP | DS_SETFONT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> bytes(40, 0xAB);
    const std::size_t offset = c.extended ? 12 : 0;
    if (c.extended) {
      const std::uint8_t signature[] = {1, 0, 0xFF, 0xFF};
      std::memcpy(bytes.data(), signature, 4);
    }
    std::memcpy(bytes.data() + offset, &c.style, 4);
    const std::vector<std::uint8_t> fixed = HandsetDialogTemplate(bytes.data(), bytes.size());
    ASSERT_EQ(fixed.size(), bytes.size());
    DWORD style = 0;
    std::memcpy(&style, fixed.data() + offset, 4);
    EXPECT_EQ(style, c.expected);
    // Nothing else changes.
    std::vector<std::uint8_t> rest = fixed;
    std::memcpy(rest.data() + offset, &c.style, 4);
    EXPECT_EQ(rest, bytes);
  }
}

TEST_F(BackendTest, ClassicTemplateWithoutPopupStyleGetsNoCaption) {
  TemplateBuilder t(WS_VISIBLE, 100, 80);
  const HWND dialog = CreateHandsetDialog(::GetModuleHandleW(nullptr), t.bytes().data(),
                                          t.bytes().size(), nullptr, &ProbeDialogProc, 0);
  ASSERT_NE(dialog, nullptr);
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE));
  EXPECT_EQ(style & WS_CAPTION, 0u);
  EXPECT_NE(style & WS_POPUP, 0u);
  ::DestroyWindow(dialog);
}

// ---- Painting ----

TEST_F(BackendTest, PaintStructIsTranslatedAndEndPaintValidates) {
  const HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                        nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  Pump();
  ::ValidateRect(window, nullptr);
  const harness::Rect dirty{10, 20, 30, 40};
  backend.InvalidateRect(FromHwnd(window), &dirty, 1);
  harness::PaintStruct paint{};
  const harness::Hdc surface = backend.BeginPaint(FromHwnd(window), &paint);
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(paint.hdc, surface);
  EXPECT_EQ(paint.rcPaint, dirty);
  EXPECT_EQ(backend.EndPaint(FromHwnd(window), &paint), 1);
  EXPECT_FALSE(::GetUpdateRect(window, nullptr, FALSE));
  ::DestroyWindow(window);
}

// ---- Stand-ins ----

TEST_F(BackendTest, RegistryHelpersFollowTheHandsetsRules) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
            ERROR_SUCCESS);
  const DWORD country = 0x31;
  ::RegSetValueExW(key, L"Country", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&country), 4);
  const wchar_t driver[] = L"German.dll";
  ::RegSetValueExW(key, L"Dll", 0, REG_SZ, reinterpret_cast<const BYTE*>(driver), sizeof driver);
  ::RegCloseKey(key);
  const auto* sub = u"Software\\VantorBackendTest";

  std::uint32_t value = 7;
  EXPECT_EQ(backend.RegistryGetDWORD(kHandsetCurrentUser, sub, u"Country", &value), 0);
  EXPECT_EQ(value, 0x31u);
  // Failed reads leave the destination as it was.
  for (const char16_t* name : {u"Missing", u"Dll"}) {
    value = 7;
    EXPECT_NE(backend.RegistryGetDWORD(kHandsetCurrentUser, sub, name, &value), 0);
    EXPECT_EQ(value, 7u);
  }
  char16_t text[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_NE(backend.RegistryGetString(kHandsetCurrentUser, sub, u"Missing", text, 4), 0);
  EXPECT_EQ(std::u16string(text, 4), u"xxxx");
  // Cut to the buffer, always with a terminator.
  EXPECT_EQ(backend.RegistryGetString(kHandsetCurrentUser, sub, u"Dll", text, 4), 0);
  EXPECT_EQ(std::u16string(text), u"Ger");
  char16_t whole[32] = {};
  EXPECT_EQ(backend.RegistryGetString(kHandsetCurrentUser, sub, u"Dll", whole, 32), 0);
  EXPECT_EQ(std::u16string(whole), u"German.dll");

  // The set helper writes into existing keys only.
  EXPECT_EQ(backend.RegistrySetDWORD(kHandsetCurrentUser, sub, u"Flag", 2), 0);
  EXPECT_EQ(backend.RegistryGetDWORD(kHandsetCurrentUser, sub, u"Flag", &value), 0);
  EXPECT_EQ(value, 2u);
  const auto* missing = u"Software\\VantorBackendTest\\Missing";
  EXPECT_NE(backend.RegistrySetDWORD(kHandsetCurrentUser, missing, u"Flag", 2), 0);
  HKEY probe = nullptr;
  EXPECT_NE(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\VantorBackendTest\\Missing", 0, KEY_READ,
                            &probe),
            ERROR_SUCCESS);

  // The key operations take the handset's root numbers too.
  harness::Hkey opened = nullptr;
  std::uint32_t disposition = 0;
  ASSERT_EQ(backend.RegCreateKeyExW(kHandsetCurrentUser, sub, 0, u"", 0, KEY_WRITE, nullptr,
                                    &opened, &disposition),
            0);
  EXPECT_EQ(disposition, std::uint32_t{REG_OPENED_EXISTING_KEY});
  EXPECT_EQ(backend.RegCloseKey(opened), 0);
}

TEST_F(BackendTest, HandsetOnlyOperationsAreRecordedNotCarriedOut) {
  // The screen is the handset's.
  EXPECT_EQ(backend.GetSystemMetrics(SM_CXSCREEN), 240);
  EXPECT_EQ(backend.GetSystemMetrics(SM_CYSCREEN), 400);

  // Process starts are recorded and nothing runs.
  EXPECT_EQ(backend.CreateProcessW(u"\\Windows\\Loopback.exe", nullptr, nullptr, nullptr, 0, 0,
                                   nullptr, nullptr, nullptr, nullptr),
            1);
  ASSERT_EQ(backend.record().processesStarted.size(), 1u);
  EXPECT_EQ(backend.record().processesStarted[0], u"\\Windows\\Loopback.exe");

  // A missing sound is counted and plays nothing (no desktop default sound).
  backend.PlaySoundW(u"beep.wav", nullptr, 1);  // asynchronous
  EXPECT_EQ(backend.record().soundsPlayed, 1);

  // Named events: pulses of the power manager's activity event are counted.
  const harness::Handle activity =
      backend.CreateEventW(nullptr, 0, 0, u"PowerManager/UserActivity_Active");
  const harness::Handle other = backend.CreateEventW(nullptr, 0, 0, u"Other");
  ASSERT_NE(activity, nullptr);
  EXPECT_EQ(backend.EventModify(activity, 1), 1);
  EXPECT_EQ(backend.EventModify(other, 1), 1);
  EXPECT_EQ(backend.EventModify(activity, 99), 0);
  EXPECT_EQ(backend.record().activityPulses, 1);
  EXPECT_EQ(backend.CloseHandle(activity), 1);
  EXPECT_EQ(backend.EventModify(activity, 1), 0);
  backend.CloseHandle(other);

  // Shell calls.
  backend.ShellSwitch(0, 1);
  backend.SystemSwitch(1);
  EXPECT_EQ(backend.record().shellSwitch, std::make_pair(0u, 1u));
  EXPECT_EQ(backend.record().systemSwitch, 1u);
  EXPECT_EQ(backend.SHFindMenuBar(nullptr), nullptr);
}

TEST_F(BackendTest, DialogClassNameForegroundBitAndUserSlotAreTheHandsets) {
  TemplateBuilder t(WS_POPUP | WS_VISIBLE, 100, 80);
  const HWND dialog = CreateHandsetDialog(::GetModuleHandleW(nullptr), t.bytes().data(),
                                          t.bytes().size(), nullptr, &ProbeDialogProc, 0);
  ASSERT_NE(dialog, nullptr);
  ::SetWindowTextW(dialog, L"Vantor backend test");
  EXPECT_EQ(backend.FindWindowW(u"Dialog", u"Vantor backend test"), FromHwnd(dialog));
  EXPECT_EQ(backend.FindWindowW(u"Dialog", u"No such title"), nullptr);
  EXPECT_EQ(backend.SetForegroundWindow(harness::WithOwnedWindows(FromHwnd(dialog))), 1);
  // The handset's DWL_USER (8) is the desktop's dialog procedure slot on 64 bits: it must land
  // in the desktop's user slot, leaving the procedure alone.
  const std::intptr_t user = static_cast<std::intptr_t>(0x123456789ABCll);
  backend.SetWindowLongPtrW(FromHwnd(dialog), 8, user);
  EXPECT_EQ(::GetWindowLongPtrW(dialog, DWLP_USER), user);
  EXPECT_EQ(backend.GetWindowLongPtrW(FromHwnd(dialog), 8), user);
  EXPECT_NE(::GetWindowLongPtrW(dialog, DWLP_DLGPROC), user);
  ::SendMessageW(dialog, WM_NULL, 0, 0);  // the procedure still runs
  EXPECT_EQ(backend.SHFullScreen(FromHwnd(dialog), 42), 1);
  EXPECT_EQ(backend.record().fullScreen, 42u);
  ::DestroyWindow(dialog);
}

}  // namespace
}  // namespace win32
