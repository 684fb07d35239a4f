// A picture decoded once for the frame draws the bytes the canvas draws,
// within its clip only, on every instruction set the machine has.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/globe_artwork.h"
#include "graphics/canvas.h"
#include "graphics/pixel_store.h"
#include "png/png_object.h"
#include "scene/sprite.h"
#include "support/png_builder.h"

namespace nivarra {
namespace {

using Bytes = test::Bytes;

// Alpha along a row in stretches of 1 to 11 pixels: transparent gaps of
// one and two pixels, opaque stretches long and short, and partial ones.
std::uint8_t Alpha(int x, int y) {
  constexpr std::uint8_t kStretches[] = {0, 255, 130, 0, 255, 1, 254, 0, 255, 77};
  constexpr int kLengths[] = {1, 11, 3, 2, 9, 1, 4, 5, 2, 7};
  int at = (x + 3 * y) % 45;
  for (int i = 0;; i = (i + 1) % 10) {
    if (at < kLengths[i]) return kStretches[i];
    at -= kLengths[i];
  }
}

Bytes Png(int colourType, const Bytes& raw, const Bytes& chunks = {}) {
  return test::Concat({test::kSignature, test::Chunk("IHDR", test::IhdrData(29, 9, 8, colourType)), chunks,
                       test::Chunk("IDAT", test::Deflate(raw)), test::Chunk("IEND", {})});
}

// Rows of 29 x 9 pixels, each from pixel(x, y), behind filter byte 0.
template <class Pixel>
Bytes Rows(Pixel pixel) {
  Bytes raw;
  for (int y = 0; y < 9; ++y) {
    raw.push_back(0);
    for (int x = 0; x < 29; ++x) {
      const Bytes p = pixel(x, y);
      raw.insert(raw.end(), p.begin(), p.end());
    }
  }
  return raw;
}

TEST(Sprite, DrawsWhatTheCanvasDrawsWithinTheClipOnEveryPath) {
  const auto value = [](int x, int y, int k) { return static_cast<std::uint8_t>(37 * x + 91 * y + 53 * k); };
  const struct {
    const char* name;
    Bytes png;
  } pictures[] = {
      {"RGBA", Png(6, Rows([&](int x, int y) { return Bytes{value(x, y, 0), value(x, y, 1), value(x, y, 2), Alpha(x, y)}; }))},
      {"grey with alpha", Png(4, Rows([&](int x, int y) { return Bytes{value(x, y, 0), Alpha(x, y)}; }))},
      {"indexed with alpha entries",
       Png(3, Rows([](int x, int y) { return Bytes{static_cast<std::uint8_t>((x + y) % 4)}; }),
           test::Concat({test::Chunk("PLTE", {9, 8, 7, 200, 100, 50, 1, 2, 3, 250, 251, 252}), test::Chunk("tRNS", {0, 255, 140})}))},
      {"RGB keyed", Png(2, Rows([](int x, int y) { return Bytes{0, static_cast<std::uint8_t>((x * y) % 3), 9}; }),
                        test::Chunk("tRNS", {0, 0, 0, 1, 0, 9}))},
      {"RGB", Png(2, Rows([&](int x, int y) { return Bytes{value(x, y, 0), value(x, y, 1), value(x, y, 2)}; }))},
  };
  std::vector<BlendPath> paths{BlendPath::Scalar};
  if (HasBlendPath(BlendPath::Sse2)) paths.push_back(BlendPath::Sse2);
  PixelStore before(40, 16, 32, RowOrder::BottomUp);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 40; ++x) {
      for (int k = 0; k < 4; ++k) before.RowAddress(y)[4 * x + k] = value(x, y, k + 5);
    }
  }
  const TRect whole{0, 0, 40, 16}, part{6, 2, 33, 11};
  for (const auto& picture : pictures) {
    const auto png = test::DecodePng(picture.png);
    const Sprite sprite(PixelsForDrawing(png.get()));
    for (const auto& [x, y] : {std::pair{-5, -3}, {0, 0}, {4, 5}, {13, 1}, {30, 10}}) {
      for (const TRect& clip : {whole, part}) {
        PixelStore expected = before;
        TCanvas(expected).DrawGraphic(x, y, png.get());
        for (int row = 0; row < 16; ++row) {
          for (int column = 0; column < 40; ++column) {
            if (row >= clip.Top && row < clip.Bottom && column >= clip.Left && column < clip.Right) continue;
            std::copy_n(before.RowAddress(row) + 4 * column, 4, expected.RowAddress(row) + 4 * column);
          }
        }
        for (const BlendPath path : paths) {
          PixelStore drawn = before;
          sprite.Draw(drawn, x, y, clip, path);
          const auto same = std::equal(drawn.Bytes().begin(), drawn.Bytes().end(), expected.Bytes().begin());
          EXPECT_TRUE(same) << picture.name << " at " << x << "," << y << ", clip right " << clip.Right << ", path "
                            << static_cast<int>(path);
        }
      }
    }
  }
}

}  // namespace
}  // namespace nivarra
