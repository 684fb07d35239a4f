#include "review.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include "globe_shape.h"
#include "paint.h"
#include "pixel_font.h"
#include "rng.h"

namespace artgen {

namespace {

// The program's blend of a straight-alpha picture onto a frame: colour
// bytes only, the frame's alpha untouched. left and top are in 1x pixels,
// the frame and the picture at the catalogue's scale.
void DrawOnto(Image& frame, const Image& picture, int left, int top, int scale) {
  left *= scale;
  top *= scale;
  for (int y = 0; y < picture.Height; ++y) {
    const int fy = top + y;
    if (fy < 0 || fy >= frame.Height) continue;
    for (int x = 0; x < picture.Width; ++x) {
      const int fx = left + x;
      if (fx < 0 || fx >= frame.Width) continue;
      const std::uint8_t* s = picture.At(x, y);
      std::uint8_t* d = frame.At(fx, fy);
      const unsigned a = s[3];
      for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>((s[c] * a + 255 + (255 - a) * d[c]) >> 8);
    }
  }
}

// The snow's inside test: a hexagon approximating the glass.
bool InsideSnowHexagon(double x, double y, bool farLayer) {
  return x + y / 2 > (farLayer ? 90 : 91) && x / 2 + y > (farLayer ? 73 : 74) && x / 2 - y < 70 &&
         x - y / 2 < 195 && x - y / 2 > -18 && x + y / 2 < (farLayer ? 305 : 303);
}

void Snow(Image& frame, const Catalogue& catalogue, int layer, int count, Rng& rng) {
  const bool farLayer = layer == 0;
  const double bottom = farLayer ? 160 : 180;
  const std::string first = "Snow" + std::to_string(2 * layer + 1);
  const std::string second = "Snow" + std::to_string(2 * layer + 2);
  for (int i = 0; i < count; ++i) {
    const double x = 47 + rng.Uniform() * (farLayer ? 196 : 192);
    const double y = 13 + rng.Uniform() * (bottom - 14);
    if (!InsideSnowHexagon(x, y, farLayer)) continue;
    const Image& flake = catalogue.Get(rng.Uniform() < 0.5 ? first : second);
    DrawOnto(frame, flake, static_cast<int>(std::nearbyint(x)), static_cast<int>(std::nearbyint(y)), catalogue.Scale);
  }
}

void Countdown(Image& frame, const Catalogue& catalogue, int daysLeft) {
  if (daysLeft < 0 || daysLeft >= 368) return;
  const std::string s = std::to_string(daysLeft);
  const int shift = s == "1" ? 10 : s.size() == 1 ? 0 : s.size() == 2 ? -4 : -9;
  int x = 105;
  for (char c : s) {
    const Image& digit = catalogue.Get(std::string("d") + c);
    DrawOnto(frame, digit, shift + x, 187, catalogue.Scale);
    x += digit.Width / catalogue.Scale - 2;
  }
  x += 8;
  DrawOnto(frame, catalogue.Get(s == "1" ? "imgDDay" : "imgDays"), shift + x, 187, catalogue.Scale);
}

struct Rgb8 {
  std::uint8_t R, G, B;
};

Rgb8 Checker(int x, int y, int cell, bool night = false) {
  const bool dark = ((x / cell) + (y / cell)) % 2 == 1;
  if (night) return dark ? Rgb8{0x10, 0x16, 0x2c} : Rgb8{0x1a, 0x22, 0x3c};
  return dark ? Rgb8{0x9a, 0x9a, 0xa2} : Rgb8{0xc4, 0xc4, 0xcc};
}

// Faint, light pictures are shown on a night-blue checkerboard.
bool ShowOnNight(const std::string& name) {
  return name == "imgStars" || name.rfind("Snow", 0) == 0 || name.rfind("moon", 0) == 0;
}

// Shows a premultiplied frame over a checkerboard, scaled up.
Image PresentOverChecker(const Image& frame, int scale) {
  Image out(frame.Width * scale, frame.Height * scale);
  for (int y = 0; y < out.Height; ++y) {
    for (int x = 0; x < out.Width; ++x) {
      const std::uint8_t* s = frame.At(x / scale, y / scale);
      const Rgb8 bg = Checker(x, y, 8 * scale);
      const unsigned a = s[3];
      std::uint8_t* d = out.At(x, y);
      const std::uint8_t bgc[3] = {bg.R, bg.G, bg.B};
      for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>(std::min(255u, s[c] + (255 - a) * bgc[c] / 255));
      d[3] = 255;
    }
  }
  return out;
}

std::string SizeText(const Image& image, int scale) {
  return std::to_string(image.Width) + "x" + std::to_string(image.Height) +
         (scale > 1 ? " (" + std::to_string(scale) + "x)" : "");
}

}  // namespace

SkyMoment SkyAfter(int slowTicks) {
  SkyMoment m;
  auto step = [&m](bool skyTick, bool spriteTick) {
    if (m.SkyRising && skyTick) --m.SkyOffset;
    if (!m.SkyRising && skyTick) ++m.SkyOffset;
    if (m.SkyOffset == 0) {
      m.SunX = -30;
      m.SunY = 65;
      m.SkyRising = true;
      m.SunVisible = false;
    }
    if (m.SkyOffset < -600) m.SkyRising = false;
    if (m.SkyOffset == -251 && m.SkyRising) m.SunVisible = true;
    if (m.SkyOffset == -590 && !m.SkyRising) m.SunVisible = true;
    if (m.SunY < -100 && m.SkyRising) {
      m.SunVisible = false;
      m.SunX = -40;
      m.SunY = -100;
    }
    if (m.SunVisible && spriteTick && ++m.SunFrame > 5) {
      m.SunFrame = 1;
      ++m.SunX;
      m.SunY += m.SkyRising ? -1 : 1;
    }
    if (m.SkyOffset > -450 && !m.SkyRising) m.MoonVisible = true;
    if (m.MoonY < -60) {
      m.MoonVisible = false;
      m.MoonX = 0;
      m.MoonY = 100;
    }
    if (m.MoonVisible && skyTick && ++m.MoonFrame > 5) {
      m.MoonFrame = 1;
      ++m.MoonX;
      --m.MoonY;
    }
  };
  for (int t = 0; t < slowTicks; ++t) {
    step(true, true);
    step(false, true);
    step(false, true);
  }
  return m;
}

Image ComposeFrame(const Catalogue& catalogue, const SkyMoment& sky, int daysLeft, bool withSnow) {
  Image frame = catalogue.Get("imgTree");
  for (int y = 0; y < frame.Height; ++y) {
    for (int x = 0; x < frame.Width; ++x) {
      std::uint8_t* p = frame.At(x, y);
      for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>((p[c] * p[3] + 127) / 255);
    }
  }
  Rng rng("still snow");
  const int s = catalogue.Scale;
  DrawOnto(frame, catalogue.Get("imgDay"), 45, sky.SkyOffset, s);
  DrawOnto(frame, catalogue.Get("imgStars"), 0, 0, s);
  if (sky.SunVisible) {
    const std::string name = (sky.SkyRising ? "sun" : "sundown") + std::to_string(sky.SunFrame);
    DrawOnto(frame, catalogue.Get(name), sky.SunX, sky.SunY, s);
  }
  if (sky.MoonVisible) DrawOnto(frame, catalogue.Get("moon" + std::to_string(sky.MoonFrame)), sky.MoonX, sky.MoonY, s);
  DrawOnto(frame, catalogue.Get("imgLandscape"), 0, 0, s);
  if (withSnow) Snow(frame, catalogue, 0, 60, rng);
  DrawOnto(frame, catalogue.Get("imgHome"), 0, 0, s);
  if (withSnow) Snow(frame, catalogue, 1, 30, rng);
  DrawOnto(frame, catalogue.Get("imgSugrob"), 0, 0, s);
  if (withSnow) Snow(frame, catalogue, 2, 6, rng);
  DrawOnto(frame, catalogue.Get("img3"), 0, 0, s);
  Countdown(frame, catalogue, daysLeft);
  return frame;
}

Image RenderStill(const Catalogue& catalogue, const StillOptions& options) {
  const Image frame = ComposeFrame(catalogue, SkyAfter(options.SlowTicks), options.DaysLeft, options.Snow);
  if (options.CropWidth <= 0 || options.CropHeight <= 0) return PresentOverChecker(frame, options.Zoom);
  // The crop is in 1x frame pixels, so one crop frames the same part at any scale.
  const int s = catalogue.Scale;
  Image part(options.CropWidth * s, options.CropHeight * s);
  for (int y = 0; y < part.Height; ++y) {
    for (int x = 0; x < part.Width; ++x) {
      const int fx = std::clamp(options.CropX * s + x, 0, frame.Width - 1);
      const int fy = std::clamp(options.CropY * s + y, 0, frame.Height - 1);
      std::copy_n(frame.At(fx, fy), 4, part.At(x, y));
    }
  }
  return PresentOverChecker(part, options.Zoom);
}

Image RenderSheet(const Catalogue& catalogue) {
  // Cells flow left to right in rows; the tall sky strip gets its own column.
  constexpr int kPad = 14;
  constexpr int kLabel = 2 * kPixelFontHeight + 6;
  constexpr int kSheetWidth = 1560;
  struct Cell {
    const NamedPicture* Picture;
    int X, Y, Scale;
  };
  std::vector<Cell> cells;
  int x = kPad, y = kPad, rowHeight = 0;
  const Image& strip = catalogue.Get("imgDay");
  const int columnLeft = kPad + strip.Width + 2 * kPad;
  x = columnLeft;
  for (const NamedPicture& p : catalogue.Pictures) {
    if (p.Name == "imgDay") {
      cells.push_back({&p, kPad, kPad + kLabel, 1});
      continue;
    }
    const int scale = p.Picture.Width <= 7 ? 8 : p.Picture.Width <= 60 ? 3 : 1;
    const int w = std::max(p.Picture.Width * scale, PixelTextWidth(p.Name, 2) + 8 + PixelTextWidth(SizeText(p.Picture, scale), 1));
    const int h = p.Picture.Height * scale + kLabel;
    if (x + w > kSheetWidth - kPad) {
      x = columnLeft;
      y += rowHeight + kPad;
      rowHeight = 0;
    }
    cells.push_back({&p, x, y + kLabel, scale});
    x += w + kPad;
    rowHeight = std::max(rowHeight, h);
  }
  const int height = std::max(y + rowHeight + kPad, kPad + kLabel + strip.Height + kPad);

  Canvas sheet(kSheetWidth, height);
  cairo_t* cr = sheet.Cr();
  SetColour(cr, Hex(0x2b2f3a));
  cairo_paint(cr);
  for (const Cell& cell : cells) {
    const Image& img = cell.Picture->Picture;
    const int w = img.Width * cell.Scale, h = img.Height * cell.Scale;
    // Checkerboard behind the picture shows its transparency.
    Image shown(w, h);
    for (int py = 0; py < h; ++py) {
      for (int px = 0; px < w; ++px) {
        const std::uint8_t* s = img.At(px / cell.Scale, py / cell.Scale);
        const Rgb8 bg = Checker(px, py, 8, ShowOnNight(cell.Picture->Name));
        const std::uint8_t bgc[3] = {bg.R, bg.G, bg.B};
        std::uint8_t* d = shown.At(px, py);
        for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>((s[c] * s[3] + bgc[c] * (255 - s[3]) + 127) / 255);
        d[3] = 255;
      }
    }
    SurfacePtr surface = SurfaceFromImage(shown);
    cairo_set_source_surface(cr, surface.get(), cell.X, cell.Y);
    cairo_paint(cr);
    SetColour(cr, Hex(0xe8ecf4));
    const std::string label = cell.Picture->Name;
    DrawPixelText(cr, cell.X, cell.Y - kLabel + 2, label, 2);
    SetColour(cr, Hex(0x9aa3b5));
    const std::string size = SizeText(img, cell.Scale);
    DrawPixelText(cr, cell.X + PixelTextWidth(label, 2) + 8, cell.Y - kLabel + 2 + kPixelFontHeight - 7, size, 1);
  }
  return sheet.ToImage();
}

}  // namespace artgen

