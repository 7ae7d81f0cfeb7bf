// Message maps: a static table from message numbers to member handlers. Each entry decodes the
// message's parameters for one of a small set of handler signatures, so a handler reads like
// the message it serves and no parameter unpacking is repeated in program code.
//
//   static constexpr classlib::MessageMapEntry kMap[] = {
//       classlib::MapSize<&MyDialog::OnSize>(),
//       classlib::MapTimer<&MyDialog::OnTimer>(),
//   };
//   std::span<const classlib::MessageMapEntry> GetMessageMap() const override { return kMap; }
#pragma once

#include <cstdint>
#include <span>

#include "harness/platform_constants.h"
#include "harness/platform_types.h"

namespace classlib {

class Window;

// Calls the handler for one message; `result` is the message's result when it was handled.
using MessageThunk = void (*)(Window& self, harness::Wparam wParam, harness::Lparam lParam,
                              harness::Lresult& result);

struct MessageMapEntry {
  std::uint32_t message = 0;
  MessageThunk thunk = nullptr;
};

using MessageMap = std::span<const MessageMapEntry>;

namespace detail {
template <class>
struct MemberOf;
template <class T, class R, class... A>
struct MemberOf<R (T::*)(A...)> {
  using Class = T;
};
template <auto Handler>
using HandlerClass = typename MemberOf<decltype(Handler)>::Class;

inline std::int32_t LowSigned(harness::Lparam v) {
  return static_cast<std::int16_t>(harness::LoWord(static_cast<std::uintptr_t>(v)));
}
inline std::int32_t HighSigned(harness::Lparam v) {
  return static_cast<std::int16_t>(harness::HiWord(static_cast<std::uintptr_t>(v)));
}
}  // namespace detail

// WM_SIZE: void OnSize(std::uint32_t type, int width, int height)
template <auto Handler>
constexpr MessageMapEntry MapSize() {
  return {harness::WM_SIZE,
          [](Window& w, harness::Wparam wp, harness::Lparam lp, harness::Lresult& r) {
            (static_cast<detail::HandlerClass<Handler>&>(w).*Handler)(
                static_cast<std::uint32_t>(wp), detail::LowSigned(lp), detail::HighSigned(lp));
            r = 0;
          }};
}

// WM_ERASEBKGND: bool OnEraseBkgnd(harness::Hdc surface); true when the background is erased.
template <auto Handler>
constexpr MessageMapEntry MapEraseBkgnd() {
  return {harness::WM_ERASEBKGND,
          [](Window& w, harness::Wparam wp, harness::Lparam, harness::Lresult& r) {
            const bool erased = (static_cast<detail::HandlerClass<Handler>&>(w).*
                                 Handler)(reinterpret_cast<harness::Hdc>(wp));
            r = erased ? 1 : 0;
          }};
}

// WM_KEYDOWN / WM_KEYUP: void OnKeyDown(std::uint32_t vk, std::uint32_t repeat, std::uint32_t
// flags); repeat is the low word of the second parameter, flags its high word (scan code in the
// low byte, state bits above).
template <std::uint32_t Message, auto Handler>
constexpr MessageMapEntry MapKey() {
  return {Message, [](Window& w, harness::Wparam wp, harness::Lparam lp, harness::Lresult& r) {
            const auto bits = static_cast<std::uintptr_t>(lp);
            (static_cast<detail::HandlerClass<Handler>&>(w).*Handler)(
                static_cast<std::uint32_t>(wp), harness::LoWord(bits), harness::HiWord(bits));
            r = 0;
          }};
}
template <auto Handler>
constexpr MessageMapEntry MapKeyDown() {
  return MapKey<harness::WM_KEYDOWN, Handler>();
}
template <auto Handler>
constexpr MessageMapEntry MapKeyUp() {
  return MapKey<harness::WM_KEYUP, Handler>();
}

// WM_TIMER: void OnTimer(std::uintptr_t id)
template <auto Handler>
constexpr MessageMapEntry MapTimer() {
  return {harness::WM_TIMER,
          [](Window& w, harness::Wparam wp, harness::Lparam, harness::Lresult& r) {
            (static_cast<detail::HandlerClass<Handler>&>(w).*Handler)(wp);
            r = 0;
          }};
}

// WM_KILLFOCUS: void OnKillFocus(harness::Hwnd newFocus)
// WM_SETFOCUS: void OnSetFocus(harness::Hwnd oldFocus)
template <std::uint32_t Message, auto Handler>
constexpr MessageMapEntry MapFocus() {
  return {Message, [](Window& w, harness::Wparam wp, harness::Lparam, harness::Lresult& r) {
            (static_cast<detail::HandlerClass<Handler>&>(w).*
             Handler)(reinterpret_cast<harness::Hwnd>(wp));
            r = 0;
          }};
}
template <auto Handler>
constexpr MessageMapEntry MapKillFocus() {
  return MapFocus<harness::WM_KILLFOCUS, Handler>();
}
template <auto Handler>
constexpr MessageMapEntry MapSetFocus() {
  return MapFocus<harness::WM_SETFOCUS, Handler>();
}

// WM_COMMAND: void OnCommand(std::uint16_t id, std::uint16_t notifyCode)
template <auto Handler>
constexpr MessageMapEntry MapCommand() {
  return {harness::WM_COMMAND,
          [](Window& w, harness::Wparam wp, harness::Lparam, harness::Lresult& r) {
            (static_cast<detail::HandlerClass<Handler>&>(w).*Handler)(harness::LoWord(wp),
                                                                      harness::HiWord(wp));
            r = 0;
          }};
}

// Any message, raw: harness::Lresult OnMessage(harness::Wparam, harness::Lparam)
template <std::uint32_t Message, auto Handler>
constexpr MessageMapEntry MapMessage() {
  return {Message, [](Window& w, harness::Wparam wp, harness::Lparam lp, harness::Lresult& r) {
            r = (static_cast<detail::HandlerClass<Handler>&>(w).*Handler)(wp, lp);
          }};
}

}  // namespace classlib
