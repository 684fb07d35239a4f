#pragma once
// Sunrise and sunset from the date and a place: the usual low-precision
// solar position (declination and equation of time as Fourier series of the
// day of the year), the sun's centre at -0.833° for refraction and its
// radius. Good to a minute or two away from the polar circles.

#include "core/geo_place.h"

namespace nivarra {

struct SunTimes {
  enum class Kind { RisesAndSets, PolarDay, PolarNight };
  Kind Day = Kind::RisesAndSets;
  // Local clock hours after the date's midnight; may fall outside 0..24
  // where the zone is far from the place's meridian.
  double Sunrise = 0;
  double Sunset = 0;
};

// The sun's times on a calendar date at place, for a clock utcOffsetHours
// ahead of UTC.
SunTimes SunTimesOn(int year, int month, int day, GeoPlace place, double utcOffsetHours);

}  // namespace nivarra
