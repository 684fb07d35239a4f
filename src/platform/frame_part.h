#pragma once
// Copies the changed part of a frame into the buffer a desktop shows it
// from: both hold premultiplied 32-bit pixels, B, G, R, A in memory.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "graphics/pixel_store.h"
#include "platform/screen_geometry.h"

namespace nivarra {

// part lies inside frame and inside the target, whose rows (the top one
// first) are stride bytes apart.
inline void CopyFramePart(const PixelStore& frame, const PixelRect& part, std::uint8_t* target,
                          std::size_t stride) {
  const auto left = static_cast<std::size_t>(part.Left) * 4;
  const auto bytes = static_cast<std::size_t>(part.Right - part.Left) * 4;
  for (int y = part.Top; y < part.Bottom; ++y) {
    std::memcpy(target + static_cast<std::size_t>(y) * stride + left, frame.RowAddress(y) + left, bytes);
  }
}

}  // namespace nivarra
