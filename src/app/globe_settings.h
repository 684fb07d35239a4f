#pragma once
// Everything the user sets on the globe, as one plain value, and the table
// of how each value is stored: its name, kind, default and the numbers it
// may take. Loading, saving, the check of what was read and the message
// about a value that cannot be used all go by the table.

#include <array>
#include <bitset>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings.h"

namespace nivarra {

class SettingsKey;

// The sizes the menu offers, in percent of the artwork.
inline constexpr std::array<int, 4> kSizePercents{75, 100, 150, 200};
// The speed that keeps the sky to the local clock ("Real time"), after
// the layout's four.
inline constexpr int kRealTimeSpeed = 4;
// A choice with nothing marked: the user chose the marked transparency
// level again, which clears its mark (saved as the default).
inline constexpr int kNothingChosen = -1;

struct GlobeSettings {
  bool OnTop;
  int Transparency;  // level 0..9: 0% .. 90%
  int Top;           // where the window stands, in screen pixels
  int Left;
  int Countdown;     // 0 Christmas, 1 New Year, 2 Julian Christmas
  int Speed;         // 0 Slow .. 3 Quickly, kRealTimeSpeed
  bool Snow;
  int Size;          // one of kSizePercents
  bool Shake;
  bool Autostart;    // starts when the user logs in
  // The place whose sunrise and sunset the sky follows; read, never written.
  std::optional<double> Latitude;
  std::optional<double> Longitude;

  // Every value at its default.
  static GlobeSettings Defaults();
  friend bool operator==(const GlobeSettings&, const GlobeSettings&) = default;
};

enum class SettingKind {
  Integer,
  Boolean,  // an integer, 0 for no; any other number is yes
  LowByte,  // an integer of which only the low 8 bits count
  Degrees,  // decimal degrees as a string, or whole degrees; never written
  StartWithSession,  // starting with the session, as the desktop keeps it
};

// One stored value: its name, kind and field of GlobeSettings. A number
// outside Min..Max (or, with OneOf, not one of those) reads as Default.
struct SettingRow {
  std::string_view Key;
  SettingKind Kind;
  int GlobeSettings::* Number = nullptr;
  bool GlobeSettings::* Flag = nullptr;
  std::optional<double> GlobeSettings::* Degrees = nullptr;
  int Default = 0;
  int Min = 0;
  int Max = 0;
  std::span<const int> OneOf = {};
};

inline constexpr int kAnyNumber = 0x7FFFFFFF;

// In the order values are written (a new settings file lists them so).
// A level out of range takes the default rather than leaving the globe
// invisible or frozen.
inline constexpr SettingRow kSettingRows[] = {
    {"OnTop", SettingKind::Boolean, nullptr, &GlobeSettings::OnTop, nullptr, 1, 0, 1},
    {"TrVal", SettingKind::LowByte, &GlobeSettings::Transparency, nullptr, nullptr, 0, 0, 9},
    // The default place is worked out from the work area at start.
    {"Top", SettingKind::Integer, &GlobeSettings::Top, nullptr, nullptr, 0, -kAnyNumber - 1, kAnyNumber},
    {"Left", SettingKind::Integer, &GlobeSettings::Left, nullptr, nullptr, 0, -kAnyNumber - 1, kAnyNumber},
    {"iCountdown", SettingKind::Integer, &GlobeSettings::Countdown, nullptr, nullptr, 0, 0, 2},
    {"iSpeed", SettingKind::Integer, &GlobeSettings::Speed, nullptr, nullptr, 1, 0, kRealTimeSpeed},
    {"isSnowOn", SettingKind::Boolean, nullptr, &GlobeSettings::Snow, nullptr, 1, 0, 1},
    {"Size", SettingKind::Integer, &GlobeSettings::Size, nullptr, nullptr, 100, 0, kAnyNumber, kSizePercents},
    {"isShakeOn", SettingKind::Boolean, nullptr, &GlobeSettings::Shake, nullptr, 1, 0, 1},
    {kAutostartValueName, SettingKind::StartWithSession, nullptr, &GlobeSettings::Autostart, nullptr, 1, 0, 1},
    {"Latitude", SettingKind::Degrees, nullptr, nullptr, &GlobeSettings::Latitude, 0, -90, 90},
    {"Longitude", SettingKind::Degrees, nullptr, nullptr, &GlobeSettings::Longitude, 0, -180, 180},
};

inline constexpr std::size_t kSettingCount = std::size(kSettingRows);
using SettingSet = std::bitset<kSettingCount>;

// The row of a field of GlobeSettings.
constexpr std::size_t SettingIndex(int GlobeSettings::* number) {
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    if (kSettingRows[i].Number == number) return i;
  }
  return kSettingCount;
}
constexpr std::size_t SettingIndex(bool GlobeSettings::* flag) {
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    if (kSettingRows[i].Flag == flag) return i;
  }
  return kSettingCount;
}

// The number as the row uses it: Default when out of its range.
int UsableNumber(const SettingRow& row, int number);

// The rows written to the settings key: all but the autostart value and
// the ones only ever read.
SettingSet RowsInSettingsKey();

// What the settings key held. A value of the wrong kind, or one that
// cannot be read, keeps its default and is a problem, told by the message
// it gives; a number out of range keeps its default silently.
struct LoadedSettings {
  GlobeSettings Value = GlobeSettings::Defaults();
  SettingSet Present;   // there in the store
  SettingSet Read;      // there and read as a number
  SettingSet Unusable;  // there but unusable
  std::vector<std::string> Problems;
};

// Reads one row from key into loaded (nothing without a key).
void ReadSetting(SettingsKey* key, std::size_t row, LoadedSettings& loaded);
// Reads the user's choices: every row of the settings key but the
// window's size and place, in the table's order.
void ReadChoices(SettingsKey* key, LoadedSettings& loaded);

// Writes the rows in which (of RowsInSettingsKey) and commits them
// together; raises ESettingsWriteError naming the value that failed.
void WriteSettings(SettingsKey& key, const GlobeSettings& settings, const SettingSet& which);

}  // namespace nivarra
