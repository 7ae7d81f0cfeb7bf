#include "vantor/key_layouts.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "vantor/key_events.h"
#include "vantor/test_run.h"
#include "vantor/test_state.h"
#include "vantor/tests/fake_platform.h"

namespace vantor {
namespace {

using testing::FakePlatform;

KeyTable buildTable(std::uint32_t width, std::uint32_t height, std::uint32_t countryId) {
  KeyTable table;
  addLayoutKeys(table, width, height, countryId);
  return table;
}

struct VariantRow {
  std::uint32_t countryId;
  std::uint32_t index;
  std::u16string label;
  std::uint32_t virtualKey;
  std::uint32_t matrixCode;
};

// Every row a country changes; all other rows must equal the default ones.
const VariantRow kVariantRows[] = {
    {10, 15, u"A", 65, 33},       {10, 16, u"Z", 90, 22},    {10, 25, u"Q", 81, 17},
    {10, 36, u"W", 87, 18},       {11, 20, u"Z", 90, 22},    {11, 36, u"Y", 89, 50},
    {11, 43, u"\u00DF", 240, 57}, {11, 47, u"0", 241, 68},   {27, 43, u"\u0419", 240, 57},
    {27, 47, u"0", 188, 68},      {44, 47, u"0", 245, 48},   {44, 50, u"Exp", 240, 72},
    {45, 47, u"0", 245, 48},      {45, 50, u"Exp", 240, 72}, {52, 47, u"0", 245, 48},
    {52, 50, u"Exp", 240, 72},
};

const std::uint32_t kCountries[] = {0, 10, 11, 22, 27, 44, 45, 52, 7, 0xFFFFFFFF};

TEST(KeyLayouts, FullLayoutForEveryCountry) {
  const KeyTable defaults = buildTable(320, 320, 0);
  for (std::uint32_t country : kCountries) {
    SCOPED_TRACE("country " + std::to_string(country));
    const KeyTable table = buildTable(320, 320, country);
    ASSERT_EQ(table.keyCount(), 52u);
    std::map<std::uint32_t, int> seen;
    for (std::uint32_t i = 0; i < table.keyCount(); ++i) {
      const KeyTableEntry& e = table.keyAt(i);
      const KeyTableEntry& d = defaults.keyAt(i);
      ++seen[e.virtualKey];
      EXPECT_TRUE(isAcceptedKeyCode(e.virtualKey)) << "index " << i;
      EXPECT_EQ(e.pressCount, 0u);
      // Geometry and scan codes never change with the country.
      EXPECT_EQ(KeyTable::keyRect(e), KeyTable::keyRect(d)) << i;
      EXPECT_EQ(e.scanCode, i == 44 ? 38u : 0u) << i;
      const VariantRow* variant = nullptr;
      for (const VariantRow& v : kVariantRows) {
        if (v.countryId == country && v.index == i) variant = &v;
      }
      if (variant != nullptr) {
        EXPECT_EQ(std::u16string(e.label), variant->label) << i;
        EXPECT_EQ(e.virtualKey, variant->virtualKey) << i;
        EXPECT_EQ(e.matrixCode, variant->matrixCode) << i;
      } else {
        EXPECT_EQ(std::u16string(e.label), std::u16string(d.label)) << i;
        EXPECT_EQ(e.virtualKey, d.virtualKey) << i;
        EXPECT_EQ(e.matrixCode, d.matrixCode) << i;
      }
    }
    EXPECT_EQ(table.keyAt(14).virtualKey, 13u);
    EXPECT_EQ(table.keyAt(44).virtualKey, 13u);
    for (const auto& [vk, n] : seen) EXPECT_EQ(n, vk == 13 ? 2 : 1) << "vk " << vk;
  }
}

TEST(KeyLayouts, DefaultRowsSpotChecks) {
  const KeyTable t = buildTable(320, 320, 0);
  const auto row = [&](std::uint32_t i) { return std::u16string(t.keyAt(i).label); };
  EXPECT_EQ(row(0), u"Vol Up");
  EXPECT_EQ(row(10), u" ");
  EXPECT_EQ(row(34), u"\u2190");
  EXPECT_EQ(row(35), u"\u2191");
  EXPECT_EQ(row(44), u"Etr");
  EXPECT_EQ(row(51), u"Msg");
  EXPECT_EQ(KeyTable::keyRect(t.keyAt(4)), (harness::Rect{10, 60, 50, 115}));
  EXPECT_EQ(KeyTable::keyRect(t.keyAt(48)), (harness::Rect{130, 240, 188, 265}));
}

TEST(KeyLayouts, RectanglesNeverOverlapAndStayInTheirArea) {
  struct Layout {
    std::uint32_t width, height;
    harness::Rect area;
  };
  const Layout layouts[] = {{320, 320, {10, 10, 310, 265}}, {240, 400, {10, 20, 230, 265}}};
  for (const Layout& layout : layouts) {
    const KeyTable t = buildTable(layout.width, layout.height, 0);
    for (std::uint32_t i = 0; i < t.keyCount(); ++i) {
      const harness::Rect a = KeyTable::keyRect(t.keyAt(i));
      EXPECT_GE(a.left, layout.area.left);
      EXPECT_GE(a.top, layout.area.top);
      EXPECT_LE(a.right, layout.area.right);
      EXPECT_LE(a.bottom, layout.area.bottom);
      for (std::uint32_t j = i + 1; j < t.keyCount(); ++j) {
        const harness::Rect b = KeyTable::keyRect(t.keyAt(j));
        const bool overlap =
            a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
        EXPECT_FALSE(overlap) << i << " and " << j;
      }
    }
  }
}

TEST(KeyLayouts, ScreenSizeChoosesTheLayout) {
  struct Case {
    std::uint32_t width, height, keys;
  };
  const Case cases[] = {{240, 400, 7},  {400, 240, 7},  {240, 320, 52}, {320, 240, 52},
                        {320, 320, 52}, {480, 800, 52}, {240, 240, 52}, {0, 0, 52}};
  for (const Case& c : cases) {
    for (std::uint32_t country : {0u, 11u, 44u}) {
      EXPECT_EQ(buildTable(c.width, c.height, country).keyCount(), c.keys)
          << c.width << "x" << c.height << " country " << country;
    }
  }
  const KeyTable compact = buildTable(240, 400, 10);
  EXPECT_EQ(std::u16string(compact.keyAt(6).label), u"Win");
  EXPECT_EQ(KeyTable::keyRect(compact.keyAt(6)), (harness::Rect{90, 240, 150, 265}));
}

TEST(KeyLayouts, CountryLookups) {
  EXPECT_EQ(buildTable(320, 320, 11).findKeyByVirtualKey(240, 0), 43);
  EXPECT_EQ(buildTable(320, 320, 11).findKeyByVirtualKey(241, 0), 47);
  EXPECT_EQ(buildTable(320, 320, 44).findKeyByVirtualKey(240, 0), 50);
  EXPECT_EQ(buildTable(320, 320, 44).findKeyByVirtualKey(62, 0), -1);
  // The "Z" key by its matrix code, wherever the country puts it.
  EXPECT_EQ(buildTable(320, 320, 0).findKeyByMatrixCode(22), 36);
  EXPECT_EQ(buildTable(320, 320, 10).findKeyByMatrixCode(22), 16);
  EXPECT_EQ(buildTable(320, 320, 11).findKeyByMatrixCode(22), 20);
}

struct CountryCase {
  const char16_t* driver;  // null: no value
  bool hasCountry;
  std::uint32_t country;
  std::uint32_t expected;
};

TEST(CountryDetection, DriverNameOverridesTheRegistryCountry) {
  const CountryCase cases[] = {
      {u"keypad_QUARN_0407.Dll", true, 10, 11},
      {u"keypad_QUARN_0419.Dll", false, 0, 44},
      {u"keypad_QUARN_0C0A.Dll", true, 3, 27},
      {u"keypad_QUARN_0414.Dll", true, 45, 22},
      {u"keypad_QUARN_040C.Dll", false, 0, 10},
      {u"keypad_QUARN_0407.Dll.old", true, 5, 11},  // 21 characters decide
      {u"keypad_quarn_0407.dll", true, 5, 5},       // case-sensitive
      {u"keypad_QUARN_0407", true, 5, 5},
      {u"", true, 45, 45},
      {nullptr, true, 52, 52},
      {nullptr, false, 0, 0},
  };
  for (const CountryCase& c : cases) {
    FakePlatform fake;
    resetTestState();
    if (c.driver != nullptr) fake.strings["Drivers\\BuiltIn\\keypad"]["Dll"] = c.driver;
    if (c.hasCountry) fake.dwords["System\\State\\Corvane\\Phone"]["TRV_Country"] = c.country;
    detectCountry();
    EXPECT_EQ(testState.countryId, c.expected)
        << (c.driver ? testing::narrow(c.driver) : "(none)") << " / " << c.country;
    EXPECT_EQ(fake.calls, (std::vector<std::string>{
                              "RegistryGetDWORD System\\State\\Corvane\\Phone TRV_Country",
                              "RegistryGetString Drivers\\BuiltIn\\keypad Dll 256"}));
  }
}

}  // namespace
}  // namespace vantor
