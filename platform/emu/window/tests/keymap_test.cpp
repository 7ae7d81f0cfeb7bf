#include "platform/emu/window/keymap.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/emu/runner/runner.h"
#include "platform/emu/window/handset_body.h"
#include "vantor/key_layouts.h"
#include "vantor1/key_slot_table.h"

namespace emu {
namespace {

bool Mapped(std::uint32_t vk, std::uint32_t scan) {
  for (const KeyBinding& b : DefaultKeymap().bindings) {
    if (b.vk == vk && b.scan == scan) return true;
  }
  return false;
}

// Every key of both programs can be pressed from the PC keyboard, with the scan code that tells
// the keyboard's Enter (38) from the navigation centre.
TEST(KeymapTest, DefaultReachesEveryKeyOfBothPrograms) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> keys;
  for (const vantor::KeyLayoutRow& row : vantor::fullLayoutRows()) {
    keys.push_back({row.virtualKey, row.scanCode});
  }
  for (const vantor::KeyLayoutRow& row : vantor::compactLayoutRows()) {
    keys.push_back({row.virtualKey, row.scanCode});
  }
  for (std::uint32_t country : {10u, 11u, 27u, 44u}) {
    for (const vantor::KeyVariant& v : vantor::countryVariants(country)) {
      keys.push_back({v.virtualKey, vantor::fullLayoutRows()[v.index].scanCode});
    }
  }
  for (const vantor1::SlotDefinition& slot : vantor1::kSlotDefinitions) {
    keys.push_back({static_cast<std::uint32_t>(slot.vkCode), 0});
  }
  keys.push_back({13, 38});
  keys.push_back({17, 0});  // Control, for Ctrl+Q
  for (const auto& [vk, scan] : keys) {
    EXPECT_TRUE(Mapped(vk, scan)) << "vk " << vk << " scan " << scan;
  }
}

TEST(KeymapTest, LettersDigitsAndEditingKeysAreThemselves) {
  const Keymap& map = DefaultKeymap();
  for (const auto& [key, vk] :
       std::vector<std::pair<SDL_Keycode, std::uint32_t>>{{SDLK_q, 'Q'},
                                                          {SDLK_z, 'Z'},
                                                          {SDLK_0, '0'},
                                                          {SDLK_SPACE, 32},
                                                          {SDLK_BACKSPACE, 8},
                                                          {SDLK_LEFT, 37},
                                                          {SDLK_DOWN, 40},
                                                          {SDLK_ESCAPE, 27},
                                                          {SDLK_F1, 112}}) {
    const KeyBinding* b = map.find(key);
    ASSERT_NE(b, nullptr) << SDL_GetKeyName(key);
    EXPECT_EQ(b->vk, vk) << SDL_GetKeyName(key);
    EXPECT_EQ(b->scan, 0u) << SDL_GetKeyName(key);
  }
  EXPECT_EQ(map.find(SDLK_RETURN)->scan, 38u);
  EXPECT_EQ(map.find(SDLK_KP_ENTER)->scan, 0u);
  EXPECT_EQ(map.find(SDLK_TAB), nullptr) << "Tab toggles the help";
}

TEST(KeymapTest, GoodLines) {
  const Keymap map = ParseKeymap(
      "\xEF\xBB\xBF# my keys\r\n"
      "\n"
      "F5 = 59   # Camera\r\n"
      "= = 0xF1\n"
      "Keypad Enter = RETURN scan=38\n",
      "my.map");
  ASSERT_EQ(map.bindings.size(), 3u);
  EXPECT_EQ(map.bindings[0], (KeyBinding{SDLK_F5, "F5", 59, 0, "Camera"}));
  EXPECT_EQ(map.bindings[1], (KeyBinding{SDLK_EQUALS, "=", 0xF1, 0, ""}));
  EXPECT_EQ(map.bindings[2], (KeyBinding{SDLK_KP_ENTER, "Keypad Enter", 13, 38, ""}));
}

TEST(KeymapTest, BadLinesNameFileAndLine) {
  struct Case {
    const char* text;
    const char* error;
  };
  const std::vector<Case> cases = {
      {"F5 = 59\nF5 59", "my.map:2: expected 'KEY NAME = VK [scan=N]', not 'F5 59'"},
      {"Nokey = 59", "my.map:1: unknown PC key 'Nokey'"},
      {"F5 = 300", "my.map:1: unknown handset key '300'"},
      {"F5 = 59 scan=256", "my.map:1: expected scan=N (0..255), not 'scan=256'"},
      {"F5 = 59 hold=3", "my.map:1: expected scan=N (0..255), not 'hold=3'"},
      {"F5 = 59\nF5 = 60", "my.map:2: 'F5' is mapped twice"},
      // Control bytes of a hostile line are quoted, never printed raw.
      {"\x1b[2J = 5", "my.map:1: unknown PC key '\\x1B[2J'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ParseKeymap(c.text, "my.map");
      ADD_FAILURE() << "no error";
    } catch (const UsageError& e) {
      EXPECT_EQ(std::string(e.what()), c.error);
    }
  }
}

// The handset's own buttons lie on its body, apart from each other and off the screen, and the
// status strip is beside the body.
TEST(HandsetLayoutTest, ButtonsAreOnTheBodyAndOffTheScreen) {
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{320, 320}, {240, 400}, {64, 48}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const HandsetLayout l = LayoutHandset(w, h);
    EXPECT_EQ(l.screen.right - l.screen.left, w);
    EXPECT_EQ(l.screen.bottom - l.screen.top, h);
    EXPECT_TRUE(IsEmpty(Intersect(l.strip, l.screen)));
    EXPECT_TRUE(IsEmpty(Intersect(l.strip, l.body)));
    for (const HandsetButton& b : l.buttons) {
      SCOPED_TRACE(b.label);
      EXPECT_EQ(Intersect(b.rect, l.body).right, b.rect.right);
      EXPECT_EQ(Intersect(b.rect, l.body).bottom, b.rect.bottom);
      EXPECT_TRUE(IsEmpty(Intersect(b.rect, l.screen)));
      for (const HandsetButton& other : l.buttons) {
        if (&other != &b) {
          EXPECT_TRUE(IsEmpty(Intersect(b.rect, other.rect))) << other.label;
        }
      }
      EXPECT_EQ(l.buttonAt(Point{b.rect.left, b.rect.bottom - 1}), &b);
    }
    EXPECT_EQ(l.buttonAt(Point{l.screen.left + 1, l.screen.top + 1}), nullptr);
  }
}

}  // namespace
}  // namespace emu
