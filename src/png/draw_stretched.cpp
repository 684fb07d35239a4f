// Opaque and colour-keyed drawing: the stored image stretched to a
// rectangle of a 24- or 32-bit store, nearest pixel, colour-table images
// through their table. The fourth byte of a 32-bit destination is kept.

#include <optional>

#include "graphics/pixel_store.h"
#include "graphics/stretch.h"
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
  const int bpp = dest.BytesPerPixel();
  if ((bpp != 3 && bpp != 4) || header.Storage.Pixels.empty()) return;
  StretchNearest(dest, rect, header.Width, header.Height, [&](int sy) {
    const std::uint8_t* row = png.PixelRow(sy);
    return [&header, row, key](std::uint8_t* d, int sx) {
      const RGBQuad c = StoredColour(header.Storage, row, sx);
      if (key && ColourOf(c) == (*key & 0xFFFFFFu)) return;
      d[0] = c.Blue;
      d[1] = c.Green;
      d[2] = c.Red;
    };
  });
}

}  // namespace

void DrawOpaque(const TPNGObject& png, PixelStore& dest, const TRect& rect) {
  DrawStretched(png, dest, rect, std::nullopt);
}

void DrawColourKeyed(const TPNGObject& png, PixelStore& dest, const TRect& rect, TColor key) {
  DrawStretched(png, dest, rect, key);
}

}  // namespace nivarra
