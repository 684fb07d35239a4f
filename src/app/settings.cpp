#include "app/settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <span>
#include <string>
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

// The same monitors, whatever their work areas, which follow the panels later.
bool SameMonitorBounds(std::span<const MonitorArea> a, std::span<const MonitorArea> b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const MonitorArea& x, const MonitorArea& y) { return x.Bounds == y.Bounds; });
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

constexpr std::size_t kTopRow = SettingIndex(&GlobeSettings::Top);
constexpr std::size_t kLeftRow = SettingIndex(&GlobeSettings::Left);
constexpr std::size_t kSizeRow = SettingIndex(&GlobeSettings::Size);
constexpr std::size_t kRunRow = SettingIndex(&GlobeSettings::Autostart);

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

void TfrmMain::LoadSettings() {
  LoadedSettings loaded;
  storeProblem_.reset();
  keepsSettings_ = platform_->Instance.FirstArgument() != "add";

  {
    // An added globe creates nothing either.
    const std::unique_ptr<SettingsKey> key = platform_->Settings.OpenSettings(keepsSettings_);
    if (key == nullptr) storeProblem_ = platform_->Settings.LastProblem();
    // A value that cannot be read keeps its default and is reported once
    // the globe is visible; the rest still loads.
    ReadChoices(key.get(), loaded);
    // The size decides the window's width and height, so it comes before the place.
    ReadSetting(key.get(), kSizeRow, loaded);
    settings_ = loaded.Value;
    if (loaded.Read.test(kSizeRow)) SetSizePercent(loaded.Value.Size);
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
      ReadSetting(key.get(), kTopRow, loaded);
      ReadSetting(key.get(), kLeftRow, loaded);
      const auto stored = [&](std::size_t row, int value) {
        return StoredCoordinate{loaded.Present.test(row),
                                loaded.Read.test(row) ? std::optional<std::int32_t>(value) : std::nullopt};
      };
      const StartPlacement placement =
          PlaceAtStart(stored(kLeftRow, loaded.Value.Left), stored(kTopRow, loaded.Value.Top), monitors,
                       platform_->Screen.WorkAreaSize(), Width(), Height(), Outline());
      firstRun = placement.FirstRun;
      SetBounds(placement.TopLeft.X, placement.TopLeft.Y, Width(), Height());
    }
    platform_->Window.PlaceWindow(Place(), Width(), Height());
    // Too large for the monitor it stands on, the globe shows a size that fits.
    FitSize(monitors);

    const std::optional<bool> startsWithSystem = platform_->StartWithSystem.IsEnabled();
    if (startsWithSystem && !firstRun) {
      settings_.Autostart = *startsWithSystem;
      loaded.Read.set(kRunRow);
    }
    // Whether the user's globe starts at log-in is for that globe to say.
    MenuItem(GlobeSlot::pmiStartUp)->SetEnabled(keepsSettings_);
  }
  known_ = loaded.Read;
  unsaved_ |= loaded.Unusable;  // their defaults are saved once the user has been told
  loadProblems_ = std::move(loaded.Problems);

  ShowTransparency();
  ApplySettings();
  platform_->Window.SetTopmost(settings_.OnTop);
}

void TfrmMain::SaveSettings() {
  settings_.Left = Left();
  settings_.Top = Top();
  if (!keepsSettings_) return;
  // Before the start has finished, what the window holds may be the
  // layout's design or a default the user has not been told about yet.
  if (startFinished_) known_.set();
  if (known_.none()) return;
  const GlobeSettings& settings = settings_;
  try {
    const std::unique_ptr<SettingsKey> key = platform_->Settings.OpenSettings(true);
    const SettingSet inKey = known_ & RowsInSettingsKey();
    if (inKey.any()) {
      if (key == nullptr) {
        // Settings that cannot be opened fail the first value meant for them.
        std::size_t first = 0;
        while (!inKey.test(first)) ++first;
        throw ESettingsWriteError(kSettingRows[first].Key,
                                  platform_->Settings.LastProblem().value_or(SettingsProblem{
                                      Translate("it cannot be opened"), platform_->Settings.Place()}));
      }
      WriteSettings(*key, settings, inKey);
    }
    unsaved_ &= SettingSet().set(kRunRow);

    if (known_.test(kRunRow)) SetAutostart(platform_->StartWithSystem, settings.Autostart);
  } catch (const ESettingsWriteError& error) {
    RethrowForUnsaved(error);
  }
  unsaved_.reset();
}

void TfrmMain::RethrowForUnsaved(const ESettingsWriteError& error) const {
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    if (unsaved_.test(i)) throw ESettingsWriteError(kSettingRows[i].Key, error.Problem());
  }
  throw error;
}

void TfrmMain::UserChanged(const TMenuItem* item) {
  if (platform_ == nullptr || !shown_ || !keepsSettings_) return;
  if (item == nullptr) {
    Changed(kLeftRow);
    Changed(kTopRow);
  } else if (const MenuChoice* choice = ChoiceOf(item)) {
    Changed(choice->Flag != nullptr ? SettingIndex(choice->Flag) : SettingIndex(choice->Number));
    if (choice->Number == &GlobeSettings::Size) {
      // The globe grew or shrank about its bottom-right corner.
      Changed(kLeftRow);
      Changed(kTopRow);
    }
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
    std::vector<MonitorArea> now = platform_->Screen.Monitors();
    monitorsSettle_.reset();
    if (!SameMonitorBounds(now, monitorsAtChange_)) {
      // Monitors came or went again since the first look, and the desktop
      // has not told yet (the Windows program only finds out at its next
      // look): a change of its own, from where the globe stands now.
      MonitorsChanged();
      return;
    }
    KeepOnMonitors(placeBeforeMonitors_, now);
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
