#pragma once
// The IANA zones behind Windows' time zones, after the Unicode CLDR's
// windowsZones.xml: one Windows zone ("Romance Standard Time") covers
// several countries, and CLDR names each country's own zone under it
// (Europe/Brussels for Belgium, Europe/Paris for France) and one for the
// Windows zone as a whole ("001"). The table is generated at build time
// from CLDR and the tz database, which adds each zone's principal place;
// zones that lie nowhere in particular (Etc/GMT+12) are left out.

#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "core/geo_place.h"

namespace nivarra {

struct WindowsZone {
  std::string_view Windows;    // the key name, "Romance Standard Time"
  std::string_view Territory;  // ISO 3166 two letters, or "001"
  std::string_view Zone;       // the IANA name as CLDR writes it
  GeoPlace Place;
};

// Every row, those of one Windows zone together.
std::span<const WindowsZone> WindowsZones();

// The zone the Windows zone windows stands for in territory: that
// territory's own; for a territory it does not list, the territory's zone
// under another Windows zone that keeps the same clock (keepsSameClock says
// which: France under "Central Europe Standard Time" keeps the clock of
// "Romance Standard Time", Europe/Paris); else its zone as a whole.
// Nothing for a Windows zone the table does not place.
std::optional<WindowsZone> FindWindowsZone(std::string_view windows, std::string_view territory,
                                           const std::function<bool(std::string_view windows)>& keepsSameClock);

}  // namespace nivarra
