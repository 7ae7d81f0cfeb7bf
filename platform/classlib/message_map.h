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

// The thunks are function templates of their own, not lambdas inside the constexpr makers: a
// map is often written inside its class, where the class is still incomplete, and a function
// template's body is only instantiated once the class is complete.
namespace detail {

template <auto Handler>
HandlerClass<Handler>& Self(Window& w) {
  return static_cast<HandlerClass<Handler>&>(w);
}

template <auto Handler>
void SizeThunk(Window& w, harness::Wparam wp, harness::Lparam lp, harness::Lresult& r) {
  (Self<Handler>(w).*Handler)(static_cast<std::uint32_t>(wp), LowSigned(lp), HighSigned(lp));
  r = 0;
}

template <auto Handler>
void EraseBkgndThunk(Window& w, harness::Wparam wp, harness::Lparam, harness::Lresult& r) {
  r = (Self<Handler>(w).*Handler)(reinterpret_cast<harness::Hdc>(wp)) ? 1 : 0;
}

template <auto Handler>
void KeyThunk(Window& w, harness::Wparam wp, harness::Lparam lp, harness::Lresult& r) {
  const auto bits = static_cast<std::uintptr_t>(lp);
  (Self<Handler>(w).*Handler)(static_cast<std::uint32_t>(wp), harness::LoWord(bits),
                              harness::HiWord(bits));
  r = 0;
}

template <auto Handler>
void TimerThunk(Window& w, harness::Wparam wp, harness::Lparam, harness::Lresult& r) {
  (Self<Handler>(w).*Handler)(wp);
  r = 0;
}

template <auto Handler>
void FocusThunk(Window& w, harness::Wparam wp, harness::Lparam, harness::Lresult& r) {
  (Self<Handler>(w).*Handler)(reinterpret_cast<harness::Hwnd>(wp));
  r = 0;
}

template <auto Handler>
void CommandThunk(Window& w, harness::Wparam wp, harness::Lparam, harness::Lresult& r) {
  (Self<Handler>(w).*Handler)(harness::LoWord(wp), harness::HiWord(wp));
  r = 0;
}

template <auto Handler>
void RawThunk(Window& w, harness::Wparam wp, harness::Lparam lp, harness::Lresult& r) {
  r = (Self<Handler>(w).*Handler)(wp, lp);
}

}  // namespace detail

// WM_SIZE: void OnSize(std::uint32_t type, int width, int height)
template <auto Handler>
constexpr MessageMapEntry MapSize() {
  return {harness::WM_SIZE, &detail::SizeThunk<Handler>};
}

// WM_ERASEBKGND: bool OnEraseBkgnd(harness::Hdc surface); true when the background is erased.
template <auto Handler>
constexpr MessageMapEntry MapEraseBkgnd() {
  return {harness::WM_ERASEBKGND, &detail::EraseBkgndThunk<Handler>};
}

// WM_KEYDOWN / WM_KEYUP: void OnKeyDown(std::uint32_t vk, std::uint32_t repeat, std::uint32_t
// flags); repeat is the low word of the second parameter, flags its high word (scan code in the
// low byte, state bits above).
template <auto Handler>
constexpr MessageMapEntry MapKeyDown() {
  return {harness::WM_KEYDOWN, &detail::KeyThunk<Handler>};
}
template <auto Handler>
constexpr MessageMapEntry MapKeyUp() {
  return {harness::WM_KEYUP, &detail::KeyThunk<Handler>};
}

// WM_TIMER: void OnTimer(std::uintptr_t id)
template <auto Handler>
constexpr MessageMapEntry MapTimer() {
  return {harness::WM_TIMER, &detail::TimerThunk<Handler>};
}

// WM_KILLFOCUS: void OnKillFocus(harness::Hwnd newFocus)
// WM_SETFOCUS: void OnSetFocus(harness::Hwnd oldFocus)
template <auto Handler>
constexpr MessageMapEntry MapKillFocus() {
  return {harness::WM_KILLFOCUS, &detail::FocusThunk<Handler>};
}
template <auto Handler>
constexpr MessageMapEntry MapSetFocus() {
  return {harness::WM_SETFOCUS, &detail::FocusThunk<Handler>};
}

// WM_COMMAND: void OnCommand(std::uint16_t id, std::uint16_t notifyCode)
template <auto Handler>
constexpr MessageMapEntry MapCommand() {
  return {harness::WM_COMMAND, &detail::CommandThunk<Handler>};
}

// Any message, raw: harness::Lresult OnMessage(harness::Wparam, harness::Lparam)
template <std::uint32_t Message, auto Handler>
constexpr MessageMapEntry MapMessage() {
  return {Message, &detail::RawThunk<Handler>};
}

}  // namespace classlib
