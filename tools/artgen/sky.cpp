// The sky strip and the stars.
//
// The strip scrolls through the glass: offset 0 shows its top rows (deep
// night), offset -601 rows 601..810 (day). Between them lies the band the
// glass shows while the sun rises and sets. The glass spans about 175 rows
// of the strip above the hills, so any slice is darker at its zenith than
// at its horizon, as a real sky is.

#include <algorithm>
#include <cmath>
#include <iterator>

#include "globe_shape.h"
#include "paint.h"
#include "pictures.h"
#include "rng.h"

namespace artgen {

namespace {

struct SkyStop {
  double Row;
  std::uint32_t Colour;
};

constexpr SkyStop kSkyStops[] = {
    {0, 0x04061a},   {100, 0x070d2b}, {180, 0x0c1a42}, {250, 0x182b5e}, {305, 0x2c3b78},
    {350, 0x4d4a8a}, {388, 0x80609a}, {420, 0xbd7595}, {446, 0xe88f80}, {470, 0xf8b26f},
    {494, 0xfcd08a}, {520, 0xf8e4b4}, {548, 0xdce8e2}, {580, 0xb0d3ee}, {615, 0x8cc2ec},
    {700, 0x9fcdf0}, {790, 0xcbe4f7}, {848, 0xdcedf9},
};

Rgb SkyAt(double row) {
  const auto n = std::size(kSkyStops);
  if (row <= kSkyStops[0].Row) return Hex(kSkyStops[0].Colour);
  for (std::size_t i = 1; i < n; ++i) {
    if (row <= kSkyStops[i].Row) {
      const double t = (row - kSkyStops[i - 1].Row) / (kSkyStops[i].Row - kSkyStops[i - 1].Row);
      // Smoothstep between stops: no visible kinks where two stops meet.
      const double s = t * t * (3 - 2 * t);
      return Mix(Hex(kSkyStops[i - 1].Colour), Hex(kSkyStops[i].Colour), s);
    }
  }
  return Hex(kSkyStops[n - 1].Colour);
}

}  // namespace

Image DrawSkyStrip(int scale) {
  Image strip(kStripWidth * scale, kStripHeight * scale);
  Rng rng("imgDay");
  for (int y = 0; y < strip.Height; ++y) {
    // The 1x row under this row's centre: the sky scrolls in 1x rows.
    const Rgb c = SkyAt((y + 0.5) / scale - 0.5);
    for (int x = 0; x < strip.Width; ++x) {
      // A touch of ordered noise keeps slow gradients free of banding.
      const double dither = rng.Uniform(-0.5, 0.5);
      std::uint8_t* p = strip.At(x, y);
      p[0] = static_cast<std::uint8_t>(std::clamp(c.R * 255 + dither, 0.0, 255.0) + 0.5);
      p[1] = static_cast<std::uint8_t>(std::clamp(c.G * 255 + dither, 0.0, 255.0) + 0.5);
      p[2] = static_cast<std::uint8_t>(std::clamp(c.B * 255 + dither, 0.0, 255.0) + 0.5);
      p[3] = 255;
    }
  }
  return strip;
}

Image DrawStars(int scale) {
  Canvas canvas(kWindowWidth, kWindowHeight, scale);
  cairo_t* cr = canvas.Cr();
  Rng rng("imgStars");
  const Rgb kCool = Hex(0xe4ecff);
  const Rgb kWarm = Hex(0xfff0d6);
  // Stars are faint enough to vanish into the day sky; on the night rows
  // even a quarter of white reads clearly.
  auto place = [&](double minDistanceFromEdge, double& x, double& y) {
    for (;;) {
      x = rng.Uniform(kGlobeCx - kGlassInnerR, kGlobeCx + kGlassInnerR);
      // More stars towards the zenith.
      y = 8 + 150 * std::pow(rng.Uniform(), 1.5);
      const double dx = x - kGlobeCx, dy = y - kGlobeCy;
      if (std::sqrt(dx * dx + dy * dy) < kGlassInnerR - minDistanceFromEdge && y < 150) return;
    }
  };
  for (int i = 0; i < 90; ++i) {
    double x, y;
    place(3, x, y);
    const Rgb c = rng.Uniform() < 0.25 ? kWarm : kCool;
    cairo_rectangle(cr, std::floor(x), std::floor(y), 1, 1);
    SetColour(cr, c, rng.Uniform(0.12, 0.38));
    cairo_fill(cr);
  }
  for (int i = 0; i < 18; ++i) {
    double x, y;
    place(5, x, y);
    const Rgb c = rng.Uniform() < 0.3 ? kWarm : kCool;
    SoftDot(cr, std::floor(x) + 0.5, std::floor(y) + 0.5, 1.6, c, rng.Uniform(0.35, 0.5));
  }
  // A few bright ones with a small four-pointed twinkle.
  for (int i = 0; i < 5; ++i) {
    double x, y;
    place(10, x, y);
    x = std::floor(x) + 0.5;
    y = std::floor(y) + 0.5;
    const double arm = rng.Uniform(3.0, 4.5);
    for (int k = 0; k < 2; ++k) {
      const double dx = k == 0 ? arm : 0, dy = k == 0 ? 0 : arm;
      SetLinear(cr, x - dx, y - dy, x + dx, y + dy,
                {{0, kCool, 0}, {0.5, kCool, 0.22}, {1, kCool, 0}});
      cairo_move_to(cr, x - dx, y - dy);
      cairo_line_to(cr, x + dx, y + dy);
      cairo_set_line_width(cr, 0.9);
      cairo_stroke(cr);
    }
    SoftDot(cr, x, y, 1.8, Hex(0xffffff), 0.4);
  }
  return canvas.ToImage();
}

}  // namespace artgen
