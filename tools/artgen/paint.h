#pragma once
// Colours and the few cairo idioms every picture uses.

#include <cairo.h>

#include <cstdint>
#include <initializer_list>

namespace artgen {

struct Rgb {
  double R = 0, G = 0, B = 0;  // 0..1
};

constexpr Rgb Hex(std::uint32_t rrggbb) {
  return Rgb{((rrggbb >> 16) & 0xFF) / 255.0, ((rrggbb >> 8) & 0xFF) / 255.0, (rrggbb & 0xFF) / 255.0};
}

inline Rgb Mix(Rgb a, Rgb b, double t) {
  return Rgb{a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

inline void SetColour(cairo_t* cr, Rgb c, double alpha = 1.0) {
  cairo_set_source_rgba(cr, c.R, c.G, c.B, alpha);
}

inline void AddStop(cairo_pattern_t* p, double offset, Rgb c, double alpha = 1.0) {
  cairo_pattern_add_color_stop_rgba(p, offset, c.R, c.G, c.B, alpha);
}

struct Stop {
  double Offset;
  Rgb Colour;
  double Alpha = 1.0;
};

// Sets a linear gradient from (x0, y0) to (x1, y1) as the source.
void SetLinear(cairo_t* cr, double x0, double y0, double x1, double y1, std::initializer_list<Stop> stops);
// Sets a radial gradient around (cx, cy) from radius r0 to r1 as the source.
void SetRadial(cairo_t* cr, double cx, double cy, double r0, double r1, std::initializer_list<Stop> stops);
void SetRadial(cairo_t* cr, double fx, double fy, double r0, double cx, double cy, double r1,
               std::initializer_list<Stop> stops);

// An ellipse path (new sub-path) centred on (cx, cy).
void EllipsePath(cairo_t* cr, double cx, double cy, double rx, double ry);
// A rectangle with rounded corners.
void RoundedRectPath(cairo_t* cr, double x, double y, double w, double h, double r);

// A soft round dot: colour at alpha in the middle, fading to nothing at r.
void SoftDot(cairo_t* cr, double cx, double cy, double r, Rgb colour, double alpha);

}  // namespace artgen
