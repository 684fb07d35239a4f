// The committed scene artwork (assets/art) against what the scene relies on:
// the catalogue's names and sizes, the one PNG layout the program ships,
// the window's opacity and shape, and the layers hiding what they must hide.
// Geometry here comes from the scene's fixed positions, not from the
// generator: the sky strip spans x 45..245 (a glass of radius 100 around
// (145, 105)) and the countdown is written at y 187..207.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "artgen/picture_sizes.h"
#include "scene/countdown.h"
#include "support/libpng_io.h"

namespace nivarra {
namespace {

namespace pt = nivarra::testing;
using Bytes = std::vector<std::uint8_t>;

constexpr int kWidth = artgen::kWindowWidth;
constexpr int kHeight = artgen::kWindowHeight;

// The artwork at 1x, or at 2x or 3x.
std::string ArtPath(const std::string& file, int scale = 1) {
  return std::string(NIVARRA_SOURCE_DIR) + "/assets/art" + (scale == 1 ? "" : "-" + std::to_string(scale) + "x") +
         "/" + file;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t Big32(const Bytes& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

std::uint32_t Little32(const Bytes& b, std::size_t at) {
  return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) | (std::uint32_t{b[at + 2]} << 16) |
         (std::uint32_t{b[at + 3]} << 24);
}

std::uint16_t Little16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// A decoded picture: straight RGBA as the file holds it.
struct Picture {
  int Width = 0;
  int Height = 0;
  Bytes Rgba;
  const std::uint8_t* At(int x, int y) const { return Rgba.data() + (static_cast<std::size_t>(y) * Width + x) * 4; }
  int Alpha(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width || y >= Height) return 0;
    return At(x, y)[3];
  }
};

const Picture& Load(const std::string& name, int scale = 1) {
  static std::map<std::string, Picture> cache;
  const std::string path = ArtPath(name + ".png", scale);
  auto it = cache.find(path);
  if (it != cache.end()) return it->second;
  const Bytes file = ReadFile(path);
  Picture p;
  if (!file.empty()) {
    const pt::DecodedPng decoded = pt::DecodeWithLibpng(file);
    if (decoded.ColourType == 6 && decoded.BitDepth == 8) {
      p.Width = static_cast<int>(decoded.Width);
      p.Height = static_cast<int>(decoded.Height);
      p.Rgba = decoded.Rows;
    }
  }
  return cache.emplace(path, std::move(p)).first->second;
}

struct Mask {
  int Width = 0;
  int Height = 0;
  std::vector<std::array<std::uint8_t, 3>> Pixels;  // blue, green, red; top row first
  const std::array<std::uint8_t, 3>& At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
};

// --- the catalogue -----------------------------------------------------------

using CatalogueEntry = artgen::PictureSize;

// Every picture but the mask, which is a bitmap.
std::vector<CatalogueEntry> PngCatalogue() {
  std::vector<CatalogueEntry> pngs;
  for (const CatalogueEntry& entry : artgen::kPictureSizes) {
    if (std::string_view(entry.Name) != "imgMask") pngs.push_back(entry);
  }
  return pngs;
}

class ArtPngLayout : public ::testing::TestWithParam<CatalogueEntry> {};

// Every picture is one stream of IHDR, tEXt, iTXt, one IDAT and IEND, with
// good CRCs, 8-bit RGBA, not interlaced, at its catalogue size.
TEST_P(ArtPngLayout, HasTheShippedChunkLayoutAndSize) {
  const CatalogueEntry& entry = GetParam();
  const Bytes file = ReadFile(ArtPath(std::string(entry.Name) + ".png"));
  ASSERT_GE(file.size(), 8u) << entry.Name << ".png is missing";
  const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  ASSERT_TRUE(std::equal(signature.begin(), signature.end(), file.begin()));

  std::vector<std::string> types;
  std::size_t at = 8;
  while (at < file.size()) {
    ASSERT_LE(at + 12, file.size()) << "chunk header cut short";
    const std::uint32_t length = Big32(file, at);
    ASSERT_LE(std::size_t{length}, file.size() - at - 12) << "chunk runs past the end";
    types.emplace_back(reinterpret_cast<const char*>(&file[at + 4]), 4);
    const auto crc = static_cast<std::uint32_t>(crc32(0, &file[at + 4], length + 4));
    EXPECT_EQ(crc, Big32(file, at + 8 + length)) << types.back() << " CRC";
    if (types.back() == "IHDR") {
      ASSERT_EQ(length, 13u);
      EXPECT_EQ(Big32(file, at + 8), static_cast<std::uint32_t>(entry.Width));
      EXPECT_EQ(Big32(file, at + 12), static_cast<std::uint32_t>(entry.Height));
      EXPECT_EQ(file[at + 16], 8) << "bit depth";
      EXPECT_EQ(file[at + 17], 6) << "colour type";
      EXPECT_EQ(file[at + 18], 0) << "compression";
      EXPECT_EQ(file[at + 19], 0) << "filter method";
      EXPECT_EQ(file[at + 20], 0) << "interlace";
    }
    at += 12 + std::size_t{length};
  }
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "tEXt", "iTXt", "IDAT", "IEND"}));
}

