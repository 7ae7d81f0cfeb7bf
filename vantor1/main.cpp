// Vantor1 on the emulated handset: the runner sets up the device, runs the program and reports.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "harness/wide_text.h"
#include "platform/emu/runner/runner.h"
#include "vantor1/key_capture.h"
#include "vantor1/key_slot_table.h"
#include "vantor1/line_test_app.h"
#include "vantor1/line_test_dialog.h"
#include "vantor1_resources.h"

namespace {

// The slots live in the dialog, which is gone when the program returns (or unwinds when the run
// is stopped): its destruction leaves a copy here, the state the run ended with. A copy made by
// the host, so the program's own state and behaviour stay as they are.
struct FinalSlots {
  std::array<vantor1::KeySlot, vantor1::KEY_SLOT_COUNT> slots{};
  std::int32_t pressedCount = 0;
};
FinalSlots g_finalSlots;

void KeepFinalSlots(const vantor1::LineTestDialog& dialog) {
  for (int i = 0; i < vantor1::KEY_SLOT_COUNT; ++i) g_finalSlots.slots[i] = dialog.m_keySlots[i];
  g_finalSlots.pressedCount = dialog.m_nPressedCount;
}

emu::ProgramInspection InspectSlots(std::string_view, const emu::DeviceRecord& record) {
  emu::ProgramInspection inspection;
  // The filled slots; the last one stands for no key.
  for (int i = 0; i < vantor1::FILLED_SLOT_COUNT; ++i) {
    const vantor1::KeySlot& slot = g_finalSlots.slots[i];
    emu::InspectedKey key;
    key.name = std::to_string(i);
    key.slot = i;
    key.code = static_cast<std::uint32_t>(vantor1::kSlotDefinitions[i].vkCode);
    key.rect = {slot.GetX(), slot.GetY(), slot.GetX() + slot.GetWidth(),
                slot.GetY() + slot.GetHeight()};
    key.pressed = slot.IsPressed();
    inspection.keys.push_back(std::move(key));
  }
  inspection.passed = g_finalSlots.pressedCount >= vantor1::PASS_KEY_COUNT;
  // The pass is the moment the pass message comes up.
  const std::u16string passText = vantor1::PASS_MESSAGE_TEXT;
  for (const emu::MessageBoxRecord& box : record.messageBoxes) {
    if (box.text == passText) {
      inspection.passTick = box.tick;
      break;
    }
  }
  // An event the hook consumed reached the slot of the hook's map; any other went on to the
  // dialog's key-down handler, which marks every slot carrying its code.
  inspection.keysFor = [](const emu::KeyEventRecord& e) -> std::vector<int> {
    if (e.consumed) return {vantor1::HookSlotFor(e.vk, e.scan)};
    std::vector<int> slots;
    for (int i = 0; e.vk != 0 && i < vantor1::FILLED_SLOT_COUNT; ++i) {
      if (vantor1::kSlotDefinitions[i].vkCode == static_cast<std::int32_t>(e.vk))
        slots.push_back(i);
    }
    return slots;
  };
  return inspection;
}

}  // namespace

int main(int argc, char** argv) {
  vantor1::g_pfnLineTestEnded = KeepFinalSlots;
  const emu::ProgramSpec program{"vantor1", vantor1ResourceBytes(), false,
                                 [](harness::Hinstance instance, const std::u16string&) {
                                   return vantor1::RunLineTestProgram(instance);
                                 },
                                 InspectSlots};
  return emu::RunnerMain(argc, argv, program);
}
