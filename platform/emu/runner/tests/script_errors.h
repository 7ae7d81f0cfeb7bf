// The error a key script's text gives, for the tables of bad scripts.
#pragma once

#include <string>
#include <string_view>

#include "platform/emu/runner/runner.h"

namespace emu {

inline std::string KeyScriptError(std::string_view text) {
  try {
    ParseKeyScript(text, "keys.txt");
  } catch (const UsageError& e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace emu