// The scene's decoder has a fast path for Sub rows; every row must use it.
TEST_P(ArtPngLayout, FiltersEveryRowWithSub) {
  const CatalogueEntry& entry = GetParam();
  const Bytes file = ReadFile(ArtPath(std::string(entry.Name) + ".png"));
  ASSERT_FALSE(file.empty());
  Bytes zdata;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::uint32_t length = Big32(file, at);
    if (std::string(reinterpret_cast<const char*>(&file[at + 4]), 4) == "IDAT") {
      zdata.insert(zdata.end(), file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                   file.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    }
    at += 12 + std::size_t{length};
  }
  const std::size_t rowBytes = 1 + static_cast<std::size_t>(entry.Width) * 4;
  Bytes raw(rowBytes * static_cast<std::size_t>(entry.Height));
  uLongf rawSize = static_cast<uLongf>(raw.size());
  ASSERT_EQ(uncompress(raw.data(), &rawSize, zdata.data(), static_cast<uLong>(zdata.size())), Z_OK);
  ASSERT_EQ(rawSize, raw.size());
  for (int y = 0; y < entry.Height; ++y) {
    ASSERT_EQ(raw[static_cast<std::size_t>(y) * rowBytes], 1) << entry.Name << " row " << y;
  }
}

INSTANTIATE_TEST_SUITE_P(ArtCatalogue, ArtPngLayout, ::testing::ValuesIn(PngCatalogue()),
                         [](const ::testing::TestParamInfo<CatalogueEntry>& entry) { return entry.param.Name; });

// --- the shape mask ----------------------------------------------------------

Mask LoadMask() {
  const Bytes b = ReadFile(ArtPath("imgMask.bmp"));
  Mask m;
  if (b.size() != 234054) return m;
  m.Width = static_cast<int>(Little32(b, 18));
  m.Height = static_cast<int>(Little32(b, 22));
  const std::size_t stride = (static_cast<std::size_t>(m.Width) * 3 + 3) & ~std::size_t{3};
  const std::size_t offset = Little32(b, 10);
  m.Pixels.resize(static_cast<std::size_t>(m.Width) * m.Height);
  for (int y = 0; y < m.Height; ++y) {
    const std::size_t row = offset + stride * static_cast<std::size_t>(m.Height - 1 - y);  // bottom-up
    for (int x = 0; x < m.Width; ++x) {
      const std::size_t p = row + static_cast<std::size_t>(x) * 3;
      m.Pixels[static_cast<std::size_t>(y) * m.Width + x] = {b[p], b[p + 1], b[p + 2]};
    }
  }
  return m;
}

