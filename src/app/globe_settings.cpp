#include "app/globe_settings.h"

#include <algorithm>
#include <exception>

#include "app/settings.h"
#include "platform/settings_store.h"

namespace nivarra {

GlobeSettings GlobeSettings::Defaults() {
  GlobeSettings settings{};
  for (const SettingRow& row : kSettingRows) {
    if (row.Number != nullptr) settings.*row.Number = row.Default;
    if (row.Flag != nullptr) settings.*row.Flag = row.Default != 0;
  }
  return settings;
}

int UsableNumber(const SettingRow& row, int number) {
  if (number < row.Min || number > row.Max) return row.Default;
  if (!row.OneOf.empty() && std::ranges::find(row.OneOf, number) == row.OneOf.end()) return row.Default;
  return number;
}

SettingSet RowsInSettingsKey() {
  SettingSet rows;
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    const SettingKind kind = kSettingRows[i].Kind;
    rows.set(i, kind != SettingKind::StartWithSession && kind != SettingKind::Degrees);
  }
  return rows;
}

void ReadSetting(SettingsKey* key, std::size_t index, LoadedSettings& loaded) {
  const SettingRow& row = kSettingRows[index];
  if (key == nullptr) return;
  if (row.Kind == SettingKind::Degrees) {
    try {
      const std::optional<SettingValue> value = key->ReadValue(row.Key);
      loaded.Value.*row.Degrees = value ? ParseStoredDegrees(*value, row.Max) : std::nullopt;
    } catch (const std::exception&) {
      // the time zone's place does as well
    }
    return;
  }
  if (!key->ValueExists(row.Key)) return;
  loaded.Present.set(index);
  std::optional<std::int32_t> number;
  try {
    number = ReadStoredInteger(*key, row.Key);
  } catch (const ESettingsError& error) {
    // Its default is saved once the user has been told.
    loaded.Problems.emplace_back(error.what());
    loaded.Unusable.set(index);
    return;
  }
  if (!number) return;
  loaded.Read.set(index);
  if (row.Flag != nullptr) {
    loaded.Value.*row.Flag = *number != 0;
  } else {
    loaded.Value.*row.Number = UsableNumber(row, row.Kind == SettingKind::LowByte ? *number & 0xFF : *number);
  }
}

void ReadChoices(SettingsKey* key, LoadedSettings& loaded) {
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    const int GlobeSettings::* number = kSettingRows[i].Number;
    const bool window = number == &GlobeSettings::Size || number == &GlobeSettings::Top ||
                        number == &GlobeSettings::Left;
    if (!window && kSettingRows[i].Kind != SettingKind::StartWithSession) ReadSetting(key, i, loaded);
  }
}

void WriteSettings(SettingsKey& key, const GlobeSettings& settings, const SettingSet& which) {
  // One commit for the lot: a store that holds writes back changes once.
  const SettingRow* first = nullptr;
  const SettingSet rows = which & RowsInSettingsKey();
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    if (!rows.test(i)) continue;
    const SettingRow& row = kSettingRows[i];
    if (first == nullptr) first = &row;
    if (row.Flag != nullptr) {
      WriteStoredBoolean(key, row.Key, settings.*row.Flag);
    } else {
      WriteStoredInteger(key, row.Key, UsableNumber(row, settings.*row.Number));
    }
  }
  if (first != nullptr) CommitStored(key, first->Key);
}

}  // namespace nivarra
