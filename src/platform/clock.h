#pragma once
// The desktop's clocks and timers: the tick the animation counts in, the
// local date and time with its zone, and timers that call back on the one
// UI thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/geo_place.h"

namespace nivarra {

// A running timer; destroying it stops it.
class PlatformTimer {
 public:
  virtual ~PlatformTimer() = default;
};

// The local time zone as the desktop knows it.
struct TimeZoneInfo {
  // An IANA name ("Europe/Paris"), a Windows zone key name ("W. Europe
  // Standard Time") where no IANA zone is known for it, or "unknown".
  std::string Name = "unknown";
  // How far the local clock is ahead of UTC, daylight saving included;
  // nothing when the desktop cannot tell.
  std::optional<int> UtcOffsetMinutes;
  // The zone's principal place as the time-zone database lists it; nothing
  // for a zone that lies nowhere in particular (UTC, Etc/GMT+5) or that
  // the desktop cannot place.
  std::optional<GeoPlace> Place;
};

class Clock {
 public:
  virtual ~Clock() = default;

  // Milliseconds since the system started; wraps at 2^32.
  virtual std::uint32_t TickCount() = 0;
  // A fast-running counter for seeding the random generator.
  virtual std::int64_t PerformanceCounter() = 0;
  // Local wall-clock time as days since 30 December 1899, fraction = time of day.
  virtual double LocalNow() = 0;
  // The local time zone as it stands at the local date-time (same count
  // as LocalNow); only the sky that follows the clock asks.
  virtual TimeZoneInfo LocalTimeZone(double localDateTime) {
    (void)localDateTime;
    return {};
  }
  // Calls tick every intervalMs milliseconds until the timer is destroyed.
  // Like the window's events, a tick lets no error escape.
  virtual std::unique_ptr<PlatformTimer> StartTimer(int intervalMs, std::function<void()> tick) = 0;
};

}  // namespace nivarra
