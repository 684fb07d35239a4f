// Decoding image data into stored rows: geometry, filters, gamma, IDAT
// runs split across chunks, and broken compressed data.

#include <gtest/gtest.h>

#include <string>

#include "png/png_errors.h"
#include "png/png_object.h"
#include "png/row_converters.h"
#include "png/row_filters.h"
#include "support/png_builder.h"

namespace nivarra {
namespace {

using test::Bytes;
using test::Chunk;
using test::Concat;
using test::IhdrData;
using test::kSignature;

// Raw (filtered) rows of a type-6 image: filter 0, pixel (x, y) = x, y, x+y, 255-x.
Bytes RgbaRows(int width, int height) {
  Bytes raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < width; ++x) {
      raw.insert(raw.end(), {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                             static_cast<std::uint8_t>(x + y), static_cast<std::uint8_t>(255 - x)});
    }
  }
  return raw;
}

Bytes Png(const Bytes& ihdr, const Bytes& middle) {
  return Concat({kSignature, Chunk("IHDR", ihdr), middle, Chunk("IEND", {})});
}

void Read(TPNGObject& png, const Bytes& bytes) {
  TMemoryStream stream(bytes);
  png.ReadPngStream(stream);
}

std::string Failure(const Bytes& bytes) {
  TPNGObject png;
  try {
    Read(png, bytes);
    return "ok";
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.Message();
  }
}

TEST(PngStorage, OnePixelImageStoresThreeBytesInAFourByteRow) {
  TPNGObject png;
  Read(png, Png(IhdrData(1, 1, 8, 6), Chunk("IDAT", test::Deflate({0, 10, 20, 30, 40}))));
  const ImageStorage& s = png.HeaderChunk().Storage;
  EXPECT_EQ(s.RowStride, 4);
  EXPECT_EQ(s.Pixels, (Bytes{30, 20, 10, 0}));
  EXPECT_EQ(s.AlphaPlane, (Bytes{40}));
  EXPECT_EQ(s.DibInfo.Header.BitCount, 24);
  EXPECT_EQ(s.DibInfo.Header.Height, 1);  // positive: bottom-up rows
}

TEST(PngStorage, GlobeSizedImageStoresItsTopRowLast) {
  TPNGObject png;
  Read(png, Png(IhdrData(300, 260, 8, 6), Chunk("IDAT", test::Deflate(RgbaRows(300, 260)))));
  const ImageStorage& s = png.HeaderChunk().Storage;
  ASSERT_EQ(s.RowStride, 900);
  ASSERT_EQ(s.Pixels.size(), 900u * 260);
  EXPECT_EQ(png.PixelRow(0), s.Pixels.data() + 900 * 259);
  // Image row 3, pixel 7: red 7, green 3, blue 10, alpha 248.
  const std::uint8_t* row3 = s.Pixels.data() + 900 * (259 - 3);
  EXPECT_EQ(row3[21], 10);
  EXPECT_EQ(row3[22], 3);
  EXPECT_EQ(row3[23], 7);
  EXPECT_EQ(png.AlphaRow(3)[7], 248);
  EXPECT_EQ(png.AlphaRow(3), s.AlphaPlane.data() + 3 * 300);
}

TEST(PngStorage, GammaMapsColourButNotAlpha) {
  struct Case {
    std::uint32_t gamma;
    std::uint8_t in, out;  // expected values worked out by hand
  };
  for (const Case& c : {Case{100000, 128, 186}, Case{100000, 1, 21}, Case{100000, 200, 228},
                        Case{45455, 128, 128}, Case{45455, 255, 255}, Case{45455, 0, 0}}) {
    SCOPED_TRACE(c.gamma);
    Bytes g;
    test::PutUInt32BE(g, c.gamma);
    TPNGObject png;
    Read(png, Png(IhdrData(1, 1, 8, 6), Concat({Chunk("gAMA", g),
                                                Chunk("IDAT", test::Deflate({0, c.in, c.in, c.in, c.in}))})));
    EXPECT_EQ(png.GammaMap[c.in], c.out);
    EXPECT_EQ(png.HeaderChunk().Storage.Pixels[0], c.out);
    EXPECT_EQ(png.AlphaRow(0)[0], c.in);
  }
}

