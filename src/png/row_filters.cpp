#include "png/row_filters.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nivarra {

namespace {

enum FilterType : std::uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

// Four byte-wise additions modulo 256 in one 32-bit word.
inline std::uint32_t AddBytes(std::uint32_t a, std::uint32_t b) {
  return ((a & 0x7F7F7F7Fu) + (b & 0x7F7F7F7Fu)) ^ ((a ^ b) & 0x80808080u);
}

// Sub on four-byte pixels (8-bit RGBA, 16-bit grey with alpha), the filter
// of every scene picture: a whole pixel per step, four pixels per step
// where SSE2 is there (a running sum over the four lanes plus the pixel
// before them).
void UnfilterSub4(std::uint8_t* r, int rowBytes) {
  std::uint32_t left = 0;
  int i = 0;
#if defined(__SSE2__)
  __m128i last = _mm_setzero_si128();
  for (; i + 16 <= rowBytes; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + i));
    v = _mm_add_epi8(v, _mm_slli_si128(v, 4));
    v = _mm_add_epi8(v, _mm_slli_si128(v, 8));
    v = _mm_add_epi8(v, last);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(r + i), v);
    last = _mm_shuffle_epi32(v, _MM_SHUFFLE(3, 3, 3, 3));
  }
  left = static_cast<std::uint32_t>(_mm_cvtsi128_si32(last));
#endif
  for (; i + 4 <= rowBytes; i += 4) {
    std::uint32_t v;
    std::memcpy(&v, r + i, 4);
    left = AddBytes(v, left);
    std::memcpy(r + i, &left, 4);
  }
  for (; i < rowBytes; ++i) r[i] = static_cast<std::uint8_t>(r[i] + (i >= 4 ? r[i - 4] : 0));
}

}  // namespace

void UnfilterRow(std::uint8_t* row, const std::uint8_t* previous, int rowBytes, int pixelStep) {
  std::uint8_t* r = row + 1;
  const std::uint8_t* p = previous + 1;
  // The first pixelStep bytes have no left neighbour: left and upper-left are 0.
  const int firstWithLeft = pixelStep < rowBytes ? pixelStep : rowBytes;
  switch (row[0]) {
    case kSub:
      if (pixelStep == 4) {
        UnfilterSub4(r, rowBytes);
        break;
      }
      for (int i = pixelStep; i < rowBytes; ++i) r[i] = static_cast<std::uint8_t>(r[i] + r[i - pixelStep]);
      break;
    case kUp:
      for (int i = 0; i < rowBytes; ++i) r[i] = static_cast<std::uint8_t>(r[i] + p[i]);
      break;
    case kAverage:
      for (int i = 0; i < firstWithLeft; ++i) r[i] = static_cast<std::uint8_t>(r[i] + p[i] / 2);
      for (int i = pixelStep; i < rowBytes; ++i) {
        r[i] = static_cast<std::uint8_t>(r[i] + (p[i] + r[i - pixelStep]) / 2);
      }
      break;
    case kPaeth:
      // With left and upper-left 0 the predictor is the byte above.
      for (int i = 0; i < firstWithLeft; ++i) r[i] = static_cast<std::uint8_t>(r[i] + p[i]);
      for (int i = pixelStep; i < rowBytes; ++i) {
        r[i] = static_cast<std::uint8_t>(r[i] + PaethPredictor(r[i - pixelStep], p[i], p[i - pixelStep]));
      }
      break;
    default:
      break;
  }
}

}  // namespace nivarra
