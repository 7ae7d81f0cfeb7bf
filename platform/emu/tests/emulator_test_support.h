// Helpers for the emulator's tests: hand-built dialog templates and .res files, a dialog
// procedure that logs what it receives, and a scripted input source.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "harness/platform_constants.h"
#include "platform/emu/emulator.h"

namespace emu::test {

using harness::Hwnd;
using harness::Lparam;
using harness::Wparam;

class Bytes {
 public:
  void u16(std::uint16_t v) {
    b_.push_back(static_cast<std::uint8_t>(v));
    b_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void u32(std::uint32_t v) {
    u16(static_cast<std::uint16_t>(v));
    u16(static_cast<std::uint16_t>(v >> 16));
  }
  void text(std::u16string_view s) {
    for (char16_t c : s) u16(c);
    u16(0);
  }
  void align4() {
    while (b_.size() % 4) b_.push_back(0);
  }
  void raw(const std::vector<std::uint8_t>& v) { b_.insert(b_.end(), v.begin(), v.end()); }
  std::size_t size() const { return b_.size(); }
  const std::vector<std::uint8_t>& bytes() const { return b_; }

 private:
  std::vector<std::uint8_t> b_;
};

struct Control {
  std::uint16_t id;
  std::uint32_t style;  // WS_CHILD and WS_VISIBLE are added
  std::u16string text;
  std::int16_t x = 4, y = 4, cx = 40, cy = 12;
};

// A classic dialog template: caption, style, size in dialog units, push buttons.
inline std::vector<std::uint8_t> DialogTemplate(std::uint32_t style, std::u16string_view title,
                                                std::int16_t cx, std::int16_t cy,
                                                const std::vector<Control>& controls = {}) {
  Bytes t;
  t.u32(style);
  t.u32(0);
  t.u16(static_cast<std::uint16_t>(controls.size()));
  t.u16(0);
  t.u16(0);
  t.u16(static_cast<std::uint16_t>(cx));
  t.u16(static_cast<std::uint16_t>(cy));
  t.u16(0);  // no menu
  t.u16(0);  // default class
  t.text(title);
  for (const Control& c : controls) {
    t.align4();
    t.u32(c.style | harness::WS_CHILD | harness::WS_VISIBLE);
    t.u32(0);
    t.u16(static_cast<std::uint16_t>(c.x));
    t.u16(static_cast<std::uint16_t>(c.y));
    t.u16(static_cast<std::uint16_t>(c.cx));
    t.u16(static_cast<std::uint16_t>(c.cy));
    t.u16(c.id);
    t.u16(0xFFFF);
    t.u16(0x80);  // button
    t.text(c.text);
    t.u16(0);  // no creation data
  }
  return t.bytes();
}

// A .res file with the given (type, numeric name, data) entries.
struct ResEntry {
  std::uint16_t type;
  std::uint16_t name;
  std::vector<std::uint8_t> data;
};
inline std::vector<std::uint8_t> ResFile(const std::vector<ResEntry>& entries) {
  Bytes f;
  auto entry = [&](std::uint16_t type, std::uint16_t name, const std::vector<std::uint8_t>& d,
                   bool marker) {
    f.u32(static_cast<std::uint32_t>(d.size()));
    f.u32(32);
    if (marker) {
      f.u32(0);
      f.u32(0);
    } else {
      f.u16(0xFFFF);
      f.u16(type);
      f.u16(0xFFFF);
      f.u16(name);
    }
    f.u32(0);
    f.u16(0x30);
    f.u16(0x0409);
    f.u32(0);
    f.u32(0);
    f.raw(d);
    f.align4();
  };
  entry(0, 0, {}, true);
  for (const ResEntry& e : entries) entry(e.type, e.name, e.data, false);
  return f.bytes();
}

struct Logged {
  Hwnd hwnd;
  std::uint32_t message;
  Wparam wParam;
  Lparam lParam;
  friend bool operator==(const Logged&, const Logged&) = default;
};

// Every message a logging dialog gets, and what it does about some of them.
struct Log {
  std::vector<Logged> messages;
  // Called for each message; a non-empty result makes the procedure answer with it.
  std::function<std::intptr_t(Hwnd, std::uint32_t, Wparam, Lparam)> react;
  // Messages not written to the log (painting noise, for instance).
  std::vector<std::uint32_t> ignored{harness::WM_PAINT, harness::WM_ERASEBKGND, harness::WM_SETTEXT,
                                     harness::WM_SIZE};

  std::vector<std::uint32_t> numbers() const {
    std::vector<std::uint32_t> out;
    for (const Logged& m : messages) out.push_back(m.message);
    return out;
  }
};
inline Log* g_log = nullptr;

inline std::intptr_t LoggingDlgProc(Hwnd hwnd, std::uint32_t message, Wparam wParam,
                                    Lparam lParam) {
  if (!g_log) return 0;
  bool ignored = false;
  for (std::uint32_t m : g_log->ignored) ignored = ignored || m == message;
  if (!ignored) g_log->messages.push_back({hwnd, message, wParam, lParam});
  if (g_log->react) return g_log->react(hwnd, message, wParam, lParam);
  return message == harness::WM_INITDIALOG ? 1 : 0;
}

// Runs the given actions one per request, then reports exhaustion.
class Script : public InputSource {
 public:
  explicit Script(std::vector<std::function<void(Emulator&)>> actions)
      : actions_(std::move(actions)) {}
  bool next(Emulator& e) override {
    if (pos_ >= actions_.size()) return false;
    actions_[pos_++](e);
    return true;
  }

 private:
  std::vector<std::function<void(Emulator&)>> actions_;
  std::size_t pos_ = 0;
};

}  // namespace emu::test
