#pragma once
// The local time zone as the desktop knows it.

#include <optional>
#include <string>

#include "core/geo_place.h"

namespace nivarra {

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

}  // namespace nivarra
