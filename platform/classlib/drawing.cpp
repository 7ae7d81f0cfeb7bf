#include "platform/classlib/drawing.h"

#include "harness/platform.h"

namespace classlib {

ClientSurface::ClientSurface(harness::Hwnd window)
    : m_hWnd(window), m_hdc(window != nullptr ? harness::platform().GetDC(window) : nullptr) {}

ClientSurface::~ClientSurface() {
  if (m_hdc != nullptr) harness::platform().ReleaseDC(m_hWnd, m_hdc);
}

MemorySurface::MemorySurface(harness::Hdc compatibleWith)
    : m_hdc(harness::platform().CreateCompatibleDC(compatibleWith)) {}

MemorySurface::~MemorySurface() {
  if (m_hdc == nullptr) return;
  harness::Platform& os = harness::platform();
  if (m_bRecorded && m_original != nullptr) os.SelectObject(m_hdc, m_original);
  os.DeleteDC(m_hdc);
}

void MemorySurface::Select(harness::Hgdiobj object) {
  if (m_hdc == nullptr || object == nullptr) return;
  const harness::Hgdiobj previous = harness::platform().SelectObject(m_hdc, object);
  if (!m_bRecorded) {
    m_original = previous;
    m_bRecorded = true;
  }
}

ResourceBitmap::ResourceBitmap(harness::Hinstance instance, std::uint16_t id)
    : m_hBitmap(harness::platform().LoadBitmapW(instance, harness::MakeIntResource(id))) {}

ResourceBitmap::~ResourceBitmap() {
  if (m_hBitmap != nullptr) harness::platform().DeleteObject(m_hBitmap);
}

}  // namespace classlib
