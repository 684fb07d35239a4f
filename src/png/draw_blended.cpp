// Straight-alpha drawing of a decoded image onto a 24- or 32-bit store:
// colour := (s*a + 255 + (255-a)*d) >> 8 per colour byte, exact at a = 0
// and a = 255, the fourth byte of the destination keeping its value.

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define NIVARRA_BLEND_SSE2 1
#endif

#include "graphics/pixel_store.h"
#include "png/draw.h"
#include "png/png_errors.h"
#include "png/png_object.h"

namespace nivarra {

namespace {

inline std::uint8_t Blend(unsigned s, unsigned a, unsigned d) {
  return static_cast<std::uint8_t>((s * a + 255 + (255 - a) * d) >> 8);
}

// Where the colour of image pixel i comes from.
struct TruecolourSource {
  const std::uint8_t* Row;  // blue, green, red per pixel
  std::uint8_t At(int i, int channel) const { return Row[3 * i + channel]; }
};
struct GreySource {
  const std::uint8_t* Row;  // one grey byte per pixel, for all three channels
  std::uint8_t At(int i, int) const { return Row[i]; }
};

// Truecolour onto 32 bits, the scene's case, goes a word of four bytes at a
// time: blue, green and red in the low three bytes of a little-endian word.
template <int kBpp, class Source>
constexpr bool kWordWise =
    kBpp == 4 && std::is_same_v<Source, TruecolourSource> && std::endian::native == std::endian::little;
constexpr std::uint32_t kColourBytes = 0x00FFFFFF;

inline std::uint32_t LoadWord(const std::uint8_t* p) {
  std::uint32_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}
inline void StoreWord(std::uint8_t* p, std::uint32_t word) { std::memcpy(p, &word, sizeof word); }

#ifdef NIVARRA_BLEND_SSE2
// Four blue-green-red triples as four 32-bit pixels whose fourth byte is
// undefined. The last triple ends the run, so it is read from one byte
// earlier.
inline __m128i LoadFourTriples(const std::uint8_t* s) {
  return _mm_set_epi32(static_cast<int>(LoadWord(s + 8) >> 8), static_cast<int>(LoadWord(s + 6)),
                       static_cast<int>(LoadWord(s + 3)), static_cast<int>(LoadWord(s)));
}

// Stores the colour bytes of four pixels over d, whose fourth bytes stay.
inline void StoreFourColours(std::uint8_t* d, __m128i colours, __m128i dest) {
  const __m128i fourth = _mm_set1_epi32(static_cast<int>(~kColourBytes));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d),
                   _mm_or_si128(_mm_andnot_si128(fourth, colours), _mm_and_si128(fourth, dest)));
}

inline void CopyFour(const std::uint8_t* s, std::uint8_t* d) {
  StoreFourColours(d, LoadFourTriples(s), _mm_loadu_si128(reinterpret_cast<const __m128i*>(d)));
}

// Four pixels in 16-bit lanes, where every sum of the formula fits (at most
// 65280). s holds four blue-green-red triples, alpha four bytes, d four
// 32-bit pixels.
inline void BlendFour(const std::uint8_t* s, const std::uint8_t* alpha, std::uint8_t* d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i full = _mm_set1_epi16(255);
  const __m128i source = LoadFourTriples(s);
  const __m128i dest = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
  __m128i a = _mm_cvtsi32_si128(static_cast<int>(LoadWord(alpha)));
  a = _mm_unpacklo_epi8(a, a);
  a = _mm_unpacklo_epi16(a, a);  // each pixel's alpha in all four of its bytes
  const auto blendHalf = [&](__m128i sHalf, __m128i aHalf, __m128i dHalf) {
    const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(sHalf, aHalf),
                                      _mm_mullo_epi16(dHalf, _mm_sub_epi16(full, aHalf)));
    return _mm_srli_epi16(_mm_add_epi16(sum, full), 8);
  };
  const __m128i low = blendHalf(_mm_unpacklo_epi8(source, zero), _mm_unpacklo_epi8(a, zero),
                                _mm_unpacklo_epi8(dest, zero));
  const __m128i high = blendHalf(_mm_unpackhi_epi8(source, zero), _mm_unpackhi_epi8(a, zero),
                                 _mm_unpackhi_epi8(dest, zero));
  StoreFourColours(d, _mm_packus_epi16(low, high), dest);
}
#endif

template <int kBpp, class Source>
void BlendRun(Source s, const std::uint8_t* alpha, std::uint8_t* d, int count) {
  int i = 0;
#ifdef NIVARRA_BLEND_SSE2
  if constexpr (kWordWise<kBpp, Source>) {
    for (; i + 4 <= count; i += 4) BlendFour(s.Row + 3 * i, alpha + i, d + 4 * i);
  }
#endif
  for (; i < count; ++i) {
    const unsigned a = alpha[i];
    std::uint8_t* p = d + kBpp * i;
    p[0] = Blend(s.At(i, 0), a, p[0]);
    p[1] = Blend(s.At(i, 1), a, p[1]);
    p[2] = Blend(s.At(i, 2), a, p[2]);
  }
}

