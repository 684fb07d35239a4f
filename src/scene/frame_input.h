#pragma once
// What a frame is stepped with, read from the desktop by whoever drives
// the scene: the scene itself never sees the desktop.

#include <cstdint>
#include <functional>

#include "scene/real_time_sky.h"

namespace nivarra {

struct FrameInput {
  // The tick count in ms: asked when a clock is checked and once more when
  // it fires, as the frame has always read it.
  std::function<std::uint32_t()> Tick;
  // The local date-time, read once for the frame: sky and plaque agree.
  double LocalNow = 0;
  // The time zone at a local date-time; only the sky that follows the
  // clock asks, once an hour.
  std::function<TimeZoneInfo(double localDateTime)> Zone;
};

}  // namespace nivarra