namespace artgen {

Image RenderCycle(const Catalogue& catalogue) {
  constexpr int kTicks[] = {20, 60, 120, 200, 300, 420, 560, 700, 800, 950, 1100, 1180};
  constexpr int kColumns = 4;
  constexpr int kLabel = 16;
  const int rows = static_cast<int>(std::size(kTicks) + kColumns - 1) / kColumns;
  const int frameWidth = kWindowWidth * catalogue.Scale, frameHeight = kWindowHeight * catalogue.Scale;
  Canvas out(kColumns * frameWidth, rows * (frameHeight + kLabel));
  cairo_t* cr = out.Cr();
  SetColour(cr, Hex(0x2b2f3a));
  cairo_paint(cr);
  for (std::size_t i = 0; i < std::size(kTicks); ++i) {
    const SkyMoment sky = SkyAfter(kTicks[i]);
    const Image shown = PresentOverChecker(ComposeFrame(catalogue, sky, kTicks[i] % 368, true), 1);
    const int x = static_cast<int>(i % kColumns) * frameWidth;
    const int y = static_cast<int>(i / kColumns) * (frameHeight + kLabel);
    SurfacePtr surface = SurfaceFromImage(shown);
    cairo_set_source_surface(cr, surface.get(), x, y + kLabel);
    cairo_paint(cr);
    SetColour(cr, Hex(0xe8ecf4));
    const std::string label = "tick " + std::to_string(kTicks[i]) + " offset " + std::to_string(sky.SkyOffset) +
                              (sky.SkyRising ? " rising" : " setting");
    DrawPixelText(cr, x + 4, y + 3, label, 1);
  }
  return out.ToImage();
}

}  // namespace artgen
