#include "scene/premultiplied.h"

#include <algorithm>

#include "graphics/pixel_store.h"

namespace nivarra {

void ClampColourToAlpha(PixelStore& frame) {
  if (frame.BitCount() != 32) return;
  for (int y = 0; y < frame.Height(); ++y) {
    std::uint8_t* p = frame.RowAddress(y);
    for (int x = 0; x < frame.Width(); ++x, p += 4) {
      const std::uint8_t a = p[3];
      if (a == 255) continue;
      p[0] = std::min(p[0], a);
      p[1] = std::min(p[1], a);
      p[2] = std::min(p[2], a);
    }
  }
}

}  // namespace nivarra
