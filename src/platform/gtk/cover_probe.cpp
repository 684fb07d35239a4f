#include "platform/gtk/cover_probe.h"

namespace nivarra {

bool IsPointCovered(std::span<const StackedWindow> bottomToTop, std::uint64_t ours, int x, int y) {
  if (ours == 0) return false;
  for (auto it = bottomToTop.rbegin(); it != bottomToTop.rend(); ++it) {
    const StackedWindow& window = *it;
    if (!window.Viewable) continue;
    // 64-bit sums: a huge window at the edge of the coordinate range must not wrap.
    const bool inside = x >= window.X && y >= window.Y && std::int64_t{x} < std::int64_t{window.X} + window.Width &&
                        std::int64_t{y} < std::int64_t{window.Y} + window.Height;
    if (inside) return window.Id != ours;
  }
  return true;
}

}  // namespace nivarra
