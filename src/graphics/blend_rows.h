#pragma once
// The three things a frame does to runs of 32-bit pixels (blue, green, red,
// fourth byte): blend a straight-alpha picture over them, copy an opaque
// one, and hold colour to alpha. Each has a plain path for any machine and
// an SSE2 path for x86-64, which always has it; both give the same bytes.

#include <cstdint>

namespace nivarra {

enum class BlendPath { Scalar, Sse2 };

// The fastest path this build can run.
BlendPath FastestBlendPath();
// Whether this build can run path.
bool HasBlendPath(BlendPath path);

// count source pixels (blue, green, red, alpha) over count destination
// pixels: colour := (s*a + 255 + (255-a)*d) >> 8, exact at a = 0 (d stays)
// and a = 255 (s); the destination's fourth byte keeps its value.
void BlendPixels(BlendPath path, const std::uint8_t* source, std::uint8_t* dest, int count);

// The colour of count source pixels over the destination's; its fourth
// byte keeps its value.
void CopyColours(BlendPath path, const std::uint8_t* source, std::uint8_t* dest, int count);

// Holds blue, green and red of count pixels to their fourth byte.
void ClampColours(BlendPath path, std::uint8_t* pixels, int count);

}  // namespace nivarra
