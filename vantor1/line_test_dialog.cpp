#include "vantor1/line_test_dialog.h"

#include "harness/platform.h"
#include "harness/platform_constants.h"
#include "harness/registry_protocol.h"
#include "platform/classlib/application.h"
#include "platform/classlib/drawing.h"
#include "vantor1/key_capture.h"
#include "vantor1/resource.h"

namespace vantor1 {

namespace {

constexpr classlib::MessageMapEntry kMessageMap[] = {
    classlib::MapSize<&LineTestDialog::OnSize>(),
    classlib::MapEraseBkgnd<&LineTestDialog::OnEraseBkgnd>(),
    classlib::MapKeyDown<&LineTestDialog::OnKeyDown>(),
    classlib::MapTimer<&LineTestDialog::OnTimer>(),
    classlib::MapKillFocus<&LineTestDialog::OnKillFocus>(),
};

}  // namespace

LineTestEndedHook g_pfnLineTestEnded = nullptr;

LineTestDialog::LineTestDialog() : Dialog(IDD_LINE_TEST) {
  m_hIcon = harness::platform().LoadIconW(classlib::ResourceInstance(),
                                          harness::MakeIntResource(IDI_LINE_TEST));
}

LineTestDialog::~LineTestDialog() {
  if (g_pfnLineTestEnded != nullptr) g_pfnLineTestEnded(*this);
  // The hook must never outlive the dialog it marks.
  if (g_pLineTestDialog == this) {
    RemoveKeyHook();
    g_pLineTestDialog = nullptr;
  }
}

classlib::MessageMap LineTestDialog::GetMessageMap() const { return kMessageMap; }

bool LineTestDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  SendMessage(harness::WM_SETICON, 1, reinterpret_cast<harness::Lparam>(m_hIcon));
  SendMessage(harness::WM_SETICON, 0, reinterpret_cast<harness::Lparam>(m_hIcon));
  harness::SetHarnessFlag(harness::kLcdTestKey, harness::kLcdTestValue, 1);
  StartLineTest();
  SetWindowText(WINDOW_TITLE);
  return true;
}

void LineTestDialog::StartLineTest() {
  harness::Platform& os = harness::platform();
  for (int i = 0; i < FILLED_SLOT_COUNT; ++i) {
    const SlotDefinition& d = kSlotDefinitions[i];
    m_keySlots[i].Set(d.vkCode, d.x, d.y, d.width, d.height, d.bitmapId);
  }
  os.SHFullScreen(GetSafeHwnd(), harness::SHFS_HIDETASKBAR | harness::SHFS_HIDESIPBUTTON |
                                     harness::SHFS_HIDESTARTICON);
  const int height = os.GetSystemMetrics(harness::SM_CYSCREEN);
  const int width = os.GetSystemMetrics(harness::SM_CXSCREEN);
  const harness::Rect screen{0, 0, width, height};
  MoveWindow(screen.left, screen.top, screen.right - screen.left, screen.bottom - screen.top, true);
  os.ShellSwitch(0, 1);
  InstallKeyHook(this, &SlotKeyHookProc);
  harness::SetHarnessFlag(harness::kPlenwickKey, harness::kSimpleTestValue, 1);
  m_nPressedCount = 0;
}

void LineTestDialog::MarkKey(KeySlot& slot) {
  {
    classlib::ClientSurface client(GetSafeHwnd());
    if (!client.IsValid()) return;
    DrawSlotImage(client.Get(), slot);
    if (!slot.IsPressed()) {
      slot.SetPressed();
      ++m_nPressedCount;
    }
  }
  // The pass check runs later, from the message loop, after the hook or handler has returned.
  PostMessage(harness::WM_TIMER, 0, 0);
}

void LineTestDialog::DrawSlotImage(harness::Hdc surface, const KeySlot& slot) {
  // Always the rectangle's size from the image's top-left corner, whatever the image's size.
  classlib::ResourceBitmap image(classlib::ResourceInstance(),
                                 static_cast<std::uint16_t>(slot.GetBitmapId() & 0xFFFF));
  classlib::MemorySurface memory(surface);
  memory.Select(image.Get());
  harness::platform().BitBlt(surface, slot.GetX(), slot.GetY(), slot.GetWidth(), slot.GetHeight(),
                             memory.Get(), 0, 0, harness::SRCCOPY);
}

