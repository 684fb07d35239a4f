#pragma once
// TCanvas: draws graphics into a pixel store and reads its pixels back.

#include <functional>

#include "graphics/bitmap_info.h"

namespace nivarra {

class PixelStore;
class TGraphic;
struct TRect;

class TCanvas {
 public:
  explicit TCanvas(PixelStore& target) : target_(&target) {}
  virtual ~TCanvas() = default;

  PixelStore& Target() const { return *target_; }

  // Draws graphic with its top-left corner at (x, y), at its own size.
  // Nothing happens for a missing or empty graphic.
  void DrawGraphic(int x, int y, const TGraphic* graphic);
  // Draws graphic into rect, which the graphic may stretch to.
  void StretchDraw(const TRect& rect, const TGraphic* graphic);
  // The colour of pixel (x, y), row 0 at the top; -1 outside the store.
  TColor PixelColour(int x, int y) const;

  // Called after every draw that may have changed the pixels.
  std::function<void()> OnChange;

 private:
  PixelStore* target_;
};

}  // namespace nivarra
