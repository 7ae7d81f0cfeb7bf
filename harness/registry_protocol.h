// The harness flags: the registry values through which both programs report to the factory
// harness, and the simple-test rule that may start the loopback test after a run.
#pragma once

#include <cstdint>

#include "harness/platform_types.h"

namespace harness {

inline constexpr const Wchar* kLcdTestKey = u"System\\State\\Corvane\\LCDTest";
inline constexpr const Wchar* kLcdTestValue = u"Vantor";
inline constexpr const Wchar* kPlenwickKey = u"System\\State\\Corvane\\Plenwick";
inline constexpr const Wchar* kSimpleTestValue = u"SimpleTest";
inline constexpr const Wchar* kPhoneKey = u"System\\State\\Corvane\\Phone";
inline constexpr const Wchar* kSimInsertedValue = u"FactorySIMInserted";
inline constexpr const Wchar* kFactorySimpleTestValue = u"FactorySimpleTest";
inline constexpr const Wchar* kCountryValue = u"TRV_Country";
inline constexpr const Wchar* kKeypadKey = u"Drivers\\BuiltIn\\keypad";
inline constexpr const Wchar* kKeypadDllValue = u"Dll";
inline constexpr const Wchar* kLoopbackImage = u"\\Windows\\Loopback.exe";
inline constexpr const Wchar* kHarnessWindowClass = u"PLW_APP";

// Creates or opens the key, stores the REG_DWORD, closes the key; true when the value was stored.
bool SetRegistryDword(Hkey root, const Wchar* subKey, const Wchar* valueName, std::uint32_t value);

// A harness flag: a DWORD under HKEY_LOCAL_MACHINE, written create-or-open (SetRegistryDword), so
// it lands even on a handset where the key does not exist yet.
bool SetHarnessFlag(const Wchar* subKey, const Wchar* valueName, std::uint32_t value);

// Starts the loopback test when the phone flags ask for it, consuming a one-time request.
void HandleFactorySimpleTest();

}  // namespace harness