bool LineTestDialog::OnEraseBkgnd(harness::Hdc surface) {
  {
    classlib::ResourceBitmap picture(classlib::ResourceInstance(), IDB_KEYPAD);
    classlib::MemorySurface memory(surface);
    memory.Select(picture.Get());
    harness::platform().BitBlt(surface, 0, 0, PICTURE_COPY_SIZE, PICTURE_COPY_SIZE, memory.Get(), 0,
                               0, harness::SRCCOPY);
  }
  // The bare picture would show counted keys as unpressed: draw them again over it.
  for (const KeySlot& slot : m_keySlots) {
    if (slot.IsPressed()) DrawSlotImage(surface, slot);
  }
  return true;
}

void LineTestDialog::OnKeyDown(std::uint32_t vkCode, std::uint32_t, std::uint32_t) {
  harness::platform().ShellSwitch(0, 1);
  // Every slot of the code, the ring segments' too: without the hook this route alone must be
  // able to reach the pass. The empty slot (code 0) stands for no key at all.
  if (vkCode != 0) {
    for (KeySlot& slot : m_keySlots) {
      if (slot.GetVkCode() == static_cast<std::int32_t>(vkCode)) MarkKey(slot);
    }
  }
  Default();
}

void LineTestDialog::OnTimer(std::uintptr_t) {
  // The pass message is shown by one check at a time: checks that arrive while it is up (its
  // own loop dispatches them) are dropped. After an answer other than OK the next marking posts
  // a new check, which shows it again.
  if (m_nPressedCount >= PASS_KEY_COUNT && !m_bPassMessageShown && !m_bFinished) {
    RemoveKeyHook();
    m_bPassMessageShown = true;
    const int answer = MessageBox(PASS_MESSAGE_TEXT, PASS_MESSAGE_CAPTION, harness::MB_OK);
    m_bPassMessageShown = false;
    if (answer == harness::IDOK) {
      harness::SetHarnessFlag(harness::kPlenwickKey, harness::kSimpleTestValue, 2);
      harness::platform().ShellSwitch(0, 0);
      FinishLineTest();
    } else if (GetSafeHwnd() != nullptr && harness::platform().GetFocus() != GetSafeHwnd()) {
      // The box took the focus from the dialog; if it did not come back when the box closed,
      // another window took it meanwhile, and that ends the test as any focus loss does.
      FinishLineTest();
    }
  }
  Default();
}

void LineTestDialog::OnKillFocus(harness::Hwnd) {
  Default();
  // Our own pass message takes the focus while the operator reads it; that is not the end of
  // the test (its answer decides). Any other loss of focus ends the test at once.
  if (m_bPassMessageShown) return;
  FinishLineTest();
}

void LineTestDialog::FinishLineTest() {
  // Once per run: the destruction below takes the focus away again, and a pass acknowledged
  // after a focus loss must not start the loopback test a second time.
  if (m_bFinished) return;
  m_bFinished = true;
  RemoveKeyHook();
  harness::HandleFactorySimpleTest();
  harness::SetHarnessFlag(harness::kPlenwickKey, harness::kSimpleTestValue, 2);
  harness::SetHarnessFlag(harness::kLcdTestKey, harness::kLcdTestValue, 0);
  harness::platform().ShellSwitch(0, 0);
  DestroyWindow();
}

void LineTestDialog::OnSize(std::uint32_t, int, int) {
  harness::Platform& os = harness::platform();
  // Both orientations use the same template; re-applying it keeps the layout in step.
  os.GetSystemMetrics(harness::SM_CXSCREEN);
  os.GetSystemMetrics(harness::SM_CYSCREEN);
  os.RelayoutDialog(classlib::ResourceInstance(), GetSafeHwnd(),
                    harness::MakeIntResource(IDD_LINE_TEST));
}

}  // namespace vantor1
