#include "harness/key_hook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/null_platform.h"
#include "harness/platform_constants.h"
#include "harness/wide_text.h"

namespace harness {
namespace {

// A core library whose parts can be missing; every step is recorded.
class HookLibraryPlatform : public NullPlatform {
 public:
  bool libraryLoads = true;
  bool hasSetHook = true;
  bool hookInstalls = true;
  bool hasUnhook = true;
  std::vector<std::string> calls;
  static inline HookLibraryPlatform* current = nullptr;

  HookLibraryPlatform() {
    current = this;
    SetPlatform(this);
  }
  ~HookLibraryPlatform() override {
    SetPlatform(nullptr);
    current = nullptr;
  }

  Hmodule LoadLibraryW(const Wchar* name) override {
    calls.push_back("load " + Utf16ToUtf8(name));
    return libraryLoads ? reinterpret_cast<Hmodule>(std::uintptr_t{0xC0DE}) : nullptr;
  }
  FarProc GetProcAddressW(Hmodule, const Wchar* name) override {
    const std::string n = Utf16ToUtf8(name);
    calls.push_back("find " + n);
    if (n == "SetWindowsHookExW" && hasSetHook) return reinterpret_cast<FarProc>(&setHook);
    if (n == "UnhookWindowsHookEx" && hasUnhook) return reinterpret_cast<FarProc>(&unhook);
    return nullptr;
  }
  int FreeLibrary(Hmodule) override {
    calls.push_back("free");
    return 1;
  }

 private:
  static Hhook setHook(int type, HookProc, Hinstance, std::uint32_t thread) {
    current->calls.push_back("set " + std::to_string(type) + " thread " + std::to_string(thread));
    return current->hookInstalls ? reinterpret_cast<Hhook>(std::uintptr_t{0x400C}) : nullptr;
  }
  static int unhook(Hhook) {
    current->calls.push_back("unhook");
    return 1;
  }
};

Lresult ignoreKeys(int, Wparam, Lparam) { return 0; }

using Calls = std::vector<std::string>;

TEST(KeyHook, InstallStopsAtTheFirstMissingPartAndRemoveUndoesWhatWasDone) {
  struct Case {
    const char* name;
    bool loads, hasSetHook, installs, hasUnhook;
    bool result;
    Calls install;
    Calls remove;
  };
  const Case cases[] = {
      {"complete",
       true,
       true,
       true,
       true,
       true,
       {"load coredll.dll", "find SetWindowsHookExW", "set 20 thread 0",
        "find UnhookWindowsHookEx"},
       {"unhook", "free"}},
      {"library does not load", false, true, true, true, false, {"load coredll.dll"}, {}},
      {"no SetWindowsHookExW",
       true,
       false,
       true,
       true,
       false,
       {"load coredll.dll", "find SetWindowsHookExW"},
       {"free"}},
      {"hook not installed",
       true,
       true,
       false,
       true,
       false,
       {"load coredll.dll", "find SetWindowsHookExW", "set 20 thread 0"},
       {"free"}},
      // The hook stays installed: only the library is released.
      {"no UnhookWindowsHookEx",
       true,
       true,
       true,
       false,
       false,
       {"load coredll.dll", "find SetWindowsHookExW", "set 20 thread 0",
        "find UnhookWindowsHookEx"},
       {"free"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HookLibraryPlatform os;
    os.libraryLoads = c.loads;
    os.hasSetHook = c.hasSetHook;
    os.hookInstalls = c.installs;
    os.hasUnhook = c.hasUnhook;
    KeyHookBinding binding;
    EXPECT_EQ(InstallKeyHook(binding, nullptr, &ignoreKeys), c.result);
    EXPECT_EQ(os.calls, c.install);
    EXPECT_EQ(binding.keyHook != nullptr, c.installs && c.hasSetHook && c.loads);
    os.calls.clear();
    EXPECT_TRUE(RemoveKeyHook(binding));
    EXPECT_EQ(os.calls, c.remove);
    EXPECT_EQ(binding.systemLibrary, nullptr);
    EXPECT_EQ(binding.keyHook != nullptr, c.loads && c.hasSetHook && c.installs && !c.hasUnhook);
    // A second removal finds nothing more to do.
    os.calls.clear();
    EXPECT_TRUE(RemoveKeyHook(binding));
    EXPECT_TRUE(os.calls.empty());
  }
}

TEST(KeyHook, RemoveBeforeAnyInstallDoesNothing) {
  HookLibraryPlatform os;
  KeyHookBinding binding;
  EXPECT_TRUE(RemoveKeyHook(binding));
  EXPECT_TRUE(RemoveKeyHook(binding));
  EXPECT_TRUE(os.calls.empty());
}

}  // namespace
}  // namespace harness
