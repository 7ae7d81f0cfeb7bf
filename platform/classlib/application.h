// The application object: one per program, constructed before the program starts. Its
// start-up hook runs once; when it returns false the program ends without a message loop of
// its own (the usual shape for a program that is one modal dialog).
#pragma once

#include <array>

#include "harness/platform_types.h"

namespace classlib {

class Window;

class Application {
 public:
  Application();
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Start-up; true keeps the program running in the application's message loop.
  virtual bool InitInstance();
  // Runs last, whichever way the program ends; its result is the program's exit code.
  virtual int ExitInstance();

  // Records the registry key under which the application would keep its settings. Only the
  // name is kept (cut to fit); nothing is read or written.
  void SetRegistryKey(const harness::Wchar* key);
  const harness::Wchar* GetRegistryKey() const { return m_registryKey.data(); }

  harness::Hinstance GetInstance() const { return m_hInstance; }

  // The program's entry: runs start-up and, if asked for, the message loop.
  int Run(harness::Hinstance instance);

  // The window that stands for the application while it runs.
  Window* m_pMainWnd = nullptr;

 private:
  harness::Hinstance m_hInstance = nullptr;
  std::array<harness::Wchar, 128> m_registryKey{};
};

// The program's application object (null before it is constructed).
Application* CurrentApplication();
// The module whose resources the library loads: the running application's instance.
harness::Hinstance ResourceInstance();

}  // namespace classlib
