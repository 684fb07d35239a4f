#include "png/crc32.h"

#include <array>

namespace nivarra {

namespace {

// Eight tables: the standard byte table and seven derived ones, so the hot
// IDAT path folds eight bytes per step. Built once, on first use.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

CrcTables BuildTables() {
  CrcTables t{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][n] = c;
  }
  for (std::size_t n = 0; n < 256; ++n) {
    for (std::size_t k = 1; k < 8; ++k) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
  }
  return t;
}

const CrcTables& Tables() {
  static const CrcTables tables = BuildTables();
  return tables;
}

}  // namespace

std::uint32_t UpdateCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t length) {
  const CrcTables& t = Tables();
  while (length >= 8) {
    const std::uint32_t lo = crc ^ (std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 |
                                    std::uint32_t{data[2]} << 16 | std::uint32_t{data[3]} << 24);
    crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
          t[3][data[4]] ^ t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
    data += 8;
    length -= 8;
  }
  while (length-- > 0) crc = t[0][(crc ^ *data++) & 0xFF] ^ (crc >> 8);
  return crc;
}

}  // namespace nivarra
