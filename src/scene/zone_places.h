#pragma once
// Where a time zone's people mostly live: the main city of common IANA
// zones ("Europe/Paris") and Windows zone key names ("Romance Standard
// Time"), close enough for sunrise and sunset within a few minutes.

#include <optional>
#include <string_view>

#include "scene/sun_times.h"

namespace nivarra {

// The city of zone; nothing for a name not in the table.
std::optional<GeoPlace> PlaceOfZone(std::string_view zone);

}  // namespace nivarra
