#pragma once
// The plain way of drawing an RGBA picture over a 32-bit store, the yardstick
// the benchmarks hold our drawing against: a fresh work buffer of the part of
// the store the picture covers, the store's pixels copied in, every pixel
// blended with colour := (s*a + 255 + (255-a)*d) >> 8, the buffer copied
// back. The fourth byte of the store keeps its value.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "graphics/pixel_store.h"
#include "png/png_object.h"

namespace nivarra::bench {

// png must be of colour type 6 (stored as blue, green, red rows and an alpha
// plane) and dest 32 bits per pixel; std::invalid_argument otherwise.
inline void ReferenceBlend(const TPNGObject& png, PixelStore& dest, int left, int top) {
  if (png.HeaderChunk().ColourType != 6 || png.AlphaRow(0) == nullptr || dest.BitCount() != 32) {
    throw std::invalid_argument("the reference blend draws RGBA pictures onto 32-bit stores only");
  }
  const int x0 = std::max(0, -left), x1 = std::min(png.Width(), dest.Width() - left);
  const int y0 = std::max(0, -top), y1 = std::min(png.Height(), dest.Height() - top);
  if (x0 >= x1 || y0 >= y1) return;

  const auto span = static_cast<std::size_t>(x1 - x0) * 4;
  std::vector<std::uint8_t> work(span * static_cast<std::size_t>(y1 - y0));
  const auto workRow = [&](int y) { return work.data() + static_cast<std::size_t>(y - y0) * span; };
  const auto destRow = [&](int y) { return dest.RowAddress(top + y) + static_cast<std::ptrdiff_t>(left + x0) * 4; };

  for (int y = y0; y < y1; ++y) std::memcpy(workRow(y), destRow(y), span);
  for (int y = y0; y < y1; ++y) {
    const std::uint8_t* s = png.PixelRow(y) + static_cast<std::ptrdiff_t>(x0) * 3;
    const std::uint8_t* alpha = png.AlphaRow(y) + x0;
    std::uint8_t* d = workRow(y);
    for (int x = x0; x < x1; ++x, s += 3, d += 4) {
      const unsigned a = *alpha++;
      for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>((s[c] * a + 255 + (255 - a) * d[c]) >> 8);
    }
  }
  for (int y = y0; y < y1; ++y) std::memcpy(destRow(y), workRow(y), span);
}

}  // namespace nivarra::bench
