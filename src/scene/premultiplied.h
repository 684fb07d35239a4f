#pragma once
// Frames are drawn with straight colour over premultiplied pixels; before a
// frame is shown, every colour byte is held to its pixel's alpha so the
// frame is valid premultiplied data (no glow at the rim, nothing visible
// outside the outline where the alpha is 0).

#include <cstdint>

namespace nivarra {

class PixelStore;

// Clamps blue, green and red of every 32-bit pixel whose alpha is below 255
// to that alpha.
void ClampColourToAlpha(PixelStore& frame);

}  // namespace nivarra
