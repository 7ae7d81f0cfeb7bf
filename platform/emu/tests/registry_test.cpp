#include "platform/emu/registry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "harness/platform_types.h"
#include "harness/wide_text.h"
#include "platform/emu/emulator.h"

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

std::string Repeat(const std::string& piece, std::size_t count) {
  std::string out;
  out.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i) out += piece;
  return out;
}

// UTF-16LE bytes with the BOM.
std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

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
      // What a registry editor writes.
      {"binary", kHeader + "[HKCU\\D]\r\n\"UserPreferencesMask\"=hex:30,00,02,80,10,00\r\n", 0},
      {"every hex type",
       kHeader +
           "[HKLM\\A]\r\n\"0\"=hex(0):\r\n\"1\"=hex(1):41,00,00,00\r\n\"2\"=hex(2):25,00,00,00\r\n"
           "\"3\"=hex(3):ff\r\n\"4\"=hex(4):01,00,00,00\r\n\"5\"=hex(5):00,00,00,01\r\n"
           "\"6\"=hex(6):41,00\r\n\"7\"=hex(7):41,00,00,00,00,00\r\n\"8\"=hex(8):00\r\n"
           "\"9\"=hex(9):00\r\n\"a\"=hex(a):00\r\n\"b\"=hex(B):01,02,03,04,05,06,07,08\r\n",
       0},
      {"continuations", kHeader + "[HKLM\\A]\r\n\"v\"=hex:01,02,\\\r\n  03,04,\\\r\n  05\r\n", 0},
      {"LF only", "Windows Registry Editor Version 5.00\n[HKLM\\A]\n@=hex:01,\\\n  02\n", 0},
      {"continuation at the end", kHeader + "[HKLM\\A]\r\n\"v\"=hex:01,02,\\\r\n", 3},
      {"bad byte on a continued line", kHeader + "[HKLM\\A]\r\n\"v\"=hex:01,\\\r\n  0g\r\n", 4},
      {"byte of three digits", kHeader + "[HKLM\\A]\r\n\"v\"=hex:100\r\n", 3},
      {"empty byte", kHeader + "[HKLM\\A]\r\n\"v\"=hex:01,,02\r\n", 3},
      {"comma at the end", kHeader + "[HKLM\\A]\r\n\"v\"=hex:01,\r\n", 3},
      {"bad hex type", kHeader + "[HKLM\\A]\r\n\"v\"=hex(g):00\r\n", 3},
      {"empty hex type", kHeader + "[HKLM\\A]\r\n\"v\"=hex():00\r\n", 3},
      {"hex type too long", kHeader + "[HKLM\\A]\r\n\"v\"=hex(100000000):00\r\n", 3},
      {"REGEDIT4 in Windows-1252",
       "REGEDIT4\r\n[HKLM\\A]\r\n\"Stra\xDF"
       "e\"=\"\x80 5\"\r\n",
       0},
      {"UTF-16 lone surrogate",
       Utf16File(u"Windows Registry Editor Version 5.00\r\n"
                 u"[HKLM\\A]\r\n\"v\"=\"\xD800\"\r\n"),
       3},
      // The platform's limits.
      {"key name of 255", kHeader + "[HKLM\\" + std::string(255, 'k') + "]\r\n", 0},
      {"key name of 256", kHeader + "\r\n[HKLM\\" + std::string(256, 'k') + "]\r\n", 3},
      {"depth 512", kHeader + "[HKLM" + Repeat("\\k", 512) + "]\r\n", 0},
      {"depth 513", kHeader + "[HKLM" + Repeat("\\k", 513) + "]\r\n", 2},
      {"depth 300000", kHeader + "[HKLM\\A]\r\n[HKLM" + Repeat("\\k", 300000) + "]\r\n", 3},
      {"deleting depth 300000", kHeader + "[-HKLM" + Repeat("\\k", 300000) + "]\r\n", 2},
      {"value name of 16383",
       kHeader + "[HKLM\\A]\r\n\"" + std::string(16383, 'n') + "\"=dword:1\r\n", 0},
      {"value name of 16384",
       kHeader + "[HKLM\\A]\r\n\"" + std::string(16384, 'n') + "\"=dword:1\r\n", 3},
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

using Bytes = std::vector<std::uint8_t>;

