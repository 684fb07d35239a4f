// Drawing decoded images onto pixel stores, copying and converting them.

#include <gtest/gtest.h>

#include "graphics/canvas.h"
#include "graphics/exception.h"
#include "graphics/pixel_store.h"
#include "png/draw.h"
#include "png/png_errors.h"
#include "png/png_object.h"
#include "support/png_builder.h"

namespace nivarra {
namespace {

using test::Bytes;
using test::Chunk;
using test::Concat;
using test::IhdrData;
using test::kSignature;
using test::Rgba;

constexpr auto Decode = test::DecodePng;

// Fills a store and reads one pixel's four bytes back.
struct Pixel {
  std::uint8_t b, g, r, fourth;
  friend bool operator==(const Pixel&, const Pixel&) = default;
};
Pixel At(const PixelStore& store, int x, int y) {
  const std::uint8_t* p = store.RowAddress(y) + 4 * x;
  return {p[0], p[1], p[2], p[3]};
}
std::ostream& operator<<(std::ostream& os, const Pixel& p) {
  return os << '(' << int{p.b} << ',' << int{p.g} << ',' << int{p.r} << ',' << int{p.fourth} << ')';
}

TEST(PngBlend, FormulaIsExactAtTheEdgesAndRoundsAsWorkedOut) {
  struct Case {
    std::uint8_t s, a, d, expected;
  };
  const Case cases[] = {
      {255, 128, 0, 128}, {0, 128, 255, 127}, {255, 1, 0, 1},
      {77, 255, 200, 77},  {77, 0, 200, 200},  {0, 255, 255, 0}, {255, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.s} << " a=" << int{c.a} << " over " << int{c.d});
    const auto png = Decode(test::RgbaPng(1, 1, [&](int, int) { return Rgba{c.s, c.s, c.s, c.a}; }));
    PixelStore store(1, 1, 32, RowOrder::TopDown);
    store.Fill(c.d, c.d, c.d, 200);
    DrawBlended(*png, store, 0, 0);
    EXPECT_EQ(At(store, 0, 0), (Pixel{c.expected, c.expected, c.expected, 200}));
  }
}

TEST(PngBlend, EveryAlphaAndSourceValueMatchesTheFormulaOverEveryRun) {
  // 256 alphas in one row so the runs (skipped, copied, blended) meet.
  const int w = 256;
  auto pixel = [](int x, int y) {
    const auto a = static_cast<std::uint8_t>(y == 0 ? x : (x < 100 ? 255 : (x < 120 ? 0 : x)));
    return Rgba{static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(255 - x), static_cast<std::uint8_t>(x), a};
  };
  const auto png = Decode(test::RgbaPng(w, 2, pixel));
  for (int bits : {32, 24}) {
    SCOPED_TRACE(bits);
    PixelStore store(w + 2, 3, bits, RowOrder::BottomUp);
    store.Fill(9, 99, 199, 42);
    DrawBlended(*png, store, 1, 1);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < w; ++x) {
        const Rgba s = pixel(x, y);
        const std::uint8_t* d = store.RowAddress(1 + y) + (bits / 8) * (1 + x);
        const unsigned a = s.a;
        ASSERT_EQ(d[0], (s.b * a + 255 + (255 - a) * 9) >> 8) << x << "," << y;
        ASSERT_EQ(d[1], (s.g * a + 255 + (255 - a) * 99) >> 8) << x << "," << y;
        ASSERT_EQ(d[2], (s.r * a + 255 + (255 - a) * 199) >> 8) << x << "," << y;
        if (bits == 32) {
          ASSERT_EQ(d[3], 42);
        }
      }
    }
    // The border around the image is untouched.
    EXPECT_EQ(store.PixelColour(0, 1), MakeColour(199, 99, 9));
    EXPECT_EQ(store.PixelColour(0, 0), MakeColour(199, 99, 9));
  }
}

TEST(PngBlend, ClipsAtNegativePositionsAndTouchesNothingOutside) {
  const auto png = Decode(test::RgbaPng(7, 7, [](int, int) { return Rgba{255, 255, 255, 255}; }));
  PixelStore store(20, 20, 32, RowOrder::TopDown);
  store.Fill(0, 0, 0, 0);
  DrawBlended(*png, store, -3, 5);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      const bool inside = x <= 3 && y >= 5 && y <= 11;
      ASSERT_EQ(store.PixelColour(x, y), inside ? 0xFFFFFFu : 0u) << x << "," << y;
      ASSERT_EQ(At(store, x, y).fourth, 0);
    }
  }
  // Entirely outside: nothing happens, nothing breaks.
  for (auto [x, y] : {std::pair{-7, 0}, std::pair{20, 0}, std::pair{0, -7}, std::pair{0, 20}}) {
    DrawBlended(*png, store, x, y);
  }
}

