#include "scene/changed_rect.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace nivarra {
namespace {

// The first and one past the last 32-bit word in which two rows differ.
std::optional<std::pair<int, int>> ChangedSpan(const std::uint8_t* a, const std::uint8_t* b, int pixels) {
  int first = 0;
  while (first < pixels && std::memcmp(a + 4 * first, b + 4 * first, 4) == 0) ++first;
  if (first == pixels) return std::nullopt;
  int end = pixels;
  while (std::memcmp(a + 4 * (end - 1), b + 4 * (end - 1), 4) == 0) --end;
  return std::pair{first, end};
}

bool SameWords(const std::uint8_t* a, const std::uint8_t* b, int from, int to) {
  return from >= to || std::memcmp(a + 4 * from, b + 4 * from, 4 * static_cast<std::size_t>(to - from)) == 0;
}

}  // namespace

std::optional<TRect> ChangedRect(const PixelStore& a, const PixelStore& b) {
  return ChangedRect(a, b, TRect{0, 0, a.Width(), a.Height()});
}

std::optional<TRect> ChangedRect(const PixelStore& a, const PixelStore& b, const TRect& within) {
  const int width = a.Width(), height = a.Height();
  if (width != b.Width() || height != b.Height() || a.BitCount() != 32 || b.BitCount() != 32) {
    return TRect{0, 0, std::max(width, b.Width()), std::max(height, b.Height())};
  }
  const int x0 = std::max(within.Left, 0), x1 = std::min(within.Right, width);
  if (x0 >= x1) return std::nullopt;
  // Rows and words are read from the area's left edge.
  const auto row = [x0](const PixelStore& store, int y) { return store.RowAddress(y) + 4 * x0; };
  const int columns = x1 - x0;
  // The first and the last row that differ, then, in the rows between,
  // only what lies outside the columns found so far: a frame of snow
  // differs in every row, and most of each row need not be read.
  int top = std::max(within.Top, 0), bottom = std::min(within.Bottom, height);
  while (top < bottom && SameWords(row(a, top), row(b, top), 0, columns)) ++top;
  if (top >= bottom) return std::nullopt;
  while (SameWords(row(a, bottom - 1), row(b, bottom - 1), 0, columns)) --bottom;
  auto [left, right] = *ChangedSpan(row(a, top), row(b, top), columns);
  for (int y = top + 1; y < bottom; ++y) {
    const std::uint8_t* rowA = row(a, y);
    const std::uint8_t* rowB = row(b, y);
    if (!SameWords(rowA, rowB, 0, left)) left = ChangedSpan(rowA, rowB, left)->first;
    if (!SameWords(rowA, rowB, right, columns)) {
      right += ChangedSpan(rowA + 4 * right, rowB + 4 * right, columns - right)->second;
    }
  }
  return TRect{x0 + left, top, x0 + right, bottom};
}

}  // namespace nivarra
