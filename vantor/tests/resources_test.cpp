// Vantor's compiled resources, read back from the very bytes the program is built with.
#include <gtest/gtest.h>

#include <vector>

#include "harness/platform_constants.h"
#include "platform/emu/resources.h"
#include "vantor_resources.h"

namespace vantor {
namespace {

TEST(VantorResources, DialogAcceleratorIconAndHighResolutionMarker) {
  const emu::ResourceFile file(vantorResourceBytes());
  ASSERT_EQ(file.error(), "");

  const emu::ResourceEntry* dialog = file.find(harness::RT_DIALOG, std::uint16_t{102});
  ASSERT_NE(dialog, nullptr);
  const std::optional<emu::DialogTemplate> t = emu::ParseDialogTemplate(dialog->data);
  ASSERT_TRUE(t.has_value());
  EXPECT_EQ(t->style, harness::WS_POPUP | harness::WS_VISIBLE | harness::WS_CAPTION |
                          harness::DS_CENTER | harness::DS_CONTROL | harness::DS_SETFONT |
                          harness::DS_FIXEDSYS);
  EXPECT_EQ(t->exStyle, 0u);
  EXPECT_EQ(t->x, 0);
  EXPECT_EQ(t->y, 0);
  EXPECT_EQ(t->cx, 162);
  EXPECT_EQ(t->cy, 279);
  // The caption is how a second instance finds the first.
  EXPECT_EQ(t->title, u"Vantor");
  EXPECT_EQ(t->pointSize, 9);
  EXPECT_EQ(t->typeface, u"MS Shell Dlg");
  EXPECT_TRUE(t->items.empty());

  const emu::ResourceEntry* accel = file.find(harness::RT_ACCELERATOR, std::uint16_t{2});
  ASSERT_NE(accel, nullptr);
  const std::vector<emu::AcceleratorEntry> entries = emu::ParseAcceleratorTable(accel->data);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].flags, 0x8B);  // virtual key, no inversion, Control, last entry
  EXPECT_EQ(entries[0].key, 0x51);
  EXPECT_EQ(entries[0].command, 40000);

  const emu::ResourceEntry* icon = file.find(harness::RT_GROUP_ICON, std::uint16_t{101});
  ASSERT_NE(icon, nullptr);
  const std::vector<emu::IconGroupEntry> images = emu::ParseIconGroup(icon->data);
  EXPECT_EQ(images.size(), 8u);
  for (const emu::IconGroupEntry& image : images) {
    EXPECT_NE(file.find(harness::RT_ICON, image.iconId), nullptr) << image.iconId;
  }

  const emu::ResourceEntry* marker = file.find(std::u16string(u"CEUX"), u"HI_RES_AWARE");
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(std::vector<std::uint8_t>(marker->data.begin(), marker->data.end()),
            (std::vector<std::uint8_t>{1, 0}));
}

}  // namespace
}  // namespace vantor
