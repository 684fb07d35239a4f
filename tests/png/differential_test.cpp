// Our reader against libpng's: the same bytes, written by libpng, must give
// the stored rows, colour table, alpha plane and transparency kind that
// libpng's raw samples imply under our storage rules. Blending is checked
// against the same samples with the blend formula worked out here.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "graphics/exception.h"
#include "graphics/pixel_store.h"
#include "graphics/stream.h"
#include "png/chunk.h"
#include "png/draw.h"
#include "png/png_object.h"
#include "support/libpng_io.h"

namespace nivarra {
namespace {

namespace pt = nivarra::testing;
using Bytes = std::vector<std::uint8_t>;
using GammaTable = std::array<std::uint8_t, 256>;

// --- our storage rules, worked out from libpng's samples -----------------

int StoredBitCount(int colourType, int bitDepth) {
  switch (colourType) {
    case 0:
    case 3: return bitDepth == 1 ? 1 : bitDepth <= 4 ? 4 : 8;
    case 4: return 8;
    default: return 24;
  }
}

std::size_t StoredStride(std::uint32_t width, int bitCount) {
  return ((static_cast<std::size_t>(bitCount) * width + 31) & ~std::size_t{31}) / 8;
}

// gammaBeforeIdat 0: no gAMA before IDAT, or one of 0, which changes nothing.
GammaTable ExpectedGammaMap(std::uint32_t gammaBeforeIdat) {
  GammaTable map{};
  for (int i = 0; i < 256; ++i) map[i] = static_cast<std::uint8_t>(i);
  if (gammaBeforeIdat == 0) return map;
  const double exponent = 1.0 / (gammaBeforeIdat / 100000.0 * 2.2);
  for (int i = 1; i < 256; ++i) {
    const double value = std::exp(exponent * std::log(i / 255.0)) * 255.0;
    map[i] = static_cast<std::uint8_t>(std::nearbyint(value));  // ties to even
  }
  map[0] = 0;
  return map;
}

std::uint8_t High(const pt::DecodedPng& ref, std::uint16_t sample) {
  return static_cast<std::uint8_t>(ref.BitDepth == 16 ? sample >> 8 : sample);
}

void PutBits(Bytes& row, std::size_t x, int bits, unsigned value) {
  const std::size_t bit = x * static_cast<std::size_t>(bits);
  const int shift = 8 - bits - static_cast<int>(bit % 8);
  row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] | (value << shift));
}

Bytes ExpectedStoredRow(const pt::DecodedPng& ref, std::uint32_t y, const GammaTable& gamma) {
  const int bitCount = StoredBitCount(ref.ColourType, ref.BitDepth);
  Bytes row(StoredStride(ref.Width, bitCount), 0);
  for (std::uint32_t x = 0; x < ref.Width; ++x) {
    switch (ref.ColourType) {
      case 0:
      case 3: {
        const unsigned s = ref.Sample(x, y, 0);
        if (ref.BitDepth == 16) {
          row[x] = static_cast<std::uint8_t>(s >> 8);
        } else {
          // 2-bit grey becomes a 4-bit index into the 16-entry grey ramp.
          const unsigned v = ref.ColourType == 0 && ref.BitDepth == 2 ? 5 * s : s;
          PutBits(row, x, bitCount, v);
        }
        break;
      }
      case 4:
        row[x] = High(ref, ref.Sample(x, y, 0));
        break;
      default:
        for (int c = 0; c < 3; ++c) row[3 * x + static_cast<std::size_t>(2 - c)] = gamma[High(ref, ref.Sample(x, y, c))];
        break;
    }
  }
  return row;
}

