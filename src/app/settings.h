#pragma once
// The globe's stored settings: typed reads and writes with the errors the
// user sees, and where the window stands at start.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "graphics/exception.h"
#include "platform/autostart.h"
#include "platform/screen_geometry.h"
#include "platform/settings_store.h"

namespace nivarra {

// A setting that cannot be read or written; the message names the value.
NIVARRA_DECLARE_EXCEPTION(ESettingsError, Exception);

// The value as a 32-bit integer, nothing when it is missing. A value of
// another kind raises "Invalid data type for '<name>'", one that cannot be
// read "Failed to get data for '<name>'".
std::optional<std::int32_t> ReadStoredInteger(SettingsKey& key, std::string_view name);

// A value the store would not take: "Failed to set data for '<name>'",
// with why and where.
class ESettingsWriteError : public ESettingsError {
 public:
  ESettingsWriteError(std::string_view name, SettingsProblem problem);
  const char* ClassName() const noexcept override { return "ESettingsWriteError"; }
  const std::string& ValueName() const noexcept { return name_; }
  const SettingsProblem& Problem() const noexcept { return problem_; }

 private:
  std::string name_;
  SettingsProblem problem_;
};

// Writes to key; any failure raises ESettingsWriteError naming the value.
void WriteStoredInteger(SettingsKey& key, std::string_view name, std::int32_t value);
void WriteStoredBoolean(SettingsKey& key, std::string_view name, bool value);
// Commits the writes to key; a failure names firstName, the first value
// written.
void CommitStored(SettingsKey& key, std::string_view firstName);
// Starts the globe with the session or not; a failure names the value as
// kAutostartValueName.
void SetAutostart(Autostart& autostart, bool enabled);
// How messages about starting with the session name it.
inline constexpr std::string_view kAutostartValueName = "Nivarra";

// What the user is told when a save fails: the failure, why and where, and
// that the change lasts only while the globe runs (or, closing, is lost).
std::string SaveFailedMessage(const ESettingsWriteError& error, bool closing);
// What the user is told when the store cannot be used at all at start.
std::string UnusableStoreMessage(const SettingsProblem& problem);

// A stored latitude or longitude: a string of decimal degrees ("48.85",
// "-73.98"; a comma for the point will do) or an integer of whole degrees,
// at most limit away from 0. Nothing for anything else.
std::optional<double> ParseStoredDegrees(const SettingValue& value, double limit);

// Where the window goes at start when it is not placed at random.
struct StartPlacement {
  ScreenPoint TopLeft;
  bool FirstRun = false;  // no stored position: the default place
};

// A stored coordinate as read: missing, there but unusable (of another
// kind, unreadable), or a number.
struct StoredCoordinate {
  bool Exists = false;
  std::optional<std::int32_t> Value;
};

// Without a stored Left and Top, the default place: 5 pixels from the
// right of the work area on its bottom edge, and a first run. A coordinate
// that exists but cannot be used takes its own default place. The place is
// kept when at least half the globe's outline (its box in the window) lies
// on one monitor; otherwise the globe moves the shortest way to stand
// wholly in the work area of the monitor nearest it.
StartPlacement PlaceAtStart(StoredCoordinate storedLeft, StoredCoordinate storedTop,
                            std::span<const MonitorArea> monitors, ScreenSize workArea, int width, int height,
                            const ScreenRect& outline);

// The one message about stored values that could not be used: each
// value's own text, then what happens to them (the defaults are saved
// unless saved is false), then where the settings are when place is not
// empty.
std::string UnusableSettingsMessage(std::span<const std::string> problems, std::string_view place = {},
                                    bool saved = true);

}  // namespace nivarra
