#pragma once
// What the globe needs from the desktop it stands on: time, whether other
// windows cover it, showing a frame, dates in the user's format, messages,
// timers, a settings store and the screen's size. The scene and the
// window's logic see only this; each desktop implements it.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace nivarra {

class PixelStore;

// A stored setting: a 32-bit integer or a string.
using SettingValue = std::variant<std::int32_t, std::string>;

// One open key of the settings store (closed when destroyed).
class SettingsKey {
 public:
  virtual ~SettingsKey() = default;
  virtual bool ValueExists(std::string_view name) = 0;
  // The value, or nothing when it is missing.
  virtual std::optional<SettingValue> ReadValue(std::string_view name) = 0;
  virtual void WriteInteger(std::string_view name, std::int32_t value) = 0;
  virtual void WriteString(std::string_view name, std::string_view value) = 0;
  // A missing value is no error.
  virtual void DeleteValue(std::string_view name) = 0;
};

// A running timer; destroying it stops it.
class PlatformTimer {
 public:
  virtual ~PlatformTimer() = default;
};

struct ScreenSize {
  int Width = 0;
  int Height = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Milliseconds since the system started; wraps at 2^32.
  virtual std::uint32_t TickCount() = 0;
  // A fast-running counter for seeding the random generator.
  virtual std::int64_t PerformanceCounter() = 0;

  // Whether the screen point shows another window than the globe.
  virtual bool IsCoveredAt(int screenX, int screenY) = 0;
  // Shows frame (32-bit, premultiplied, top row first when addressed by
  // row) with its top-left corner at (left, top), the whole scaled by
  // constantAlpha / 255. False when the desktop refused.
  virtual bool Present(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha) = 0;

  // Local wall-clock time as days since 30 December 1899, fraction = time of day.
  virtual double LocalNow() = 0;
  // date in the user's long date format.
  virtual std::string FormatLongDate(double date) = 0;

  // A modal message box; returns when the user closed it.
  virtual void ShowMessage(std::string_view text) = 0;

  // Calls tick every intervalMs milliseconds until the timer is destroyed.
  virtual std::unique_ptr<PlatformTimer> StartTimer(int intervalMs, std::function<void()> tick) = 0;

  // Opens a key of the user's settings by path; null when it cannot be
  // opened (or, with create, created).
  virtual std::unique_ptr<SettingsKey> OpenSettingsKey(std::string_view path, bool create) = 0;

  virtual ScreenSize ScreenSizeOfPrimary() = 0;
  virtual ScreenSize WorkAreaSize() = 0;
  // The first command-line argument, empty without one.
  virtual std::string FirstArgument() = 0;
  virtual std::string ExecutablePath() = 0;
};

}  // namespace nivarra
