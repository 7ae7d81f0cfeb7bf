#include "vantor/key_table.h"

#include "harness/platform.h"
#include "vantor/test_state.h"

namespace vantor {

void KeyTable::clearKeys() { count_ = 0; }

void KeyTable::addKey(std::uint32_t virtualKey, std::uint32_t scanCode, std::uint32_t pressCount,
                      std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                      const harness::Wchar* label, std::uint32_t matrixCode) {
  if (count_ >= kKeyTableCapacity) return;
  KeyTableEntry& entry = entries_[count_++];
  entry = KeyTableEntry{};
  entry.virtualKey = virtualKey;
  entry.scanCode = scanCode;
  entry.matrixCode = matrixCode;
  entry.pressCount = pressCount;
  entry.left = left;
  entry.top = top;
  entry.width = width;
  entry.height = height;
  if (label == nullptr) return;
  for (std::uint32_t i = 0; i < kLabelTextLimit && label[i] != 0; ++i) entry.label[i] = label[i];
}

std::int32_t KeyTable::findKeyByVirtualKey(std::uint32_t virtualKey, std::uint32_t scanCode) const {
  for (std::uint32_t i = 0; i < count_; ++i) {
    const KeyTableEntry& entry = entries_[i];
    if (entry.virtualKey != virtualKey) continue;
    if (entry.virtualKey == kEnterVirtualKey && scanCode == kKeyboardEnterScanCode &&
        entry.scanCode != kKeyboardEnterScanCode) {
      continue;
    }
    return static_cast<std::int32_t>(i);
  }
  return -1;
}

std::int32_t KeyTable::findKeyByMatrixCode(std::uint32_t scanCode) const {
  for (std::uint32_t i = 0; i < count_; ++i) {
    if (entries_[i].matrixCode == scanCode) return static_cast<std::int32_t>(i);
  }
  return -1;
}

std::uint32_t KeyTable::countKeysPressedOnce() const {
  std::uint32_t once = 0;
  for (std::uint32_t i = 0; i < count_; ++i) {
    if (entries_[i].pressCount == 1) ++once;
  }
  return once;
}

void KeyTable::resetPressCounts() {
  for (std::uint32_t i = 0; i < count_; ++i) entries_[i].pressCount = 0;
  harness::platform().InvalidateRect(testState.dialog, nullptr, 1);
}

harness::Rect KeyTable::keyRect(const KeyTableEntry& entry) {
  return harness::Rect{entry.left, entry.top, entry.left + entry.width, entry.top + entry.height};
}

}  // namespace vantor
