// The readers and copies of the registered chunk classes but IDAT.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/stream.h"
#include "png/byte_order.h"
#include "png/chunk.h"
#include "png/inflater.h"
#include "png/png_errors.h"
#include "png/png_object.h"

namespace nivarra {

namespace {

constexpr std::uint32_t kMaxDimension = 65535;
constexpr int kMaxPaletteEntries = 256;
// A zTXt text that inflates beyond this is dropped like a broken one: a few
// kilobytes of deflate data must not grow into gigabytes.
constexpr std::size_t kMaxInflatedTextBytes = std::size_t{16} << 20;

template <class T>
const T& SameClassOrRaise(const TChunk& source) {
  const auto* typed = dynamic_cast<const T*>(&source);
  if (typed == nullptr) RaisePngError<EPngError>(png_text::kChunksNotCompatible);
  return *typed;
}

// Length of the keyword: the bytes before the first zero, or all of them.
std::size_t KeywordLength(const std::uint8_t* data, std::size_t size) {
  const auto* zero = static_cast<const std::uint8_t*>(std::memchr(data, 0, size));
  return zero != nullptr ? static_cast<std::size_t>(zero - data) : size;
}

}  // namespace

// --- IHDR -----------------------------------------------------------------

bool TChunkIHDR::ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) {
  ReadDataAndCheckCrc(stream, type, length);
  if (DataSize() < 13) RaisePngError<EPngInvalidIHDR>(png_text::kInvalidIHDR);

  const std::uint8_t* d = Data();
  const std::uint32_t width = LoadUInt32BE(d);
  const std::uint32_t height = LoadUInt32BE(d + 4);
  BitDepth = d[8];
  ColourType = d[9];
  CompressionMethod = d[10];
  FilterMethod = d[11];
  InterlaceMethod = d[12];

  Width = static_cast<std::int32_t>(width);
  Height = static_cast<std::int32_t>(height);
  if (width > kMaxDimension || height > kMaxDimension) {
    RaisePngError<EPNGSizeExceeds>(png_text::kSizeExceeds);
  }
  if (CompressionMethod != 0) RaisePngError<EPNGUnknownCompression>(png_text::kUnknownCompression);
  if (InterlaceMethod > 1) RaisePngError<EPNGUnknownInterlace>(png_text::kUnknownInterlace);

  Owner().InterlaceMethod = InterlaceMethod;
  PrepareImageStorage();
  return true;
}

void TChunkIHDR::CopyFrom(const TChunk& source) {
  const auto& header = SameClassOrRaise<TChunkIHDR>(source);
  Width = header.Width;
  Height = header.Height;
  BitDepth = header.BitDepth;
  ColourType = header.ColourType;
  CompressionMethod = header.CompressionMethod;
  FilterMethod = header.FilterMethod;
  InterlaceMethod = header.InterlaceMethod;
  PrepareImageStorage();
  Storage.Pixels = header.Storage.Pixels;
  Storage.AlphaPlane = header.Storage.AlphaPlane;
  Storage.DibInfo.Colours = header.Storage.DibInfo.Colours;
}

// --- PLTE -----------------------------------------------------------------

bool TChunkPLTE::ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) {
  ReadDataAndCheckCrc(stream, type, length);
  if (length % 3 != 0 || length / 3 > kMaxPaletteEntries) {
    RaisePngError<EPNGInvalidPalette>(png_text::kInvalidPalette);
  }
  EntryCount = length / 3;
  const auto& gamma = Owner().GammaMap;
  auto& colours = Owner().HeaderChunk().Storage.DibInfo.Colours;
  const std::uint8_t* d = Data();
  for (int i = 0; i < EntryCount; ++i, d += 3) {
    colours[static_cast<std::size_t>(i)] = RGBQuad{gamma[d[2]], gamma[d[1]], gamma[d[0]], 0};
  }
  return true;
}

void TChunkPLTE::CopyFrom(const TChunk& source) {
  EntryCount = SameClassOrRaise<TChunkPLTE>(source).EntryCount;
}

std::uint32_t TChunkPLTE::PaletteEntry(int index) const {
  if (index < 0 || index > EntryCount - 1) RaisePngError<EPngError>(png_text::kNoSuchPaletteEntry);
  const RGBQuad q = Owner().HeaderChunk().Storage.DibInfo.Colours[static_cast<std::size_t>(index)];
  return std::uint32_t{q.Blue} | std::uint32_t{q.Green} << 8 | std::uint32_t{q.Red} << 16;
}

// --- gAMA -----------------------------------------------------------------

std::uint32_t TChunkgAMA::GammaValue() const { return DataSize() >= 4 ? LoadUInt32BE(Data()) : 1; }

void TChunkgAMA::SetGammaValue(std::uint32_t value) {
  if (DataSize() != 4) ResizeData(4);
  std::uint8_t* d = Data();
  d[0] = static_cast<std::uint8_t>(value >> 24);
  d[1] = static_cast<std::uint8_t>(value >> 16);
  d[2] = static_cast<std::uint8_t>(value >> 8);
  d[3] = static_cast<std::uint8_t>(value);
}

