// vantor.exe: Vantor on the desktop's window system.
#include "harness/platform_constants.h"
#include "platform/win32/runner/runner.h"
#include "vantor/test_run.h"

int main(int argc, char** argv) {
  const win32::ProgramSpec program{
      "vantor", true, [](harness::Hinstance instance, const std::u16string& commandLine) {
        return vantor::vantorMain(instance, nullptr, commandLine.c_str(), harness::SW_SHOW);
      }};
  return win32::RunnerMain(argc, argv, program);
}
