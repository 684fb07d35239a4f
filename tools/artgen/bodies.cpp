// Sun, setting sun and moon. Each body is centred in its sprite and fades
// to nothing well inside the sprite's edge, so no box ever shows. The five
// frames of a body loop: rays turn by a fifth of their spacing per frame and
// the glow breathes once per loop.

#include <cmath>

#include "paint.h"
#include "pictures.h"
#include "rng.h"

namespace artgen {

namespace {

constexpr int kFrames = 5;

double Breath(int frame) { return std::sin(2 * M_PI * (frame - 1) / kFrames); }

// Soft tapered rays around (c, c), turned by angle.
void Rays(cairo_t* cr, double c, int count, double inner, double outer, double width, double angle, Rgb colour,
          double alpha) {
  for (int i = 0; i < count; ++i) {
    const double a = angle + 2 * M_PI * i / count;
    const double longRay = i % 2 == 0 ? 1.0 : 0.72;
    const double reach = inner + (outer - inner) * longRay;
    cairo_save(cr);
    cairo_translate(cr, c, c);
    cairo_rotate(cr, a);
    cairo_move_to(cr, inner, -width / 2);
    cairo_line_to(cr, reach, 0);
    cairo_line_to(cr, inner, width / 2);
    cairo_close_path(cr);
    SetLinear(cr, inner, 0, reach, 0, {{0, colour, alpha}, {1, colour, 0}});
    cairo_fill(cr);
    cairo_restore(cr);
  }
}

}  // namespace

Image DrawSun(int frame, int scale) {
  Canvas canvas(kSunSize, kSunSize, scale);
  cairo_t* cr = canvas.Cr();
  const double c = kSunSize / 2.0;
  const double breath = Breath(frame);
  const Rgb glow = Hex(0xfff0c0);
  // Wide, faint halo.
  SetRadial(cr, c, c, 0, 78,
            {{0.0, glow, 0.55}, {0.2, glow, 0.38 + 0.03 * breath}, {0.42, glow, 0.13}, {0.7, glow, 0.04},
             {1.0, glow, 0.0}});
  cairo_paint(cr);
  const double spacing = 2 * M_PI / 12;
  Rays(cr, c, 12, 17, 44 + 2 * breath, 7, spacing * (frame - 1) / kFrames * 2, Hex(0xfff6d8), 0.26);
  // The disc, a little hotter in its middle.
  SetRadial(cr, c - 3, c - 3, 0, c, c, 15,
            {{0, Hex(0xffffff)}, {0.55, Hex(0xfff7cf)}, {0.9, Hex(0xffe58a)}, {1, Hex(0xffd766)}});
  cairo_arc(cr, c, c, 15, 0, 2 * M_PI);
  cairo_fill(cr);
  SoftDot(cr, c, c, 22, Hex(0xffffff), 0.25 + 0.05 * breath);
  return canvas.ToImage();
}

Image DrawSettingSun(int frame, int scale) {
  Canvas canvas(kSunSize, kSunSize, scale);
  cairo_t* cr = canvas.Cr();
  const double c = kSunSize / 2.0;
  const double breath = Breath(frame);
  const Rgb glow = Hex(0xff9a52);
  SetRadial(cr, c, c, 0, 78,
            {{0.0, glow, 0.6}, {0.22, glow, 0.36 + 0.04 * breath}, {0.45, Hex(0xff8a5a), 0.12},
             {0.75, Hex(0xe86a6a), 0.035}, {1.0, glow, 0.0}});
  cairo_paint(cr);
  // Low sun: its light spreads sideways along the horizon haze.
  cairo_save(cr);
  cairo_translate(cr, c, c);
  cairo_scale(cr, 1.0, 0.16);
  SetRadial(cr, 0, 0, 0, 70 + 3 * breath, {{0, Hex(0xffd3a0), 0.45}, {1, Hex(0xffb080), 0.0}});
  cairo_arc(cr, 0, 0, 75, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_restore(cr);
  const double spacing = 2 * M_PI / 10;
  Rays(cr, c, 10, 19, 38 + 2 * breath, 6, spacing * (frame - 1) / kFrames * 2 + 0.1, Hex(0xffc690), 0.18);
  SetRadial(cr, c - 3, c - 4, 0, c, c, 17,
            {{0, Hex(0xfff2c8)}, {0.5, Hex(0xffc66a)}, {0.88, Hex(0xff8c3a)}, {1, Hex(0xf0702e)}});
  cairo_arc(cr, c, c, 17, 0, 2 * M_PI);
  cairo_fill(cr);
  return canvas.ToImage();
}

Image DrawMoon(int frame, int scale) {
  Canvas canvas(kMoonSize, kMoonSize, scale);
  cairo_t* cr = canvas.Cr();
  const double c = kMoonSize / 2.0;
  const double breath = Breath(frame);
  const Rgb halo = Hex(0xc8d8ff);
  SetRadial(cr, c, c, 0, 58,
            {{0.0, halo, 0.45}, {0.3, halo, 0.20 + 0.03 * breath}, {0.6, halo, 0.06}, {1.0, halo, 0.0}});
  cairo_paint(cr);
  // A faint ring in the frosty air, brightening and fading over the loop.
  cairo_arc(cr, c, c, 27 + breath, 0, 2 * M_PI);
  SetColour(cr, Hex(0xe8eeff), 0.07 + 0.04 * std::cos(2 * M_PI * (frame - 1) / kFrames));
  cairo_set_line_width(cr, 3);
  cairo_stroke(cr);

  const double r = 13;
  SetRadial(cr, c - 4, c - 4, 0, c, c, r,
            {{0, Hex(0xfffdf2)}, {0.7, Hex(0xf2eedc)}, {1, Hex(0xd9d4c2)}});
  cairo_arc(cr, c, c, r, 0, 2 * M_PI);
  cairo_fill_preserve(cr);
  cairo_save(cr);
  cairo_clip(cr);
  // Seas and craters.
  const Rgb sea = Hex(0xb9b6aa);
  struct Spot {
    double X, Y, R, A;
  };
  const Spot spots[] = {{-4, -3, 4.5, 0.45}, {3, -5, 3.0, 0.35}, {4, 2, 4.0, 0.40}, {-2, 5, 3.0, 0.30},
                        {-7, 3, 2.0, 0.30},  {7, -1, 1.6, 0.35}, {0, -1, 1.4, 0.25}};
  for (const Spot& s : spots) {
    SetRadial(cr, c + s.X, c + s.Y, 0, s.R, {{0, sea, s.A}, {0.7, sea, s.A * 0.7}, {1, sea, 0}});
    cairo_arc(cr, c + s.X, c + s.Y, s.R, 0, 2 * M_PI);
    cairo_fill(cr);
  }
  // Soft shading towards the lower right limb.
  SetRadial(cr, c - 5, c - 5, r * 0.6, c - 2, c - 2, r * 1.5,
            {{0, Hex(0x000000), 0.0}, {1, Hex(0x384060), 0.35}});
  cairo_paint(cr);
  cairo_restore(cr);
  return canvas.ToImage();
}

}  // namespace artgen
