#include "artwork.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>

#include "vantor1/key_slot_table.h"

namespace artgen {

namespace {

constexpr Rgba kWhite{255, 255, 255};
constexpr Rgba kInk{40, 40, 48};         // outlines and labels
constexpr Rgba kFace{234, 235, 240};     // a key at rest
constexpr Rgba kPressed{214, 196, 250};  // a pressed key: light violet
constexpr Rgba kBand{62, 64, 72};        // the navigation band
constexpr Rgba kRing{204, 206, 214};     // the navigation ring
constexpr Rgba kCentre{30, 30, 36};      // the ring's centre
constexpr Rgba kTalk{36, 150, 60};
constexpr Rgba kEnd{210, 44, 44};

constexpr int kPictureWidth = 320;
constexpr int kPictureHeight = 263;
// The picture is drawn a little wider than it is: the End key's pressed image reaches 5
// columns past its right edge.
constexpr int kWorkWidth = 330;

constexpr Box kBandBox{2, 31, 318, 86};
constexpr Point kRingCentre{158.5, 54.5};
constexpr double kRingRx = 44, kRingRy = 30.5;
constexpr double kHubRx = 23, kHubRy = 14;

// ---------------------------------------------------------------------------------------------
// Icons

// A key cap seen slightly from above, on an n x n transparent canvas; the glyph is drawn on
// its top face in a 32-unit grid.
Canvas iconKeyCap(int n, Rgba face, Rgba skirt, Rgba glyph, const std::vector<Point>& stroke) {
  Canvas c(n, n, Rgba{0, 0, 0, 0});
  const double s = n / 32.0;
  const double t = std::max(1.0, static_cast<double>(static_cast<int>(1.5 * s + 0.5)));
  const Box outer{2 * s, 3 * s, 30 * s, 30 * s};
  c.drawKey(outer, 6 * s, t, kInk, skirt);
  c.drawKey(Box{6 * s, 5 * s, 26 * s, 24 * s}, 3.5 * s, std::max(1.0, t / 2), skirt, face);
  for (std::size_t i = 1; i < stroke.size(); ++i) {
    c.drawLine({stroke[i - 1].x * s, stroke[i - 1].y * s}, {stroke[i].x * s, stroke[i].y * s},
               std::max(1.6, 3.4 * s), glyph);
  }
  return c;
}

Canvas vantorIcon(int n) {
  // The layout-aware test: a plain key with a V.
  return iconKeyCap(n, Rgba{240, 243, 250}, Rgba{150, 166, 198}, Rgba{28, 72, 168},
                    {{11, 9}, {16, 20}, {21, 9}});
}

Canvas vantor1Icon(int n) {
  // The line test: a pressed (violet) key with a tick.
  return iconKeyCap(n, kPressed, Rgba{150, 120, 200}, Rgba{58, 34, 110},
                    {{10, 14.5}, {14.5, 19}, {22, 9.5}});
}

Bytes encodeIcon(Canvas (*draw)(int), const std::vector<int>& sizes, const std::vector<int>& bits) {
  std::vector<Canvas> canvases;
  for (int n : sizes) canvases.push_back(draw(n));
  std::vector<IconImage> images;
  for (const Canvas& c : canvases) {
    for (int b : bits) images.push_back({&c, b});
  }
  return encodeIco(images);
}

// ---------------------------------------------------------------------------------------------
// Keypad

enum class Symbol { Text, House, Envelope, Camera, SoftKey, Up, Down, Left, Right, Arc, Centre };

struct KeyArt {
  Box box;  // where the key is drawn on the picture
  Symbol symbol = Symbol::Text;
  std::u32string label;         // as the picture shows it
  std::u32string pressedLabel;  // as the pressed image shows it, if different
  Rgba labelColour = kInk;
  int maxText = 17;
  bool inPicture = true;
};

Box slotBox(int slot) {
  const auto& d = vantor1::kSlotDefinitions[static_cast<std::size_t>(slot)];
  return Box{static_cast<double>(d.x), static_cast<double>(d.y), static_cast<double>(d.x + d.width),
             static_cast<double>(d.y + d.height)};
}

Box sized(int slot, int width, int height) {
  const Box b = slotBox(slot);
  return Box{b.left, b.top, b.left + width, b.top + height};
}

KeyArt keyArt(int slot) {
  static const std::u32string kQwertz = U"QWERTZUIOPASDFGHJKLYXCVBNM";
  KeyArt k;
  k.box = slotBox(slot);
  if (slot <= 25) {
    k.label = std::u32string(1, kQwertz[static_cast<std::size_t>(slot)]);
    // The picture is printed QWERTY: its Y and Z trade places with the pressed images.
    if (slot == 5) k.label = U"Y", k.pressedLabel = U"Z";
    if (slot == 19) k.label = U"Z", k.pressedLabel = U"Y";
    return k;
  }
  switch (slot) {
    case 26:
      k.label = U".";
      break;
    case 27:
      k.label = U"\u2190";
      break;
    case 28:
      k.label = U"\u2191";
      break;
    case 29:
      k.label = U"Alt", k.maxText = 12, k.inPicture = false;
      break;
    case 30:
      k.label = U"\u03bb";
      break;
    case 31:
      k.label = U"0";
      break;
    case 32:
      k.label = U"Space", k.maxText = 12;
      break;
    case 33:
      k.label = U",";
      break;
    case 34:
      k.label = U"Alt", k.maxText = 12;
      break;
    case 35:
      k.label = U"sym", k.maxText = 11;
      break;
    case 36:
      k.symbol = Symbol::Camera, k.inPicture = false;
      break;
    case 37:
      k.symbol = Symbol::Envelope;
      break;
    case 38:
      k.label = U"Power", k.maxText = 11, k.inPicture = false;
      break;
    case 39:
      k.symbol = Symbol::House, k.box = sized(slot, 34, 20);
      break;
    case 40:
      k.label = U"\u21b5";
      break;
    case 41:
      k.label = U"VOL +", k.maxText = 11;
      break;
    case 42:
      k.label = U"VOL \u2212", k.maxText = 11;
      break;
    case 43:
    case 44:
      k.symbol = Symbol::SoftKey;
      break;
    case 45:
      k.label = U"OK", k.maxText = 12;
      break;
    case 46:
      k.label = U"\u260e", k.labelColour = kTalk, k.box = sized(slot, 39, 24), k.maxText = 18;
      break;
    case 47:
      k.label = U"\u260e", k.labelColour = kEnd, k.box = sized(slot, 39, 20);
      break;
    case 48:
      k.symbol = Symbol::Up;
      break;
    case 49:
      k.symbol = Symbol::Down;
      break;
    case 50:
      k.symbol = Symbol::Left;
      break;
    case 51:
      k.symbol = Symbol::Right;
      break;
    case 52:
    case 53:
    case 54:
    case 55:
      k.symbol = Symbol::Arc, k.inPicture = false;
      break;
    case 56:
      k.symbol = Symbol::Centre;
      break;
    case 57:
      k.label = U"CAM", k.maxText = 12;
      break;
    case 58:
      k.label = U"HOLD", k.maxText = 12, k.box = sized(slot, 55, 24);
      break;
  }
  return k;
}

bool insideEllipse(double x, double y, double rx, double ry) {
  const double dx = (x - kRingCentre.x) / rx;
  const double dy = (y - kRingCentre.y) / ry;
  return dx * dx + dy * dy <= 1.0;
}

void drawArrow(Canvas& c, Box b, Symbol dir, Rgba colour) {
  const Point m = b.centre();
  const double h = std::min(b.width(), b.height()) * 0.32;
  switch (dir) {
    case Symbol::Up:
      c.fillPolygon({{m.x - h, m.y + h / 2}, {m.x + h, m.y + h / 2}, {m.x, m.y - h * 0.7}}, colour);
      break;
    case Symbol::Down:
      c.fillPolygon({{m.x - h, m.y - h / 2}, {m.x + h, m.y - h / 2}, {m.x, m.y + h * 0.7}}, colour);
      break;
    case Symbol::Left:
      c.fillPolygon({{m.x + h / 2, m.y - h}, {m.x + h / 2, m.y + h}, {m.x - h * 0.7, m.y}}, colour);
      break;
    default:
      c.fillPolygon({{m.x - h / 2, m.y - h}, {m.x - h / 2, m.y + h}, {m.x + h * 0.7, m.y}}, colour);
      break;
  }
}

void drawSymbol(Canvas& c, const Font& font, const KeyArt& k, bool pressed) {
  const Box b = k.box;
  const Point m = b.centre();
  switch (k.symbol) {
    case Symbol::Text:
      c.drawText(font, pressed && !k.pressedLabel.empty() ? k.pressedLabel : k.label, b.inset(3),
                 k.maxText, k.labelColour);
      break;
    case Symbol::House:
      c.fillPolygon({{m.x - 8, m.y - 1}, {m.x, m.y - 8}, {m.x + 8, m.y - 1}}, kInk);
      c.fillRect(Box{m.x - 5.5, m.y - 1.5, m.x + 5.5, m.y + 6}, kInk);
      c.fillRect(Box{m.x - 1.5, m.y + 1.5, m.x + 1.5, m.y + 6}, pressed ? kPressed : kFace);
      break;
    case Symbol::Envelope: {
      const Box e{m.x - 9, m.y - 6, m.x + 9, m.y + 6};
      c.fillRect(e, kInk);
      c.fillRect(e.inset(1.4), pressed ? kPressed : kFace);
      c.drawLine({e.left + 1, e.top + 1}, {m.x, m.y + 1.5}, 1.4, kInk);
      c.drawLine({e.right - 1, e.top + 1}, {m.x, m.y + 1.5}, 1.4, kInk);
      break;
    }
    case Symbol::Camera:
      c.fillRoundRect(Box{m.x - 9, m.y - 5, m.x + 9, m.y + 7}, 2, kInk);
      c.fillRect(Box{m.x - 4, m.y - 8, m.x + 3, m.y - 4}, kInk);
      c.fillEllipse(Box{m.x - 4.5, m.y - 3.5, m.x + 4.5, m.y + 5.5}, pressed ? kPressed : kFace);
      c.fillEllipse(Box{m.x - 2, m.y - 1, m.x + 2, m.y + 3}, kInk);
      break;
    case Symbol::SoftKey:
      c.drawLine({m.x - 7, m.y}, {m.x + 7, m.y}, 2.5, kInk);
      break;
    case Symbol::Up:
    case Symbol::Down:
    case Symbol::Left:
    case Symbol::Right:
      drawArrow(c, b, k.symbol, kInk);
      break;
    case Symbol::Arc:
    case Symbol::Centre:
      break;
  }
}

// The ring segments are short arcs across the middle of the ring, cut to the slot.
void drawArcPiece(Canvas& c, Box b) {
  auto band = [](double grow, Box clip) {
    return [=](double x, double y) {
      return x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom &&
             insideEllipse(x, y, 39 + grow, 27 + grow) &&
             !insideEllipse(x, y, 29 - grow, 18 - grow);
    };
  };
  c.fillShape(b, band(0, b), kInk);
  c.fillShape(b, band(-1.2, b.inset(1)), kPressed);
}

void drawKeyArt(Canvas& c, const Font& font, int slot, bool pressed) {
  const KeyArt k = keyArt(slot);
  const Rgba face = pressed ? kPressed : kFace;
  switch (k.symbol) {
    case Symbol::Arc:
      drawArcPiece(c, k.box);
      return;
    case Symbol::Centre:
      if (pressed) {
        c.fillEllipse(k.box, kInk);
        c.fillEllipse(k.box.inset(1.2), kPressed);
      } else {
        c.fillEllipse(k.box, Rgba{70, 72, 80});
        c.fillEllipse(k.box.inset(1.2), kCentre);
      }
      return;
    case Symbol::Up:
    case Symbol::Down:
    case Symbol::Left:
    case Symbol::Right:
      // The arrows are printed on the ring; pressed, they light up as a small key.
      if (pressed) c.drawKey(k.box, 4, 1.2, kInk, kPressed);
      drawSymbol(c, font, k, pressed);
      return;
    default:
      break;
  }
  const double radius = k.box.height() >= 30 ? 5 : 4;
  c.drawKey(k.box, radius, 1.2, kInk, face);
  drawSymbol(c, font, k, pressed);
}

// The picture with every key at rest, drawn kWorkWidth wide.
Canvas drawKeypadBase(const Font& font) {
  Canvas c(kWorkWidth, kPictureHeight, kWhite);
  c.fillRoundRect(kBandBox, 9, kBand);
  const Box ring{kRingCentre.x - kRingRx, kRingCentre.y - kRingRy, kRingCentre.x + kRingRx,
                 kRingCentre.y + kRingRy};
  c.fillEllipse(ring, kInk);
  c.fillEllipse(ring.inset(1.3), kRing);
  c.fillEllipse(Box{kRingCentre.x - kHubRx, kRingCentre.y - kHubRy, kRingCentre.x + kHubRx,
                    kRingCentre.y + kHubRy},
                kCentre);
  for (int slot = 0; slot < vantor1::FILLED_SLOT_COUNT; ++slot) {
    if (keyArt(slot).inPicture) drawKeyArt(c, font, slot, false);
  }
  return c;
}

Canvas crop(const Canvas& source, int x, int y, int width, int height) {
  Canvas out(width, height, kWhite);
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      const int sx = x + col, sy = y + row;
      if (sx < source.width() && sy < source.height()) out.blend(col, row, source.at(sx, sy), 255);
    }
  }
  return out;
}

