#include "app/placement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace nivarra {

namespace {

int WidthOf(const ScreenRect& r) { return r.Right - r.Left; }
int HeightOf(const ScreenRect& r) { return r.Bottom - r.Top; }

// The length of [low, high) shared with [areaLow, areaHigh).
int Overlap(int low, int high, int areaLow, int areaHigh) {
  return std::max(0, std::min(high, areaHigh) - std::max(low, areaLow));
}

// How far apart the two are along one axis; 0 when they overlap.
std::int64_t Gap(int low, int high, int areaLow, int areaHigh) {
  if (high <= areaLow) return std::int64_t{areaLow} - high;
  if (low >= areaHigh) return std::int64_t{low} - areaHigh;
  return 0;
}

// The shortest shift that puts [low, high) inside [areaLow, areaHigh); a
// span longer than the area starts where the area does.
int ShiftInto(int low, int high, int areaLow, int areaHigh) {
  if (high - low > areaHigh - areaLow || low < areaLow) return areaLow - low;
  if (high > areaHigh) return areaHigh - high;
  return 0;
}

}  // namespace

ScreenRect OutlineAt(ScreenPoint place, const ScreenRect& outline) {
  return {place.X + outline.Left, place.Y + outline.Top, place.X + outline.Right, place.Y + outline.Bottom};
}

ScreenRect ScaledOutline(const ScreenRect& outlineAt1x, double scale) {
  const auto down = [scale](int v) { return static_cast<int>(std::floor(v * scale)); };
  const auto up = [scale](int v) { return static_cast<int>(std::ceil(v * scale)); };
  return {down(outlineAt1x.Left), down(outlineAt1x.Top), up(outlineAt1x.Right), up(outlineAt1x.Bottom)};
}

bool OutlineFits(const ScreenRect& outline, const ScreenRect& area) {
  return WidthOf(outline) <= WidthOf(area) && HeightOf(outline) <= HeightOf(area);
}

std::optional<std::size_t> HomeMonitor(ScreenPoint place, const ScreenRect& outline,
                                       std::span<const MonitorArea> monitors) {
  const ScreenRect seen = OutlineAt(place, outline);
  std::optional<std::size_t> best;
  std::int64_t bestShared = 0;
  std::int64_t bestGap = 0;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const ScreenRect& m = monitors[i].Bounds;
    const std::int64_t shared = std::int64_t{Overlap(seen.Left, seen.Right, m.Left, m.Right)} *
                                Overlap(seen.Top, seen.Bottom, m.Top, m.Bottom);
    const std::int64_t dx = Gap(seen.Left, seen.Right, m.Left, m.Right);
    const std::int64_t dy = Gap(seen.Top, seen.Bottom, m.Top, m.Bottom);
    const std::int64_t gap = dx * dx + dy * dy;
    if (!best || shared > bestShared || (shared == 0 && bestShared == 0 && gap < bestGap)) {
      best = i;
      bestShared = shared;
      bestGap = gap;
    }
  }
  return best;
}

ScreenPoint BringInto(ScreenPoint place, const ScreenRect& outline, const ScreenRect& area) {
  const ScreenRect seen = OutlineAt(place, outline);
  return {place.X + ShiftInto(seen.Left, seen.Right, area.Left, area.Right),
          place.Y + ShiftInto(seen.Top, seen.Bottom, area.Top, area.Bottom)};
}

ScreenPoint KeepOrBringIn(ScreenPoint place, const ScreenRect& outline, std::span<const MonitorArea> monitors) {
  const ScreenRect seen = OutlineAt(place, outline);
  for (const MonitorArea& monitor : monitors) {
    const ScreenRect& m = monitor.Bounds;
    // Twice the shared part against the whole: "at least half", exactly.
    if (2 * Overlap(seen.Left, seen.Right, m.Left, m.Right) >= WidthOf(seen) &&
        2 * Overlap(seen.Top, seen.Bottom, m.Top, m.Bottom) >= HeightOf(seen)) {
      return place;
    }
  }
  return BringWhollyIn(place, outline, monitors);
}

ScreenPoint BringWhollyIn(ScreenPoint place, const ScreenRect& outline, std::span<const MonitorArea> monitors) {
  const std::optional<std::size_t> home = HomeMonitor(place, outline, monitors);
  return home ? BringInto(place, outline, monitors[*home].WorkArea) : place;
}

}  // namespace nivarra
