#pragma once
// The Linux desktop's clocks and timers: GLib's monotonic clock, its local
// time and time zone, and timeouts on GLib's main loop.

#include <gtk/gtk.h>

#include <cstdint>
#include <memory>

#include "platform/clock.h"
#include "platform/gtk/glib_handles.h"

namespace nivarra {

class GtkClock : public Clock {
 public:
  std::uint32_t TickCount() override;
  std::int64_t PerformanceCounter() override;
  double LocalNow() override;
  TimeZoneInfo LocalTimeZone(double localDateTime) override;
  std::unique_ptr<PlatformTimer> StartTimer(int intervalMs, std::function<void()> tick) override;

 private:
  class Timer;
  using UniqueTimeZone = std::unique_ptr<GTimeZone, ReleaseWith<g_time_zone_unref>>;

  // The local time zone, read anew once a minute: reading it is most of
  // what asking the local time costs, and the globe asks every frame.
  UniqueTimeZone localZone_;
  std::uint32_t localZoneTick_ = 0;
};

}  // namespace nivarra
