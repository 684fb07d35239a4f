#include "graphics/pixel_store.h"

#include <bit>
#include <limits>
#include <stdexcept>
#include <utility>

namespace nivarra {

namespace {
bool IsSupportedBitCount(int bitCount) {
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
         bitCount == 32;
}

// One channel of a masked pixel, scaled to 0..255 so that a full mask
// reads 255.
std::uint8_t MaskedChannel(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const std::uint64_t top = mask >> shift;
  const std::uint64_t value = (pixel & mask) >> shift;
  return static_cast<std::uint8_t>((value * 255 + top / 2) / top);
}

TColor MaskedColour(std::uint32_t pixel, const ColourMasks& masks) {
  return MakeColour(MaskedChannel(pixel, masks.Red), MaskedChannel(pixel, masks.Green),
                    MaskedChannel(pixel, masks.Blue));
}
}  // namespace

std::optional<std::size_t> StoredRowBytes(std::int64_t width, int bitCount) {
  if (width < 0 || bitCount <= 0 || bitCount > 64) return std::nullopt;
  constexpr std::uint64_t kMaxBits = std::numeric_limits<std::uint64_t>::max() - 31;
  if (static_cast<std::uint64_t>(width) > kMaxBits / static_cast<std::uint64_t>(bitCount)) return std::nullopt;
  const auto bits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitCount);
  const std::uint64_t bytes = ((bits + 31) & ~std::uint64_t{31}) / 8;
  if (bytes > std::numeric_limits<std::size_t>::max()) return std::nullopt;
  return static_cast<std::size_t>(bytes);
}

std::optional<std::size_t> StoredImageBytes(std::int64_t width, std::int64_t height, int bitCount) {
  const auto row = StoredRowBytes(width, bitCount);
  if (!row || height < 0) return std::nullopt;
  const auto rows = static_cast<std::size_t>(height);
  if (rows != 0 && *row > std::numeric_limits<std::size_t>::max() / rows) return std::nullopt;
  return *row * rows;
}

PixelStore::PixelStore(int width, int height, int bitCount, RowOrder order)
    : width_(width), height_(height), bitCount_(bitCount), order_(order) {
  if (!IsSupportedBitCount(bitCount)) throw std::invalid_argument("unsupported pixel store depth");
  const auto row = StoredRowBytes(width, bitCount);
  const auto total = StoredImageBytes(width, height, bitCount);
  if (!row || !total) throw std::length_error("pixel store too large");
  rowStride_ = *row;
  bytes_.assign(*total, 0);
  data_ = bytes_.data();
  size_ = bytes_.size();
}

PixelStore::PixelStore(int width, int height, std::shared_ptr<PixelMemory> memory)
    : width_(width), height_(height), bitCount_(32), order_(RowOrder::TopDown), memory_(std::move(memory)) {
  const auto row = StoredRowBytes(width, 32);
  const auto total = StoredImageBytes(width, height, 32);
  const std::span<std::uint8_t> bytes = memory_ ? memory_->Bytes() : std::span<std::uint8_t>{};
  if (width < 0 || height < 0 || !row || !total || bytes.size() < *total) {
    throw std::length_error("pixel memory too small for the store");
  }
  rowStride_ = *row;
  data_ = bytes.data();
  size_ = *total;
}

PixelStore::PixelStore(const PixelStore& other)
    : width_(other.width_),
      height_(other.height_),
      bitCount_(other.bitCount_),
      rowStride_(other.rowStride_),
      order_(other.order_),
      colours_(other.colours_),
      masks_(other.masks_),
      bytes_(other.Bytes().begin(), other.Bytes().end()),
      data_(bytes_.data()),
      size_(bytes_.size()) {}

PixelStore& PixelStore::operator=(const PixelStore& other) {
  if (this != &other) *this = PixelStore(other);
  return *this;
}

PixelStore::PixelStore(PixelStore&& other) noexcept
    : width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      bitCount_(other.bitCount_),
      rowStride_(std::exchange(other.rowStride_, 0)),
      order_(other.order_),
      colours_(other.colours_),
      masks_(other.masks_),
      bytes_(std::move(other.bytes_)),
      memory_(std::move(other.memory_)),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)) {
  other.bytes_.clear();
}

PixelStore& PixelStore::operator=(PixelStore&& other) noexcept {
  if (this == &other) return *this;
  width_ = std::exchange(other.width_, 0);
  height_ = std::exchange(other.height_, 0);
  bitCount_ = other.bitCount_;
  rowStride_ = std::exchange(other.rowStride_, 0);
  order_ = other.order_;
  bytes_ = std::move(other.bytes_);
  other.bytes_.clear();
  colours_ = other.colours_;
  masks_ = other.masks_;
  memory_ = std::move(other.memory_);
  data_ = std::exchange(other.data_, nullptr);
  size_ = std::exchange(other.size_, 0);
  return *this;
}

TColor PixelStore::PixelColour(int x, int y) const {
  const std::uint8_t* row = RowAddress(y);
  switch (bitCount_) {
    case 16: {
      const std::uint8_t* p = row + static_cast<std::size_t>(x) * 2;
      return MaskedColour(static_cast<std::uint32_t>(p[0] | (p[1] << 8)), masks_.value_or(kMasks555));
    }
    case 24:
    case 32: {
      const std::uint8_t* p = row + static_cast<std::size_t>(x) * BytesPerPixel();
      if (bitCount_ == 32 && masks_) {
        const std::uint32_t pixel = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                    (static_cast<std::uint32_t>(p[2]) << 16) |
                                    (static_cast<std::uint32_t>(p[3]) << 24);
        return MaskedColour(pixel, *masks_);
      }
      return MakeColour(p[2], p[1], p[0]);
    }
    default: {
      const int index = PackedIndex(row, x, bitCount_);
      return ColourOf(colours_[static_cast<std::size_t>(index)]);
    }
  }
}

void PixelStore::Fill(std::uint8_t blue, std::uint8_t green, std::uint8_t red, std::uint8_t fourth) {
  const int bpp = BytesPerPixel();
  if (bpp < 3) return;
  for (int y = 0; y < height_; ++y) {
    std::uint8_t* p = RowAddress(y);
    for (int x = 0; x < width_; ++x, p += bpp) {
      p[0] = blue;
      p[1] = green;
      p[2] = red;
      if (bpp == 4) p[3] = fourth;
    }
  }
}

}  // namespace nivarra
