#include "platform/emu/png.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

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

  // The temporary lives in the target's folder so that the rename cannot cross file systems.
  std::string temporary = path + ".XXXXXX";
  int fd = mkstemp(temporary.data());
  if (fd < 0) {
    return Fail(error, "cannot write \"" + path + "\": " + std::strerror(errno));
  }
  fchmod(fd, 0644);
  FILE* file = fdopen(fd, "wb");
  if (!file) {
    int saved = errno;
    close(fd);
    unlink(temporary.c_str());
    return Fail(error, "cannot write \"" + path + "\": " + std::strerror(saved));
  }

  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(bitmap.width);
  image.height = static_cast<png_uint_32>(bitmap.height);
  image.format = PNG_FORMAT_RGB;
  bool written = png_image_write_to_stdio(&image, file, 0, rgb.data(), 0, nullptr) != 0;
  std::string problem = written ? "" : image.message;
  png_image_free(&image);
  if (written && (std::fflush(file) != 0 || fsync(fileno(file)) != 0)) {
    written = false;
    problem = std::strerror(errno);
  }
  if (std::fclose(file) != 0 && written) {
    written = false;
    problem = std::strerror(errno);
  }
  if (written && std::rename(temporary.c_str(), path.c_str()) != 0) {
    written = false;
    problem = std::strerror(errno);
  }
  if (!written) {
    unlink(temporary.c_str());
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
