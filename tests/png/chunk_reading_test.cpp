// Reading PNG streams chunk by chunk: what ends up in the chunk list and
// which error each malformed stream raises.

#include <gtest/gtest.h>

#include <string>

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

Bytes OnePixelRgba() {
  return test::Deflate({0, 10, 20, 30, 40});
}

Bytes Ihdr1x1() { return Chunk("IHDR", IhdrData(1, 1, 8, 6)); }

Bytes ValidWith(const Bytes& before, const Bytes& after = {}) {
  return Concat({kSignature, Ihdr1x1(), before, Chunk("IDAT", OnePixelRgba()), after, Chunk("IEND", {})});
}

// Reads bytes and returns "ok" or "<class>: <message>".
std::string ReadOutcome(TPNGObject& png, const Bytes& bytes) {
  TMemoryStream stream(bytes);
  try {
    png.ReadPngStream(stream);
    return "ok";
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.Message();
  }
}

std::string ReadOutcome(const Bytes& bytes) {
  TPNGObject png;
  return ReadOutcome(png, bytes);
}

std::string ChunkNames(const TPNGObject& png) {
  std::string names;
  for (int i = 0; i < png.ChunkList.Count(); ++i) {
    if (!names.empty()) names += ' ';
    names.append(png.ChunkList.Item(i)->Name.data(), 4);
  }
  return names;
}

TEST(PngChunkList, SceneImageReadsIntoFiveChunksInStreamOrder) {
  Bytes itxt = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0, 0, 0, 0, 'g', 'l', 'o', 'b', 'e'};
  Bytes text = {'T', 'i', 't', 'l', 'e', 0, 's', 'n', 'o', 'w'};
  TPNGObject png;
  ASSERT_EQ(ReadOutcome(png, ValidWith(Concat({Chunk("tEXt", text), Chunk("iTXt", itxt)}))), "ok");
  EXPECT_EQ(ChunkNames(png), "IHDR tEXt iTXt IDAT IEND");

  const auto* t = dynamic_cast<const TChunktEXt*>(png.ChunkList.Item(1));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Keyword, "Title");
  EXPECT_EQ(t->Text, "snow");
  // iTXt has no class of its own: a plain chunk keeping its raw data.
  const TChunk* i = png.ChunkList.Item(2);
  EXPECT_EQ(&i->Class(), &TChunk::kClass);
  EXPECT_EQ(Bytes(i->Data(), i->Data() + i->DataSize()), itxt);
  EXPECT_EQ(&png.ChunkList.Item(0)->Class(), &TChunkIHDR::kClass);
  EXPECT_EQ(&png.ChunkList.Item(3)->Class(), &TChunkIDAT::kClass);
  EXPECT_EQ(png.ChunkList.Item(3)->DataSize(), 0);
}

TEST(PngChunkList, RegistryMapsTypesExactlyAndInOrder) {
  const char* expected[] = {"IEND", "IHDR", "IDAT", "PLTE", "gAMA", "tRNS", "tIME", "tEXt", "zTXt"};
  const auto& registry = ChunkClassRegistry();
  ASSERT_EQ(registry.size(), std::size(expected));
  for (std::size_t i = 0; i < registry.size(); ++i) EXPECT_EQ(registry[i]->TypeName(), expected[i]);

  TPNGObject owner;
  EXPECT_EQ(&CreateChunkForType(owner, MakeChunkType("zTXt"))->Class(), &TChunkzTXt::kClass);
  // Letter case counts: "Idat" is not IDAT.
  auto other = CreateChunkForType(owner, MakeChunkType("Idat"));
  EXPECT_EQ(&other->Class(), &TChunk::kClass);
  EXPECT_EQ(std::string(other->Name.data(), 4), "Idat");
  // A zTXt is a tEXt for FirstOfClass.
  EXPECT_NE(dynamic_cast<TChunktEXt*>(CreateChunkForType(owner, MakeChunkType("zTXt")).get()), nullptr);
}

TEST(PngChunkList, SkipsChrmAndLaterImageDataWithoutCheckingThem) {
  const Bytes badChrm = Chunk("cHRM", Bytes(32, 7), /*goodCrc=*/false);
  const Bytes secondRun = Chunk("IDAT", Bytes{1, 2, 3}, /*goodCrc=*/false);
  TPNGObject png;
  ASSERT_EQ(ReadOutcome(png, ValidWith(badChrm, Concat({Chunk("tEXt", {'a', 0, 'b'}), secondRun}))), "ok");
  EXPECT_EQ(ChunkNames(png), "IHDR IDAT tEXt IEND");
}