struct ImageSize {
  int width;
  int height;
};

// The pressed images that are not the size of their slot's rectangle.
ImageSize pressedImageSize(int slot) {
  switch (slot) {
    case 29:
      return {30, 36};
    case 39:
      return {34, 20};
    case 46:
      return {39, 24};
    case 57:
      return {59, 24};
    case 58:
      return {55, 24};
    default: {
      const auto& d = vantor1::kSlotDefinitions[static_cast<std::size_t>(slot)];
      return {d.width, d.height};
    }
  }
}

// A pressed image: the key redrawn pressed over the picture, cut out at the slot.
Canvas pressedFromBase(const Canvas& base, const Font& font, int slot) {
  Canvas c = base;
  drawKeyArt(c, font, slot, true);
  const auto& d = vantor1::kSlotDefinitions[static_cast<std::size_t>(slot)];
  const ImageSize size = pressedImageSize(slot);
  return crop(c, d.x, d.y, size.width, size.height);
}

bool writeFile(const std::filesystem::path& path, const Bytes& bytes, std::ostream& err) {
  // Written beside the target and renamed, so an interrupted run leaves no half-written file.
  std::filesystem::path temp = path;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      err << "artgen: cannot write " << temp.string() << "\n";
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    err << "artgen: cannot replace " << path.string() << ": " << ec.message() << "\n";
    return false;
  }
  return true;
}

