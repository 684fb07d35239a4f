#include "platform/gtk/cover_probe.h"

#include <algorithm>

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

std::vector<StackedWindow>::iterator StackingOrder::Find(std::uint64_t id) {
  return std::find_if(windows_.begin(), windows_.end(), [id](const StackedWindow& w) { return w.Id == id; });
}

bool StackingOrder::Destroyed(std::uint64_t id) {
  const auto it = Find(id);
  if (it == windows_.end()) return false;
  windows_.erase(it);
  return true;
}

bool StackingOrder::Mapped(std::uint64_t id, bool mapped) {
  const auto it = Find(id);
  if (it == windows_.end()) return false;
  it->Viewable = mapped && it->Drawn;
  return true;
}

bool StackingOrder::Configured(const StackedWindow& moved, std::uint64_t below) {
  auto it = Find(moved.Id);
  if (it == windows_.end()) return false;
  StackedWindow window = *it;
  window.X = moved.X;
  window.Y = moved.Y;
  window.Width = moved.Width;
  window.Height = moved.Height;
  windows_.erase(it);
  auto place = windows_.begin();
  if (below != 0) {
    place = Find(below);
    if (place == windows_.end()) return false;
    ++place;
  }
  windows_.insert(place, window);
  return true;
}

bool StackingOrder::Circulated(std::uint64_t id, bool toTop) {
  const auto it = Find(id);
  if (it == windows_.end()) return false;
  const StackedWindow window = *it;
  windows_.erase(it);
  windows_.insert(toTop ? windows_.end() : windows_.begin(), window);
  return true;
}

}  // namespace nivarra
