#pragma once
// Where the time zones of the tz database lie: each zone's principal
// location from zone1970.tab and zone.tab (ISO 6709 coordinates), and every
// other name the database knows from tzdata.zi's zones and links (or, where
// a system has no tzdata.zi, the links of `backward`), an old or alias name
// ("Asia/Calcutta", "US/Eastern") leading to the zone it links to.

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/geo_place.h"

namespace nivarra {

class TimeZoneDatabase {
 public:
  // Reads the database in folder. Missing files and lines that cannot be
  // read are passed over and told in Problems(): a folder without a
  // database reads as one that knows no zone.
  static TimeZoneDatabase Read(const std::filesystem::path& folder);

  // Whether name is a zone or a link of the database ("Etc/GMT+5" is one).
  bool Knows(std::string_view name) const;
  // The principal location of name's zone; nothing for a name the database
  // does not know or whose zone lies nowhere in particular (UTC, Etc/GMT+5).
  std::optional<GeoPlace> PlaceOf(std::string_view name) const;

  // What could not be read, one line each, with the file and line number.
  const std::vector<std::string>& Problems() const { return problems_; }

 private:
  void ReadLocations(const std::filesystem::path& file);
  void ReadZonesAndLinks(const std::filesystem::path& file);

  std::map<std::string, GeoPlace, std::less<>> places_;
  std::map<std::string, std::string, std::less<>> links_;  // name -> target
  std::set<std::string, std::less<>> zones_;
  std::vector<std::string> problems_;
};

// The system's database: the folder TZDIR names, else /usr/share/zoneinfo.
std::filesystem::path SystemZoneFolder();

}  // namespace nivarra
