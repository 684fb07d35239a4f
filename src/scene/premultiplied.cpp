#include "scene/premultiplied.h"

#include <algorithm>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define NIVARRA_CLAMP_SSE2 1
#endif

#include "graphics/pixel_store.h"

namespace nivarra {
namespace {

// Holds the colour bytes of count consecutive pixels to their alpha. No pixel
// needs a test: at alpha 255 the bytes stay as they are.
void ClampPixels(std::uint8_t* p, std::size_t count) {
  std::size_t i = 0;
#ifdef NIVARRA_CLAMP_SSE2
  // Four pixels at a time, each byte against (alpha, alpha, alpha, alpha).
  for (; i + 4 <= count; i += 4, p += 16) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i alpha = _mm_srli_epi32(pixels, 24);
    const __m128i spread = _mm_or_si128(_mm_or_si128(alpha, _mm_slli_epi32(alpha, 8)),
                                        _mm_or_si128(_mm_slli_epi32(alpha, 16), _mm_slli_epi32(alpha, 24)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_min_epu8(pixels, spread));
  }
#endif
  for (; i < count; ++i, p += 4) {
    const std::uint8_t a = p[3];
    p[0] = std::min(p[0], a);
    p[1] = std::min(p[1], a);
    p[2] = std::min(p[2], a);
  }
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
