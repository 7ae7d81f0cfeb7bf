// One key of the line test: its code, its rectangle on the keypad picture, the id of its
// pressed-key image, and whether it has been marked.
#pragma once

#include <cstdint>

namespace vantor1 {

class KeySlot {
 public:
  KeySlot() = default;

  // Stores the six values in this order; the pressed flag is left as it is.
  void Set(std::int32_t vkCode, std::int32_t x, std::int32_t y, std::int32_t width,
           std::int32_t height, std::int32_t bitmapId);
  std::int32_t GetVkCode() const { return m_vkCode; }
  // Marked keys stay marked for the whole run.
  void SetPressed() { m_bPressed = true; }
  bool IsPressed() const { return m_bPressed; }

  std::int32_t GetX() const { return m_x; }
  std::int32_t GetY() const { return m_y; }
  std::int32_t GetWidth() const { return m_width; }
  std::int32_t GetHeight() const { return m_height; }
  std::int32_t GetBitmapId() const { return m_bitmapId; }

 private:
  std::int32_t m_vkCode = 0;
  std::int32_t m_x = 0;
  std::int32_t m_y = 0;
  std::int32_t m_width = 0;
  std::int32_t m_height = 0;
  std::int32_t m_bitmapId = 0;
  bool m_bPressed = false;
};

}  // namespace vantor1
