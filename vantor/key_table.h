// The key table: one entry per key the operator has to press, in drawing and matching order.
// Fixed capacity and held by value, so building it and every lookup allocate nothing.
#pragma once

#include <cstdint>

#include "harness/platform_types.h"

namespace vantor {

inline constexpr std::uint32_t kKeyTableCapacity = 52;
inline constexpr std::uint32_t kLabelUnits = 100;
// At most this many label units are kept, so the zero-filled field always ends in a terminator.
inline constexpr std::uint32_t kLabelTextLimit = 50;
// The keyboard's own Enter key shares virtual key 13 with the navigation-pad centre.
inline constexpr std::uint32_t kEnterVirtualKey = 13;
inline constexpr std::uint32_t kKeyboardEnterScanCode = 38;

struct KeyTableEntry {
  std::uint32_t virtualKey = 0;
  std::uint32_t scanCode = 0;
  std::uint32_t matrixCode = 0;
  std::uint32_t pressCount = 0;
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  harness::Wchar label[kLabelUnits] = {};
};

class KeyTable {
 public:
  void clearKeys();
  // Appends one entry; a full table ignores further keys.
  void addKey(std::uint32_t virtualKey, std::uint32_t scanCode, std::uint32_t pressCount,
              std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
              const harness::Wchar* label, std::uint32_t matrixCode);
  std::uint32_t keyCount() const { return count_; }
  // index < keyCount(); callers iterate below keyCount or use an index a lookup returned.
  KeyTableEntry& keyAt(std::uint32_t index) { return entries_[index]; }
  const KeyTableEntry& keyAt(std::uint32_t index) const { return entries_[index]; }
  // First entry with this virtual key; for Enter with the keyboard's scan code only the entry
  // carrying that scan code. -1 when none.
  std::int32_t findKeyByVirtualKey(std::uint32_t virtualKey, std::uint32_t scanCode) const;
  // First entry whose matrix code equals the event's scan code (0 is not special). -1 when none.
  std::int32_t findKeyByMatrixCode(std::uint32_t scanCode) const;
  std::uint32_t countKeysPressedOnce() const;
  // Every count back to 0, then the whole test dialog is repainted (also when empty).
  void resetPressCounts();
  static harness::Rect keyRect(const KeyTableEntry& entry);

 private:
  KeyTableEntry entries_[kKeyTableCapacity];
  std::uint32_t count_ = 0;
};

}  // namespace vantor
