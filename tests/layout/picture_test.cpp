// Pictures and the registry of graphic classes: reading a stored payload,
// replacing graphics, and the change notifications towards the image.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "graphics/stream.h"
#include "layout/bitmap.h"
#include "layout/file_formats.h"
#include "layout/layout_errors.h"
#include "layout/picture.h"
#include "support/png_builder.h"

namespace nivarra {
namespace {

using test::Bytes;

// A payload: the class name with its length byte, then the graphic's data.
Bytes Payload(const std::string& className, const Bytes& data) {
  Bytes out(className.size() + 1);
  out[0] = static_cast<std::uint8_t>(className.size());
  std::copy(className.begin(), className.end(), out.begin() + 1);
  return test::Concat({out, data});
}

const Bytes kPng4x3 = test::RgbaPng(4, 3, [](int, int) { return test::Rgba{1, 2, 3, 255}; });

// The embedded form of a 1×1 24-bit BMP holding blue 1, green 2, red 3.
const Bytes kBitmap1x1 = {58,  0,   0, 0,                                      // s
                          'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,      // file header
                          40,  0,   0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0,  // size, width, height, planes, bits
                          0,   0,   0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,   // compression, image size, resolution
                          0,   0,   0, 0, 0, 0, 0, 0,                           // colours used, important
                          1,   2,   3, 0};

struct Watched {
  TPicture picture;
  int changes = 0;
  Watched() {
    picture.OnChange = [this](TPicture&) { ++changes; };
  }
  void Read(const Bytes& payload) {
    TMemoryStream stream(payload);
    ReadPictureData(picture, stream);
  }
};

TEST(FileFormats, ProgramRegistryInStartUpOrder) {
  const char* expected[][3] = {
      {"TMetafile", "wmf", "Metafiles"},   {"TMetafile", "emf", "Enhanced Metafiles"},
      {"TIcon", "ico", "Icons"},           {"TBitmap", "bmp", "Bitmaps"},
      {"TPNGObject", "png", "Portable Network Graphics"},
      {"TGIFImage", "gif", "CompuServe GIF Image"},
      {"TJPEGImage", "jpeg", "JPEG Image File"}, {"TJPEGImage", "jpg", "JPEG Image File"}};
  const auto& entries = FileFormats().Entries();
  ASSERT_EQ(entries.size(), std::size(expected));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].ClassName, expected[i][0]);
    EXPECT_EQ(entries[i].Extension, expected[i][1]);
    EXPECT_EQ(entries[i].Description, expected[i][2]);
  }
}

TEST(FileFormats, LookupRunsFromTheLastEntryWithExactCase) {
  TFileFormatsList list;
  list.RegisterFileFormat("A", "first", "TThing", nullptr);
  list.RegisterFileFormat("B", "second", "TThing", nullptr);
  list.RegisterFileFormat("C", "other", "TOther", nullptr);
  ASSERT_NE(list.FindGraphicClass("TThing"), nullptr);
  EXPECT_EQ(list.FindGraphicClass("TThing")->Extension, "b");
  EXPECT_EQ(list.FindGraphicClass("Tthing"), nullptr);
  EXPECT_EQ(list.FindGraphicClass("TThing "), nullptr);
}

TEST(PictureData, ClassNameChoosesTheGraphicOrLeavesThePictureEmpty) {
  struct Case {
    Bytes payload;
    const char* graphicClass;  // null: left empty
    int width, height;
  };
  const Case cases[] = {
      {Payload("TPNGObject", kPng4x3), "TPNGObject", 4, 3},
      {Payload("TBitmap", kBitmap1x1), "TBitmap", 1, 1},
      {Payload("TBitmap", {0, 0, 0, 0}), "TBitmap", 0, 0},
      {Payload("TPngObject", kPng4x3), nullptr, 0, 0},   // letter case counts
      {Payload("TGIFImage", {'G', 'I', 'F'}), nullptr, 0, 0},  // registered, not available
      {Payload("TNothing", {1, 2, 3}), nullptr, 0, 0},
      {Payload("", {}), nullptr, 0, 0},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const Case& c = cases[i];
    Watched w;
    w.Read(Payload("TBitmap", kBitmap1x1));
    w.changes = 0;
    w.Read(c.payload);
    EXPECT_EQ(w.changes, 1);
    EXPECT_EQ(w.picture.Width(), c.width);
    EXPECT_EQ(w.picture.Height(), c.height);
    if (c.graphicClass == nullptr) {
      EXPECT_EQ(w.picture.Graphic(), nullptr);
      continue;
    }
    ASSERT_NE(w.picture.Graphic(), nullptr);
    EXPECT_STREQ(w.picture.Graphic()->ClassName(), c.graphicClass);
    // The new graphic's own changes reach the image too.
    w.picture.Graphic()->SetTransparent(true);
    EXPECT_EQ(w.changes, 2);
  }
  Watched w;
  w.Read(Payload("TBitmap", kBitmap1x1));
  EXPECT_EQ(PictureAsBitmap(w.picture).Canvas().PixelColour(0, 0), 0x010203u);
}

TEST(PictureData, AFailedReadKeepsThePreviousGraphic) {
  Bytes badCrc = kPng4x3;
  badCrc[8 + 8 + 13] ^= 1;  // the header chunk's CRC
  Bytes notBm = kBitmap1x1;
  notBm[4] = 'X';
  const std::pair<Bytes, std::string> cases[] = {
      {Payload("TPNGObject", badCrc), "EPngInvalidCRC"},
      {Payload("TBitmap", notBm), "EInvalidGraphic: Bitmap image is not valid"},
      {Bytes{10, 'T', 'P', 'N'}, "EReadError: Stream read error"},
      {Bytes{}, "EReadError: Stream read error"},
  };
  for (const auto& [payload, error] : cases) {
    SCOPED_TRACE(error);
    Watched w;
    w.Read(Payload("TPNGObject", kPng4x3));
    const TGraphic* before = w.picture.Graphic();
    w.changes = 0;
    std::string raised = "no error";
    try {
      w.Read(payload);
    } catch (const Exception& e) {
      raised = std::string(e.ClassName()) + ": " + e.Message();
    }
    EXPECT_EQ(raised.substr(0, error.size()), error);
    EXPECT_EQ(w.picture.Graphic(), before);
    EXPECT_EQ(w.changes, 0);
  }
}

TEST(PictureAsBitmap, OnlyABitmapSurvives) {
  const std::pair<Bytes, bool> cases[] = {  // payload (empty: no graphic), kept
      {Payload("TBitmap", kBitmap1x1), true},
      {Payload("TPNGObject", kPng4x3), false},
      {Bytes{}, false}};
  for (const auto& [payload, kept] : cases) {
    SCOPED_TRACE(kept);
    Watched w;
    if (!payload.empty()) w.Read(payload);
    const TGraphic* before = w.picture.Graphic();
    w.changes = 0;
    TBitmap& bitmap = PictureAsBitmap(w.picture);
    EXPECT_EQ(w.picture.Graphic(), &bitmap);
    EXPECT_EQ(&bitmap == before, kept);
    EXPECT_EQ(w.changes, kept ? 0 : 1);
    EXPECT_EQ(bitmap.IsEmpty(), !kept);
  }
}

}  // namespace
}  // namespace nivarra
