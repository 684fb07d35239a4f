#include "png/row_converters.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nivarra {

namespace {

template <bool kSequential>
inline int ColumnOf(int k, const RowTarget& t) {
  return kSequential ? k : t.ColumnStart + k * t.ColumnStep;
}

// Truecolour with or without alpha, 1 or 2 bytes a sample: blue, green, red
// through the gamma map (the high byte of 16-bit samples), alpha unmapped.
template <int kChannels, int kSampleBytes, bool kSequential>
void ConvertTruecolour(const std::uint8_t* s, int count, const RowTarget& t, const std::uint8_t* gamma) {
  constexpr int kPixelBytes = kChannels * kSampleBytes;
  for (int k = 0; k < count; ++k) {
    const std::uint8_t* p = s + k * kPixelBytes;
    const int column = ColumnOf<kSequential>(k, t);
    std::uint8_t* d = t.Pixels + 3 * column;
    d[0] = gamma[p[2 * kSampleBytes]];
    d[1] = gamma[p[kSampleBytes]];
    d[2] = gamma[p[0]];
    if constexpr (kChannels == 4) t.Alpha[column] = p[3 * kSampleBytes];
  }
}

// Greyscale stored as 8-bit grey-table indices (the high byte of 16-bit
// samples), with or without alpha. Grey reaches gamma through the table.
template <int kChannels, int kSampleBytes, bool kSequential>
void ConvertGrey(const std::uint8_t* s, int count, const RowTarget& t, const std::uint8_t*) {
  constexpr int kPixelBytes = kChannels * kSampleBytes;
  for (int k = 0; k < count; ++k) {
    const std::uint8_t* p = s + k * kPixelBytes;
    const int column = ColumnOf<kSequential>(k, t);
    t.Pixels[column] = p[0];
    if constexpr (kChannels == 2) t.Alpha[column] = p[kSampleBytes];
  }
}

// Packed samples of kDepth bits, first sample in the top bits, into packed
// stored fields of kStoredBits; kScale widens 2-bit grey to its 4-bit level.
template <int kDepth, int kStoredBits, int kScale, bool kSequential>
void ConvertPacked(const std::uint8_t* s, int count, const RowTarget& t, const std::uint8_t*) {
  constexpr int kMask = (1 << kDepth) - 1;
  for (int k = 0; k < count; ++k) {
    const int bit = k * kDepth;
    const int sample = (s[bit / 8] >> (8 - kDepth - bit % 8)) & kMask;
    const int column = ColumnOf<kSequential>(k, t);
    const int field = column * kStoredBits;
    t.Pixels[field / 8] |= static_cast<std::uint8_t>((sample * kScale) << (8 - kStoredBits - field % 8));
  }
}

// Indexed 2-bit rows widen byte by byte: four indices become two bytes of
// two 4-bit fields each, the bits that fill the last byte included.
void WidenIndexed2(const std::uint8_t* s, int count, const RowTarget& t, const std::uint8_t*) {
  const int bytes = (count * 2 + 7) / 8;
  for (int i = 0; i < bytes; ++i) {
    const std::uint8_t b = s[i];
    t.Pixels[2 * i] = static_cast<std::uint8_t>(((b >> 6) & 3) << 4 | ((b >> 4) & 3));
    t.Pixels[2 * i + 1] = static_cast<std::uint8_t>(((b >> 2) & 3) << 4 | (b & 3));
  }
}

// Samples already in their stored form: copy the row as it is.
template <int kDepth>
void CopyPacked(const std::uint8_t* s, int count, const RowTarget& t, const std::uint8_t*) {
  std::memcpy(t.Pixels, s, static_cast<std::size_t>((count * kDepth + 7) / 8));
}

constexpr std::uint32_t ByteSwap32(std::uint32_t v) {
  return v >> 24 | (v >> 8 & 0xFF00u) | (v << 8 & 0xFF0000u) | v << 24;
}

// 8-bit RGBA under the identity gamma map, word by word: four pixels per
// step, red-green-blue-alpha words reordered to blue-green-red with byte
// swaps, alpha gathered into one word. Little-endian words only.
void ConvertRgba8UnmappedWords(const std::uint8_t* s, int count, std::uint8_t* d, std::uint8_t* alpha) {
  auto bgr = [](std::uint32_t rgba) { return ByteSwap32(rgba) >> 8; };
  int k = 0;
  for (; k + 4 <= count; k += 4, s += 16, d += 12, alpha += 4) {
    std::uint32_t v[4];
    std::memcpy(v, s, 16);
    const std::uint32_t c0 = bgr(v[0]), c1 = bgr(v[1]), c2 = bgr(v[2]), c3 = bgr(v[3]);
    const std::uint32_t out[3] = {c0 | c1 << 24, c1 >> 8 | c2 << 16, c2 >> 16 | c3 << 8};
    const std::uint32_t a = v[0] >> 24 | (v[1] >> 24) << 8 | (v[2] >> 24) << 16 | (v[3] >> 24) << 24;
    std::memcpy(d, out, 12);
    std::memcpy(alpha, &a, 4);
  }
  for (; k < count; ++k, s += 4, d += 3) {
    d[0] = s[2];
    d[1] = s[1];
    d[2] = s[0];
    *alpha++ = s[3];
  }
}

#if defined(__SSE2__)
// Four RGBA pixels to twelve bytes of blue-green-red, as the low twelve
// bytes of the result: red and blue swap inside each word, then the empty
// fourth bytes are squeezed out, first within each half, then between them.
inline __m128i PackBgr(__m128i rgba) {
  const __m128i green = _mm_and_si128(rgba, _mm_set1_epi32(0x0000FF00));
  const __m128i red = _mm_and_si128(_mm_slli_epi32(rgba, 16), _mm_set1_epi32(0x00FF0000));
  const __m128i blue = _mm_and_si128(_mm_srli_epi32(rgba, 16), _mm_set1_epi32(0x000000FF));
  const __m128i bgr0 = _mm_or_si128(_mm_or_si128(green, blue), red);
  const __m128i halves = _mm_or_si128(_mm_and_si128(bgr0, _mm_set1_epi64x(0x0000000000FFFFFF)),
                                      _mm_and_si128(_mm_srli_epi64(bgr0, 8), _mm_set1_epi64x(0x0000FFFFFF000000)));
  const __m128i high = _mm_srli_si128(_mm_and_si128(halves, _mm_set_epi64x(-1, 0)), 2);
  return _mm_or_si128(_mm_and_si128(halves, _mm_set_epi64x(0, -1)), high);
}
#endif

// The scene's pictures: eight pixels per step where SSE2 is there (24
// bytes of colour and 8 of alpha, stored without touching the bytes past
// them), the rest word by word.
void ConvertRgba8Unmapped(const std::uint8_t* s, int count, const RowTarget& t, const std::uint8_t*) {
  std::uint8_t* d = t.Pixels;
  std::uint8_t* alpha = t.Alpha;
  int k = 0;
#if defined(__SSE2__)
  for (; k + 8 <= count; k += 8, s += 32, d += 24, alpha += 8) {
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
    const __m128i a = _mm_packs_epi32(_mm_srli_epi32(v0, 24), _mm_srli_epi32(v1, 24));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(alpha), _mm_packus_epi16(a, a));
    const __m128i c0 = PackBgr(v0), c1 = PackBgr(v1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_or_si128(c0, _mm_slli_si128(c1, 12)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 16), _mm_srli_si128(c1, 4));
  }
#endif
  ConvertRgba8UnmappedWords(s, count - k, d, alpha);
}

