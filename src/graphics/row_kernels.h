#pragma once
// The row kernels behind blend_rows.h, inline for callers that draw many
// short runs (a frame's flakes): one call per picture, not one per row.
// Kernels<path> picks a path once, at compile time.

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define NIVARRA_ROWS_SSE2 1
#endif

#include "graphics/blend_rows.h"

namespace nivarra::row_kernels {

inline void BlendScalar(const std::uint8_t* s, std::uint8_t* d, int count) {
  for (int i = 0; i < count; ++i, s += 4, d += 4) {
    const unsigned a = s[3];
    for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>((s[c] * a + 255 + (255 - a) * d[c]) >> 8);
  }
}

inline void CopyScalar(const std::uint8_t* s, std::uint8_t* d, int count) {
  for (int i = 0; i < count; ++i, s += 4, d += 4) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
  }
}

inline void ClampScalar(std::uint8_t* p, int count) {
  for (int i = 0; i < count; ++i, p += 4) {
    const std::uint8_t a = p[3];
    p[0] = std::min(p[0], a);
    p[1] = std::min(p[1], a);
    p[2] = std::min(p[2], a);
  }
}

#ifdef NIVARRA_ROWS_SSE2
inline __m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store(std::uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// The colour bytes of colours with the fourth bytes of dest.
inline __m128i WithFourthOf(__m128i colours, __m128i dest) {
  const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  return _mm_or_si128(_mm_andnot_si128(fourth, colours), _mm_and_si128(fourth, dest));
}

// Two pixels in 16-bit lanes. s*a + 255 + (255-a)*d is a*(s-d) + 256*d - d
// + 255: at most 65280, so the products may wrap modulo 2^16 on the way.
inline __m128i BlendTwo(__m128i s, __m128i d) {
  const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
  const __m128i product = _mm_mullo_epi16(a, _mm_sub_epi16(s, d));
  const __m128i rest = _mm_add_epi16(_mm_sub_epi16(_mm_slli_epi16(d, 8), d), _mm_set1_epi16(255));
  return _mm_srli_epi16(_mm_add_epi16(product, rest), 8);
}

inline __m128i BlendFour(__m128i s, __m128i d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = BlendTwo(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
  const __m128i high = BlendTwo(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
  return WithFourthOf(_mm_packus_epi16(low, high), d);
}

inline void BlendSse2(const std::uint8_t* s, std::uint8_t* d, int count) {
  int i = 0;
  for (; i + 4 <= count; i += 4) Store(d + 4 * i, BlendFour(Load(s + 4 * i), Load(d + 4 * i)));
  BlendScalar(s + 4 * i, d + 4 * i, count - i);
}

inline void CopySse2(const std::uint8_t* s, std::uint8_t* d, int count) {
  if (count < 4) {
    CopyScalar(s, d, count);
    return;
  }
  // Copying is idempotent: the last four pixels may overlap the ones before.
  for (int i = 0;; i += 4) {
    i = std::min(i, count - 4);
    Store(d + 4 * i, WithFourthOf(Load(s + 4 * i), Load(d + 4 * i)));
    if (i == count - 4) break;
  }
}

inline void ClampSse2(std::uint8_t* p, int count) {
  int i = 0;
  // Four pixels at a time, each byte against (alpha, alpha, alpha, alpha).
  for (; i + 4 <= count; i += 4, p += 16) {
    const __m128i pixels = Load(p);
    const __m128i alpha = _mm_srli_epi32(pixels, 24);
    const __m128i spread = _mm_or_si128(_mm_or_si128(alpha, _mm_slli_epi32(alpha, 8)),
                                        _mm_or_si128(_mm_slli_epi32(alpha, 16), _mm_slli_epi32(alpha, 24)));
    Store(p, _mm_min_epu8(pixels, spread));
  }
  ClampScalar(p, count - i);
}
#endif


template <BlendPath kPath>
struct Kernels {
  static void Blend(const std::uint8_t* s, std::uint8_t* d, int count) { BlendScalar(s, d, count); }
  static void Copy(const std::uint8_t* s, std::uint8_t* d, int count) { CopyScalar(s, d, count); }
  static void Clamp(std::uint8_t* p, int count) { ClampScalar(p, count); }
};

#ifdef NIVARRA_ROWS_SSE2
template <>
struct Kernels<BlendPath::Sse2> {
  static void Blend(const std::uint8_t* s, std::uint8_t* d, int count) { BlendSse2(s, d, count); }
  static void Copy(const std::uint8_t* s, std::uint8_t* d, int count) { CopySse2(s, d, count); }
  static void Clamp(std::uint8_t* p, int count) { ClampSse2(p, count); }
};
#endif

}  // namespace nivarra::row_kernels
