#include "platform/classlib/application.h"

#include "harness/platform.h"

namespace classlib {

namespace {
Application* g_pApplication = nullptr;
}  // namespace

Application::Application() { g_pApplication = this; }

Application::~Application() {
  if (g_pApplication == this) g_pApplication = nullptr;
}

bool Application::InitInstance() { return true; }

int Application::ExitInstance() { return 0; }

void Application::SetRegistryKey(const harness::Wchar* key) {
  m_registryKey.fill(0);
  if (key == nullptr) return;
  for (std::size_t i = 0; i + 1 < m_registryKey.size() && key[i] != 0; ++i) {
    m_registryKey[i] = key[i];
  }
}

int Application::Run(harness::Hinstance instance) {
  m_hInstance = instance;
  if (!InitInstance()) return ExitInstance();
  harness::Platform& os = harness::platform();
  harness::Msg msg{};
  while (os.GetMessageW(&msg, nullptr, 0, 0) > 0) {
    os.TranslateMessage(&msg);
    os.DispatchMessageW(&msg);
  }
  return ExitInstance();
}

Application* CurrentApplication() { return g_pApplication; }

harness::Hinstance ResourceInstance() {
  return g_pApplication != nullptr ? g_pApplication->GetInstance() : nullptr;
}

}  // namespace classlib