TEST(RegistryTest, ValuesKeepTheirTypeAndBytes) {
  Registry reg;
  reg.mergeText(kHeader +
                    "[HKCU\\Control Panel\\Desktop]\r\n"
                    "\"UserPreferencesMask\"=hex:30,00,02,80,\\\r\n  10,00,00,00\r\n"
                    "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                    "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                    "\"Big\"=hex(b):08,07,06,05,04,03,02,01\r\n"
                    "\"Dword\"=hex(4):2a,00,00,00\r\n"
                    "\"Short\"=hex(4):2a,00\r\n"
                    "\"BigEndian\"=hex(5):00,00,00,2a\r\n"
                    "\"Text\"=\"ab\"\r\n"
                    "\"HexText\"=hex(1):61,00,62,00,00,00,63,00\r\n"
                    "\"None\"=hex(0):\r\n"
                    "\"Huge\"=hex(ffffffff):01\r\n",
                "t.reg");
  const std::u16string key = u"HKCU\\Control Panel\\Desktop";
  const std::vector<std::pair<std::u16string, RegistryData>> expected = {
      {u"UserPreferencesMask", {kRegBinary, {0x30, 0, 2, 0x80, 0x10, 0, 0, 0}}},
      {u"Path", {kRegExpandString, {0x25, 0, 0x41, 0, 0x25, 0, 0, 0}}},
      {u"Multi", {kRegMultiString, {0x61, 0, 0, 0, 0x62, 0, 0, 0, 0, 0}}},
      {u"Big", {11, {8, 7, 6, 5, 4, 3, 2, 1}}},
      {u"Dword", {kRegDword, {0x2a, 0, 0, 0}}},
      {u"Short", {kRegDword, {0x2a, 0}}},
      {u"BigEndian", {5, {0, 0, 0, 0x2a}}},
      {u"Text", {kRegString, {0x61, 0, 0x62, 0, 0, 0}}},
      {u"HexText", {kRegString, {0x61, 0, 0x62, 0, 0, 0, 0x63, 0}}},
      {u"None", {0, {}}},
      {u"Huge", {0xFFFFFFFFu, {1}}},
  };
  for (const auto& [name, data] : expected) {
    SCOPED_TRACE(harness::Utf16ToUtf8(name));
    EXPECT_EQ(reg.getData(key, name), data);
  }
  // The programs see a DWORD of four bytes and a string up to its first null; any other value
  // is not there for them.
  EXPECT_EQ(reg.get(key, u"Dword"), RegistryValue(42u));
  EXPECT_EQ(reg.get(key, u"HexText"), RegistryValue(std::u16string(u"ab")));
  for (const char16_t* other : {u"UserPreferencesMask", u"Path", u"Multi", u"Big", u"Short",
                                u"BigEndian", u"None", u"Huge"}) {
    EXPECT_EQ(reg.get(key, other), std::nullopt) << harness::Utf16ToUtf8(other);
  }
  // A program's write replaces the type along with the data.
  ASSERT_TRUE(reg.set(key, u"UserPreferencesMask", 7u));
  EXPECT_EQ(reg.getData(key, u"UserPreferencesMask"), (RegistryData{kRegDword, {7, 0, 0, 0}}));
  ASSERT_TRUE(reg.set(key, u"Big", std::u16string(u"x")));
  EXPECT_EQ(reg.getData(key, u"Big"), (RegistryData{kRegString, {0x78, 0, 0, 0}}));
}

// A DWORD read of a value stored with another type fails and leaves the destination alone.
TEST(RegistryTest, ProgramReadOfAnotherTypeFails) {
  DeviceConfig config;
  Emulator emu(config);
  emu.registry().mergeText(kHeader +
                               "[HKLM\\System\\State\\Corvane\\Phone]\r\n"
                               "\"TRV_Country\"=hex:0b,00,00,00\r\n"
                               "\"Wide\"=hex(b):0b,00,00,00,00,00,00,00\r\n"
                               "[HKLM\\Drivers\\BuiltIn\\keypad]\r\n"
                               "\"Dll\"=hex(2):41,00,00,00\r\n",
                           "p.reg");
  emu.run([&] {
    for (const char16_t* name : {u"TRV_Country", u"Wide"}) {
      std::uint32_t value = 77;
      EXPECT_NE(emu.RegistryGetDWORD(harness::RootLocalMachine(), u"System\\State\\Corvane\\Phone",
                                     name, &value),
                0);
      EXPECT_EQ(value, 77u);
    }
    harness::Wchar buffer[8] = u"keep";
    EXPECT_NE(emu.RegistryGetString(harness::RootLocalMachine(), u"Drivers\\BuiltIn\\keypad",
                                    u"Dll", buffer, 8),
              0);
    EXPECT_EQ(std::u16string(buffer), u"keep");
    return 0;
  });
}

