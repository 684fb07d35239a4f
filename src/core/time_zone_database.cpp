#include "core/time_zone_database.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace nivarra {
namespace {

// tzdata.zi links straight to zones; older `backward` files have had a
// link to a link, never more than that. A loop gets no place.
constexpr int kMostLinkSteps = 4;

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

int Number(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

// One coordinate: a sign, degreeDigits digits of degrees, two of minutes,
// maybe two of seconds.
std::optional<double> Coordinate(std::string_view text, std::size_t degreeDigits, double limit) {
  if (text.size() != 1 + degreeDigits + 2 && text.size() != 1 + degreeDigits + 4) return std::nullopt;
  if ((text[0] != '+' && text[0] != '-') || !AllDigits(text.substr(1))) return std::nullopt;
  const int minutes = Number(text.substr(1 + degreeDigits, 2));
  const int seconds = text.size() == 1 + degreeDigits + 4 ? Number(text.substr(3 + degreeDigits, 2)) : 0;
  const double value = Number(text.substr(1, degreeDigits)) + minutes / 60.0 + seconds / 3600.0;
  if (minutes >= 60 || seconds >= 60 || value > limit) return std::nullopt;
  return text[0] == '-' ? -value : value;
}

std::optional<GeoPlace> ParseIso6709(std::string_view text) {
  const std::size_t split = text.find_first_of("+-", 1);
  if (split == std::string_view::npos) return std::nullopt;
  const auto latitude = Coordinate(text.substr(0, split), 2, 90);
  const auto longitude = Coordinate(text.substr(split), 3, 180);
  if (!latitude || !longitude) return std::nullopt;
  return GeoPlace{*latitude, *longitude};
}

std::vector<std::string_view> Split(std::string_view line, std::string_view separators) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at <= line.size()) {
    const std::size_t end = std::min(line.find_first_of(separators, at), line.size());
    fields.push_back(line.substr(at, end - at));
    at = end + 1;
  }
  return fields;
}

// Calls read(line, number) for every line of file, without a carriage
// return at its end; false when the file cannot be opened.
template <typename Read>
bool ForEachLine(const std::filesystem::path& file, Read read) {
  std::ifstream in(file);
  if (!in) return false;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    read(std::string_view(line), number);
  }
  return true;
}

}  // namespace

TimeZoneDatabase TimeZoneDatabase::Read(const std::filesystem::path& folder) {
  TimeZoneDatabase database;
  // zone1970.tab first: where both list a zone they agree, and zone.tab
  // adds the zones of countries that share another country's rules.
  database.ReadLocations(folder / "zone1970.tab");
  database.ReadLocations(folder / "zone.tab");
  std::error_code error;
  const std::filesystem::path compiled = folder / "tzdata.zi", links = folder / "backward";
  if (std::filesystem::exists(compiled, error)) {
    database.ReadZonesAndLinks(compiled);
  } else if (std::filesystem::exists(links, error)) {
    database.ReadZonesAndLinks(links);
  } else {
    database.problems_.push_back("no tzdata.zi or backward in " + folder.string());
  }
  return database;
}

void TimeZoneDatabase::ReadLocations(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  const bool read = ForEachLine(file, [&](std::string_view line, int number) {
    if (line.empty() || line.front() == '#') return;
    // country codes, coordinates, zone name, and maybe comments
    const auto fields = Split(line, "\t");
    const auto place = fields.size() >= 3 ? ParseIso6709(fields[1]) : std::nullopt;
    if (!place || fields[2].empty()) {
      problems_.push_back(name + " line " + std::to_string(number) + ": not a zone's country, place and name");
      return;
    }
    places_.try_emplace(std::string(fields[2]), *place);
    zones_.emplace(fields[2]);
  });
  if (!read) problems_.push_back("cannot read " + file.string());
}

void TimeZoneDatabase::ReadZonesAndLinks(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  const bool read = ForEachLine(file, [&](std::string_view line, int number) {
    line = line.substr(0, line.find('#'));
    std::vector<std::string_view> words;
    for (std::string_view word : Split(line, " \t")) {
      if (!word.empty()) words.push_back(word);
    }
    if (words.empty()) return;
    // "Z name ..." or "Zone name ...", "L target name" or "Link target name";
    // rules and a zone's continuation lines say nothing of names.
    const std::string_view kind = words[0];
    if (kind == "Z" || kind == "Zone") {
      if (words.size() >= 2) {
        zones_.emplace(words[1]);
        return;
      }
    } else if (kind == "L" || kind == "Link") {
      if (words.size() >= 3) {
        links_.insert_or_assign(std::string(words[2]), std::string(words[1]));
        return;
      }
    } else {
      return;
    }
    problems_.push_back(name + " line " + std::to_string(number) + ": a zone or link without its name");
  });
  if (!read) problems_.push_back("cannot read " + file.string());
}

bool TimeZoneDatabase::Knows(std::string_view name) const { return zones_.contains(name) || links_.contains(name); }

std::optional<GeoPlace> TimeZoneDatabase::PlaceOf(std::string_view name) const {
  for (int step = 0; step <= kMostLinkSteps; ++step) {
    if (const auto place = places_.find(name); place != places_.end()) return place->second;
    const auto link = links_.find(name);
    if (link == links_.end()) return std::nullopt;
    name = link->second;
  }
  return std::nullopt;
}

std::filesystem::path SystemZoneFolder() {
  const char* folder = std::getenv("TZDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/usr/share/zoneinfo";
}

}  // namespace nivarra