TEST(ArtMask, IsA24BitBottomUpBitmapOfTheWindowSize) {
  const Bytes b = ReadFile(ArtPath("imgMask.bmp"));
  ASSERT_EQ(b.size(), 234054u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(Little32(b, 2), 234054u) << "file size";
  EXPECT_EQ(Little32(b, 10), 54u) << "pixel offset";
  EXPECT_EQ(Little32(b, 14), 40u) << "info header size";
  EXPECT_EQ(Little32(b, 18), 300u);
  EXPECT_EQ(Little32(b, 22), 260u) << "positive height: bottom row first";
  EXPECT_EQ(Little16(b, 26), 1) << "planes";
  EXPECT_EQ(Little16(b, 28), 24) << "bits per pixel";
  EXPECT_EQ(Little32(b, 30), 0u) << "uncompressed";
  EXPECT_EQ(Little32(b, 34), 234000u) << "image size";
  EXPECT_EQ(Little32(b, 38), 5905u);
  EXPECT_EQ(Little32(b, 42), 5905u);
  EXPECT_EQ(Little32(b, 46), 0u);
  EXPECT_EQ(Little32(b, 50), 0u);
}

// White exactly where the window is cut away, which must be exactly where
// imgTree is fully transparent; black wherever imgTree is opaque; greys
// only on the soft edge between.
TEST(ArtMask, CutsAwayExactlyWhereTheGlobeIsTransparent) {
  const Mask mask = LoadMask();
  const Picture& tree = Load("imgTree");
  ASSERT_EQ(mask.Width, kWidth);
  ASSERT_EQ(tree.Width, kWidth);
  int outside = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const auto& p = mask.At(x, y);
      ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << "mask is grey at " << x << "," << y;
      const int a = tree.Alpha(x, y);
      const bool white = p[0] == 255;
      ASSERT_EQ(white, a == 0) << "at " << x << "," << y << " alpha " << a << " mask " << int{p[0]};
      if (a == 255) {
        ASSERT_EQ(p[0], 0) << "at " << x << "," << y;
      }
      outside += white;
    }
  }
  // The four corners and the strips beside the stand are cut away.
  EXPECT_EQ(mask.At(0, 0)[0], 255);
  EXPECT_EQ(mask.At(299, 0)[0], 255);
  EXPECT_EQ(mask.At(0, 259)[0], 255);
  EXPECT_EQ(mask.At(299, 259)[0], 255);
  EXPECT_GT(outside, kWidth * kHeight / 5);
}

// --- the window's opacity ------------------------------------------------------

bool InGlass(double x, double y, double radius) {
  const double dx = x + 0.5 - 145, dy = y + 0.5 - 105;
  return dx * dx + dy * dy < radius * radius;
}

TEST(ArtGlobeOpacity, IsOpaqueOverTheGlassAndThePlaque) {
  const Picture& tree = Load("imgTree");
  ASSERT_EQ(tree.Width, kWidth);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (InGlass(x, y, 100)) {
        ASSERT_EQ(tree.Alpha(x, y), 255) << "glass at " << x << "," << y;
      }
    }
  }
  // The countdown's widest text (three digits) runs from x 96 to 203.
  for (int y = 183; y < 212; ++y) {
    for (int x = 88; x < 210; ++x) ASSERT_EQ(tree.Alpha(x, y), 255) << "plaque at " << x << "," << y;
  }
}

TEST(ArtGlobeOpacity, IsPartlyTransparentOnlyOnTheOutlinesEdge) {
  const Picture& tree = Load("imgTree");
  ASSERT_EQ(tree.Width, kWidth);
  int partial = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int a = tree.Alpha(x, y);
      if (a == 0 || a == 255) continue;
      ++partial;
      bool besideOutside = false;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) besideOutside |= tree.Alpha(x + dx, y + dy) == 0;
      }
      EXPECT_TRUE(besideOutside) << "partial alpha " << a << " inside the globe at " << x << "," << y;
    }
  }
  // One anti-aliased ring round an outline some 900 pixels long.
  EXPECT_GT(partial, 300);
  EXPECT_LT(partial, 1400);
}

TEST(ArtGlobeOpacity, HasNoHolesAndOneOutline) {
  // Every transparent pixel is reachable from the window's border through
  // transparent pixels, and every visible pixel from the glass's centre.
  const Picture& tree = Load("imgTree");
  ASSERT_EQ(tree.Width, kWidth);
  auto flood = [&](int sx, int sy, bool transparent) {
    std::vector<char> seen(static_cast<std::size_t>(kWidth) * kHeight, 0);
    std::vector<std::pair<int, int>> stack = {{sx, sy}};
    int count = 0;
    while (!stack.empty()) {
      auto [x, y] = stack.back();
      stack.pop_back();
      if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) continue;
      char& s = seen[static_cast<std::size_t>(y) * kWidth + x];
      if (s || (tree.Alpha(x, y) == 0) != transparent) continue;
      s = 1;
      ++count;
      stack.insert(stack.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
    }
    return count;
  };
  int transparent = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) transparent += tree.Alpha(x, y) == 0;
  }
  EXPECT_EQ(flood(0, 0, true), transparent);
  EXPECT_EQ(flood(145, 105, false), kWidth * kHeight - transparent);
}

