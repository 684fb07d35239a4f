// Opaque and colour-keyed drawing: the stored image stretched to a
// rectangle of a 24- or 32-bit store, nearest pixel, colour-table images
// through their table. The fourth byte of a 32-bit destination is kept.

#include <algorithm>
#include <optional>

#include "graphics/pixel_store.h"
#include "png/draw.h"
#include "png/png_object.h"

namespace nivarra {

namespace {

RGBQuad StoredColour(const ImageStorage& storage, const std::uint8_t* row, int x) {
  const int bits = storage.DibInfo.Header.BitCount;
  if (bits == 24) return RGBQuad{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
  const int index = PackedIndex(row, x, bits);
  return storage.DibInfo.Colours[static_cast<std::size_t>(index)];
}

void DrawStretched(const TPNGObject& png, PixelStore& dest, const TRect& rect, std::optional<TColor> key) {
  const TChunkIHDR& header = png.HeaderChunk();
  const int width = header.Width;
  const int height = header.Height;
  const std::int64_t wr = rect.Width();
  const std::int64_t hr = rect.Height();
  const int bpp = dest.BytesPerPixel();
  if (width <= 0 || height <= 0 || wr <= 0 || hr <= 0 || (bpp != 3 && bpp != 4)) return;
  if (header.Storage.Pixels.empty()) return;

  const int y0 = std::max(0, rect.Top);
  const int y1 = static_cast<int>(std::min<std::int64_t>(dest.Height(), rect.Bottom));
  const int x0 = std::max(0, rect.Left);
  const int x1 = static_cast<int>(std::min<std::int64_t>(dest.Width(), rect.Right));
  for (int dy = y0; dy < y1; ++dy) {
    const int sy = static_cast<int>((static_cast<std::int64_t>(dy) - rect.Top) * height / hr);
    const std::uint8_t* row = png.PixelRow(sy);
    std::uint8_t* d = dest.RowAddress(dy) + static_cast<std::ptrdiff_t>(x0) * bpp;
    for (int dx = x0; dx < x1; ++dx, d += bpp) {
      const int sx = static_cast<int>((static_cast<std::int64_t>(dx) - rect.Left) * width / wr);
      const RGBQuad c = StoredColour(header.Storage, row, sx);
      if (key && ColourOf(c) == (*key & 0xFFFFFFu)) continue;
      d[0] = c.Blue;
      d[1] = c.Green;
      d[2] = c.Red;
    }
  }
}

}  // namespace

void DrawOpaque(const TPNGObject& png, PixelStore& dest, const TRect& rect) {
  DrawStretched(png, dest, rect, std::nullopt);
}

void DrawColourKeyed(const TPNGObject& png, PixelStore& dest, const TRect& rect, TColor key) {
  DrawStretched(png, dest, rect, key);
}

}  // namespace nivarra
