#include "app/region.h"

#include "layout/bitmap.h"

namespace nivarra {

std::vector<ShapeRect> RegionFromMask(TBitmap& mask, int width, int height) {
  constexpr TColor kWhite = 0xFFFFFF;
  std::vector<ShapeRect> shape;
  if (width <= 0 || height <= 0) return shape;
  const TCanvas& canvas = mask.Canvas();
  const auto inside = [&](int x, int y) { return (canvas.PixelColour(x, y) & kWhite) != kWhite; };

  // Rectangles that reach down to the row above, by index, for joining.
  std::vector<std::size_t> open, reaching;
  for (int y = 0; y < height; ++y) {
    reaching.clear();
    for (int x = 0; x < width;) {
      // Neighbouring pixels of different dark colours make one run: only
      // white is cut away.
      const bool in = inside(x, y);
      int end = x + 1;
      while (end < width && inside(end, y) == in) ++end;
      if (in) {
        std::size_t index = shape.size();
        for (std::size_t i : open) {
          if (shape[i].Left == x && shape[i].Right == end) index = i;
        }
        if (index == shape.size()) shape.push_back(ShapeRect{x, y, end, y});
        shape[index].Bottom = y + 1;
        reaching.push_back(index);
      }
      x = end;
    }
    open.swap(reaching);
  }
  return shape;
}

}  // namespace nivarra
