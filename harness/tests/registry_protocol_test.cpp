#include "harness/registry_protocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/null_platform.h"
#include "harness/platform_constants.h"
#include "harness/wide_text.h"

namespace harness {
namespace {

// Records the raw registry calls, with every argument that the write must get right.
class RegistryCallsPlatform : public NullPlatform {
 public:
  std::int32_t createResult = ERROR_SUCCESS;
  std::int32_t setResult = ERROR_SUCCESS;
  std::vector<std::string> calls;

  RegistryCallsPlatform() { SetPlatform(this); }
  ~RegistryCallsPlatform() override { SetPlatform(nullptr); }

  std::int32_t RegCreateKeyExW(Hkey root, const Wchar* subKey, std::uint32_t reserved,
                               const Wchar* keyClass, std::uint32_t options, std::uint32_t sam,
                               const void* security, Hkey* result, std::uint32_t*) override {
    calls.push_back("create " + std::string(root == RootLocalMachine() ? "HKLM " : "? ") +
                    Utf16ToUtf8(subKey) + " reserved " + std::to_string(reserved) + " class '" +
                    (keyClass ? Utf16ToUtf8(keyClass) : "(null)") + "' options " +
                    std::to_string(options) + " access " + std::to_string(sam) +
                    (security ? " security" : ""));
    if (createResult != ERROR_SUCCESS) return createResult;
    *result = reinterpret_cast<Hkey>(std::uintptr_t{0x4E1});
    return ERROR_SUCCESS;
  }
  std::int32_t RegSetValueExW(Hkey key, const Wchar* valueName, std::uint32_t reserved,
                              std::uint32_t type, const std::uint8_t* data,
                              std::uint32_t size) override {
    std::string bytes;
    for (std::uint32_t i = 0; i < size; ++i) bytes += " " + std::to_string(data[i]);
    calls.push_back("set " + std::to_string(reinterpret_cast<std::uintptr_t>(key)) + " " +
                    Utf16ToUtf8(valueName) + " reserved " + std::to_string(reserved) + " type " +
                    std::to_string(type) + " bytes" + bytes);
    return setResult;
  }
  std::int32_t RegCloseKey(Hkey key) override {
    calls.push_back("close " + std::to_string(reinterpret_cast<std::uintptr_t>(key)));
    return ERROR_SUCCESS;
  }
};

TEST(SetRegistryDword, CreatesOrOpensWritesLittleEndianAndClosesOnEveryOutcome) {
  const std::string create =
      "create HKLM System\\State\\Corvane\\Plenwick reserved 0 class '' options 0 access 131078";
  const std::string set = "set 1249 SimpleTest reserved 0 type 4 bytes 4 3 2 1";
  struct Case {
    const char* name;
    std::int32_t createResult, setResult;
    bool stored;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"stored", ERROR_SUCCESS, ERROR_SUCCESS, true, {create, set, "close 1249"}},
      {"key cannot be created", 5, ERROR_SUCCESS, false, {create}},
      {"value cannot be set", ERROR_SUCCESS, 5, false, {create, set, "close 1249"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegistryCallsPlatform os;
    os.createResult = c.createResult;
    os.setResult = c.setResult;
    EXPECT_EQ(SetRegistryDword(RootLocalMachine(), kPlenwickKey, kSimpleTestValue, 0x01020304u),
              c.stored);
    EXPECT_EQ(os.calls, c.calls);
  }
}

}  // namespace
}  // namespace harness
