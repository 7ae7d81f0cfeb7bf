// vantor1.exe: Vantor1 on the desktop's window system.
#include "platform/win32/runner/runner.h"
#include "vantor1/line_test_app.h"

int main(int argc, char** argv) {
  const win32::ProgramSpec program{"vantor1", false,
                                   [](harness::Hinstance instance, const std::u16string&) {
                                     return vantor1::RunLineTestProgram(instance);
                                   }};
  return win32::RunnerMain(argc, argv, program);
}
