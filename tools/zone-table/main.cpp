// zone-table: writes the table of Windows time zones that the Windows
// program carries (WindowsZones(), platform/windows_zones.h) from the
// Unicode CLDR's windowsZones.xml and a tz database.
//
//   zone-table WINDOWS_ZONES_XML ZONE_FOLDER OUTPUT.cpp
//
// Each mapZone of the XML becomes a row with its Windows zone, territory,
// first IANA zone and that zone's principal place; the catch-all territory
// "ZZ" and zones without a place (Etc/GMT+12) are left out. A database
// that cannot be read whole is an error; an IANA name it does not know is
// left out with a warning.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "core/time_zone_database.h"

namespace {

using namespace nivarra;

// The value of attribute name in the element text, or nothing.
std::optional<std::string_view> Attribute(std::string_view element, std::string_view name) {
  const std::string key = " " + std::string(name) + "=\"";
  const std::size_t start = element.find(key);
  if (start == std::string_view::npos) return std::nullopt;
  const std::size_t from = start + key.size();
  const std::size_t end = element.find('"', from);
  if (end == std::string_view::npos) return std::nullopt;
  return element.substr(from, end - from);
}

// Text that goes between a C++ string's quotes as it is.
bool Plain(std::string_view text) {
  return text.find_first_of("\"\\&<>\n") == std::string_view::npos && !text.empty();
}

int Run(const char* xmlPath, const char* folder, const char* outputPath) {
  std::ifstream xmlFile(xmlPath);
  if (!xmlFile) {
    std::fprintf(stderr, "zone-table: cannot read %s\n", xmlPath);
    return 1;
  }
  const std::string xml(std::istreambuf_iterator<char>(xmlFile), {});

  const TimeZoneDatabase database = TimeZoneDatabase::Read(folder);
  if (!database.Problems().empty()) {
    for (const std::string& problem : database.Problems()) std::fprintf(stderr, "zone-table: %s\n", problem.c_str());
    return 1;
  }

  std::ostringstream rows;
  int count = 0;
  for (std::size_t at = xml.find("<mapZone "); at != std::string::npos; at = xml.find("<mapZone ", at + 1)) {
    const std::size_t end = xml.find('>', at);
    if (end == std::string::npos) break;
    const std::string_view element(xml.data() + at, end - at);
    const auto windows = Attribute(element, "other");
    const auto territory = Attribute(element, "territory");
    const auto types = Attribute(element, "type");
    if (!windows || !territory || !types || !Plain(*windows) || !Plain(*territory) || !Plain(*types)) {
      std::fprintf(stderr, "zone-table: %s: a mapZone without a plain other, territory and type: %.*s\n", xmlPath,
                   static_cast<int>(element.size()), element.data());
      return 1;
    }
    if (*territory == "ZZ") continue;
    // The first of the territory's zones is its main one ("Europe/Madrid Africa/Ceuta").
    const std::string_view zone = types->substr(0, types->find(' '));
    if (!database.Knows(zone)) {
      std::fprintf(stderr, "zone-table: warning: %s names %.*s, which the database in %s does not know; left out\n",
                   xmlPath, static_cast<int>(zone.size()), zone.data(), folder);
      continue;
    }
    const auto place = database.PlaceOf(zone);
    if (!place) continue;
    char coordinates[64];
    std::snprintf(coordinates, sizeof coordinates, "{%.6f, %.6f}", place->Latitude, place->Longitude);
    rows << "      {\"" << *windows << "\", \"" << *territory << "\", \"" << zone << "\", " << coordinates << "},\n";
    ++count;
  }
  if (count == 0) {
    std::fprintf(stderr, "zone-table: %s has no mapZone with a place\n", xmlPath);
    return 1;
  }

  std::ofstream output(outputPath);
  output << "// Made by zone-table from " << xmlPath << " and the tz database in " << folder
         << ".\n"
            "#include \"platform/windows_zones.h\"\n\n"
            "namespace nivarra {\n\n"
            "std::span<const WindowsZone> WindowsZones() {\n"
            "  static constexpr WindowsZone kZones[] = {\n"
         << rows.str()
         << "  };\n"
            "  return kZones;\n"
            "}\n\n"
            "}  // namespace nivarra\n";
  output.close();
  if (!output) {
    std::fprintf(stderr, "zone-table: cannot write %s\n", outputPath);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: zone-table WINDOWS_ZONES_XML ZONE_FOLDER OUTPUT.cpp\n");
    return 2;
  }
  return Run(argv[1], argv[2], argv[3]);
}
