// Bitmaps: the embedded BMP form, hostile headers, pixel formats, sizes,
// row access and copy on write.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "graphics/rect.h"
#include "graphics/stream.h"
#include "layout/bitmap.h"
#include "layout/layout_errors.h"
#include "png/png_object.h"
#include "support/png_builder.h"

namespace nivarra {
namespace {

using test::Bytes;

void Put16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v);
  Put16(out, v >> 16);
}

// A BMP file described field by field, written as the embedded form: the
// 32-bit size, then the file.
struct Bmp {
  std::string Type = "BM";
  std::uint32_t HeaderSize = 40;
  std::int32_t Width = 1;
  std::int32_t Height = 1;
  std::uint16_t Planes = 1;
  std::uint16_t Bits = 24;
  std::uint32_t Compression = 0;
  std::uint32_t SizeImage = 0;
  std::uint32_t ColoursUsed = 0;
  std::vector<std::uint32_t> Masks;  // after a 40-byte header, or inside a longer one
  Bytes Table;
  Bytes Pixels{0, 0, 0, 0};
  std::optional<std::uint32_t> DeclaredSize;  // s, when not the true size
  std::optional<std::size_t> CutAt;           // the payload ends here

  Bytes File() const {
    Bytes h;
    Put32(h, HeaderSize);
    if (HeaderSize == 12) {
      Put16(h, static_cast<std::uint32_t>(Width));
      Put16(h, static_cast<std::uint32_t>(Height));
      Put16(h, Planes);
      Put16(h, Bits);
    } else {
      Put32(h, static_cast<std::uint32_t>(Width));
      Put32(h, static_cast<std::uint32_t>(Height));
      Put16(h, Planes);
      Put16(h, Bits);
      Put32(h, Compression);
      Put32(h, SizeImage);
      Put32(h, 5905);
      Put32(h, 5905);
      Put32(h, ColoursUsed);
      Put32(h, 0);
      for (std::uint32_t m : Masks) Put32(h, m);
      // Absurd sizes are left unpadded: the reader must refuse them unread.
      if (HeaderSize > 40 && HeaderSize <= 4096) h.resize(HeaderSize);
    }
    Bytes f{static_cast<std::uint8_t>(Type[0]), static_cast<std::uint8_t>(Type[1])};
    const auto size = static_cast<std::uint32_t>(14 + h.size() + Table.size() + Pixels.size());
    Put32(f, size);
    Put32(f, 0);
    Put32(f, static_cast<std::uint32_t>(14 + h.size() + Table.size()));
    return test::Concat({f, h, Table, Pixels});
  }

  Bytes Payload() const {
    const Bytes file = File();
    Bytes out;
    Put32(out, DeclaredSize.value_or(static_cast<std::uint32_t>(file.size())));
    out.insert(out.end(), file.begin(), file.end());
    if (CutAt) out.resize(*CutAt);
    return out;
  }
};

void Load(TBitmap& bitmap, const Bytes& payload) {
  TMemoryStream stream(payload);
  bitmap.LoadFromStream(stream);
}

// The 5×3 test image: distinct colours, white at the top-left corner and
// an anti-aliasing grey at the bottom-right.
struct Rgb {
  std::uint8_t r, g, b;
};
Rgb Pixel5x3(int x, int y) {
  if (x == 0 && y == 0) return {255, 255, 255};
  if (x == 4 && y == 2) return {254, 254, 254};
  return {static_cast<std::uint8_t>(200 + x), static_cast<std::uint8_t>(100 + y),
          static_cast<std::uint8_t>(10 * x + y)};
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
    const int y = topDown ? fileRow : 2 - fileRow;
    for (int x = 0; x < 5; ++x) {
      const Rgb p = Pixel5x3(x, y);
      b.Pixels.insert(b.Pixels.end(), {p.b, p.g, p.r});
    }
    b.Pixels.push_back(0);
  }
  return b;
}

