// The line test's application object: its start-up runs the test dialog modally and then ends
// the program.
#pragma once

#include "harness/platform_types.h"
#include "platform/classlib/application.h"

namespace vantor1 {

inline constexpr const harness::Wchar* REGISTRY_KEY_NAME =
    u"Local AppWizard-Generated Applications";

class LineTestApp : public classlib::Application {
 public:
  LineTestApp() = default;
  ~LineTestApp() override;
  bool InitInstance() override;
};

// The program's entry on a platform that is already installed.
int RunLineTestProgram(harness::Hinstance instance);

}  // namespace vantor1
