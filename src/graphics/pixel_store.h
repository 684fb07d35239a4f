#pragma once
// A directly addressable pixel store: the portable stand-in for a
// device-independent bitmap section. Rows are padded to a multiple of 4
// bytes and stored bottom row first or top row first; RowAddress always
// counts image rows from the top. Stores of 1, 4 and 8 bits per pixel carry
// a 256-entry colour table; 16- and 32-bit stores may carry colour masks.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "graphics/bitmap_info.h"

namespace nivarra {

enum class RowOrder { BottomUp, TopDown };

// Where red, green and blue sit in a 16- or 32-bit pixel read as a
// little-endian number.
struct ColourMasks {
  std::uint32_t Red = 0;
  std::uint32_t Green = 0;
  std::uint32_t Blue = 0;
  friend bool operator==(const ColourMasks&, const ColourMasks&) = default;
};

// A 16-bit pixel without masks is 5-5-5.
inline constexpr ColourMasks kMasks555{0x7C00, 0x03E0, 0x001F};

// Bytes of one stored row: ((bits × width + 31) with the low 5 bits cleared) / 8.
// Empty when the arithmetic would overflow or the arguments are invalid.
std::optional<std::size_t> StoredRowBytes(std::int64_t width, int bitCount);
// RowStride × height, empty on overflow.
std::optional<std::size_t> StoredImageBytes(std::int64_t width, std::int64_t height, int bitCount);

// The index of pixel x in a row of packed indices of bits (1, 2, 4 or 8)
// each, the first pixel in the top bits of a byte.
inline int PackedIndex(const std::uint8_t* row, int x, int bits) {
  const int bit = x * bits;
  return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
}

// Memory a store's pixels can lie in instead of memory of the store's own:
// memory somebody else reads too, such as a display server showing frames
// straight from it. The store keeps it alive.
class PixelMemory {
 public:
  virtual ~PixelMemory() = default;
  virtual std::span<std::uint8_t> Bytes() = 0;
  // Returns once nobody else may still be reading the pixels: called
  // before they are written.
  virtual void Claim() {}
};

class PixelStore {
 public:
  PixelStore() = default;
  // A 32-bit top-down store over memory, its rows width × 4 bytes apart.
  // Throws std::length_error when the memory is smaller than that.
  PixelStore(int width, int height, std::shared_ptr<PixelMemory> memory);
  // Copies hold pixels of their own; moves take the memory along.
  PixelStore(const PixelStore& other);
  PixelStore& operator=(const PixelStore& other);
  PixelStore(PixelStore&& other) noexcept;
  PixelStore& operator=(PixelStore&& other) noexcept;
  ~PixelStore() = default;
  // Allocates a zeroed store. Throws std::length_error for sizes that do not
  // fit and std::bad_alloc when memory runs out.
  PixelStore(int width, int height, int bitCount, RowOrder order);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitCount() const { return bitCount_; }
  int BytesPerPixel() const { return bitCount_ / 8; }
  std::size_t RowStride() const { return rowStride_; }
  RowOrder Order() const { return order_; }
  bool IsEmpty() const { return width_ == 0 || height_ == 0; }

  // First byte of image row y (0 is the top row). No range test.
  std::uint8_t* RowAddress(int y) { return data_ + RowOffset(y); }
  const std::uint8_t* RowAddress(int y) const { return data_ + RowOffset(y); }

  std::span<std::uint8_t> Bytes() { return {data_, size_}; }
  std::span<const std::uint8_t> Bytes() const { return {data_, size_}; }
  // The memory the pixels lie in when it is not the store's own.
  const std::shared_ptr<PixelMemory>& Memory() const { return memory_; }
  // Before the pixels are written: waits for whoever else reads that memory.
  void ClaimMemory() {
    if (memory_) memory_->Claim();
  }

  std::array<RGBQuad, 256>& ColourTable() { return colours_; }
  const std::array<RGBQuad, 256>& ColourTable() const { return colours_; }

  // Without masks a 16-bit pixel is 5-5-5 and a 32-bit one blue, green, red,
  // fourth byte.
  const std::optional<ColourMasks>& Masks() const { return masks_; }
  void SetMasks(std::optional<ColourMasks> masks) { masks_ = masks; }

  // The colour of pixel (x, y) as 0x00BBGGRR, through the colour table for
  // indexed stores and through the masks for masked ones. No range test.
  TColor PixelColour(int x, int y) const;

  void Fill(std::uint8_t blue, std::uint8_t green, std::uint8_t red, std::uint8_t fourth);

 private:
  std::size_t RowOffset(int y) const {
    const int stored = order_ == RowOrder::BottomUp ? height_ - 1 - y : y;
    return static_cast<std::size_t>(stored) * rowStride_;
  }

  int width_ = 0;
  int height_ = 0;
  int bitCount_ = 32;
  std::size_t rowStride_ = 0;
  RowOrder order_ = RowOrder::TopDown;
  std::array<RGBQuad, 256> colours_{};
  std::optional<ColourMasks> masks_;
  std::vector<std::uint8_t> bytes_;
  std::shared_ptr<PixelMemory> memory_;
  // bytes_'s or memory_'s.
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace nivarra
