#include "platform/emu/registry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace emu {
namespace {

namespace fs = std::filesystem;

const std::u16string kPhone = u"HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\Phone";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TempDir {
 public:
  TempDir() {
    path_ = fs::temp_directory_path() /
            ("registry_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  static inline int counter_ = 0;
  fs::path path_;
};

TEST(RegistryTest, RootNames) {
  EXPECT_EQ(Registry::RootName(0x80000002u), u"HKEY_LOCAL_MACHINE");
  EXPECT_EQ(Registry::RootName(0x80000001u), u"HKEY_CURRENT_USER");
  EXPECT_EQ(Registry::RootName(0x80000000u), u"HKEY_CLASSES_ROOT");
  EXPECT_EQ(Registry::RootName(0x80000003u), u"HKEY_USERS");
  EXPECT_EQ(Registry::RootName(0x80000004u), std::nullopt);
  EXPECT_EQ(Registry::RootName(0), std::nullopt);
}

TEST(RegistryTest, KeysAndValuesAreCaseInsensitive) {
  Registry reg;
  ASSERT_TRUE(reg.createKey(kPhone));
  EXPECT_TRUE(reg.keyExists(u"hklm\\SYSTEM\\state\\corvane\\PHONE"));
  EXPECT_TRUE(reg.keyExists(u"HKEY_LOCAL_MACHINE\\System"));
  // Creating again opens the existing key and keeps its first spelling.
  ASSERT_TRUE(reg.createKey(u"HKLM\\SYSTEM\\STATE\\CORVANE\\PHONE\\"));
  ASSERT_TRUE(reg.set(u"HKLM\\system\\state\\corvane\\phone", u"TRV_Country", 11u));
  EXPECT_EQ(reg.get(kPhone, u"trv_country"), RegistryValue(11u));
  ASSERT_TRUE(reg.set(kPhone, u"TRV_COUNTRY", 7u));
  EXPECT_EQ(reg.get(kPhone, u"TRV_Country"), RegistryValue(7u));
  EXPECT_NE(reg.toRegText().find("[HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\Phone]\r\n"
                                 "\"TRV_Country\"=dword:00000007\r\n"),
            std::string::npos)
      << reg.toRegText();
}

TEST(RegistryTest, MissingKeysAndValues) {
  Registry reg;
  EXPECT_FALSE(reg.keyExists(kPhone));
  EXPECT_FALSE(reg.set(kPhone, u"TRV_Country", 1u)) << "set must not create the key";
  EXPECT_FALSE(reg.keyExists(kPhone));
  EXPECT_EQ(reg.get(kPhone, u"TRV_Country"), std::nullopt);
  ASSERT_TRUE(reg.createKey(kPhone));
  EXPECT_EQ(reg.get(kPhone, u"TRV_Country"), std::nullopt);
  // No valid root: nothing can be created.
  EXPECT_FALSE(reg.createKey(u"HKEY_NOWHERE\\System"));
  EXPECT_FALSE(reg.createKey(u""));
  EXPECT_FALSE(reg.keyExists(u"System\\State"));
  // The .reg text cannot hold a line break; such a string is refused, not stored half.
  EXPECT_FALSE(reg.set(kPhone, u"Dll", std::u16string(u"a\r\nb")));
  EXPECT_EQ(reg.get(kPhone, u"Dll"), std::nullopt);
}

TEST(RegistryTest, WriteObserverSeesProgramWritesOnly) {
  Registry reg;
  std::vector<std::pair<std::u16string, std::u16string>> seen;
  reg.setWriteObserver([&](const std::u16string& path, const std::u16string& name,
                           const RegistryValue&) { seen.emplace_back(path, name); });
  reg.mergeText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\System\\State\\Corvane\\Phone]\n\"A\"=dword:1\n",
                "p.reg");
  EXPECT_TRUE(seen.empty());
  ASSERT_TRUE(reg.set(u"hklm\\system\\STATE\\corvane\\phone", u"A", 2u));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].first, kPhone);
  EXPECT_EQ(seen[0].second, u"A");
  EXPECT_FALSE(reg.set(u"HKLM\\Missing", u"A", 2u));
  EXPECT_EQ(seen.size(), 1u);
}

struct ParseCase {
  const char* name;
  std::string text;
  int errorLine;  // 0: parses
};

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n";

