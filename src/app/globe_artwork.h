#pragma once
// The globe's artwork resolved from the layout once per scale: the scene's
// pictures decoded for drawing and the window's shape cut from the mask.
// The 2x and 3x sets are read for this and let go again.

#include <vector>

#include "platform/screen_geometry.h"
#include "scene/artwork.h"

namespace nivarra {

class ScaledPictures;
class TComponent;
class TGraphic;

struct GlobeArtwork {
  Artwork Scene;
  // The window's shape at the empty globe's size.
  std::vector<ShapeRect> Shape;
  // The factor of the set the pictures came from.
  int SourceFactor = 1;
};

// form's artwork at scale (0.5 to 8), from the set of the next larger
// whole factor the program has (see SourceFactorFor).
GlobeArtwork LoadGlobeArtwork(TComponent& form, double scale);

// The scene's part, from pictures already at their scale.
Artwork ResolveArtwork(const ScaledPictures& pictures);

// A picture as a sprite draws it: 32-bit straight colour and alpha, the
// bytes the canvas would blend for a PNG with alpha; for other pictures,
// which show each pixel or leave it, alpha 255 where they show. Empty for
// none.
PixelStore PixelsForDrawing(const TGraphic* graphic);

}  // namespace nivarra
