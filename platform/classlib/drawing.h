// Scoped drawing objects: each takes one platform object when constructed and gives it back
// when it goes out of scope, whatever path the caller leaves by. A bitmap selected into a
// memory surface is deselected (the surface's previous object restored) before the surface is
// deleted.
#pragma once

#include <cstdint>

#include "harness/platform_types.h"

namespace classlib {

// The drawing surface of a window's client area (GetDC / ReleaseDC).
class ClientSurface {
 public:
  explicit ClientSurface(harness::Hwnd window);
  ~ClientSurface();
  ClientSurface(const ClientSurface&) = delete;
  ClientSurface& operator=(const ClientSurface&) = delete;

  harness::Hdc Get() const { return m_hdc; }
  bool IsValid() const { return m_hdc != nullptr; }

 private:
  harness::Hwnd m_hWnd;
  harness::Hdc m_hdc;
};

// A memory surface compatible with another one (CreateCompatibleDC / DeleteDC).
class MemorySurface {
 public:
  explicit MemorySurface(harness::Hdc compatibleWith);
  ~MemorySurface();
  MemorySurface(const MemorySurface&) = delete;
  MemorySurface& operator=(const MemorySurface&) = delete;

  // Selects an object into the surface; the first object it replaced is put back at the end.
  // A null object selects nothing.
  void Select(harness::Hgdiobj object);
  harness::Hdc Get() const { return m_hdc; }
  bool IsValid() const { return m_hdc != nullptr; }

 private:
  harness::Hdc m_hdc;
  harness::Hgdiobj m_original = nullptr;
  bool m_bRecorded = false;
};

// A bitmap loaded from the program's resources by id (LoadBitmapW / DeleteObject).
class ResourceBitmap {
 public:
  ResourceBitmap(harness::Hinstance instance, std::uint16_t id);
  ~ResourceBitmap();
  ResourceBitmap(const ResourceBitmap&) = delete;
  ResourceBitmap& operator=(const ResourceBitmap&) = delete;

  harness::Hbitmap Get() const { return m_hBitmap; }
  bool IsValid() const { return m_hBitmap != nullptr; }

 private:
  harness::Hbitmap m_hBitmap;
};

}  // namespace classlib
