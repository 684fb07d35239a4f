// Bitmaps: the embedded BMP form, hostile headers, pixel formats, sizes,
// row access and copy on write.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "graphics/stream.h"
#include "layout/bitmap.h"
#include "layout/layout_errors.h"
#include "png/png_object.h"
#include "support/png_builder.h"

namespace nivarra {
namespace {

using test::Bytes;

void Le(Bytes& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A BMP file described field by field, written in the embedded form: the
// 32-bit size s, then the file.
struct Bmp {
  std::string Type = "BM";
  std::uint32_t HeaderSize = 40;
  std::int32_t Width = 1, Height = 1;
  std::uint16_t Planes = 1, Bits = 24;
  std::uint32_t Compression = 0, SizeImage = 0, ColoursUsed = 0;
  std::vector<std::uint32_t> Masks;  // after a 40-byte header, or inside a longer one
  Bytes Table, Pixels{0, 0, 0, 0};
  std::optional<std::uint32_t> DeclaredSize;  // s, when not the true size
  std::optional<std::size_t> CutAt;           // the payload ends here

  Bytes Payload() const {
    Bytes h;
    Le(h, HeaderSize, 4);
    const int wh = HeaderSize == 12 ? 2 : 4;
    Le(h, static_cast<std::uint32_t>(Width), wh);
    Le(h, static_cast<std::uint32_t>(Height), wh);
    Le(h, Planes, 2);
    Le(h, Bits, 2);
    if (HeaderSize != 12) {
      for (std::uint32_t v : {Compression, SizeImage, 5905u, 5905u, ColoursUsed, 0u}) Le(h, v, 4);
      for (std::uint32_t m : Masks) Le(h, m, 4);
      // Absurd sizes stay unpadded: the reader must refuse them unread.
      if (HeaderSize > 40 && HeaderSize <= 4096) h.resize(HeaderSize);
    }
    const auto fileSize = static_cast<std::uint32_t>(14 + h.size() + Table.size() + Pixels.size());
    Bytes out;
    Le(out, DeclaredSize.value_or(fileSize), 4);
    out.insert(out.end(), Type.begin(), Type.end());
    for (std::uint32_t v : {fileSize, 0u, static_cast<std::uint32_t>(14 + h.size() + Table.size())}) Le(out, v, 4);
    out = test::Concat({out, h, Table, Pixels});
    if (CutAt) out.resize(*CutAt);
    return out;
  }
};

void Load(TBitmap& bitmap, const Bytes& payload) {
  TMemoryStream stream(payload);
  bitmap.LoadFromStream(stream);
}

template <class F>
std::string ErrorOf(F action) {
  try {
    action();
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.Message();
  }
  return "no error";
}

// The 5×3 image: distinct colours, white at the top-left corner and an
// anti-aliasing grey at the bottom-right.
struct Rgb {
  std::uint8_t r, g, b;
};
Rgb Pixel5x3(int x, int y) {
  if (x == 0 && y == 0) return {255, 255, 255};
  if (x == 4 && y == 2) return {254, 254, 254};
  return {static_cast<std::uint8_t>(200 + x), static_cast<std::uint8_t>(100 + y), static_cast<std::uint8_t>(10 * x + y)};
}
TColor Expected5x3(int x, int y) {
  const Rgb p = Pixel5x3(x, y);
  return p.r | (p.g << 8) | (p.b << 16);
}
// Rows of 15 bytes padded to 16, in file order.
Bmp Bmp5x3(bool topDown) {
  Bmp b;
  b.Width = 5;
  b.Height = topDown ? -3 : 3;
  b.Pixels.clear();
  for (int fileRow = 0; fileRow < 3; ++fileRow) {
    for (int x = 0; x < 5; ++x) {
      const Rgb p = Pixel5x3(x, topDown ? fileRow : 2 - fileRow);
      b.Pixels.insert(b.Pixels.end(), {p.b, p.g, p.r});
    }
    b.Pixels.push_back(0);
  }
  return b;
}

TEST(BitmapRead, TwentyFourBitRowsInEitherOrderGiveExactColours) {
  for (bool topDown : {false, true}) {
    SCOPED_TRACE(topDown);
    TBitmap bitmap;
    Load(bitmap, Bmp5x3(topDown).Payload());
    ASSERT_EQ(bitmap.Width(), 5);
    ASSERT_EQ(bitmap.Height(), 3);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::Bit24);
    EXPECT_EQ(bitmap.StorageKind(), TStorageKind::DeviceIndependent);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(bitmap.Canvas().PixelColour(x, y), Expected5x3(x, y)) << x << "," << y;
    EXPECT_EQ(bitmap.Canvas().PixelColour(0, 0), 0x00FFFFFFu);
    EXPECT_EQ(bitmap.Canvas().PixelColour(4, 2), 0x00FEFEFEu);
  }
}

TEST(BitmapRead, IndexedAndMaskedPixelsGiveTheirColours) {
  // 8 bits with three table entries, two rows (bottom first) of 3 indices.
  Bmp eight;
  eight.Width = 3, eight.Height = 2, eight.Bits = 8, eight.ColoursUsed = 3;
  eight.Table = {1, 2, 3, 0, 4, 5, 6, 0, 255, 255, 255, 0};
  eight.Pixels = {2, 1, 0, 0, 0, 0, 1, 0};
  // Core header, 4 bits: 16 three-byte entries (blue i, green 0x40, red 0x80),
  // the last white; pixels 1, 2, 3, 15.
  Bmp core;
  core.HeaderSize = 12, core.Width = 4, core.Bits = 4;
  for (int i = 0; i < 15; ++i) core.Table.insert(core.Table.end(), {static_cast<std::uint8_t>(i), 0x40, 0x80});
  core.Table.insert(core.Table.end(), {255, 255, 255});
  core.Pixels = {0x12, 0x3F, 0, 0};
  auto twoPixels = [](std::uint32_t headerSize, std::uint16_t bits, std::uint32_t compression,
                      std::vector<std::uint32_t> masks, Bytes pixels) {
    Bmp b;
    b.HeaderSize = headerSize, b.Width = 2, b.Bits = bits, b.Compression = compression;
    b.Masks = masks, b.Pixels = pixels;
    return b;
  };
  struct Case {
    const char* name;
    Bmp bmp;
    TPixelFormat format;
    std::vector<TColor> pixels;  // row by row from the top
  };
  const Case cases[] = {
      {"8-bit", eight, TPixelFormat::Bit8, {0x010203, 0x010203, 0x040506, 0xFFFFFF, 0x040506, 0x010203}},
      {"core 4-bit", core, TPixelFormat::Bit4, {0x014080, 0x024080, 0x034080, 0xFFFFFF}},
      {"5-5-5", twoPixels(40, 16, 0, {}, {0x00, 0x7C, 0xE0, 0x03}), TPixelFormat::Bit15, {0xFF, 0xFF00}},
      {"5-6-5 in a longer header", twoPixels(108, 16, 3, {0xF800, 0x07E0, 0x001F}, {0x1F, 0x00, 0xFF, 0xFF}),
       TPixelFormat::Bit16, {0xFF0000, 0xFFFFFF}},
      {"16 bits, other green mask", twoPixels(40, 16, 3, {0x7C00, 0x03E0, 0x001F}, {0xE0, 0x03, 0, 0}),
       TPixelFormat::Custom, {0xFF00, 0}},
      {"32 bits, masks", twoPixels(40, 32, 3, {0xFF000000, 0xFF0000, 0xFF00}, {9, 1, 2, 3, 0, 0, 0, 0xFF}),
       TPixelFormat::Custom, {0x010203, 0xFF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap;
    Load(bitmap, c.bmp.Payload());
    EXPECT_EQ(bitmap.PixelFormat(), c.format);
    ASSERT_EQ(static_cast<std::size_t>(bitmap.Width() * bitmap.Height()), c.pixels.size());
    for (std::size_t i = 0; i < c.pixels.size(); ++i) {
      const int x = static_cast<int>(i) % bitmap.Width(), y = static_cast<int>(i) / bitmap.Width();
      EXPECT_EQ(bitmap.Canvas().PixelColour(x, y), c.pixels[i]) << x << "," << y;
    }
  }
}

TEST(BitmapRead, ASizeTooSmallForThePixelsIsRefusedBeforeAllocating) {
  Bmp b = Bmp5x3(false);
  b.DeclaredSize = 14 + 40 + 5;  // one pixel and two bytes of the next, of the bottom row
  b.SizeImage = 0xFFFFFFFFu;
  TBitmap bitmap;
  EXPECT_EQ(ErrorOf([&] { Load(bitmap, b.Payload()); }), "EInvalidGraphic: Bitmap image is not valid");
  // A few bytes that promise a huge picture.
  Bmp huge = Bmp5x3(false);
  huge.Bits = 32, huge.Width = 16384, huge.Height = 4096;
  EXPECT_EQ(ErrorOf([&] { Load(bitmap, huge.Payload()); }), "EInvalidGraphic: Bitmap image is not valid");
}

TEST(BitmapRead, BrokenOrHostileFilesAreRefusedCleanly) {
  auto with = [](auto change) {
    Bmp b = Bmp5x3(false);
    change(b);
    return b;
  };
  const std::string invalid = "EInvalidGraphic: Bitmap image is not valid";
  const std::string readError = "EReadError: Stream read error";
  const std::pair<Bmp, std::string> cases[] = {
      {with([](Bmp& b) { b.Type = "MB"; }), invalid},
      {with([](Bmp& b) { b.Planes = 0; }), invalid},
      {with([](Bmp& b) { b.Bits = 8, b.Compression = 1; }), invalid},  // run-length
      {with([](Bmp& b) { b.Compression = 3; }), invalid},               // masks on 24 bits
      {with([](Bmp& b) { b.HeaderSize = 24, b.Bits = 32, b.Compression = 3; }), invalid},  // no room for masks
      {with([](Bmp& b) { b.Bits = 0; }), invalid},
      {with([](Bmp& b) { b.Bits = 64; }), invalid},
      {with([](Bmp& b) { b.Width = -5; }), invalid},
      {with([](Bmp& b) { b.Height = 0; }), invalid},
      {with([](Bmp& b) { b.Width = std::numeric_limits<std::int32_t>::max(); }), invalid},
      {with([](Bmp& b) { b.Height = std::numeric_limits<std::int32_t>::min(); }), invalid},
      {with([](Bmp& b) { b.Width = 100000, b.Height = 100000; }), invalid},
      {with([](Bmp& b) { b.Bits = 32, b.Width = 65536, b.Height = 1025; }), invalid},  // a row over 256 MiB
      {with([](Bmp& b) { b.Bits = 8, b.ColoursUsed = 0x80000000u; }), readError},
      {with([](Bmp& b) { b.HeaderSize = 8; }), invalid},
      {with([](Bmp& b) { b.HeaderSize = 0xFFFFFFFFu; }), readError},
      {with([](Bmp& b) { b.DeclaredSize = 30; }), invalid},  // smaller than its headers
      {with([](Bmp& b) { b.CutAt = 3; }), readError},        // inside s
      {with([](Bmp& b) { b.CutAt = 4 + 10; }), readError},   // inside the file header
      {with([](Bmp& b) { b.CutAt = 4 + 14 + 20; }), readError},
      {with([](Bmp& b) { b.CutAt = 4 + 14 + 40 + 7; }), readError},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    TBitmap bitmap;
    Load(bitmap, Bmp5x3(false).Payload());
    EXPECT_EQ(ErrorOf([&] { Load(bitmap, cases[i].first.Payload()); }), cases[i].second);
    // A failed read leaves the bitmap as it was.
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.Canvas().PixelColour(1, 1), Expected5x3(1, 1));
  }
}

// A bottom-up 32-bit bitmap whose every byte, the fourth included, is known.
void MakePatterned(TBitmap& bitmap, int width, int height) {
  bitmap.SetPixelFormat(TPixelFormat::Bit32);
  bitmap.SetSize(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.RowAddress(y);
    for (int i = 0; i < width * 4; ++i) row[i] = static_cast<std::uint8_t>(i * 7 + y * 13 + 1);
  }
}

TEST(BitmapRows, RowZeroIsTheLastStoredRowOfABottomUpStore) {
  TBitmap bitmap;
  MakePatterned(bitmap, 300, 260);
  const std::uint8_t* row0 = bitmap.RowAddress(0);
  EXPECT_EQ(row0, bitmap.Store().Bytes().data() + 259 * 1200);
  for (int y : {260, -1, std::numeric_limits<int>::max()})
    EXPECT_EQ(ErrorOf([&] { bitmap.RowAddress(y); }), "EInvalidGraphicOperation: Scan line index out of range");
}

TEST(BitmapSharing, EveryWayToWritePixelsLeavesTheSourceUntouched) {
  const Bytes pngBytes = test::RgbaPng(2, 2, [](int, int) { return test::Rgba{255, 0, 0, 255}; });
  TPNGObject png;
  TMemoryStream pngStream(pngBytes);
  png.LoadFromStream(pngStream);
  const std::function<void(TBitmap&)> writes[] = {
      [&](TBitmap& b) { b.Canvas().DrawGraphic(1, 1, &png); },
      [](TBitmap& b) { b.RowAddress(1)[4] ^= 0xFF; },
      [](TBitmap& b) { b.MutableStore().Fill(255, 0, 0, 9); },
      [](TBitmap& b) { b.SetPixelFormat(TPixelFormat::Bit24); },
  };
  for (std::size_t i = 0; i < std::size(writes); ++i) {
    SCOPED_TRACE(i);
    TBitmap base;
    MakePatterned(base, 30, 20);
    base.SetTransparentColour(0x123456);
    base.SetTransparent(true);
    const Bytes before(base.Store().Bytes().begin(), base.Store().Bytes().end());
    TBitmap copy;
    copy.Assign(&base);
    EXPECT_EQ(&copy.Store(), &base.Store());  // shared, nothing copied yet
    EXPECT_EQ(copy.TransparentColour(), 0x123456u);
    EXPECT_TRUE(copy.Transparent());

    writes[i](copy);
    EXPECT_EQ(Bytes(base.Store().Bytes().begin(), base.Store().Bytes().end()), before);
    EXPECT_NE(Bytes(copy.Store().Bytes().begin(), copy.Store().Bytes().end()), before);
  }
}

TEST(BitmapFormat, ConversionsKeepColoursAsTheFormatAllows) {
  Bmp b;  // black, white, red
  b.Width = 3;
  b.Pixels = {0, 0, 0, 255, 255, 255, 0, 0, 255, 0, 0, 0};
  const std::pair<TPixelFormat, TColor> cases[] = {  // the format, what red becomes
      {TPixelFormat::Bit1, 0},       {TPixelFormat::Bit4, 0xFF},  {TPixelFormat::Bit8, 0xFF},
      {TPixelFormat::Bit15, 0xFF},   {TPixelFormat::Bit16, 0xFF}, {TPixelFormat::Bit32, 0xFF},
      {TPixelFormat::Device, 0xFF}};
  for (const auto& [format, red] : cases) {
    SCOPED_TRACE(static_cast<int>(format));
    TBitmap bitmap;
    Load(bitmap, b.Payload());
    bitmap.SetPixelFormat(format);
    EXPECT_EQ(bitmap.PixelFormat(), format);
    EXPECT_EQ(bitmap.Canvas().PixelColour(0, 0), 0u);
    EXPECT_EQ(bitmap.Canvas().PixelColour(1, 0), 0xFFFFFFu);
    EXPECT_EQ(bitmap.Canvas().PixelColour(2, 0), red);
  }
  // 24 to 32 bits, the program's own conversion: the fourth byte is 0.
  TBitmap bitmap;
  Load(bitmap, Bmp5x3(false).Payload());
  bitmap.SetPixelFormat(TPixelFormat::Bit32);
  for (int y = 0; y < 3; ++y) {
    const std::uint8_t* row = bitmap.RowAddress(y);
    for (int x = 0; x < 5; ++x) {
      const Rgb p = Pixel5x3(x, y);
      EXPECT_EQ(Bytes(row + 4 * x, row + 4 * x + 4), (Bytes{p.b, p.g, p.r, 0})) << x << "," << y;
    }
  }
  EXPECT_EQ(ErrorOf([&] { bitmap.SetPixelFormat(TPixelFormat::Custom); }), "EInvalidGraphic: Invalid pixel format");
}

TEST(BitmapSize, ResizingKeepsTheTopLeftAndPaintsTheNewAreaWhite) {
  for (bool topDown : {false, true}) {
    SCOPED_TRACE(topDown);
    TBitmap bitmap;
    Load(bitmap, Bmp5x3(topDown).Payload());
    bitmap.SetSize(7, 4);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 7; ++x)
        EXPECT_EQ(bitmap.Canvas().PixelColour(x, y), x < 5 && y < 3 ? Expected5x3(x, y) : 0xFFFFFFu) << x << "," << y;
  }
}

TEST(BitmapAssign, APngConvertsItselfAndOtherSourcesAreRefused) {
  const Bytes pngBytes = test::RgbaPng(3, 2, [](int x, int y) {
    return test::Rgba{static_cast<std::uint8_t>(10 + x), static_cast<std::uint8_t>(20 + y), 30, 128};
  });
  TPNGObject png;
  TMemoryStream pngStream(pngBytes);
  png.LoadFromStream(pngStream);
  TBitmap bitmap;
  bitmap.Assign(&png);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::Bit24);
  ASSERT_EQ(bitmap.Width(), 3);
  ASSERT_EQ(bitmap.Height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(bitmap.Canvas().PixelColour(x, y), static_cast<TColor>((10 + x) | ((20 + y) << 8) | (30 << 16)));

  TPersistent plain;
  EXPECT_EQ(ErrorOf([&] { bitmap.Assign(&plain); }), "EConvertError: Cannot assign a TPersistent to a TBitmap");
  EXPECT_EQ(ErrorOf([&] { bitmap.Assign(nullptr); }), "EConvertError: Cannot assign a nil to a TBitmap");
}

}  // namespace
}  // namespace nivarra
