#include "bmp_writer.h"

#include <stdexcept>

namespace artgen {

namespace {

void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

Bytes EncodeMaskBmp(int width, int height, const std::vector<std::uint8_t>& coverage) {
  if (coverage.size() != static_cast<std::size_t>(width) * height) {
    throw std::runtime_error("mask coverage has the wrong size");
  }
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height);
  constexpr std::uint32_t kHeaders = 14 + 40;
  Bytes b;
  b.reserve(kHeaders + imageBytes);
  b.push_back('B');
  b.push_back('M');
  Put32(b, kHeaders + imageBytes);
  Put32(b, 0);  // two reserved words
  Put32(b, kHeaders);
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));  // positive: bottom row first
  Put16(b, 1);
  Put16(b, 24);
  Put32(b, 0);  // BI_RGB
  Put32(b, imageBytes);
  Put32(b, kMaskPixelsPerMetre);
  Put32(b, kMaskPixelsPerMetre);
  Put32(b, 0);
  Put32(b, 0);
  for (int y = height - 1; y >= 0; --y) {
    std::uint32_t written = 0;
    for (int x = 0; x < width; ++x) {
      const auto grey = static_cast<std::uint8_t>(255 - coverage[static_cast<std::size_t>(y) * width + x]);
      b.insert(b.end(), 3, grey);
      written += 3;
    }
    for (; written < rowBytes; ++written) b.push_back(0);
  }
  return b;
}

}  // namespace artgen
