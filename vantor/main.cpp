// The vantor executable: the program on the emulated handset, driven by the runner's options.
#include <charconv>
#include <string>
#include <string_view>

#include "harness/platform_constants.h"
#include "harness/wide_text.h"
#include "platform/emu/runner/runner.h"
#include "vantor/key_events.h"
#include "vantor/test_run.h"
#include "vantor/test_state.h"
#include "vantor_resources.h"

namespace {

// The tick of the program's own pass line ("[%06d][Vantor]All Button Pressed!! Pass!! ..."):
// the program keeps no pass time of its own, and its log is byte-exact.
std::optional<std::uint32_t> PassTick(std::string_view log) {
  constexpr std::string_view kPassLine = "][Vantor]All Button Pressed!! Pass!!";
  const std::size_t at = log.find(kPassLine);
  if (at == std::string_view::npos) return std::nullopt;
  const std::size_t open = log.rfind('[', at);
  if (open == std::string_view::npos) return std::nullopt;
  int tick = 0;
  const auto [end, error] = std::from_chars(log.data() + open + 1, log.data() + at, tick);
  if (error != std::errc{} || end != log.data() + at) return std::nullopt;
  // Logged as a signed int: back to the tick's 32 bits.
  return static_cast<std::uint32_t>(tick);
}

// The key table as the run left it: the test state lives for the process and is only reset
// when the program starts again.
emu::ProgramInspection InspectKeyTable(std::string_view log, const emu::DeviceRecord&) {
  const vantor::KeyTable& table = vantor::testState.keyTable;
  emu::ProgramInspection inspection;
  for (std::uint32_t i = 0; i < table.keyCount(); ++i) {
    const vantor::KeyTableEntry& entry = table.keyAt(i);
    emu::InspectedKey key;
    key.label = harness::Utf16ToUtf8(entry.label);
    const bool blank = key.label->find_first_not_of(' ') == std::string::npos;
    // A key drawn without text (the navigation pad's) goes by its key script name, "UP".
    key.name = blank ? emu::VirtualKeyName(entry.virtualKey) : *key.label;
    key.code = entry.virtualKey;
    key.rect = vantor::KeyTable::keyRect(entry);
    key.count = entry.pressCount;
    inspection.keys.push_back(std::move(key));
  }
  inspection.passed = vantor::testState.passed != 0;
  inspection.passTick = PassTick(log);
  // The lookup OnKeyUp makes, on a copy of the table; the scan code reaches it as the key
  // message's eight bits.
  inspection.keysFor = [table = table](const emu::KeyEventRecord& e) -> std::vector<int> {
    if (!vantor::isAcceptedKeyCode(e.vk)) return {};
    return {e.vk == vantor::kMatrixVirtualKey ? table.findKeyByMatrixCode(e.scan & 0xFF)
                                              : table.findKeyByVirtualKey(e.vk, e.scan & 0xFF)};
  };
  return inspection;
}

}  // namespace

int main(int argc, char** argv) {
  const emu::ProgramSpec program{
      "vantor", vantorResourceBytes(), true,
      [](harness::Hinstance instance, const std::u16string& commandLine) {
        return vantor::vantorMain(instance, nullptr, commandLine.c_str(), harness::SW_SHOW);
      },
      InspectKeyTable};
  return emu::RunnerMain(argc, argv, program);
}
