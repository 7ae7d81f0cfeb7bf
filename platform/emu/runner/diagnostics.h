// Per-key diagnostics of a run: the program's final key table (read through its inspector once
// the run is over) joined with the device's record of the key events it delivered.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "harness/platform_types.h"
#include "platform/emu/emulator.h"

namespace emu {

// One key (Vantor) or slot (Vantor1) as the program left it.
struct InspectedKey {
  // How the key is named in lists and expectations: its label, the key script's name of its
  // code for a key drawn without text ("UP"); a slot's index.
  std::string name;
  std::optional<std::string> label;  // Vantor: the label as drawn (UTF-8)
  std::optional<int> slot;           // Vantor1: the slot's index
  std::uint32_t code = 0;            // virtual key
  harness::Rect rect{};
  std::optional<std::uint32_t> count;  // Vantor: the final press count
  std::optional<bool> pressed;         // Vantor1: marked
};

// What a program's inspector reports after the run.
struct ProgramInspection {
  std::vector<InspectedKey> keys;
  bool passed = false;
  std::optional<std::uint32_t> passTick;  // when the program passed, if it did and says when
  // The keys a delivered event reaches by the program's own capture rules (the route it took:
  // consumed by the program's hook or passed on to its window), as indices into keys.
  std::function<std::vector<int>(const KeyEventRecord& event)> keysFor;
};

// The run's key events for one key.
struct KeyDiagnostics {
  InspectedKey key;
  int presses = 0;  // key-downs while the key was up (auto-repeats are not presses)
  std::optional<std::uint32_t> firstTick;  // first and last event of the key
  std::optional<std::uint32_t> lastTick;
  int chatter = 0;    // releases within the chatter window of the key's previous release
  bool held = false;  // down at the end of the run
};

struct RunDiagnostics {
  std::vector<KeyDiagnostics> keys;
  std::vector<std::string> missing;        // names of keys never counted
  std::vector<std::string> doublePressed;  // Vantor keys left at count 2
  bool passed = false;
  // From the first key event to the pass; empty when the run did not pass or had no key event.
  std::optional<std::uint32_t> timeToPassMs;
};

inline constexpr std::uint32_t kDefaultChatterMs = 130;

// A key for people: "Q (0x51)", "UP (0x26)", "slot 12 (0x41)".
std::string KeyTitle(const InspectedKey& key);

RunDiagnostics Diagnose(const ProgramInspection& inspection, std::span<const KeyEventRecord> events,
                        std::uint32_t chatterMs);

}  // namespace emu