// Entries the colour table must hold (the rest are not ours to judge).
std::vector<RGBQuad> ExpectedColourTable(const pt::DecodedPng& ref, const GammaTable& gamma) {
  std::vector<RGBQuad> table;
  if (ref.ColourType == 3) {
    for (const pt::Rgb& e : ref.Palette) table.push_back({gamma[e[2]], gamma[e[1]], gamma[e[0]], 0});
  } else if (ref.ColourType == 0 || ref.ColourType == 4) {
    const int k = ref.ColourType == 4 || ref.BitDepth >= 8 ? 256 : ref.BitDepth == 1 ? 2 : 16;
    for (int n = 0; n < k; ++n) {
      const auto v = gamma[static_cast<std::size_t>(std::lround(n * 255.0 / (k - 1)))];
      table.push_back({v, v, v, 0});
    }
  }
  return table;
}

int ExpectedTransparencyKind(const pt::DecodedPng& ref) {
  switch (ref.ColourType) {
    case 0:
    case 2: return ref.TrnsKey ? kTransparencyColourKey : kTransparencyNone;
    case 3: {
      if (ref.TrnsAlpha.empty()) return kTransparencyNone;
      int translucent = 0;
      for (std::uint8_t a : ref.TrnsAlpha) translucent += a != 255;
      return translucent == 1 ? kTransparencyColourKey : kTransparencyAlpha;
    }
    default: return kTransparencyAlpha;
  }
}

std::string Hex(const std::uint8_t* p, std::size_t n) {
  std::string out;
  char buf[4];
  for (std::size_t i = 0; i < n && i < 48; ++i) {
    std::snprintf(buf, sizeof buf, "%02x ", p[i]);
    out += buf;
  }
  if (n > 48) out += "...";
  return out;
}

// Reads file with our reader; a failure names the exception.
bool ReadOurs(const Bytes& file, TPNGObject& png) {
  TMemoryStream stream(file);
  try {
    png.ReadPngStream(stream);
    return true;
  } catch (const Exception& e) {
    ADD_FAILURE() << "our reader raised " << e.ClassName() << ": " << e.Message();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "our reader threw " << e.what();
  }
  return false;
}

// Reports the first entry that differs.
bool SameGammaMap(const GammaTable& got, const GammaTable& want) {
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (got[i] != want[i]) {
      ADD_FAILURE() << "GammaMap[" << i << "] is " << int{got[i]} << ", expected " << int{want[i]};
      return false;
    }
  }
  return true;
}

// Failures recorded in the running test so far (successes are not recorded).
int FailuresSoFar() {
  return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
}

