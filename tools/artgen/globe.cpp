// The globe: glass sphere, its rim and reflections, the turned wooden stand
// with a brass collar, bead and plaque. imgTree is the whole globe with an
// empty glass; img3 is the same front with the glass left see-through.

#include <cmath>

#include "globe_shape.h"
#include "paint.h"
#include "pictures.h"
#include "rng.h"

namespace artgen {

namespace {

const Rgb kWoodDeep = Hex(0x2e170b);
const Rgb kWoodDark = Hex(0x4a2612);
const Rgb kWoodMid = Hex(0x74401f);
const Rgb kWoodLight = Hex(0xa8683a);
const Rgb kBrassDeep = Hex(0x5e3f10);
const Rgb kBrassDark = Hex(0x8e6420);
const Rgb kBrassMid = Hex(0xc99a3e);
const Rgb kBrassLight = Hex(0xf2d68a);
const Rgb kBrassShine = Hex(0xfff4cf);
const Rgb kWhite = Hex(0xffffff);
const Rgb kBlack = Hex(0x000000);

// Light comes from the upper left: turned surfaces are lit on the left of
// the centre line and fall into shadow towards both sides.
void CylinderShading(cairo_t* cr, double halfWidth, double strength) {
  const double l = kGlobeCx - halfWidth, r = kGlobeCx + halfWidth;
  SetLinear(cr, l, 0, r, 0,
            {{0.0, kBlack, 0.55 * strength},
             {0.12, kBlack, 0.18 * strength},
             {0.30, kWhite, 0.16 * strength},
             {0.42, kWhite, 0.05 * strength},
             {0.60, kBlack, 0.0},
             {0.85, kBlack, 0.30 * strength},
             {1.0, kBlack, 0.62 * strength}});
  cairo_paint(cr);
}

// Fine wavy grain running round the turned wood.
void WoodGrain(cairo_t* cr, Rng& rng, RingEdge upper, RingEdge lower, int lines) {
  for (int i = 0; i < lines; ++i) {
    const double t = rng.Uniform();
    const double side = upper.SideY + (lower.SideY - upper.SideY) * t;
    const double sag = upper.Sag() + (lower.Sag() - upper.Sag()) * t;
    const double half = upper.HalfWidth + (lower.HalfWidth - upper.HalfWidth) * t + 6;
    const double amplitude = rng.Uniform(0.3, 1.6);
    const double wavelength = rng.Uniform(25, 70);
    const double phase = rng.Uniform(0, 2 * M_PI);
    const bool dark = rng.Uniform() < 0.7;
    cairo_new_path(cr);
    for (double x = kGlobeCx - half; x <= kGlobeCx + half; x += 1.5) {
      const double u = (x - kGlobeCx) / half;
      const double y = side + sag * std::sqrt(std::max(0.0, 1 - u * u)) +
                       amplitude * std::sin(2 * M_PI * x / wavelength + phase) +
                       0.4 * std::sin(x * 0.31 + phase * 3);
      cairo_line_to(cr, x, y);
    }
    if (dark) {
      SetColour(cr, kWoodDeep, rng.Uniform(0.18, 0.45));
    } else {
      SetColour(cr, kWoodLight, rng.Uniform(0.10, 0.25));
    }
    cairo_set_line_width(cr, rng.Uniform(0.5, 1.3));
    cairo_stroke(cr);
  }
}

void WoodBand(cairo_t* cr, Rng& rng, RingEdge upper, RingEdge lower, Rgb base, int grainLines) {
  cairo_save(cr);
  BandPath(cr, upper, lower);
  cairo_clip(cr);
  // Slightly lighter at the top of the band, where it faces the light.
  SetLinear(cr, 0, upper.SideY, 0, lower.SideY + lower.Sag(),
            {{0, Mix(base, kWoodLight, 0.25)}, {0.5, base}, {1, Mix(base, kWoodDark, 0.5)}});
  cairo_paint(cr);
  WoodGrain(cr, rng, upper, lower, grainLines);
  CylinderShading(cr, (upper.HalfWidth + lower.HalfWidth) / 2 + 4, 1.0);
  cairo_restore(cr);
}

// A thin highlight or shadow line along a ring edge.
void RingLine(cairo_t* cr, RingEdge e, double dy, Rgb colour, double alpha, double width) {
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_translate(cr, kGlobeCx, e.SideY + dy);
  cairo_scale(cr, e.HalfWidth, e.Sag());
  cairo_arc(cr, 0, 0, 1, 0, M_PI);
  cairo_restore(cr);
  SetLinear(cr, kGlobeCx - e.HalfWidth, 0, kGlobeCx + e.HalfWidth, 0,
            {{0, colour, 0}, {0.3, colour, alpha}, {0.55, colour, alpha * 0.7}, {1, colour, 0}});
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

void BrassBand(cairo_t* cr, RingEdge upper, RingEdge lower) {
  cairo_save(cr);
  BandPath(cr, upper, lower);
  cairo_clip(cr);
  // Rounded brass: bright along its upper middle, dark at the bottom.
  SetLinear(cr, 0, upper.SideY, 0, lower.SideY + lower.Sag(),
            {{0, kBrassMid}, {0.35, kBrassLight}, {0.55, kBrassMid}, {1, kBrassDeep}});
  cairo_paint(cr);
  CylinderShading(cr, (upper.HalfWidth + lower.HalfWidth) / 2 + 2, 1.1);
  RingLine(cr, upper, 2.6, kBrassShine, 0.9, 1.0);
  cairo_restore(cr);
}

void DrawStand(cairo_t* cr) {
  Rng rng("stand");
  cairo_save(cr);
  StandOutlinePath(cr);
  cairo_clip(cr);
  // An opaque ground under the bands: where two anti-aliased band edges
  // meet, nothing may shine through from the scene behind.
  BandPath(cr, kCollarTop, RingEdge{kWindowHeight + 20, kStandBottom.HalfWidth});
  SetColour(cr, kWoodDeep);
  cairo_fill(cr);

  // Body, bead and plinth.
  const RingEdge bodyTop{kCollarBottom.SideY - 0.5, kCollarBottom.HalfWidth};
  WoodBand(cr, rng, bodyTop, kBeadTop, kWoodMid, 34);
  const RingEdge beadBottom{kPlinthTop.SideY, kPlinthTop.HalfWidth};
  WoodBand(cr, rng, kBeadTop, beadBottom, kWoodDark, 6);
  const RingEdge bottom{kStandBottom.SideY + 12, kStandBottom.HalfWidth};
  WoodBand(cr, rng, kPlinthTop, bottom, kWoodMid, 26);

  // The bead is rounded: a highlight along its upper edge.
  RingLine(cr, kBeadTop, 2.2, kWoodLight, 0.9, 1.4);
  RingLine(cr, kBeadTop, 0.4, kWoodDeep, 0.9, 1.0);
  // The plinth's top moulding and the shadow the bead casts on it.
  RingLine(cr, kPlinthTop, 0.6, kWoodDeep, 0.9, 1.2);
  RingLine(cr, kPlinthTop, 2.2, kWoodLight, 0.6, 1.0);
  RingLine(cr, kPlinthTop, 5.5, kWoodDeep, 0.35, 1.0);
  RingLine(cr, kPlinthTop, 7.0, kWoodLight, 0.35, 1.0);
  // The plinth's lower edge rounds away from the light.
  RingLine(cr, kStandBottom, -2.5, kWoodDeep, 0.45, 3.0);

  BrassBand(cr, kCollarTop, kCollarBottom);
  // The collar throws a soft shadow onto the wood just below it.
  RingLine(cr, kCollarBottom, 1.2, kWoodDeep, 0.55, 2.0);
  cairo_restore(cr);

  // A dark hairline around the whole stand keeps it crisp on light desktops.
  cairo_save(cr);
  StandOutlinePath(cr);
  cairo_clip(cr);
  // Not along the stand's top, which lies hidden under the glass.
  BandPath(cr, kCollarTop, RingEdge{kWindowHeight + 20, kStandBottom.HalfWidth});
  cairo_clip(cr);
  StandOutlinePath(cr);
  SetColour(cr, kWoodDeep, 0.8);
  cairo_set_line_width(cr, 1.6);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void Screw(cairo_t* cr, double x, double y) {
  SetRadial(cr, x - 0.6, y - 0.6, 0, x, y, 2.3, {{0, kBrassShine}, {0.6, kBrassMid}, {1, kBrassDeep}});
  cairo_arc(cr, x, y, 2.1, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_move_to(cr, x - 1.4, y + 1.0);
  cairo_line_to(cr, x + 1.4, y - 1.0);
  SetColour(cr, kBrassDeep, 0.9);
  cairo_set_line_width(cr, 0.7);
  cairo_stroke(cr);
}

void DrawPlaque(cairo_t* cr) {
  const double l = kPlaqueLeft, t = kPlaqueTop, r = kPlaqueRight, b = kPlaqueBottom;
  // Drop shadow on the wood.
  RoundedRectPath(cr, l + 0.5, t + 1.5, r - l, b - t, 4);
  SetColour(cr, kWoodDeep, 0.6);
  cairo_fill(cr);
  // Bevelled frame.
  RoundedRectPath(cr, l, t, r - l, b - t, 4);
  SetLinear(cr, l, t, l + 12, b + 6, {{0, kBrassShine}, {0.5, kBrassMid}, {1, kBrassDark}});
  cairo_fill(cr);
  RoundedRectPath(cr, l + 0.5, t + 0.5, r - l - 1, b - t - 1, 3.5);
  SetColour(cr, kBrassDeep, 0.9);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);
  // Face: brushed brass with a broad diagonal sheen.
  const double fl = l + 2.5, ft = t + 2.5, fr = r - 2.5, fb = b - 2.5;
  RoundedRectPath(cr, fl, ft, fr - fl, fb - ft, 2.5);
  SetLinear(cr, 0, ft, 0, fb, {{0, Hex(0xe9c777)}, {0.5, Hex(0xdcb35c)}, {1, Hex(0xc39440)}});
  cairo_fill_preserve(cr);
  cairo_save(cr);
  cairo_clip(cr);
  SetLinear(cr, fl, ft, fr, fb,
            {{0, kWhite, 0.0}, {0.25, kWhite, 0.22}, {0.4, kWhite, 0.0}, {0.7, kWhite, 0.0},
             {0.8, kWhite, 0.12}, {0.9, kWhite, 0.0}});
  cairo_paint(cr);
  Rng rng("plaque");
  for (double y = ft + 0.5; y < fb; y += 1.0) {
    cairo_move_to(cr, fl, y);
    cairo_line_to(cr, fr, y);
    const bool light = rng.Uniform() < 0.5;
    SetColour(cr, light ? kBrassShine : kBrassDark, rng.Uniform(0.03, 0.10));
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
  // Engraved border line.
  RoundedRectPath(cr, fl + 2.5, ft + 2.5, fr - fl - 5, fb - ft - 5, 1.5);
  SetColour(cr, kBrassShine, 0.7);
  cairo_set_line_width(cr, 0.8);
  cairo_stroke(cr);
  RoundedRectPath(cr, fl + 2, ft + 2, fr - fl - 5, fb - ft - 5, 1.5);
  SetColour(cr, kBrassDeep, 0.75);
  cairo_set_line_width(cr, 0.8);
  cairo_stroke(cr);
  Screw(cr, l + 5.5, (t + b) / 2);
  Screw(cr, r - 5.5, (t + b) / 2);
}

// The rim of the sphere: the glass wall seen edge-on.
void DrawRim(cairo_t* cr) {
  cairo_save(cr);
  // A little past the silhouette, so that the rim also fills the sliver
  // where the collar's corner juts out from under the sphere.
  SpherePath(cr, kGlassOuterR + 2);
  SpherePath(cr, kGlassInnerR);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_clip(cr);
  const double rIn = kGlassInnerR / kGlassOuterR;
  SetRadial(cr, kGlobeCx, kGlobeCy, 0, kGlassOuterR,
            {{rIn - 0.01, Hex(0xe8f2fb)}, {rIn + 0.012, Hex(0xa9c1d8)}, {0.985, Hex(0x6e86a0)},
             {1.0, Hex(0x2a3a4e)}});
  cairo_paint(cr);
  // Light from the upper left brightens that side of the rim.
  SetLinear(cr, kGlobeCx - 80, kGlobeCy - 80, kGlobeCx + 80, kGlobeCy + 80,
            {{0, kWhite, 0.55}, {0.45, kWhite, 0.0}, {0.7, kBlack, 0.0}, {1, kBlack, 0.35}});
  cairo_paint(cr);
  cairo_restore(cr);
}

// Reflections on the glass: semi-transparent, so the scene shows through.
void DrawGlassHighlights(cairo_t* cr) {
  cairo_save(cr);
  GlassInteriorPath(cr);
  cairo_clip(cr);
  const double cx = kGlobeCx, cy = kGlobeCy, r = kGlassInnerR;

  // The glass thickens optically towards its edge: a faint cool tint.
  SetRadial(cr, cx, cy, 0, r,
            {{0.0, Hex(0xd6e8f8), 0.0}, {0.72, Hex(0xd6e8f8), 0.0}, {0.93, Hex(0xd6e8f8), 0.10},
             {1.0, Hex(0xe6f1fb), 0.32}});
  cairo_paint(cr);

  // Broad crescent along the upper left.
  cairo_new_path(cr);
  SpherePath(cr, r - 1.5);
  cairo_new_sub_path(cr);
  cairo_arc_negative(cr, cx + 7, cy + 8, r - 4, 2 * M_PI, 0);
  cairo_close_path(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  SetLinear(cr, cx - 70, cy - 70, cx + 10, cy + 10,
            {{0, kWhite, 0.50}, {0.45, kWhite, 0.16}, {1, kWhite, 0.0}});
  cairo_fill(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);

  // Window reflection: a soft curved pane high on the left.
  cairo_save(cr);
  cairo_translate(cr, cx - 50, cy - 58);
  cairo_rotate(cr, -0.72);
  cairo_move_to(cr, -13, -3);
  cairo_curve_to(cr, -5, -6.5, 5, -6.5, 13, -3);
  cairo_line_to(cr, 11, 3);
  cairo_curve_to(cr, 4, 0.8, -4, 0.8, -11, 3);
  cairo_close_path(cr);
  cairo_restore(cr);
  SetLinear(cr, cx - 62, cy - 70, cx - 38, cy - 46, {{0, kWhite, 0.80}, {1, kWhite, 0.25}});
  cairo_fill(cr);
  SoftDot(cr, cx - 29, cy - 76, 2.6, kWhite, 0.85);

  // Faint bounce light along the lower right.
  cairo_new_path(cr);
  SpherePath(cr, r - 1);
  cairo_new_sub_path(cr);
  cairo_arc_negative(cr, cx - 5, cy - 5, r - 3, 2 * M_PI, 0);
  cairo_close_path(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  SetLinear(cr, cx + 20, cy + 20, cx + 75, cy + 45, {{0, kWhite, 0.0}, {0.6, kWhite, 0.28}, {1, kWhite, 0.1}});
  cairo_fill(cr);
  cairo_restore(cr);
}

void DrawFront(cairo_t* cr) {
  DrawRim(cr);
  DrawGlassHighlights(cr);
  DrawStand(cr);
  DrawPlaque(cr);
}

// What the empty glass shows: clear water lit from above.
void DrawEmptyGlass(cairo_t* cr) {
  SpherePath(cr, kGlassInnerR + 1);
  SetRadial(cr, kGlobeCx - 30, kGlobeCy - 40, 0, kGlobeCx, kGlobeCy, kGlassInnerR,
            {{0, Hex(0xf4f8fc)}, {0.6, Hex(0xd3e2f0)}, {1, Hex(0x9fb7cf)}});
  cairo_fill(cr);
}

std::vector<std::uint8_t> Silhouette(int scale) {
  Canvas canvas(kWindowWidth, kWindowHeight, scale);
  GlobeOutlinePath(canvas.Cr());
  cairo_set_source_rgb(canvas.Cr(), 1, 1, 1);
  cairo_fill(canvas.Cr());
  const Image image = canvas.ToImage();
  std::vector<std::uint8_t> coverage(static_cast<std::size_t>(image.Width) * image.Height);
  for (int y = 0; y < image.Height; ++y) {
    for (int x = 0; x < image.Width; ++x) coverage[static_cast<std::size_t>(y) * image.Width + x] = image.Alpha(x, y);
  }
  return coverage;
}

}  // namespace

GlobePictures DrawGlobe(int scale) {
  GlobePictures out;
  out.Coverage = Silhouette(scale);

  Canvas empty(kWindowWidth, kWindowHeight, scale);
  cairo_save(empty.Cr());
  GlobeOutlinePath(empty.Cr());
  cairo_clip(empty.Cr());
  DrawEmptyGlass(empty.Cr());
  DrawFront(empty.Cr());
  cairo_restore(empty.Cr());
  out.Empty = empty.ToImage();

  Canvas front(kWindowWidth, kWindowHeight, scale);
  cairo_save(front.Cr());
  GlobeOutlinePath(front.Cr());
  cairo_clip(front.Cr());
  DrawFront(front.Cr());
  cairo_restore(front.Cr());
  out.Front = front.ToImage();

  for (int y = 0; y < out.Empty.Height; ++y) {
    for (int x = 0; x < out.Empty.Width; ++x) {
      const unsigned cover = out.Coverage[static_cast<std::size_t>(y) * out.Empty.Width + x];
      std::uint8_t* e = out.Empty.At(x, y);
      std::uint8_t* f = out.Front.At(x, y);
      // The window's opacity is exactly the silhouette.
      e[3] = static_cast<std::uint8_t>(cover);
      if (cover == 0) e[0] = e[1] = e[2] = 0;
      if (cover < 255) {
        // Wherever the window is not fully opaque the frame must keep
        // BaseImage's premultiplied colour, or the screen would show it
        // brightened; the sky strip and the sun's glow paint there too. The
        // front puts exactly that colour back, opaquely: black outside the
        // globe, the premultiplied edge on the silhouette's soft edge.
        for (int c = 0; c < 3; ++c) f[c] = static_cast<std::uint8_t>((e[c] * cover + 127) / 255);
        f[3] = 255;
      }
    }
  }
  return out;
}

}  // namespace artgen