TEST(RegistryTest, ParseCases) {
  const std::vector<ParseCase> cases = {
      {"minimal 5.00", kHeader, 0},
      {"REGEDIT4", "REGEDIT4\n\n[HKEY_USERS\\X]\n", 0},
      {"comments and blanks", kHeader + "; c\r\n\r\n[HKLM\\A]\r\n  ; indented\r\n\"v\"=\"x\"\r\n",
       0},
      {"default value", kHeader + "[HKLM\\A]\r\n@=\"d\"\r\n", 0},
      {"escapes", kHeader + "[HKLM\\A]\r\n\"n\\\"q\"=\"a\\\\b\\\"c\"\r\n", 0},
      {"delete value and key", kHeader + "[HKLM\\A]\r\n\"v\"=-\r\n[-HKLM\\B]\r\n", 0},
      {"empty file", "", 1},
      {"bad header", "Windows Registry Editor Version 4.00\r\n", 1},
      {"header not first", "\r\n" + kHeader, 1},
      {"value before section", kHeader + "\r\n\"v\"=dword:1\r\n", 3},
      {"unknown type", kHeader + "[HKLM\\A]\r\n\"v\"=qword:01,02\r\n", 3},
      {"bad dword digits", kHeader + "[HKLM\\A]\r\n\"v\"=dword:0000000g\r\n", 3},
      {"dword too long", kHeader + "[HKLM\\A]\r\n\"v\"=dword:100000000\r\n", 3},
      {"empty dword", kHeader + "[HKLM\\A]\r\n\"v\"=dword:\r\n", 3},
      {"unterminated string", kHeader + "[HKLM\\A]\r\n\n\"v\"=\"abc\r\n", 4},
      {"unterminated name", kHeader + "[HKLM\\A]\r\n\"v=1\r\n", 3},
      {"unknown escape", kHeader + "[HKLM\\A]\r\n\"v\"=\"a\\nb\"\r\n", 3},
      {"text after value", kHeader + "[HKLM\\A]\r\n\"v\"=\"a\" x\r\n", 3},
      {"missing equals", kHeader + "[HKLM\\A]\r\n\"v\" dword:1\r\n", 3},
      {"unterminated section", kHeader + "[HKLM\\A\r\n", 2},
      {"unknown root", kHeader + "[HKEY_ELSEWHERE\\A]\r\n", 2},
      {"delete root", kHeader + "[-HKEY_LOCAL_MACHINE]\r\n", 2},
      {"stray line", kHeader + "[HKLM\\A]\r\nv=1\r\n", 3},
      {"value in deleted section", kHeader + "[-HKLM\\A]\r\n\"v\"=dword:1\r\n", 3},
      {"UTF-16 big endian", std::string("\xFE\xFF\0W", 4), 1},
      {"UTF-8 letters", kHeader + "[HKLM\\A]\r\n\"v\"=\"\xC3\x9F\xD0\x99\xE2\x86\x90\"\r\n", 0},
      {"Latin-1 letter",
       kHeader + "[HKLM\\A]\r\n\"v\"=\"Stra\xDF"
                 "e\"\r\n",
       3},
      {"overlong slash", kHeader + "[HKLM\\A\xC0\xAF]\r\n", 2},
      {"UTF-8 surrogate", kHeader + "\r\n[HKLM\\A\xED\xA0\x80]\r\n", 3},
      {"cut short at the end", kHeader + "[HKLM\\A]\r\n; \xE2\x86", 3},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    Registry reg;
    reg.mergeText(kHeader + "[HKLM\\Keep]\r\n\"k\"=dword:00000005\r\n", "base.reg");
    const std::string before = reg.toRegText();
    if (c.errorLine == 0) {
      EXPECT_NO_THROW(reg.mergeText(c.text, "case.reg"));
      continue;
    }
    try {
      reg.mergeText(c.text, "case.reg");
      ADD_FAILURE() << "no error";
    } catch (const RegFileError& e) {
      EXPECT_EQ(e.file(), "case.reg");
      EXPECT_EQ(e.line(), c.errorLine) << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("case.reg:" + std::to_string(c.errorLine) + ": ", 0),
                0u)
          << e.what();
    }
    EXPECT_EQ(reg.toRegText(), before) << "a bad file merges nothing";
  }
}

