#include "png/area_resample.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "png/chunk.h"
#include "png/png_object.h"

namespace nivarra {
namespace {

// One source index and its share of a result pixel.
struct Tap {
  int Index;
  float Weight;
};

// For each of the count result pixels along one axis, the source pixels it
// covers with their weights (summing to 1).
std::vector<std::vector<Tap>> AreaTaps(int sourceCount, int count) {
  std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(count));
  const double step = static_cast<double>(sourceCount) / count;
  for (int i = 0; i < count; ++i) {
    const double from = i * step;
    const double to = std::min(from + step, static_cast<double>(sourceCount));
    for (int s = static_cast<int>(std::floor(from)); s < sourceCount && s < to; ++s) {
      const double overlap = std::min(to, s + 1.0) - std::max(from, static_cast<double>(s));
      if (overlap > 0) taps[static_cast<std::size_t>(i)].push_back({s, static_cast<float>(overlap / step)});
    }
  }
  return taps;
}

std::uint8_t ToByte(float value) { return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

}  // namespace

std::unique_ptr<TPNGObject> BlankRgbaPng(int width, int height) {
  if (width < 1 || height < 1) throw std::invalid_argument("a picture needs at least one pixel");
  auto png = std::make_unique<TPNGObject>();
  png->ChunkList.SetCount(1);
  auto header = std::make_unique<TChunkIHDR>(*png);
  header->Width = width;
  header->Height = height;
  header->BitDepth = 8;
  header->ColourType = 6;
  header->PrepareImageStorage();
  png->ChunkList.SetItem(0, std::move(header));
  return png;
}

std::unique_ptr<TPNGObject> ResampleByArea(const TPNGObject& source, int width, int height) {
  const TChunkIHDR& from = source.HeaderChunk();
  if (from.BitDepth != 8 || (from.ColourType != 2 && from.ColourType != 6)) {
    throw std::invalid_argument("only 8-bit truecolour pictures are resampled");
  }
  auto result = BlankRgbaPng(width, height);
  const int sourceWidth = from.Width;
  const int sourceHeight = from.Height;
  const auto columns = AreaTaps(sourceWidth, width);
  const auto rows = AreaTaps(sourceHeight, height);

  // Across first: each source row becomes width premultiplied pixels
  // (blue, green, red scaled by alpha, then alpha, all 0..255).
  // Wholly transparent rows, common in the scene's layers, stay zero.
  std::vector<float> across(static_cast<std::size_t>(sourceHeight) * width * 4);
  std::vector<float> row(static_cast<std::size_t>(sourceWidth) * 4);
  std::vector<bool> empty(static_cast<std::size_t>(sourceHeight), false);
  for (int y = 0; y < sourceHeight; ++y) {
    const std::uint8_t* colour = source.PixelRow(y);
    const std::uint8_t* alpha = source.AlphaRow(y);
    if (alpha != nullptr && std::all_of(alpha, alpha + sourceWidth, [](std::uint8_t a) { return a == 0; })) {
      empty[static_cast<std::size_t>(y)] = true;
      continue;
    }
    for (int x = 0; x < sourceWidth; ++x) {
      const float a = alpha != nullptr ? alpha[x] : 255.0f;
      float* p = &row[static_cast<std::size_t>(x) * 4];
      for (int c = 0; c < 3; ++c) p[c] = colour[3 * x + c] * a / 255.0f;
      p[3] = a;
    }
    float* out = &across[static_cast<std::size_t>(y) * width * 4];
    for (int x = 0; x < width; ++x) {
      float sum[4] = {0, 0, 0, 0};
      for (const Tap& tap : columns[static_cast<std::size_t>(x)]) {
        for (int c = 0; c < 4; ++c) sum[c] += row[static_cast<std::size_t>(tap.Index) * 4 + c] * tap.Weight;
      }
      std::copy(sum, sum + 4, out + static_cast<std::size_t>(x) * 4);
    }
  }

  // Then down, back to straight colour.
  for (int y = 0; y < height; ++y) {
    std::uint8_t* colour = result->PixelRow(y);
    std::uint8_t* alpha = result->AlphaRow(y);
    const auto& taps = rows[static_cast<std::size_t>(y)];
    if (std::all_of(taps.begin(), taps.end(), [&](const Tap& tap) { return empty[static_cast<std::size_t>(tap.Index)]; })) {
      continue;  // left transparent
    }
    for (int x = 0; x < width; ++x) {
      float sum[4] = {0, 0, 0, 0};
      for (const Tap& tap : taps) {
        const float* p = &across[(static_cast<std::size_t>(tap.Index) * width + x) * 4];
        for (int c = 0; c < 4; ++c) sum[c] += p[c] * tap.Weight;
      }
      alpha[x] = ToByte(sum[3]);
      for (int c = 0; c < 3; ++c) colour[3 * x + c] = sum[3] > 0 ? ToByte(sum[c] * 255.0f / sum[3]) : 0;
    }
  }
  return result;
}

}  // namespace nivarra