bool writeAll(const std::string& dir, const std::vector<GeneratedFile>& files, std::ostream& err) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    err << "artgen: cannot create " << dir << ": " << ec.message() << "\n";
    return false;
  }
  for (const GeneratedFile& f : files) {
    if (!writeFile(std::filesystem::path(dir) / f.name, f.bytes, err)) return false;
  }
  return true;
}

}  // namespace

std::vector<GeneratedFile> vantorArtwork() {
  return {{"vantor.ico", encodeIcon(vantorIcon, {16, 32, 48, 64}, {8, 32})}};
}

std::vector<GeneratedFile> vantor1Artwork(const Font& font) {
  std::vector<GeneratedFile> files;
  files.push_back({"vantor1.ico", encodeIcon(vantor1Icon, {48, 32, 16}, {4, 8, 24})});
  const Canvas base = drawKeypadBase(font);
  files.push_back({"keypad_" + std::to_string(vantor1::BACKGROUND_BITMAP_ID) + ".bmp",
                   encodeBmp24(crop(base, 0, 0, kPictureWidth, kPictureHeight))});
  for (int slot = 0; slot < vantor1::FILLED_SLOT_COUNT; ++slot) {
    const auto& d = vantor1::kSlotDefinitions[static_cast<std::size_t>(slot)];
    files.push_back({"key_" + std::to_string(d.bitmapId) + ".bmp",
                     encodeBmp24(pressedFromBase(base, font, slot))});
  }
  return files;
}