TEST(BitmapRead, TwentyFourBitRowsInEitherOrderGiveExactColours) {
  for (bool topDown : {false, true}) {
    SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
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

TEST(BitmapRead, SizeZeroGivesAnEmptyBitmap) {
  TBitmap bitmap;
  Load(bitmap, Bmp5x3(false).Payload());
  Load(bitmap, Bytes{0, 0, 0, 0});
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
}

TEST(BitmapRead, IndexedPixelsGoThroughTheColourTable) {
  // 8 bits, three table entries: 3 pixels of one byte each, row padded to 4.
  Bmp eight;
  eight.Width = 3;
  eight.Height = 2;
  eight.Bits = 8;
  eight.ColoursUsed = 3;
  eight.Table = {1, 2, 3, 0, 4, 5, 6, 0, 255, 255, 255, 0};
  eight.Pixels = {2, 1, 0, 0, /* top row: */ 0, 0, 1, 0};
  // Core header, 4 bits: 16 three-byte entries, white last; 0x12 0x3F = 1, 2, 3, 15.
  Bmp core;
  core.HeaderSize = 12;
  core.Width = 4;
  core.Height = 1;
  core.Bits = 4;
  for (int i = 0; i < 16; ++i) core.Table.insert(core.Table.end(), {static_cast<std::uint8_t>(i), 0x40, 0x80});
  core.Table.resize(15 * 3);
  core.Table.insert(core.Table.end(), {255, 255, 255});
  core.Pixels = {0x12, 0x3F, 0, 0};

  struct Case {
    const char* name;
    Bmp bmp;
    TPixelFormat format;
    std::vector<std::vector<TColor>> rows;  // top row first
  };
  const Case cases[] = {
      {"8-bit", eight, TPixelFormat::Bit8, {{0x00010203, 0x00010203, 0x00040506}, {0x00FFFFFF, 0x00040506, 0x00010203}}},
      {"core 4-bit", core, TPixelFormat::Bit4, {{0x00014080, 0x00024080, 0x00034080, 0x00FFFFFF}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap;
    Load(bitmap, c.bmp.Payload());
    EXPECT_EQ(bitmap.PixelFormat(), c.format);
    ASSERT_EQ(bitmap.Height(), static_cast<int>(c.rows.size()));
    for (int y = 0; y < bitmap.Height(); ++y)
      for (int x = 0; x < bitmap.Width(); ++x) EXPECT_EQ(bitmap.Canvas().PixelColour(x, y), c.rows[y][x]) << x << "," << y;
  }
}

TEST(BitmapRead, MaskedAndSixteenBitPixelsFollowTheirMasks) {
  struct Case {
    const char* name;
    std::uint32_t headerSize;
    std::uint16_t bits;
    std::uint32_t compression;
    std::vector<std::uint32_t> masks;
    Bytes pixels;  // one row of two pixels
    TPixelFormat format;
    TColor first, second;
  };
  const Case cases[] = {
      {"5-5-5", 40, 16, 0, {}, {0x00, 0x7C, 0xE0, 0x03}, TPixelFormat::Bit15, 0x000000FF, 0x0000FF00},
      {"5-6-5", 40, 16, 3, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0x1F, 0x00}, TPixelFormat::Bit16, 0x000000FF,
       0x00FF0000},
      {"5-6-5 in a longer header", 108, 16, 3, {0xF800, 0x07E0, 0x001F}, {0xE0, 0x07, 0xFF, 0xFF},
       TPixelFormat::Bit16, 0x0000FF00, 0x00FFFFFF},
      {"16 bits, other green mask", 40, 16, 3, {0x7C00, 0x03E0, 0x001F}, {0x00, 0x7C, 0, 0}, TPixelFormat::Custom,
       0x000000FF, 0},
      {"32 bits, masks", 40, 32, 3, {0xFF000000, 0x00FF0000, 0x0000FF00}, {9, 1, 2, 3, 0, 0, 0, 0xFF},
       TPixelFormat::Custom, 0x00010203, 0x000000FF},
      {"32 bits, plain", 40, 32, 0, {}, {1, 2, 3, 4, 5, 6, 7, 8}, TPixelFormat::Bit32, 0x00010203, 0x00050607},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bmp b;
    b.HeaderSize = c.headerSize;
    b.Width = 2;
    b.Bits = c.bits;
    b.Compression = c.compression;
    b.Masks = c.masks;
    b.Pixels = c.pixels;
    TBitmap bitmap;
    Load(bitmap, b.Payload());
    EXPECT_EQ(bitmap.PixelFormat(), c.format);
    EXPECT_EQ(bitmap.Canvas().PixelColour(0, 0), c.first);
    EXPECT_EQ(bitmap.Canvas().PixelColour(1, 0), c.second);
  }
}

TEST(BitmapRead, ShortPixelDataLeavesTheRestZero) {
  Bmp b = Bmp5x3(false);
  // s ends five bytes into the pixel data: the first pixel and two bytes of
  // the second of the bottom row.
  b.DeclaredSize = 14 + 40 + 5;
  TBitmap bitmap;
  Load(bitmap, b.Payload());
  EXPECT_EQ(bitmap.Canvas().PixelColour(0, 2), Expected5x3(0, 2));
  EXPECT_EQ(bitmap.Canvas().PixelColour(1, 2), 0x000C6600u);  // blue 12, green 102, red not read
  EXPECT_EQ(bitmap.Canvas().PixelColour(4, 0), 0u);
  EXPECT_EQ(bitmap.Canvas().PixelColour(0, 0), 0u);
}

TEST(BitmapRead, BrokenOrHostileFilesAreRefusedCleanly) {
  struct Case {
    const char* name;
    Bmp bmp;
    bool readError;  // else "Bitmap image is not valid"
  };
  auto with = [](auto change) {
    Bmp b = Bmp5x3(false);
    change(b);
    return b;
  };
  const Case cases[] = {
      {"not BM", with([](Bmp& b) { b.Type = "MB"; }), false},
      {"planes 0", with([](Bmp& b) { b.Planes = 0; }), false},
      {"planes 2", with([](Bmp& b) { b.Planes = 2; }), false},
      {"run-length", with([](Bmp& b) { b.Bits = 8, b.Compression = 1; }), false},
      {"masks on 24 bits", with([](Bmp& b) { b.Compression = 3; }), false},
      {"masks missing", with([](Bmp& b) { b.HeaderSize = 24, b.Bits = 32, b.Compression = 3; }), false},
      {"bit count 0", with([](Bmp& b) { b.Bits = 0; }), false},
      {"bit count 3", with([](Bmp& b) { b.Bits = 3; }), false},
      {"bit count 64", with([](Bmp& b) { b.Bits = 64; }), false},
      {"width 0", with([](Bmp& b) { b.Width = 0; }), false},
      {"negative width", with([](Bmp& b) { b.Width = -5; }), false},
      {"height 0", with([](Bmp& b) { b.Height = 0; }), false},
      {"largest width", with([](Bmp& b) { b.Width = std::numeric_limits<std::int32_t>::max(); }), false},
      {"smallest height", with([](Bmp& b) { b.Height = std::numeric_limits<std::int32_t>::min(); }), false},
      {"100000 squared", with([](Bmp& b) { b.Width = 100000, b.Height = 100000; }), false},
      {"one row over 256 MiB", with([](Bmp& b) { b.Bits = 32, b.Width = 65536, b.Height = 1025; }), false},
      {"2^31 colours", with([](Bmp& b) { b.Bits = 8, b.ColoursUsed = 0x80000000u; }), false},
      {"2^32-1 colours", with([](Bmp& b) { b.ColoursUsed = 0xFFFFFFFFu; }), false},
      {"header size 8", with([](Bmp& b) { b.HeaderSize = 8; }), false},
      {"header size 2^32-1", with([](Bmp& b) { b.HeaderSize = 0xFFFFFFFFu; }), false},
      {"size smaller than the headers", with([](Bmp& b) { b.DeclaredSize = 30; }), false},
      {"stream ends in the file header", with([](Bmp& b) { b.CutAt = 4 + 10; }), true},
      {"stream ends in the info header", with([](Bmp& b) { b.CutAt = 4 + 14 + 20; }), true},
      {"stream ends in the pixels", with([](Bmp& b) { b.CutAt = 4 + 14 + 40 + 7; }), true},
      {"stream ends in the size", with([](Bmp& b) { b.CutAt = 3; }), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap;
    Load(bitmap, Bmp5x3(false).Payload());
    try {
      Load(bitmap, c.bmp.Payload());
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.ClassName(), c.readError ? "EReadError" : "EInvalidGraphic");
      EXPECT_EQ(e.Message(), c.readError ? "Stream read error" : "Bitmap image is not valid");
    }
    // A failed read leaves the bitmap as it was.
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.Canvas().PixelColour(1, 1), Expected5x3(1, 1));
  }
}

TEST(BitmapRead, ImageSizeBeyondTheFileReadsOnlyTheFile) {
  Bmp b = Bmp5x3(true);
  b.SizeImage = 0xFFFFFFFFu;
  TBitmap bitmap;
  Load(bitmap, b.Payload());
  EXPECT_EQ(bitmap.Canvas().PixelColour(4, 2), 0x00FEFEFEu);
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
  const std::uint8_t* row259 = bitmap.RowAddress(259);
  EXPECT_EQ(row0, bitmap.Store().Bytes().data() + 259 * 1200);
  EXPECT_EQ(row259, bitmap.Store().Bytes().data());
  for (int y : {260, -1, std::numeric_limits<int>::max()}) {
    try {
      bitmap.RowAddress(y);
      ADD_FAILURE() << y;
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_EQ(e.Message(), "Scan line index out of range");
    }
  }
}

TEST(BitmapRows, ANewBitmapIsDeviceDependentUntilRowsAreAsked) {
  TBitmap bitmap;
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::Device);
  bitmap.SetSize(3, 2);
  EXPECT_EQ(bitmap.StorageKind(), TStorageKind::DeviceDependent);
  EXPECT_EQ(bitmap.Canvas().PixelColour(2, 1), 0x00FFFFFFu);
  EXPECT_EQ(bitmap.RowAddress(1), bitmap.Store().Bytes().data() + 12);  // top-down, 12-byte rows
  EXPECT_EQ(bitmap.StorageKind(), TStorageKind::DeviceIndependent);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::Bit32);
}

