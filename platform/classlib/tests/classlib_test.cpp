// The class library on a scripted platform: one dialog window whose messages come from a list,
// a dialog manager that turns Escape and Enter into commands, and counted drawing objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <iterator>
#include <string>
#include <vector>

#include "harness/null_platform.h"
#include "harness/platform_constants.h"
#include "platform/classlib/application.h"
#include "platform/classlib/dialog.h"
#include "platform/classlib/drawing.h"

namespace {

using harness::Hdc;
using harness::Hgdiobj;
using harness::Hwnd;
using harness::Lparam;
using harness::Lresult;
using harness::Msg;
using harness::Wparam;

template <class H, class N>
H HandleOf(N n) {
  return reinterpret_cast<H>(static_cast<std::uintptr_t>(n));
}

const Hwnd kDialog = HandleOf<Hwnd>(0x100);
const Hwnd kOther = HandleOf<Hwnd>(0x200);

class ScriptedPlatform : public harness::NullPlatform {
 public:
  // ---- dialog window ----
  bool templateExists = true;
  bool alive = false;
  harness::DlgProc proc = nullptr;
  std::deque<Msg> queue;
  std::vector<std::string> log;
  bool defDlgProcAsksBack = false;
  int getMessageCalls = 0;
  int quitPosted = -1;

  harness::Hrsrc FindResourceW(harness::Hinstance, const harness::Wchar* name,
                               const harness::Wchar* type) override {
    if (!templateExists || harness::IntResourceId(type) != harness::RT_DIALOG) return nullptr;
    log.push_back("find " + std::to_string(harness::IntResourceId(name)));
    return HandleOf<harness::Hrsrc>(1);
  }
  harness::Hglobal LoadResource(harness::Hinstance, harness::Hrsrc) override { return &bytes_; }
  const void* LockResource(harness::Hglobal data) override { return data; }
  Hwnd CreateDialogIndirectParamW(harness::Hinstance, const void*, Hwnd, harness::DlgProc p,
                                  Lparam param) override {
    proc = p;
    alive = true;
    proc(kDialog, harness::WM_INITDIALOG, 0, param);
    return alive ? kDialog : nullptr;
  }
  int IsWindow(Hwnd w) override { return w == kDialog && alive; }
  int IsWindowVisible(Hwnd w) override { return IsWindow(w); }
  int GetMessageW(Msg* msg, Hwnd, std::uint32_t, std::uint32_t) override {
    ++getMessageCalls;
    if (queue.empty()) {
      *msg = Msg{nullptr, harness::WM_QUIT, 7, 0};
      return 0;
    }
    *msg = queue.front();
    queue.pop_front();
    return 1;
  }
  void PostQuitMessage(int code) override { quitPosted = code; }
  Lresult DispatchMessageW(const Msg* msg) override {
    return alive && msg->hwnd == kDialog ? proc(kDialog, msg->message, msg->wParam, msg->lParam)
                                         : 0;
  }
  int IsDialogMessageW(Hwnd dialog, Msg* msg) override {
    log.push_back("IsDialogMessage " + std::to_string(msg->message) + " " +
                  std::to_string(msg->wParam));
    if (msg->message != harness::WM_KEYDOWN) return 0;
    if (msg->wParam == harness::VK_ESCAPE) {
      proc(dialog, harness::WM_COMMAND, harness::IDCANCEL, 0);
      return 1;
    }
    if (msg->wParam == harness::VK_RETURN) {
      proc(dialog, harness::WM_COMMAND, harness::IDOK, 0);
      return 1;
    }
    // Navigation: with no controls nothing moves, but the key is the dialog manager's.
    return msg->wParam == harness::VK_TAB ||
           (msg->wParam >= harness::VK_LEFT && msg->wParam <= harness::VK_DOWN);
  }
  int EndDialog(Hwnd, std::intptr_t result) override {
    log.push_back("EndDialog " + std::to_string(result));
    return 1;
  }
  int DestroyWindow(Hwnd w) override {
    if (!IsWindow(w)) return 0;
    proc(w, harness::WM_DESTROY, 0, 0);
    alive = false;
    log.push_back("destroyed");
    return 1;
  }
  Lresult DefDlgProcW(Hwnd w, std::uint32_t message, Wparam wp, Lparam lp) override {
    log.push_back("DefDlgProc " + std::to_string(message) + " " + std::to_string(wp));
    if (defDlgProcAsksBack) proc(w, message, wp, lp);
    return 42;
  }
  int MessageBoxW(Hwnd owner, const harness::Wchar*, const harness::Wchar*,
                  std::uint32_t type) override {
    log.push_back(std::string("MessageBox owner ") + (owner == kDialog ? "dialog" : "other") +
                  " type " + std::to_string(type));
    return harness::IDOK;
  }
  int SetWindowTextW(Hwnd w, const harness::Wchar*) override {
    log.push_back("SetWindowText");
    return IsWindow(w);
  }

