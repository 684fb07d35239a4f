#pragma once
// The globe's shape mask as a 24-bit bottom-up BMP with a 40-byte info header.

#include "image.h"
#include "png_writer.h"

namespace artgen {

inline constexpr int kMaskPixelsPerMetre = 5905;  // 150 dots per inch

// Grey per pixel: 255 - the silhouette's coverage, so white is outside the
// globe and black inside. coverage holds one byte per pixel, top row first.
Bytes EncodeMaskBmp(int width, int height, const std::vector<std::uint8_t>& coverage);

}  // namespace artgen
