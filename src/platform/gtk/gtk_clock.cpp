#include "platform/gtk/gtk_clock.h"

#include <algorithm>
#include <utility>

#include "core/date_time.h"
#include "platform/system_time_zone.h"

namespace nivarra {

class GtkClock::Timer : public PlatformTimer {
 public:
  Timer(int intervalMs, std::function<void()> tick) {
    auto* data = new Tick(std::move(tick));
    // The source owns data: GLib frees it when the source goes, after a
    // tick that is running has returned.
    source_ = SourceHandle(g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(std::max(intervalMs, 1)),
                                              &Timer::OnTick, data, &Timer::Free));
  }

 private:
  using Tick = std::function<void()>;
  static gboolean OnTick(gpointer data) {
    (*static_cast<Tick*>(data))();
    return G_SOURCE_CONTINUE;
  }
  static void Free(gpointer data) { delete static_cast<Tick*>(data); }

  SourceHandle source_;
};


std::uint32_t GtkClock::TickCount() { return static_cast<std::uint32_t>(g_get_monotonic_time() / 1000); }

std::int64_t GtkClock::PerformanceCounter() { return g_get_monotonic_time(); }

double GtkClock::LocalNow() {
  const std::uint32_t tick = TickCount();
  if (!localZone_ || tick - localZoneTick_ >= 60000) {
    localZone_.reset(g_time_zone_new_local());
    localZoneTick_ = tick;
  }
  const UniqueDateTime now(g_date_time_new_now(localZone_.get()));
  if (!now) return 0;
  return EncodeDateTime(g_date_time_get_year(now.get()), g_date_time_get_month(now.get()),
                        g_date_time_get_day_of_month(now.get()), g_date_time_get_hour(now.get()),
                        g_date_time_get_minute(now.get()), g_date_time_get_seconds(now.get()));
}

TimeZoneInfo GtkClock::LocalTimeZone(double localDateTime) { return SystemTimeZone(localDateTime); }

std::unique_ptr<PlatformTimer> GtkClock::StartTimer(int intervalMs, std::function<void()> tick) {
  return std::make_unique<Timer>(intervalMs, std::move(tick));
}

}  // namespace nivarra
