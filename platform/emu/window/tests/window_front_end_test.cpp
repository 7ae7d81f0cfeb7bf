// The window front end on the window system's dummy driver, fed with events pushed into its
// queue: what each PC event becomes on the emulator, as its recording shows.
#include "platform/emu/window/window_front_end.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "platform/emu/window/handset_body.h"

namespace emu {
namespace {

class WindowFrontEndTest : public testing::Test {
 protected:
  void SetUp() override {
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    WindowSetup setup;
    setup.title = "test";
    setup.scale = 2;
    setup.keymap = &DefaultKeymap();
    setup.startTick = 42;
    std::string problem;
    window_ = WindowFrontEnd::Open(setup, &problem);
    ASSERT_NE(window_, nullptr) << problem;
  }
  void TearDown() override {
    window_.reset();
    ::unsetenv("SDL_VIDEODRIVER");
  }

  static void PushKey(SDL_EventType type, SDL_Keycode key, bool repeat = false) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.sym = key;
    e.key.repeat = repeat ? 1 : 0;
    SDL_PushEvent(&e);
  }
  // A press or release of the left button at a window pixel before scaling.
  void PushClick(SDL_EventType type, Point p) {
    SDL_Event e{};
    e.type = type;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = p.x * window_->scale();
    e.button.y = p.y * window_->scale();
    SDL_PushEvent(&e);
  }
  // Pumps until the recording has `lines` more lines that are not waits; returns them.
  std::string Actions(int lines) {
    std::string actions;
    for (int pumps = 0; lines > 0 && pumps < 50; ++pumps) {
      const std::size_t before = window_->recording()->size();
      window_->pump(emulator_, std::nullopt);
      const std::string line = window_->recording()->substr(before);
      if (line.rfind("wait ", 0) != 0) {
        actions += line;
        --lines;
      }
    }
    return actions;
  }

  Emulator emulator_{DeviceConfig{}};
  std::unique_ptr<WindowFrontEnd> window_;
};

TEST_F(WindowFrontEndTest, KeysGoThroughTheKeymapAndRepeatAsKeyDowns) {
  EXPECT_EQ(*window_->recording(), "start-tick 42\n");
  PushKey(SDL_KEYDOWN, SDLK_RETURN);
  PushKey(SDL_KEYDOWN, SDLK_RETURN, true);
  PushKey(SDL_KEYUP, SDLK_RETURN);
  PushKey(SDL_KEYDOWN, SDLK_TAB);  // the help, no key of the handset
  PushKey(SDL_KEYDOWN, SDLK_F5);
  EXPECT_EQ(Actions(4),
            "down 0x0D scan=38 repeat=1\n"
            "down 0x0D scan=38 repeat=1\n"
            "up 0x0D scan=38 repeat=1\n"
            "down 0x3B scan=0 repeat=1\n");
}

TEST_F(WindowFrontEndTest, ClicksTapTheScreenAndPressHandsetButtons) {
  const HandsetLayout layout = LayoutHandset(320, 320);
  const HandsetButton* volumeUp = nullptr;
  for (const HandsetButton& b : layout.buttons) {
    if (b.vk == 117) volumeUp = &b;
  }
  ASSERT_NE(volumeUp, nullptr);
  PushClick(SDL_MOUSEBUTTONDOWN, Point{layout.screen.left + 160, layout.screen.top + 285});
  PushClick(SDL_MOUSEBUTTONUP, Point{layout.screen.left + 160, layout.screen.top + 285});
  PushClick(SDL_MOUSEBUTTONDOWN, Point{volumeUp->rect.left + 1, volumeUp->rect.top + 1});
  PushClick(SDL_MOUSEBUTTONUP, Point{0, 0});  // released wherever the pointer went
  EXPECT_EQ(Actions(3),
            "tap 160 285\n"
            "down 0x75 scan=0 repeat=1\n"
            "up 0x75 scan=0 repeat=1\n");
}

// Closing the window stops the run.
TEST_F(WindowFrontEndTest, CloseIsAStop) {
  SDL_Event e{};
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
  EXPECT_THROW(for (int i = 0; i < 10; ++i) window_->pump(emulator_, std::nullopt), RunStopped);
}

}  // namespace
}  // namespace emu
