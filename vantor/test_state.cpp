#include "vantor/test_state.h"

namespace vantor {

TestState testState;
harness::KeyHookBinding keyHookBinding;

void resetTestState() {
  testState = TestState{};
  keyHookBinding = harness::KeyHookBinding{};
}

}  // namespace vantor
