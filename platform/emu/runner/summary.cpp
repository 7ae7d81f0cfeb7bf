// The one-screen text summary of --summary: program, device, pass or not, missing and
// chattering keys, time to pass.

#include "platform/emu/runner/runner.h"

namespace emu {

std::string SummaryText(const RunPlan& plan, const RunOutcome& outcome) {
  std::string out = outcome.program + " on " + DeviceName(plan) + "\n";
  std::string exit = outcome.stopped
                         ? "stopped at --until-ms"
                         : "exit code " + std::to_string(outcome.result.exitCode.value_or(0));
  out += "  exit:          " + exit + "\n";
  const std::optional<RunDiagnostics>& d = outcome.diagnostics;
  if (!d) return out;
  out += std::string("  result:        ") + (d->passed ? "PASSED" : "NOT PASSED") + "\n";
  out += "  time to pass:  " +
         (d->timeToPassMs ? std::to_string(*d->timeToPassMs) + " ms" : std::string("-")) + "\n";
  const auto list = [](const std::vector<std::string>& items) {
    if (items.empty()) return std::string("none");
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
  };
  out += "  missing:       " + list(d->missing) + "\n";
  if (!d->doublePressed.empty()) out += "  at count 2:    " + list(d->doublePressed) + "\n";
  std::vector<std::string> chattering;
  std::vector<std::string> held;
  for (const KeyDiagnostics& k : d->keys) {
    if (k.chatter > 0) chattering.push_back(k.key.name + " x" + std::to_string(k.chatter));
    if (k.held) held.push_back(k.key.name);
  }
  out += "  chattering:    " + list(chattering) + " (releases within " +
         std::to_string(plan.chatterMs) + " ms)\n";
  if (!held.empty()) out += "  held at end:   " + list(held) + "\n";
  return out;
}

}  // namespace emu
