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

#if defined(__SSE2__)
// One pixel of kBytes (3 or 4) in the low lanes of a register, and back.
// Three bytes go as a pair and a single byte, not through a memcpy of
// three, which compilers spill to the stack and reload in a way that
// stalls every pixel.
template <int kBytes>
inline __m128i LoadPixel(const std::uint8_t* p) {
  std::uint32_t v = 0;
  if constexpr (kBytes == 4) {
    std::memcpy(&v, p, 4);
  } else {
    std::uint16_t low;
    std::memcpy(&low, p, 2);
    v = low | std::uint32_t{p[2]} << 16;
  }
  return _mm_cvtsi32_si128(static_cast<int>(v));
}
template <int kBytes>
inline void StorePixel(std::uint8_t* p, __m128i v) {
  const std::uint32_t w = static_cast<std::uint32_t>(_mm_cvtsi128_si32(v));
  if constexpr (kBytes == 4) {
    std::memcpy(p, &w, 4);
  } else {
    const std::uint16_t low = static_cast<std::uint16_t>(w);
    std::memcpy(p, &low, 2);
    p[2] = static_cast<std::uint8_t>(w >> 16);
  }
}

void UnfilterUp(std::uint8_t* r, const std::uint8_t* p, int rowBytes) {
  int i = 0;
  for (; i + 16 <= rowBytes; i += 16) {
    const __m128i sum = _mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(r + i)),
                                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(r + i), sum);
  }
  for (; i < rowBytes; ++i) r[i] = static_cast<std::uint8_t>(r[i] + p[i]);
}

// Average and Paeth depend on the pixel just decoded, so they go a pixel
// at a time, all of its bytes at once. The first pixel sees a left and
// upper-left of zero, which is where both start.
template <int kBytes>
void UnfilterAverage(std::uint8_t* r, const std::uint8_t* p, int rowBytes) {
  __m128i left = _mm_setzero_si128();
  for (int i = 0; i + kBytes <= rowBytes; i += kBytes) {
    const __m128i up = LoadPixel<kBytes>(p + i);
    // pavgb rounds up; the odd sums take their 1 back.
    const __m128i odd = _mm_and_si128(_mm_xor_si128(left, up), _mm_set1_epi8(1));
    const __m128i average = _mm_sub_epi8(_mm_avg_epu8(left, up), odd);
    left = _mm_add_epi8(LoadPixel<kBytes>(r + i), average);
    StorePixel<kBytes>(r + i, left);
  }
}

inline __m128i Abs16(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }

inline __m128i Select(__m128i mask, __m128i yes, __m128i no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// PaethPredictor on 16-bit lanes: the distances from left + up - upperLeft
// to left, up and upperLeft are |up - upperLeft|, |left - upperLeft| and
// their sum's magnitude, with the same ties.
template <int kBytes>
void UnfilterPaeth(std::uint8_t* r, const std::uint8_t* p, int rowBytes) {
  const __m128i zero = _mm_setzero_si128();
  __m128i left = zero, upperLeft = zero;
  for (int i = 0; i + kBytes <= rowBytes; i += kBytes) {
    const __m128i up = _mm_unpacklo_epi8(LoadPixel<kBytes>(p + i), zero);
    const __m128i toUp = _mm_sub_epi16(up, upperLeft);
    const __m128i toLeft = _mm_sub_epi16(left, upperLeft);
    const __m128i pa = Abs16(toUp), pb = Abs16(toLeft), pc = Abs16(_mm_add_epi16(toUp, toLeft));
    const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
    const __m128i predictor = Select(_mm_cmpeq_epi16(pa, smallest), left,
                                     Select(_mm_cmpeq_epi16(pb, smallest), up, upperLeft));
    const __m128i decoded = _mm_add_epi8(LoadPixel<kBytes>(r + i), _mm_packus_epi16(predictor, predictor));
    StorePixel<kBytes>(r + i, decoded);
    left = _mm_unpacklo_epi8(decoded, zero);
    upperLeft = up;
  }
}

// True when the filter was undone here: Up for any pixel size, Average and
// Paeth for 3- and 4-byte pixels (8-bit RGB and RGBA, 16-bit grey with alpha).
bool UnfilterSimd(std::uint8_t filter, std::uint8_t* r, const std::uint8_t* p, int rowBytes, int pixelStep) {
  if (filter == kUp) {
    UnfilterUp(r, p, rowBytes);
    return true;
  }
  if ((filter != kAverage && filter != kPaeth) || (pixelStep != 3 && pixelStep != 4)) return false;
  if (filter == kAverage) {
    pixelStep == 3 ? UnfilterAverage<3>(r, p, rowBytes) : UnfilterAverage<4>(r, p, rowBytes);
  } else {
    pixelStep == 3 ? UnfilterPaeth<3>(r, p, rowBytes) : UnfilterPaeth<4>(r, p, rowBytes);
  }
  return true;
}
#else
bool UnfilterSimd(std::uint8_t, std::uint8_t*, const std::uint8_t*, int, int) { return false; }
#endif

}  // namespace

void UnfilterRow(std::uint8_t* row, const std::uint8_t* previous, int rowBytes, int pixelStep) {
  std::uint8_t* r = row + 1;
  const std::uint8_t* p = previous + 1;
  // The first pixelStep bytes have no left neighbour: left and upper-left are 0.
  const int firstWithLeft = pixelStep < rowBytes ? pixelStep : rowBytes;
  if (UnfilterSimd(row[0], r, p, rowBytes, pixelStep)) return;
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
