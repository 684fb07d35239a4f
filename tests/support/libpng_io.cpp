#include "support/libpng_io.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace nivarra::testing {
namespace {

std::uint64_t NextRandom(std::uint64_t& state) {
  // splitmix64: cheap, and the same on every platform.
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

int ChannelsOf(int colourType) {
  switch (colourType) {
    case 0: return 1;
    case 2: return 3;
    case 3: return 1;
    case 4: return 2;
    case 6: return 4;
    default: throw std::invalid_argument("colour type");
  }
}

void PutSample(std::uint8_t* row, std::size_t index, int bitDepth, std::uint16_t value) {
  if (bitDepth == 16) {
    row[index * 2] = static_cast<std::uint8_t>(value >> 8);
    row[index * 2 + 1] = static_cast<std::uint8_t>(value);
  } else if (bitDepth == 8) {
    row[index] = static_cast<std::uint8_t>(value);
  } else {
    const std::size_t bit = index * static_cast<std::size_t>(bitDepth);
    const int shift = 8 - bitDepth - static_cast<int>(bit % 8);
    row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] | (value << shift));
  }
}

void AppendBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::size_t PaletteSizeFor(const PngRecipe& recipe) {
  if (!recipe.Palette.empty()) return recipe.Palette.size();
  return std::size_t{1} << std::min(recipe.BitDepth, 8);
}

// libpng reports errors by longjmp; the frames below hold nothing that needs
// a destructor, and the callers turn the message into an exception.
struct ErrorState {
  char Message[256] = {};
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* state = static_cast<ErrorState*>(png_get_error_ptr(png));
  std::snprintf(state->Message, sizeof state->Message, "%s", message);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

struct WriteJob {
  const PngRecipe* Recipe;
  png_bytep* Rows;
  const png_color* Palette;
  int PaletteCount;
  const png_byte* TrnsAlpha;
  int TrnsCount;
  png_color_16 TrnsKey;
  bool HasTrnsKey;
  bool WriteGamma;
  png_text* Texts;
  int TextCount;
  int FilterFlag;
};

void OnWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void OnFlush(png_structp) {}

bool RunWriter(const WriteJob& job, std::vector<std::uint8_t>* out, ErrorState* error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, OnPngError, OnPngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  const PngRecipe& recipe = *job.Recipe;
  png_set_write_fn(png, out, OnWrite, OnFlush);
  png_set_IHDR(png, info, recipe.Width, recipe.Height, recipe.BitDepth, recipe.ColourType,
               recipe.Interlace != 0 ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, job.FilterFlag);
  if (job.PaletteCount > 0) png_set_PLTE(png, info, job.Palette, job.PaletteCount);
  if (job.TrnsCount > 0 || job.HasTrnsKey) {
    png_set_tRNS(png, info, job.TrnsAlpha, job.TrnsCount, job.HasTrnsKey ? &job.TrnsKey : nullptr);
  }
  if (job.WriteGamma) png_set_gAMA_fixed(png, info, static_cast<png_fixed_point>(*recipe.Gamma));
  if (job.TextCount > 0) png_set_text(png, info, job.Texts, job.TextCount);
  png_write_info(png, info);
  png_write_image(png, job.Rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

struct ReadSource {
  const std::uint8_t* Data;
  std::size_t Size;
  std::size_t Position;
};

void OnRead(png_structp png, png_bytep out, png_size_t length) {
  auto* source = static_cast<ReadSource*>(png_get_io_ptr(png));
  if (length > source->Size - source->Position) png_error(png, "read beyond the end of the file");
  std::memcpy(out, source->Data + source->Position, length);
  source->Position += length;
}

bool RunReader(ReadSource* source, DecodedPng* out, ErrorState* error) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, error, OnPngError, OnPngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, source, OnRead);
  // Chunks out of place (PLTE in grey, gAMA after IDAT) are warnings, not
  // failures: the reader under test must cope with them too.
  png_set_benign_errors(png, 1);
  png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);

  out->Width = png_get_image_width(png, info);
  out->Height = png_get_image_height(png, info);
  out->ColourType = png_get_color_type(png, info);
  out->BitDepth = png_get_bit_depth(png, info);
  out->Interlace = png_get_interlace_type(png, info) == PNG_INTERLACE_NONE ? 0 : 1;
  out->RowBytes = png_get_rowbytes(png, info);
  png_bytepp rows = png_get_rows(png, info);
  out->Rows.resize(out->RowBytes * out->Height);
  // libpng leaves the padding bits of a packed row as its buffer had them.
  const std::size_t usedBits = std::size_t{out->Width} * png_get_channels(png, info) * out->BitDepth;
  const auto padMask = static_cast<std::uint8_t>(usedBits % 8 == 0 ? 0xFF : 0xFF << (8 - usedBits % 8));
  for (std::uint32_t y = 0; y < out->Height; ++y) {
    std::uint8_t* row = out->Rows.data() + y * out->RowBytes;
    std::memcpy(row, rows[y], out->RowBytes);
    if (out->RowBytes != 0) row[out->RowBytes - 1] &= padMask;
  }