TEST(PngChunkList, AncillaryUnknownChunksAreKeptCriticalOnesRefused) {
  TPNGObject png;
  ASSERT_EQ(ReadOutcome(png, ValidWith(Chunk("abCD", {1, 2}))), "ok");
  EXPECT_EQ(ChunkNames(png), "IHDR abCD IDAT IEND");

  EXPECT_EQ(ReadOutcome(png, ValidWith(Chunk("ABCD", {1, 2}))),
            std::string("EPNGUnknownCriticalChunk: ") + png_text::kUnknownCriticalChunk);
  // The refused chunk stays in the list with those before it.
  EXPECT_EQ(ChunkNames(png), "IHDR ABCD");
}

TEST(PngChunkList, BytesAfterIendStayUnread) {
  Bytes bytes = ValidWith({});
  const auto end = static_cast<std::int64_t>(bytes.size());
  bytes.insert(bytes.end(), {1, 2, 3, 4, 5});
  TMemoryStream stream(bytes);
  TPNGObject png;
  png.ReadPngStream(stream);
  EXPECT_EQ(stream.Position(), end);
}

TEST(PngChunkList, ChunkReadersFillTheirFields) {
  const Bytes time = {0x07, 0xEA, 12, 24, 18, 30, 59};
  Bytes ztxt = {'K', 'e', 'y', 0, 0};
  const Bytes packed = test::Deflate(Bytes{'f', 'r', 'o', 's', 't'});
  ztxt.insert(ztxt.end(), packed.begin(), packed.end());
  TPNGObject png;
  ASSERT_EQ(ReadOutcome(png, ValidWith(Concat({Chunk("tIME", time), Chunk("zTXt", ztxt)}))), "ok");
  const auto* t = png.ChunkList.FirstOfClass<TChunktIME>();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Year, 2026);
  EXPECT_EQ(t->Month, 12);
  EXPECT_EQ(t->Day, 24);
  EXPECT_EQ(t->Second, 59);
  const auto* z = png.ChunkList.FirstOfClass<TChunkzTXt>();
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(z->Keyword, "Key");
  EXPECT_EQ(z->Text, "frost");

  // Broken compressed text is dropped quietly.
  ASSERT_EQ(ReadOutcome(png, ValidWith(Chunk("zTXt", {'K', 0, 0, 9, 9, 9, 9}))), "ok");
  EXPECT_EQ(png.ChunkList.FirstOfClass<TChunkzTXt>()->Text, "");
}

struct FailureCase {
  const char* name;
  Bytes stream;
  std::string expectedClass;
  std::string expectedMessage;
};

std::vector<FailureCase> FailureCases() {
  const Bytes body = Concat({Ihdr1x1(), Chunk("IDAT", OnePixelRgba()), Chunk("IEND", {})});
  Bytes badSignature = Concat({kSignature, body});
  badSignature[1] = 'Q';
  Bytes flippedText = ValidWith(Chunk("tEXt", {'a', 'b', 0, 'c', 'd'}));
  flippedText[8 + 25 + 8 + 3] ^= 0x10;  // a data byte of tEXt

  Bytes hugeLength = Concat({kSignature, Ihdr1x1()});
  test::PutUInt32BE(hugeLength, 0x80000000u);
  hugeLength.insert(hugeLength.end(), {'t', 'E', 'X', 't'});

  return {
      {"bad signature", badSignature, "EPNGInvalidFileHeader", png_text::kInvalidFileHeader},
      {"short signature", Bytes(kSignature.begin(), kSignature.begin() + 5), "EPNGInvalidFileHeader",
       png_text::kInvalidFileHeader},
      {"nothing after signature", kSignature, "EPngUnexpectedEnd", png_text::kUnexpectedEnd},
      {"tEXt first", Concat({kSignature, Chunk("tEXt", {'a', 0, 'b'}), body}), "EPNGIHDRNotFirst",
       "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
       "(IHDR chunk is not the first)"},
      {"no IDAT", Concat({kSignature, Ihdr1x1(), Chunk("IEND", {})}), "EPNGNoImageData",
       png_text::kNoImageData},
      {"flipped bit in tEXt", flippedText, "EPngInvalidCRC", png_text::kInvalidCRC},
      {"short IHDR", Concat({kSignature, Chunk("IHDR", Bytes(12, 0)), body}), "EPngInvalidIHDR",
       png_text::kInvalidIHDR},
      {"width 65536", Concat({kSignature, Chunk("IHDR", IhdrData(65536, 1, 8, 6))}), "EPNGSizeExceeds",
       png_text::kSizeExceeds},
      {"height 2^32-1", Concat({kSignature, Chunk("IHDR", IhdrData(1, 0xFFFFFFFFu, 8, 6))}),
       "EPNGSizeExceeds", png_text::kSizeExceeds},
      {"compression 1", Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 8, 6, 0, 1))}),
       "EPNGUnknownCompression", png_text::kUnknownCompression},
      {"interlace 2", Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 8, 6, 2))}), "EPNGUnknownInterlace",
       png_text::kUnknownInterlace},
      {"PLTE of 257 entries", Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 8, 3)), Chunk("PLTE", Bytes(771, 1))}),
       "EPNGInvalidPalette", png_text::kInvalidPalette},
      {"PLTE not a multiple of 3", Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 8, 3)), Chunk("PLTE", Bytes(7, 1))}),
       "EPNGInvalidPalette", png_text::kInvalidPalette},
      {"tRNS of 257 entries", ValidWith(Chunk("tRNS", Bytes(257, 1))), "EPNGInvalidPalette",
       png_text::kInvalidPalette},
      {"ends after IDAT", Concat({kSignature, Ihdr1x1(), Chunk("IDAT", OnePixelRgba())}), "EPngUnexpectedEnd",
       png_text::kUnexpectedEnd},
      // Our own decisions for what the format leaves undefined:
      {"bit depth 3", Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 3, 0))}), "EPngInvalidIHDR",
       png_text::kInvalidIHDR},
      {"colour type 6 at 4 bits", Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 4, 6))}), "EPngInvalidIHDR",
       png_text::kInvalidIHDR},
      {"colour type 7", Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 8, 7))}), "EPngInvalidIHDR",
       png_text::kInvalidIHDR},
      {"chunk length 2^31", hugeLength, "EPngError", png_text::kChunkTooLong},
      {"65535 by 65535", Concat({kSignature, Chunk("IHDR", IhdrData(65535, 65535, 8, 6))}), "EPNGOutMemory",
       png_text::kOutMemory},
  };
}