TEST(RegistryTest, ParsedContent) {
  Registry reg;
  reg.mergeText(kHeader +
                    "[HKLM\\A]\r\n\"gone\"=dword:1\r\n\"s\"=\"a\\\\b\\\"c\"\r\n@=\"def\"\r\n"
                    "\"d\"=DWORD:FFFFFFFF\r\n[HKLM\\A\\Sub]\r\n[HKLM\\B\\C]\r\n\"x\"=dword:2\r\n"
                    "[HKLM\\A]\r\n\"gone\"=-\r\n[-hklm\\b]\r\n",
                "t.reg");
  EXPECT_EQ(reg.get(u"HKLM\\A", u"s"), RegistryValue(std::u16string(u"a\\b\"c")));
  EXPECT_EQ(reg.get(u"HKLM\\A", u""), RegistryValue(std::u16string(u"def")));
  EXPECT_EQ(reg.get(u"HKLM\\A", u"d"), RegistryValue(0xFFFFFFFFu));
  EXPECT_EQ(reg.get(u"HKLM\\A", u"gone"), std::nullopt);
  EXPECT_TRUE(reg.keyExists(u"HKLM\\A\\Sub"));
  EXPECT_FALSE(reg.keyExists(u"HKLM\\B"));
  EXPECT_FALSE(reg.keyExists(u"HKLM\\B\\C"));
}

TEST(RegistryTest, Encodings) {
  const std::string body = "[HKLM\\A]\r\n\"s\"=\"Gr\xC3\xBC\xC3\x9F\"\r\n";
  const std::u16string expected = u"Gr\u00FC\u00DF";
  // UTF-8 with BOM.
  {
    Registry reg;
    reg.mergeText("\xEF\xBB\xBF" + kHeader + body, "bom.reg");
    EXPECT_EQ(reg.get(u"HKLM\\A", u"s"), RegistryValue(expected));
  }
  // UTF-16LE with BOM.
  {
    std::u16string text = u"\uFEFFWindows Registry Editor Version 5.00\r\n[HKLM\\A]\r\n\"s\"=\"" +
                          expected + u"\"\r\n";
    std::string bytes;
    for (char16_t c : text) {
      bytes += static_cast<char>(c & 0xFF);
      bytes += static_cast<char>(c >> 8);
    }
    Registry reg;
    reg.mergeText(bytes, "utf16.reg");
    EXPECT_EQ(reg.get(u"HKLM\\A", u"s"), RegistryValue(expected));
    EXPECT_THROW(reg.mergeText(bytes.substr(0, bytes.size() - 1), "odd.reg"), RegFileError);
  }
}

TEST(RegistryTest, RoundTrip) {
  Registry reg;
  ASSERT_TRUE(reg.createKey(u"HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\keypad"));
  ASSERT_TRUE(
      reg.set(u"HKLM\\Drivers\\BuiltIn\\keypad", u"Dll", std::u16string(u"keypad_QUARN_0407.Dll")));
  ASSERT_TRUE(reg.createKey(kPhone));
  ASSERT_TRUE(reg.set(kPhone, u"TRV_Country", 0x0Bu));
  ASSERT_TRUE(reg.set(kPhone, u"", std::u16string(u"q\"uo\\te \u00E9")));
  ASSERT_TRUE(reg.createKey(u"HKCU\\Empty\\Key"));
  ASSERT_TRUE(reg.createKey(u"HKEY_USERS\\Default"));
  ASSERT_TRUE(reg.set(u"HKEY_USERS", u"RootValue", 3u));
  const std::string text = reg.toRegText();
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u);
  EXPECT_EQ(text.find("\xEF\xBB\xBF"), std::string::npos);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
    }
  }
  Registry copy;
  copy.mergeText(text, "copy.reg");
  EXPECT_EQ(copy.toRegText(), text);
  EXPECT_EQ(copy.get(kPhone, u""), reg.get(kPhone, u""));
  EXPECT_TRUE(copy.keyExists(u"HKCU\\Empty\\Key"));
}

