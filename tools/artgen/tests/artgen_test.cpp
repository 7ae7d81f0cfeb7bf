// The committed artwork must be exactly what the generator makes, and must fit the slot table.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "artwork.h"
#include "vantor1/key_slot_table.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path kVantorRes = fs::path(VANTOR_SOURCE_DIR) / "vantor" / "res";
const fs::path kVantor1Res = fs::path(VANTOR_SOURCE_DIR) / "vantor1" / "res";

Bytes readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t u16(const Bytes& b, std::size_t at) { return b.at(at) | b.at(at + 1) << 8; }
std::uint32_t u32(const Bytes& b, std::size_t at) { return u16(b, at) | u16(b, at + 2) << 16; }

std::set<std::string> fileNames(const fs::path& dir, const std::string& prefix) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.rfind(prefix, 0) == 0) names.insert(name);
  }
  return names;
}

class TempDir {
 public:
  TempDir() {
    // Unique per process and test: other build trees may run this test at the same time.
    path_ = fs::temp_directory_path() /
            ("artgen_test_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

TEST(Artgen, RegeneratesTheCommittedFilesByteForByte) {
  TempDir tmp;
  std::ostringstream err;
  ASSERT_EQ(artgen::runArtgen({"--out-vantor", (tmp.path() / "v").string(), "--out-vantor1",
                               (tmp.path() / "v1").string(), "--font", ARTGEN_DEFAULT_FONT},
                              ARTGEN_DEFAULT_FONT, err),
            0)
      << err.str();

  std::set<std::string> expected1 = {"vantor1.ico", "keypad_129.bmp"};
  for (const auto& d : vantor1::kSlotDefinitions) {
    expected1.insert("key_" + std::to_string(d.bitmapId) + ".bmp");
  }
  EXPECT_EQ(fileNames(tmp.path() / "v", ""), std::set<std::string>{"vantor.ico"});
  EXPECT_EQ(fileNames(tmp.path() / "v1", ""), expected1);
  // No stale pressed image may stay behind in the source tree.
  EXPECT_EQ(fileNames(kVantor1Res, "key_").size(), vantor1::FILLED_SLOT_COUNT);

  for (const auto& [dir, committed] :
       {std::pair{tmp.path() / "v", kVantorRes}, std::pair{tmp.path() / "v1", kVantor1Res}}) {
    for (const auto& e : fs::directory_iterator(dir)) {
      const fs::path mine = committed / e.path().filename();
      ASSERT_TRUE(fs::exists(mine)) << mine << " is not committed";
      EXPECT_TRUE(readFile(e.path()) == readFile(mine))
          << mine << " differs from the generator's output; run scripts/regenerate-artwork.sh";
    }
  }
}

struct BmpInfo {
  int width = 0;
  int height = 0;
  Bytes bytes;
};

// Checks the headers of a 24-bit uncompressed bottom-up BMP file and returns its size.
BmpInfo checkBmp(const fs::path& path) {
  BmpInfo info;
  info.bytes = readFile(path);
  const Bytes& b = info.bytes;
  EXPECT_GE(b.size(), 54u) << path;
  if (b.size() < 54) return info;
  EXPECT_EQ(b[0], 'B') << path;
  EXPECT_EQ(b[1], 'M') << path;
  EXPECT_EQ(u32(b, 2), b.size()) << path;
  EXPECT_EQ(u32(b, 10), 54u) << path;
  EXPECT_EQ(u32(b, 14), 40u) << path;
  info.width = static_cast<int>(u32(b, 18));
  info.height = static_cast<int>(u32(b, 22));  // positive: bottom-up rows
  EXPECT_EQ(u16(b, 26), 1u) << path;
  EXPECT_EQ(u16(b, 28), 24u) << path;
  EXPECT_EQ(u32(b, 30), 0u) << path << " must be uncompressed";
  const std::size_t stride = static_cast<std::size_t>((info.width * 3 + 3) / 4 * 4);
  EXPECT_EQ(b.size(), 54 + stride * static_cast<std::size_t>(info.height)) << path;
  return info;
}

// Pixel (x, y) counted from the top.
bool isColour(const BmpInfo& bmp, int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  const std::size_t stride = static_cast<std::size_t>((bmp.width * 3 + 3) / 4 * 4);
  const std::size_t at =
      54 + static_cast<std::size_t>(bmp.height - 1 - y) * stride + static_cast<std::size_t>(x) * 3;
  return bmp.bytes[at] == b && bmp.bytes[at + 1] == g && bmp.bytes[at + 2] == r;
}

int countColour(const BmpInfo& bmp, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  int n = 0;
  for (int y = 0; y < bmp.height; ++y) {
    for (int x = 0; x < bmp.width; ++x) n += isColour(bmp, x, y, r, g, b);
  }
  return n;
}

TEST(Artgen, ImagesFitTheSlotTable) {
  const BmpInfo keypad = checkBmp(kVantor1Res / "keypad_129.bmp");
  EXPECT_EQ(keypad.width, 320);
  EXPECT_EQ(keypad.height, 263);
  // The pressed look is light violet; nothing on the picture at rest is.
  EXPECT_EQ(countColour(keypad, 214, 196, 250), 0);
  // Slots 29 and 36 lie on blank ground: no key of the picture there.
  for (int slot : {29, 36}) {
    const auto& d = vantor1::kSlotDefinitions[static_cast<std::size_t>(slot)];
    EXPECT_TRUE(isColour(keypad, d.x + d.width / 2, d.y + d.height / 2, 255, 255, 255))
        << "slot " << slot;
  }

  // The images whose size is not their slot's rectangle.
  const std::map<int, std::pair<int, int>> odd = {
      {29, {30, 36}}, {39, {34, 20}}, {46, {39, 24}}, {57, {59, 24}}, {58, {55, 24}}};
  std::set<int> ids;
  for (int slot = 0; slot < vantor1::FILLED_SLOT_COUNT; ++slot) {
    const auto& d = vantor1::kSlotDefinitions[static_cast<std::size_t>(slot)];
    SCOPED_TRACE("slot " + std::to_string(slot));
    EXPECT_GE(d.bitmapId, 130);
    EXPECT_LE(d.bitmapId, 199);
    EXPECT_TRUE(ids.insert(d.bitmapId).second);
    const BmpInfo key = checkBmp(kVantor1Res / ("key_" + std::to_string(d.bitmapId) + ".bmp"));
    const auto it = odd.find(slot);
    const std::pair<int, int> size =
        it != odd.end() ? it->second
                        : std::pair{static_cast<int>(d.width), static_cast<int>(d.height)};
    EXPECT_EQ(key.width, size.first);
    EXPECT_EQ(key.height, size.second);
    EXPECT_GT(countColour(key, 214, 196, 250), 0) << "no pressed (violet) face";
  }
}

// Checks an .ico file's directory and DIB headers; returns (size, bits) of each image.
std::set<std::pair<int, int>> checkIco(const fs::path& path) {
  const Bytes b = readFile(path);
  std::set<std::pair<int, int>> images;
  EXPECT_GE(b.size(), 6u) << path;
  if (b.size() < 6) return images;
  EXPECT_EQ(u16(b, 0), 0u);
  EXPECT_EQ(u16(b, 2), 1u);
  const std::uint32_t count = u16(b, 4);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t e = 6 + 16 * i;
    const int n = b.at(e) == 0 ? 256 : b.at(e);
    const int bits = static_cast<int>(u16(b, e + 6));
    const std::uint32_t size = u32(b, e + 8);
    const std::uint32_t offset = u32(b, e + 12);
    SCOPED_TRACE(path.string() + " image " + std::to_string(i));
    EXPECT_EQ(b.at(e + 1), b.at(e));
    EXPECT_EQ(b.at(e + 2), bits == 4 ? 16 : 0);
    EXPECT_EQ(u16(b, e + 4), 1u);
    if (std::size_t{offset} + size > b.size() || size < 40) {
      ADD_FAILURE() << "image outside the file";
      continue;
    }
    EXPECT_EQ(u32(b, offset), 40u);
    EXPECT_EQ(static_cast<int>(u32(b, offset + 4)), n);
    EXPECT_EQ(static_cast<int>(u32(b, offset + 8)), 2 * n);  // colour rows and AND mask
    EXPECT_EQ(static_cast<int>(u16(b, offset + 14)), bits);
    EXPECT_EQ(u32(b, offset + 16), 0u);
    const std::size_t palette = bits <= 8 ? (std::size_t{1} << bits) * 4 : 0;
    const std::size_t xorBytes = static_cast<std::size_t>((n * bits + 31) / 32 * 4 * n);
    const std::size_t andBytes = static_cast<std::size_t>((n + 31) / 32 * 4 * n);
    EXPECT_EQ(size, 40 + palette + xorBytes + andBytes);
    images.insert({n, bits});
  }
  EXPECT_EQ(images.size(), count) << "duplicate images";
  return images;
}

TEST(Artgen, IconsHoldTheirImages) {
  EXPECT_EQ(checkIco(kVantorRes / "vantor.ico").size(), 8u);
  const std::set<std::pair<int, int>> expected = {{48, 4},  {48, 8}, {48, 24}, {32, 4}, {32, 8},
                                                  {32, 24}, {16, 4}, {16, 8},  {16, 24}};
  EXPECT_EQ(checkIco(kVantor1Res / "vantor1.ico"), expected);
}

TEST(Artgen, RejectsBadCommandLines) {
  TempDir tmp;
  const std::string v = (tmp.path() / "v").string();
  const std::string v1 = (tmp.path() / "v1").string();
  const struct {
    std::vector<std::string> args;
    int code;
    std::string message;
  } cases[] = {
      {{"--out-vantor", v}, 2, "usage"},
      {{"--out-vantor", v, "--out-vantor1"}, 2, "--out-vantor1 needs a value"},
      {{"--out-vantor", v, "--out-vantor1", v1, "--colour"}, 2, "'--colour'"},
      {{"--out-vantor", v, "--out-vantor1", v1, "--font", "/nonexistent.ttf"},
       1,
       "cannot read font file /nonexistent.ttf"},
  };
  for (const auto& c : cases) {
    std::ostringstream err;
    EXPECT_EQ(artgen::runArtgen(c.args, ARTGEN_DEFAULT_FONT, err), c.code) << err.str();
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
  }
  // Nothing is written when the arguments are wrong.
  EXPECT_FALSE(fs::exists(v));
  EXPECT_FALSE(fs::exists(v1));
}

}  // namespace
