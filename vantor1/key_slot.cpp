#include "vantor1/key_slot.h"

namespace vantor1 {

void KeySlot::Set(std::int32_t vkCode, std::int32_t x, std::int32_t y, std::int32_t width,
                  std::int32_t height, std::int32_t bitmapId) {
  m_vkCode = vkCode;
  m_x = x;
  m_y = y;
  m_width = width;
  m_height = height;
  m_bitmapId = bitmapId;
}

}  // namespace vantor1