TEST(RegistryTest, AttachedFileIsRewrittenAtomically) {
  TempDir dir;
  const fs::path file = dir.path() / "device.reg";
  Registry reg;
  ASSERT_TRUE(reg.createKey(kPhone));
  reg.attachFile(file.string());
  EXPECT_EQ(ReadFile(file), reg.toRegText());

  // Every change lands in the file; no temporary file stays behind.
  ASSERT_TRUE(reg.set(kPhone, u"FactorySimpleTest", 0u));
  EXPECT_EQ(ReadFile(file), reg.toRegText());
  ASSERT_TRUE(reg.createKey(u"HKLM\\System\\State\\Corvane\\LCDTest"));
  EXPECT_EQ(ReadFile(file), reg.toRegText());
  EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
  Registry reread;
  reread.mergeFile(file.string());
  EXPECT_EQ(reread.toRegText(), reg.toRegText());

  // A rewrite that cannot be made leaves the old complete file and keeps the change in memory.
  const std::string old = ReadFile(file);
  fs::create_directory(file.string() + ".tmp");  // blocks the temporary file
  testing::internal::CaptureStderr();
  EXPECT_TRUE(reg.set(kPhone, u"FactorySimpleTest", 1u));
  EXPECT_TRUE(reg.set(kPhone, u"FactorySimpleTest", 2u));
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ReadFile(file), old);
  EXPECT_EQ(reg.get(kPhone, u"FactorySimpleTest"), RegistryValue(2u));
  EXPECT_NE(errors.find("device.reg.tmp"), std::string::npos) << errors;
  EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "reported once: " << errors;
  EXPECT_NE(reg.fileProblem().find("device.reg.tmp"), std::string::npos) << reg.fileProblem();

  // Once writing works again the file catches up.
  fs::remove(file.string() + ".tmp");
  ASSERT_TRUE(reg.set(kPhone, u"FactorySimpleTest", 3u));
  EXPECT_EQ(ReadFile(file), reg.toRegText());
  EXPECT_EQ(reg.fileProblem(), "");

  // A bad merge changes neither the registry nor the file.
  const std::string good = ReadFile(file);
  EXPECT_THROW(reg.mergeText(kHeader + "[HKLM\\New]\r\n\"v\"=qword:00\r\n", "bad.reg"),
               RegFileError);
  EXPECT_EQ(ReadFile(file), good);
  EXPECT_FALSE(reg.keyExists(u"HKLM\\New"));
}

TEST(RegistryTest, AttachFileFailsOnlyOnItsFirstWrite) {
  TempDir dir;
  Registry reg;
  EXPECT_THROW(reg.attachFile((dir.path() / "missing" / "device.reg").string()),
               std::runtime_error);
  EXPECT_FALSE(fs::exists(dir.path() / "missing"));
  // Unattached, the registry keeps working in memory.
  EXPECT_TRUE(reg.createKey(kPhone));
}

TEST(RegistryTest, MergeFileErrors) {
  TempDir dir;
  Registry reg;
  EXPECT_THROW(reg.mergeFile((dir.path() / "absent.reg").string()), RegFileError);
  const fs::path file = dir.path() / "p.reg";
  std::ofstream(file, std::ios::binary) << kHeader << "[HKLM\\A]\r\n\"v\"=dword:zz\r\n";
  try {
    reg.mergeFile(file.string());
    ADD_FAILURE() << "no error";
  } catch (const RegFileError& e) {
    EXPECT_EQ(e.file(), file.string());
    EXPECT_EQ(e.line(), 3);
  }
}

}  // namespace
}  // namespace emu

namespace emu {
namespace {

// The device profiles shipped in profiles/ parse and say what their names promise.
TEST(RegistryTest, DeviceProfiles) {
  const fs::path dir = fs::path(EMU_TEST_DATA_DIR) / ".." / ".." / ".." / ".." / "profiles";
  const std::u16string keypad = u"HKLM\\Drivers\\BuiltIn\\keypad";
  struct Profile {
    const char* file;
    std::uint32_t country;
    const char16_t* dll;  // null: no value
  };
  const Profile profiles[] = {
      {"german.reg", 11, u"keypad_QUARN_0407.Dll"},
      {"russian.reg", 44, u"keypad_QUARN_0419.Dll"},
      {"spanish.reg", 27, u"keypad_QUARN_0C0A.Dll"},
      {"norwegian.reg", 22, u"keypad_QUARN_0414.Dll"},
      {"french.reg", 10, u"keypad_QUARN_040C.Dll"},
      {"no-driver.reg", 0, nullptr},
  };
  for (const Profile& p : profiles) {
    SCOPED_TRACE(p.file);
    Registry reg;
    // A driver name from an earlier profile must not survive the no-driver one.
    reg.mergeText("REGEDIT4\n[HKLM\\Drivers\\BuiltIn\\keypad]\n\"Dll\"=\"old.Dll\"\n", "old.reg");
    ASSERT_NO_THROW(reg.mergeFile((dir / p.file).string()));
    EXPECT_EQ(reg.get(kPhone, u"TRV_Country"), RegistryValue(p.country));
    EXPECT_EQ(reg.get(kPhone, u"FactorySIMInserted"), RegistryValue(0u));
    EXPECT_EQ(reg.get(kPhone, u"FactorySimpleTest"), RegistryValue(0u));
    if (p.dll) {
      EXPECT_EQ(reg.get(keypad, u"Dll"), RegistryValue(std::u16string(p.dll)));
    } else {
      EXPECT_EQ(reg.get(keypad, u"Dll"), std::nullopt);
    }
  }
}

}  // namespace
}  // namespace emu
