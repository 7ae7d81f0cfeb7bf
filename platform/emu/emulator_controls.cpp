// Window procedures of the built-in classes: the dialog class, push buttons, static text and
// the emulator's message box, plus the message box's modal run.
#include <algorithm>

#include "platform/emu/emulator_state.h"

namespace emu {

using namespace harness;

namespace {

// Messages whose dialog-procedure result is the message's result; for the others a handled
// message answers with DWL_MSGRESULT.
bool ReturnsDirectly(std::uint32_t message) {
  return message == WM_INITDIALOG || (message >= 0x0132 && message <= 0x0138) ||  // WM_CTLCOLOR*
         message == 0x0039 ||                                                     // WM_COMPAREITEM
         message == 0x002E || message == 0x002F ||  // WM_VKEYTOITEM, WM_CHARTOITEM
         message == 0x0037;                         // WM_QUERYDRAGICON
}

constexpr int kBoxCaptionHeight = 24;
constexpr int kBoxButtonWidth = 70;
constexpr int kBoxButtonHeight = 26;

}  // namespace

Lresult Emulator::State::send(Window* w, std::uint32_t message, Wparam wParam, Lparam lParam) {
  if (!w || !w->alive) return 0;
  switch (w->kind) {
    case WindowKind::Dialog:
      return dialogProc(w, message, wParam, lParam);
    case WindowKind::Button:
      return buttonProc(w, message, wParam, lParam);
    case WindowKind::Static:
      return staticProc(w, message, wParam, lParam);
    case WindowKind::MessageBox:
      return boxProc(w, message, wParam, lParam);
    case WindowKind::Program:
      if (w->wndProc) return w->wndProc(w->hwnd(), message, wParam, lParam);
      return self->DefWindowProcW(w->hwnd(), message, wParam, lParam);
    case WindowKind::Foreign:
    case WindowKind::ShellBar:
    case WindowKind::MenuBar:
      return 0;
  }
  return 0;
}

// The dialog class's window procedure: the dialog procedure first, the class's own handling
// when it returns 0.
Lresult Emulator::State::dialogProc(Window* w, std::uint32_t message, Wparam wParam,
                                    Lparam lParam) {
  if (w->dlgProc) {
    ++w->dlgProcDepth;
    const std::intptr_t handled = w->dlgProc(w->hwnd(), message, wParam, lParam);
    --w->dlgProcDepth;
    if (handled != 0) return ReturnsDirectly(message) ? handled : w->dwlMsgResult;
    if (!w->alive) return 0;
  }
  return dialogDefault(w, message, wParam, lParam);
}

Lresult Emulator::State::dialogDefault(Window* w, std::uint32_t message, Wparam wParam,
                                       Lparam lParam) {
  switch (message) {
    case WM_CLOSE:
      self->PostMessageW(w->hwnd(), WM_COMMAND, MakeWparam(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<Lparam>(self->GetDlgItem(w->hwnd(), IDCANCEL)));
      return 0;
    default:
      return self->DefWindowProcW(w->hwnd(), message, wParam, lParam);
  }
}

Lresult Emulator::State::buttonProc(Window* w, std::uint32_t message, Wparam wParam,
                                    Lparam lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the face covers everything
    case WM_PAINT: {
      PaintStruct ps;
      Hdc dc = self->BeginPaint(w->hwnd(), &ps);
      if (dc) {
        Rect r{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
        const bool isDefault = (w->style & 0x0F) == BS_DEFPUSHBUTTON;
        Hbrush frame = gdi.CreateSolidBrush(Rgb(0x40, 0x40, 0x40));
        Hbrush face =
            gdi.CreateSolidBrush(w->pressed ? Rgb(0x80, 0x80, 0x80) : Rgb(0xE0, 0xE0, 0xE0));
        gdi.FillRect(dc, &r, frame);
        const int border = isDefault ? 2 : 1;
        Rect inner{r.left + border, r.top + border, r.right - border, r.bottom - border};
        gdi.FillRect(dc, &inner, face);
        gdi.SetBkMode(dc, TRANSPARENT);
        gdi.SetTextColor(dc, w->pressed ? Rgb(0xFF, 0xFF, 0xFF) : Rgb(0, 0, 0));
        gdi.DrawTextW(dc, w->title.c_str(), -1, &inner, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        gdi.DeleteObject(face);
        gdi.DeleteObject(frame);
      }
      self->EndPaint(w->hwnd(), &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
      setFocus(w);
      if (!w->alive) return 0;
      w->pressed = true;
      capture = w;
      invalidateAll(w, false);
      return 0;
    case WM_LBUTTONUP: {
      if (capture == w) capture = nullptr;
      if (!w->pressed) return 0;
      w->pressed = false;
      invalidateAll(w, false);
      const int x = static_cast<std::int16_t>(LoWord(static_cast<std::uintptr_t>(lParam)));
      const int y = static_cast<std::int16_t>(HiWord(static_cast<std::uintptr_t>(lParam)));
      const bool inside =
          x >= 0 && y >= 0 && x < w->rect.right - w->rect.left && y < w->rect.bottom - w->rect.top;
      if (inside && w->parent) {
        send(w->parent, WM_COMMAND, MakeWparam(static_cast<std::uint16_t>(w->id), BN_CLICKED),
             reinterpret_cast<Lparam>(w->hwnd()));
      }
      return 0;
    }
    case WM_KILLFOCUS:
      if (w->pressed) {
        w->pressed = false;
        invalidateAll(w, false);
      }
      return 0;
    case WM_SETTEXT:
      self->DefWindowProcW(w->hwnd(), message, wParam, lParam);
      invalidateAll(w, false);
      return 1;
    default:
      return self->DefWindowProcW(w->hwnd(), message, wParam, lParam);
  }
}

Lresult Emulator::State::staticProc(Window* w, std::uint32_t message, Wparam wParam,
                                    Lparam lParam) {
  if (message == WM_PAINT) {
    PaintStruct ps;
    Hdc dc = self->BeginPaint(w->hwnd(), &ps);
    if (dc) {
      Rect r{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
      gdi.SetBkMode(dc, TRANSPARENT);
      gdi.SetTextColor(dc, Rgb(0, 0, 0));
      const std::uint32_t align = (w->style & 0x3) == 1 ? DT_CENTER : 0;
      gdi.DrawTextW(dc, w->title.c_str(), -1, &r, align);
    }
    self->EndPaint(w->hwnd(), &ps);
    return 0;
  }
  if (message == WM_SETTEXT) {
    self->DefWindowProcW(w->hwnd(), message, wParam, lParam);
    invalidateAll(w, true);
    return 1;
  }
  return self->DefWindowProcW(w->hwnd(), message, wParam, lParam);
}

Lresult Emulator::State::boxProc(Window* w, std::uint32_t message, Wparam wParam, Lparam lParam) {
  switch (message) {
    case WM_PAINT: {
      PaintStruct ps;
      Hdc dc = self->BeginPaint(w->hwnd(), &ps);
      if (dc) {
        const int width = w->rect.right - w->rect.left;
        const int height = w->rect.bottom - w->rect.top;
        Rect all{0, 0, width, height};
        Rect caption{1, 1, width - 1, kBoxCaptionHeight};
        Rect body{1, kBoxCaptionHeight, width - 1, height - 1};
        Hbrush frame = gdi.CreateSolidBrush(Rgb(0, 0, 0));
        Hbrush bar = gdi.CreateSolidBrush(Rgb(0, 0, 0x80));
        gdi.FillRect(dc, &all, frame);
        gdi.FillRect(dc, &caption, bar);
        gdi.FillRect(dc, &body, gdi.GetStockObject(WHITE_BRUSH));
        gdi.DeleteObject(bar);
        gdi.DeleteObject(frame);
        gdi.SetBkMode(dc, TRANSPARENT);
        gdi.SetTextColor(dc, Rgb(0xFF, 0xFF, 0xFF));
        Rect captionText{caption.left + 6, caption.top, caption.right, caption.bottom};
        gdi.DrawTextW(dc, w->title.c_str(), -1, &captionText, DT_VCENTER | DT_SINGLELINE);
        gdi.SetTextColor(dc, Rgb(0, 0, 0));
        Rect text{body.left + 6, body.top + 8, body.right - 6, height - kBoxButtonHeight - 12};
        gdi.DrawTextW(dc, w->boxText.c_str(), -1, &text, DT_CENTER);
      }
      self->EndPaint(w->hwnd(), &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_COMMAND: {
      const int id = LoWord(wParam);
      if (id == IDCANCEL || (id == IDOK && w->boxHasOk)) {
        if (!w->boxAnswer) w->boxAnswer = id;
      }
      return 0;
    }
    case WM_CLOSE:
      if (!w->boxAnswer) w->boxAnswer = IDCANCEL;
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN && w->boxHasOk && !w->boxAnswer) w->boxAnswer = IDOK;
      if (wParam == VK_ESCAPE && !w->boxAnswer) w->boxAnswer = IDCANCEL;
      return 0;
    default:
      return self->DefWindowProcW(w->hwnd(), message, wParam, lParam);
  }
}

int Emulator::MessageBoxW(Hwnd owner, const Wchar* text, const Wchar* caption, std::uint32_t type) {
  State& s = *s_;
  Window* ownerWindow = s.topLevel(s.live(owner));
  MessageBoxRecord rec;
  rec.tick = s.tick();
  rec.caption = caption ? caption : u"";
  rec.text = text ? text : u"";
  if (s.recording()) s.record.messageBoxes.push_back(rec);
  const std::size_t recordIndex = s.recording() ? s.record.messageBoxes.size() - 1 : SIZE_MAX;

  const int buttons = static_cast<int>(type & 0x0F);
  const bool hasOk = buttons == MB_OK || buttons == MB_OKCANCEL;
  const bool hasCancel = buttons != MB_OK;
  const int width = std::max(120, s.screen.width - 20);
  const int height = 120;
  const int x = (s.screen.width - width) / 2;
  const int y = std::max(0, (s.screen.height - height) / 2);
  Window* box =
      s.newWindow(WindowKind::MessageBox, u"MessageBox", rec.caption, WS_POPUP | WS_CAPTION,
                  WS_EX_TOPMOST, nullptr, ownerWindow, 0, Rect{x, y, x + width, y + height});
  box->topmost = true;
  box->boxHasOk = hasOk;
  box->boxText = rec.text;
  const int count = (hasOk ? 1 : 0) + (hasCancel ? 1 : 0);
  const int gap = 10;
  int bx = (width - (count * kBoxButtonWidth + (count - 1) * gap)) / 2;
  const int by = height - kBoxButtonHeight - 8;
  if (hasOk) {
    CreateWindowExW(0, u"button", u"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, bx,
                    by, kBoxButtonWidth, kBoxButtonHeight, box->hwnd(), IDOK, nullptr, nullptr);
    bx += kBoxButtonWidth + gap;
  }
  if (hasCancel) {
    CreateWindowExW(0, u"button", u"Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP, bx, by,
                    kBoxButtonWidth, kBoxButtonHeight, box->hwnd(), IDCANCEL, nullptr, nullptr);
  }
  s.boxes.push_back(box);
  struct PopBox {
    State& s;
    Window* box;
    ~PopBox() { s.boxes.erase(std::remove(s.boxes.begin(), s.boxes.end(), box), s.boxes.end()); }
  } pop{s, box};

  box->savedFocus = box;
  s.show(box, true);

  bool quit = false;
  int quitCode = 0;
  while (box->alive && !box->boxAnswer) {
    Msg msg;
    if (GetMessageW(&msg, nullptr, 0, 0) == 0) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      break;
    }
    Window* target = s.live(msg.hwnd);
    if (msg.message == WM_KEYDOWN && target && s.isDescendant(target, box) &&
        (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
      s.boxProc(box, WM_KEYDOWN, msg.wParam, msg.lParam);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  const int result = box->alive ? box->boxAnswer.value_or(0) : 0;
  if (box->alive) s.destroy(box);
  if (recordIndex != SIZE_MAX && s.recording() && result != 0) {
    s.record.messageBoxes[recordIndex].answer = result;
  }
  if (quit) PostQuitMessage(quitCode);
  return result;
}

bool Emulator::answerMessageBox(int answer) {
  State& s = *s_;
  for (auto it = s.boxes.rbegin(); it != s.boxes.rend(); ++it) {
    Window* box = *it;
    if (!box->alive || box->boxAnswer) continue;
    if (answer != IDCANCEL && !(answer == IDOK && box->boxHasOk)) return false;
    box->boxAnswer = answer;
    // Wakes the box's loop, which may be waiting for a message.
    s.posted.push_back(Msg{box->hwnd(), WM_NULL, 0, 0, s.tick(), s.lastPointer});
    return true;
  }
  return false;
}

bool Emulator::messageBoxShown() const {
  for (const Window* box : s_->boxes) {
    if (box->alive && !box->boxAnswer) return true;
  }
  return false;
}

}  // namespace emu