  // ---- drawing objects ----
  int live = 0;
  Hgdiobj selected = HandleOf<Hgdiobj>(0x900);  // the memory surface's default object
  bool failGetDc = false;
  Hdc GetDC(Hwnd) override {
    if (failGetDc) return nullptr;
    ++live;
    return HandleOf<Hdc>(0x10);
  }
  int ReleaseDC(Hwnd, Hdc) override { return --live, 1; }
  Hdc CreateCompatibleDC(Hdc) override { return ++live, HandleOf<Hdc>(0x20); }
  int DeleteDC(Hdc) override {
    EXPECT_EQ(selected, HandleOf<Hgdiobj>(0x900)) << "surface deleted with a bitmap selected";
    return --live, 1;
  }
  harness::Hbitmap LoadBitmapW(harness::Hinstance, const harness::Wchar* name) override {
    if (harness::IntResourceId(name) == 0) return nullptr;
    return ++live, HandleOf<harness::Hbitmap>(0x30);
  }
  int DeleteObject(Hgdiobj) override { return --live, 1; }
  Hgdiobj SelectObject(Hdc, Hgdiobj object) override {
    Hgdiobj previous = selected;
    selected = object;
    return previous;
  }

 private:
  int bytes_ = 0;
};

class TestApp : public classlib::Application {
 public:
  bool startUp = false;
  bool InitInstance() override {
    SetRegistryKey(u"Some Key");
    return startUp;
  }
};

struct HandlerLog {
  std::vector<std::string> lines;
};

class TestDialog : public classlib::Dialog {
 public:
  explicit TestDialog(ScriptedPlatform&) : Dialog(77) {}
  std::vector<std::string> calls;
  bool destroyOnTimer = false;
  Lresult defaultResult = 0;

  void OnSize(std::uint32_t type, int width, int height) {
    calls.push_back("size " + std::to_string(type) + " " + std::to_string(width) + "x" +
                    std::to_string(height));
  }
  bool OnEraseBkgnd(Hdc surface) {
    calls.push_back("erase " + std::to_string(reinterpret_cast<std::uintptr_t>(surface)));
    return true;
  }
  void OnKeyDown(std::uint32_t vk, std::uint32_t repeat, std::uint32_t flags) {
    calls.push_back("key " + std::to_string(vk) + " " + std::to_string(repeat) + " " +
                    std::to_string(flags));
    defaultResult = Default();
  }
  void OnTimer(std::uintptr_t id) {
    calls.push_back("timer " + std::to_string(id));
    if (destroyOnTimer) {
      DestroyWindow();
      calls.push_back(std::string("second destroy ") + (DestroyWindow() ? "acted" : "ignored"));
    }
  }
  void OnKillFocus(Hwnd next) {
    calls.push_back(std::string("killfocus ") + (next == kOther ? "other" : "?"));
  }
  bool OnInitDialog() override {
    calls.push_back("init");
    SetWindowText(u"title");
    return Dialog::OnInitDialog();
  }

 protected:
  classlib::MessageMap GetMessageMap() const override { return kMap; }

