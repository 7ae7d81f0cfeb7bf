#include "platform/emu/runner/diagnostics.h"

#include <cstdio>

namespace emu {

std::string KeyTitle(const InspectedKey& key) {
  char code[16];
  std::snprintf(code, sizeof code, " (0x%02X)", static_cast<unsigned>(key.code));
  return (key.slot ? "slot " + key.name : key.name) + code;
}

RunDiagnostics Diagnose(const ProgramInspection& inspection, std::span<const KeyEventRecord> events,
                        std::uint32_t chatterMs) {
  RunDiagnostics d;
  d.passed = inspection.passed;
  d.keys.reserve(inspection.keys.size());
  for (const InspectedKey& key : inspection.keys) d.keys.push_back({key});

  std::vector<std::optional<std::uint32_t>> lastRelease(d.keys.size());
  for (const KeyEventRecord& e : events) {
    if (!inspection.keysFor) break;
    for (const int index : inspection.keysFor(e)) {
      if (index < 0 || static_cast<std::size_t>(index) >= d.keys.size()) continue;
      KeyDiagnostics& k = d.keys[static_cast<std::size_t>(index)];
      if (!k.firstTick) k.firstTick = e.tick;
      k.lastTick = e.tick;
      if (e.down) {
        if (!k.held) ++k.presses;
        k.held = true;
        continue;
      }
      k.held = false;
      std::optional<std::uint32_t>& previous = lastRelease[static_cast<std::size_t>(index)];
      // Unsigned difference, as the programs measure it: right across the tick's wrap-around.
      if (previous && e.tick - *previous < chatterMs) ++k.chatter;
      previous = e.tick;
    }
  }

  for (const KeyDiagnostics& k : d.keys) {
    const bool counted = k.key.count ? *k.key.count != 0 : k.key.pressed.value_or(false);
    if (!counted) d.missing.push_back(k.key.name);
    if (k.key.count == 2u) d.doublePressed.push_back(k.key.name);
  }
  if (inspection.passed && inspection.passTick && !events.empty()) {
    d.timeToPassMs = *inspection.passTick - events.front().tick;
  }
  return d;
}

}  // namespace emu
