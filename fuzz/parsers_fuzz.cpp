// Fuzzes the two text formats a user hands the emulated handset: key scripts and .reg files.
// Either input is accepted or rejected with the format's own error, never anything else; an
// accepted .reg file survives a write and a re-read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/emu/registry.h"
#include "platform/emu/runner/key_script.h"
#include "platform/emu/runner/runner.h"

namespace {

void fuzzKeyScript(std::string_view text) {
  try {
    emu::KeyScript script = emu::ParseKeyScript(text, "fuzz.keys");
    int previousLine = 0;
    for (const emu::ScriptAction& action : script.actions) {
      if (action.line <= previousLine) std::abort();  // actions keep their line order
      previousLine = action.line;
      if (action.vk > 255 || action.scan > 255 || action.repeat > 65535) std::abort();
    }
  } catch (const emu::UsageError&) {
  }
}

void fuzzRegFile(const std::string& text) {
  emu::Registry registry;
  try {
    registry.mergeText(text, "fuzz.reg");
  } catch (const emu::RegFileError&) {
    if (!registry.toRegText().empty() && registry.toRegText() != emu::Registry().toRegText()) {
      std::abort();  // a rejected file merges nothing
    }
    return;
  }
  const std::string written = registry.toRegText();
  emu::Registry reread;
  reread.mergeText(written, "written.reg");  // what we write, we read back
  if (reread.toRegText() != written) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((data[0] & 1) == 0) {
    fuzzKeyScript(text);
  } else {
    fuzzRegFile(text);
  }
  return 0;
}