TEST(PngStorage, PaletteInGreyImageDoesNotChangeGreyLevels) {
  TPNGObject png;
  Read(png, Png(IhdrData(2, 1, 8, 0), Concat({Chunk("PLTE", {200, 0, 0, 0, 200, 0}),
                                              Chunk("IDAT", test::Deflate({0, 0, 1}))})));
  const auto& colours = png.HeaderChunk().Storage.DibInfo.Colours;
  EXPECT_EQ(colours[0], (RGBQuad{0, 0, 0, 0}));
  EXPECT_EQ(colours[1], (RGBQuad{1, 1, 1, 0}));
  EXPECT_EQ(colours[255], (RGBQuad{255, 255, 255, 0}));
}

TEST(PngStorage, PaletteEntriesAndTheirBounds) {
  TPNGObject png;
  Read(png, Png(IhdrData(1, 1, 8, 3), Concat({Chunk("PLTE", {1, 2, 3, 4, 5, 6}),
                                              Chunk("IDAT", test::Deflate({0, 1}))})));
  const auto* palette = png.ChunkList.FirstOfClass<TChunkPLTE>();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->EntryCount, 2);
  EXPECT_EQ(palette->PaletteEntry(1), 0x040506u);  // blue in the low byte
  EXPECT_THROW(palette->PaletteEntry(2), EPngError);
  EXPECT_THROW(palette->PaletteEntry(-1), EPngError);
}

TEST(PngImageData, SplitIdatGivesTheSameImage) {
  const Bytes data = test::Deflate(RgbaRows(33, 17));
  TPNGObject whole;
  Read(whole, Png(IhdrData(33, 17, 8, 6), Chunk("IDAT", data)));
  for (std::size_t first : {std::size_t{0}, std::size_t{1}, data.size() / 3}) {
    const std::size_t second = (data.size() - first) / 2;
    SCOPED_TRACE(first);
    const Bytes a(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(first));
    const Bytes b(data.begin() + static_cast<std::ptrdiff_t>(first),
                  data.begin() + static_cast<std::ptrdiff_t>(first + second));
    const Bytes c(data.begin() + static_cast<std::ptrdiff_t>(first + second), data.end());
    TPNGObject split;
    Read(split, Png(IhdrData(33, 17, 8, 6), Concat({Chunk("IDAT", a), Chunk("IDAT", b), Chunk("IDAT", c)})));
    EXPECT_EQ(split.HeaderChunk().Storage.Pixels, whole.HeaderChunk().Storage.Pixels);
    EXPECT_EQ(split.HeaderChunk().Storage.AlphaPlane, whole.HeaderChunk().Storage.AlphaPlane);
    EXPECT_EQ(split.ChunkList.Count(), 3);  // IHDR, one IDAT, IEND

    EXPECT_EQ(Failure(Png(IhdrData(33, 17, 8, 6),
                          Concat({Chunk("IDAT", a), Chunk("IDAT", b, false), Chunk("IDAT", c)}))),
              std::string("EPngInvalidCRC: ") + png_text::kInvalidCRC);
  }
}

TEST(PngImageData, BrokenImageDataRaisesTheRightError) {
  const Bytes data = test::Deflate(RgbaRows(8, 8));
  const Bytes half(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(data.size() / 2));
  EXPECT_EQ(Failure(Png(IhdrData(8, 8, 8, 6), Chunk("IDAT", half))),
            std::string("EPNGMissingMultipleIDAT: ") + png_text::kMissingMultipleIDAT);

  Bytes corrupt = data;
  corrupt[0] = 0x78;
  corrupt[1] = 0x9C;
  corrupt[2] = 0xFF;  // an invalid block type
  const std::string zlib = Failure(Png(IhdrData(8, 8, 8, 6), Chunk("IDAT", corrupt)));
  EXPECT_EQ(zlib.rfind("EPNGZLIBError: Could not decompress the image because it contains invalid "
                       "compressed data.\r\n Description: ", 0), 0u)
      << zlib;
  EXPECT_TRUE(zlib.ends_with("data error (-3)")) << zlib;

  // A zlib stream that ends before the rows do, followed by more bytes in
  // the same chunk, must end in an error rather than spin.
  const Bytes rows = RgbaRows(8, 8);
  const Bytes shortStream = test::Deflate(Bytes(rows.begin(), rows.begin() + 40));
  EXPECT_EQ(Failure(Png(IhdrData(8, 8, 8, 6), Chunk("IDAT", Concat({shortStream, Bytes(100, 0xAB)})))),
            std::string("EPNGMissingMultipleIDAT: ") + png_text::kMissingMultipleIDAT);
}

