// A tiny RGBA canvas for the generated artwork: filled shapes with 4x4 supersampled edges,
// key outlines and text centred in a box. Only basic arithmetic and sqrt are used, so the
// pixels come out the same on every run.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace artgen {

struct Rgba {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  std::uint8_t a = 255;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

struct Point {
  double x = 0;
  double y = 0;
};

// Box in pixel units, right and bottom exclusive.
struct Box {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
  Box inset(double d) const { return {left + d, top + d, right - d, bottom - d}; }
  double width() const { return right - left; }
  double height() const { return bottom - top; }
  Point centre() const { return {(left + right) / 2, (top + bottom) / 2}; }
};

class Font;

class Canvas {
 public:
  Canvas(int width, int height, Rgba ground);

  int width() const { return width_; }
  int height() const { return height_; }
  Rgba at(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }

  // Composites colour over the pixel with the given coverage (0..255).
  void blend(int x, int y, Rgba colour, int coverage);
  // Fills every pixel whose subsamples fall inside the shape, within the box.
  void fillShape(Box bounds, const std::function<bool(double, double)>& inside, Rgba colour);

  void fillRect(Box box, Rgba colour);
  void fillRoundRect(Box box, double radius, Rgba colour);
  void fillEllipse(Box box, Rgba colour);
  void fillPolygon(const std::vector<Point>& points, Rgba colour);
  void drawLine(Point a, Point b, double thickness, Rgba colour);
  // A key: a dark rounded outline of the given thickness around a face.
  void drawKey(Box box, double radius, double thickness, Rgba outline, Rgba face);

  // Text (UTF-32) sized to fit the box at no more than maxPixels, its ink centred in the box.
  void drawText(const Font& font, const std::u32string& text, Box box, int maxPixels, Rgba colour);

 private:
  int width_;
  int height_;
  std::vector<Rgba> pixels_;
};

// A FreeType face; creation fails (null) with a message when the file cannot be read.
class Font {
 public:
  static std::unique_ptr<Font> open(const std::string& path, std::string* error);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  struct Glyphs {
    int inkLeft = 0, inkTop = 0, inkRight = 0, inkBottom = 0;  // relative to the pen origin
    struct Glyph {
      int x = 0, y = 0, width = 0, rows = 0;
      std::vector<std::uint8_t> coverage;
    };
    std::vector<Glyph> glyphs;
  };
  // Renders the text at the given pixel size, anti-aliased, on one baseline at y = 0.
  Glyphs render(const std::u32string& text, int pixels) const;

 private:
  Font() = default;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace artgen
