// Damages real seed images byte by byte and bit by bit: every damaged stream
// must be refused with one of the reader's own exceptions (or, where the
// damage lands in bytes the reader skips, read), never crash, and never
// leave the image object unusable for the next read.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/exception.h"
#include "graphics/stream.h"
#include "png/chunk.h"
#include "png/png_errors.h"
#include "png/png_object.h"

namespace nivarra {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kSignatureSize = 8;

const std::set<std::string, std::less<>> kReaderErrors = {
    "EPNGInvalidFileHeader", "EPngUnexpectedEnd",     "EPNGIHDRNotFirst",
    "EPNGUnknownCriticalChunk", "EPNGNoImageData",    "EPngInvalidCRC",
    "EPngInvalidIHDR",       "EPNGSizeExceeds",       "EPNGUnknownCompression",
    "EPNGUnknownInterlace",  "EPNGInvalidPalette",    "EPngError",
    "EPNGHeaderNotPresent",  "EPNGMissingMultipleIDAT", "EPNGZLIBError",
    "EPNGOutMemory"};

Bytes LoadSeed(const std::string& name) {
  const std::string path = std::string(NIVARRA_SOURCE_DIR) + "/fuzz/corpus/png/" + name;
  std::ifstream file(path, std::ios::binary);
  EXPECT_TRUE(file) << "missing seed " << path << " (run fuzz/make_corpus.py)";
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Where each chunk lies, found without the reader under test.
struct ChunkSpan {
  std::size_t Start = 0;  // offset of the length field
  std::size_t End = 0;    // one past the CRC
  std::string Type;
  bool ContinuesFirstRun = false;  // an IDAT after the first IDAT of the first run
  bool InFirstRun = false;
  bool Skipped = false;  // cHRM, or an IDAT after the first run: never read
  std::size_t DataStart() const { return Start + 8; }
  std::size_t CrcStart() const { return End - 4; }
};

std::vector<ChunkSpan> ChunkLayout(const Bytes& png) {
  std::vector<ChunkSpan> chunks;
  bool runOpen = false;
  bool runDone = false;
  for (std::size_t at = kSignatureSize; at + 12 <= png.size();) {
    const std::size_t length = std::size_t{png[at]} << 24 | std::size_t{png[at + 1]} << 16 |
                               std::size_t{png[at + 2]} << 8 | png[at + 3];
    ChunkSpan span;
    span.Start = at;
    span.End = at + 12 + length;
    span.Type.assign(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                     png.begin() + static_cast<std::ptrdiff_t>(at + 8));
    const bool idat = span.Type == "IDAT";
    if (idat && !runDone) {
      span.InFirstRun = true;
      span.ContinuesFirstRun = runOpen;
      runOpen = true;
    } else if (runOpen) {
      runDone = true;
      runOpen = false;
    }
    span.Skipped = span.Type == "cHRM" || (idat && !span.InFirstRun);
    chunks.push_back(span);
    at = span.End;
    if (span.Type == "IEND") break;
  }
  return chunks;
}

const ChunkSpan* ChunkAt(const std::vector<ChunkSpan>& chunks, std::size_t offset) {
  for (const auto& c : chunks) {
    if (offset >= c.Start && offset < c.End) return &c;
  }
  return nullptr;
}

struct Outcome {
  bool Read = false;
  std::string Error;  // class name, or a description of a foreign exception
  bool Foreign = false;
  std::int64_t Position = 0;
};

Outcome ReadInto(TPNGObject& png, Bytes bytes) {
  TMemoryStream stream(std::move(bytes));
  Outcome out;
  try {
    png.ReadPngStream(stream);
    out.Read = true;
  } catch (const Exception& e) {
    out.Error = e.ClassName();
  } catch (const std::exception& e) {
    out.Error = std::string("foreign std::exception: ") + e.what();
    out.Foreign = true;
  } catch (...) {
    out.Error = "foreign exception of unknown type";
    out.Foreign = true;
  }
  out.Position = stream.Position();
  return out;
}

// What a decoded image looks like, to compare reads of the same bytes.
struct Snapshot {
  int Width = 0;
  int Height = 0;
  Bytes Pixels;
  Bytes Alpha;
  std::vector<std::string> Chunks;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const TPNGObject& png) {
  Snapshot s;
  s.Width = png.Width();
  s.Height = png.Height();
  s.Pixels = png.HeaderChunk().Storage.Pixels;
  s.Alpha = png.HeaderChunk().Storage.AlphaPlane;
  for (int i = 0; i < png.ChunkList.Count(); ++i) {
    const auto& name = png.ChunkList.Item(i)->Name;
    s.Chunks.emplace_back(name.begin(), name.end());
  }
  return s;
}

// A failed read keeps only the chunks it created: an IHDR first, or nothing.
void ExpectConsistentAfterFailure(const TPNGObject& png, const std::string& where) {
  for (int i = 0; i < png.ChunkList.Count(); ++i) {
    ASSERT_NE(png.ChunkList.Item(i), nullptr) << where << ": chunk " << i << " unset";
  }
  EXPECT_TRUE(png.ChunkList.Count() == 0 || png.HasHeader()) << where;
}

struct Seed {
  std::string Name;
  Bytes Data;
  std::vector<ChunkSpan> Chunks;
  Snapshot Reference;
};

Seed PrepareSeed(const std::string& name) {
  Seed seed{name, LoadSeed(name), {}, {}};
  seed.Chunks = ChunkLayout(seed.Data);
  TPNGObject png;
  const Outcome out = ReadInto(png, seed.Data);
  EXPECT_TRUE(out.Read) << name << ": " << out.Error;
  if (out.Read) seed.Reference = Take(png);
  return seed;
}

// Reuses the object that just failed; a reader that keeps stale state
// (gamma maps, chunk list, decoder fields) shows it here.
void ExpectRereadMatches(TPNGObject& png, const Seed& seed, const std::string& where) {
  const Outcome out = ReadInto(png, seed.Data);
  ASSERT_TRUE(out.Read) << where << ": clean re-read failed with " << out.Error;
  EXPECT_EQ(out.Position, static_cast<std::int64_t>(seed.Data.size())) << where;
  EXPECT_TRUE(Take(png) == seed.Reference) << where << ": re-read decoded differently";
}

// The outcome of a stream cut to its first `cut` bytes, where it is certain.
std::optional<std::string_view> ExpectedForCut(const Seed& seed, std::size_t cut) {
  if (cut < kSignatureSize) return "EPNGInvalidFileHeader";
  for (const auto& c : seed.Chunks) {
    // The image data still needs the next IDAT, which is not there.
    if (cut == c.Start) return c.ContinuesFirstRun ? "EPNGMissingMultipleIDAT" : "EPngUnexpectedEnd";
    if (cut >= c.DataStart() && cut < c.End) {
      // A skipped chunk is passed over unread; the next length is missing.
      // Otherwise the short data or CRC cannot match.
      return c.Skipped ? "EPngUnexpectedEnd" : "EPngInvalidCRC";
    }
  }
  return std::nullopt;  // inside a length or type field
}

void SweepCuts(const std::string& name) {
  const Seed seed = PrepareSeed(name);
  ASSERT_FALSE(seed.Data.empty());
  ASSERT_EQ(seed.Chunks.back().Type, "IEND");
  ASSERT_EQ(seed.Chunks.back().End, seed.Data.size());

  TPNGObject png;
  for (std::size_t cut = 0; cut < seed.Data.size(); ++cut) {
    const std::string where = name + " cut at " + std::to_string(cut);
    const Outcome out = ReadInto(png, Bytes(seed.Data.begin(), seed.Data.begin() + static_cast<std::ptrdiff_t>(cut)));
    ASSERT_FALSE(out.Read) << where << ": a cut stream was accepted";
    ASSERT_FALSE(out.Foreign) << where << ": " << out.Error;
    EXPECT_TRUE(kReaderErrors.contains(out.Error)) << where << ": " << out.Error;
    if (const auto expected = ExpectedForCut(seed, cut)) {
      EXPECT_EQ(out.Error, *expected) << where;
    }
    ExpectConsistentAfterFailure(png, where);
    if (cut % 61 == 0) ExpectRereadMatches(png, seed, where);
  }
  ExpectRereadMatches(png, seed, name + " after the cut sweep");
}

// Errors a flipped bit in the first IDAT run may cause: the CRC catches the
// flip unless inflating trips over it first.
const std::set<std::string, std::less<>> kImageDataErrors = {
    "EPngInvalidCRC", "EPNGZLIBError", "EPNGMissingMultipleIDAT"};

void SweepBitFlips(const std::string& name) {
  const Seed seed = PrepareSeed(name);
  ASSERT_FALSE(seed.Data.empty());

  TPNGObject png;
  Bytes damaged = seed.Data;
  std::size_t reads = 0;
  for (std::size_t offset = 0; offset < damaged.size(); ++offset) {
    const ChunkSpan* chunk = ChunkAt(seed.Chunks, offset);
    for (int bit = 0; bit < 8; ++bit) {
      const std::string where = name + " bit " + std::to_string(bit) + " of byte " +
                                std::to_string(offset) + (chunk ? " in " + chunk->Type : "");
      damaged[offset] ^= static_cast<std::uint8_t>(1u << bit);
      const Outcome out = ReadInto(png, damaged);
      damaged[offset] = seed.Data[offset];
      ++reads;

      ASSERT_FALSE(out.Foreign) << where << ": " << out.Error;
      if (!out.Read) {
        EXPECT_TRUE(kReaderErrors.contains(out.Error)) << where << ": " << out.Error;
        ExpectConsistentAfterFailure(png, where);
      }
      if (offset < kSignatureSize) {
        EXPECT_EQ(out.Error, "EPNGInvalidFileHeader") << where;
      } else if (chunk && !chunk->Skipped && offset >= chunk->DataStart()) {
        if (offset >= chunk->CrcStart() || !chunk->InFirstRun) {
          // Every chunk reader checks the CRC before it looks at the data.
          EXPECT_EQ(out.Error, "EPngInvalidCRC") << where;
        } else {
          EXPECT_TRUE(kImageDataErrors.contains(out.Error)) << where << ": " << out.Error;
        }
      }
      if (reads % 127 == 0) ExpectRereadMatches(png, seed, where);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
  ExpectRereadMatches(png, seed, name + " after the bit-flip sweep");
}

constexpr const char* kSceneSeed = "scene_sample.png";
// Adam7, three IDAT chunks in one run, and a tEXt chunk.
constexpr const char* kInterlacedSeed = "rgba8_adam7_split.png";

TEST(CorruptionSweepSeeds, HaveTheShapesTheSweepsRelyOn) {
  const Seed scene = PrepareSeed(kSceneSeed);
  std::vector<std::string> types;
  for (const auto& c : scene.Chunks) types.push_back(c.Type);
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "tEXt", "iTXt", "IDAT", "IEND"}));
  EXPECT_EQ(scene.Reference.Chunks, types);

  const Seed interlaced = PrepareSeed(kInterlacedSeed);
  ASSERT_GT(interlaced.Data.size(), kSignatureSize + 25);
  int idats = 0;
  for (const auto& c : interlaced.Chunks) idats += c.InFirstRun ? 1 : 0;
  EXPECT_EQ(idats, 3);
  EXPECT_EQ(interlaced.Data[kSignatureSize + 8 + 12], 1) << "not interlaced";
}

TEST(CorruptionSweepCuts, SceneSampleAtEveryOffset) { SweepCuts(kSceneSeed); }
TEST(CorruptionSweepCuts, InterlacedSplitImageDataAtEveryOffset) { SweepCuts(kInterlacedSeed); }

TEST(CorruptionSweepBitFlips, SceneSampleEveryBit) { SweepBitFlips(kSceneSeed); }
TEST(CorruptionSweepBitFlips, InterlacedSplitImageDataEveryBit) { SweepBitFlips(kInterlacedSeed); }

// A picture inside a larger stream: the reader must stop right after IEND's
// CRC so that whatever follows can be read next.
TEST(CorruptionSweepTrailingBytes, StayUnreadAfterIend) {
  const Seed seed = PrepareSeed(kSceneSeed);
  const std::int64_t size = static_cast<std::int64_t>(seed.Data.size());
  Bytes joined = seed.Data;
  joined.insert(joined.end(), seed.Data.begin(), seed.Data.end());
  const std::string junk = "not a picture";
  joined.insert(joined.end(), junk.begin(), junk.end());

  TMemoryStream stream(std::move(joined));
  TPNGObject png;
  png.ReadPngStream(stream);
  EXPECT_EQ(stream.Position(), size);
  png.ReadPngStream(stream);
  EXPECT_EQ(stream.Position(), 2 * size);
  EXPECT_TRUE(Take(png) == seed.Reference);
  EXPECT_THROW(png.ReadPngStream(stream), EPNGInvalidFileHeader);
}

TEST(CorruptionSweepTrailingBytes, SkippedChunksAndTailDoNotDisturbTheRead) {
  // chunks_all.png: cHRM, a second IDAT run with a wrong CRC, text after the
  // image data and bytes after IEND.
  const Bytes data = LoadSeed("chunks_all.png");
  const auto chunks = ChunkLayout(data);
  ASSERT_FALSE(chunks.empty());
  ASSERT_EQ(chunks.back().Type, "IEND");
  ASSERT_LT(chunks.back().End, data.size());

  TPNGObject png;
  const Outcome out = ReadInto(png, data);
  ASSERT_TRUE(out.Read) << out.Error;
  EXPECT_EQ(out.Position, static_cast<std::int64_t>(chunks.back().End));
  for (int i = 0; i < png.ChunkList.Count(); ++i) {
    const auto& name = png.ChunkList.Item(i)->Name;
    const std::string type(name.begin(), name.end());
    EXPECT_NE(type, "cHRM");
  }
  // Exactly one IDAT in the list: the second run never becomes a chunk.
  int idats = 0;
  for (int i = 0; i < png.ChunkList.Count(); ++i) {
    idats += png.ChunkList.Item(i)->Class().TypeName() == "IDAT" ? 1 : 0;
  }
  EXPECT_EQ(idats, 1);
}

}  // namespace
}  // namespace nivarra