TEST(RegistryTest, DeletionsAndREGEDIT4Text) {
  Registry reg;
  reg.mergeText(
      kHeader + "[HKLM\\A\\B\\C]\r\n\"v\"=dword:1\r\n[HKLM\\A]\r\n\"x\"=\"1\"\r\n\"y\"=\"2\"\r\n",
      "base.reg");
  reg.mergeText(
      "REGEDIT4\n\n[-HKEY_LOCAL_MACHINE\\a\\b]\n[-HKLM\\Not\\There]\n[hklm\\a]\n\"X\"=-\n@=-\n"
      "\"S\"=\"Stra\xDF"
      "e \x80\"\n\"E\"=hex(2):25,41,E9,25,00\n\"M\"=hex(7):61,00,62,00,00\n"
      "\"B\"=hex:E9,00\n",
      "ansi.reg");
  EXPECT_FALSE(reg.keyExists(u"HKLM\\A\\B"));
  EXPECT_TRUE(reg.keyExists(u"HKLM\\A"));
  EXPECT_EQ(reg.getData(u"HKLM\\A", u"x"), std::nullopt);
  EXPECT_EQ(reg.get(u"HKLM\\A", u"y"), RegistryValue(std::u16string(u"2")));
  // Windows-1252 text; the string types' hex data become UTF-16LE, binary data stays as it is.
  EXPECT_EQ(reg.get(u"HKLM\\A", u"S"), RegistryValue(std::u16string(u"Stra\u00DFe \u20AC")));
  EXPECT_EQ(reg.getData(u"HKLM\\A", u"E"),
            (RegistryData{kRegExpandString, {0x25, 0, 0x41, 0, 0xE9, 0, 0x25, 0, 0, 0}}));
  EXPECT_EQ(reg.getData(u"HKLM\\A", u"M"),
            (RegistryData{kRegMultiString, {0x61, 0, 0, 0, 0x62, 0, 0, 0, 0, 0}}));
  EXPECT_EQ(reg.getData(u"HKLM\\A", u"B"), (RegistryData{kRegBinary, {0xE9, 0}}));
}

// How a value is written back: the plain forms where they hold the data exactly, hex otherwise.
TEST(RegistryTest, WrittenForms) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"\"a\"=dword:0000002A", "\"a\"=dword:0000002a"},
      {"\"a\"=hex(4):01,00,00,00", "\"a\"=dword:00000001"},
      {"\"a\"=hex(4):01,00", "\"a\"=hex(4):01,00"},
      {"\"a\"=hex(1):41,00,00,00", "\"a\"=\"A\""},
      {"\"a\"=hex(1):00,00", "\"a\"=\"\""},
      {"\"a\"=hex(1):41,00", "\"a\"=hex(1):41,00"},
      {"\"a\"=hex(1):41,00,0a,00,00,00", "\"a\"=hex(1):41,00,0a,00,00,00"},
      {"\"a\"=hex(1):41,00,00,00,00,00", "\"a\"=hex(1):41,00,00,00,00,00"},
      {"\"a\"=hex(1):41,00,00,00,00", "\"a\"=hex(1):41,00,00,00,00"},
      {"\"a\"=hex(1):00,d8,00,00", "\"a\"=hex(1):00,d8,00,00"},
      {"\"a\"=hex(3):ff", "\"a\"=hex:ff"},
      {"\"a\"=hex(0):", "\"a\"=hex(0):"},
      {"\"a\"=hex:", "\"a\"=hex:"},
      {"\"a\"=hex(B):01", "\"a\"=hex(b):01"},
      {"\"a\"=hex(10):01", "\"a\"=hex(10):01"},
      {"\"a\"=hex(FFFFFFFF):01", "\"a\"=hex(ffffffff):01"},
      {"@=\"q\\\"\\\\\"", "@=\"q\\\"\\\\\""},
      {"\"a\"=hex:" + Repeat("01,", 40) + "02",
       "\"a\"=hex:" + Repeat("01,", 23) + "\\\r\n  " + Repeat("01,", 17) + "02"},
  };
  for (const auto& [input, written] : cases) {
    SCOPED_TRACE(input);
    Registry reg;
    reg.mergeText(kHeader + "[HKLM\\A]\r\n" + input + "\r\n", "in.reg");
    const std::string text = reg.toRegText();
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\A]\r\n" + written + "\r\n\r\n"), std::string::npos)
        << text;
    Registry copy;
    copy.mergeText(text, "copy.reg");
    EXPECT_EQ(copy.listing(), reg.listing());
  }
}