// A frame starts as imgTree premultiplied; the sky strip and the sun's glow
// paint colour bytes everywhere, including where the window is not opaque.
// The globe's front must put BaseImage's colour back there, or the desktop
// would see a brightened fringe and glowing corners.
TEST(ArtGlobeOpacity, FrontRestoresEveryPixelThatIsNotOpaque) {
  const Picture& tree = Load("imgTree");
  const Picture& front = Load("img3");
  ASSERT_EQ(tree.Width, kWidth);
  ASSERT_EQ(front.Width, kWidth);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int a = tree.Alpha(x, y);
      if (a == 255) continue;
      ASSERT_EQ(front.Alpha(x, y), 255) << "at " << x << "," << y;
      for (int c = 0; c < 3; ++c) {
        const double premultiplied = tree.At(x, y)[c] * a / 255.0;
        ASSERT_NEAR(front.At(x, y)[c], premultiplied, 1.0) << "at " << x << "," << y << " channel " << c;
      }
    }
  }
}

TEST(ArtGlobeOpacity, FrontIsSeeThroughGlassOnAnOpaqueStand) {
  const Picture& front = Load("img3");
  ASSERT_EQ(front.Width, kWidth);
  // Across the sky, the village and the snowdrifts the scene shows through.
  int clearSamples = 0, samples = 0;
  for (int y = 15; y < 160; y += 5) {
    for (int x = 60; x < 235; x += 5) {
      if (!InGlass(x, y, 92)) continue;
      ++samples;
      clearSamples += front.Alpha(x, y) < 100;
    }
  }
  ASSERT_GT(samples, 500);
  EXPECT_GT(clearSamples, samples * 9 / 10);
  // The stand and the plaque hide everything behind them.
  for (int y = 180; y < 245; ++y) {
    for (int x = 70; x < 220; ++x) ASSERT_EQ(front.Alpha(x, y), 255) << "stand at " << x << "," << y;
  }
}

// BaseImage alone is shown when the transparency changes, then frames with
// the front over it: the stand and rim must look the same in both.
TEST(ArtGlobeOpacity, EmptyGlobeAndFrontShowTheSameStand) {
  const Picture& tree = Load("imgTree");
  const Picture& front = Load("img3");
  ASSERT_EQ(tree.Width, kWidth);
  ASSERT_EQ(front.Width, kWidth);
  int compared = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (tree.Alpha(x, y) != 255 || front.Alpha(x, y) != 255) continue;
      ++compared;
      for (int c = 0; c < 3; ++c) {
        ASSERT_NEAR(front.At(x, y)[c], tree.At(x, y)[c], 1) << "at " << x << "," << y;
      }
    }
  }
  EXPECT_GT(compared, 15000);
}

// --- layers hiding what they must --------------------------------------------

// For columns across the glass: the first fully opaque row of the landscape.
int Skyline(const Picture& landscape, int x) {
  for (int y = 0; y < kHeight; ++y) {
    if (landscape.Alpha(x, y) == 255) return y;
  }
  return kHeight;
}

TEST(ArtScenery, LandscapeIsOpaqueFromItsSkylineDown) {
  const Picture& landscape = Load("imgLandscape");
  const Picture& front = Load("img3");
  ASSERT_EQ(landscape.Width, kWidth);
  for (int x = 52; x < 238; ++x) {
    const int skyline = Skyline(landscape, x);
    EXPECT_GT(skyline, 90) << "column " << x << ": leaves too little sky";
    EXPECT_LT(skyline, 160) << "column " << x << ": no hills";
    // Down to where the stand takes over, nothing behind shows through.
    for (int y = skyline; y < kHeight && front.Alpha(x, y) < 255; ++y) {
      ASSERT_EQ(landscape.Alpha(x, y), 255) << "hole in the hills at " << x << "," << y;
    }
  }
}

// Whether a sprite drawn at (left, top) shows any of its disc (its fully
// opaque pixels) past the landscape and the globe's front.
int VisibleDiscPixels(const Picture& sprite, int left, int top) {
  const Picture& landscape = Load("imgLandscape");
  const Picture& front = Load("img3");
  int visible = 0;
  for (int y = 0; y < sprite.Height; ++y) {
    for (int x = 0; x < sprite.Width; ++x) {
      if (sprite.Alpha(x, y) < 255) continue;
      const int wx = left + x, wy = top + y;
      if (wx < 0 || wy < 0 || wx >= kWidth || wy >= kHeight) continue;
      visible += landscape.Alpha(wx, wy) < 255 && front.Alpha(wx, wy) < 255;
    }
  }
  return visible;
}

