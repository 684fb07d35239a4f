#pragma once
// The time zone of a Unix system, as the C library and the usual places
// name it: for desktops that have nothing better to offer.

#include "platform/clock.h"

namespace nivarra {

// The IANA name from TZ (":Europe/Paris", a path into a zoneinfo
// directory; "UTC" when TZ is empty), else from where /etc/localtime links
// to, else from /etc/timezone; "unknown" when none names one. The place is
// the system's time-zone database's for that name, the offset the C
// library's for the local date-time.
TimeZoneInfo SystemTimeZone(double localDateTime);

// The IANA name in a TZ value or a link into a zoneinfo directory; empty
// when there is none (a POSIX rule such as "CET-1CEST" names no place).
std::string ZoneNameFromPath(std::string_view text);

}  // namespace nivarra