// Compares everything our reader stored against what libpng read; false
// after the first difference, which is reported. checkGammaMap off leaves
// the map itself unjudged (the stored colours are judged all the same).
bool MatchesReference(const Bytes& file, std::uint32_t gammaBeforeIdat, bool checkGammaMap = true) {
  const int failuresBefore = FailuresSoFar();
  pt::DecodedPng ref;
  try {
    ref = pt::DecodeWithLibpng(file);
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what();
    return false;
  }
  TPNGObject png;
  if (!ReadOurs(file, png)) return false;

  const TChunkIHDR& header = png.HeaderChunk();
  EXPECT_EQ(header.Width, static_cast<std::int32_t>(ref.Width));
  EXPECT_EQ(header.Height, static_cast<std::int32_t>(ref.Height));
  EXPECT_EQ(header.BitDepth, ref.BitDepth);
  EXPECT_EQ(header.ColourType, ref.ColourType);
  EXPECT_EQ(header.InterlaceMethod, ref.Interlace);

  const GammaTable gamma = ExpectedGammaMap(gammaBeforeIdat);
  if (checkGammaMap && !SameGammaMap(png.GammaMap, gamma)) return false;

  const ImageStorage& storage = header.Storage;
  const int bitCount = StoredBitCount(ref.ColourType, ref.BitDepth);
  const std::size_t stride = StoredStride(ref.Width, bitCount);
  EXPECT_EQ(storage.DibInfo.Header.BitCount, bitCount);
  if (storage.RowStride != static_cast<std::int32_t>(stride) || storage.Pixels.size() != stride * ref.Height) {
    ADD_FAILURE() << "stored geometry: stride " << storage.RowStride << " (expected " << stride << "), "
                  << storage.Pixels.size() << " pixel bytes";
    return false;
  }

  const std::vector<RGBQuad> table = ExpectedColourTable(ref, gamma);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const RGBQuad& got = storage.DibInfo.Colours[i];
    if (!(got == table[i])) {
      ADD_FAILURE() << "colour table entry " << i << " is (b,g,r,x) " << int{got.Blue} << ","
                    << int{got.Green} << "," << int{got.Red} << "," << int{got.Reserved} << ", expected "
                    << int{table[i].Blue} << "," << int{table[i].Green} << "," << int{table[i].Red} << ",0";
      return false;
    }
  }

  for (std::uint32_t y = 0; y < ref.Height; ++y) {
    const Bytes expected = ExpectedStoredRow(ref, y, gamma);
    const std::uint8_t* stored = storage.Pixels.data() + (ref.Height - 1 - y) * stride;
    if (png.PixelRow(static_cast<int>(y)) != stored) {
      ADD_FAILURE() << "PixelRow(" << y << ") is not the bottom-up stored row";
      return false;
    }
    if (std::memcmp(stored, expected.data(), stride) != 0) {
      std::size_t at = 0;
      while (stored[at] == expected[at]) ++at;
      ADD_FAILURE() << "row " << y << " differs from byte " << at << " of " << stride << "\n  expected "
                    << Hex(expected.data() + at, stride - at) << "\n  actual   " << Hex(stored + at, stride - at);
      return false;
    }
  }

  const bool hasAlpha = ref.ColourType == 4 || ref.ColourType == 6;
  if (!hasAlpha) {
    EXPECT_TRUE(storage.AlphaPlane.empty());
    if (ref.Height > 0) {
      EXPECT_EQ(png.AlphaRow(0), nullptr);
    }
  } else {
    if (storage.AlphaPlane.size() != std::size_t{ref.Width} * ref.Height) {
      ADD_FAILURE() << "alpha plane holds " << storage.AlphaPlane.size() << " bytes";
      return false;
    }
    const int alpha = ref.Channels() - 1;
    for (std::uint32_t y = 0; y < ref.Height; ++y) {
      const std::uint8_t* row = png.AlphaRow(static_cast<int>(y));
      if (row != storage.AlphaPlane.data() + std::size_t{y} * ref.Width) {
        ADD_FAILURE() << "AlphaRow(" << y << ") is not row " << y << " of the plane";
        return false;
      }
      for (std::uint32_t x = 0; x < ref.Width; ++x) {
        const std::uint8_t want = High(ref, ref.Sample(x, y, alpha));
        if (row[x] != want) {
          ADD_FAILURE() << "alpha at (" << x << "," << y << ") is " << int{row[x]} << ", expected " << int{want};
          return false;
        }
      }
    }
  }

  EXPECT_EQ(png.TransparencyKind(), ExpectedTransparencyKind(ref));
  const TChunktRNS* trns = png.ChunkList.FirstOfClass<TChunktRNS>();
  EXPECT_EQ(trns != nullptr, ref.TrnsKey.has_value() || !ref.TrnsAlpha.empty());
  if (trns != nullptr && ref.ColourType == 3) {
    for (std::size_t i = 0; i < ref.TrnsAlpha.size(); ++i) {
      EXPECT_EQ(trns->AlphaValues[i], ref.TrnsAlpha[i]) << "tRNS entry " << i;
    }
  }

  // Latin-1 text chunks, in file order; iTXt is not one of ours.
  std::vector<std::pair<std::string, std::string>> wantTexts, gotTexts;
  for (const pt::TextChunk& t : ref.Texts) {
    if (t.Kind != pt::TextKind::iTXt) wantTexts.emplace_back(t.Keyword, t.Text);
  }
  for (int i = 0; i < png.ChunkList.Count(); ++i) {
    if (const auto* text = dynamic_cast<const TChunktEXt*>(png.ChunkList.Item(i))) {
      gotTexts.emplace_back(text->Keyword, text->Text);
    }
  }
  EXPECT_EQ(gotTexts, wantTexts);
  return FailuresSoFar() == failuresBefore;
}