TEST(ArtScenery, BodiesRiseFromBehindTheHills) {
  // The sun appears at (-30, 65) and the moon at (0, 100), then climb one
  // pixel right and up per step; both start hidden and come into view.
  for (int f = 1; f <= 5; ++f) {
    const Picture& sun = Load("sun" + std::to_string(f));
    const Picture& moon = Load("moon" + std::to_string(f));
    ASSERT_EQ(sun.Width, artgen::kSunSize);
    ASSERT_EQ(moon.Width, artgen::kMoonSize);
    EXPECT_EQ(VisibleDiscPixels(sun, -30, 65), 0) << "sun" << f;
    EXPECT_EQ(VisibleDiscPixels(moon, 0, 100), 0) << "moon" << f;
    EXPECT_GT(VisibleDiscPixels(sun, -30 + 60, 65 - 60), 100) << "sun" << f << " once risen";
    EXPECT_GT(VisibleDiscPixels(moon, 60, 100 - 60), 100) << "moon" << f << " once risen";
  }
}

TEST(ArtScenery, SettingSunSinksOutOfSight) {
  // It starts at (-40, -100) and moves one pixel right and down per step,
  // some 350 steps before the night; over the last half it is gone.
  for (int f = 1; f <= 5; ++f) {
    const Picture& sun = Load("sundown" + std::to_string(f));
    ASSERT_EQ(sun.Width, artgen::kSunSize);
    EXPECT_GT(VisibleDiscPixels(sun, -40 + 120, -100 + 120), 100) << "sundown" << f << " in the sky";
    for (int step = 175; step <= 360; step += 5) {
      EXPECT_EQ(VisibleDiscPixels(sun, -40 + step, -100 + step), 0) << "sundown" << f << " at step " << step;
    }
  }
}

TEST(ArtScenery, SpritesFadeOutBeforeTheirEdges) {
  // A box edge would show as a seam wherever a sprite overlaps the sky.
  for (const char* body : {"sun", "sundown", "moon"}) {
    for (int f = 1; f <= 5; ++f) {
      const std::string name = body + std::to_string(f);
      const Picture& p = Load(name);
      ASSERT_GT(p.Width, 0) << name;
      for (int i = 0; i < p.Width; ++i) {
        ASSERT_EQ(p.Alpha(i, 0), 0) << name;
        ASSERT_EQ(p.Alpha(i, p.Height - 1), 0) << name;
        ASSERT_EQ(p.Alpha(0, i), 0) << name;
        ASSERT_EQ(p.Alpha(p.Width - 1, i), 0) << name;
      }
      // The disc sits in the sprite's centre.
      const int c = p.Width / 2;
      EXPECT_EQ(p.Alpha(c, c), 255) << name;
    }
  }
}

TEST(ArtScenery, AnimationFramesDifferGently) {
  for (const char* body : {"sun", "sundown", "moon"}) {
    for (int f = 1; f <= 5; ++f) {
      const Picture& a = Load(body + std::to_string(f));
      const Picture& b = Load(body + std::to_string(f % 5 + 1));  // frame 5 loops to 1
      ASSERT_EQ(a.Rgba.size(), b.Rgba.size());
      double total = 0;
      for (std::size_t i = 0; i < a.Rgba.size(); ++i) total += std::abs(a.Rgba[i] - b.Rgba[i]);
      const double mean = total / static_cast<double>(a.Rgba.size());
      EXPECT_GT(mean, 0.05) << body << f << " and the next frame look the same";
      EXPECT_LT(mean, 12.0) << body << f << " jumps to the next frame";
    }
  }
}

double Luminance(const std::uint8_t* p) { return 0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2]; }

TEST(ArtScenery, SkyRunsFromNightThroughSunsetToDay) {
  const Picture& sky = Load("imgDay");
  ASSERT_EQ(sky.Height, artgen::kStripHeight);
  auto rowMean = [&](int y) {
    double sum = 0;
    for (int x = 0; x < sky.Width; ++x) sum += Luminance(sky.At(x, y));
    return sum / sky.Width;
  };
  for (int y = 0; y < sky.Height; ++y) {
    for (int x = 0; x < sky.Width; ++x) ASSERT_EQ(sky.Alpha(x, y), 255) << "sky row " << y;
  }
  // Offset 0 shows rows up to ~150 above the hills: night.
  for (int y = 0; y < 150; y += 10) EXPECT_LT(rowMean(y), 30) << "row " << y;
  // Offset -601 shows rows from 606: day.
  for (int y = 606; y < sky.Height; y += 10) EXPECT_GT(rowMean(y), 160) << "row " << y;
  // Somewhere between lies a warm sunset band.
  bool warm = false;
  for (int y = 300; y < 560; ++y) {
    const std::uint8_t* p = sky.At(100, y);
    warm |= p[0] > 220 && p[0] > p[2] + 70;
  }
  EXPECT_TRUE(warm);
}

