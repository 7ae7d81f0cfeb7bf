// Fuzzes the two text formats a user hands the emulated handset: key scripts and .reg files.
// Either input is accepted or rejected with the format's own error, never anything else; a
// rejected .reg file merges nothing and its message stays short and printable; an accepted one
// survives a write and a re-read with every key, name, type and byte.
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
  } catch (const emu::RegFileError& e) {
    if (registry.listing() != emu::Registry().listing()) std::abort();  // merges nothing
    const std::string_view message = e.what();
    if (message.size() > 500) std::abort();  // the bad line is quoted short
    for (char c : message) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();  // one line
    }
    return;
  }
  const std::string written = registry.toRegText();
  emu::Registry reread;
  reread.mergeText(written, "written.reg");  // what we write, we read back
  if (reread.listing() != registry.listing()) std::abort();
  if (reread.toRegText() != written) std::abort();
}

// A whole .reg file as a registry editor writes it starts with a BOM or its header.
bool LooksLikeRegFile(std::string_view data) {
  return data.starts_with("\xFF\xFE") || data.starts_with("\xEF\xBB\xBF") ||
         data.starts_with("REGEDIT4") || data.starts_with("Windows Registry Editor");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // Seed files are taken whole; otherwise the first byte picks the format.
  if (LooksLikeRegFile(input)) {
    fuzzRegFile(std::string(input));
  } else if (size == 0) {
    return 0;
  } else if ((data[0] & 1) == 0) {
    fuzzKeyScript(input.substr(1));
  } else {
    fuzzRegFile(std::string(input.substr(1)));
  }
  return 0;
}
