// Where the sky of a time zone is: the system's tz database places zones
// and their old names where zone1970.tab puts them (or their link target),
// knows the zones that lie nowhere in particular, refuses names it does not
// have and reads past a bad line; the Windows program's table leads a
// Windows zone and the user's country to the zone CLDR names.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/time_zone_database.h"
#include "platform/windows_zones.h"

namespace nivarra {
namespace {

// zone1970.tab's ISO 6709 coordinates, in decimal degrees by hand.
constexpr GeoPlace kHobart{-(42 + 53 / 60.0), 147 + 19 / 60.0};       // -4253+14719
constexpr GeoPlace kHoChiMinh{10 + 45 / 60.0, 106 + 40 / 60.0};       // +1045+10640
constexpr GeoPlace kNewYork{40 + 42 / 60.0 + 51 / 3600.0, -(74 + 0 / 60.0 + 23 / 3600.0)};  // +404251-0740023
constexpr GeoPlace kParis{48 + 52 / 60.0, 2 + 20 / 60.0};             // +4852+00220

void ExpectPlace(const std::optional<GeoPlace>& found, const std::optional<GeoPlace>& expected) {
  ASSERT_EQ(found.has_value(), expected.has_value());
  if (!expected) return;
  EXPECT_NEAR(found->Latitude, expected->Latitude, 1e-6);
  EXPECT_NEAR(found->Longitude, expected->Longitude, 1e-6);
}

TEST(TimeZonePlaces, ZonesAndAliasesStandWhereTheDatabaseSaysAndOtherNamesAreRefused) {
  const TimeZoneDatabase database = TimeZoneDatabase::Read(SystemZoneFolder());
  for (const std::string& problem : database.Problems()) ADD_FAILURE() << problem;

  struct Case {
    const char* name;
    bool known;
    std::optional<GeoPlace> place;
  };
  const Case cases[] = {
      {"Australia/Hobart", true, kHobart},
      {"Asia/Ho_Chi_Minh", true, kHoChiMinh},
      {"Asia/Saigon", true, kHoChiMinh},  // linked
      {"Asia/Novosibirsk", true, GeoPlace{55 + 2 / 60.0, 82 + 55 / 60.0}},    // +5502+08255
      {"Asia/Yekaterinburg", true, GeoPlace{56 + 51 / 60.0, 60 + 36 / 60.0}}, // +5651+06036
      {"Asia/Vladivostok", true, GeoPlace{43 + 10 / 60.0, 131 + 56 / 60.0}},  // +4310+13156
      {"America/Argentina/Cordoba", true, GeoPlace{-(31 + 24 / 60.0), -(64 + 11 / 60.0)}},  // -3124-06411
      {"America/Argentina/Ushuaia", true, GeoPlace{-(54 + 48 / 60.0), -(68 + 18 / 60.0)}},  // -5448-06818
      {"America/Punta_Arenas", true, GeoPlace{-(53 + 9 / 60.0), -(70 + 55 / 60.0)}},       // -5309-07055
      {"Atlantic/Stanley", true, GeoPlace{-(51 + 42 / 60.0), -(57 + 51 / 60.0)}},          // -5142-05751
      {"US/Eastern", true, kNewYork},  // linked
      {"Asia/Calcutta", true, GeoPlace{22 + 32 / 60.0, 88 + 22 / 60.0}},  // Asia/Kolkata, +2232+08822
      {"Asia/Tel_Aviv", true, GeoPlace{31 + 46 / 60.0 + 50 / 3600.0, 35 + 13 / 60.0 + 26 / 3600.0}},  // Jerusalem
      {"Europe/Paris", true, kParis},
      // Zones of the database that lie nowhere in particular.
      {"UTC", true, std::nullopt},
      {"Etc/GMT+5", true, std::nullopt},
      // Names it does not have.
      {"Asia/Saigonn", false, std::nullopt},
      {"Paris", false, std::nullopt},
      {"", false, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(database.Knows(c.name), c.known);
    ExpectPlace(database.PlaceOf(c.name), c.place);
  }

  // A bad line is passed over and told; a folder without a database knows nothing.
  const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / "nivarra-bad-zone-tab";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "zone1970.tab") << "# comment\nFR,MC\t+4852+00220\tEurope/Paris\nAU\t-42+147\tAustralia/Hobart\n";
  std::ofstream(folder / "tzdata.zi") << "L Europe/Paris Europe/Monaco\nL Europe/Paris\n";
  const TimeZoneDatabase bad = TimeZoneDatabase::Read(folder);
  ExpectPlace(bad.PlaceOf("Europe/Monaco"), kParis);
  EXPECT_FALSE(bad.Knows("Australia/Hobart"));
  const std::vector<std::string> told = {
      "zone1970.tab line 3: not a zone's country, place and name",
      "cannot read " + (folder / "zone.tab").string(),
      "tzdata.zi line 2: a zone or link without its name",
  };
  EXPECT_EQ(bad.Problems(), told);
  std::filesystem::remove_all(folder);
  const TimeZoneDatabase none = TimeZoneDatabase::Read(folder);
  EXPECT_FALSE(none.Knows("Europe/Paris"));
  EXPECT_EQ(none.Problems().size(), 3u);
}

// Rows of CLDR's windowsZones.xml; where the country is not listed, a
// Windows zone with the same clock that lists it, then the zone as a whole.
TEST(WindowsZones, AWindowsZoneAndACountryLeadToCldrsZone) {
  const auto keepsCentralEuropeanClock = [](std::string_view windows) {
    return windows == "Romance Standard Time" || windows == "W. Europe Standard Time" ||
           windows == "Central European Standard Time";
  };
  struct Case {
    const char* windows;
    const char* territory;
    const char* zone;  // nullptr: none
  };
  const Case cases[] = {
      {"Romance Standard Time", "FR", "Europe/Paris"},
      {"Romance Standard Time", "BE", "Europe/Brussels"},
      {"Tasmania Standard Time", "AU", "Australia/Hobart"},
      {"SE Asia Standard Time", "VN", "Asia/Saigon"},
      {"India Standard Time", "IN", "Asia/Calcutta"},
      {"Eastern Standard Time", "CA", "America/Toronto"},
      {"Magallanes Standard Time", "CL", "America/Punta_Arenas"},
      {"AUS Eastern Standard Time", "", "Australia/Sydney"},
      {"Central Europe Standard Time", "HU", "Europe/Budapest"},
      {"Central Europe Standard Time", "FR", "Europe/Paris"},     // Wine's name for Paris
      {"Central Europe Standard Time", "US", "Europe/Budapest"},  // no American zone keeps that clock
      {"UTC", "GB", nullptr},
      {"Mars Standard Time", "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.windows) + " " + c.territory);
    const auto found = FindWindowsZone(c.windows, c.territory, keepsCentralEuropeanClock);
    ASSERT_EQ(found.has_value(), c.zone != nullptr);
    if (found) {
      EXPECT_EQ(found->Zone, c.zone);
    }
  }
  ExpectPlace(FindWindowsZone("Romance Standard Time", "FR", keepsCentralEuropeanClock)->Place, kParis);
  ExpectPlace(FindWindowsZone("Tasmania Standard Time", "AU", keepsCentralEuropeanClock)->Place, kHobart);
}

}  // namespace
}  // namespace nivarra
