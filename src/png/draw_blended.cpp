// Straight-alpha drawing of a decoded image onto a 24- or 32-bit store:
// colour := (s*a + 255 + (255-a)*d) >> 8 per colour byte, exact at a = 0
// and a = 255, the fourth byte of the destination never written.

#include <algorithm>
#include <array>

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

template <int kBpp, class Source>
void BlendRun(Source s, const std::uint8_t* alpha, std::uint8_t* d, int count) {
  for (int i = 0; i < count; ++i) {
    const unsigned a = alpha[i];
    std::uint8_t* p = d + kBpp * i;
    p[0] = Blend(s.At(i, 0), a, p[0]);
    p[1] = Blend(s.At(i, 1), a, p[1]);
    p[2] = Blend(s.At(i, 2), a, p[2]);
  }
}

template <int kBpp, class Source>
void CopyRun(Source s, std::uint8_t* d, int count) {
  for (int i = 0; i < count; ++i) {
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

}  // namespace

void DrawBlended(const TPNGObject& png, PixelStore& dest, int left, int top) {
  const TChunkIHDR& header = png.HeaderChunk();
  if (header.ColourType == 3 && !header.Storage.Pixels.empty()) CheckPaletteIndices(png, header);
  const Clip clip = ClipTo(dest, left, top, header.Width, header.Height);
  if (clip.Empty()) return;
  if (header.Storage.Pixels.empty()) return;
  // Colour types 4 and 6 need their alpha plane; without one nothing blends.
  if ((header.ColourType == 4 || header.ColourType == 6) && header.Storage.AlphaPlane.empty()) return;
  if (dest.BitCount() == 32) {
    DrawBlendedAt<4>(png, header, dest, left, top, clip);
  } else if (dest.BitCount() == 24) {
    DrawBlendedAt<3>(png, header, dest, left, top, clip);
  }
}

}  // namespace nivarra
