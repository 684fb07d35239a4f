#pragma once
// Hand-built PNG streams for tests: exact chunks, with correct or chosen
// CRCs, around image data compressed with zlib.

#include <zlib.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include <memory>

#include "graphics/stream.h"
#include "png/png_object.h"

namespace nivarra::test {

using Bytes = std::vector<std::uint8_t>;

inline const Bytes kSignature = {137, 80, 78, 71, 13, 10, 26, 10};

inline void PutUInt32BE(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline std::uint32_t ChunkCrc(std::string_view type, const Bytes& data) {
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
  // zlib treats a null buffer as a request for the start value.
  if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
  return static_cast<std::uint32_t>(crc);
}

// A chunk: length, type, data, CRC (the right one unless told otherwise).
inline Bytes Chunk(std::string_view type, const Bytes& data, bool goodCrc = true) {
  Bytes out;
  PutUInt32BE(out, static_cast<std::uint32_t>(data.size()));
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  PutUInt32BE(out, ChunkCrc(type, data) ^ (goodCrc ? 0u : 1u));
  return out;
}

inline Bytes IhdrData(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType,
                      int interlace = 0, int compression = 0) {
  Bytes d;
  PutUInt32BE(d, width);
  PutUInt32BE(d, height);
  d.push_back(static_cast<std::uint8_t>(bitDepth));
  d.push_back(static_cast<std::uint8_t>(colourType));
  d.push_back(static_cast<std::uint8_t>(compression));
  d.push_back(0);
  d.push_back(static_cast<std::uint8_t>(interlace));
  return d;
}

inline Bytes Deflate(const Bytes& raw, int level = 6) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level);
  out.resize(size);
  return out;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Filtered rows of an RGBA 8-bit image: each row is its filter byte and
// 4 × width bytes, given here already filtered.
struct Rgba {
  std::uint8_t r, g, b, a;
};

// A complete type-6, 8-bit, non-interlaced PNG whose rows use filter 0.
template <class PixelFn>
Bytes RgbaPng(int width, int height, PixelFn pixel, const Bytes& extraChunksBeforeIdat = {}) {
  Bytes raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < width; ++x) {
      const Rgba p = pixel(x, y);
      raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
    }
  }
  return Concat({kSignature, Chunk("IHDR", IhdrData(static_cast<std::uint32_t>(width),
                                                    static_cast<std::uint32_t>(height), 8, 6)),
                 extraChunksBeforeIdat, Chunk("IDAT", Deflate(raw)), Chunk("IEND", {})});
}

// Reads a PNG stream with the program's reader (raising what it raises).
inline std::unique_ptr<TPNGObject> DecodePng(const Bytes& bytes) {
  auto png = std::make_unique<TPNGObject>();
  TMemoryStream stream(bytes);
  png->ReadPngStream(stream);
  return png;
}

}  // namespace nivarra::test
