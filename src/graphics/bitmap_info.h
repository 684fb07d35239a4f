#pragma once
// The portable form of a device-independent bitmap's description: the
// 40-byte info header and a 256-entry colour table, as they are laid out in
// a BMP file and in memory on Windows.

#include <array>
#include <cstdint>

namespace nivarra {

struct RGBQuad {
  std::uint8_t Blue = 0;
  std::uint8_t Green = 0;
  std::uint8_t Red = 0;
  std::uint8_t Reserved = 0;
  friend bool operator==(const RGBQuad&, const RGBQuad&) = default;
};

inline constexpr std::uint32_t kBiRgb = 0;

struct BitmapInfoHeader {
  std::uint32_t Size = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;  // positive: rows stored bottom row first
  std::uint16_t Planes = 0;
  std::uint16_t BitCount = 0;
  std::uint32_t Compression = 0;
  std::uint32_t SizeImage = 0;
  std::int32_t XPelsPerMeter = 0;
  std::int32_t YPelsPerMeter = 0;
  std::uint32_t ClrUsed = 0;
  std::uint32_t ClrImportant = 0;
};

struct BitmapInfo {
  BitmapInfoHeader Header;
  std::array<RGBQuad, 256> Colours{};
};

// A colour value 0x00BBGGRR: red in the low byte.
using TColor = std::uint32_t;

constexpr TColor MakeColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<TColor>(red) | (static_cast<TColor>(green) << 8) |
         (static_cast<TColor>(blue) << 16);
}
constexpr TColor ColourOf(RGBQuad q) { return MakeColour(q.Red, q.Green, q.Blue); }

}  // namespace nivarra