TEST(BitmapSharing, EveryWayToWritePixelsLeavesTheSourceUntouched) {
  // Opaque red over (1, 1) to (2, 2): the blend gives exactly 255, 0, 0.
  const Bytes pngBytes = test::RgbaPng(2, 2, [](int, int) { return test::Rgba{255, 0, 0, 255}; });
  TPNGObject png;
  TMemoryStream pngStream(pngBytes);
  png.LoadFromStream(pngStream);

  struct Case {
    const char* name;
    void (*write)(TBitmap&, const TPNGObject&);
  };
  const Case cases[] = {
      {"canvas", [](TBitmap& b, const TPNGObject& p) { b.Canvas().DrawGraphic(1, 1, &p); }},
      {"row address", [](TBitmap& b, const TPNGObject&) { b.RowAddress(1)[4] ^= 0xFF; }},
      {"mutable store", [](TBitmap& b, const TPNGObject&) { b.MutableStore().Fill(255, 0, 0, 9); }},
      {"pixel format", [](TBitmap& b, const TPNGObject&) { b.SetPixelFormat(TPixelFormat::Bit24); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap base;
    MakePatterned(base, 30, 20);
    base.SetTransparentColour(0x00123456);
    base.SetTransparent(true);
    const Bytes before(base.Store().Bytes().begin(), base.Store().Bytes().end());

    TBitmap copy;
    copy.Assign(&base);
    EXPECT_EQ(&copy.Store(), &base.Store());  // shared, nothing copied yet
    EXPECT_EQ(copy.TransparentColour(), 0x00123456u);
    EXPECT_TRUE(copy.Transparent());

    c.write(copy, png);
    EXPECT_NE(&copy.Store(), &base.Store());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), base.Store().Bytes().begin(), base.Store().Bytes().end()));
    const Bytes after(copy.Store().Bytes().begin(), copy.Store().Bytes().end());
    EXPECT_NE(after, before);
  }
}

