// Cases found by reading the reader against its design: each once went
// wrong.

#include <gtest/gtest.h>

#include "graphics/canvas.h"
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

constexpr auto Decode = test::DecodePng;

TEST(PngReviewCases, IndexedImageRefusesABadIndexAnywhereBeforeDrawing) {
  // Two pixels: index 0 (valid) and index 1 (beyond a one-entry palette).
  const auto png = Decode(Concat({kSignature, Chunk("IHDR", IhdrData(2, 1, 8, 3)), Chunk("PLTE", {9, 9, 9}),
                                  Chunk("tRNS", {100, 50}), Chunk("IDAT", test::Deflate({0, 0, 1})),
                                  Chunk("IEND", {})}));
  PixelStore store(2, 1, 32, RowOrder::TopDown);
  store.Fill(200, 200, 200, 255);
  EXPECT_THROW(DrawBlended(*png, store, 0, 0), EPngError);
  EXPECT_EQ(store.PixelColour(0, 0), 0xC8C8C8u);  // nothing drawn
  EXPECT_THROW(DrawBlended(*png, store, -1, 0), EPngError);  // the bad pixel off-screen
}

TEST(PngReviewCases, SequentialTwoBitIndicesWidenWholeBytes) {
  const auto png = Decode(Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 2, 3)), Chunk("PLTE", Bytes(12, 1)),
                                  Chunk("IDAT", test::Deflate({0, 0x1B})), Chunk("IEND", {})}));
  const std::uint8_t* row = png->PixelRow(0);
  EXPECT_EQ(row[0], 0x01);
  EXPECT_EQ(row[1], 0x23);
}

TEST(PngReviewCases, HeaderFieldsAreTakenBeforeTheSizeTest) {
  TPNGObject png;
  TMemoryStream stream(Concat({kSignature, Chunk("IHDR", IhdrData(65536, 1, 8, 6))}));
  EXPECT_THROW(png.ReadPngStream(stream), EPNGSizeExceeds);
  EXPECT_EQ(png.Width(), 65536);
  // Such a header has no storage: converting it is refused cleanly.
  PixelStore bitmap;
  EXPECT_THROW(png.ConvertToBitmap(bitmap), EPNGHeaderNotPresent);
  PixelStore store(4, 4, 32, RowOrder::TopDown);
  TCanvas(store).DrawGraphic(0, 0, &png);  // draws nothing, raises nothing
}

TEST(PngReviewCases, CutCompressedTextLeavesTheTextEmpty) {
  Bytes ztxt = {'K', 0, 0};
  const Bytes packed = test::Deflate(Bytes(100, 'a'));
  ztxt.insert(ztxt.end(), packed.begin(), packed.end() - 6);
  const auto png = Decode(Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 8, 6)), Chunk("zTXt", ztxt),
                                  Chunk("IDAT", test::Deflate({0, 1, 2, 3, 4})), Chunk("IEND", {})}));
  EXPECT_EQ(png->ChunkList.FirstOfClass<TChunkzTXt>()->Text, "");
}

TEST(PngReviewCases, StretchingAVeryTallImageStaysInsideIt) {
  const int height = 50000;
  Bytes raw;
  for (int y = 0; y < height; ++y) raw.insert(raw.end(), {0, static_cast<std::uint8_t>(y % 251)});
  const auto png = Decode(Concat({kSignature, Chunk("IHDR", IhdrData(1, static_cast<std::uint32_t>(height), 8, 0)),
                                  Chunk("IDAT", test::Deflate(raw)), Chunk("IEND", {})}));
  PixelStore store(1, height, 32, RowOrder::TopDown);
  DrawOpaque(*png, store, TRect{0, 0, 1, height});
  for (int y : {0, 42952, height - 1}) {
    const auto level = static_cast<std::uint8_t>(y % 251);
    EXPECT_EQ(store.PixelColour(0, y), MakeColour(level, level, level)) << y;
  }
}

}  // namespace
}  // namespace nivarra
