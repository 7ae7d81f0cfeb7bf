#include "vantor1/line_test_app.h"

#include "harness/platform.h"
#include "vantor1/line_test_dialog.h"

namespace vantor1 {

namespace {
LineTestApp g_lineTestApp;
}  // namespace

LineTestApp::~LineTestApp() = default;

bool LineTestApp::InitInstance() {
  harness::platform().SHInitExtraControls();
  SetRegistryKey(REGISTRY_KEY_NAME);
  {
    LineTestDialog dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
  }
  // The dialog was the program: no message loop of the application's own.
  return false;
}

int RunLineTestProgram(harness::Hinstance instance) { return g_lineTestApp.Run(instance); }

}  // namespace vantor1