TEST(PngChunkErrors, EachMalformedStreamRaisesItsClassAndMessage) {
  for (const FailureCase& c : FailureCases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadOutcome(c.stream), c.expectedClass + ": " + c.expectedMessage);
  }
}

TEST(PngChunkErrors, FailedReadsKeepExactlyTheChunksCreated) {
  TPNGObject png;
  ReadOutcome(png, Concat({kSignature, Chunk("tEXt", {'a', 0, 'b'})}));
  EXPECT_EQ(png.ChunkList.Count(), 0);
  EXPECT_FALSE(png.HasHeader());

  ReadOutcome(png, Concat({kSignature, Ihdr1x1(), Chunk("IDAT", OnePixelRgba())}));
  EXPECT_EQ(ChunkNames(png), "IHDR IDAT");

  // A later good read replaces everything.
  EXPECT_EQ(ReadOutcome(png, ValidWith({})), "ok");
  EXPECT_EQ(ChunkNames(png), "IHDR IDAT IEND");
}

TEST(PngChunkErrors, SizeLimitsAtTheEdges) {
  TPNGObject png;
  // 65535 wide passes the size check; 0 is accepted as a size.
  EXPECT_EQ(ReadOutcome(png, Concat({kSignature, Chunk("IHDR", IhdrData(65535, 1, 1, 0)), Chunk("IEND", {})})),
            std::string("EPNGNoImageData: ") + png_text::kNoImageData);
  EXPECT_EQ(png.Width(), 65535);
  EXPECT_EQ(ReadOutcome(png, Concat({kSignature, Chunk("IHDR", IhdrData(0, 5, 8, 6)), Chunk("IEND", {})})),
            std::string("EPNGNoImageData: ") + png_text::kNoImageData);
  EXPECT_EQ(png.Width(), 0);
  // A PLTE of 256 entries is fine.
  EXPECT_NE(ReadOutcome(Concat({kSignature, Chunk("IHDR", IhdrData(1, 1, 8, 3)), Chunk("PLTE", Bytes(768, 1)),
                                Chunk("IDAT", test::Deflate({0, 0})), Chunk("IEND", {})})).substr(0, 2),
            "EP");
}

TEST(PngChunkErrors, HeaderlessImageRefusesHeaderOperations) {
  TPNGObject png;
  EXPECT_TRUE(png.IsEmpty());
  EXPECT_EQ(png.Width(), 0);
  EXPECT_THROW(png.HeaderChunk(), EPNGHeaderNotPresent);
  EXPECT_THROW(png.AlphaRow(0), EPNGHeaderNotPresent);
  EXPECT_THROW(png.PixelRow(0), EPNGHeaderNotPresent);
  try {
    png.SetWidth(5);
    FAIL();
  } catch (const EPngError& e) {
    EXPECT_STREQ(e.what(), png_text::kCannotResize);
  }
  EXPECT_THROW(png.SetHeight(5), EPngError);
}

TEST(PngChunkErrors, CopyFromChecksTheSourceClass) {
  TPNGObject owner;
  TChunkIHDR header(owner);
  TChunkPLTE palette(owner);
  TChunktEXt text(owner);
  EXPECT_THROW(header.CopyFrom(palette), EPngError);
  EXPECT_THROW(palette.CopyFrom(header), EPngError);
  TChunkgAMA gamma(owner);
  EXPECT_THROW(gamma.CopyFrom(text), EPngError);
}

}  // namespace
}  // namespace nivarra
