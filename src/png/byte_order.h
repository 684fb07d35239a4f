#pragma once
// PNG integers are big-endian.

#include <cstdint>

#include "graphics/stream.h"

namespace nivarra {

inline std::uint32_t LoadUInt32BE(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// Reads four bytes as a big-endian number; bytes the stream does not
// deliver count as 0. Returns how many bytes arrived.
inline std::int64_t ReadUInt32BE(TStream& stream, std::uint32_t& value) {
  std::uint8_t bytes[4] = {0, 0, 0, 0};
  const std::int64_t delivered = stream.Read(bytes, 4);
  value = LoadUInt32BE(bytes);
  return delivered;
}

}  // namespace nivarra
