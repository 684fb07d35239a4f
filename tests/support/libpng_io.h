#pragma once
// PNG streams for tests: written with libpng's writer (plus chunks spliced in
// by hand where libpng refuses), read back with libpng's reader as raw
// samples, and small chunk-level helpers for building broken files.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nivarra::testing {

inline constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G',
                                                              '\r', '\n', 0x1A, '\n'};

enum class Filter { None, Sub, Up, Average, Paeth };
enum class Content { Random, Smooth };
enum class TextKind { tEXt, zTXt, iTXt };

struct TextChunk {
  TextKind Kind = TextKind::tEXt;
  std::string Keyword;
  std::string Text;
};

using Rgb = std::array<std::uint8_t, 3>;

struct PngRecipe {
  std::uint32_t Width = 1;
  std::uint32_t Height = 1;
  int ColourType = 6;
  int BitDepth = 8;
  int Interlace = 0;
  Filter RowFilter = Filter::None;  // forced on every row
  // Raw rows as the file holds them unfiltered (packed, 16-bit big-endian),
  // RowBytes each. Empty: generated from SampleContent and Seed.
  std::vector<std::uint8_t> Samples;
  Content SampleContent = Content::Random;
  std::uint32_t Seed = 1;
  // PLTE entries. Grey images get the chunk spliced in by hand; colour type 3
  // without entries gets a random palette of 2^depth (at most 256) entries.
  std::vector<Rgb> Palette;
  std::vector<std::uint8_t> TrnsAlpha;               // tRNS for colour type 3
  std::optional<std::array<std::uint16_t, 3>> TrnsKey;  // tRNS key: grey in [0], or RGB
  // gAMA value ×100000; values libpng refuses (0, say) are spliced by hand.
  std::optional<std::uint32_t> Gamma;
  std::vector<TextChunk> Texts;  // written before IDAT
  // Non-zero: IDAT re-cut into chunks of at most this many data bytes.
  std::size_t IdatChunkSize = 0;
};

// Bytes of one unfiltered row of the file (without the filter byte).
std::size_t RowBytes(std::uint32_t width, int colourType, int bitDepth);
// The samples EncodePng would generate for recipe when recipe.Samples is empty;
// padding bits at the end of packed rows are zero.
std::vector<std::uint8_t> GenerateSamples(const PngRecipe& recipe);
// A palette of count random entries.
std::vector<Rgb> RandomPalette(std::size_t count, std::uint32_t seed);
// Writes recipe with libpng. Throws std::runtime_error when libpng fails.
std::vector<std::uint8_t> EncodePng(const PngRecipe& recipe);

// What libpng's reader makes of a file with no transformations: rows of raw
// samples (packed below 8 bits, 16-bit big-endian), de-interlaced.
struct DecodedPng {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  int ColourType = 0;
  int BitDepth = 0;
  int Interlace = 0;
  std::size_t RowBytes = 0;
  std::vector<std::uint8_t> Rows;  // Height × RowBytes
  std::vector<Rgb> Palette;
  std::vector<std::uint8_t> TrnsAlpha;
  std::optional<std::array<std::uint16_t, 3>> TrnsKey;
  std::optional<std::uint32_t> Gamma;
  std::vector<TextChunk> Texts;

  int Channels() const;
  // Sample c of pixel (x, y) at the file's bit depth.
  std::uint16_t Sample(std::uint32_t x, std::uint32_t y, int c) const;
};
// Throws std::runtime_error with libpng's message when libpng refuses the file.
DecodedPng DecodeWithLibpng(std::span<const std::uint8_t> file);

// A whole chunk: length, type, data and the CRC over type and data.
std::vector<std::uint8_t> MakeChunk(std::string_view type, std::span<const std::uint8_t> data);

struct ChunkInfo {
  std::string Type;
  std::size_t Offset = 0;  // of the length field
  std::size_t DataSize = 0;
  std::size_t End() const { return Offset + 12 + DataSize; }
};
// The chunks after the signature, up to the first that does not fit the file.
std::vector<ChunkInfo> ListChunks(std::span<const std::uint8_t> file);
// Inserts chunk before the first chunk of type beforeType (at the end when
// there is none).
void InsertChunkBefore(std::vector<std::uint8_t>& file, std::string_view beforeType,
                       std::span<const std::uint8_t> chunk);
// Re-cuts the IDAT run into chunks of at most maxData bytes each.
void SplitIdat(std::vector<std::uint8_t>& file, std::size_t maxData);

}  // namespace nivarra::testing
