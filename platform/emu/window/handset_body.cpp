#include "platform/emu/window/handset_body.h"

#include <algorithm>

namespace emu {

namespace {

constexpr int kSide = 72;     // the side columns of buttons
constexpr int kTop = 36;      // above the screen: the program's name
constexpr int kBottom = 124;  // below the screen: soft keys, call keys, navigation
constexpr int kStripWidth = 230;
constexpr int kButtonW = 56;
constexpr int kButtonH = 22;
constexpr int kPitch = 28;

bool Inside(const Rect& r, Point p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

}  // namespace

const HandsetButton* HandsetLayout::buttonAt(Point p) const {
  for (const HandsetButton& b : buttons) {
    if (Inside(b.rect, p)) return &b;
  }
  return nullptr;
}

HandsetLayout LayoutHandset(int screenWidth, int screenHeight) {
  HandsetLayout l;
  l.screen = Rect{kSide, kTop, kSide + screenWidth, kTop + screenHeight};
  const int bodyW = kSide * 2 + screenWidth;
  const int bodyH = std::max(kTop + screenHeight + kBottom, kTop + 10 * kPitch);
  l.body = Rect{0, 0, bodyW, bodyH};
  l.strip = Rect{bodyW, 0, bodyW + kStripWidth, bodyH};
  l.width = l.strip.right;
  l.height = bodyH;

  const auto add = [&](const char* label, std::uint32_t vk, std::uint32_t scan, int x, int y,
                       int w = kButtonW, int h = kButtonH) {
    l.buttons.push_back({label, vk, scan, Rect{x, y, x + w, y + h}});
  };
  // Side keys left, symbol keys right.
  const int lx = (kSide - kButtonW) / 2;
  int y = kTop;
  for (const auto& [label, vk] : {std::pair{"Power", 196u},
                                  {"Vol +", 117u},
                                  {"Vol -", 118u},
                                  {"Camera", 59u},
                                  {"Hold", 129u},
                                  {"Ok", 136u}}) {
    add(label, vk, 0, lx, y);
    y += kPitch;
  }
  const int rx = l.screen.right + (kSide - kButtonW) / 2;
  y = kTop;
  for (const auto& [label, vk] : {std::pair{"Syn", 95u},
                                  {"Exp", 62u},
                                  {"Msg", 140u},
                                  {"sym", 175u},
                                  {"lambda", 232u},
                                  {"cam sym", 195u},
                                  {"Alt", 138u},
                                  {"Alt 2", 202u},
                                  {"Alt 3", 144u}}) {
    add(label, vk, 0, rx, y);
    y += kPitch;
  }
  // Below the screen: soft keys and Start; Talk and End beside the navigation ring.
  const int cx = l.screen.left + screenWidth / 2;
  const int row = l.screen.bottom + 8;
  add("LSK", 112, 0, l.screen.left, row);
  add("Start", 91, 0, cx - kButtonW / 2, row);
  add("RSK", 113, 0, l.screen.right - kButtonW, row);
  const int ring = row + kPitch + 2;
  add("Talk", 114, 0, l.screen.left, ring + kPitch);
  add("End", 115, 0, l.screen.right - kButtonW, ring + kPitch);
  constexpr int kNav = 26;
  add("^", 38, 0, cx - kNav / 2, ring, kNav, kButtonH);
  add("<", 37, 0, cx - kNav / 2 - kNav - 2, ring + kPitch, kNav, kButtonH);
  add("OK", 13, 0, cx - kNav / 2, ring + kPitch, kNav, kButtonH);
  add(">", 39, 0, cx + kNav / 2 + 2, ring + kPitch, kNav, kButtonH);
  add("v", 40, 0, cx - kNav / 2, ring + 2 * kPitch, kNav, kButtonH);
  add("/", 33, 0, cx + kNav / 2 + 2, ring, kNav, kButtonH);
  add("\\", 34, 0, cx - kNav / 2 - kNav - 2, ring + 2 * kPitch, kNav, kButtonH);
  return l;
}

}  // namespace emu
