// Vantor1 on the emulated handset: the runner sets up the device, runs the program and reports.
#include "platform/emu/runner/runner.h"
#include "vantor1/line_test_app.h"
#include "vantor1_resources.h"

int main(int argc, char** argv) {
  const emu::ProgramSpec program{"vantor1", vantor1ResourceBytes(), false,
                                 [](harness::Hinstance instance, const std::u16string&) {
                                   return vantor1::RunLineTestProgram(instance);
                                 }};
  return emu::RunnerMain(argc, argv, program);
}
