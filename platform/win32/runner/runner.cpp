// The Windows executables' run: options, the backend, the foreign windows, the stop, the log.
#include "platform/win32/runner/runner.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string_view>

#include "harness/wide_text.h"
#include "platform/win32/desktop.h"
#include "platform/win32/win32_platform.h"

#include <shellapi.h>

namespace win32 {

namespace {

// The log file, written line by line so that a stopped run keeps every line written before.
std::FILE* g_log = nullptr;

void WriteLogLine(std::u16string_view line) {
  if (g_log == nullptr) return;
  const std::string bytes = harness::Utf16ToUtf8(line);
  std::fwrite(bytes.data(), 1, bytes.size(), g_log);
  std::fflush(g_log);
}

// --until-ms: a thread timer, so that whatever message loop runs (the program's, a message
// box's) delivers it.
void CALLBACK StopRun(HWND, UINT, UINT_PTR, DWORD) {
  if (g_log != nullptr) std::fflush(g_log);
  std::fflush(stderr);
  ::ExitProcess(kExitStopped);
}

LRESULT CALLBACK ForeignWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(window, message, wParam, lParam);
}

// Another program's top-level window, as the harness would have it on the handset.
bool CreateForeignWindow(const ForeignWindow& window) {
  const HINSTANCE module = ::GetModuleHandleW(nullptr);
  const wchar_t* className = reinterpret_cast<const wchar_t*>(window.className.c_str());
  WNDCLASSW info{};
  if (!::GetClassInfoW(module, className, &info)) {
    info.lpfnWndProc = &ForeignWindowProc;
    info.hInstance = module;
    info.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    info.lpszClassName = className;
    if (::RegisterClassW(&info) == 0) return false;
  }
  return ::CreateWindowExW(0, className, reinterpret_cast<const wchar_t*>(window.title.c_str()),
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 240, 160, nullptr, nullptr,
                           module, nullptr) != nullptr;
}

// The arguments as UTF-8, whatever the desktop's code page (main's argv is in the latter).
std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return args;
  for (int i = 1; i < count; ++i) {
    args.push_back(harness::Utf16ToUtf8(reinterpret_cast<const char16_t*>(wide[i])));
  }
  ::LocalFree(wide);
  return args;
}

}  // namespace

int RunnerMain(int, char**, const ProgramSpec& program) {
  // Debug lines carry their own CR LF: no translation on the way out.
  _setmode(_fileno(stderr), _O_BINARY);
  RunOptions options;
  try {
    options = ParseRunOptions(Arguments(), program);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(UsageText(program).c_str(), stdout);
    return 0;
  }
  for (const ForeignWindow& window : options.foreignWindows) {
    if (!CreateForeignWindow(window)) {
      std::fprintf(stderr, "%s: --foreign-window %s: the window could not be created\n",
                   program.name, harness::Utf16ToUtf8(window.className).c_str());
      return kExitUsage;
    }
  }

  if (!options.logFile.empty()) {
    const std::u16string path = harness::Utf8ToUtf16(options.logFile);
    g_log = ::_wfopen(reinterpret_cast<const wchar_t*>(path.c_str()), L"wb");
    if (g_log == nullptr) {
      std::fprintf(stderr, "%s: --log %s: cannot be written\n", program.name,
                   options.logFile.c_str());
      return kExitUsage;
    }
  } else {
    g_log = stderr;
  }
  Win32Config config;
  config.screenWidth = options.screenWidth;
  config.screenHeight = options.screenHeight;
  config.debugSink = &WriteLogLine;
  Win32Platform backend(config);
  harness::SetPlatform(&backend);
  if (options.untilMs) ::SetTimer(nullptr, 0, *options.untilMs, &StopRun);
  const int exitCode = program.entry(Win32Platform::programInstance(), options.commandLine);
  harness::SetPlatform(nullptr);
  if (g_log != nullptr && g_log != stderr) std::fclose(g_log);
  g_log = nullptr;
  return exitCode;
}

}  // namespace win32
