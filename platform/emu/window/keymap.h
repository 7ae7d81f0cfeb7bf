// The host keymap of the window: which PC key sends which handset key (virtual-key code and
// scan code). One binding per line of a small text format:
//
//   KEY NAME = VK [scan=N]   # what it is
//
// KEY NAME is the PC key's name as the window system's keyboard layer spells it ("A", "Return",
// "Keypad Enter", "F5", "-"); VK is a number or a key script name (RETURN, LEFT, ...); the text
// after '#' describes the key in the on-screen help. Blank lines and lines starting with '#' are
// skipped. A bad line is an error naming the file and line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

struct KeyBinding {
  std::int32_t hostKey = 0;  // the window system's key code
  std::string hostName;      // as written
  std::uint32_t vk = 0;
  std::uint32_t scan = 0;
  std::string description;
  friend bool operator==(const KeyBinding&, const KeyBinding&) = default;
};

struct Keymap {
  std::vector<KeyBinding> bindings;  // file order
  // The binding of a host key, or null.
  const KeyBinding* find(std::int32_t hostKey) const;
};

// Throws UsageError ("FILE:LINE: problem") at the first bad line.
Keymap ParseKeymap(std::string_view text, const std::string& file);

// The default: reaches every key of both programs.
std::string_view DefaultKeymapText();
const Keymap& DefaultKeymap();

}  // namespace emu
