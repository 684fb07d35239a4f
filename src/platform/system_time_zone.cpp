#include "platform/system_time_zone.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "core/date_time.h"
#include "core/time_zone_database.h"

namespace nivarra {

std::string ZoneNameFromPath(std::string_view text) {
  if (!text.empty() && text.front() == ':') text.remove_prefix(1);
  constexpr std::string_view kZoneInfo = "zoneinfo/";
  if (const auto at = text.rfind(kZoneInfo); at != std::string_view::npos) {
    text.remove_prefix(at + kZoneInfo.size());
    // Some systems keep copies for leap seconds and POSIX time beside the zones.
    for (std::string_view prefix : {"posix/", "right/"}) {
      if (text.starts_with(prefix)) text.remove_prefix(prefix.size());
    }
    return std::string(text);
  }
  // A bare name ("Europe/Paris", "UTC") has letters, underscores and
  // slashes; a POSIX rule has digits or signs.
  if (text.empty() || text.front() == '/') return {};
  for (char c : text) {
    if (!(std::isalpha(static_cast<unsigned char>(c)) || c == '/' || c == '_' || c == '-')) return {};
  }
  return std::string(text);
}

namespace {

std::string SystemZoneName() {
  // Set at all, TZ decides, as it does for the C library: empty, it is UTC.
  if (const char* tz = std::getenv("TZ"); tz != nullptr) {
    if (*tz == '\0') return "UTC";
    const std::string name = ZoneNameFromPath(tz);
    return name.empty() ? "unknown" : name;
  }
  std::error_code error;
  const std::filesystem::path target = std::filesystem::read_symlink("/etc/localtime", error);
  if (!error) {
    if (std::string name = ZoneNameFromPath(target.string()); !name.empty()) return name;
  }
  std::ifstream file("/etc/timezone");
  std::string line;
  if (std::getline(file, line)) {
    if (std::string name = ZoneNameFromPath(line); !name.empty()) return name;
  }
  return "unknown";
}

}  // namespace

TimeZoneInfo SystemTimeZone(double localDateTime) {
  TimeZoneInfo zone;
  zone.Name = SystemZoneName();
  // Read anew at each question (once an hour): the database changes with
  // the system's updates, and reading it takes a few milliseconds.
  zone.Place = TimeZoneDatabase::Read(SystemZoneFolder()).PlaceOf(zone.Name);
  const CalendarDate date = DecodeDate(localDateTime);
  const int minutes = static_cast<int>(std::lround((localDateTime - DateOf(localDateTime)) * 24 * 60));
  std::tm local{};
  local.tm_year = date.Year - 1900;
  local.tm_mon = date.Month - 1;
  local.tm_mday = date.Day;
  local.tm_hour = minutes / 60;
  local.tm_min = minutes % 60;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  std::tm resolved{};
  if (when != static_cast<std::time_t>(-1) && localtime_r(&when, &resolved) != nullptr) {
    zone.UtcOffsetMinutes = static_cast<int>(resolved.tm_gmtoff / 60);
  }
  return zone;
}

}  // namespace nivarra
