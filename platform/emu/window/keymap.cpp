#include "platform/emu/window/keymap.h"

#include <SDL.h>

#include "platform/emu/quote.h"
#include "platform/emu/runner/key_script.h"
#include "platform/emu/runner/runner.h"

namespace emu {

namespace {

constexpr std::string_view kDefaultKeymap =
    R"(# The default host keymap: a PC key and the handset key it sends.
# Letters, digits, Space, Backspace and the arrows are themselves.
A = 65
B = 66
C = 67
D = 68
E = 69
F = 70
G = 71
H = 72
I = 73
J = 74
K = 75
L = 76
M = 77
N = 78
O = 79
P = 80
Q = 81
R = 82
S = 83
T = 84
U = 85
V = 86
W = 87
X = 88
Y = 89
Z = 90
0 = 48
1 = 49
2 = 50
3 = 51
4 = 52
5 = 53
6 = 54
7 = 55
8 = 56
9 = 57
Space = SPACE
Backspace = BACK
Return = RETURN scan=38        # Enter of the keyboard
Keypad Enter = RETURN          # navigation centre (action key)
Up = UP                        # navigation up
Down = DOWN                    # navigation down
Left = LEFT                    # navigation left
Right = RIGHT                  # navigation right
PageUp = 33                    # navigation ring, right segments
PageDown = 34                  # navigation ring, left segments
Escape = ESCAPE                # OK key
, = 188                        # comma / question mark key
. = 190                        # full stop key
- = 240                        # country key (sharp s, short i, full stop, Exp)
= = 241                        # 0 key of the German keypad driver
[ = 245                        # 0 key of countries 44, 45 and 52
] = 232                        # symbol key (lambda)
; = 175                        # sym key
' = 195                        # camera symbol key
Left Shift = SHIFT             # Shift (up arrow)
Right Shift = 143              # Shift of the layout-aware keyboard
Left Ctrl = CONTROL            # Control (Ctrl+Q)
Right Ctrl = CONTROL           # Control
Left Alt = 138                 # Alt
Right Alt = 202                # Alt (second)
Numlock = 144                  # Alt (lower left)
Home = 91                      # Start
Insert = 62                    # Exp
Delete = 95                    # Syn (symbol)
End = 140                      # Msg (envelope)
F1 = F1                        # left soft key
F2 = F2                        # right soft key
F3 = F3                        # Talk
F4 = F4                        # End
F5 = 59                        # Camera
F6 = F6                        # Volume up
F7 = F7                        # Volume down
F8 = 129                       # Hold
F9 = 136                       # Ok
F11 = F11                      # symbol key (lambda, second code)
F12 = 196                      # Power
)";

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

const KeyBinding* Keymap::find(std::int32_t hostKey) const {
  for (const KeyBinding& b : bindings) {
    if (b.hostKey == hostKey) return &b;
  }
  return nullptr;
}

Keymap ParseKeymap(std::string_view text, const std::string& file) {
  Keymap map;
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  int lineNo = 0;
  while (!text.empty()) {
    ++lineNo;
    const std::size_t nl = text.find('\n');
    const std::string_view raw = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    const auto fail = [&](const std::string& problem) {
      throw UsageError(file + ":" + std::to_string(lineNo) + ": " + problem);
    };
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#') continue;

    // The key's name may itself be '=' or '#', so the binding is split at its last " = ".
    const std::size_t eq = line.rfind(" = ");
    if (eq == std::string_view::npos) {
      fail("expected 'KEY NAME = VK [scan=N]', not '" + QuoteForMessage(line) + "'");
    }
    KeyBinding b;
    b.hostName = std::string(Trim(line.substr(0, eq)));
    std::string_view rest = line.substr(eq + 3);
    if (const std::size_t hash = rest.find('#'); hash != std::string_view::npos) {
      b.description = std::string(Trim(rest.substr(hash + 1)));
      rest = rest.substr(0, hash);
    }
    rest = Trim(rest);
    const std::size_t gap = rest.find_first_of(" \t");
    const std::string_view vkWord = rest.substr(0, gap);
    const std::string_view option =
        gap == std::string_view::npos ? std::string_view{} : Trim(rest.substr(gap));

    const SDL_Keycode key = SDL_GetKeyFromName(b.hostName.c_str());
    if (key == SDLK_UNKNOWN) fail("unknown PC key '" + QuoteForMessage(b.hostName) + "'");
    b.hostKey = static_cast<std::int32_t>(key);
    const std::optional<std::uint32_t> vk = ParseVirtualKey(vkWord);
    if (!vk) fail("unknown handset key '" + QuoteForMessage(vkWord) + "'");
    b.vk = *vk;
    if (!option.empty()) {
      std::optional<std::uint64_t> scan;
      if (option.size() > 5 && option.substr(0, 5) == "scan=") {
        scan = ParseNumber(option.substr(5), 0, 255);
      }
      if (!scan) fail("expected scan=N (0..255), not '" + QuoteForMessage(option) + "'");
      b.scan = static_cast<std::uint32_t>(*scan);
    }
    if (map.find(b.hostKey)) fail("'" + QuoteForMessage(b.hostName) + "' is mapped twice");
    map.bindings.push_back(std::move(b));
  }
  return map;
}

std::string_view DefaultKeymapText() { return kDefaultKeymap; }

const Keymap& DefaultKeymap() {
  static const Keymap map = ParseKeymap(kDefaultKeymap, "default keymap");
  return map;
}

}  // namespace emu
