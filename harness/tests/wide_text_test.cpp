#include "harness/wide_text.h"

#include <gtest/gtest.h>

#include <string>

namespace harness {
namespace {

std::u16string format(const Wchar* fmt, ...) {
  Wchar buffer[256];
  std::va_list args;
  va_start(args, fmt);
  FormatWideV(buffer, 256, fmt, args);
  va_end(args);
  return buffer;
}

TEST(FormatWide, HandsetMeaningOfConversions) {
  EXPECT_EQ(format(u"[%06d][Vantor]OnKeyUp char[0x%04X:0x%02X][%02d][%s:%d]\r\n", 1234, 0x51, 0x10,
                   1, u"Q", 1),
            u"[001234][Vantor]OnKeyUp char[0x0051:0x10][01][Q:1]\r\n");
  EXPECT_EQ(format(u"[%08d]", 12345), u"[00012345]");
  EXPECT_EQ(format(u"%06d", -5), u"-00005");
  EXPECT_EQ(format(u"[%03x]", 0x406), u"[406]");
  EXPECT_EQ(format(u"[%s:%d]", u"", 0), u"[:0]");
  EXPECT_EQ(format(u"%s", u"\u00DF\u0419\u2190"), u"\u00DF\u0419\u2190");
  EXPECT_EQ(format(u"%S|%hs", "narrow", "too"), u"narrow|too");
  EXPECT_EQ(format(u"%-4d|%4s|%c|%%", 7, u"ab", u'x'), u"7   |  ab|x|%");
  EXPECT_EQ(format(u"%u %X", 4294967295u, 0xABCDu), u"4294967295 ABCD");
}

TEST(FormatWide, TruncatesToCapacityAndTerminates) {
  Wchar buffer[6];
  EXPECT_EQ(FormatWide(buffer, 6, u"%s", u"abcdefgh"), 5u);
  EXPECT_EQ(std::u16string(buffer), u"abcde");
}

TEST(WideCompare, ExactAndCaseSensitive) {
  EXPECT_EQ(WideCompare(u"test", u"test"), 0);
  EXPECT_NE(WideCompare(u"test", u"Test"), 0);
  EXPECT_NE(WideCompare(u"test", u"test "), 0);
  EXPECT_NE(WideCompare(u"", u"test"), 0);
  EXPECT_EQ(WideNCompare(u"keypad_QUARN_0407.Dll.bak", u"keypad_QUARN_0407.Dll", 21), 0);
  EXPECT_NE(WideNCompare(u"keypad_quarn_0407.Dll", u"keypad_QUARN_0407.Dll", 21), 0);
}

TEST(Utf, RoundTripsAndReplacesBrokenInput) {
  const std::u16string text = u"Vol Up \u2190\u2191 \u00DF \u0419 \U0001F600";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xE2\x86"), u"\uFFFD\uFFFD");
  // Overlong forms, encoded surrogates and code points beyond U+10FFFF are no characters.
  const struct {
    const char* utf8;
    std::u16string utf16;
  } cases[] = {
      {"\xC1\xB4"
       "est",
       u"\uFFFDest"},                             // an overlong 't' does not make "test"
      {"a\xC0\x80z", u"a\uFFFDz"},                // nor an overlong NUL a terminator
      {"\xE0\x81\xB4", u"\uFFFD"},                // 't' in three bytes
      {"\xF0\x80\x81\xB4", u"\uFFFD"},            // and in four
      {"\xED\xA0\x80", u"\uFFFD"},                // a lone high surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD"},            // U+110000
      {"\xC2\x80\xE0\xA0\x80", u"\u0080\u0800"},  // the smallest two- and three-byte forms
      {"\xEF\xBF\xBD\xF4\x8F\xBF\xBF", u"\uFFFD\U0010FFFF"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
}

}  // namespace
}  // namespace harness