// --- the decode matrix -----------------------------------------------------

struct Format {
  int ColourType;
  int BitDepth;
  int Interlace;
};

const char* ColourName(int colourType) {
  switch (colourType) {
    case 0: return "Grey";
    case 2: return "Rgb";
    case 3: return "Indexed";
    case 4: return "GreyAlpha";
    default: return "Rgba";
  }
}

std::vector<Format> AllFormats() {
  const std::pair<int, int> legal[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                       {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  std::vector<Format> formats;
  for (const auto& [type, depth] : legal) {
    for (int interlace = 0; interlace < 2; ++interlace) formats.push_back({type, depth, interlace});
  }
  return formats;
}

struct DecodeCase {
  pt::PngRecipe Recipe;
  bool GammaAfterIdat = false;  // a gAMA between IDAT and IEND, spliced in
  std::string Name;
};

const char* const kFilterNames[] = {"none", "sub", "up", "avg", "paeth"};

// Every filter at every size plainly, and once more dressed with the chunks
// that may change what is stored: tRNS, gAMA (also 0 and after IDAT), PLTE in
// grey, text, and IDAT cut into small pieces.
std::vector<DecodeCase> CasesFor(const Format& format) {
  const std::pair<std::uint32_t, std::uint32_t> sizes[] = {{1, 1}, {3, 7}, {33, 17}, {64, 5}};
  const std::uint32_t gammas[] = {45455, 100000, 0};
  const bool grey = format.ColourType == 0 || format.ColourType == 4;
  const std::uint32_t maxSample = (1u << format.BitDepth) - 1;
  std::vector<DecodeCase> cases;
  int k = 0;
  for (const auto& [w, h] : sizes) {
    for (int f = 0; f < 5; ++f, ++k) {
      pt::PngRecipe recipe;
      recipe.Width = w;
      recipe.Height = h;
      recipe.ColourType = format.ColourType;
      recipe.BitDepth = format.BitDepth;
      recipe.Interlace = format.Interlace;
      recipe.RowFilter = static_cast<pt::Filter>(f);
      recipe.Seed = static_cast<std::uint32_t>(1000 * format.ColourType + 10 * format.BitDepth + k);
      const std::string base = std::to_string(w) + "x" + std::to_string(h) + " filter " + kFilterNames[f];
      cases.push_back({recipe, false, base + " plain"});

      DecodeCase dressed{recipe, false, base};
      pt::PngRecipe& s = dressed.Recipe;
      s.Seed += 500;
      if (k % 2 == 1) {
        s.SampleContent = pt::Content::Smooth;
        dressed.Name += " smooth";
      }
      if (format.ColourType == 0) {
        s.TrnsKey = std::array<std::uint16_t, 3>{static_cast<std::uint16_t>((37u * k) & maxSample), 0, 0};
      } else if (format.ColourType == 2) {
        s.TrnsKey = std::array<std::uint16_t, 3>{static_cast<std::uint16_t>((97u * k) & maxSample),
                                                  static_cast<std::uint16_t>((13u * k) & maxSample),
                                                  static_cast<std::uint16_t>((201u * k) & maxSample)};
      } else if (format.ColourType == 3) {
        const std::size_t full = std::size_t{1} << format.BitDepth;
        s.Palette = pt::RandomPalette(k % 2 == 0 ? full : full / 2 + 1, s.Seed);
        const std::size_t n = std::min<std::size_t>(s.Palette.size(), 5);
        const std::uint8_t translucent[] = {0, 128, 255, 64, 255};
        switch (k % 4) {
          case 0:  // one key entry
            s.TrnsAlpha.assign(n, 255);
            s.TrnsAlpha[n - 1] = 0;
            break;
          case 1:  // real alpha
            s.TrnsAlpha.assign(translucent, translucent + n);
            break;
          case 2:  // nothing translucent
            s.TrnsAlpha.assign(n, 255);
            break;
          default:  // one partial entry
            s.TrnsAlpha = {200};
            break;
        }
        dressed.Name += " palette " + std::to_string(s.Palette.size());
      }
      if (!s.TrnsAlpha.empty() || s.TrnsKey) dressed.Name += " tRNS";
      const int g = (k + k / 5) % 5;  // not tied to the filter
      if (g == 3) {
        dressed.GammaAfterIdat = true;
        dressed.Name += " gAMA after IDAT";
      } else if (g != 4) {
        s.Gamma = gammas[g];
        dressed.Name += " gAMA " + std::to_string(*s.Gamma);
      }
      if (grey && k % 3 == 0) {
        s.Palette = pt::RandomPalette(format.ColourType == 0 ? 7 : 256, s.Seed);
        dressed.Name += " PLTE";
      } else if ((format.ColourType == 2 || format.ColourType == 6) && k % 4 == 1) {
        s.Palette = pt::RandomPalette(12, s.Seed);  // a suggested palette
        dressed.Name += " PLTE";
      }
      if (k % 2 == 0) {
        s.Texts = {{pt::TextKind::tEXt, "Title", "Winter scene"},
                   {pt::TextKind::zTXt, "Comment", std::string(300, 'z') + " flakes"},
                   {pt::TextKind::iTXt, "Author", "someone"}};
        dressed.Name += " text";
      }
      const std::size_t pieces[] = {0, 1, 7, 64};
      s.IdatChunkSize = pieces[k % 4];
      if (s.IdatChunkSize != 0) dressed.Name += " IDAT pieces of " + std::to_string(s.IdatChunkSize);
      cases.push_back(std::move(dressed));
    }
  }
  return cases;
}

Bytes EncodeCase(const DecodeCase& c) {
  Bytes file = pt::EncodePng(c.Recipe);
  if (c.GammaAfterIdat) {
    const std::uint8_t gAMA[] = {0x00, 0x01, 0x86, 0xA0};  // 100000
    pt::InsertChunkBefore(file, "IEND", pt::MakeChunk("gAMA", gAMA));
  }
  return file;
}

class DecodeMatrix : public ::testing::TestWithParam<Format> {};

TEST_P(DecodeMatrix, StoredImageMatchesLibpng) {
  int failed = 0;
  for (const DecodeCase& c : CasesFor(GetParam())) {
    SCOPED_TRACE(c.Name);
    const Bytes file = EncodeCase(c);
    const std::uint32_t gamma = c.GammaAfterIdat ? 0 : c.Recipe.Gamma.value_or(0);
    if (!MatchesReference(file, gamma, !c.GammaAfterIdat) && ++failed == 4) {
      ADD_FAILURE() << "giving up on this format after 4 failing cases";
      return;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Differential, DecodeMatrix, ::testing::ValuesIn(AllFormats()),
                         [](const ::testing::TestParamInfo<Format>& param) {
                           return std::string(ColourName(param.param.ColourType)) +
                                  std::to_string(param.param.BitDepth) +
                                  (param.param.Interlace != 0 ? "_Adam7" : "_Sequential");
                         });

// A gAMA after the image data comes too late to change the stored colours.
TEST(DifferentialGamma, GammaAfterImageDataLeavesThePixelsAlone) {
  for (const int colourType : {2, 3}) {
    SCOPED_TRACE("colour type " + std::to_string(colourType));
    pt::PngRecipe recipe;
    recipe.Width = 5;
    recipe.Height = 3;
    recipe.ColourType = colourType;
    recipe.BitDepth = 8;
    DecodeCase c{recipe, true, ""};
    const Bytes file = EncodeCase(c);
    EXPECT_TRUE(MatchesReference(file, 0, false));
  }
}

// --- blending ------------------------------------------------------------

// An image whose alpha has long fully transparent and fully opaque runs as
// well as translucent pixels.
pt::PngRecipe BlendImage(int colourType, int bitDepth, int interlace) {
  pt::PngRecipe recipe;
  recipe.Width = 33;
  recipe.Height = 17;
  recipe.ColourType = colourType;
  recipe.BitDepth = bitDepth;
  recipe.Interlace = interlace;
  recipe.RowFilter = pt::Filter::Paeth;
  recipe.Seed = 77;
  if (colourType == 3) {
    recipe.Palette = pt::RandomPalette(16, 5);
    recipe.TrnsAlpha = {0, 0, 255, 30, 128, 255, 250, 1, 0, 77};  // entries 10..15 opaque
    return recipe;
  }
  recipe.Samples = pt::GenerateSamples(recipe);  // random colour, alpha replaced below
  const int channels = colourType == 4 ? 2 : 4;
  const std::size_t bytesPerSample = static_cast<std::size_t>(bitDepth / 8);
  const std::size_t rowBytes = pt::RowBytes(recipe.Width, colourType, bitDepth);
  for (std::uint32_t y = 0; y < recipe.Height; ++y) {
    for (std::uint32_t x = 0; x < recipe.Width; ++x) {
      const std::uint32_t band = (x / 4 + y) % 5;
      std::uint8_t* a = recipe.Samples.data() + y * rowBytes +
                        (std::size_t{x} * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channels - 1)) *
                            bytesPerSample;
      if (band < 2) {
        a[0] = 0;
      } else if (band < 4) {
        a[0] = 255;
      } else if (x % 3 != 2) {
        a[0] = x % 3 == 0 ? 1 : 254;  // next to the ends, where shortcuts go wrong
      }  // else: the random value stays
      if (bytesPerSample == 2 && band < 4) a[1] = static_cast<std::uint8_t>(x * 31);
    }
  }
  return recipe;
}

struct Pixel {
  std::uint8_t Colour[3];  // blue, green, red
  std::uint8_t Alpha;
};

Pixel SourcePixel(const pt::DecodedPng& ref, std::uint32_t x, std::uint32_t y, const GammaTable& gamma) {
  Pixel p{};
  if (ref.ColourType == 3) {
    const auto index = ref.Sample(x, y, 0);
    const pt::Rgb& e = ref.Palette.at(index);
    p = {{e[2], e[1], e[0]}, index < ref.TrnsAlpha.size() ? ref.TrnsAlpha[index] : std::uint8_t{255}};
  } else if (ref.ColourType == 4) {
    const std::uint8_t g = High(ref, ref.Sample(x, y, 0));
    p = {{g, g, g}, High(ref, ref.Sample(x, y, 1))};
  } else {
    for (int c = 0; c < 3; ++c) p.Colour[2 - c] = gamma[High(ref, ref.Sample(x, y, c))];
    p.Alpha = High(ref, ref.Sample(x, y, 3));
  }
  return p;
}

void FillPattern(PixelStore& store) {
  std::uint32_t v = 12345;
  for (std::uint8_t& b : store.Bytes()) {
    v = v * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(v >> 16);
  }
}

// Blends ref's pixels into a copy of before, clipped, with the formula.
PixelStore ExpectedBlend(const PixelStore& before, const pt::DecodedPng& ref, const GammaTable& gamma, int left,
                         int top) {
  PixelStore out = before;
  const int bpp = out.BytesPerPixel();
  for (int y = 0; y < static_cast<int>(ref.Height); ++y) {
    const int dy = top + y;
    if (dy < 0 || dy >= out.Height()) continue;
    for (int x = 0; x < static_cast<int>(ref.Width); ++x) {
      const int dx = left + x;
      if (dx < 0 || dx >= out.Width()) continue;
      const Pixel s = SourcePixel(ref, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), gamma);
      std::uint8_t* d = out.RowAddress(dy) + dx * bpp;
      for (int c = 0; c < 3; ++c) {
        d[c] = static_cast<std::uint8_t>((s.Colour[c] * s.Alpha + 255 + (255 - s.Alpha) * d[c]) >> 8);
      }
    }
  }
  return out;
}

struct BlendCase {
  const char* Name;
  int ColourType;
  int BitDepth;
  int Interlace;
  std::uint32_t Gamma;  // 0: none
};

class BlendAgainstFormula : public ::testing::TestWithParam<BlendCase> {};

TEST_P(BlendAgainstFormula, EveryDestinationByte) {
  const BlendCase& bc = GetParam();
  pt::PngRecipe recipe = BlendImage(bc.ColourType, bc.BitDepth, bc.Interlace);
  if (bc.Gamma != 0) recipe.Gamma = bc.Gamma;
  const Bytes file = pt::EncodePng(recipe);
  const pt::DecodedPng ref = pt::DecodeWithLibpng(file);
  const GammaTable gamma = ExpectedGammaMap(bc.Gamma);
  TPNGObject png;
  ASSERT_TRUE(ReadOurs(file, png));
  ASSERT_EQ(png.TransparencyKind(), kTransparencyAlpha);

  // Inside, across each edge and corner, and wholly outside; the one object
  // is drawn again and again, as the program does.
  const std::pair<int, int> places[] = {{0, 0}, {-5, -3}, {12, 18}, {-20, 9}, {3, -16}, {40, 0}, {0, -17}};
  for (const RowOrder order : {RowOrder::TopDown, RowOrder::BottomUp}) {
    for (const int bits : {32, 24}) {
      for (const auto& [left, top] : places) {
        SCOPED_TRACE(std::to_string(bits) + " bits " + (order == RowOrder::TopDown ? "top-down" : "bottom-up") +
                     " at (" + std::to_string(left) + "," + std::to_string(top) + ")");
        PixelStore dest(40, 30, bits, order);
        FillPattern(dest);
        const PixelStore want = ExpectedBlend(dest, ref, gamma, left, top);
        DrawBlended(png, dest, left, top);
        const auto got = dest.Bytes();
        const auto exp = want.Bytes();
        ASSERT_EQ(got.size(), exp.size());
        for (int y = 0; y < dest.Height(); ++y) {
          const std::uint8_t* g = dest.RowAddress(y);
          const std::uint8_t* e = want.RowAddress(y);
          for (int i = 0; i < dest.Width() * dest.BytesPerPixel(); ++i) {
            ASSERT_EQ(int{g[i]}, int{e[i]}) << "pixel (" << i / dest.BytesPerPixel() << "," << y << ") byte "
                                            << i % dest.BytesPerPixel();
          }
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Differential, BlendAgainstFormula,
    ::testing::Values(BlendCase{"Rgba8", 6, 8, 0, 0}, BlendCase{"Rgba16", 6, 16, 0, 0},
                      BlendCase{"Rgba8_Adam7", 6, 8, 1, 0}, BlendCase{"Rgba8_Gamma", 6, 8, 0, 100000},
                      BlendCase{"GreyAlpha8", 4, 8, 0, 0},
                      BlendCase{"GreyAlpha16", 4, 16, 0, 0},
                      BlendCase{"Indexed4_tRNS", 3, 4, 0, 0}),
    [](const ::testing::TestParamInfo<BlendCase>& param) { return std::string(param.param.Name); });

TEST(DifferentialBlend, StoresOfOtherDepthsStayUntouched) {
  pt::PngRecipe recipe = BlendImage(6, 8, 0);
  TPNGObject png;
  ASSERT_TRUE(ReadOurs(pt::EncodePng(recipe), png));
  for (const int bits : {1, 4, 8}) {
    PixelStore dest(20, 20, bits, RowOrder::BottomUp);
    FillPattern(dest);
    const std::vector<std::uint8_t> before(dest.Bytes().begin(), dest.Bytes().end());
    DrawBlended(png, dest, 2, 2);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), dest.Bytes().begin())) << bits << " bits";
  }
}

}  // namespace
}  // namespace nivarra
