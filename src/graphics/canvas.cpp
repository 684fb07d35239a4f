#include "graphics/canvas.h"

#include "graphics/graphic.h"
#include "graphics/pixel_store.h"
#include "graphics/rect.h"

namespace nivarra {

void TCanvas::DrawGraphic(int x, int y, const TGraphic* graphic) {
  if (graphic == nullptr || graphic->IsEmpty()) return;
  StretchDraw(TRect{x, y, x + graphic->Width(), y + graphic->Height()}, graphic);
}

void TCanvas::StretchDraw(const TRect& rect, const TGraphic* graphic) {
  if (graphic == nullptr || graphic->IsEmpty()) return;
  graphic->DrawToCanvas(*this, rect);
  if (OnChange) OnChange();
}

TColor TCanvas::PixelColour(int x, int y) const {
  if (x < 0 || y < 0 || x >= target_->Width() || y >= target_->Height()) return 0xFFFFFFFFu;
  return target_->PixelColour(x, y);
}

}  // namespace nivarra
