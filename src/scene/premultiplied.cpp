#include "scene/premultiplied.h"

#include <algorithm>

#include "graphics/blend_rows.h"
#include "graphics/pixel_store.h"

namespace nivarra {
namespace {

void ClampPixels(std::uint8_t* p, std::size_t count) {
  ClampColours(FastestBlendPath(), p, static_cast<int>(count));
}

}  // namespace

void ClampColourToAlpha(PixelStore& frame) {
  if (frame.BitCount() != 32) return;
  // 32-bit rows need no padding, so the rows follow one another.
  const auto pixels = static_cast<std::size_t>(frame.Width()) * static_cast<std::size_t>(frame.Height());
  if (frame.RowStride() * static_cast<std::size_t>(frame.Height()) == pixels * 4) {
    ClampPixels(frame.Bytes().data(), pixels);
    return;
  }
  for (int y = 0; y < frame.Height(); ++y) ClampPixels(frame.RowAddress(y), static_cast<std::size_t>(frame.Width()));
}

}  // namespace nivarra
