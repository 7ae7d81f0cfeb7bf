#include "harness/registry_protocol.h"

#include "harness/platform.h"
#include "harness/platform_constants.h"

namespace harness {

bool SetRegistryDword(Hkey root, const Wchar* subKey, const Wchar* valueName, std::uint32_t value) {
  Platform& os = platform();
  Hkey key = nullptr;
  std::uint32_t disposition = 0;
  if (os.RegCreateKeyExW(root, subKey, 0, u"", REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                         &disposition) != ERROR_SUCCESS) {
    return false;
  }
  std::uint8_t data[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                          static_cast<std::uint8_t>(value >> 16),
                          static_cast<std::uint8_t>(value >> 24)};
  const bool stored = os.RegSetValueExW(key, valueName, 0, REG_DWORD, data, 4) == ERROR_SUCCESS;
  os.RegCloseKey(key);
  return stored;
}

bool SetHarnessFlag(const Wchar* subKey, const Wchar* valueName, std::uint32_t value) {
  return SetRegistryDword(RootLocalMachine(), subKey, valueName, value);
}

namespace {
void startLoopbackTest() {
  platform().CreateProcessW(kLoopbackImage, nullptr, nullptr, nullptr, 0, 0, nullptr, nullptr,
                            nullptr, nullptr);
}
}  // namespace

void HandleFactorySimpleTest() {
  Platform& os = platform();
  std::uint32_t simInserted = 0;
  os.RegistryGetDWORD(RootLocalMachine(), kPhoneKey, kSimInsertedValue, &simInserted);
  if (simInserted == 1) {
    startLoopbackTest();
    return;
  }
  std::uint32_t simpleTest = 0;
  os.RegistryGetDWORD(RootLocalMachine(), kPhoneKey, kFactorySimpleTestValue, &simpleTest);
  if (simpleTest != 1) return;
  SetHarnessFlag(kPhoneKey, kFactorySimpleTestValue, 0);
  startLoopbackTest();
}

}  // namespace harness