template <bool kSequential>
RowConverter Select(int colourType, int bitDepth) {
  switch (colourType * 100 + bitDepth) {
    case 1:   return kSequential ? &CopyPacked<1> : &ConvertPacked<1, 1, 1, false>;
    case 2:   return &ConvertPacked<2, 4, 5, kSequential>;
    case 4:   return kSequential ? &CopyPacked<4> : &ConvertPacked<4, 4, 1, false>;
    case 8:   return kSequential ? &CopyPacked<8> : &ConvertPacked<8, 8, 1, false>;
    case 16:  return &ConvertGrey<1, 2, kSequential>;
    case 208: return &ConvertTruecolour<3, 1, kSequential>;
    case 216: return &ConvertTruecolour<3, 2, kSequential>;
    case 301: return kSequential ? &CopyPacked<1> : &ConvertPacked<1, 1, 1, false>;
    case 302: return kSequential ? &WidenIndexed2 : &ConvertPacked<2, 4, 1, false>;
    case 304: return kSequential ? &CopyPacked<4> : &ConvertPacked<4, 4, 1, false>;
    case 308: return kSequential ? &CopyPacked<8> : &ConvertPacked<8, 8, 1, false>;
    case 408: return &ConvertGrey<2, 1, kSequential>;
    case 416: return &ConvertGrey<2, 2, kSequential>;
    case 608: return &ConvertTruecolour<4, 1, kSequential>;
    case 616: return &ConvertTruecolour<4, 2, kSequential>;
    default:  return nullptr;
  }
}

}  // namespace

RowConverter SelectRowConverter(int colourType, int bitDepth, bool interlaced, bool identityGamma) {
  // The unmapped converter reads little-endian words.
  if constexpr (std::endian::native == std::endian::little) {
    if (!interlaced && identityGamma && colourType == 6 && bitDepth == 8) return &ConvertRgba8Unmapped;
  }
  return interlaced ? Select<false>(colourType, bitDepth) : Select<true>(colourType, bitDepth);
}

}  // namespace nivarra
