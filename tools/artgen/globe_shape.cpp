#include "globe_shape.h"

#include <cmath>
#include <vector>

namespace artgen {

namespace {

struct Point {
  double X, Y;
};

// The stand's right side from where it leaves the sphere down to the start
// of the bottom edge, as cubic segments (c1, c2, end) after a start point;
// x is relative to the globe's centre line.
const Point kProfileStart{84, 160};
const std::vector<Point> kProfile = {
    // collar
    {85, 162}, {86, 163}, {86, 164},
    {86.5, 166}, {87, 169}, {87, 171},
    // body: a gentle cove flaring out towards the bead
    {86, 190}, {90, 214}, {96, 224},
    // bead
    {99.5, 225}, {100, 230}, {98, 231},
    // plinth
    {101, 231}, {105, 232}, {106, 235},
    {106, 240}, {106, 246}, {106, 251},
};

void RightSide(cairo_t* cr) {
  cairo_line_to(cr, kGlobeCx + kProfileStart.X, kProfileStart.Y);
  for (std::size_t i = 0; i + 2 < kProfile.size(); i += 3) {
    cairo_curve_to(cr, kGlobeCx + kProfile[i].X, kProfile[i].Y, kGlobeCx + kProfile[i + 1].X,
                   kProfile[i + 1].Y, kGlobeCx + kProfile[i + 2].X, kProfile[i + 2].Y);
  }
}

// The same side mirrored and walked upwards.
void LeftSideUp(cairo_t* cr) {
  std::vector<Point> all{kProfileStart};
  all.insert(all.end(), kProfile.begin(), kProfile.end());
  // all = P0, (c1 c2 P1), (c1 c2 P2)...; walk it backwards.
  for (std::size_t end = all.size() - 1; end >= 3; end -= 3) {
    const Point c2 = all[end - 1], c1 = all[end - 2], p = all[end - 3];
    cairo_curve_to(cr, kGlobeCx - c2.X, c2.Y, kGlobeCx - c1.X, c1.Y, kGlobeCx - p.X, p.Y);
  }
}

// Front half of the ring edge, from its right end to its left end.
void RingFrontRightToLeft(cairo_t* cr, RingEdge e) {
  cairo_save(cr);
  cairo_translate(cr, kGlobeCx, e.SideY);
  cairo_scale(cr, e.HalfWidth, e.Sag());
  cairo_arc(cr, 0, 0, 1, 0, M_PI);
  cairo_restore(cr);
}

void RingFrontLeftToRight(cairo_t* cr, RingEdge e) {
  cairo_save(cr);
  cairo_translate(cr, kGlobeCx, e.SideY);
  cairo_scale(cr, e.HalfWidth, e.Sag());
  cairo_arc_negative(cr, 0, 0, 1, M_PI, 0);
  cairo_restore(cr);
}

}  // namespace

double RingEdge::YAt(double x) const {
  const double u = (x - kGlobeCx) / HalfWidth;
  if (std::fabs(u) >= 1) return SideY;
  return SideY + Sag() * std::sqrt(1 - u * u);
}

void SpherePath(cairo_t* cr, double radius) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, kGlobeCx, kGlobeCy, radius, 0, 2 * M_PI);
  cairo_close_path(cr);
}

void StandOutlinePath(cairo_t* cr) {
  // Clockwise on screen, like cairo_arc: across the top, down the right
  // side, along the bottom edge, up the left side.
  cairo_move_to(cr, kGlobeCx - kProfileStart.X, kProfileStart.Y);
  RightSide(cr);
  RingFrontRightToLeft(cr, kStandBottom);
  LeftSideUp(cr);
  cairo_close_path(cr);
}

void GlobeOutlinePath(cairo_t* cr) {
  SpherePath(cr, kGlassOuterR);
  StandOutlinePath(cr);
}

void GlassInteriorPath(cairo_t* cr) {
  // The circle's part above the collar's front edge. The two meet where the
  // edge's flat ellipse crosses the circle; find that by bisection.
  const double r = kGlassInnerR;
  auto outside = [&](double dx) {
    const double dy = kCollarTop.YAt(kGlobeCx + dx) - kGlobeCy;
    return dx * dx + dy * dy > r * r;
  };
  double lo = 0, hi = kCollarTop.HalfWidth;
  for (int i = 0; i < 60; ++i) {
    const double mid = (lo + hi) / 2;
    (outside(mid) ? hi : lo) = mid;
  }
  const double dx = lo;
  const double dy = kCollarTop.YAt(kGlobeCx + dx) - kGlobeCy;
  const double circleStart = std::atan2(dy, dx);         // right meeting point
  const double edgeLeft = std::acos(-dx / kCollarTop.HalfWidth);  // on the edge's ellipse
  const double edgeRight = std::acos(dx / kCollarTop.HalfWidth);
  cairo_new_sub_path(cr);
  cairo_arc_negative(cr, kGlobeCx, kGlobeCy, r, circleStart, M_PI - circleStart);
  cairo_save(cr);
  cairo_translate(cr, kGlobeCx, kCollarTop.SideY);
  cairo_scale(cr, kCollarTop.HalfWidth, kCollarTop.Sag());
  cairo_arc_negative(cr, 0, 0, 1, edgeLeft, edgeRight);
  cairo_restore(cr);
  cairo_close_path(cr);
}

void BandPath(cairo_t* cr, RingEdge upper, RingEdge lower) {
  constexpr double kReach = 140;
  cairo_new_sub_path(cr);
  cairo_move_to(cr, kGlobeCx - kReach, upper.SideY);
  cairo_line_to(cr, kGlobeCx - upper.HalfWidth, upper.SideY);
  RingFrontLeftToRight(cr, upper);
  cairo_line_to(cr, kGlobeCx + kReach, upper.SideY);
  cairo_line_to(cr, kGlobeCx + kReach, lower.SideY);
  cairo_line_to(cr, kGlobeCx + lower.HalfWidth, lower.SideY);
  RingFrontRightToLeft(cr, lower);
  cairo_line_to(cr, kGlobeCx - kReach, lower.SideY);
  cairo_close_path(cr);
}

}  // namespace artgen