Canvas drawKeypadPicture(const Font& font) {
  return crop(drawKeypadBase(font), 0, 0, kPictureWidth, kPictureHeight);
}

Canvas drawPressedKey(const Font& font, int slot) {
  return pressedFromBase(drawKeypadBase(font), font, slot);
}

int runArtgen(const std::vector<std::string>& args, const std::string& defaultFont,
              std::ostream& err) {
  std::optional<std::string> outVantor, outVantor1;
  std::optional<std::string> fontFile;
  const char* const usage = "usage: artgen --out-vantor DIR --out-vantor1 DIR [--font FILE]\n";
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a != "--out-vantor" && a != "--out-vantor1" && a != "--font") {
      err << "artgen: unexpected argument '" << a << "'\n" << usage;
      return 2;
    }
    if (i + 1 == args.size()) {
      err << "artgen: " << a << " needs a value\n" << usage;
      return 2;
    }
    const std::string& value = args[++i];
    (a == "--out-vantor" ? outVantor : a == "--out-vantor1" ? outVantor1 : fontFile) = value;
  }
  if (!outVantor || !outVantor1) {
    err << usage;
    return 2;
  }
  std::string error;
  const std::unique_ptr<Font> font = Font::open(fontFile.value_or(defaultFont), &error);
  if (!font) {
    err << "artgen: " << error << "\n";
    return 1;
  }
  if (!writeAll(*outVantor, vantorArtwork(), err)) return 1;
  if (!writeAll(*outVantor1, vantor1Artwork(*font), err)) return 1;
  return 0;
}

}  // namespace artgen
