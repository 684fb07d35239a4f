// The village: three cottages with snowy roofs and lit windows, fir trees,
// a lantern and chimney smoke, on a gently rising snowfield.

#include <cmath>

#include "globe_shape.h"
#include "paint.h"
#include "pictures.h"
#include "rng.h"

namespace artgen {

namespace {

const Rgb kSnow = Hex(0xf7faff);
const Rgb kSnowShade = Hex(0xc3d1e6);
const Rgb kWindowCore = Hex(0xffe49a);
const Rgb kWindowEdge = Hex(0xffa83c);
const Rgb kGlowColour = Hex(0xffb24a);
const Rgb kFirDark = Hex(0x1d4538);
const Rgb kFirMid = Hex(0x2c5e48);

struct House {
  double Left, Ground, Width, WallHeight, RoofRise;
  Rgb Wall;
  Rgb Roof;
  bool LogWall;       // timber logs instead of plaster
  double ChimneyAt;   // 0: no chimney; else x of the chimney
  int Windows;        // 1 or 2 on the front
  bool GableWindow;
};

void LitWindow(cairo_t* cr, double x, double y, double w, double h) {
  // Glow spilling onto the wall and the snow.
  SoftDot(cr, x + w / 2, y + h / 2, 9, kGlowColour, 0.28);
  cairo_rectangle(cr, x - 1, y - 1, w + 2, h + 2);
  SetColour(cr, Hex(0x3b2416));
  cairo_fill(cr);
  cairo_rectangle(cr, x, y, w, h);
  SetRadial(cr, x + w / 2, y + h / 2, 0, w * 0.8, {{0, kWindowCore}, {1, kWindowEdge}});
  cairo_fill(cr);
  // Muntins.
  cairo_rectangle(cr, x + w / 2 - 0.5, y, 1, h);
  cairo_rectangle(cr, x, y + h / 2 - 0.5, w, 1);
  SetColour(cr, Hex(0x6b3a1e), 0.85);
  cairo_fill(cr);
  // Snow on the sill.
  cairo_rectangle(cr, x - 1.5, y + h + 1, w + 3, 1.2);
  SetColour(cr, kSnow);
  cairo_fill(cr);
}

// Chimney smoke: soft puffs that widen, fade and drift off with the breeze.
void Smoke(cairo_t* cr, Rng& rng, double x, double y) {
  const Rgb smoke = Hex(0xe4e9f2);
  for (int i = 0; i < 6; ++i) {
    const double px = x + i * 2.2 + 1.5 * std::sin(i * 1.3) + rng.Uniform(-0.3, 0.3);
    const double py = y - i * 4.2;
    const double r = 2.3 + i * 0.9;
    const double a = 0.30 * (1 - i / 6.5);
    SetRadial(cr, px, py, 0, r, {{0, smoke, a}, {0.55, smoke, a * 0.8}, {1, smoke, 0}});
    cairo_arc(cr, px, py, r, 0, 2 * M_PI);
    cairo_fill(cr);
  }
}

void DrawHouse(cairo_t* cr, Rng& rng, const House& h) {
  const double l = h.Left, r = h.Left + h.Width, g = h.Ground, top = g - h.WallHeight;
  const double peak = top - h.RoofRise, mid = (l + r) / 2;
  // Chimney behind the roof.
  if (h.ChimneyAt > 0) {
    const double cx = h.ChimneyAt;
    const double roofY = top - h.RoofRise * (1 - std::fabs(cx - mid) / (h.Width / 2 + 3));
    cairo_rectangle(cr, cx - 2, roofY - 8, 4, 9);
    SetColour(cr, Hex(0x7a3a2c));
    cairo_fill(cr);
    cairo_rectangle(cr, cx - 2.6, roofY - 9.5, 5.2, 2.2);
    SetColour(cr, kSnow);
    cairo_fill(cr);
    Smoke(cr, rng, cx + 0.5, roofY - 11.5);
  }
  // Walls.
  cairo_rectangle(cr, l, top, h.Width, h.WallHeight);
  SetColour(cr, h.Wall);
  cairo_fill(cr);
  if (h.LogWall) {
    for (double y = top + 2.5; y < g; y += 2.5) {
      cairo_move_to(cr, l, y);
      cairo_line_to(cr, r, y);
    }
    SetColour(cr, Hex(0x000000), 0.22);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
  } else {
    // Timber corners.
    cairo_rectangle(cr, l, top, 1.5, h.WallHeight);
    cairo_rectangle(cr, r - 1.5, top, 1.5, h.WallHeight);
    SetColour(cr, Hex(0x5a3420), 0.8);
    cairo_fill(cr);
  }
  // Gable.
  cairo_move_to(cr, l, top);
  cairo_line_to(cr, mid, peak + 2);
  cairo_line_to(cr, r, top);
  cairo_close_path(cr);
  SetColour(cr, Mix(h.Wall, Hex(0x000000), 0.12));
  cairo_fill(cr);
  // The eaves shade the top of the wall.
  cairo_rectangle(cr, l, top, h.Width, 3);
  SetLinear(cr, 0, top, 0, top + 3, {{0, Hex(0x000000), 0.35}, {1, Hex(0x000000), 0}});
  cairo_fill(cr);
  // Roof boards showing under the snow.
  cairo_move_to(cr, l - 3.5, top + 1.5);
  cairo_line_to(cr, mid, peak - 0.5);
  cairo_line_to(cr, r + 3.5, top + 1.5);
  SetColour(cr, h.Roof);
  cairo_set_line_width(cr, 2.6);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  cairo_stroke(cr);
  // Thick snow on the roof, rounded over the ridge and the eaves.
  cairo_move_to(cr, l - 4.5, top - 0.2);
  cairo_line_to(cr, mid, peak - 3.5);
  cairo_line_to(cr, r + 4.5, top - 0.2);
  cairo_curve_to(cr, r + 5.5, top + 0.6, r + 3.8, top + 1.2, r + 3, top + 0.2);
  cairo_line_to(cr, mid, peak - 0.3);
  cairo_line_to(cr, l - 3, top + 0.2);
  cairo_curve_to(cr, l - 3.8, top + 1.2, l - 5.5, top + 0.6, l - 4.5, top - 0.2);
  cairo_close_path(cr);
  SetLinear(cr, l, peak, r, top, {{0, Hex(0xffffff)}, {0.55, kSnow}, {1, Hex(0xd2ddee)}});
  cairo_fill(cr);
  // Icicles along the eaves.
  for (double x = l - 2; x < r + 3; x += rng.Uniform(2.5, 4.0)) {
    const double len = rng.Uniform(1.2, 3.2);
    cairo_move_to(cr, x - 0.6, top + 1.2);
    cairo_line_to(cr, x + 0.6, top + 1.2);
    cairo_line_to(cr, x, top + 1.2 + len);
    cairo_close_path(cr);
    SetColour(cr, Hex(0xe9f3ff), 0.9);
    cairo_fill(cr);
  }
  // Door and windows.
  const double doorW = 5, doorH = 8;
  const double doorX = h.Windows == 2 ? mid - doorW / 2 : r - doorW - 3;
  cairo_rectangle(cr, doorX, g - doorH, doorW, doorH);
  SetColour(cr, Hex(0x4a2614));
  cairo_fill(cr);
  cairo_rectangle(cr, doorX + doorW - 1.6, g - doorH / 2, 0.9, 0.9);
  SetColour(cr, Hex(0xf5c76a));
  cairo_fill(cr);
  const double winY = top + 3.5;
  const double winH = std::min(5.0, h.WallHeight - 7.5);
  if (h.Windows == 2) {
    LitWindow(cr, l + 3, winY, 5, winH);
    LitWindow(cr, r - 8, winY, 5, winH);
  } else {
    LitWindow(cr, l + 3, winY, 5, winH);
  }
  if (h.GableWindow) {
    cairo_arc(cr, mid, top - h.RoofRise * 0.4, 2.1, 0, 2 * M_PI);
    SetColour(cr, Hex(0x3b2416));
    cairo_fill(cr);
    cairo_arc(cr, mid, top - h.RoofRise * 0.4, 1.5, 0, 2 * M_PI);
    SetColour(cr, kWindowCore);
    cairo_fill(cr);
  }
  // Snow banked against the wall.
  cairo_move_to(cr, l - 3, g + 1);
  cairo_curve_to(cr, l - 1, g - 2.5, l + 4, g - 1.5, mid, g - 0.8);
  cairo_curve_to(cr, r - 4, g - 1.5, r + 1, g - 2.5, r + 3, g + 1);
  cairo_close_path(cr);
  SetColour(cr, kSnow);
  cairo_fill(cr);
}

// A fir in the village: tiers of branches, each with snow on top.
void Fir(cairo_t* cr, double x, double base, double height) {
  const double width = height * 0.62;
  cairo_rectangle(cr, x - 1, base - 3, 2, 3);
  SetColour(cr, Hex(0x4a2c1a));
  cairo_fill(cr);
  const int tiers = height > 22 ? 4 : 3;
  for (int t = 0; t < tiers; ++t) {
    const double f = static_cast<double>(t) / tiers;
    const double tierTop = base - height + height * f * 0.82;
    const double tierBottom = base - 2 - (height - 2) * (1 - (f + 1.0 / tiers)) * 0.62;
    const double halfW = width / 2 * (0.45 + 0.55 * (t + 1) / tiers);
    cairo_move_to(cr, x, tierTop);
    cairo_line_to(cr, x + halfW, tierBottom);
    cairo_curve_to(cr, x + halfW * 0.5, tierBottom - 1.2, x - halfW * 0.5, tierBottom - 1.2, x - halfW,
                   tierBottom);
    cairo_close_path(cr);
    SetLinear(cr, x - halfW, 0, x + halfW, 0, {{0, kFirMid}, {1, kFirDark}});
    cairo_fill(cr);
    // Snow resting on the tier, heavier on the lit left side.
    cairo_move_to(cr, x, tierTop);
    cairo_line_to(cr, x - halfW * 0.9, tierBottom - 0.6);
    cairo_curve_to(cr, x - halfW * 0.5, tierBottom - 2.0, x - halfW * 0.1, tierBottom - 1.6, x + halfW * 0.2,
                   tierBottom - 2.4);
    cairo_line_to(cr, x + halfW * 0.55, tierBottom - 1.2);
    cairo_line_to(cr, x + 0.5, tierTop + 1.5);
    cairo_close_path(cr);
    SetColour(cr, kSnow, 0.92);
    cairo_fill(cr);
  }
}

void Lantern(cairo_t* cr, double x, double ground) {
  SoftDot(cr, x, ground - 13, 10, kGlowColour, 0.32);
  cairo_rectangle(cr, x - 0.6, ground - 12, 1.2, 12);
  SetColour(cr, Hex(0x2a2622));
  cairo_fill(cr);
  cairo_rectangle(cr, x - 1.8, ground - 15.5, 3.6, 4);
  SetColour(cr, Hex(0x2a2622));
  cairo_fill(cr);
  cairo_rectangle(cr, x - 1.1, ground - 14.8, 2.2, 2.6);
  SetColour(cr, kWindowCore);
  cairo_fill(cr);
  cairo_rectangle(cr, x - 2.2, ground - 16.6, 4.4, 1.2);
  SetColour(cr, kSnow);
  cairo_fill(cr);
}

}  // namespace

Image DrawVillage(int scale) {
  Canvas canvas(kWindowWidth, kWindowHeight, scale);
  cairo_t* cr = canvas.Cr();
  Rng rng("imgHome");
  SpherePath(cr, kSceneR);
  cairo_clip(cr);

  // The snowfield the village stands on, rising gently from the hills' foot.
  cairo_move_to(cr, 30, 160);
  cairo_curve_to(cr, 80, 152, 120, 156, 150, 157);
  cairo_curve_to(cr, 190, 158, 230, 150, 270, 156);
  cairo_line_to(cr, 270, 200);
  cairo_line_to(cr, 30, 200);
  cairo_close_path(cr);
  SetLinear(cr, 0, 152, 0, 185, {{0, kSnow}, {0.5, Hex(0xe2eaf5)}, {1, kSnowShade}});
  cairo_fill(cr);

  // Trees behind the houses.
  Fir(cr, 112, 160, 30);
  Fir(cr, 160, 159, 22);
  Fir(cr, 200, 157, 18);
  Fir(cr, 70, 161, 19);

  const House houses[] = {
      {80, 166, 22, 12, 10, Hex(0x8c4a30), Hex(0x5c2a1e), true, 86, 1, false},
      {121, 169, 30, 17, 14, Hex(0xe0b06a), Hex(0x7a3326), false, 143, 2, true},
      {166, 165, 22, 12, 10, Hex(0x6f8a6a), Hex(0x4d2a22), false, 0, 1, false},
  };
  for (const House& h : houses) DrawHouse(cr, rng, h);

  Fir(cr, 58, 168, 16);
  Fir(cr, 196, 170, 14);
  Lantern(cr, 158, 170);

  // A trodden path from the big house's door.
  cairo_move_to(cr, 133.5, 169);
  cairo_curve_to(cr, 134, 172, 128, 175, 124, 180);
  cairo_line_to(cr, 132, 180);
  cairo_curve_to(cr, 134, 175, 137, 172, 138.5, 169);
  cairo_close_path(cr);
  SetColour(cr, Hex(0xb5c5dc), 0.6);
  cairo_fill(cr);
  return canvas.ToImage();
}

}  // namespace artgen
