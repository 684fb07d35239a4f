// The countdown's lettering: engraved figures and the words "day" and
// "days", drawn as stroked paths so that no font is involved. Engraving on
// brass: a dark wax-filled groove with a bright lip below it where the
// groove's far wall catches the light.

#include <cmath>
#include <functional>
#include <stdexcept>

#include "paint.h"
#include "pictures.h"

namespace artgen {

namespace {

constexpr double kStroke = 2.3;
constexpr double kInkTop = 2.0;      // top of a figure or ascender
constexpr double kXHeight = 6.6;     // top of the lowercase letters
constexpr double kBaseline = 16.3;   // bottom of figures and letters
constexpr double kDescender = 19.4;  // bottom of the y's tail

// Maps a glyph's unit square (u right, v down) onto its stroke centreline box.
struct Box {
  double X0, Y0, X1, Y1;
  double X(double u) const { return X0 + (X1 - X0) * u; }
  double Y(double v) const { return Y0 + (Y1 - Y0) * v; }
};

class Pen {
 public:
  Pen(cairo_t* cr, Box box) : cr_(cr), box_(box) {}
  void Move(double u, double v) { cairo_move_to(cr_, box_.X(u), box_.Y(v)); }
  void Line(double u, double v) { cairo_line_to(cr_, box_.X(u), box_.Y(v)); }
  void Curve(double u1, double v1, double u2, double v2, double u3, double v3) {
    cairo_curve_to(cr_, box_.X(u1), box_.Y(v1), box_.X(u2), box_.Y(v2), box_.X(u3), box_.Y(v3));
  }
  void Ellipse(double u, double v, double ru, double rv) {
    EllipsePath(cr_, box_.X(u), box_.Y(v), ru * (box_.X1 - box_.X0), rv * (box_.Y1 - box_.Y0));
  }

