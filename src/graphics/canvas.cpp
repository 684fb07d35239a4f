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
  Changing();
  graphic->DrawToCanvas(*this, rect);
  Changed();
}

TColor TCanvas::PixelColour(int x, int y) const {
  const PixelStore& store = Target();
  if (x < 0 || y < 0 || x >= store.Width() || y >= store.Height()) return 0xFFFFFFFFu;
  return store.PixelColour(x, y);
}

}  // namespace nivarra
