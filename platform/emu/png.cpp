#include "platform/emu/png.h"

#include <png.h>

#include <cstring>
#include <vector>

#include "platform/emu/host_files.h"

namespace emu {

namespace {

bool Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

}  // namespace

bool WritePng(const std::string& path, const Bitmap& bitmap, std::string* error) {
  if (bitmap.width <= 0 || bitmap.height <= 0 ||
      bitmap.pixels.size() !=
          static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height)) {
    return Fail(error, "cannot write \"" + path + "\": the image is empty");
  }
  std::vector<unsigned char> rgb;
  rgb.reserve(bitmap.pixels.size() * 3);
  for (ColorRef c : bitmap.pixels) {
    rgb.push_back(static_cast<unsigned char>(c & 0xFF));
    rgb.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
    rgb.push_back(static_cast<unsigned char>((c >> 16) & 0xFF));
  }

  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(bitmap.width);
  image.height = static_cast<png_uint_32>(bitmap.height);
  image.format = PNG_FORMAT_RGB;
  // Encoded in memory first: the file is then replaced in one step.
  png_alloc_size_t size = 0;
  bool encoded = png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr) != 0;
  std::vector<unsigned char> png(encoded ? size : 0);
  encoded = encoded &&
            png_image_write_to_memory(&image, png.data(), &size, 0, rgb.data(), 0, nullptr) != 0;
  const std::string encodeProblem = encoded ? "" : image.message;
  png_image_free(&image);
  if (!encoded) return Fail(error, "cannot write \"" + path + "\": " + encodeProblem);
  std::string problem;
  if (!ReplaceFile(path, std::string_view(reinterpret_cast<const char*>(png.data()), size),
                   &problem)) {
    return Fail(error, "cannot write \"" + path + "\": " + problem);
  }
  return true;
}

std::optional<Bitmap> ReadPng(const std::string& path) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return std::nullopt;
  // Refuse absurd sizes before allocating for them.
  if (image.width == 0 || image.height == 0 || image.width > 16384 || image.height > 16384) {
    png_image_free(&image);
    return std::nullopt;
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image), 0);
  png_color black{0, 0, 0};
  if (!png_image_finish_read(&image, &black, rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  Bitmap bitmap(static_cast<int>(image.width), static_cast<int>(image.height));
  for (std::size_t i = 0; i < bitmap.pixels.size(); ++i) {
    bitmap.pixels[i] = static_cast<ColorRef>(rgb[i * 3]) |
                       (static_cast<ColorRef>(rgb[i * 3 + 1]) << 8) |
                       (static_cast<ColorRef>(rgb[i * 3 + 2]) << 16);
  }
  png_image_free(&image);
  return bitmap;
}

}  // namespace emu
