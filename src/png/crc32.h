#pragma once
// The CRC-32 of the PNG standard (reflected polynomial 0xEDB88320). Start
// from kCrcStart, feed bytes with UpdateCrc, complement at the end.

#include <cstddef>
#include <cstdint>

namespace nivarra {

inline constexpr std::uint32_t kCrcStart = 0xFFFFFFFFu;

std::uint32_t UpdateCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t length);

inline std::uint32_t Crc32(const std::uint8_t* data, std::size_t length) {
  return ~UpdateCrc(kCrcStart, data, length);
}

}  // namespace nivarra
