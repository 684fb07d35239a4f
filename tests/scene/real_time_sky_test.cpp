// The sky that follows the local clock: sunrise and sunset against
// published tables, the cycle's phase at the day's turning points, the
// polar days and nights, and a night across the new year.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/headless/headless_platform.h"
#include "platform/system_time_zone.h"
#include "core/date_time.h"
#include "scene/real_time_sky.h"
#include "scene/sun_times.h"

namespace nivarra {
namespace {

constexpr GeoPlace kParis{48.8566, 2.3522};
constexpr GeoPlace kTromso{69.6492, 18.9553};

double Hours(int h, int m) { return h + m / 60.0; }

// Published times, rounded to the minute (NOAA solar calculator), at the
// 2024 solstices on each city's clock.
TEST(SunTimes, MatchPublishedTimesWithinThreeMinutes) {
  struct Case {
    const char* city;
    GeoPlace place;
    int month, day;
    double offset;
    double rise, set;
  };
  const GeoPlace newYork{40.7128, -74.0060}, sydney{-33.8688, 151.2093}, tokyo{35.6762, 139.6503};
  const Case cases[] = {
      {"Paris", kParis, 6, 21, 2, Hours(5, 47), Hours(21, 58)},
      {"Paris", kParis, 12, 21, 1, Hours(8, 41), Hours(16, 56)},
      {"New York", newYork, 6, 21, -4, Hours(5, 25), Hours(20, 31)},
      {"New York", newYork, 12, 21, -5, Hours(7, 17), Hours(16, 32)},
      {"Sydney", sydney, 6, 21, 10, Hours(7, 0), Hours(16, 54)},
      {"Sydney", sydney, 12, 21, 11, Hours(5, 41), Hours(20, 5)},
      {"Tokyo", tokyo, 6, 21, 9, Hours(4, 25), Hours(19, 0)},
      {"Tokyo", tokyo, 12, 21, 9, Hours(6, 47), Hours(16, 32)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.city) + " " + std::to_string(c.month));
    const SunTimes times = SunTimesOn(2024, c.month, c.day, c.place, c.offset);
    ASSERT_EQ(times.Day, SunTimes::Kind::RisesAndSets);
    EXPECT_NEAR(times.Sunrise * 60, c.rise * 60, 3);
    EXPECT_NEAR(times.Sunset * 60, c.set * 60, 3);
  }
}

// Tromsø has the midnight sun in June and no sun at all in December: the
// sky stays at its day or at its deepest night all day long.
TEST(SunTimes, PolarDayAndNightHoldTheSkyAllDay) {
  EXPECT_EQ(SunTimesOn(2026, 6, 21, kTromso, 2).Day, SunTimes::Kind::PolarDay);
  EXPECT_EQ(SunTimesOn(2026, 12, 21, kTromso, 1).Day, SunTimes::Kind::PolarNight);
  for (int hour : {0, 6, 12, 18, 23}) {
    EXPECT_EQ(-CyclePositions()[CycleStepAt(EncodeDateTime(2026, 6, 21, hour, 0), kTromso, 2)].SkyOffset, 601);
    EXPECT_EQ(CyclePositions()[CycleStepAt(EncodeDateTime(2026, 12, 21, hour, 0), kTromso, 1)].SkyOffset, 0);
  }
}

// Steps counted from the cycle's rules: the sky climbs one pixel a step
// from 0 to -601 and sinks back by 1202; the sun comes up at -251.
TEST(RealTimeSky, TheDaysTurningPointsMeetTheCycles) {
  const SunTimes times = SunTimesOn(2026, 12, 7, kParis, 1);
  const double day = EncodeDate(2026, 12, 7);
  const auto at = [&](double hours) {
    return CyclePositions()[CycleStepAt(day + (hours + 0.5 / 60) / 24, kParis, 1)];
  };
  const SkyPosition sunrise = at(times.Sunrise);
  EXPECT_EQ(sunrise.SkyOffset, -273);
  EXPECT_TRUE(sunrise.SkyRising && sunrise.SunVisible);

  const SkyPosition noon = at((times.Sunrise + times.Sunset) / 2);
  EXPECT_EQ(noon.SkyOffset, -601);

  const SkyPosition sunset = at(times.Sunset);
  EXPECT_EQ(sunset.SkyOffset, -(1202 - 875));
  EXPECT_TRUE(!sunset.SkyRising && sunset.SunVisible);  // the setting sun

  // The clock's midnight comes 40 minutes before the sun's in Paris; the
  // setting sun has long gone behind the hills, the moon is up.
  const SkyPosition midnight = at(0);
  EXPECT_GT(midnight.SkyOffset, -40);
  EXPECT_FALSE(midnight.SkyRising);
  EXPECT_GT(midnight.SunY, 150);
  EXPECT_TRUE(midnight.MoonVisible);
}

// Minute by minute through the new year's night the sky moves smoothly,
// and the desktop is asked for its zone once an hour.
TEST(RealTimeSky, ANightAcrossTheNewYearRunsOn) {
  HeadlessPlatform platform;
  platform.SetTimeZone({"Europe/Paris", 60, kParis});
  RealTimeSky sky;
  const RealTimeSky::ZoneAt zone = [&](double at) { return platform.LocalTimeZone(at); };
  const double start = EncodeDateTime(2026, 12, 31, 23, 0);
  int previous = sky.PositionAt(zone, start, {}, {}).SkyOffset;
  int deepest = previous;
  for (int minute = 1; minute <= 120; ++minute) {
    const int offset = sky.PositionAt(zone, start + minute / 1440.0, {}, {}).SkyOffset;
    EXPECT_LE(std::abs(offset - previous), 2) << "minute " << minute;
    deepest = std::max(deepest, offset);
    previous = offset;
  }
  EXPECT_EQ(deepest, 0);  // solar midnight in Paris is at about 0:45
  EXPECT_EQ(platform.TimeZoneQueries(), 3);
}

TEST(RealTimeSky, ThePlaceComesFromTheSettingsTheZoneOrItsOffset) {
  struct Case {
    TimeZoneInfo zone;
    std::optional<double> latitude, longitude;
    GeoPlace place;
    double offset;
  };
  const Case cases[] = {
      {{"Europe/Paris", 120, kParis}, {}, {}, kParis, 2},
      {{"Asia/Tokyo", {}, GeoPlace{35.65, 139.74}}, {}, {}, {35.65, 139.74}, 9},
      {{"unknown", -300}, {}, {}, {50, -75}, -5},
      {{"Etc/UTC", {}}, {}, {}, {50, 0}, 0},
      {{"Europe/Paris", 60, kParis}, 60.0, {}, {60, kParis.Longitude}, 1},
      {{"unknown", {}}, -33.9, 151.2, {-33.9, 151.2}, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zone.Name);
    const SkyPlace sky = PlaceForSky(c.zone, c.latitude, c.longitude);
    EXPECT_EQ(sky.Place, c.place);
    EXPECT_EQ(sky.UtcOffsetHours, c.offset);
  }
}

TEST(SystemTimeZone, NamesComeFromTzValuesAndZoneinfoLinks) {
  EXPECT_EQ(ZoneNameFromPath(":Europe/Paris"), "Europe/Paris");
  EXPECT_EQ(ZoneNameFromPath("/usr/share/zoneinfo/America/New_York"), "America/New_York");
  EXPECT_EQ(ZoneNameFromPath("../usr/share/zoneinfo/posix/Asia/Tokyo"), "Asia/Tokyo");
  EXPECT_EQ(ZoneNameFromPath("America/Port-au-Prince"), "America/Port-au-Prince");
  EXPECT_EQ(ZoneNameFromPath("CET-1CEST,M3.5.0,M10.5.0/3"), "");
  EXPECT_EQ(ZoneNameFromPath("/etc/mytime"), "");

  // The C library's offset for the date, daylight saving included.
  const char* saved = std::getenv("TZ");
  const std::string previous = saved != nullptr ? saved : "";
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  const TimeZoneInfo winter = SystemTimeZone(EncodeDateTime(2026, 1, 15, 12, 0));
  const TimeZoneInfo summer = SystemTimeZone(EncodeDateTime(2026, 7, 15, 12, 0));
  if (saved != nullptr) {
    setenv("TZ", previous.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  EXPECT_EQ(winter.Name, "unknown");
  EXPECT_EQ(winter.UtcOffsetMinutes, 60);
  EXPECT_EQ(summer.UtcOffsetMinutes, 120);
}

}  // namespace
}  // namespace nivarra