TEST(ArtScenery, SkyChangesSmoothlyFromRowToRow) {
  // The strip scrolls one row per step: a jump between neighbouring rows
  // would show as a band sliding through the glass.
  const Picture& sky = Load("imgDay");
  ASSERT_EQ(sky.Height, artgen::kStripHeight);
  auto rowColour = [&](int y, int c) {
    double sum = 0;
    for (int x = 0; x < sky.Width; ++x) sum += sky.At(x, y)[c];
    return sum / sky.Width;
  };
  for (int y = 1; y < sky.Height; ++y) {
    for (int c = 0; c < 3; ++c) {
      ASSERT_LT(std::fabs(rowColour(y, c) - rowColour(y - 1, c)), 3.0) << "rows " << y - 1 << "/" << y;
    }
  }
  // Each row is one colour across the glass, up to a little dither.
  for (int y = 0; y < sky.Height; y += 7) {
    for (int x = 0; x < sky.Width; ++x) {
      for (int c = 0; c < 3; ++c) ASSERT_NEAR(sky.At(x, y)[c], rowColour(y, c), 2.0) << x << "," << y;
    }
  }
}

TEST(ArtScenery, StarsStayInTheGlassAndFadeIntoTheDay) {
  const Picture& stars = Load("imgStars");
  ASSERT_EQ(stars.Width, kWidth);
  int shining = 0, maxAlpha = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int a = stars.Alpha(x, y);
      if (a == 0) continue;
      ASSERT_TRUE(InGlass(x, y, 100)) << "star outside the glass at " << x << "," << y;
      shining += a >= 40;
      maxAlpha = std::max(maxAlpha, a);
    }
  }
  EXPECT_GT(shining, 60);
  EXPECT_LE(maxAlpha, 170) << "a star this strong would show in the day sky";
}

// --- flakes and lettering ------------------------------------------------------

TEST(ArtFlakes, NearFlakesOutshineFarOnes) {
  auto peak = [](const char* name) {
    const Picture& p = Load(name);
    int best = 0;
    for (int y = 0; y < p.Height; ++y) {
      for (int x = 0; x < p.Width; ++x) best = std::max(best, p.Alpha(x, y) * static_cast<int>(Luminance(p.At(x, y))));
    }
    return best;
  };
  EXPECT_LT(peak("Snow1"), peak("Snow3"));
  EXPECT_LT(peak("Snow2"), peak("Snow4"));
  EXPECT_LE(peak("Snow4"), peak("Snow5"));
  for (const char* name : {"Snow2", "Snow4", "Snow5", "Snow6"}) {
    const Picture& p = Load(name);
    ASSERT_GT(p.Width, 0);
    const int c = p.Width / 2;
    EXPECT_EQ(peak(name), p.Alpha(c, c) * static_cast<int>(Luminance(p.At(c, c)))) << name << " peaks off-centre";
  }
}

TEST(ArtLettering, DigitsHaveTheirCatalogueWidths) {
  for (int d = 0; d <= 9; ++d) {
    const Picture& p = Load("d" + std::to_string(d));
    EXPECT_EQ(p.Width, artgen::kDigitWidths[d]) << "d" << d;
    EXPECT_EQ(p.Height, artgen::kDigitHeight) << "d" << d;
  }
  EXPECT_EQ(Load("imgDDay").Width, artgen::kDayLabelWidth);
  EXPECT_EQ(Load("imgDays").Width, artgen::kDaysLabelWidth);
}