TEST(PngBlend, CanvasDrawsAtTheImagesOwnSize) {
  const auto png = Decode(test::RgbaPng(3, 2, [](int, int) { return Rgba{1, 2, 3, 255}; }));
  PixelStore store(10, 10, 32, RowOrder::TopDown);
  TCanvas canvas(store);
  int changes = 0;
  canvas.OnChange = [&] { ++changes; };
  canvas.StretchDraw(TRect{2, 2, 9, 9}, png.get());  // larger rectangle: no stretching
  int changed = 0;
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) changed += store.PixelColour(x, y) != 0;
  }
  EXPECT_EQ(changed, 6);
  EXPECT_EQ(store.PixelColour(2, 2), MakeColour(1, 2, 3));
  EXPECT_EQ(changes, 1);

  TPNGObject empty;
  canvas.DrawGraphic(0, 0, &empty);
  canvas.DrawGraphic(0, 0, nullptr);
  EXPECT_EQ(changes, 1);
}

TEST(PngBlend, IndexedImageWithAlphaEntriesBlendsThroughThePalette) {
  // Two alpha entries below 255: per-pixel alpha, not a colour key.
  const Bytes png = Concat({kSignature, Chunk("IHDR", IhdrData(3, 1, 8, 3)),
                            Chunk("PLTE", {255, 0, 0, 0, 255, 0, 0, 0, 255}), Chunk("tRNS", {0, 128}),
                            Chunk("IDAT", test::Deflate({0, 0, 1, 2})), Chunk("IEND", {})});
  const auto image = Decode(png);
  EXPECT_EQ(image->TransparencyKind(), kTransparencyAlpha);
  PixelStore store(3, 1, 32, RowOrder::TopDown);
  store.Fill(100, 100, 100, 255);
  DrawBlended(*image, store, 0, 0);
  EXPECT_EQ(At(store, 0, 0), (Pixel{100, 100, 100, 255}));  // alpha 0
  EXPECT_EQ(At(store, 1, 0), (Pixel{50, 178, 50, 255}));    // green at 128
  EXPECT_EQ(At(store, 2, 0), (Pixel{255, 0, 0, 255}));      // blue, opaque

  // An index beyond the palette is refused while drawing.
  const Bytes beyond = Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 8, 3)), Chunk("PLTE", {1, 2, 3}),
                               Chunk("tRNS", {7, 9}), Chunk("IDAT", test::Deflate({0, 5})), Chunk("IEND", {})});
  EXPECT_THROW(DrawBlended(*Decode(beyond), store, 0, 0), EPngError);
}

TEST(PngTransparency, KindAndKeyColourFollowColourTypeAndTrns) {
  struct Case {
    const char* name;
    Bytes stream;
    int kind;
    TColor key;
  };
  const Bytes grey = Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 8, 0))});
  const Bytes grey16 = Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 16, 0))});
  const Bytes rgb = Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 8, 2))});
  const Bytes indexed = Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 8, 3)),
                                Chunk("PLTE", {10, 20, 30, 40, 50, 60})});
  const Bytes end = Concat({Chunk("IDAT", test::Deflate({0, 0, 0, 0, 0, 0, 0})), Chunk("IEND", {})});
  const Case cases[] = {
      {"grey", Concat({grey, end}), kTransparencyNone, 0},
      {"grey keyed", Concat({grey, Chunk("tRNS", {0, 77}), end}), kTransparencyColourKey, 0x4D4D4D},
      {"grey16 keyed", Concat({grey16, Chunk("tRNS", {0xAB, 0x01}), end}), kTransparencyColourKey, 0xABABAB},
      {"rgb keyed", Concat({rgb, Chunk("tRNS", {0, 1, 0, 2, 0, 3}), end}), kTransparencyColourKey, 0x030201},
      {"indexed", Concat({indexed, end}), kTransparencyNone, 0},
      {"indexed one key", Concat({indexed, Chunk("tRNS", {255, 0}), end}), kTransparencyColourKey, 0x3C3228},
      {"indexed alpha", Concat({indexed, Chunk("tRNS", {0, 0}), end}), kTransparencyAlpha, 0x1E140A},
      {"indexed opaque tRNS", Concat({indexed, Chunk("tRNS", {255, 255}), end}), kTransparencyAlpha, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto png = Decode(c.stream);
    EXPECT_EQ(png->TransparencyKind(), c.kind);
    EXPECT_EQ(png->Transparent(), c.kind != kTransparencyNone);
    EXPECT_EQ(png->TransparentColour(), c.key);
  }
}