  png_colorp palette = nullptr;
  int paletteCount = 0;
  if (png_get_PLTE(png, info, &palette, &paletteCount) != 0) {
    for (int i = 0; i < paletteCount; ++i) {
      out->Palette.push_back({palette[i].red, palette[i].green, palette[i].blue});
    }
  }
  png_bytep trnsAlpha = nullptr;
  int trnsCount = 0;
  png_color_16p trnsKey = nullptr;
  if (png_get_tRNS(png, info, &trnsAlpha, &trnsCount, &trnsKey) != 0) {
    if (out->ColourType == PNG_COLOR_TYPE_PALETTE) {
      out->TrnsAlpha.assign(trnsAlpha, trnsAlpha + trnsCount);
    } else if (out->ColourType == PNG_COLOR_TYPE_GRAY) {
      out->TrnsKey = std::array<std::uint16_t, 3>{trnsKey->gray, 0, 0};
    } else {
      out->TrnsKey = std::array<std::uint16_t, 3>{trnsKey->red, trnsKey->green, trnsKey->blue};
    }
  }
  png_fixed_point gamma = 0;
  if (png_get_gAMA_fixed(png, info, &gamma) != 0) out->Gamma = static_cast<std::uint32_t>(gamma);
  png_textp texts = nullptr;
  const int textCount = png_get_text(png, info, &texts, nullptr);
  for (int i = 0; i < textCount; ++i) {
    TextChunk text;
    text.Kind = texts[i].compression == PNG_TEXT_COMPRESSION_NONE   ? TextKind::tEXt
                : texts[i].compression == PNG_TEXT_COMPRESSION_zTXt ? TextKind::zTXt
                                                                     : TextKind::iTXt;
    text.Keyword = texts[i].key;
    text.Text = texts[i].text != nullptr ? texts[i].text : "";
    out->Texts.push_back(std::move(text));
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

int FilterFlagOf(Filter filter) {
  switch (filter) {
    case Filter::None: return PNG_FILTER_NONE;
    case Filter::Sub: return PNG_FILTER_SUB;
    case Filter::Up: return PNG_FILTER_UP;
    case Filter::Average: return PNG_FILTER_AVG;
    case Filter::Paeth: return PNG_FILTER_PAETH;
  }
  return PNG_FILTER_NONE;
}

}  // namespace

std::size_t RowBytes(std::uint32_t width, int colourType, int bitDepth) {
  const std::size_t bits = std::size_t{width} * static_cast<std::size_t>(ChannelsOf(colourType)) *
                           static_cast<std::size_t>(bitDepth);
  return (bits + 7) / 8;
}

std::vector<Rgb> RandomPalette(std::size_t count, std::uint32_t seed) {
  std::uint64_t state = seed * 7919ull + 17;
  std::vector<Rgb> palette(count);
  for (Rgb& entry : palette) {
    const std::uint64_t r = NextRandom(state);
    entry = {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(r >> 8),
             static_cast<std::uint8_t>(r >> 16)};
  }
  return palette;
}

std::vector<std::uint8_t> GenerateSamples(const PngRecipe& recipe) {
  const int channels = ChannelsOf(recipe.ColourType);
  const std::size_t rowBytes = RowBytes(recipe.Width, recipe.ColourType, recipe.BitDepth);
  const std::uint32_t maxValue = recipe.ColourType == 3
                                     ? static_cast<std::uint32_t>(PaletteSizeFor(recipe) - 1)
                                     : (1u << recipe.BitDepth) - 1;
  const bool hasAlpha = recipe.ColourType == 4 || recipe.ColourType == 6;
  std::vector<std::uint8_t> rows(rowBytes * recipe.Height, 0);
  std::uint64_t state = recipe.Seed;
  for (std::uint32_t y = 0; y < recipe.Height; ++y) {
    std::uint8_t* row = rows.data() + y * rowBytes;
    for (std::uint32_t x = 0; x < recipe.Width; ++x) {
      for (int c = 0; c < channels; ++c) {
        std::uint32_t value = 0;
        if (recipe.SampleContent == Content::Random) {
          value = static_cast<std::uint32_t>(NextRandom(state) % (std::uint64_t{maxValue} + 1));
        } else if (hasAlpha && c == channels - 1) {
          // A diagonal ramp with fully transparent and fully opaque ends.
          const double t = 2.0 * (x + y + 1.0) / (recipe.Width + recipe.Height + 1.0) - 0.5;
          value = static_cast<std::uint32_t>(std::lround(std::clamp(t, 0.0, 1.0) * maxValue));
        } else {
          const double t = 0.5 + 0.5 * std::sin(x * 0.21 + c * 1.3 + recipe.Seed) * std::cos(y * 0.17 + c);
          value = static_cast<std::uint32_t>(std::lround(t * maxValue));
        }
        PutSample(row, std::size_t{x} * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c),
                  recipe.BitDepth, static_cast<std::uint16_t>(value));
      }
    }
  }
  return rows;
}

