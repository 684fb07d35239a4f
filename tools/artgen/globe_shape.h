#pragma once
// Where the globe's parts sit in the 300 by 260 window. The scene's fixed
// positions decide most of this: the sky strip fills x 45..245, so the glass
// interior is a circle of radius 100 around (145, 105); the countdown is
// written at y 187..207 between x ~96 and ~203, so the plaque sits there.

#include <cairo.h>

#include "picture_sizes.h"

namespace artgen {

inline constexpr double kGlobeCx = 145;
inline constexpr double kGlobeCy = 105;
inline constexpr double kGlassInnerR = 99.5;  // where the scene shows through
inline constexpr double kGlassOuterR = 103;   // the sphere's silhouette
inline constexpr double kSceneR = 102;        // scenery reaches under the rim up to here

// The stand is a turned wooden base; its horizontal edges are seen slightly
// from above, so each is the front half of a flat ellipse.
inline constexpr double kTilt = 0.06;  // ellipse height / width of those edges

// A horizontal edge of the stand: y at the stand's sides, half-width.
struct RingEdge {
  double SideY;
  double HalfWidth;
  double Sag() const { return HalfWidth * kTilt; }
  double YAt(double x) const;  // the edge's y over column x (SideY beyond the ends)
};

inline constexpr RingEdge kCollarTop{164, 86};
inline constexpr RingEdge kCollarBottom{171, 87};
inline constexpr RingEdge kBeadTop{224, 96};
inline constexpr RingEdge kPlinthTop{231, 101};
inline constexpr RingEdge kStandBottom{251, 106};

// The brass plaque that carries the countdown.
inline constexpr double kPlaqueLeft = 82;
inline constexpr double kPlaqueTop = 181;
inline constexpr double kPlaqueRight = 214;
inline constexpr double kPlaqueBottom = 214;

// Paths (appended to the current path).
void SpherePath(cairo_t* cr, double radius);
void StandOutlinePath(cairo_t* cr);
// The whole silhouette: sphere and stand, wound the same way so that a
// winding fill is their union.
void GlobeOutlinePath(cairo_t* cr);
// What of the glass interior the stand leaves visible.
void GlassInteriorPath(cairo_t* cr);
// The band between two ring edges, wide enough to be clipped by the stand.
void BandPath(cairo_t* cr, RingEdge upper, RingEdge lower);

}  // namespace artgen
