// Compiled resources from an untrusted source: the .res reader and every decoder must reject
// or decode any bytes without reading outside them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/emu/resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly the input, so that a read past its end is caught.
  const std::vector<std::uint8_t> bytes(data, data + size);
  std::span<const std::uint8_t> all(bytes);
  emu::ResourceFile file(all);
  for (const emu::ResourceEntry& entry : file.entries()) {
    (void)emu::ParseDialogTemplate(entry.data);
    (void)emu::ParseAcceleratorTable(entry.data);
    (void)emu::DecodeBitmapResource(entry.data);
    (void)emu::ParseIconGroup(entry.data);
  }
  (void)emu::ParseDialogTemplate(all);
  (void)emu::ParseAcceleratorTable(all);
  (void)emu::DecodeBitmapResource(all);
  (void)emu::ParseIconGroup(all);
  return 0;
}