 private:
  static constexpr classlib::MessageMapEntry kMap[] = {
      classlib::MapSize<&TestDialog::OnSize>(),
      classlib::MapEraseBkgnd<&TestDialog::OnEraseBkgnd>(),
      classlib::MapKeyDown<&TestDialog::OnKeyDown>(),
      classlib::MapTimer<&TestDialog::OnTimer>(),
      classlib::MapKillFocus<&TestDialog::OnKillFocus>(),
  };
};

struct BoxDialog : TestDialog {
  using TestDialog::TestDialog;
  int answer = 0;
  void OnTimer(std::uintptr_t) { answer = MessageBox(u"text", u"caption"); }
  classlib::MessageMap GetMessageMap() const override { return kBoxMap; }
  static constexpr classlib::MessageMapEntry kBoxMap[] = {
      classlib::MapTimer<&BoxDialog::OnTimer>()};
};

class ClassLibTest : public ::testing::Test {
 protected:
  void SetUp() override { harness::SetPlatform(&os); }
  void TearDown() override { harness::SetPlatform(nullptr); }
  void Post(std::uint32_t message, Wparam wp = 0, Lparam lp = 0) {
    os.queue.push_back(Msg{kDialog, message, wp, lp});
  }
  ScriptedPlatform os;
  TestApp app;
};

TEST_F(ClassLibTest, MessageMapDecodesEachSignature) {
  Post(harness::WM_SIZE, 0, (240 << 16) | 320);
  Post(harness::WM_ERASEBKGND, 0x55);
  Post(harness::WM_KEYDOWN, 'Q', (0x0010 << 16) | 1);  // scan code 16, repeat 1
  Post(harness::WM_TIMER, 9);
  Post(harness::WM_KILLFOCUS, reinterpret_cast<Wparam>(kOther));
  Post(harness::WM_KEYUP, 'Q');  // not in the map: left to the platform
  TestDialog dialog(os);
  dialog.DoModal();
  EXPECT_EQ(dialog.calls, (std::vector<std::string>{"init", "size 0 320x240", "erase 85",
                                                    "key 81 1 16", "timer 9", "killfocus other"}));
  EXPECT_EQ(os.log.front(), "find 77");
}

TEST_F(ClassLibTest, DefaultHandsTheCurrentMessageOnOnce) {
  for (bool asksBack : {false, true}) {
    SCOPED_TRACE(asksBack);
    os.log.clear();
    os.defDlgProcAsksBack = asksBack;  // a default processing that consults the dialog first
    Post(harness::WM_KEYDOWN, 'A', 1);
    TestDialog dialog(os);
    dialog.DoModal();
    EXPECT_EQ(dialog.calls, (std::vector<std::string>{"init", "key 65 1 0"}));
    EXPECT_EQ(dialog.defaultResult, 42);
    EXPECT_EQ(std::count(os.log.begin(), os.log.end(), "DefDlgProc 256 65"), 1);
  }
}

TEST_F(ClassLibTest, DialogKeysEndTheModalRunOthersAreDispatched) {
  struct Case {
    std::uint32_t vk;
    std::intptr_t result;
  };
  for (Case c :
       {Case{harness::VK_ESCAPE, harness::IDCANCEL}, Case{harness::VK_RETURN, harness::IDOK}}) {
    SCOPED_TRACE(c.vk);
    os.log.clear();
    os.queue.clear();
    Post(harness::WM_KEYDOWN, 'B', 1);
    Post(harness::WM_KEYDOWN, c.vk, 1);
    Post(harness::WM_TIMER, 1);  // never reached: the run has ended
    TestDialog dialog(os);
    EXPECT_EQ(dialog.DoModal(), c.result);
    EXPECT_EQ(dialog.calls, (std::vector<std::string>{"init", "key 66 1 0"}));
    EXPECT_NE(std::find(os.log.begin(), os.log.end(), "EndDialog " + std::to_string(c.result)),
              os.log.end());
    EXPECT_FALSE(os.alive) << "the modal run destroys the ended dialog";
  }
}

TEST_F(ClassLibTest, OnlyTheDialogsKeyMessagesGoToTheDialogManager) {
  Post(harness::WM_KEYDOWN, harness::VK_TAB, 1);  // navigation: taken, never dispatched
  Post(harness::WM_KEYDOWN, harness::VK_DOWN, 1);
  Post(harness::WM_KEYUP, harness::VK_ESCAPE, 1);  // a key-up is offered too, and passes
  Post(harness::WM_KEYDOWN, 'C', 1);
  Post(harness::WM_TIMER, 5);  // not a key message: dispatched without asking
  // Another window's key is not the dialog's to translate: its Escape ends nothing here.
  os.queue.push_back(Msg{kOther, harness::WM_KEYDOWN, harness::VK_ESCAPE, 1});
  TestDialog dialog(os);
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_EQ(dialog.calls, (std::vector<std::string>{"init", "key 67 1 0", "timer 5"}));
  std::vector<std::string> asked;
  std::copy_if(os.log.begin(), os.log.end(), std::back_inserter(asked),
               [](const std::string& line) { return line.rfind("IsDialogMessage", 0) == 0; });
  EXPECT_EQ(asked, (std::vector<std::string>{"IsDialogMessage 256 9", "IsDialogMessage 256 40",
                                             "IsDialogMessage 257 27", "IsDialogMessage 256 67"}));
  EXPECT_EQ(std::count_if(os.log.begin(), os.log.end(),
                          [](const std::string& line) { return line.rfind("EndDialog", 0) == 0; }),
            0);
}

TEST_F(ClassLibTest, DestroyingTheWindowEndsTheRunAndLaterOperationsDoNothing) {
  Post(harness::WM_TIMER, 3);
  Post(harness::WM_TIMER, 4);
  TestDialog dialog(os);
  dialog.destroyOnTimer = true;
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_EQ(dialog.calls, (std::vector<std::string>{"init", "timer 3", "second destroy ignored"}));
  EXPECT_EQ(os.queue.size(), 1u);
  EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
  EXPECT_FALSE(dialog.SetWindowText(u"x"));
  EXPECT_EQ(std::count(os.log.begin(), os.log.end(), "destroyed"), 1);
  EXPECT_EQ(os.quitPosted, -1) << "not the main window";
}

TEST_F(ClassLibTest, DestroyingTheMainWindowAsksTheProgramToQuit) {
  // The modal run may be waiting for a message when its window goes: the quit request wakes it.
  Post(harness::WM_TIMER, 3);
  Post(harness::WM_TIMER, 4);
  TestDialog dialog(os);
  dialog.destroyOnTimer = true;
  app.m_pMainWnd = &dialog;
  dialog.DoModal();
  app.m_pMainWnd = nullptr;
  EXPECT_EQ(os.quitPosted, 0);
}

TEST_F(ClassLibTest, QuitDuringTheModalRunEndsItAndIsKeptForTheNextLoop) {
  TestDialog dialog(os);
  dialog.DoModal();
  EXPECT_EQ(os.quitPosted, 7);
  EXPECT_FALSE(os.alive);
}

TEST_F(ClassLibTest, MissingTemplateCreatesNothing) {
  os.templateExists = false;
  TestDialog dialog(os);
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_TRUE(dialog.calls.empty());
  EXPECT_EQ(os.proc, nullptr);
}

TEST_F(ClassLibTest, MessageBoxIsOwnedByTheWindow) {
  Post(harness::WM_TIMER, 1);
  BoxDialog dialog(os);
  dialog.DoModal();
  EXPECT_EQ(dialog.answer, harness::IDOK);
  EXPECT_NE(std::find(os.log.begin(), os.log.end(), "MessageBox owner dialog type 0"),
            os.log.end());
}

TEST_F(ClassLibTest, ApplicationStartUpDecidesOnTheMessageLoop) {
  EXPECT_EQ(classlib::CurrentApplication(), &app);
  const auto instance = HandleOf<harness::Hinstance>(0x400000);
  EXPECT_EQ(app.Run(instance), 0);
  EXPECT_EQ(os.getMessageCalls, 0) << "a false start-up has no loop of its own";
  EXPECT_EQ(classlib::ResourceInstance(), instance);
  EXPECT_EQ(std::u16string(app.GetRegistryKey()), u"Some Key");

  app.startUp = true;
  app.Run(instance);
  EXPECT_EQ(os.getMessageCalls, 1);
}

TEST_F(ClassLibTest, DrawingObjectsAreReleasedAndSelectionRestored) {
  for (std::uint16_t bitmapId : {std::uint16_t{129}, std::uint16_t{0}}) {
    SCOPED_TRACE(bitmapId);
    {
      classlib::ClientSurface client(kDialog);
      classlib::ResourceBitmap bitmap(nullptr, bitmapId);
      classlib::MemorySurface memory(client.Get());
      memory.Select(bitmap.Get());
      EXPECT_TRUE(client.IsValid());
      EXPECT_EQ(os.live, bitmapId != 0 ? 3 : 2);
    }
    EXPECT_EQ(os.live, 0);
    EXPECT_EQ(os.selected, HandleOf<Hgdiobj>(0x900));
  }
  os.failGetDc = true;
  classlib::ClientSurface none(kDialog);
  EXPECT_FALSE(none.IsValid());
}

}  // namespace
