#pragma once
// A place on Earth, as the sun's times and the places of time zones need it.

namespace nivarra {

struct GeoPlace {
  double Latitude = 0;   // degrees, north positive
  double Longitude = 0;  // degrees, east positive
  friend bool operator==(const GeoPlace&, const GeoPlace&) = default;
};

}  // namespace nivarra
