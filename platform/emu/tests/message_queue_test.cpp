#include "platform/emu/message_queue.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

namespace emu {
namespace {

// Against a std::deque: the ring wraps, grows while wrapped and loses items from its middle
// without disturbing the order of the rest.
TEST(Fifo, KeepsOrderThroughWrappingGrowthAndRemovalFromTheMiddle) {
  std::mt19937 random(7);
  Fifo<int> fifo;
  std::deque<int> model;
  int next = 0;
  for (int step = 0; step < 5000; ++step) {
    const int action = std::uniform_int_distribution<int>(0, 9)(random);
    if (action < 5 || model.empty()) {
      // Bursts now and then, so the ring grows while its items wrap around the end.
      const int burst = action == 0 ? 20 : 1;
      for (int i = 0; i < burst; ++i) {
        fifo.push_back(next);
        model.push_back(next++);
      }
    } else {
      const std::size_t at =
          action < 8 ? 0 : std::uniform_int_distribution<std::size_t>(0, model.size() - 1)(random);
      fifo.erase(at);
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
    }
    ASSERT_EQ(fifo.size(), model.size());
    for (std::size_t i = 0; i < model.size(); ++i) ASSERT_EQ(fifo[i], model[i]) << step;
  }
  fifo.clear();
  EXPECT_TRUE(fifo.empty());
}

}  // namespace
}  // namespace emu
