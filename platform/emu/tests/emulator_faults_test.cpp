// Handset faults injected into a run (the core library, the hook, registry writes, sound), what a
// stopped run leaves to be seen, and the task bar coming back with the end of full screen.
#include <gtest/gtest.h>

#include "harness/key_hook.h"
#include "harness/registry_protocol.h"
#include "platform/emu/tests/emulator_test_support.h"

namespace emu::test {
namespace {

using namespace harness;

Lresult SwallowAll(int, Wparam, Lparam) { return 1; }

class FaultsTest : public ::testing::Test {
 protected:
  ~FaultsTest() override { g_log = nullptr; }

  Emulator& Start(DeviceFaults faults) {
    DeviceConfig c;
    c.faults = faults;
    emu_.emplace(c);
    g_log = &log_;
    SetPlatform(&*emu_);
    return *emu_;
  }

  Hwnd Dialog() {
    tmpl_.push_back(DialogTemplate(WS_POPUP | WS_VISIBLE, u"Test", 100, 80));
    return emu_->CreateDialogIndirectParamW(emu_->programInstance(), tmpl_.back().data(), nullptr,
                                            &LoggingDlgProc, 0);
  }

  Log log_;
  std::optional<Emulator> emu_;
  std::vector<std::vector<std::uint8_t>> tmpl_;
};

TEST_F(FaultsTest, HookFaultsStopTheBindingAtTheirStep) {
  struct Case {
    const char* name;
    DeviceFaults faults;
    bool installed;
    int librariesWhileInstalled;
  };
  const Case cases[] = {
      {"none", {}, true, 1},
      {"no-core-library", {.noCoreLibrary = true}, false, 0},
      {"no-hook-functions", {.noHookFunctions = true}, false, 1},
      {"hook-refused", {.hookRefused = true}, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Emulator& e = Start(c.faults);
    Hwnd d = Dialog();
    KeyHookBinding binding;
    EXPECT_EQ(InstallKeyHook(binding, e.programInstance(), &SwallowAll), c.installed);
    EXPECT_EQ(e.installedHooks(), c.installed ? 1u : 0u);
    EXPECT_EQ(e.loadedLibraries(), c.librariesWhileInstalled);
    // Without the hook the key reaches the focused window.
    e.keyDown('Q');
    Msg m{};
    EXPECT_EQ(e.PeekMessageW(&m, nullptr, WM_KEYDOWN, WM_KEYDOWN, 1), c.installed ? 0 : 1);
    EXPECT_EQ(m.hwnd, c.installed ? nullptr : d);
    EXPECT_TRUE(RemoveKeyHook(binding));
    EXPECT_EQ(e.installedHooks(), 0u);
    EXPECT_EQ(e.loadedLibraries(), 0);
  }
}

TEST_F(FaultsTest, FailedRegistryWritesChangeNothingAndAreNotRecorded) {
  Emulator& e = Start({.registryWritesFail = true});
  Registry& reg = e.registry();
  reg.createKey(u"HKEY_LOCAL_MACHINE\\Existing");
  reg.set(u"HKEY_LOCAL_MACHINE\\Existing", u"Value", std::uint32_t{1});
  e.run([&] {
    Hkey key = nullptr;
    // An existing key still opens; a missing one is not created.
    EXPECT_EQ(e.RegCreateKeyExW(RootLocalMachine(), u"Missing", 0, u"", 0, KEY_WRITE, nullptr, &key,
                                nullptr),
              5);
    EXPECT_FALSE(reg.keyExists(u"HKEY_LOCAL_MACHINE\\Missing"));
    EXPECT_EQ(e.RegCreateKeyExW(RootLocalMachine(), u"Existing", 0, u"", 0, KEY_WRITE, nullptr,
                                &key, nullptr),
              ERROR_SUCCESS);
    const std::uint8_t two[4] = {2, 0, 0, 0};
    EXPECT_EQ(e.RegSetValueExW(key, u"Value", 0, REG_DWORD, two, 4), 5);
    EXPECT_EQ(e.RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(e.RegistrySetDWORD(RootLocalMachine(), u"Existing", u"Value", 3), 5);
    EXPECT_FALSE(SetRegistryDword(RootLocalMachine(), u"Existing", u"Value", 4));
    EXPECT_FALSE(SetRegistryDword(RootLocalMachine(), u"Missing", u"Value", 4));
    return 0;
  });
  EXPECT_EQ(reg.get(u"HKEY_LOCAL_MACHINE\\Existing", u"Value"), RegistryValue{std::uint32_t{1}});
  EXPECT_TRUE(e.record().registryWrites.empty());
}

TEST_F(FaultsTest, NoSoundPlaysNothing) {
  for (const bool noSound : {false, true}) {
    SCOPED_TRACE(noSound);
    Emulator& e = Start({.noSound = noSound});
    e.run([&] { return e.PlaySoundW(u"beep.wav", nullptr, SND_ASYNC) != 0 ? 1 : 0; });
    EXPECT_EQ(e.record().soundsPlayed, noSound ? 0 : 1);
  }
}

// Destroys the dialog as the program unwinds from the stop, as a dialog object going out of
// scope does.
struct DestroyOnUnwind {
  Emulator& e;
  Hwnd d;
  ~DestroyOnUnwind() { e.DestroyWindow(d); }
};

// An input source that ends the run at its first turn, as a failed script line does.
class EndingSource : public InputSource {
 public:
  bool next(Emulator&) override { throw RunStopped{}; }
};

TEST_F(FaultsTest, AStoppedRunShowsTheHandsetAsItWasWhenItStopped) {
  for (const bool bySource : {false, true}) {
    SCOPED_TRACE(bySource ? "ended by the input source" : "idle limit");
    Emulator& e = Start({});
    EndingSource ending;
    if (bySource) e.setInputSource(&ending);
    const ColorRef red = 0x000000FF;
    const RunResult r = e.run([&] {
      Hwnd d = Dialog();
      DestroyOnUnwind guard{e, d};
      e.SHFullScreen(d, SHFS_HIDETASKBAR);
      Msg m;
      while (e.PeekMessageW(&m, nullptr, 0, 0, 1)) e.DispatchMessageW(&m);
      Hdc dc = e.GetDC(d);
      Hbrush brush = e.CreateSolidBrush(red);
      const Rect all{0, 0, 200, 160};
      e.FillRect(dc, &all, brush);
      e.DeleteObject(brush);
      e.ReleaseDC(d, dc);
      while (e.GetMessageW(&m, nullptr, 0, 0)) e.DispatchMessageW(&m);
      return 0;
    });
    ASSERT_FALSE(r.exited);
    EXPECT_EQ(e.screen().at(50, 50), red);
    ASSERT_TRUE(e.foreground());
    EXPECT_EQ(e.foreground()->title, u"Test");
    EXPECT_FALSE(e.taskBarVisible());
    EXPECT_TRUE(e.sipButtonVisible());
  }
}

TEST_F(FaultsTest, TheTaskBarComesBackWhenItsFullScreenWindowGoes) {
  Emulator& e = Start({});
  Hwnd full = Dialog();
  Hwnd other = Dialog();
  e.SHFullScreen(full, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON);
  e.DestroyWindow(other);
  EXPECT_FALSE(e.taskBarVisible());
  e.DestroyWindow(full);
  EXPECT_TRUE(e.taskBarVisible());
  EXPECT_FALSE(e.sipButtonVisible());  // the input-panel button is the program's to restore
}

}  // namespace
}  // namespace emu::test