 private:
  cairo_t* cr_;
  Box box_;
};

void DigitPath(Pen& p, int digit) {
  switch (digit) {
    case 0:
      p.Ellipse(0.5, 0.5, 0.5, 0.5);
      break;
    case 1:
      p.Move(0.05, 0.24);
      p.Curve(0.35, 0.16, 0.55, 0.08, 0.68, 0.0);
      p.Line(0.68, 1.0);
      break;
    case 2:
      p.Move(0.04, 0.24);
      p.Curve(0.12, 0.06, 0.30, 0.0, 0.50, 0.0);
      p.Curve(0.78, 0.0, 0.96, 0.13, 0.96, 0.31);
      p.Curve(0.96, 0.55, 0.55, 0.70, 0.02, 1.0);
      p.Line(1.0, 1.0);
      break;
    case 3:
      p.Move(0.06, 0.14);
      p.Curve(0.18, 0.03, 0.34, 0.0, 0.50, 0.0);
      p.Curve(0.76, 0.0, 0.92, 0.11, 0.92, 0.25);
      p.Curve(0.92, 0.39, 0.76, 0.46, 0.42, 0.46);
      p.Curve(0.80, 0.46, 1.0, 0.56, 1.0, 0.72);
      p.Curve(1.0, 0.90, 0.80, 1.0, 0.50, 1.0);
      p.Curve(0.30, 1.0, 0.12, 0.95, 0.0, 0.84);
      break;
    case 4:
      p.Move(0.76, 1.0);
      p.Line(0.76, 0.0);
      p.Line(0.0, 0.68);
      p.Line(1.0, 0.68);
      break;
    case 5:
      p.Move(0.92, 0.0);
      p.Line(0.20, 0.0);
      p.Line(0.12, 0.45);
      p.Curve(0.24, 0.39, 0.38, 0.36, 0.52, 0.36);
      p.Curve(0.82, 0.36, 1.0, 0.50, 1.0, 0.68);
      p.Curve(1.0, 0.88, 0.80, 1.0, 0.50, 1.0);
      p.Curve(0.30, 1.0, 0.12, 0.95, 0.0, 0.84);
      break;
    case 6:
      p.Move(0.90, 0.08);
      p.Curve(0.80, 0.02, 0.68, 0.0, 0.56, 0.0);
      p.Curve(0.20, 0.0, 0.0, 0.30, 0.0, 0.66);
      p.Ellipse(0.5, 0.67, 0.5, 0.33);
      break;
    case 7:
      p.Move(0.0, 0.0);
      p.Line(1.0, 0.0);
      p.Curve(0.72, 0.28, 0.46, 0.62, 0.38, 1.0);
      break;
    case 8:
      p.Ellipse(0.5, 0.245, 0.41, 0.245);
      p.Ellipse(0.5, 0.72, 0.5, 0.28);
      break;
    case 9:
      p.Move(0.10, 0.92);
      p.Curve(0.20, 0.98, 0.32, 1.0, 0.44, 1.0);
      p.Curve(0.80, 1.0, 1.0, 0.70, 1.0, 0.34);
      p.Ellipse(0.5, 0.33, 0.5, 0.33);
      break;
    default:
      throw std::invalid_argument("not a digit");
  }
}

// Strokes the path build() makes three times: lip, shade and groove.
void Engrave(cairo_t* cr, const std::function<void()>& build) {
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_width(cr, kStroke);
  // Bright lip below and right of the groove.
  cairo_save(cr);
  cairo_translate(cr, 0.55, 0.75);
  cairo_new_path(cr);
  build();
  cairo_restore(cr);
  SetColour(cr, Hex(0xfff3c4), 0.85);
  cairo_stroke(cr);
  // The groove itself, darkest at its upper wall.
  cairo_new_path(cr);
  build();
  SetLinear(cr, 0, kInkTop, 0, kBaseline + 1,
            {{0, Hex(0x1c0f05)}, {0.5, Hex(0x2e1a0a)}, {1, Hex(0x22130a)}});
  cairo_stroke(cr);
}

}  // namespace

Image DrawDigit(int digit, int scale) {
  if (digit < 0 || digit > 9) throw std::invalid_argument("not a digit");
  const int width = kDigitWidths[digit];
  Canvas canvas(width, kDigitHeight, scale);
  cairo_t* cr = canvas.Cr();
  // Side bearings of two pixels: each figure overlaps its neighbour's box
  // by two, which leaves a clear two-pixel gap between figures.
  const double h = kStroke / 2;
  const Box box{2.0 + h, kInkTop + h, width - 3.0 - h, kBaseline - h};
  Engrave(cr, [&] {
    Pen pen(cr, box);
    DigitPath(pen, digit);
  });
  return canvas.ToImage();
}

Image DrawDayLabel(bool plural, int scale) {
  const int width = plural ? kDaysLabelWidth : kDayLabelWidth;
  Canvas canvas(width, kDigitHeight, scale);
  cairo_t* cr = canvas.Cr();
  const double h = kStroke / 2;
  const double letter = 9.6;  // outer width of d, a and y
  const double gap = 3.0;
  auto boxAt = [&](double left, double w, double top, double bottom) {
    return Box{left + h, top + h, left + w - h, bottom - h};
  };
  Engrave(cr, [&] {
    double x = 2.0;
    // d: round bowl and a full-height stem.
    {
      Pen p(cr, boxAt(x, letter, kXHeight, kBaseline));
      p.Ellipse(0.44, 0.5, 0.44, 0.5);
      Pen stem(cr, boxAt(x, letter, kInkTop, kBaseline));
      stem.Move(1.0, 0.0);
      stem.Line(1.0, 1.0);
    }
    x += letter + gap;
    // a: the same bowl with a stem of x-height.
    {
      Pen p(cr, boxAt(x, letter, kXHeight, kBaseline));
      p.Ellipse(0.44, 0.5, 0.44, 0.5);
      p.Move(1.0, 0.0);
      p.Line(1.0, 1.0);
    }
    x += letter + gap;
    // y: two arms meeting at the baseline, the right one running on into
    // the tail.
    {
      Pen p(cr, boxAt(x, letter, kXHeight, kDescender));
      const double base = (kBaseline - h - (kXHeight + h)) / (kDescender - kXHeight - kStroke);
      p.Move(0.0, 0.0);
      p.Line(0.5, base);
      p.Move(1.0, 0.0);
      p.Line(0.36, 0.9);
      p.Curve(0.30, 1.0, 0.18, 1.0, 0.04, 0.97);
    }
    x += letter + gap;
    if (plural) {
      Pen p(cr, boxAt(x, 8.0, kXHeight, kBaseline));
      p.Move(0.95, 0.12);
      p.Curve(0.80, 0.0, 0.62, 0.0, 0.48, 0.0);
      p.Curve(0.20, 0.0, 0.04, 0.10, 0.04, 0.26);
      p.Curve(0.04, 0.52, 0.96, 0.44, 0.96, 0.74);
      p.Curve(0.96, 0.92, 0.78, 1.0, 0.52, 1.0);
      p.Curve(0.36, 1.0, 0.16, 0.97, 0.02, 0.86);
    }
  });
  return canvas.ToImage();
}

}  // namespace artgen
