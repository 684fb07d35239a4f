// The distant hills with their forest line, and the foreground snowdrift.
// Everything is clipped to the glass a little beyond its visible edge, so
// the rim overlaps it without a seam.

#include <cmath>

#include "globe_shape.h"
#include "paint.h"
#include "pictures.h"
#include "rng.h"

namespace artgen {

namespace {

constexpr double kLeft = kGlobeCx - kSceneR;
constexpr double kRight = kGlobeCx + kSceneR;
constexpr double kGround = 200;  // every layer reaches below the collar

double Bump(double x, double centre, double width) {
  const double u = (x - centre) / width;
  return std::exp(-u * u);
}

// The far range: higher towards both sides of the glass, a low saddle in
// the middle where the sun sets.
double FarRidge(double x) {
  return 134 - 20 * Bump(x, 72, 28) - 12 * Bump(x, 112, 18) - 16 * Bump(x, 212, 26) - 7 * Bump(x, 178, 14) +
         0.8 * std::sin(x * 0.21) + 0.4 * std::sin(x * 0.53 + 1.3);
}

// The nearer, wooded hills.
double NearRidge(double x) {
  return 148 - 8 * Bump(x, 90, 34) - 6 * Bump(x, 200, 30) + 0.6 * std::sin(x * 0.5);
}

// One vertex per pixel column at the drawing scale keeps the crest smooth.
void RidgePath(cairo_t* cr, double (*ridge)(double), int scale) {
  cairo_move_to(cr, kLeft, kGround);
  for (double x = kLeft; x <= kRight; x += 1.0 / scale) cairo_line_to(cr, x, ridge(x));
  cairo_line_to(cr, kRight, kGround);
  cairo_close_path(cr);
}

void SceneClip(cairo_t* cr) {
  SpherePath(cr, kSceneR);
  cairo_clip(cr);
}

// A small fir seen from afar: a dark cone with a dusting of snow.
void DistantFir(cairo_t* cr, double x, double base, double height, double width, Rgb colour) {
  cairo_move_to(cr, x, base - height);
  cairo_line_to(cr, x + width / 2, base);
  cairo_line_to(cr, x - width / 2, base);
  cairo_close_path(cr);
  SetColour(cr, colour);
  cairo_fill(cr);
  cairo_move_to(cr, x, base - height);
  cairo_line_to(cr, x - width * 0.22, base - height * 0.55);
  cairo_line_to(cr, x + width * 0.05, base - height * 0.62);
  cairo_close_path(cr);
  SetColour(cr, Hex(0xe6eef8), 0.55);
  cairo_fill(cr);
}

}  // namespace

Image DrawLandscape(int scale) {
  Canvas canvas(kWindowWidth, kWindowHeight, scale);
  cairo_t* cr = canvas.Cr();
  Rng rng("imgLandscape");
  SceneClip(cr);

  // Far range: pale, hazy, lit from the left.
  RidgePath(cr, FarRidge, scale);
  SetLinear(cr, 0, 112, 0, 150, {{0, Hex(0xc9d4e6)}, {1, Hex(0x9aabc6)}});
  cairo_fill(cr);
  // Slopes facing away from the light fall into a soft blue shade that
  // fades down the hillside.
  for (double x = kLeft; x <= kRight; x += 1) {
    const double slope = (FarRidge(x + 3) - FarRidge(x - 3)) / 6;
    if (slope <= 0.05) continue;
    const double top = FarRidge(x);
    cairo_rectangle(cr, x - 0.5, top - 0.5, 1, 22);
    const double a = std::min(0.5, (slope - 0.05) * 0.9);
    SetLinear(cr, 0, top, 0, top + 22, {{0, Hex(0x7a8db0), a}, {1, Hex(0x7a8db0), 0}});
    cairo_fill(cr);
  }
  // The haze thickens towards the foot of the range.
  cairo_rectangle(cr, kLeft, 120, kRight - kLeft, 40);
  SetLinear(cr, 0, 130, 0, 152, {{0, Hex(0xdbe4f1), 0}, {1, Hex(0xdbe4f1), 0.6}});
  cairo_fill(cr);

  // Forest line along the near hills' crest.
  const Rgb forest = Hex(0x2d4861);
  for (double x = kLeft; x <= kRight; x += rng.Uniform(2.2, 4.0)) {
    const double base = NearRidge(x) + 2.5;
    const double h = rng.Uniform(5, 10) * (0.8 + 0.4 * Bump(x, 140, 60));
    DistantFir(cr, x, base, h, h * 0.55, Mix(forest, Hex(0x3e5a72), rng.Uniform()));
  }
  // Near hills, deep in snow.
  RidgePath(cr, NearRidge, scale);
  SetLinear(cr, 0, 138, 0, 175, {{0, Hex(0xeef3fa)}, {0.4, Hex(0xd7e2f0)}, {1, Hex(0xbccbe0)}});
  cairo_fill(cr);
  // A soft blue shadow just under the crest, where the trees shade the snow.
  for (double x = kLeft; x <= kRight; x += 1) {
    cairo_move_to(cr, x, NearRidge(x) + 0.5);
    cairo_line_to(cr, x, NearRidge(x) + 4);
    SetLinear(cr, 0, NearRidge(x), 0, NearRidge(x) + 4, {{0, Hex(0x8ea2c2), 0.5}, {1, Hex(0x8ea2c2), 0}});
    cairo_set_line_width(cr, 1.05);
    cairo_stroke(cr);
  }
  return canvas.ToImage();
}

Image DrawSnowdrift(int scale) {
  Canvas canvas(kWindowWidth, kWindowHeight, scale);
  cairo_t* cr = canvas.Cr();
  Rng rng("imgSugrob");
  SceneClip(cr);

  const Rgb snowTop = Hex(0xfbfdff);
  const Rgb snowShade = Hex(0xb3c4dd);
  // One drift across the front: a big soft wave rising towards the glass
  // on the left, a dip in the middle, a smaller hump with the snowman on
  // the right.
  cairo_move_to(cr, kLeft, 146);
  cairo_curve_to(cr, 62, 150, 74, 160, 92, 167);
  cairo_curve_to(cr, 110, 172, 128, 174, 148, 174);
  cairo_curve_to(cr, 172, 173, 192, 164, 210, 161);
  cairo_curve_to(cr, 226, 158, 236, 150, kRight, 146);
  cairo_line_to(cr, kRight, kGround);
  cairo_line_to(cr, kLeft, kGround);
  cairo_close_path(cr);
  SetLinear(cr, 0, 146, 0, 190, {{0, snowTop}, {0.45, Hex(0xe4ebf6)}, {1, snowShade}});
  cairo_fill(cr);
  // The drifts' wind-carved lips catch the light.
  cairo_move_to(cr, kLeft, 146.8);
  cairo_curve_to(cr, 62, 150.8, 74, 160.8, 92, 167.8);
  SetColour(cr, Hex(0xffffff), 0.9);
  cairo_set_line_width(cr, 1.2);
  cairo_stroke(cr);
  cairo_move_to(cr, 190, 165.5);
  cairo_curve_to(cr, 200, 163, 205, 162, 210, 161.8);
  cairo_curve_to(cr, 226, 158.8, 236, 150.8, kRight, 146.8);
  cairo_stroke(cr);

  // Snowman.
  const double sx = 214, sy = 160;
  SoftDot(cr, sx + 2, sy + 1, 9, Hex(0x7e92b4), 0.35);  // his shadow
  auto ball = [&](double x, double y, double r) {
    SetRadial(cr, x - r * 0.4, y - r * 0.45, 0, x, y, r,
              {{0, Hex(0xffffff)}, {0.6, Hex(0xeef3fa)}, {1, Hex(0xb9c8de)}});
    cairo_arc(cr, x, y, r, 0, 2 * M_PI);
    cairo_fill(cr);
  };
  ball(sx, sy - 5, 6.5);
  ball(sx, sy - 14.5, 4.6);
  // Scarf, eyes, carrot nose, buttons, hat.
  cairo_rectangle(cr, sx - 4.5, sy - 11.2, 9, 2.2);
  SetColour(cr, Hex(0xc8323a));
  cairo_fill(cr);
  cairo_rectangle(cr, sx + 1.5, sy - 10, 2, 4.5);
  SetColour(cr, Hex(0xa8262e));
  cairo_fill(cr);
  SetColour(cr, Hex(0x22262e));
  cairo_arc(cr, sx - 1.7, sy - 15.6, 0.7, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_arc(cr, sx + 1.3, sy - 15.6, 0.7, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_arc(cr, sx, sy - 5.5, 0.7, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_arc(cr, sx, sy - 2.5, 0.7, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_move_to(cr, sx - 0.2, sy - 14.6);
  cairo_line_to(cr, sx - 5.0, sy - 13.6);
  cairo_line_to(cr, sx - 0.2, sy - 13.2);
  cairo_close_path(cr);
  SetColour(cr, Hex(0xf08a24));
  cairo_fill(cr);
  cairo_rectangle(cr, sx - 4.5, sy - 19.6, 9, 1.4);
  cairo_rectangle(cr, sx - 3, sy - 24, 6, 4.6);
  SetColour(cr, Hex(0x2a2d36));
  cairo_fill(cr);
  cairo_rectangle(cr, sx - 3, sy - 21, 6, 1.1);
  SetColour(cr, Hex(0xc8323a));
  cairo_fill(cr);

  // Glints in the snow.
  for (int i = 0; i < 26; ++i) {
    const double x = rng.Uniform(kLeft + 10, kRight - 10);
    const double y = rng.Uniform(150, 175);
    const bool onLeft = x < 146 && y > 147 + (x - kLeft) * 0.3 + 3;
    const bool onRight = x > 160 && y > 172 - (x - 150) * 0.28 + 3;
    if (!onLeft && !onRight) continue;
    cairo_rectangle(cr, std::floor(x), std::floor(y), 1, 1);
    SetColour(cr, Hex(0xffffff), rng.Uniform(0.6, 1.0));
    cairo_fill(cr);
  }
  return canvas.ToImage();
}

}  // namespace artgen
