#pragma once
// The three ways a PNG reaches a pixel store of 24 or 32 bits. Stores of
// other depths are left untouched.

#include "graphics/rect.h"
#include "graphics/bitmap_info.h"
#include "graphics/pixel_store.h"

namespace nivarra {

class PixelStore;
class TPNGObject;
class TChunkIHDR;

// Blends the image at its own size with its top-left corner at
// (left, top): colour := (s*a + 255 + (255-a)*d) >> 8 for each colour
// byte; the fourth byte of a 32-bit destination is never written. What
// falls outside the destination is not drawn.
void DrawBlended(const TPNGObject& png, PixelStore& dest, int left, int top);

// DrawBlended for a picture drawn many times in a frame (a layer's
// flakes): the header is looked up once.
// png must outlive it and keep its chunks meanwhile.
class BlendedDraw {
 public:
  explicit BlendedDraw(const TPNGObject& png);
  // DrawBlended(png, dest, left, top).
  void Draw(PixelStore& dest, int left, int top) const;

 private:
  const TPNGObject* png_;
  const TChunkIHDR* header_;
};

// The colour and alpha DrawBlended blends the image with, decoded once:
// 32-bit pixels of blue, green, red and alpha, top row first, at the
// image's own size. Empty where DrawBlended draws nothing (no pixels, no
// alpha plane, a colour type without per-pixel alpha other than 3); an
// index beyond the palette raises as DrawBlended does.
PixelStore BlendedPixels(const TPNGObject& png);

// Paints the stored image stretched to rect (colour types 0 and 3 through
// their colour table). The fourth byte of a 32-bit destination keeps its
// value.
void DrawOpaque(const TPNGObject& png, PixelStore& dest, const TRect& rect);

// As DrawOpaque, but destination pixels stay where the stretched image has
// the key colour.
void DrawColourKeyed(const TPNGObject& png, PixelStore& dest, const TRect& rect, TColor key);

}  // namespace nivarra