// A bad line is quoted short and printable whatever it holds, in every message that quotes it.
TEST(RegistryTest, ErrorsQuoteTheBadLineShort) {
  const std::string huge(2'000'000, 'x');
  const std::string nul("a\0b", 3);
  const std::vector<std::string> lines = {
      huge,
      "[HKEY_NOWHERE\\" + huge + "]",
      "[HKLM\\" + huge + "]",
      "\"v\"=" + huge,
      "\"v\"=" + huge + ":00",
      "\"v\"=dword:" + huge,
      "\"v\"=hex:" + huge,
      "\"" + std::string(20000, 'n') + "\"=dword:1",
      nul + huge,
      "\"v\"=hex:" + nul,
      "\"v\"=\"\\" + std::string(1, '\0') + "\"",
      "\"v\"=hex(" + nul + "):00",
  };
  for (const std::string& line : lines) {
    SCOPED_TRACE(line.substr(0, 40));
    Registry reg;
    try {
      reg.mergeText(kHeader + "[HKLM\\A]\r\n" + line + "\r\n", "q.reg");
      ADD_FAILURE() << "no error";
    } catch (const RegFileError& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind("q.reg:", 0), 0u) << what;
      EXPECT_LT(what.size(), 200u) << what;
      for (char c : what) ASSERT_TRUE(c >= 0x20 && c < 0x7F) << what;
      if (line.size() > 1000) {
        EXPECT_NE(what.find("..."), std::string::npos) << what;
      }
      if (line.find('\0') != std::string::npos) {
        EXPECT_NE(what.find("\\x00"), std::string::npos) << what;
      }
    }
  }
}

TEST(RegistryTest, ProgramCallsKeepThePlatformLimits) {
  Registry reg;
  EXPECT_TRUE(reg.createKey(u"HKLM\\" + std::u16string(255, u'k')));
  EXPECT_FALSE(reg.createKey(u"HKLM\\" + std::u16string(256, u'k')));
  std::u16string deep = u"HKLM";
  for (int i = 0; i < 512; ++i) deep += u"\\k";
  EXPECT_TRUE(reg.createKey(deep));
  EXPECT_FALSE(reg.createKey(deep + u"\\k"));
  EXPECT_TRUE(reg.set(deep, std::u16string(16383, u'n'), 1u));
  EXPECT_FALSE(reg.set(deep, std::u16string(16384, u'n'), 1u));
  // Names the file could not hold back are refused, not written corrupted.
  EXPECT_FALSE(reg.createKey(u"HKLM\\line\nbreak"));
  EXPECT_FALSE(reg.createKey(u"HKLM\\lone\xD800"));
  EXPECT_FALSE(reg.set(deep, u"line\rbreak", 1u));
  EXPECT_FALSE(reg.set(deep, u"lone\xDC00", 1u));
  Registry copy;
  copy.mergeText(reg.toRegText(), "copy.reg");
  EXPECT_EQ(copy.listing(), reg.listing());
  EXPECT_TRUE(reg.deleteKey(u"HKLM\\k"));
  EXPECT_FALSE(reg.keyExists(deep));
}

// A large export as a registry editor writes it (tests/data/make_regedit_export.py): every key,
// name, type and byte survives reading, writing and reading again.
TEST(RegistryTest, RegeditExportRoundTrip) {
  Registry reg;
  reg.mergeFile((fs::path(EMU_TEST_DATA_DIR) / "regedit-export.reg").string());
  const std::vector<RegistryKeyListing> listed = reg.listing();
  std::size_t values = 0;
  std::set<std::uint32_t> types;
  for (const RegistryKeyListing& key : listed) {
    values += key.values.size();
    for (const auto& [name, data] : key.values) types.insert(data.type);
  }
  EXPECT_GT(values, 2000u);
  EXPECT_EQ(types, (std::set<std::uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(reg.getData(u"HKCU\\Control Panel\\Desktop", u"UserPreferencesMask"),
            (RegistryData{kRegBinary, {0x30, 0, 2, 0x80, 0x10, 0, 0, 0}}));
  EXPECT_EQ(reg.get(u"HKCU\\Control Panel\\Desktop", u"Wallpaper"),
            RegistryValue(std::u16string(u"C:\\Windows\\web\\wallpaper\\img0.jpg")));

  const std::string text = reg.toRegText();
  Registry reread;
  reread.mergeText(text, "written.reg");
  EXPECT_EQ(reread.listing(), listed);
  EXPECT_EQ(reread.toRegText(), text);
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
  // A device is refused, not read until the memory runs out.
  try {
    reg.mergeFile("/dev/zero");
    ADD_FAILURE() << "no error";
  } catch (const RegFileError& e) {
    EXPECT_EQ(e.problem(), "is not a plain file");
  }
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
