#pragma once
// The sky cycle following the local clock: one cycle of the sky is laid
// over one day, its sunrise, noon, sunset and deepest night at the real
// ones, and the sky and its bodies stand where the cycle has them then.

#include <array>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "scene/sky.h"
#include "scene/sun_times.h"

namespace nivarra {

// Steps of one cycle, counted in slow ticks from the deepest night as the
// sky turns towards day.
inline constexpr int kCycleSteps = 1202;
// At Normal speed: the sun's upper edge clears the hills, the sky turns
// towards night, the setting sun's upper edge sinks behind the hills.
inline constexpr int kCycleSunriseStep = 273;
inline constexpr int kCycleNoonStep = 601;
inline constexpr int kCycleSunsetStep = 875;

// Where the sky stands at each step of a cycle run at Normal speed, once
// a first evening has set the moon on its nightly course.
const std::vector<SkyPosition>& CyclePositions();

// The step of the cycle at local time localNow (days since 30 December
// 1899) at place, for a clock utcOffsetHours ahead of UTC: sunrise to
// solar noon to sunset, then through solar midnight to the next sunrise,
// each stretch spread evenly over its part of the cycle. A day without a
// sunrise stays at the deepest night, one without a sunset at noon.
int CycleStepAt(double localNow, GeoPlace place, double utcOffsetHours);

// What CycleStepAt needs of one day: whether the sun rises and sets, and
// yesterday's, today's and tomorrow's sunrise and sunset in hours of the
// day's local clock.
struct SunEvents {
  SunTimes::Kind Today = SunTimes::Kind::RisesAndSets;
  std::array<double, 6> Hours{};
};
SunEvents SunEventsAround(double midnight, GeoPlace place, double utcOffsetHours);
// The step at hours into the day those events belong to.
int CycleStepIn(const SunEvents& around, double hours);

// The place the sky follows and the clock's offset from UTC.
struct SkyPlace {
  GeoPlace Place;
  double UtcOffsetHours = 0;
};
inline constexpr double kUnknownZoneLatitude = 50;
// The stored latitude and longitude where given; otherwise the zone's
// place, or, for a zone without one, 50° N on the meridian of its UTC
// offset. Without an offset from the desktop, the place's own meridian's.
SkyPlace PlaceForSky(const TimeZoneInfo& zone, std::optional<double> latitude, std::optional<double> longitude);

// The sky's position by the clock, asking the desktop for its time zone
// only when the local hour (or the stored place) has changed.
class RealTimeSky {
 public:
  const SkyPosition& PositionAt(Clock& platform, double localNow, std::optional<double> latitude,
                                std::optional<double> longitude);

 private:
  bool known_ = false;
  double hour_ = 0;
  std::optional<double> latitude_, longitude_;
  SkyPlace place_;
  SunEvents events_;
};

}  // namespace nivarra
