#include "platform/emu/png.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace emu {
namespace {

namespace fs = std::filesystem;

class PngTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "emu_png_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(dir_)) out.push_back(entry.path().filename());
    return out;
  }
  fs::path dir_;
};

TEST_F(PngTest, RoundTripKeepsEveryChannelAndReplacesTheOldFile) {
  Bitmap picture(7, 3);
  for (std::size_t i = 0; i < picture.pixels.size(); ++i)
    picture.pixels[i] = static_cast<ColorRef>(i * 0x0B1D03u) & 0x00FFFFFFu;
  picture.at(0, 0) = 0x00FF0000;  // blue
  picture.at(1, 0) = 0x000000FF;  // red
  const std::string path = (dir_ / "shot.png").string();
  std::ofstream(path) << "old contents";

  std::string error;
  ASSERT_TRUE(WritePng(path, picture, &error)) << error;
  std::optional<Bitmap> back = ReadPng(path);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->width, 7);
  EXPECT_EQ(back->height, 3);
  EXPECT_EQ(back->pixels, picture.pixels);
  EXPECT_EQ(names(), std::vector<std::string>{"shot.png"});  // no temporary left behind
}

TEST_F(PngTest, FailuresNameTheFileAndLeaveNothingBehind) {
  std::string error;
  const std::string missing = (dir_ / "no" / "such" / "dir.png").string();
  EXPECT_FALSE(WritePng(missing, Bitmap(2, 2), &error));
  EXPECT_NE(error.find(missing), std::string::npos) << error;

  const std::string empty = (dir_ / "empty.png").string();
  EXPECT_FALSE(WritePng(empty, Bitmap(), &error));
  EXPECT_NE(error.find("empty.png"), std::string::npos) << error;
  EXPECT_TRUE(names().empty());
}

TEST_F(PngTest, UnreadableFilesGiveNothing) {
  EXPECT_FALSE(ReadPng((dir_ / "missing.png").string()).has_value());
  const std::string text = (dir_ / "text.png").string();
  std::ofstream(text) << "not a picture";
  EXPECT_FALSE(ReadPng(text).has_value());

  // A real PNG cut short.
  const std::string whole = (dir_ / "whole.png").string();
  ASSERT_TRUE(WritePng(whole, Bitmap(40, 40, 0x00336699), nullptr));
  const auto size = fs::file_size(whole);
  fs::resize_file(whole, size / 2);
  EXPECT_FALSE(ReadPng(whole).has_value());
}

}  // namespace
}  // namespace emu
