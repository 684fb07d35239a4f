#pragma once
// Nearest-pixel stretching, shared by every picture class that draws
// itself stretched: each destination pixel takes the source pixel its
// place falls in, rounded down.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "graphics/pixel_store.h"
#include "graphics/rect.h"

namespace nivarra {

// Draws a source of width × height stretched to rect, clipped to dest.
// paintRow(sy) returns, for source row sy, the function paint(d, sx) that
// writes the destination pixel starting at byte d from source column sx.
// Nothing is drawn for an empty source or rectangle.
template <class RowPainter>
void StretchNearest(PixelStore& dest, const TRect& rect, int width, int height, RowPainter&& paintRow) {
  const std::int64_t wr = rect.Width();
  const std::int64_t hr = rect.Height();
  if (width <= 0 || height <= 0 || wr <= 0 || hr <= 0) return;
  const int bpp = dest.BytesPerPixel();
  const int y0 = std::max(0, rect.Top);
  const int y1 = static_cast<int>(std::min<std::int64_t>(dest.Height(), rect.Bottom));
  const int x0 = std::max(0, rect.Left);
  const int x1 = static_cast<int>(std::min<std::int64_t>(dest.Width(), rect.Right));
  for (int dy = y0; dy < y1; ++dy) {
    const auto paint = paintRow(static_cast<int>((static_cast<std::int64_t>(dy) - rect.Top) * height / hr));
    std::uint8_t* d = dest.RowAddress(dy) + static_cast<std::ptrdiff_t>(x0) * bpp;
    for (int dx = x0; dx < x1; ++dx, d += bpp) {
      paint(d, static_cast<int>((static_cast<std::int64_t>(dx) - rect.Left) * width / wr));
    }
  }
}

}  // namespace nivarra
