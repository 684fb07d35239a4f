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
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  virtual ~TCanvas() = default;

  // The store drawing goes to. A bitmap's canvas answers with its bitmap's
  // current (private) store.
  virtual PixelStore& Target() const { return *target_; }

  // Draws graphic with its top-left corner at (x, y), at its own size.
  // Nothing happens for a missing or empty graphic.
  void DrawGraphic(int x, int y, const TGraphic* graphic);
  // Draws graphic into rect, which the graphic may stretch to.
  void StretchDraw(const TRect& rect, const TGraphic* graphic);
  // The colour of pixel (x, y), row 0 at the top; 0xFFFFFFFF outside the store.
  TColor PixelColour(int x, int y) const;

  // Called after every draw that may have changed the pixels.
  std::function<void()> OnChange;

 protected:
  TCanvas() = default;
  // Announced before a draw changes pixels.
  virtual void Changing() {}
  virtual void Changed() {
    if (OnChange) OnChange();
  }

 private:
  PixelStore* target_ = nullptr;
};

}  // namespace nivarra
