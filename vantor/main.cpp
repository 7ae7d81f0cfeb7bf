// The vantor executable: the program on the emulated handset, driven by the runner's options.
#include <string>

#include "harness/platform_constants.h"
#include "platform/emu/runner/runner.h"
#include "vantor/test_run.h"
#include "vantor_resources.h"

int main(int argc, char** argv) {
  const emu::ProgramSpec program{
      "vantor", vantorResourceBytes(), true,
      [](harness::Hinstance instance, const std::u16string& commandLine) {
        return vantor::vantorMain(instance, nullptr, commandLine.c_str(), harness::SW_SHOW);
      }};
  return emu::RunnerMain(argc, argv, program);
}