TEST(BitmapSharing, DrawingBlendsIntoTheCopyAndKeepsItsFourthByte) {
  const Bytes pngBytes = test::RgbaPng(2, 2, [](int, int) { return test::Rgba{255, 0, 0, 255}; });
  TPNGObject png;
  TMemoryStream pngStream(pngBytes);
  png.LoadFromStream(pngStream);
  TBitmap base;
  MakePatterned(base, 4, 4);
  TBitmap copy;
  copy.Assign(&base);
  copy.Canvas().DrawGraphic(1, 1, &png);
  // Image row 1 of a bottom-up 4-row store is stored row 2.
  const std::uint8_t* stored = copy.Store().Bytes().data() + 2 * 16 + 4;
  EXPECT_EQ(stored[0], 0);
  EXPECT_EQ(stored[1], 0);
  EXPECT_EQ(stored[2], 255);
  EXPECT_EQ(stored[3], 63);
  EXPECT_EQ(copy.Canvas().PixelColour(0, 0), base.Canvas().PixelColour(0, 0));
}

TEST(BitmapFormat, EveryFormatKeepsBlackWhiteAndRedAsItCan) {
  // One row: black, white, red.
  Bmp b;
  b.Width = 3;
  b.Pixels = {0, 0, 0, 255, 255, 255, 0, 0, 255, 0, 0, 0};
  struct Case {
    TPixelFormat format;
    TColor red;  // what red becomes
  };
  const Case cases[] = {{TPixelFormat::Bit1, 0}, {TPixelFormat::Bit4, 0xFF}, {TPixelFormat::Bit8, 0xFF},
                        {TPixelFormat::Bit15, 0xFF}, {TPixelFormat::Bit16, 0xFF}, {TPixelFormat::Bit32, 0xFF},
                        {TPixelFormat::Device, 0xFF}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.format));
    TBitmap bitmap;
    Load(bitmap, b.Payload());
    bitmap.SetPixelFormat(c.format);
    EXPECT_EQ(bitmap.PixelFormat(), c.format);
    EXPECT_EQ(bitmap.Canvas().PixelColour(0, 0), 0u);
    EXPECT_EQ(bitmap.Canvas().PixelColour(1, 0), 0x00FFFFFFu);
    EXPECT_EQ(bitmap.Canvas().PixelColour(2, 0), c.red);
  }
}

