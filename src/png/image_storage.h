#pragma once
// ImageStorage: the decoded image a header chunk owns. Pixels are stored
// rows, bottom row first, each padded to a multiple of 4 bytes; colour types
// 0, 3 and 4 store colour-table indices; colour types 4 and 6 keep their
// alpha in a separate plane, top row first.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "graphics/bitmap_info.h"
#include "png/alpha_spans.h"

namespace nivarra {

// What a colour type and bit depth are stored as; empty for a combination
// the reader does not store.
struct StoredFormat {
  int BitCount;
  bool UsesColourTable;
  bool HasAlphaPlane;
};
std::optional<StoredFormat> StoredFormatFor(int colourType, int bitDepth);

// The most bytes (pixels plus alpha plane) one image may occupy. A header of
// 65535 by 65535 would otherwise ask for gigabytes; larger images fail with
// EPNGOutMemory. Adjustable, for the program and for tests.
inline constexpr std::size_t kDefaultImageStorageLimit = std::size_t{256} << 20;
std::size_t& ImageStorageLimit();

struct ImageStorage {
  BitmapInfo DibInfo;
  bool UsesColourTable = false;
  std::int32_t RowStride = 0;
  std::vector<std::uint8_t> Pixels;      // RowStride × Height bytes
  std::vector<std::uint8_t> AlphaPlane;  // Width × Height bytes, or empty

  // The alpha plane's runs, found on the first blended draw and dropped
  // whenever the storage is prepared anew.
  mutable std::unique_ptr<AlphaSpans> BlendSpans;
};

}  // namespace nivarra
