#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "png/crc32.h"

namespace nivarra {
namespace {

TEST(Crc32, MatchesZlibForEveryLengthAndSplit) {
  std::vector<std::uint8_t> data(300);
  std::uint32_t x = 12345;
  for (auto& b : data) b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 24);
  for (std::size_t n = 0; n <= data.size(); n += 1 + n / 16) {
    const auto expected = static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(n)));
    ASSERT_EQ(Crc32(data.data(), n), expected) << n;
    const std::size_t half = n / 3;
    ASSERT_EQ(~UpdateCrc(UpdateCrc(kCrcStart, data.data(), half), data.data() + half, n - half), expected) << n;
  }
  // The IEND chunk's well-known CRC.
  EXPECT_EQ(Crc32(reinterpret_cast<const std::uint8_t*>("IEND"), 4), 0xAE426082u);
}

}  // namespace
}  // namespace nivarra
