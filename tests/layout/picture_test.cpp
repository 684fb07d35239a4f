// Pictures and the registry of graphic classes: reading a stored payload,
// replacing graphics, and the change notifications towards the image.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graphics/stream.h"
#include "layout/bitmap.h"
#include "layout/file_formats.h"
#include "layout/layout_errors.h"
#include "layout/picture.h"
#include "png/png_errors.h"
#include "png/png_object.h"
#include "support/png_builder.h"

namespace nivarra {
namespace {

using test::Bytes;

Bytes ClassName(const std::string& name) {
  Bytes out(name.size() + 1);
  out[0] = static_cast<std::uint8_t>(name.size());
  std::copy(name.begin(), name.end(), out.begin() + 1);
  return out;
}

Bytes Png4x3() {
  return test::RgbaPng(4, 3, [](int x, int y) {
    return test::Rgba{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 0, 255};
  });
}

// The embedded form of a 1×1 24-bit BMP holding blue 1, green 2, red 3.
Bytes Bitmap1x1Data() {
  return {58, 0, 0, 0,                                          // s
          'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,        // file header
          40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0,    // size, width, height, planes, bits
          0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,      // compression, image size, resolution
          0, 0, 0, 0, 0, 0, 0, 0,                              // colours used, important
          1, 2, 3, 0};
}

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
  struct Expected {
    const char* className;
    const char* extension;
    const char* description;
    bool creatable;
  };
  const Expected expected[] = {
      {"TMetafile", "wmf", "Metafiles", false},
      {"TMetafile", "emf", "Enhanced Metafiles", false},
      {"TIcon", "ico", "Icons", false},
      {"TBitmap", "bmp", "Bitmaps", true},
      {"TPNGObject", "png", "Portable Network Graphics", true},
      {"TGIFImage", "gif", "CompuServe GIF Image", false},
      {"TJPEGImage", "jpeg", "JPEG Image File", false},
      {"TJPEGImage", "jpg", "JPEG Image File", false},
  };
  const auto& entries = FileFormats().Entries();
  ASSERT_EQ(entries.size(), std::size(expected));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].ClassName, expected[i].className);
    EXPECT_EQ(entries[i].Extension, expected[i].extension);
    EXPECT_EQ(entries[i].Description, expected[i].description);
    EXPECT_EQ(static_cast<bool>(entries[i].Create), expected[i].creatable);
  }
  auto png = FileFormats().FindGraphicClass("TPNGObject")->Create();
  EXPECT_STREQ(png->ClassName(), "TPNGObject");
  EXPECT_NE(dynamic_cast<TBitmap*>(FileFormats().FindGraphicClass("TBitmap")->Create().get()), nullptr);
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
  EXPECT_EQ(list.FindGraphicClass(""), nullptr);
}

TEST(PictureData, ClassNameChoosesTheGraphicOrLeavesThePictureEmpty) {
  struct Case {
    const char* name;
    Bytes payload;
    const char* graphicClass;  // null: left empty
    int width, height;
  };
  const Case cases[] = {
      {"PNG", test::Concat({ClassName("TPNGObject"), Png4x3()}), "TPNGObject", 4, 3},
      {"bitmap", test::Concat({ClassName("TBitmap"), Bitmap1x1Data()}), "TBitmap", 1, 1},
      {"empty bitmap", test::Concat({ClassName("TBitmap"), Bytes{0, 0, 0, 0}}), "TBitmap", 0, 0},
      {"other letter case", test::Concat({ClassName("TPngObject"), Png4x3()}), nullptr, 0, 0},
      {"registered, not available", test::Concat({ClassName("TGIFImage"), Bytes{'G', 'I', 'F'}}), nullptr, 0, 0},
      {"unknown", test::Concat({ClassName("TNothing"), Bytes{1, 2, 3}}), nullptr, 0, 0},
      {"empty name", Bytes{0}, nullptr, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Watched w;
    w.Read(test::Concat({ClassName("TBitmap"), Bitmap1x1Data()}));
    w.changes = 0;
    w.Read(c.payload);
    EXPECT_EQ(w.changes, 1);
    if (c.graphicClass == nullptr) {
      EXPECT_EQ(w.picture.Graphic(), nullptr);
    } else {
      ASSERT_NE(w.picture.Graphic(), nullptr);
      EXPECT_STREQ(w.picture.Graphic()->ClassName(), c.graphicClass);
    }
    EXPECT_EQ(w.picture.Width(), c.width);
    EXPECT_EQ(w.picture.Height(), c.height);
  }
}

TEST(PictureData, ABitmapPayloadKeepsItsColour) {
  Watched w;
  w.Read(test::Concat({ClassName("TBitmap"), Bitmap1x1Data()}));
  EXPECT_EQ(PictureAsBitmap(w.picture).Canvas().PixelColour(0, 0), 0x00010203u);
}

TEST(PictureData, AFailedReadKeepsThePreviousGraphic) {
  Bytes badCrc = Png4x3();
  badCrc[8 + 8 + 13] ^= 1;  // the IHDR chunk's CRC
  Bytes notBm = Bitmap1x1Data();
  notBm[4] = 'X';
  struct Case {
    const char* name;
    Bytes payload;
    const char* errorClass;
  };
  const Case cases[] = {
      {"PNG with a bad CRC", test::Concat({ClassName("TPNGObject"), badCrc}), "EPngInvalidCRC"},
      {"bitmap without BM", test::Concat({ClassName("TBitmap"), notBm}), "EInvalidGraphic"},
      {"cut class name", Bytes{10, 'T', 'P', 'N'}, "EReadError"},
      {"nothing at all", Bytes{}, "EReadError"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Watched w;
    w.Read(test::Concat({ClassName("TPNGObject"), Png4x3()}));
    const TGraphic* before = w.picture.Graphic();
    w.changes = 0;
    try {
      w.Read(c.payload);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.ClassName(), c.errorClass);
    }
    EXPECT_EQ(w.picture.Graphic(), before);
    EXPECT_EQ(w.changes, 0);
  }
}

TEST(PictureData, TheGraphicsOwnChangesReachTheImage) {
  Watched w;
  w.Read(test::Concat({ClassName("TBitmap"), Bitmap1x1Data()}));
  w.changes = 0;
  TBitmap& bitmap = PictureAsBitmap(w.picture);
  bitmap.SetTransparentColour(0x00FF00FF);
  EXPECT_EQ(w.changes, 1);
  bitmap.SetWidth(3);
  EXPECT_EQ(w.changes, 2);
  EXPECT_EQ(w.picture.Width(), 3);
}

TEST(PictureAsBitmap, OnlyABitmapSurvives) {
  struct Case {
    const char* name;
    Bytes payload;  // empty: no graphic
    bool kept;
  };
  const Case cases[] = {
      {"bitmap", test::Concat({ClassName("TBitmap"), Bitmap1x1Data()}), true},
      {"PNG", test::Concat({ClassName("TPNGObject"), Png4x3()}), false},
      {"none", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Watched w;
    if (!c.payload.empty()) w.Read(c.payload);
    const TGraphic* before = w.picture.Graphic();
    w.changes = 0;
    TBitmap& bitmap = PictureAsBitmap(w.picture);
    EXPECT_EQ(w.picture.Graphic(), &bitmap);
    EXPECT_EQ(&bitmap == before, c.kept);
    EXPECT_EQ(w.changes, c.kept ? 0 : 1);
    EXPECT_EQ(bitmap.IsEmpty(), !c.kept);
  }
}

}  // namespace
}  // namespace nivarra