std::vector<std::uint8_t> EncodePng(const PngRecipe& recipe) {
  const std::size_t rowBytes = RowBytes(recipe.Width, recipe.ColourType, recipe.BitDepth);
  std::vector<std::uint8_t> samples = recipe.Samples.empty() ? GenerateSamples(recipe) : recipe.Samples;
  if (samples.size() != rowBytes * recipe.Height) throw std::invalid_argument("sample buffer size");
  std::vector<png_bytep> rows(recipe.Height);
  for (std::uint32_t y = 0; y < recipe.Height; ++y) rows[y] = samples.data() + y * rowBytes;

  const bool grey = (recipe.ColourType & PNG_COLOR_MASK_COLOR) == 0;
  std::vector<png_color> palette;
  if (!grey) {
    const std::vector<Rgb> entries = recipe.ColourType == 3 && recipe.Palette.empty()
                                         ? RandomPalette(PaletteSizeFor(recipe), recipe.Seed ^ 0x5A5Au)
                                         : recipe.Palette;
    for (const Rgb& e : entries) palette.push_back({e[0], e[1], e[2]});
  }

  std::vector<std::string> textStorage;  // libpng wants writable strings
  for (const TextChunk& t : recipe.Texts) {
    textStorage.push_back(t.Keyword);
    textStorage.push_back(t.Text);
  }
  std::vector<png_text> texts(recipe.Texts.size());
  for (std::size_t i = 0; i < recipe.Texts.size(); ++i) {
    png_text& t = texts[i];
    t = png_text{};
    t.key = textStorage[2 * i].data();
    t.text = textStorage[2 * i + 1].data();
    switch (recipe.Texts[i].Kind) {
      case TextKind::tEXt:
        t.compression = PNG_TEXT_COMPRESSION_NONE;
        t.text_length = textStorage[2 * i + 1].size();
        break;
      case TextKind::zTXt:
        t.compression = PNG_TEXT_COMPRESSION_zTXt;
        t.text_length = textStorage[2 * i + 1].size();
        break;
      case TextKind::iTXt:
        t.compression = PNG_ITXT_COMPRESSION_NONE;
        t.itxt_length = textStorage[2 * i + 1].size();
        break;
    }
  }

  const bool gammaByLibpng = recipe.Gamma && *recipe.Gamma >= 16 && *recipe.Gamma <= 625000000;
  WriteJob job{};
  job.Recipe = &recipe;
  job.Rows = rows.data();
  job.Palette = palette.data();
  job.PaletteCount = static_cast<int>(palette.size());
  job.TrnsAlpha = recipe.TrnsAlpha.empty() ? nullptr : recipe.TrnsAlpha.data();
  job.TrnsCount = static_cast<int>(recipe.TrnsAlpha.size());
  if (recipe.TrnsKey) {
    job.HasTrnsKey = true;
    job.TrnsKey.gray = (*recipe.TrnsKey)[0];
    job.TrnsKey.red = (*recipe.TrnsKey)[0];
    job.TrnsKey.green = (*recipe.TrnsKey)[1];
    job.TrnsKey.blue = (*recipe.TrnsKey)[2];
  }
  job.WriteGamma = gammaByLibpng;
  job.Texts = texts.data();
  job.TextCount = static_cast<int>(texts.size());
  job.FilterFlag = FilterFlagOf(recipe.RowFilter);

  std::vector<std::uint8_t> file;
  ErrorState error;
  if (!RunWriter(job, &file, &error)) throw std::runtime_error(std::string("libpng write: ") + error.Message);

  if (recipe.Gamma && !gammaByLibpng) {
    std::vector<std::uint8_t> data;
    AppendBigEndian32(data, *recipe.Gamma);
    const std::vector<ChunkInfo> chunks = ListChunks(file);
    const auto chunk = MakeChunk("gAMA", data);
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(chunks.at(0).End()), chunk.begin(), chunk.end());
  }
  if (grey && !recipe.Palette.empty()) {
    // libpng will not write PLTE for grey; it goes where it would stand in a
    // colour image: after the chunks that must precede it.
    std::vector<std::uint8_t> data;
    for (const Rgb& e : recipe.Palette) data.insert(data.end(), e.begin(), e.end());
    const auto chunk = MakeChunk("PLTE", data);
    std::size_t at = 8;
    for (const ChunkInfo& c : ListChunks(file)) {
      if (c.Type != "IHDR" && c.Type != "gAMA" && c.Type != "cHRM" && c.Type != "sRGB" &&
          c.Type != "iCCP" && c.Type != "sBIT") {
        at = c.Offset;
        break;
      }
    }
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), chunk.begin(), chunk.end());
  }
  if (recipe.IdatChunkSize != 0) SplitIdat(file, recipe.IdatChunkSize);
  return file;
}

