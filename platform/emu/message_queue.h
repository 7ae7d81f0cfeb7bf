// Storage of the emulated thread's queues (posted messages, input events): first in, first out,
// in one block that is reused. A program takes what was queued before more is queued, so a run
// allocates only while a queue grows past its longest length so far, never per message.
#pragma once

#include <cstddef>
#include <vector>

namespace emu {

template <typename T>
class Fifo {
 public:
  bool empty() const { return count_ == 0; }
  std::size_t size() const { return count_; }
  // The i-th oldest item.
  T& operator[](std::size_t i) { return items_[(head_ + i) % items_.size()]; }
  const T& operator[](std::size_t i) const { return items_[(head_ + i) % items_.size()]; }

  void push_back(const T& item) {
    if (count_ == items_.size()) grow();
    items_[(head_ + count_) % items_.size()] = item;
    ++count_;
  }
  // Removes the i-th oldest item; the others keep their order.
  void erase(std::size_t i) {
    if (i == 0) {
      head_ = (head_ + 1) % items_.size();
    } else {
      for (std::size_t k = i; k + 1 < count_; ++k) (*this)[k] = (*this)[k + 1];
    }
    --count_;
    if (count_ == 0) head_ = 0;
  }
  void clear() {
    head_ = 0;
    count_ = 0;
  }

 private:
  void grow() {
    std::vector<T> bigger(items_.empty() ? 16 : items_.size() * 2);
    for (std::size_t k = 0; k < count_; ++k) bigger[k] = (*this)[k];
    items_.swap(bigger);
    head_ = 0;
  }

  std::vector<T> items_;  // a ring: count_ items from head_ on, wrapping at the end
  std::size_t head_ = 0;
  std::size_t count_ = 0;
};

}  // namespace emu
