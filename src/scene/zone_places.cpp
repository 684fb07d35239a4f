#include "scene/zone_places.h"

#include <algorithm>
#include <iterator>

namespace nivarra {
namespace {

struct ZonePlace {
  std::string_view Zone;
  GeoPlace Place;
};

// Sorted by name for the lookup.
constexpr ZonePlace kZonePlaces[] = {
    {"AUS Eastern Standard Time", {-33.87, 151.21}},
    {"Africa/Cairo", {30.04, 31.24}},
    {"Africa/Johannesburg", {-26.20, 28.05}},
    {"Africa/Lagos", {6.52, 3.38}},
    {"Africa/Nairobi", {-1.29, 36.82}},
    {"America/Anchorage", {61.22, -149.90}},
    {"America/Argentina/Buenos_Aires", {-34.60, -58.38}},
    {"America/Bogota", {4.71, -74.07}},
    {"America/Chicago", {41.88, -87.63}},
    {"America/Denver", {39.74, -104.99}},
    {"America/Halifax", {44.65, -63.58}},
    {"America/Lima", {-12.05, -77.04}},
    {"America/Los_Angeles", {34.05, -118.24}},
    {"America/Mexico_City", {19.43, -99.13}},
    {"America/New_York", {40.71, -74.01}},
    {"America/Phoenix", {33.45, -112.07}},
    {"America/Santiago", {-33.45, -70.67}},
    {"America/Sao_Paulo", {-23.55, -46.63}},
    {"America/St_Johns", {47.56, -52.71}},
    {"America/Toronto", {43.65, -79.38}},
    {"America/Vancouver", {49.28, -123.12}},
    {"Asia/Bangkok", {13.76, 100.50}},
    {"Asia/Dhaka", {23.81, 90.41}},
    {"Asia/Dubai", {25.20, 55.27}},
    {"Asia/Hong_Kong", {22.32, 114.17}},
    {"Asia/Jakarta", {-6.21, 106.85}},
    {"Asia/Jerusalem", {31.77, 35.21}},
    {"Asia/Karachi", {24.86, 67.01}},
    {"Asia/Kolkata", {22.57, 88.36}},
    {"Asia/Manila", {14.60, 120.98}},
    {"Asia/Seoul", {37.57, 126.98}},
    {"Asia/Shanghai", {31.23, 121.47}},
    {"Asia/Singapore", {1.35, 103.82}},
    {"Asia/Taipei", {25.03, 121.57}},
    {"Asia/Tehran", {35.69, 51.39}},
    {"Asia/Tokyo", {35.68, 139.65}},
    {"Atlantic/Reykjavik", {64.15, -21.94}},
    {"Australia/Adelaide", {-34.93, 138.60}},
    {"Australia/Brisbane", {-27.47, 153.03}},
    {"Australia/Melbourne", {-37.81, 144.96}},
    {"Australia/Perth", {-31.95, 115.86}},
    {"Australia/Sydney", {-33.87, 151.21}},
    {"Canada Central Standard Time", {50.45, -104.62}},
    {"Central Europe Standard Time", {47.50, 19.04}},
    {"Central European Standard Time", {52.23, 21.01}},
    {"Central Standard Time", {41.88, -87.63}},
    {"China Standard Time", {39.90, 116.40}},
    {"E. Europe Standard Time", {47.01, 28.86}},
    {"E. South America Standard Time", {-23.55, -46.63}},
    {"Eastern Standard Time", {40.71, -74.01}},
    {"Europe/Amsterdam", {52.37, 4.90}},
    {"Europe/Athens", {37.98, 23.73}},
    {"Europe/Berlin", {52.52, 13.40}},
    {"Europe/Brussels", {50.85, 4.35}},
    {"Europe/Bucharest", {44.43, 26.10}},
    {"Europe/Budapest", {47.50, 19.04}},
    {"Europe/Copenhagen", {55.68, 12.57}},
    {"Europe/Dublin", {53.35, -6.26}},
    {"Europe/Helsinki", {60.17, 24.94}},
    {"Europe/Istanbul", {41.01, 28.98}},
    {"Europe/Kiev", {50.45, 30.52}},
    {"Europe/Kyiv", {50.45, 30.52}},
    {"Europe/Lisbon", {38.72, -9.14}},
    {"Europe/London", {51.51, -0.13}},
    {"Europe/Madrid", {40.42, -3.70}},
    {"Europe/Moscow", {55.76, 37.62}},
    {"Europe/Oslo", {59.91, 10.75}},
    {"Europe/Paris", {48.86, 2.35}},
    {"Europe/Prague", {50.08, 14.44}},
    {"Europe/Rome", {41.90, 12.50}},
    {"Europe/Stockholm", {59.33, 18.07}},
    {"Europe/Vienna", {48.21, 16.37}},
    {"Europe/Warsaw", {52.23, 21.01}},
    {"Europe/Zurich", {47.38, 8.54}},
    {"FLE Standard Time", {60.17, 24.94}},
    {"GMT Standard Time", {51.51, -0.13}},
    {"GTB Standard Time", {37.98, 23.73}},
    {"India Standard Time", {22.57, 88.36}},
    {"Korea Standard Time", {37.57, 126.98}},
    {"Mountain Standard Time", {39.74, -104.99}},
    {"New Zealand Standard Time", {-36.85, 174.76}},
    {"Pacific Standard Time", {34.05, -118.24}},
    {"Pacific/Auckland", {-36.85, 174.76}},
    {"Pacific/Honolulu", {21.31, -157.86}},
    {"Romance Standard Time", {48.86, 2.35}},
    {"Russian Standard Time", {55.76, 37.62}},
    {"Singapore Standard Time", {1.35, 103.82}},
    {"South Africa Standard Time", {-26.20, 28.05}},
    {"Tokyo Standard Time", {35.68, 139.65}},
    {"Turkey Standard Time", {41.01, 28.98}},
    {"US Mountain Standard Time", {33.45, -112.07}},
    {"W. Australia Standard Time", {-31.95, 115.86}},
    {"W. Europe Standard Time", {52.52, 13.40}},
};

static_assert(std::ranges::is_sorted(kZonePlaces, {}, &ZonePlace::Zone));

}  // namespace

std::optional<GeoPlace> PlaceOfZone(std::string_view zone) {
  const auto found = std::ranges::lower_bound(kZonePlaces, zone, {}, &ZonePlace::Zone);
  if (found == std::end(kZonePlaces) || found->Zone != zone) return std::nullopt;
  return found->Place;
}

}  // namespace nivarra