template <int kBpp, class Source>
void CopyRun(Source s, std::uint8_t* d, int count) {
  int i = 0;
  if constexpr (kWordWise<kBpp, Source>) {
#ifdef NIVARRA_BLEND_SSE2
    for (; i + 4 <= count; i += 4) CopyFour(s.Row + 3 * i, d + 4 * i);
#endif
    // The word read for a pixel takes the next pixel's first byte along, so
    // the run's last pixel goes byte by byte.
    for (; i + 1 < count; ++i) {
      std::uint8_t* p = d + 4 * i;
      StoreWord(p, (LoadWord(p) & ~kColourBytes) | (LoadWord(s.Row + 3 * i) & kColourBytes));
    }
  }
  for (; i < count; ++i) {
    std::uint8_t* p = d + kBpp * i;
    p[0] = s.At(i, 0);
    p[1] = s.At(i, 1);
    p[2] = s.At(i, 2);
  }
}

struct Clip {
  int X0, X1, Y0, Y1;  // image columns and rows that land on the store
  bool Empty() const { return X0 >= X1 || Y0 >= Y1; }
};

Clip ClipTo(const PixelStore& dest, int left, int top, int width, int height) {
  return Clip{std::max(0, -left), std::min(width, dest.Width() - left), std::max(0, -top),
              std::min(height, dest.Height() - top)};
}

// Colour types 4 and 6: the alpha plane's runs decide per stretch whether to
// skip, copy or blend.
template <int kBpp, class Source>
void BlendWithAlphaPlane(const TChunkIHDR& header, PixelStore& dest, int left, int top, const Clip& clip) {
  const ImageStorage& storage = header.Storage;
  if (!storage.BlendSpans) {
    storage.BlendSpans = std::make_unique<AlphaSpans>(storage.AlphaPlane.data(), header.Width, header.Height);
  }
  constexpr int kSourceBytes = std::is_same_v<Source, TruecolourSource> ? 3 : 1;
  const auto stride = static_cast<std::ptrdiff_t>(storage.RowStride);
  for (int y = clip.Y0; y < clip.Y1; ++y) {
    // Stored rows run bottom-up; the alpha plane top-down.
    const std::uint8_t* pixels = storage.Pixels.data() + stride * (header.Height - 1 - y);
    const std::uint8_t* alpha = storage.AlphaPlane.data() + static_cast<std::ptrdiff_t>(y) * header.Width;
    std::uint8_t* destRow = dest.RowAddress(top + y);
    for (const AlphaRun& run : storage.BlendSpans->Row(y)) {
      const int start = std::max(static_cast<int>(run.Start), clip.X0);
      const int end = std::min(static_cast<int>(run.Start + run.Length), clip.X1);
      if (start >= end) continue;
      const Source s{pixels + kSourceBytes * start};
      std::uint8_t* d = destRow + static_cast<std::ptrdiff_t>(left + start) * kBpp;
      if (run.Opaque) {
        CopyRun<kBpp>(s, d, end - start);
      } else {
        BlendRun<kBpp>(s, alpha + start, d, end - start);
      }
    }
  }
}

// Colour type 3 with per-pixel alpha from tRNS.
template <int kBpp>
void BlendIndexed(const TPNGObject& png, PixelStore& dest, int left, int top, const Clip& clip) {
  const TChunkIHDR& header = png.HeaderChunk();
  const auto* trns = png.ChunkList.FirstOfClass<TChunktRNS>();
  // Indices were checked against the palette before drawing; without a PLTE
  // chunk the image draws its (black) colour table instead of failing.
  const auto& colours = header.Storage.DibInfo.Colours;
  const int bits = header.Storage.DibInfo.Header.BitCount;
  for (int y = clip.Y0; y < clip.Y1; ++y) {
    const std::uint8_t* pixels = png.PixelRow(y);
    std::uint8_t* d = dest.RowAddress(top + y) + static_cast<std::ptrdiff_t>(left + clip.X0) * kBpp;
    for (int x = clip.X0; x < clip.X1; ++x, d += kBpp) {
      const int index = PackedIndex(pixels, x, bits);
      const RGBQuad c = colours[static_cast<std::size_t>(index)];
      const unsigned a = trns != nullptr ? trns->AlphaValues[static_cast<std::size_t>(index)] : 255;
      d[0] = Blend(c.Blue, a, d[0]);
      d[1] = Blend(c.Green, a, d[1]);
      d[2] = Blend(c.Red, a, d[2]);
    }
  }
}

