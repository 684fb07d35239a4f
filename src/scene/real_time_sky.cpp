#include "scene/real_time_sky.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/date_time.h"

namespace nivarra {
namespace {

// The Normal speed's rhythm on a 20 ms frame timer: the slow clock fires
// every 1020 ms and the fast one every 340 ms, together on the slow tick.
constexpr int kSpriteTicksPerStep = 3;

std::vector<SkyPosition> RunCycle() {
  Sky sky;
  sky.SetStartPositions();
  const auto step = [&sky] {
    const auto none = [](SkyBody, int, int, int) {};
    sky.Step(true, true, none);
    for (int i = 1; i < kSpriteTicksPerStep; ++i) sky.Step(false, true, none);
  };
  // From the program's start to the first deepest night, past an evening.
  do step(); while (sky.SkyOffset() != Sky::kDeepNight);
  std::vector<SkyPosition> cycle;
  cycle.reserve(kCycleSteps);
  for (int i = 0; i < kCycleSteps; ++i) {
    cycle.push_back(sky.Position());
    step();
  }
  return cycle;
}

// Where hours falls between from and to, as a step between two steps.
double Between(double hours, double from, double to, double fromStep, double toStep) {
  const double part = to > from ? (hours - from) / (to - from) : 0;
  return fromStep + std::clamp(part, 0.0, 1.0) * (toStep - fromStep);
}

}  // namespace

const std::vector<SkyPosition>& CyclePositions() {
  static const std::vector<SkyPosition> cycle = RunCycle();
  return cycle;
}

SunEvents SunEventsAround(double midnight, GeoPlace place, double utcOffsetHours) {
  const auto timesOn = [&](int day) {
    const CalendarDate date = DecodeDate(midnight + day);
    return SunTimesOn(date.Year, date.Month, date.Day, place, utcOffsetHours);
  };
  SunEvents around;
  const SunTimes today = timesOn(0);
  around.Today = today.Day;
  if (today.Day != SunTimes::Kind::RisesAndSets) return around;
  // Yesterday's, today's and tomorrow's sunrise and sunset on today's
  // clock; a neighbour without them borrows today's.
  for (int day = -1; day <= 1; ++day) {
    const SunTimes t = day == 0 ? today : timesOn(day);
    const SunTimes& use = t.Day == SunTimes::Kind::RisesAndSets ? t : today;
    around.Hours[static_cast<std::size_t>(2 * (day + 1))] = use.Sunrise + 24 * day;
    around.Hours[static_cast<std::size_t>(2 * (day + 1) + 1)] = use.Sunset + 24 * day;
  }
  return around;
}

int CycleStepIn(const SunEvents& around, double hours) {
  if (around.Today == SunTimes::Kind::PolarNight) return 0;
  if (around.Today == SunTimes::Kind::PolarDay) return kCycleNoonStep;
  const auto& events = around.Hours;
  std::size_t i = 0;
  while (i + 2 < events.size() && hours >= events[i + 1]) ++i;
  const double from = events[i], to = events[i + 1];
  const double middle = (from + to) / 2;
  double step;
  if (i % 2 == 0) {  // daylight
    step = hours < middle ? Between(hours, from, middle, kCycleSunriseStep, kCycleNoonStep)
                          : Between(hours, middle, to, kCycleNoonStep, kCycleSunsetStep);
  } else {  // night, through the deepest night at its middle
    step = hours < middle ? Between(hours, from, middle, kCycleSunsetStep, kCycleSteps)
                          : Between(hours, middle, to, 0, kCycleSunriseStep);
  }
  return std::clamp(static_cast<int>(step), 0, kCycleSteps - 1);
}

int CycleStepAt(double localNow, GeoPlace place, double utcOffsetHours) {
  const double midnight = std::floor(localNow);
  return CycleStepIn(SunEventsAround(midnight, place, utcOffsetHours), (localNow - midnight) * 24);
}

SkyPlace PlaceForSky(const TimeZoneInfo& zone, std::optional<double> latitude, std::optional<double> longitude) {
  // A zone that names no place (UTC, Etc/GMT+5, an empty TZ) still tells
  // its offset: the sky follows 50° N on that offset's meridian.
  GeoPlace place = zone.Place.value_or(GeoPlace{kUnknownZoneLatitude, zone.UtcOffsetMinutes.value_or(0) / 60.0 * 15});
  if (latitude) place.Latitude = *latitude;
  if (longitude) place.Longitude = *longitude;
  const double offset = zone.UtcOffsetMinutes ? *zone.UtcOffsetMinutes / 60.0 : std::round(place.Longitude / 15);
  return SkyPlace{place, offset};
}

const SkyPosition& RealTimeSky::PositionAt(Clock& platform, double localNow, std::optional<double> latitude,
                                           std::optional<double> longitude) {
  const double hour = std::floor(localNow * 24);
  const double midnight = std::floor(localNow);
  if (!known_ || hour != hour_ || latitude != latitude_ || longitude != longitude_) {
    place_ = PlaceForSky(platform.LocalTimeZone(localNow), latitude, longitude);
    // The day's sunrises and sunsets hold for the hour: frames only look up their step.
    events_ = SunEventsAround(midnight, place_.Place, place_.UtcOffsetHours);
    known_ = true;
    hour_ = hour;
    latitude_ = latitude;
    longitude_ = longitude;
  }
  return CyclePositions()[static_cast<std::size_t>(CycleStepIn(events_, (localNow - midnight) * 24))];
}

}  // namespace nivarra