// Figures advance by their width minus two, so neighbouring boxes overlap by
// two columns: ink there would run into the next figure.
TEST(ArtLettering, GlyphsLeaveTheOverlappingColumnsClear) {
  std::vector<std::string> names;
  for (int d = 0; d <= 9; ++d) names.push_back("d" + std::to_string(d));
  names.push_back("imgDDay");
  names.push_back("imgDays");
  for (const std::string& name : names) {
    const Picture& p = Load(name);
    ASSERT_GT(p.Width, 4) << name;
    int ink = 0;
    for (int y = 0; y < p.Height; ++y) {
      for (int x = 0; x < p.Width; ++x) {
        const bool edge = x < 2 || x >= p.Width - 2;
        if (edge) {
          EXPECT_EQ(p.Alpha(x, y), 0) << name << " at " << x << "," << y;
        }
        ink += p.Alpha(x, y) > 128;
      }
    }
    EXPECT_GT(ink, 15) << name << " is nearly empty";
  }
}

struct InkRows {
  int Top = 99, Bottom = -1;
};

InkRows InkRowsOf(const Picture& p, int fromX, int toX) {
  InkRows r;
  for (int y = 0; y < p.Height; ++y) {
    for (int x = fromX; x < toX; ++x) {
      if (p.Alpha(x, y) < 160) continue;
      r.Top = std::min(r.Top, y);
      r.Bottom = std::max(r.Bottom, y);
    }
  }
  return r;
}

TEST(ArtLettering, FiguresShareOneBaselineAndHeight) {
  const InkRows zero = InkRowsOf(Load("d0"), 0, 17);
  ASSERT_GE(zero.Bottom, 0);
  EXPECT_GE(zero.Bottom - zero.Top, 11) << "figures too small for the plaque";
  for (int d = 1; d <= 9; ++d) {
    const Picture& p = Load("d" + std::to_string(d));
    const InkRows r = InkRowsOf(p, 0, p.Width);
    EXPECT_NEAR(r.Top, zero.Top, 1) << "d" << d;
    EXPECT_NEAR(r.Bottom, zero.Bottom, 1) << "d" << d;
  }
  // "day" and "days": the first letter (d) rises to the figures' height and
  // sits on their baseline; the y hangs below it.
  for (const char* label : {"imgDDay", "imgDays"}) {
    const Picture& p = Load(label);
    const InkRows d = InkRowsOf(p, 0, 13);
    EXPECT_NEAR(d.Top, zero.Top, 1) << label;
    EXPECT_NEAR(d.Bottom, zero.Bottom, 1) << label;
    const InkRows y = InkRowsOf(p, 27, 40);
    EXPECT_GT(y.Bottom, zero.Bottom + 1) << label << ": the y has no descender";
  }
}

// Writes every count the plaque can show the way the countdown does: shift
// by the number of figures, advance by width - 2, a gap of 8, then the word.
TEST(ArtLettering, EveryCountFitsOnThePlaqueFace) {
  const Picture& front = Load("img3");
  ASSERT_EQ(front.Width, kWidth);
  // The plaque face: where the front is opaque and bright brass.
  auto onFace = [&](int x, int y) {
    const std::uint8_t* p = front.At(x, y);
    return front.Alpha(x, y) == 255 && Luminance(p) > 120 && p[0] > p[2] + 40;
  };
  int left = kWidth, right = 0;
  for (int days = 0; days < 368; ++days) {
    const std::string s = std::to_string(days);
    const int shift = s == "1" ? 10 : s.size() == 1 ? 0 : s.size() == 2 ? -4 : -9;
    std::vector<std::pair<std::string, int>> glyphs;
    int x = 105;
    for (char c : s) {
      glyphs.emplace_back(std::string("d") + c, shift + x);
      x += Load(glyphs.back().first).Width - 2;
    }
    glyphs.emplace_back(s == "1" ? "imgDDay" : "imgDays", shift + x + 8);
    for (const auto& [name, gx] : glyphs) {
      const Picture& p = Load(name);
      ASSERT_GT(p.Width, 0) << name;
      for (int y = 0; y < p.Height; ++y) {
        for (int px = 0; px < p.Width; ++px) {
          if (p.Alpha(px, y) == 0) continue;
          left = std::min(left, gx + px);
          right = std::max(right, gx + px);
          ASSERT_TRUE(onFace(gx + px, 187 + y)) << days << ": " << name << " leaves the plaque at " << gx + px
                                                << "," << 187 + y;
        }
      }
    }
  }
  // The plaque frames the writing with some room either side.
  int faceLeft = left, faceRight = right;
  while (faceLeft > 0 && onFace(faceLeft - 1, 197)) --faceLeft;
  while (faceRight < kWidth - 1 && onFace(faceRight + 1, 197)) ++faceRight;
  EXPECT_GE(left - faceLeft, 4);
  EXPECT_GE(faceRight - right, 4);
}

