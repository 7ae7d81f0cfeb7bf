#include "platform/emu/window/handset_body.h"

#include <algorithm>

namespace emu {

namespace {

constexpr int kSide = 72;           // the side columns of buttons
constexpr int kTop = 36;            // above the screen: the program's name
constexpr int kMinBodyWidth = 280;  // the rows below the screen
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
  // Room for the rows below the screen however narrow the screen is.
  const int bodyW = std::max(kSide * 2 + screenWidth, kMinBodyWidth);
  const int screenLeft = (bodyW - screenWidth) / 2;
  l.screen = Rect{screenLeft, kTop, screenLeft + screenWidth, kTop + screenHeight};

  const auto add = [&](const char* label, std::uint32_t vk, std::uint32_t scan, int x, int y,
                       int w = kButtonW, int h = kButtonH) {
    l.buttons.push_back({label, vk, scan, Rect{x, y, x + w, y + h}});
  };
  // Side keys left of the screen, symbol keys right of it.
  const int lx = l.screen.left - kSide + (kSide - kButtonW) / 2;
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
  // Below the screen and the side columns: soft keys and Start; Talk and End beside the
  // navigation ring.
  const int cx = bodyW / 2;
  const int inner = 12;
  const int row = std::max(l.screen.bottom, y) + 8;
  add("LSK", 112, 0, inner, row);
  add("Start", 91, 0, cx - kButtonW / 2, row);
  add("RSK", 113, 0, bodyW - inner - kButtonW, row);
  const int ring = row + kPitch + 2;
  add("Talk", 114, 0, inner, ring + kPitch);
  add("End", 115, 0, bodyW - inner - kButtonW, ring + kPitch);
  constexpr int kNav = 26;
  add("^", 38, 0, cx - kNav / 2, ring, kNav, kButtonH);
  add("<", 37, 0, cx - kNav / 2 - kNav - 2, ring + kPitch, kNav, kButtonH);
  add("OK", 13, 0, cx - kNav / 2, ring + kPitch, kNav, kButtonH);
  add(">", 39, 0, cx + kNav / 2 + 2, ring + kPitch, kNav, kButtonH);
  add("v", 40, 0, cx - kNav / 2, ring + 2 * kPitch, kNav, kButtonH);
  add("/", 33, 0, cx + kNav / 2 + 2, ring, kNav, kButtonH);
  add("\\", 34, 0, cx - kNav / 2 - kNav - 2, ring + 2 * kPitch, kNav, kButtonH);

  const int bodyH = ring + 3 * kPitch + 8;
  l.body = Rect{0, 0, bodyW, bodyH};
  l.strip = Rect{bodyW, 0, bodyW + kStripWidth, bodyH};
  l.width = l.strip.right;
  l.height = bodyH;
  return l;
}

}  // namespace emu
