#include "platform/emu/quote.h"

#include <gtest/gtest.h>

#include <string>

namespace emu {
namespace {

TEST(QuoteForMessageTest, ShortPrintableSingleLine) {
  using namespace std::string_literals;
  struct Case {
    std::string in;
    std::size_t max;
    std::string out;
  };
  const Case cases[] = {
      {"wait 10", 80, "wait 10"},
      {"abcdef", 3, "abc..."},
      {"abc", 3, "abc"},
      {"a\0b"s, 80, "a\\x00b"},
      {"tab\there\r\n", 80, "tab\\x09here\\x0D\\x0A"},
      {"\x1b[2J", 80, "\\x1B[2J"},
      {"Gr\xC3\xBC\xC3\x9F", 3, "Gr\xC3\xBC..."},  // a cut never splits a character
      {"\xC0\xAF\xFF", 80, "\\xC0\\xAF\\xFF"},     // overlong form, stray byte
      {"\xE2\x82", 80, "\\xE2\\x82"},              // truncated sequence
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(QuoteForMessage(c.in, c.max), c.out);
  }
  const std::string huge(10'000'000, 'x');
  EXPECT_EQ(QuoteForMessage(huge), std::string(80, 'x') + "...");
}

}  // namespace
}  // namespace emu
