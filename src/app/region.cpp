#include "app/region.h"

#include <algorithm>

#include "layout/bitmap.h"

namespace nivarra {

namespace {

constexpr TColor kWhite = 0xFFFFFF;

// The rectangles of the pixels of a width by height window for which inside
// holds.
template <class Inside>
std::vector<ShapeRect> RegionOf(int width, int height, const Inside& inside) {
  std::vector<ShapeRect> shape;
  if (width <= 0 || height <= 0) return shape;

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

// The mask pixels that lie wholly or partly under window pixel index.
struct Footprint {
  int First;
  int End;
};
Footprint FootprintOf(int index, int size, int maskSize) {
  const auto scaled = [&](int i) { return static_cast<long long>(i) * maskSize; };
  const auto first = static_cast<int>(scaled(index) / size);
  const auto end = static_cast<int>((scaled(index + 1) + size - 1) / size);
  return Footprint{first, std::max(end, first + 1)};
}

}  // namespace

std::vector<ShapeRect> RegionFromMask(TBitmap& mask, int width, int height) {
  const TCanvas& canvas = mask.Canvas();
  return RegionOf(width, height, [&](int x, int y) { return (canvas.PixelColour(x, y) & kWhite) != kWhite; });
}

std::vector<ShapeRect> RegionFromScaledMask(TBitmap& mask, int width, int height) {
  const int maskWidth = mask.Width();
  const int maskHeight = mask.Height();
  if (maskWidth == width && maskHeight == height) return RegionFromMask(mask, width, height);
  if (maskWidth <= 0 || maskHeight <= 0) return {};
  // Reading every mask pixel once, whatever the window's size.
  const TCanvas& canvas = mask.Canvas();
  std::vector<bool> dark(static_cast<std::size_t>(maskWidth) * maskHeight);
  for (int y = 0; y < maskHeight; ++y) {
    for (int x = 0; x < maskWidth; ++x) {
      dark[static_cast<std::size_t>(y) * maskWidth + x] = (canvas.PixelColour(x, y) & kWhite) != kWhite;
    }
  }
  return RegionOf(width, height, [&](int x, int y) {
    const Footprint across = FootprintOf(x, width, maskWidth);
    const Footprint down = FootprintOf(y, height, maskHeight);
    for (int my = down.First; my < down.End && my < maskHeight; ++my) {
      for (int mx = across.First; mx < across.End && mx < maskWidth; ++mx) {
        if (dark[static_cast<std::size_t>(my) * maskWidth + mx]) return true;
      }
    }
    return false;
  });
}

ShapeRect BoundsOf(const std::vector<ShapeRect>& shape) {
  if (shape.empty()) return {};
  ShapeRect bounds = shape.front();
  for (const ShapeRect& r : shape) {
    bounds = {std::min(bounds.Left, r.Left), std::min(bounds.Top, r.Top), std::max(bounds.Right, r.Right),
              std::max(bounds.Bottom, r.Bottom)};
  }
  return bounds;
}

}  // namespace nivarra
