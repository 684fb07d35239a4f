#include "scene/sun_times.h"

#include <cmath>
#include <numbers>

#include "core/date_time.h"

namespace nivarra {
namespace {

constexpr double kDegree = std::numbers::pi / 180;
// Refraction at the horizon and the sun's apparent radius.
constexpr double kSunriseAltitude = -0.833;

struct SolarPosition {
  double Declination = 0;     // radians
  double EquationOfTime = 0;  // minutes, apparent minus mean solar time
};

// At utcHours on the dayOfYear-th day (1 = 1 January) of a year of
// yearLength days.
SolarPosition SolarPositionAt(int dayOfYear, int yearLength, double utcHours) {
  const double g = 2 * std::numbers::pi / yearLength * (dayOfYear - 1 + (utcHours - 12) / 24);
  SolarPosition p;
  p.EquationOfTime = 229.18 * (0.000075 + 0.001868 * std::cos(g) - 0.032077 * std::sin(g) -
                               0.014615 * std::cos(2 * g) - 0.040849 * std::sin(2 * g));
  p.Declination = 0.006918 - 0.399912 * std::cos(g) + 0.070257 * std::sin(g) - 0.006758 * std::cos(2 * g) +
                  0.000907 * std::sin(2 * g) - 0.002697 * std::cos(3 * g) + 0.00148 * std::sin(3 * g);
  return p;
}

}  // namespace

SunTimes SunTimesOn(int year, int month, int day, GeoPlace place, double utcOffsetHours) {
  const int dayOfYear = static_cast<int>(EncodeDate(year, month, day) - EncodeDate(year, 1, 1)) + 1;
  const int yearLength = IsLeapYear(year) ? 366 : 365;
  const double latitude = place.Latitude * kDegree;

  // Each event is computed twice: the sun's position is taken first at
  // local noon, then at the time the first pass found, which halves the
  // error on days when the declination moves fast.
  SunTimes times;
  const auto event = [&](double sign, double& localHours) {
    double utc = 12 - utcOffsetHours;
    for (int pass = 0; pass < 2; ++pass) {
      const SolarPosition sun = SolarPositionAt(dayOfYear, yearLength, utc);
      const double cosHourAngle =
          std::sin(kSunriseAltitude * kDegree) / (std::cos(latitude) * std::cos(sun.Declination)) -
          std::tan(latitude) * std::tan(sun.Declination);
      if (cosHourAngle <= -1) {
        times.Day = SunTimes::Kind::PolarDay;
        return;
      }
      if (cosHourAngle >= 1) {
        times.Day = SunTimes::Kind::PolarNight;
        return;
      }
      const double hourAngle = std::acos(cosHourAngle) / kDegree;
      const double minutes = 720 - 4 * (place.Longitude + sign * hourAngle) - sun.EquationOfTime;
      utc = minutes / 60;
    }
    localHours = utc + utcOffsetHours;
  };
  event(+1, times.Sunrise);
  if (times.Day == SunTimes::Kind::RisesAndSets) event(-1, times.Sunset);
  return times;
}

}  // namespace nivarra