TEST(PngImageData, PresetDictionaryIsAnErrorNotAHang) {
  const Bytes raw = RgbaRows(4, 4);
  z_stream z{};
  deflateInit(&z, 6);
  const Bytes dictionary(32, 7);
  deflateSetDictionary(&z, dictionary.data(), static_cast<uInt>(dictionary.size()));
  Bytes out(256);
  z.next_in = const_cast<Bytef*>(raw.data());
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  EXPECT_TRUE(Failure(Png(IhdrData(4, 4, 8, 6), Chunk("IDAT", out))).ends_with("need dictionary (2)"));
}

TEST(PngImageData, RowsCompleteBeforeALargeChunkEnds) {
  // Data after the zlib stream in an IDAT larger than the 65535-byte input
  // window: the image reads, the whole chunk's CRC is checked, and the
  // stream ends up right after IEND.
  const Bytes stream = Concat({test::Deflate(RgbaRows(20, 20)), Bytes(70000, 0x5A)});
  const Bytes bytes = Png(IhdrData(20, 20, 8, 6), Chunk("IDAT", stream));
  TMemoryStream s(bytes);
  TPNGObject png;
  png.ReadPngStream(s);
  EXPECT_EQ(s.Position(), static_cast<std::int64_t>(bytes.size()));
  EXPECT_EQ(png.AlphaRow(19)[19], 236);

  Bytes badCrc = Png(IhdrData(20, 20, 8, 6), Chunk("IDAT", stream, false));
  EXPECT_EQ(Failure(badCrc), std::string("EPngInvalidCRC: ") + png_text::kInvalidCRC);
}

TEST(PngImageData, StreamEndingInsideImageDataFailsOnTheCrc) {
  Bytes bytes = Png(IhdrData(8, 8, 8, 6), Chunk("IDAT", test::Deflate(RgbaRows(8, 8))));
  bytes.resize(bytes.size() - 30);
  EXPECT_EQ(Failure(bytes), std::string("EPngInvalidCRC: ") + png_text::kInvalidCRC);
}

TEST(PngRowFilters, PaethPicksLeftOnTiesAndUpperLeftWhenClosest) {
  EXPECT_EQ(PaethPredictor(10, 10, 10), 10);
  EXPECT_EQ(PaethPredictor(10, 20, 15), 15);
  EXPECT_EQ(PaethPredictor(10, 20, 10), 20);   // est 20: up is exact
  EXPECT_EQ(PaethPredictor(200, 100, 50), 200);
}

