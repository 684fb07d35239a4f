#include "app/settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "app/globe_form.h"
#include "core/translation.h"
#include "app/guarded_call.h"
#include "layout/bitmap.h"
#include "scene/globe_scene.h"
#include "scene/random.h"

namespace nivarra {
namespace {

template <class Write>
void WriteStored(std::string_view name, Write write) {
  try {
    write();
  } catch (const SettingsStoreError& error) {
    throw ESettingsWriteError(name, error.Problem());
  } catch (const std::exception& error) {
    throw ESettingsWriteError(name, SettingsProblem{error.what(), {}});
  }
}

// Why the settings cannot be saved or used, and where they are.
struct StoreProblemLines {
  const char* InPlace;
  const char* Nowhere;
};
constexpr StoreProblemLines kCannotBeSaved{N_("The settings in %s cannot be saved: %s."),
                                           N_("The settings cannot be saved: %s.")};
constexpr StoreProblemLines kCannotBeUsed{N_("The settings in %s cannot be used: %s."),
                                          N_("The settings cannot be used: %s.")};

std::string StoreProblemLine(const SettingsProblem& problem, const StoreProblemLines& lines) {
  if (problem.Place.empty()) return FillIn(Translate(lines.Nowhere), problem.Reason);
  return FillIn(Translate(lines.InPlace), {problem.Place, problem.Reason});
}

constexpr GlobeSlot kTransparencyItems[] = {GlobeSlot::pmi0,  GlobeSlot::pmi10, GlobeSlot::pmi20, GlobeSlot::pmi30,
                                            GlobeSlot::pmi40, GlobeSlot::pmi50, GlobeSlot::pmi60, GlobeSlot::pmi70,
                                            GlobeSlot::pmi80, GlobeSlot::pmi90};
constexpr GlobeSlot kCountdownItems[] = {GlobeSlot::pmiChristmas, GlobeSlot::pmiNewYear, GlobeSlot::pmiJulian};

// The stored values' names, in the order of TfrmMain::Stored; messages
// name starting with the session as the program's own value.
constexpr std::string_view kStoredNames[] = {"OnTop",  "TrVal",    "Top",  "Left",      "iCountdown",
                                             "iSpeed", "isSnowOn", "Size", "isShakeOn", kAutostartValueName};

constexpr int kDefaultTransparencyLevel = 0;
constexpr int kDefaultSpeedLevel = 1;

}  // namespace

std::optional<double> ParseStoredDegrees(const SettingValue& value, double limit) {
  double degrees = 0;
  if (const auto* number = std::get_if<std::int32_t>(&value)) {
    degrees = *number;
  } else if (const auto* text = std::get_if<std::string>(&value)) {
    std::string digits = *text;
    std::ranges::replace(digits, ',', '.');  // as a hand typing in a comma-decimal locale writes it
    const auto first = digits.find_first_not_of(' ');
    const auto last = digits.find_last_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    const char* begin = digits.data() + first;
    const char* end = digits.data() + last + 1;
    if (*begin == '+') ++begin;
    const auto [stop, error] = std::from_chars(begin, end, degrees);
    if (error != std::errc() || stop != end) return std::nullopt;
  } else {
    return std::nullopt;
  }
  if (!std::isfinite(degrees) || std::abs(degrees) > limit) return std::nullopt;
  return degrees;
}

std::optional<std::int32_t> ReadStoredInteger(SettingsKey& key, std::string_view name) {
  const std::optional<SettingValue> value = key.ReadValue(name);
  if (!value) return std::nullopt;
  if (const auto* number = std::get_if<std::int32_t>(&*value)) return *number;
  if (std::holds_alternative<UnreadableSetting>(*value)) {
    throw ESettingsError(FillIn(Translate("Failed to get data for '%s'"), name));
  }
  throw ESettingsError(FillIn(Translate("Invalid data type for '%s'"), name));
}

ESettingsWriteError::ESettingsWriteError(std::string_view name, SettingsProblem problem)
    : ESettingsError(FillIn(Translate("Failed to set data for '%s'"), name)),
      name_(name),
      problem_(std::move(problem)) {}

void WriteStoredInteger(SettingsKey& key, std::string_view name, std::int32_t value) {
  WriteStored(name, [&] { key.WriteInteger(name, value); });
}

void WriteStoredBoolean(SettingsKey& key, std::string_view name, bool value) {
  WriteStored(name, [&] { key.WriteBoolean(name, value); });
}

void CommitStored(SettingsKey& key, std::string_view firstName) {
  WriteStored(firstName, [&] { key.Commit(); });
}

void SetAutostart(Autostart& autostart, bool enabled) {
  WriteStored(kAutostartValueName, [&] { enabled ? autostart.Enable() : autostart.Disable(); });
}

std::string SaveFailedMessage(const ESettingsWriteError& error, bool closing) {
  return error.Message() + "\n\n" + StoreProblemLine(error.Problem(), kCannotBeSaved) + "\n" +
         (closing ? Translate("The change will not be there at the next start.")
                  : Translate("The globe keeps the change until it closes; it will not be there at the next start."));
}

std::string UnusableStoreMessage(const SettingsProblem& problem) {
  return StoreProblemLine(problem, kCannotBeUsed) + "\n" +
         Translate("The globe goes on with its defaults, and changes will not be kept.");
}

StartPlacement PlaceAtStart(StoredCoordinate storedLeft, StoredCoordinate storedTop,
                            std::span<const MonitorArea> monitors, ScreenSize workArea, int width, int height,
                            const ScreenRect& outline) {
  const ScreenPoint standard{workArea.Width - width - 5, workArea.Height - height};
  if (!storedLeft.Exists || !storedTop.Exists) return StartPlacement{standard, true};
  const ScreenPoint place{storedLeft.Value.value_or(standard.X), storedTop.Value.value_or(standard.Y)};
  return StartPlacement{KeepOrBringIn(place, outline, monitors), false};
}

std::string UnusableSettingsMessage(std::span<const std::string> problems, std::string_view place, bool saved) {
  std::string text;
  for (const std::string& problem : problems) text += problem + "\n";
  // One value or several: the language's plural form for their number. An
  // added globe saves nothing.
  text += "\n" + (saved ? TranslatePlural("The default value is used instead and will be saved.",
                                         "The default values are used instead and will be saved.", problems.size())
                       : TranslatePlural("The default value is used instead.", "The default values are used instead.",
                                         problems.size()));
  if (!place.empty()) text += "\n" + FillIn(Translate("The settings are in %s."), place);
  return text;
}

void TfrmMain::RunItemHandler(GlobeSlot item) { RunItemHandler(MenuItem(item)); }

void TfrmMain::RunItemHandler(TMenuItem* item) { Fire(item->OnClick, TEventArgs{.Sender = item}); }

void TfrmMain::LoadSkyPlace(SettingsKey* key) {
  const auto read = [&](std::string_view name, double limit) -> std::optional<double> {
    if (key == nullptr) return std::nullopt;
    try {
      const std::optional<SettingValue> value = key->ReadValue(name);
      return value ? ParseStoredDegrees(*value, limit) : std::nullopt;
    } catch (const std::exception&) {
      return std::nullopt;  // the zone's place does as well
    }
  };
  scene_->Settings.Latitude = read("Latitude", 90);
  scene_->Settings.Longitude = read("Longitude", 180);
}

void TfrmMain::LoadSettings() {
  bool snowEnabled = true;
  bool shakeEnabled = true;
  int speedLevel = kDefaultSpeedLevel;
  int transparencyLevel = kDefaultTransparencyLevel;
  int countdownTarget = 0;
  loadProblems_.clear();
  storeProblem_.reset();
  keepsSettings_ = platform_->Instance.FirstArgument() != "add";

  {
    // An added globe creates nothing either.
    const std::unique_ptr<SettingsKey> key = platform_->Settings.OpenSettings(keepsSettings_);
    if (key == nullptr) storeProblem_ = platform_->Settings.LastProblem();
    // A value that cannot be read keeps its default and is reported once
    // the globe is visible; the rest still loads.
    const auto read = [&](std::string_view name, Stored value) -> StoredCoordinate {
      if (key == nullptr || !key->ValueExists(name)) return {};
      try {
        StoredCoordinate stored{true, ReadStoredInteger(*key, name)};
        if (stored.Value) Know(value);
        return stored;
      } catch (const ESettingsError& error) {
        loadProblems_.emplace_back(error.what());
        unsaved_.set(static_cast<std::size_t>(value));  // its default is saved once the user has been told
        return StoredCoordinate{true, std::nullopt};
      }
    };
    if (const auto onTop = read("OnTop", Stored::OnTop).Value) MenuItem(GlobeSlot::pmiOnTop)->SetChecked(*onTop != 0);
    if (const auto level = read("TrVal", Stored::TrVal).Value) transparencyLevel = *level & 0xFF;
    if (const auto target = read("iCountdown", Stored::iCountdown).Value) countdownTarget = *target;
    if (const auto speed = read("iSpeed", Stored::iSpeed).Value) speedLevel = *speed;
    if (const auto snow = read("isSnowOn", Stored::isSnowOn).Value) snowEnabled = *snow != 0;
    if (const auto shake = read("isShakeOn", Stored::isShakeOn).Value) shakeEnabled = *shake != 0;
    LoadSkyPlace(key.get());
    // The size decides the window's width and height, so it comes before the place.
    if (const auto size = read("Size", Stored::Size).Value) SetSizePercent(*size);
    const std::vector<MonitorArea> monitors = platform_->Screen.Monitors();

    bool firstRun = false;
    if (!keepsSettings_) {
      std::int64_t counter = platform_->Time.PerformanceCounter();
      if (counter == 0) counter = platform_->Time.TickCount();
      RandomSeed() = static_cast<std::uint32_t>(counter);
      const ScreenSize work = platform_->Screen.WorkAreaSize();
      const int left = RandomBelow(work.Width - Width() - 5);
      const int top = RandomBelow(work.Height - Height());
      SetBounds(left, top, Width(), Height());
    } else {
      const StoredCoordinate storedTop = read("Top", Stored::Top);
      const StoredCoordinate storedLeft = read("Left", Stored::Left);
      const StartPlacement placement = PlaceAtStart(storedLeft, storedTop, monitors, platform_->Screen.WorkAreaSize(),
                                                    Width(), Height(), Outline());
      firstRun = placement.FirstRun;
      SetBounds(placement.TopLeft.X, placement.TopLeft.Y, Width(), Height());
    }
    platform_->Window.PlaceWindow(Place(), Width(), Height());
    // Too large for the monitor it stands on, the globe shows a size that fits.
    FitSize(monitors);

    const std::optional<bool> startsWithSystem = platform_->StartWithSystem.IsEnabled();
    if (startsWithSystem && !firstRun) {
      MenuItem(GlobeSlot::pmiStartUp)->SetChecked(*startsWithSystem);
      Know(Stored::RunValue);
    }
    // Whether the user's globe starts at log-in is for that globe to say.
    MenuItem(GlobeSlot::pmiStartUp)->SetEnabled(keepsSettings_);
  }

  // Levels outside what is ever stored fall back to the defaults rather
  // than leaving the globe invisible or frozen.
  if (transparencyLevel < 0 || transparencyLevel > 9) transparencyLevel = kDefaultTransparencyLevel;
  MenuItem(kTransparencyItems[transparencyLevel])->SetChecked(true);
  RunItemHandler(kTransparencyItems[transparencyLevel]);

  if (countdownTarget >= 0 && countdownTarget <= 2) MenuItem(kCountdownItems[countdownTarget])->SetChecked(true);

  const std::vector<TMenuItem*> speedItems = SpeedItems();
  if (speedLevel < 0 || speedLevel >= static_cast<int>(speedItems.size())) speedLevel = kDefaultSpeedLevel;
  speedItems[static_cast<std::size_t>(speedLevel)]->SetChecked(true);
  RunItemHandler(speedItems[static_cast<std::size_t>(speedLevel)]);

  scene_->Settings.SnowEnabled = snowEnabled;
  MenuItem(GlobeSlot::pmiSnow)->SetChecked(snowEnabled);
  scene_->Settings.ShakeEnabled = shakeEnabled;
  if (shakeItem_ != nullptr) shakeItem_->SetChecked(shakeEnabled);
  pmiOnTopClick(TEventArgs{.Sender = MenuItem(GlobeSlot::pmiOnTop)});
}

void TfrmMain::SaveSettings() {
  const auto checked = [this](GlobeSlot item) { return MenuItem(item)->Checked(); };
  const auto lastChecked = [](const auto& items, const auto& isChecked, int none) {
    int index = none;
    for (std::size_t i = 0; i < std::size(items); ++i) {
      if (isChecked(items[i])) index = static_cast<int>(i);
    }
    return index;
  };
  const int transparencyLevel = lastChecked(kTransparencyItems, checked, 0);
  const int speedLevel =
      lastChecked(SpeedItems(), [](const TMenuItem* item) { return item->Checked(); }, kDefaultSpeedLevel);
  const int countdownTarget = lastChecked(kCountdownItems, checked, 0);

  if (!keepsSettings_) return;
  // Before the start has finished, what the window holds may be the
  // layout's design or a default the user has not been told about yet.
  if (startFinished_) known_.set();
  if (known_.none()) return;
  const auto name = [](Stored value) { return kStoredNames[static_cast<std::size_t>(value)]; };
  // Settings that cannot be opened fail the first value meant for them.
  const auto unopened = [&](std::string_view value) {
    return ESettingsWriteError(value, platform_->Settings.LastProblem().value_or(SettingsProblem{
                                          Translate("it cannot be opened"), platform_->Settings.Place()}));
  };
  try {
    const std::unique_ptr<SettingsKey> key = platform_->Settings.OpenSettings(true);
    // One commit for the lot: a store that holds writes back changes once.
    std::optional<Stored> firstWritten;
    const auto write = [&](Stored value, auto number) {
      if (!Known(value)) return;
      if (!firstWritten) firstWritten = value;
      if (key == nullptr) throw unopened(name(value));
      if constexpr (std::is_same_v<decltype(number), bool>) {
        WriteStoredBoolean(*key, name(value), number);
      } else {
        WriteStoredInteger(*key, name(value), number);
      }
    };
    write(Stored::OnTop, checked(GlobeSlot::pmiOnTop));
    write(Stored::TrVal, transparencyLevel);
    write(Stored::Top, Top());
    write(Stored::Left, Left());
    write(Stored::iCountdown, countdownTarget);
    write(Stored::iSpeed, speedLevel);
    write(Stored::isSnowOn, checked(GlobeSlot::pmiSnow));
    write(Stored::Size, sizePercent_);
    write(Stored::isShakeOn, shakeItem_ != nullptr && shakeItem_->Checked());
    if (firstWritten) CommitStored(*key, name(*firstWritten));
    unsaved_ &= StoredSet().set(static_cast<std::size_t>(Stored::RunValue));

    if (Known(Stored::RunValue)) SetAutostart(platform_->StartWithSystem, checked(GlobeSlot::pmiStartUp));
  } catch (const ESettingsWriteError& error) {
    RethrowForUnsaved(error);
  }
  unsaved_.reset();
}

void TfrmMain::RethrowForUnsaved(const ESettingsWriteError& error) const {
  for (std::size_t i = 0; i < std::size(kStoredNames); ++i) {
    if (unsaved_.test(i)) throw ESettingsWriteError(kStoredNames[i], error.Problem());
  }
  throw error;
}

void TfrmMain::UserChanged(const TMenuItem* item) {
  if (platform_ == nullptr || !shown_ || !keepsSettings_) return;
  const auto is = [&](std::span<const GlobeSlot> items) {
    return std::ranges::any_of(items, [&](GlobeSlot slot) { return MenuItem(slot) == item; });
  };
  if (item == nullptr) {
    Changed(Stored::Left);
    Changed(Stored::Top);
  } else if (is(kTransparencyItems)) {
    Changed(Stored::TrVal);
  } else if (std::ranges::count(SpeedItems(), item) > 0) {
    Changed(Stored::iSpeed);
  } else if (is(kCountdownItems)) {
    Changed(Stored::iCountdown);
  } else if (item == MenuItem(GlobeSlot::pmiSnow)) {
    Changed(Stored::isSnowOn);
  } else if (item == MenuItem(GlobeSlot::pmiOnTop)) {
    Changed(Stored::OnTop);
  } else if (item == MenuItem(GlobeSlot::pmiStartUp)) {
    Changed(Stored::RunValue);
  } else if (item == shakeItem_) {
    Changed(Stored::isShakeOn);
  } else if (std::ranges::count(sizeItems_, item) > 0) {
    // The globe grew or shrank about its bottom-right corner.
    Changed(Stored::Size);
    Changed(Stored::Left);
    Changed(Stored::Top);
  } else {
    return;  // nothing stored changed
  }
  // A change after a close query means the close did not happen (a session
  // end someone cancelled): saving goes on.
  closing_ = false;
  saveTimer_ = StartGuardedTimer(*platform_, kSaveDelayMs, [this] {
    saveTimer_.reset();
    SaveInBackground();
  });
}

void TfrmMain::SaveInBackground() {
  if (!closing_) SaveAndReport();
}

void TfrmMain::SaveAndReport() {
  std::optional<SettingsProblem> problem;
  std::string message;
  try {
    SaveSettings();
    shownProblem_.reset();
    return;
  } catch (const ESettingsWriteError& error) {
    problem = error.Problem();
    message = SaveFailedMessage(error, closing_);
  } catch (const std::exception& error) {
    problem = SettingsProblem{error.what(), {}};
    message = error.what();
  }
  // Once per failure: the next change, or the close, would only say the same again.
  if (problem == shownProblem_) return;
  shownProblem_ = problem;
  platform_->Messages.ShowMessage(message);
}

void TfrmMain::FinishStart() {
  startReport_.reset();
  const std::vector<std::string> problems = std::move(loadProblems_);
  loadProblems_.clear();
  if (storeProblem_) {
    // Said once: a save that meets the same trouble has nothing to add.
    shownProblem_ = storeProblem_;
    platform_->Messages.ShowMessage(UnusableStoreMessage(*storeProblem_));
  } else if (!problems.empty()) {
    platform_->Messages.ShowMessage(UnusableSettingsMessage(problems, platform_->Settings.Place(), keepsSettings_));
  }
  if (closing_) return;  // closed while the message was up: the user never saw it
  startFinished_ = true;
  // The defaults that replaced unusable values are written at once, as
  // the message says.
  if (!problems.empty()) SaveInBackground();
}

void TfrmMain::MonitorsChanged() {
  if (platform_ == nullptr || !shown_) return;
  // Both looks decide from where the globe stood before the change, not
  // from where a first look or the window manager put it meanwhile; a
  // further report of the same monitors is no new change. Told in the
  // middle of a drag (the Windows program looks at its monitors every two
  // seconds), the second look decides alone, from where the drag ended.
  std::vector<MonitorArea> monitors = platform_->Screen.Monitors();
  const bool newChange = !monitorsSettle_ || monitors != monitorsAtChange_;
  if (platform_->Window.PointerHeld()) {
    placeBeforeMonitors_.reset();
  } else {
    if (newChange) placeBeforeMonitors_ = Place();
    KeepOnMonitors(placeBeforeMonitors_, monitors);
  }
  monitorsAtChange_ = std::move(monitors);
  // The desktop may tell of the change before its list of monitors and
  // their work areas shows it, and window managers move windows of a
  // monitor that went on their own: a second look once all that has
  // settled, and the buttons are up.
  monitorsSettle_ = StartGuardedTimer(*platform_, kMonitorsSettleMs, [this] {
    if (platform_->Window.PointerHeld()) return;  // the timer ticks again
    KeepOnMonitors(placeBeforeMonitors_, platform_->Screen.Monitors());
    monitorsSettle_.reset();
  });
}

void TfrmMain::WindowMoved() {
  if (platform_ == nullptr || !shown_ || closing_) return;
  moveSettle_ = StartGuardedTimer(*platform_, kMoveSettleMs, [this] {
    if (platform_->Window.PointerHeld()) return;  // still dragging: the timer ticks again
    moveSettle_.reset();
    KeepOnMonitors(std::nullopt, platform_->Screen.Monitors());
  });
}

void TfrmMain::KeepOnMonitors(std::optional<ScreenPoint> from, std::span<const MonitorArea> monitors) {
  if (closing_ || monitors.empty()) return;
  const ScreenPoint before = Place();
  const ScreenPoint place = KeepOrBringIn(from.value_or(before), Outline(), monitors);
  if (!(place == before)) MoveTo(place);
  // A globe shrunk for a smaller monitor grows back on a larger one.
  FitSize(monitors);
  // Where it stands now is where it starts next time.
  if (!(Place() == before)) UserChanged(nullptr);
}

void TfrmMain::MoveTo(ScreenPoint place) {
  SetBounds(place.X, place.Y, Width(), Height());
  platform_->Window.PlaceWindow(place, Width(), Height());
  RenderFrame();
}

}  // namespace nivarra
