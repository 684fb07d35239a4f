#include "paint.h"

#include <cmath>

namespace artgen {

namespace {

void SetPattern(cairo_t* cr, cairo_pattern_t* p, std::initializer_list<Stop> stops) {
  for (const Stop& s : stops) AddStop(p, s.Offset, s.Colour, s.Alpha);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

}  // namespace

void SetLinear(cairo_t* cr, double x0, double y0, double x1, double y1, std::initializer_list<Stop> stops) {
  SetPattern(cr, cairo_pattern_create_linear(x0, y0, x1, y1), stops);
}

void SetRadial(cairo_t* cr, double cx, double cy, double r0, double r1, std::initializer_list<Stop> stops) {
  SetPattern(cr, cairo_pattern_create_radial(cx, cy, r0, cx, cy, r1), stops);
}

void SetRadial(cairo_t* cr, double fx, double fy, double r0, double cx, double cy, double r1,
               std::initializer_list<Stop> stops) {
  SetPattern(cr, cairo_pattern_create_radial(fx, fy, r0, cx, cy, r1), stops);
}

void EllipsePath(cairo_t* cr, double cx, double cy, double rx, double ry) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_close_path(cr);
  cairo_restore(cr);
}

void RoundedRectPath(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void SoftDot(cairo_t* cr, double cx, double cy, double r, Rgb colour, double alpha) {
  SetRadial(cr, cx, cy, 0, r, {{0, colour, alpha}, {0.4, colour, alpha * 0.55}, {1, colour, 0}});
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  cairo_fill(cr);
}

}  // namespace artgen