TEST(PngRowFilters, EachFilterReconstructsTheRowWorkedOutByHand) {
  // Two pixels of two bytes; previous row 10 20 30 40.
  const std::uint8_t previous[] = {0, 10, 20, 30, 40};
  struct Case {
    std::uint8_t filter;
    std::uint8_t expected[4];
  };
  const Case cases[] = {
      {0, {1, 2, 3, 4}},
      {1, {1, 2, 4, 6}},          // + left
      {2, {11, 22, 33, 44}},      // + up
      {3, {6, 12, 21, 30}},       // + (up + left) / 2: 1+5, 2+10, 3+(30+6)/2, 4+(40+12)/2
      {4, {11, 22, 33, 44}},      // Paeth: up wins where left is 0 or up is exact
      {7, {1, 2, 3, 4}},          // unknown filters leave the row as read
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int{c.filter});
    std::uint8_t row[] = {c.filter, 1, 2, 3, 4};
    UnfilterRow(row, previous, 4, 2);
    EXPECT_EQ(Bytes(row + 1, row + 5), Bytes(c.expected, c.expected + 4));
  }
  std::uint8_t wrap[] = {1, 200, 100};  // sums wrap modulo 256
  UnfilterRow(wrap, previous, 2, 1);
  EXPECT_EQ(wrap[2], 44);

  // 3- and 4-byte pixels go a pixel at a time: the same rule byte by byte,
  // over bytes that wrap and tie.
  Bytes above(1 + 4 * 13), filtered(1 + 4 * 13);
  for (std::size_t i = 1; i < above.size(); ++i) {
    above[i] = static_cast<std::uint8_t>(i * 151 % 256 < 128 ? i * 37 : 255 - i % 3);
    filtered[i] = static_cast<std::uint8_t>(i * 73 + 200);
  }
  for (const int step : {3, 4}) {
    for (std::uint8_t filter = 1; filter <= 4; ++filter) {
      SCOPED_TRACE(std::to_string(step) + " byte pixels, filter " + std::to_string(filter));
      const int rowBytes = step * 13;
      Bytes row = filtered, want = filtered;
      row[0] = filter;
      UnfilterRow(row.data(), above.data(), rowBytes, step);
      for (int i = 1; i <= rowBytes; ++i) {
        const int left = i > step ? want[i - step] : 0, upperLeft = i > step ? above[i - step] : 0;
        const int predictors[] = {left, above[i], (left + above[i]) / 2, PaethPredictor(left, above[i], upperLeft)};
        want[i] = static_cast<std::uint8_t>(want[i] + predictors[filter - 1]);
      }
      EXPECT_EQ(Bytes(row.begin() + 1, row.end()), Bytes(want.begin() + 1, want.end()));
    }
  }
}

TEST(PngRowConverters, UnmappedRgbaMatchesTheMappedConverterUnderIdentityAndStopsAtTheRowEnd) {
  Bytes identity(256);
  for (int i = 0; i < 256; ++i) identity[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  const RowConverter unmapped = SelectRowConverter(6, 8, false, true);
  const RowConverter mapped = SelectRowConverter(6, 8, false, false);
  for (int count = 0; count <= 27; ++count) {  // eight at a time, four at a time, one at a time
    SCOPED_TRACE(count);
    Bytes samples(static_cast<std::size_t>(count) * 4);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint8_t>(i * 89 + 7);
    Bytes pixels[2], alpha[2];
    for (int k = 0; k < 2; ++k) {
      pixels[k].assign(static_cast<std::size_t>(count) * 3 + 8, 0xEE);
      alpha[k].assign(static_cast<std::size_t>(count) + 8, 0xEE);
      (k == 0 ? unmapped : mapped)(samples.data(), count, RowTarget{pixels[k].data(), alpha[k].data(), 0, 1},
                                   identity.data());
    }
    EXPECT_EQ(pixels[0], pixels[1]);
    EXPECT_EQ(alpha[0], alpha[1]);
  }
}

TEST(PngInterlace, WidthOneImageSkipsEmptyPassesAndRestartsFilteringEachPass) {
  // 1 by 8 greyscale: passes 1, 3, 5, 7 hold pixels; 2, 4, 6 are empty.
  // Row order: y0 | y4 | y2 y6 | y1 y3 y5 y7. Filter Up on the first row of
  // each pass sees zeros, not the previous pass.
  const Bytes raw = {2, 100,  2, 140,  2, 120, 2, 40,  2, 110, 0, 130, 0, 150, 2, 20};
  TPNGObject png;
  Read(png, Png(IhdrData(1, 8, 8, 0, 1), Chunk("IDAT", test::Deflate(raw))));
  const int expected[8] = {100, 110, 120, 130, 140, 150, 160, 170};
  for (int y = 0; y < 8; ++y) {
    SCOPED_TRACE(y);
    EXPECT_EQ(png.PixelRow(y)[0], expected[y]);
  }
}

}  // namespace
}  // namespace nivarra