int DecodedPng::Channels() const { return ChannelsOf(ColourType); }

std::uint16_t DecodedPng::Sample(std::uint32_t x, std::uint32_t y, int c) const {
  const std::uint8_t* row = Rows.data() + std::size_t{y} * RowBytes;
  const std::size_t index = std::size_t{x} * static_cast<std::size_t>(Channels()) + static_cast<std::size_t>(c);
  if (BitDepth == 16) return static_cast<std::uint16_t>((row[index * 2] << 8) | row[index * 2 + 1]);
  if (BitDepth == 8) return row[index];
  const std::size_t bit = index * static_cast<std::size_t>(BitDepth);
  const int shift = 8 - BitDepth - static_cast<int>(bit % 8);
  return static_cast<std::uint16_t>((row[bit / 8] >> shift) & ((1 << BitDepth) - 1));
}

DecodedPng DecodeWithLibpng(std::span<const std::uint8_t> file) {
  DecodedPng decoded;
  ReadSource source{file.data(), file.size(), 0};
  ErrorState error;
  if (!RunReader(&source, &decoded, &error)) throw std::runtime_error(std::string("libpng read: ") + error.Message);
  return decoded;
}

std::vector<std::uint8_t> MakeChunk(std::string_view type, std::span<const std::uint8_t> data) {
  if (type.size() != 4) throw std::invalid_argument("chunk type must have four letters");
  std::vector<std::uint8_t> chunk;
  chunk.reserve(data.size() + 12);
  AppendBigEndian32(chunk, static_cast<std::uint32_t>(data.size()));
  chunk.insert(chunk.end(), type.begin(), type.end());
  chunk.insert(chunk.end(), data.begin(), data.end());
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, chunk.data() + 4, static_cast<uInt>(data.size() + 4));
  AppendBigEndian32(chunk, static_cast<std::uint32_t>(crc));
  return chunk;
}

std::vector<ChunkInfo> ListChunks(std::span<const std::uint8_t> file) {
  std::vector<ChunkInfo> chunks;
  std::size_t pos = kPngSignature.size();
  while (file.size() >= 12 && pos <= file.size() - 12) {
    const std::size_t length = BigEndian32(file.data() + pos);
    if (length > file.size() - pos - 12) break;
    chunks.push_back({std::string(reinterpret_cast<const char*>(file.data() + pos + 4), 4), pos, length});
    pos += 12 + length;
  }
  return chunks;
}

void InsertChunkBefore(std::vector<std::uint8_t>& file, std::string_view beforeType,
                       std::span<const std::uint8_t> chunk) {
  std::size_t at = file.size();
  for (const ChunkInfo& c : ListChunks(file)) {
    if (c.Type == beforeType) {
      at = c.Offset;
      break;
    }
  }
  file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), chunk.begin(), chunk.end());
}

void SplitIdat(std::vector<std::uint8_t>& file, std::size_t maxData) {
  if (maxData == 0) throw std::invalid_argument("IDAT pieces need at least one byte");
  const std::vector<ChunkInfo> chunks = ListChunks(file);
  std::size_t first = chunks.size();
  std::size_t last = 0;
  std::vector<std::uint8_t> stream;
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    if (chunks[i].Type != "IDAT") {
      if (first != chunks.size()) break;  // only the first run of IDAT
      continue;
    }
    if (first == chunks.size()) first = i;
    last = i;
    const auto begin = file.begin() + static_cast<std::ptrdiff_t>(chunks[i].Offset + 8);
    stream.insert(stream.end(), begin, begin + static_cast<std::ptrdiff_t>(chunks[i].DataSize));
  }
  if (first == chunks.size()) return;
  std::vector<std::uint8_t> pieces;
  for (std::size_t pos = 0; pos < stream.size(); pos += maxData) {
    const std::size_t n = std::min(maxData, stream.size() - pos);
    const auto chunk = MakeChunk("IDAT", std::span(stream).subspan(pos, n));
    pieces.insert(pieces.end(), chunk.begin(), chunk.end());
  }
  const auto begin = file.begin() + static_cast<std::ptrdiff_t>(chunks[first].Offset);
  const auto end = file.begin() + static_cast<std::ptrdiff_t>(chunks[last].End());
  file.erase(begin, end);
  file.insert(file.begin() + static_cast<std::ptrdiff_t>(chunks[first].Offset), pieces.begin(), pieces.end());
}

}  // namespace nivarra::testing