TEST(BitmapFormat, TwentyFourToThirtyTwoBitsKeepsColoursWithAZeroFourthByte) {
  TBitmap bitmap;
  Load(bitmap, Bmp5x3(false).Payload());
  bitmap.SetPixelFormat(TPixelFormat::Bit32);
  EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::Bit32);
  EXPECT_EQ(bitmap.Store().RowStride(), 20u);
  for (int y = 0; y < 3; ++y) {
    const std::uint8_t* row = bitmap.RowAddress(y);
    for (int x = 0; x < 5; ++x) {
      const Rgb p = Pixel5x3(x, y);
      EXPECT_EQ(row[4 * x], p.b);
      EXPECT_EQ(row[4 * x + 1], p.g);
      EXPECT_EQ(row[4 * x + 2], p.r);
      EXPECT_EQ(row[4 * x + 3], 0);
    }
  }
  try {
    bitmap.SetPixelFormat(TPixelFormat::Custom);
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Invalid pixel format");
  }
}

TEST(BitmapSize, ResizingKeepsTheTopLeftAndPaintsTheNewAreaWhite) {
  for (bool topDown : {false, true}) {
    SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
    TBitmap bitmap;
    Load(bitmap, Bmp5x3(topDown).Payload());
    bitmap.SetSize(7, 4);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 7; ++x)
        EXPECT_EQ(bitmap.Canvas().PixelColour(x, y), x < 5 && y < 3 ? Expected5x3(x, y) : 0x00FFFFFFu) << x << "," << y;
    bitmap.SetWidth(2);
    bitmap.SetHeight(2);
    EXPECT_EQ(bitmap.Canvas().PixelColour(1, 1), Expected5x3(1, 1));
  }
  // Four bits: indices move by nibbles; white is entry 15.
  Bmp core;
  core.HeaderSize = 12;
  core.Width = 3;
  core.Bits = 4;
  core.Table.assign(16 * 3, 0);
  core.Table[3 * 1 + 2] = 0x11;
  core.Table[3 * 2 + 2] = 0x22;
  core.Table[3 * 3 + 2] = 0x33;
  core.Table.resize(15 * 3);
  core.Table.insert(core.Table.end(), {255, 255, 255});
  core.Pixels = {0x12, 0x30, 0, 0};
  TBitmap indexed;
  Load(indexed, core.Payload());
  indexed.SetWidth(5);
  const TColor expected[] = {0x11, 0x22, 0x33, 0x00FFFFFF, 0x00FFFFFF};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(indexed.Canvas().PixelColour(x, 0), expected[x]) << x;
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
  struct Case {
    const TPersistent* source;
    const char* message;
  };
  for (const Case& c : {Case{&plain, "Cannot assign a TPersistent to a TBitmap"},
                        Case{nullptr, "Cannot assign a nil to a TBitmap"}}) {
    try {
      bitmap.Assign(c.source);
      ADD_FAILURE() << c.message;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(BitmapDraw, ABitmapStretchesOntoAnotherCanvas) {
  Bmp b;
  b.Width = 2;
  b.Pixels = {0, 0, 255, 255, 0, 0, 0, 0};  // red, blue
  TBitmap source;
  Load(source, b.Payload());
  TBitmap target;
  target.SetPixelFormat(TPixelFormat::Bit32);
  target.SetSize(5, 2);
  target.Canvas().StretchDraw(TRect{0, 0, 4, 2}, &source);
  const TColor expected[] = {0xFF, 0xFF, 0xFF0000, 0xFF0000, 0xFFFFFF};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(target.Canvas().PixelColour(x, y), expected[x]) << x << "," << y;
}

}  // namespace
}  // namespace nivarra