bool TChunkgAMA::ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) {
  ReadDataAndCheckCrc(stream, type, length);
  if (DataSize() != 4) SetGammaValue(1);
  const std::uint32_t value = GammaValue();
  if (value == 0) return true;

  const double exponent = 1.0 / (static_cast<double>(value) / 100000.0 * 2.2);
  auto& forward = Owner().GammaMap;
  auto& inverse = Owner().InverseGammaMap;
  for (int i = 0; i < 256; ++i) {
    const double base = i / 255.0;
    const double power = base == 0.0 ? 0.0 : std::exp(exponent * std::log(base));
    // nearbyint rounds half to even in the default rounding mode.
    const double g = std::clamp(std::nearbyint(power * 255.0), 0.0, 255.0);
    forward[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(g);
    inverse[static_cast<std::size_t>(g)] = static_cast<std::uint8_t>(i);
  }
  return true;
}

void TChunkgAMA::CopyFrom(const TChunk& source) {
  SetGammaValue(SameClassOrRaise<TChunkgAMA>(source).GammaValue());
}

// --- tRNS -----------------------------------------------------------------

bool TChunktRNS::ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) {
  ReadDataAndCheckCrc(stream, type, length);
  if (length > kMaxPaletteEntries) RaisePngError<EPNGInvalidPalette>(png_text::kInvalidPalette);
  AlphaValues.fill(255);
  std::memcpy(AlphaValues.data(), Data(), static_cast<std::size_t>(length));

  switch (Owner().HeaderChunk().ColourType) {
    case 0:
    case 2:
      IsColourKey = true;
      break;
    case 3: {
      // One see-through entry is a colour key; none or several need alpha.
      const auto translucent = std::count_if(AlphaValues.begin(), AlphaValues.begin() + length,
                                             [](std::uint8_t a) { return a != 255; });
      IsColourKey = translucent == 1;
      break;
    }
    default:
      break;
  }
  return true;
}

void TChunktRNS::CopyFrom(const TChunk& source) {
  const auto& trns = dynamic_cast<const TChunktRNS*>(&source);
  if (trns != nullptr) {
    AlphaValues = trns->AlphaValues;
    IsColourKey = trns->IsColourKey;
  }
  TChunk::CopyFrom(source);
}

// --- tIME -----------------------------------------------------------------

bool TChunktIME::ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) {
  ReadDataAndCheckCrc(stream, type, length);
  if (length == 7) {
    const std::uint8_t* d = Data();
    Year = static_cast<std::uint16_t>(d[0] << 8 | d[1]);
    Month = d[2];
    Day = d[3];
    Hour = d[4];
    Minute = d[5];
    Second = d[6];
  }
  return true;
}

// --- tEXt, zTXt -----------------------------------------------------------

bool TChunktEXt::ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) {
  ReadDataAndCheckCrc(stream, type, length);
  if (length > 2) {
    const auto size = static_cast<std::size_t>(length);
    const std::size_t keyword = KeywordLength(Data(), size);
    const auto* d = reinterpret_cast<const char*>(Data());
    Keyword.assign(d, keyword);
    Text = keyword < size ? std::string(d + keyword + 1, size - keyword - 1) : std::string();
  }
  return true;
}

void TChunktEXt::CopyFrom(const TChunk& source) {
  if (const auto* text = dynamic_cast<const TChunktEXt*>(&source)) {
    Keyword = text->Keyword;
    Text = text->Text;
  }
}

bool TChunkzTXt::ReadChunk(TStream& stream, const ChunkType& type, std::int32_t length) {
  TChunktEXt::ReadChunk(stream, type, length);
  if (length < 4) return true;

  const auto size = static_cast<std::size_t>(length);
  const std::size_t keyword = KeywordLength(Data(), size);
  Keyword.assign(reinterpret_cast<const char*>(Data()), keyword);
  Text.clear();
  // Without a zero byte there is no compression method and no text.
  if (keyword + 2 > size || Data()[keyword + 1] != 0) return true;

  Inflater inflater;
  if (inflater.InitResult() != Z_OK) return true;
  z_stream& z = inflater.Stream();
  z.next_in = Data() + keyword + 2;
  z.avail_in = static_cast<uInt>(size - keyword - 2);
  std::string out;
  char piece[4096];
  for (;;) {
    z.next_out = reinterpret_cast<Bytef*>(piece);
    z.avail_out = sizeof piece;
    const int result = inflater.Inflate();
    out.append(piece, sizeof piece - z.avail_out);
    if (out.size() > kMaxInflatedTextBytes) return true;
    if (result == Z_STREAM_END) break;
    // Anything else that stops the stream (an error, a cut stream, a
    // dictionary) leaves the text empty.
    if (result != Z_OK) return true;
  }
  Text = std::move(out);
  return true;
}

}  // namespace nivarra