TEST(PngStretchDraw, OpaqueStretchesAndKeyedLeavesTheKeyColour) {
  // 2 by 1 truecolour: red, then the key colour green.
  const Bytes body = Concat({Chunk("IDAT", test::Deflate({0, 255, 0, 0, 0, 255, 0})), Chunk("IEND", {})});
  const Bytes header = Concat({kSignature, Chunk("IHDR", IhdrData(2, 1, 8, 2))});
  const auto opaque = Decode(Concat({header, body}));
  const auto keyed = Decode(Concat({header, Chunk("tRNS", {0, 0, 0, 255, 0, 0}), body}));

  PixelStore store(6, 3, 32, RowOrder::BottomUp);
  store.Fill(1, 1, 1, 9);
  TCanvas canvas(store);
  canvas.StretchDraw(TRect{1, 1, 5, 3}, opaque.get());  // 4 by 2: each pixel twice as wide
  EXPECT_EQ(store.PixelColour(0, 1), 0x010101u);
  EXPECT_EQ(store.PixelColour(1, 1), 0x0000FFu);
  EXPECT_EQ(store.PixelColour(2, 2), 0x0000FFu);
  EXPECT_EQ(store.PixelColour(3, 1), 0x00FF00u);
  EXPECT_EQ(store.PixelColour(4, 2), 0x00FF00u);
  EXPECT_EQ(store.PixelColour(5, 1), 0x010101u);
  EXPECT_EQ(store.PixelColour(1, 0), 0x010101u);
  EXPECT_EQ(At(store, 1, 1).fourth, 9);

  store.Fill(1, 1, 1, 9);
  canvas.StretchDraw(TRect{1, 1, 5, 3}, keyed.get());
  EXPECT_EQ(store.PixelColour(1, 1), 0x0000FFu);
  EXPECT_EQ(store.PixelColour(3, 1), 0x010101u);
  EXPECT_EQ(store.PixelColour(4, 2), 0x010101u);
}

TEST(PngCopy, CopyPngIsAnIndependentImageWithTheSameChunks) {
  const Bytes text = {'T', 0, 'x'};
  const Bytes itxt = {'C', 0, 0, 0, 0, 0, 'y'};
  auto source = Decode(test::RgbaPng(
      5, 4, [](int x, int y) { return Rgba{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 3, 200}; },
      Concat({Chunk("tEXt", text), Chunk("iTXt", itxt)})));
  const Bytes pixels = source->HeaderChunk().Storage.Pixels;
  const Bytes alpha = source->HeaderChunk().Storage.AlphaPlane;

  TPNGObject copy;
  copy.Assign(source.get());
  ASSERT_EQ(copy.ChunkList.Count(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(&copy.ChunkList.Item(i)->Class(), &source->ChunkList.Item(i)->Class());
    EXPECT_EQ(copy.ChunkList.Item(i)->Name, source->ChunkList.Item(i)->Name);
  }
  EXPECT_EQ(dynamic_cast<TChunktEXt*>(copy.ChunkList.Item(1))->Text, "x");
  EXPECT_EQ(Bytes(copy.ChunkList.Item(2)->Data(), copy.ChunkList.Item(2)->Data() + 7), itxt);

  source->HeaderChunk().Storage.Pixels[0] ^= 0xFF;
  source.reset();
  EXPECT_EQ(copy.HeaderChunk().Storage.Pixels, pixels);
  EXPECT_EQ(copy.HeaderChunk().Storage.AlphaPlane, alpha);
  EXPECT_EQ(copy.ChunkList.Item(0)->Owner().ClassName(), std::string("TPNGObject"));
  EXPECT_EQ(&copy.ChunkList.Item(0)->Owner(), &copy);
}

TEST(PngCopy, CopyIntoAnythingElseIsTheCannotAssignError) {
  TPNGObject png;
  TPersistent other;
  try {
    png.AssignTo(other);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TPNGObject to a TPersistent");
  }
  try {
    png.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a nil to a TPNGObject");
  }
}

TEST(PngConvert, TruecolourWithAlphaBecomesA24BitBitmapAndKeepsAlphaRows) {
  const auto png = Decode(test::RgbaPng(
      3, 2, [](int x, int y) { return Rgba{static_cast<std::uint8_t>(10 * x), static_cast<std::uint8_t>(y), 5,
                                           static_cast<std::uint8_t>(100 + x + 10 * y)}; }));
  PixelStore bitmap;
  png->ConvertToBitmap(bitmap);
  ASSERT_EQ(bitmap.BitCount(), 24);
  ASSERT_EQ(bitmap.Width(), 3);
  ASSERT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(bitmap.PixelColour(2, 1), MakeColour(20, 1, 5));
  EXPECT_EQ(bitmap.PixelColour(0, 0), MakeColour(0, 0, 5));
  EXPECT_EQ(Bytes(png->AlphaRow(0), png->AlphaRow(0) + 3), (Bytes{100, 101, 102}));
  EXPECT_EQ(Bytes(png->AlphaRow(1), png->AlphaRow(1) + 3), (Bytes{110, 111, 112}));

  const auto rgb = Decode(Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 8, 2)),
                                        Chunk("IDAT", test::Deflate({0, 1, 2, 3})), Chunk("IEND", {})}));
  EXPECT_EQ(rgb->AlphaRow(0), nullptr);
}

}  // namespace
}  // namespace nivarra
