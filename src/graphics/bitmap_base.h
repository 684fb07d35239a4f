#pragma once
// What the PNG graphic needs to know of the bitmap graphic to convert
// itself into one: the bitmap takes a finished pixel store and, for
// colour-keyed images, a transparent colour. The bitmap itself lives with
// the layout classes.

#include "graphics/bitmap_info.h"
#include "graphics/graphic.h"

namespace nivarra {

class PixelStore;

class TBitmapBase : public TGraphic {
 public:
  const char* ClassName() const override { return "TBitmap"; }
  // Replaces the bitmap's pixels with image (its size, bit count and colour
  // table), as a private, device-independent store.
  virtual void AdoptImage(PixelStore&& image) = 0;
  virtual void SetTransparentColour(TColor colour) = 0;
};

}  // namespace nivarra
