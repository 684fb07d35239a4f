#include "app/settings.h"

#include <span>
#include <string>

#include "app/globe_form.h"
#include "layout/bitmap.h"
#include "scene/globe_scene.h"
#include "scene/random.h"

namespace nivarra {
namespace {

std::string Named(const char* format, std::string_view name) {
  std::string text(format);
  text.replace(text.find("%s"), 2, name);
  return text;
}

[[noreturn]] void FailedToSet(std::string_view name) {
  throw ESettingsError(Named("Failed to set data for '%s'", name));
}

template <class Write>
void WriteStored(SettingsKey* key, std::string_view name, Write write) {
  if (key == nullptr) FailedToSet(name);
  try {
    write(*key);
  } catch (const std::exception&) {
    FailedToSet(name);
  }
}

constexpr GlobeSlot kTransparencyItems[] = {GlobeSlot::pmi0,  GlobeSlot::pmi10, GlobeSlot::pmi20, GlobeSlot::pmi30,
                                            GlobeSlot::pmi40, GlobeSlot::pmi50, GlobeSlot::pmi60, GlobeSlot::pmi70,
                                            GlobeSlot::pmi80, GlobeSlot::pmi90};
constexpr GlobeSlot kSpeedItems[] = {GlobeSlot::pmiSlow, GlobeSlot::pmiNormal, GlobeSlot::pmiFast,
                                     GlobeSlot::pmiQuickly};
constexpr GlobeSlot kCountdownItems[] = {GlobeSlot::pmiChristmas, GlobeSlot::pmiNewYear, GlobeSlot::pmiJulian};

constexpr int kDefaultTransparencyLevel = 0;
constexpr int kDefaultSpeedLevel = 1;

}  // namespace

std::optional<std::int32_t> ReadStoredInteger(SettingsKey& key, std::string_view name) {
  const std::optional<SettingValue> value = key.ReadValue(name);
  if (!value) return std::nullopt;
  if (const auto* number = std::get_if<std::int32_t>(&*value)) return *number;
  if (std::holds_alternative<UnreadableSetting>(*value)) {
    throw ESettingsError(Named("Failed to get data for '%s'", name));
  }
  throw ESettingsError(Named("Invalid data type for '%s'", name));
}

void WriteStoredInteger(SettingsKey* key, std::string_view name, std::int32_t value) {
  WriteStored(key, name, [&](SettingsKey& k) { k.WriteInteger(name, value); });
}

void WriteStoredString(SettingsKey* key, std::string_view name, std::string_view value) {
  WriteStored(key, name, [&](SettingsKey& k) { k.WriteString(name, value); });
}

StartPlacement PlaceAtStart(std::optional<std::int32_t> storedLeft, std::optional<std::int32_t> storedTop,
                            ScreenSize screen, ScreenSize workArea, int width, int height) {
  if (!storedLeft || !storedTop) {
    return StartPlacement{{workArea.Width - width - 5, workArea.Height - height}, true};
  }
  ScreenPoint place{*storedLeft, *storedTop};
  if (place.X < -70 || place.X > screen.Width - 30) place.X = 550;
  if (place.Y < -140 || place.Y > screen.Height - 30) place.Y = 350;
  return StartPlacement{place, false};
}

void TfrmMain::RunItemHandler(GlobeSlot item) {
  TMenuItem* menuItem = MenuItem(item);
  Fire(menuItem->OnClick, TEventArgs{.Sender = menuItem});
}

void TfrmMain::LoadSettings() {
  bool snowEnabled = true;
  int speedLevel = kDefaultSpeedLevel;
  int transparencyLevel = kDefaultTransparencyLevel;
  int countdownTarget = 0;
  std::optional<std::int32_t> storedLeft, storedTop;

  {
    const std::unique_ptr<SettingsKey> key = platform_->OpenSettingsKey(kSettingsKeyPath, true);
    // A value that cannot be read is reported and keeps its default; the
    // rest still loads, so the globe always appears.
    const auto read = [&](std::string_view name) -> std::optional<std::int32_t> {
      if (key == nullptr || !key->ValueExists(name)) return std::nullopt;
      try {
        return ReadStoredInteger(*key, name);
      } catch (const ESettingsError& error) {
        platform_->ShowMessage(error.what());
        return std::nullopt;
      }
    };
    if (const auto onTop = read("OnTop")) MenuItem(GlobeSlot::pmiOnTop)->SetChecked(*onTop != 0);
    if (const auto level = read("TrVal")) transparencyLevel = *level & 0xFF;
    if (const auto target = read("iCountdown")) countdownTarget = *target;
    if (const auto speed = read("iSpeed")) speedLevel = *speed;
    if (const auto snow = read("isSnowOn")) snowEnabled = *snow != 0;

    bool firstRun = false;
    if (platform_->FirstArgument() == "add") {
      std::int64_t counter = platform_->PerformanceCounter();
      if (counter == 0) counter = platform_->TickCount();
      RandomSeed() = static_cast<std::uint32_t>(counter);
      const ScreenSize work = platform_->WorkAreaSize();
      const int left = RandomBelow(work.Width - Width() - 5);
      const int top = RandomBelow(work.Height - Height());
      SetBounds(left, top, Width(), Height());
    } else {
      storedTop = read("Top");
      storedLeft = storedTop ? read("Left") : std::nullopt;
      const StartPlacement placement = PlaceAtStart(storedLeft, storedTop, platform_->ScreenSizeOfPrimary(),
                                                    platform_->WorkAreaSize(), Width(), Height());
      firstRun = placement.FirstRun;
      SetBounds(placement.TopLeft.X, placement.TopLeft.Y, Width(), Height());
    }
    platform_->PlaceWindow({Left(), Top()}, Width(), Height());

    const std::unique_ptr<SettingsKey> runKey = platform_->OpenSettingsKey(kRunKeyPath, false);
    if (runKey != nullptr && !firstRun) {
      MenuItem(GlobeSlot::pmiStartUp)->SetChecked(runKey->ValueExists(kRunValueName));
    }
  }

  // Levels outside what is ever stored fall back to the defaults rather
  // than leaving the globe invisible or frozen.
  if (transparencyLevel < 0 || transparencyLevel > 9) transparencyLevel = kDefaultTransparencyLevel;
  MenuItem(kTransparencyItems[transparencyLevel])->SetChecked(true);
  RunItemHandler(kTransparencyItems[transparencyLevel]);

  if (countdownTarget >= 0 && countdownTarget <= 2) MenuItem(kCountdownItems[countdownTarget])->SetChecked(true);

  if (speedLevel < 0 || speedLevel > 3) speedLevel = kDefaultSpeedLevel;
  MenuItem(kSpeedItems[speedLevel])->SetChecked(true);
  RunItemHandler(kSpeedItems[speedLevel]);

  scene_->Settings.SnowEnabled = snowEnabled;
  MenuItem(GlobeSlot::pmiSnow)->SetChecked(snowEnabled);
  pmiOnTopClick(TEventArgs{.Sender = MenuItem(GlobeSlot::pmiOnTop)});
}

void TfrmMain::SaveSettings() {
  const auto checked = [this](GlobeSlot item) { return MenuItem(item)->Checked(); };
  const auto lastChecked = [&](std::span<const GlobeSlot> items, int none) {
    int index = none;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (checked(items[i])) index = static_cast<int>(i);
    }
    return index;
  };
  const int transparencyLevel = lastChecked(kTransparencyItems, 0);
  const int speedLevel = lastChecked(kSpeedItems, kDefaultSpeedLevel);
  const int countdownTarget = lastChecked(kCountdownItems, 0);

  {
    const std::unique_ptr<SettingsKey> key = platform_->OpenSettingsKey(kSettingsKeyPath, true);
    WriteStoredInteger(key.get(), "OnTop", checked(GlobeSlot::pmiOnTop) ? 1 : 0);
    WriteStoredInteger(key.get(), "TrVal", transparencyLevel);
    WriteStoredInteger(key.get(), "Top", Top());
    WriteStoredInteger(key.get(), "Left", Left());
    WriteStoredInteger(key.get(), "iCountdown", countdownTarget);
    WriteStoredInteger(key.get(), "iSpeed", speedLevel);
    WriteStoredInteger(key.get(), "isSnowOn", checked(GlobeSlot::pmiSnow) ? 1 : 0);
  }
  const std::unique_ptr<SettingsKey> runKey = platform_->OpenSettingsKey(kRunKeyPath, true);
  if (checked(GlobeSlot::pmiStartUp)) {
    WriteStoredString(runKey.get(), kRunValueName, platform_->ExecutablePath());
  } else if (runKey != nullptr) {
    runKey->DeleteValue(kRunValueName);
  }
}

}  // namespace nivarra
