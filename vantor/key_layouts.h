// The keys Vantor knows: the compact layout (side and call keys of a 240 x 400 handset) and the
// full layout of the handset with the hardware keyboard, with its country variants.
#pragma once

#include <cstdint>
#include <span>

#include "harness/platform_types.h"
#include "vantor/key_table.h"

namespace vantor {

struct KeyLayoutRow {
  const harness::Wchar* label;
  std::uint32_t virtualKey;
  std::uint32_t scanCode;
  std::uint32_t matrixCode;
  std::int32_t left;
  std::int32_t top;
  std::int32_t width;
  std::int32_t height;
};

// A country's replacement of one full-layout row: label, virtual key and matrix code only.
struct KeyVariant {
  std::uint32_t index;
  const harness::Wchar* label;
  std::uint32_t virtualKey;
  std::uint32_t matrixCode;
};

std::span<const KeyLayoutRow> fullLayoutRows();
std::span<const KeyLayoutRow> compactLayoutRows();
// The replacements for a country; empty for countries that use the default rows.
std::span<const KeyVariant> countryVariants(std::uint32_t countryId);
// The 240 x 400 handset, in either orientation.
bool isCompactScreen(std::uint32_t screenWidth, std::uint32_t screenHeight);
// Appends the layout for this screen and country to the table, in row order, counts 0.
void addLayoutKeys(KeyTable& table, std::uint32_t screenWidth, std::uint32_t screenHeight,
                   std::uint32_t countryId);

// Fills the test state's table from its recorded screen size and country.
void selectLayout();

}  // namespace vantor
