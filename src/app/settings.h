#pragma once
// The globe's stored settings: typed reads and writes with the errors the
// user sees, and where the window stands at start.

#include <cstdint>
#include <optional>
#include <string_view>

#include "graphics/exception.h"
#include "platform/platform.h"

namespace nivarra {

// A setting that cannot be read or written; the message names the value.
NIVARRA_DECLARE_EXCEPTION(ESettingsError, Exception);

// The value as a 32-bit integer, nothing when it is missing. A value of
// another kind raises "Invalid data type for '<name>'", one that cannot be
// read "Failed to get data for '<name>'".
std::optional<std::int32_t> ReadStoredInteger(SettingsKey& key, std::string_view name);

// Writes to key, which may be null when opening it failed; any failure
// raises "Failed to set data for '<name>'".
void WriteStoredInteger(SettingsKey* key, std::string_view name, std::int32_t value);
void WriteStoredString(SettingsKey* key, std::string_view name, std::string_view value);

// Where the window goes at start when it is not placed at random.
struct StartPlacement {
  ScreenPoint TopLeft;
  bool FirstRun = false;  // no stored position: the default place
};

// A stored position kept when it lies within the primary screen's bounds
// (Left -70 .. screen width - 30, Top -140 .. screen height - 30; each
// coordinate outside is reset on its own); without one, 5 pixels from the
// right of the work area on its bottom edge.
StartPlacement PlaceAtStart(std::optional<std::int32_t> storedLeft, std::optional<std::int32_t> storedTop,
                            ScreenSize screen, ScreenSize workArea, int width, int height);

}  // namespace nivarra