template <int kBpp>
void DrawBlendedAt(const TPNGObject& png, const TChunkIHDR& header, PixelStore& dest, int left, int top,
                   const Clip& clip) {
  switch (header.ColourType) {
    case 6: BlendWithAlphaPlane<kBpp, TruecolourSource>(header, dest, left, top, clip); break;
    case 4: BlendWithAlphaPlane<kBpp, GreySource>(header, dest, left, top, clip); break;
    case 3: BlendIndexed<kBpp>(png, dest, left, top, clip); break;
    default: break;  // no alpha to blend with
  }
}

// An indexed image refuses an index beyond its palette wherever it stands,
// visible or not, before anything is drawn.
void CheckPaletteIndices(const TPNGObject& png, const TChunkIHDR& header) {
  const auto* palette = png.ChunkList.FirstOfClass<TChunkPLTE>();
  if (palette == nullptr) return;
  const int bits = header.Storage.DibInfo.Header.BitCount;
  for (int y = 0; y < header.Height; ++y) {
    const std::uint8_t* pixels = png.PixelRow(y);
    for (int x = 0; x < header.Width; ++x) {
      if (PackedIndex(pixels, x, bits) >= palette->EntryCount) {
        RaisePngError<EPngError>(png_text::kNoSuchPaletteEntry);
      }
    }
  }
}

// The source colour and alpha of image row y, as DrawBlended blends them.
template <class Source>
void StraightRowWithAlphaPlane(const TPNGObject& png, int y, std::uint8_t* out) {
  const std::uint8_t* alpha = png.AlphaRow(y);
  const Source s{png.PixelRow(y)};
  const int width = png.Width();
  for (int x = 0; x < width; ++x, out += 4) {
    out[0] = s.At(x, 0);
    out[1] = s.At(x, 1);
    out[2] = s.At(x, 2);
    out[3] = alpha[x];
  }
}

void StraightIndexedRow(const TPNGObject& png, int y, std::uint8_t* out) {
  const TChunkIHDR& header = png.HeaderChunk();
  const auto* trns = png.ChunkList.FirstOfClass<TChunktRNS>();
  const auto& colours = header.Storage.DibInfo.Colours;
  const int bits = header.Storage.DibInfo.Header.BitCount;
  const std::uint8_t* pixels = png.PixelRow(y);
  for (int x = 0; x < header.Width; ++x, out += 4) {
    const int index = PackedIndex(pixels, x, bits);
    const RGBQuad c = colours[static_cast<std::size_t>(index)];
    out[0] = c.Blue;
    out[1] = c.Green;
    out[2] = c.Red;
    out[3] = trns != nullptr ? trns->AlphaValues[static_cast<std::size_t>(index)] : 255;
  }
}

}  // namespace

void DrawBlended(const TPNGObject& png, PixelStore& dest, int left, int top) {
  BlendedDraw(png).Draw(dest, left, top);
}

BlendedDraw::BlendedDraw(const TPNGObject& png) : png_(&png), header_(&png.HeaderChunk()) {}

void BlendedDraw::Draw(PixelStore& dest, int left, int top) const {
  const TChunkIHDR& header = *header_;
  if (header.ColourType == 3 && !header.Storage.Pixels.empty()) CheckPaletteIndices(*png_, header);
  const Clip clip = ClipTo(dest, left, top, header.Width, header.Height);
  if (clip.Empty()) return;
  if (header.Storage.Pixels.empty()) return;
  // Colour types 4 and 6 need their alpha plane; without one nothing blends.
  if ((header.ColourType == 4 || header.ColourType == 6) && header.Storage.AlphaPlane.empty()) return;
  if (dest.BitCount() == 32) {
    DrawBlendedAt<4>(*png_, header, dest, left, top, clip);
  } else if (dest.BitCount() == 24) {
    DrawBlendedAt<3>(*png_, header, dest, left, top, clip);
  }
}

PixelStore BlendedPixels(const TPNGObject& png) {
  if (!png.HasHeader()) return {};
  const TChunkIHDR& header = png.HeaderChunk();
  if (header.Storage.Pixels.empty() || header.Width <= 0 || header.Height <= 0) return {};
  const bool alphaPlane = header.ColourType == 4 || header.ColourType == 6;
  if (alphaPlane && header.Storage.AlphaPlane.empty()) return {};
  if (!alphaPlane && header.ColourType != 3) return {};
  if (header.ColourType == 3) CheckPaletteIndices(png, header);
  PixelStore pixels(header.Width, header.Height, 32, RowOrder::TopDown);
  for (int y = 0; y < header.Height; ++y) {
    switch (header.ColourType) {
      case 6: StraightRowWithAlphaPlane<TruecolourSource>(png, y, pixels.RowAddress(y)); break;
      case 4: StraightRowWithAlphaPlane<GreySource>(png, y, pixels.RowAddress(y)); break;
      default: StraightIndexedRow(png, y, pixels.RowAddress(y)); break;
    }
  }
  return pixels;
}

}  // namespace nivarra
