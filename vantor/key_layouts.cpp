#include "vantor/key_layouts.h"

#include <algorithm>
#include <iterator>

#include "vantor/test_state.h"

namespace vantor {
namespace {

constexpr KeyLayoutRow kFullRows[] = {
    {u"Vol Up", 117, 0, 0, 10, 10, 60, 25},
    {u"Vol Dn", 118, 0, 0, 80, 10, 60, 25},
    {u"Hold", 129, 0, 0, 180, 10, 60, 25},
    {u"Camera", 59, 0, 0, 250, 10, 60, 25},
    {u"Talk", 114, 0, 0, 10, 60, 40, 55},
    {u"End", 115, 0, 0, 270, 60, 40, 55},
    {u"Win", 91, 0, 0, 60, 90, 40, 25},
    {u"Ok", 136, 0, 0, 220, 90, 40, 25},
    {u"LSK", 112, 0, 0, 60, 60, 40, 25},
    {u"RSK", 113, 0, 0, 220, 60, 40, 25},
    // Navigation pad: up, left, right, down, centre; drawn without text.
    {u" ", 38, 0, 0, 146, 50, 28, 20},
    {u" ", 37, 0, 0, 116, 75, 28, 20},
    {u" ", 39, 0, 0, 176, 75, 28, 20},
    {u" ", 40, 0, 0, 146, 100, 28, 20},
    {u" ", 13, 0, 0, 146, 75, 28, 20},
    // Keyboard, first row.
    {u"Q", 81, 0, 17, 10, 150, 28, 25},
    {u"W", 87, 0, 18, 40, 150, 28, 25},
    {u"E", 69, 0, 19, 70, 150, 28, 25},
    {u"R", 82, 0, 20, 100, 150, 28, 25},
    {u"T", 84, 0, 21, 130, 150, 28, 25},
    {u"Y", 89, 0, 50, 160, 150, 28, 25},
    {u"U", 85, 0, 23, 190, 150, 28, 25},
    {u"I", 73, 0, 24, 220, 150, 28, 25},
    {u"O", 79, 0, 25, 250, 150, 28, 25},
    {u"P", 80, 0, 26, 280, 150, 28, 25},
    // Second row.
    {u"A", 65, 0, 33, 10, 180, 28, 25},
    {u"S", 83, 0, 34, 40, 180, 28, 25},
    {u"D", 68, 0, 35, 70, 180, 28, 25},
    {u"F", 70, 0, 36, 100, 180, 28, 25},
    {u"G", 71, 0, 37, 130, 180, 28, 25},
    {u"H", 72, 0, 38, 160, 180, 28, 25},
    {u"J", 74, 0, 39, 190, 180, 28, 25},
    {u"K", 75, 0, 40, 220, 180, 28, 25},
    {u"L", 76, 0, 41, 250, 180, 28, 25},
    {u"\u2190", 8, 0, 42, 280, 180, 28, 25},
    // Third row.
    {u"\u2191", 143, 0, 49, 10, 210, 28, 25},
    {u"Z", 90, 0, 22, 40, 210, 28, 25},
    {u"X", 88, 0, 51, 70, 210, 28, 25},
    {u"C", 67, 0, 52, 100, 210, 28, 25},
    {u"V", 86, 0, 53, 130, 210, 28, 25},
    {u"B", 66, 0, 54, 160, 210, 28, 25},
    {u"N", 78, 0, 55, 190, 210, 28, 25},
    {u"M", 77, 0, 56, 220, 210, 28, 25},
    {u"?", 188, 0, 57, 250, 210, 28, 25},
    {u"Etr", 13, 38, 58, 280, 210, 28, 25},
    // Fourth row, from the second column.
    {u"Alt", 138, 0, 66, 40, 240, 28, 25},
    {u"Syn", 95, 0, 67, 70, 240, 28, 25},
    {u"0", 48, 0, 68, 100, 240, 28, 25},
    {u"Spc", 32, 0, 69, 130, 240, 58, 25},
    {u".", 190, 0, 71, 190, 240, 28, 25},
    {u"Exp", 62, 0, 72, 220, 240, 28, 25},
    {u"Msg", 140, 0, 73, 250, 240, 28, 25},
};
static_assert(std::size(kFullRows) == kKeyTableCapacity);

constexpr KeyLayoutRow kCompactRows[] = {
    {u"Vol Up", 117, 0, 0, 10, 20, 60, 25}, {u"Vol Dn", 118, 0, 0, 10, 60, 60, 25},
    {u"Hold", 129, 0, 0, 170, 20, 60, 25},  {u"Camera", 59, 0, 0, 170, 60, 60, 25},
    {u"Talk", 114, 0, 0, 10, 240, 60, 25},  {u"End", 115, 0, 0, 170, 240, 60, 25},
    {u"Win", 91, 0, 0, 90, 240, 60, 25},
};

// French: A and Q, Z and W change places.
constexpr KeyVariant kCountry10[] = {
    {15, u"A", 65, 33},
    {16, u"Z", 90, 22},
    {25, u"Q", 81, 17},
    {36, u"W", 87, 18},
};
// German: Y and Z change places; sharp s and the driver's own code for 0.
constexpr KeyVariant kCountry11[] = {
    {20, u"Z", 90, 22},
    {36, u"Y", 89, 50},
    {43, u"\u00DF", 240, 57},
    {47, u"0", 241, 68},
};
constexpr KeyVariant kCountry27[] = {
    {43, u"\u0419", 240, 57},
    {47, u"0", 188, 68},
};
constexpr KeyVariant kCountry44[] = {
    {47, u"0", 245, 48},
    {50, u"Exp", 240, 72},
};

}  // namespace

std::span<const KeyLayoutRow> fullLayoutRows() { return kFullRows; }
std::span<const KeyLayoutRow> compactLayoutRows() { return kCompactRows; }

std::span<const KeyVariant> countryVariants(std::uint32_t countryId) {
  switch (countryId) {
    case 10:
      return kCountry10;
    case 11:
      return kCountry11;
    case 27:
      return kCountry27;
    case 44:
    case 45:
    case 52:
      return kCountry44;
    default:
      return {};
  }
}

bool isCompactScreen(std::uint32_t screenWidth, std::uint32_t screenHeight) {
  return std::min(screenWidth, screenHeight) == 240 && std::max(screenWidth, screenHeight) == 400;
}

void addLayoutKeys(KeyTable& table, std::uint32_t screenWidth, std::uint32_t screenHeight,
                   std::uint32_t countryId) {
  if (isCompactScreen(screenWidth, screenHeight)) {
    for (const KeyLayoutRow& row : kCompactRows) {
      table.addKey(row.virtualKey, row.scanCode, 0, row.left, row.top, row.width, row.height,
                   row.label, row.matrixCode);
    }
    return;
  }
  const std::span<const KeyVariant> variants = countryVariants(countryId);
  for (std::uint32_t index = 0; index < std::size(kFullRows); ++index) {
    KeyLayoutRow row = kFullRows[index];
    for (const KeyVariant& variant : variants) {
      if (variant.index != index) continue;
      row.label = variant.label;
      row.virtualKey = variant.virtualKey;
      row.matrixCode = variant.matrixCode;
    }
    table.addKey(row.virtualKey, row.scanCode, 0, row.left, row.top, row.width, row.height,
                 row.label, row.matrixCode);
  }
}

void selectLayout() {
  addLayoutKeys(testState.keyTable, testState.screenWidth, testState.screenHeight,
                testState.countryId);
}

}  // namespace vantor