// Every language's word in each of its plural forms, written after every
// count as the countdown places it, keeps at least one pixel of the
// plaque's face between its ink and either pin, at 1x, 2x and 3x. The pins
// sit on the writing's middle row; the face runs smoothly up to them.
TEST(ArtLettering, EveryWordAndCountStaysBetweenThePins) {
  std::vector<std::string> words{"imgDDay", "imgDays"};
  for (const auto& entry : std::filesystem::directory_iterator(ArtPath(""))) {
    if (entry.path().stem().string().starts_with("imgDays_")) words.push_back(entry.path().stem().string());
  }
  ASSERT_GE(words.size(), 2u + 11 * 2);
  const auto digitWidth = [](char digit) { return Load(std::string("d") + digit).Width; };
  for (int scale : {1, 2, 3}) {
    const Picture& front = Load("img3", scale);
    ASSERT_EQ(front.Width, kWidth * scale);
    const int row = 197 * scale + scale / 2;
    const auto step = [&](int x, int next) {
      const std::uint8_t* a = front.At(x, row);
      const std::uint8_t* b = front.At(next, row);
      return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
    };
    int faceLeft = 147 * scale, faceRight = 147 * scale;
    while (faceLeft > 0 && step(faceLeft, faceLeft - 1) < 16) --faceLeft;
    while (faceRight < front.Width - 1 && step(faceRight, faceRight + 1) < 16) ++faceRight;
    EXPECT_LT(faceLeft, 92 * scale) << scale << "x: no pin found left of the writing";
    EXPECT_GT(faceRight, 203 * scale) << scale << "x: no pin found right of the writing";
    // The columns of each picture that carry ink.
    std::map<std::string, std::pair<int, int>> inkColumns;
    const auto ink = [&](const std::string& name) {
      auto [it, added] = inkColumns.try_emplace(name, INT_MAX, INT_MIN);
      const Picture& p = Load(name, scale);
      for (int y = 0; added && y < p.Height; ++y) {
        for (int x = 0; x < p.Width; ++x) {
          if (p.Alpha(x, y) == 0) continue;
          it->second.first = std::min(it->second.first, x);
          it->second.second = std::max(it->second.second, x);
        }
      }
      return it->second;
    };
    for (const std::string& word : words) {
      const int width = Load(word).Width;
      ASSERT_GT(width, 0) << word;
      for (int days = 0; days <= 367; ++days) {
        int left = INT_MAX, right = INT_MIN;
        for (const CountdownGlyph& glyph :
             CountdownGlyphs(days, digitWidth, [&](int) { return PlaqueLabel{word, width}; })) {
          const auto [first, last] = ink(glyph.Name);
          left = std::min(left, glyph.X * scale + first);
          right = std::max(right, glyph.X * scale + last);
        }
        if (left < faceLeft + scale || right > faceRight - scale) {
          ADD_FAILURE() << scale << "x: " << days << " " << word << " writes from " << left << " to " << right
                        << ", the face between the pins runs from " << faceLeft << " to " << faceRight;
          break;
        }
      }
    }
  }
}

TEST(ArtLettering, ReadsClearlyOnThePlaque) {
  // Compare the lettering's ink with the plaque face it is written on.
  const Picture& front = Load("img3");
  ASSERT_EQ(front.Width, kWidth);
  double plaque = 0;
  int plaqueSamples = 0;
  for (int y = 187; y < 207; ++y) {
    for (int x = 100; x < 200; ++x) {
      plaque += Luminance(front.At(x, y));
      ++plaqueSamples;
    }
  }
  plaque /= plaqueSamples;
  for (const char* name : {"d0", "d1", "d2", "d3", "d4", "d5", "d6", "d7", "d8", "d9", "imgDDay", "imgDays"}) {
    const Picture& p = Load(name);
    double ink = 0;
    int inkSamples = 0;
    for (int y = 0; y < p.Height; ++y) {
      for (int x = 0; x < p.Width; ++x) {
        if (p.Alpha(x, y) < 250) continue;
        ink += Luminance(p.At(x, y));
        ++inkSamples;
      }
    }
    ASSERT_GT(inkSamples, 10) << name;
    EXPECT_GT(plaque - ink / inkSamples, 110) << name << " hardly stands out from the plaque";
  }
}

}  // namespace
}  // namespace nivarra
