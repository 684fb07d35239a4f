#pragma once
// What the globe needs from the desktop it stands on: time, whether other
// windows cover it, showing a frame, dates in the user's format, messages,
// timers, a settings store and the screen's size. The scene and the
// window's logic see only this; each desktop implements it.
//
// Every place and size here is in device pixels, the screen's own, whatever
// the desktop's scale: the window's place and size, monitors, probe points,
// the frames shown and the window's shape. A desktop that works in scaled
// units (GDK) converts at its edge.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/time_zone_info.h"
#include "core/translation.h"

namespace nivarra {

class PixelStore;
struct MenuModel;

// A stored value of a kind the globe never writes (binary data, a 64-bit
// number, ...): Type is the store's own type code, Size the data's length.
struct ForeignSetting {
  std::uint32_t Type = 0;
  std::size_t Size = 0;
  friend bool operator==(const ForeignSetting&, const ForeignSetting&) = default;
};
// A value that exists but whose data could not be read.
struct UnreadableSetting {
  friend bool operator==(const UnreadableSetting&, const UnreadableSetting&) = default;
};

// A stored setting: a 32-bit integer or a string, or what a value of
// another kind reads as.
using SettingValue = std::variant<std::int32_t, std::string, ForeignSetting, UnreadableSetting>;

// What went wrong with the settings store: the system's reason, in its
// words without a full stop at the end, and where (a file, a registry key).
struct SettingsProblem {
  std::string Reason;
  std::string Place;
  friend bool operator==(const SettingsProblem&, const SettingsProblem&) = default;
};

// The store refused to read or write: raised by a key's writes, deletes
// and Commit.
class SettingsStoreError : public std::runtime_error {
 public:
  explicit SettingsStoreError(SettingsProblem problem)
      : std::runtime_error(problem.Place + ": " + problem.Reason), problem_(std::move(problem)) {}
  const SettingsProblem& Problem() const noexcept { return problem_; }

 private:
  SettingsProblem problem_;
};

// One open key of the settings store (closed when destroyed). Writes,
// deletes and Commit raise SettingsStoreError when the store refuses them,
// std::invalid_argument for a name or value it cannot hold.
class SettingsKey {
 public:
  virtual ~SettingsKey() = default;
  virtual bool ValueExists(std::string_view name) = 0;
  // The value, or nothing when it is missing.
  virtual std::optional<SettingValue> ReadValue(std::string_view name) = 0;
  virtual void WriteInteger(std::string_view name, std::int32_t value) = 0;
  virtual void WriteString(std::string_view name, std::string_view value) = 0;
  // A yes or no, as a store that has them writes it; 1 or 0 otherwise. It
  // reads back as 1 or 0.
  virtual void WriteBoolean(std::string_view name, bool value) { WriteInteger(name, value ? 1 : 0); }
  // A missing value is no error.
  virtual void DeleteValue(std::string_view name) = 0;
  // Makes the writes so far last. A store may hold them back until then, so
  // that a save is one change of what is stored; one that writes at once has
  // nothing to do.
  virtual void Commit() {}
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

struct ScreenPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// A rectangle of pixels, right and bottom edges exclusive.
struct PixelRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};
// On the desktop, in its coordinates.
using ScreenRect = PixelRect;
// One rectangle of the window's shape, in window pixels.
using ShapeRect = PixelRect;

// A monitor's full rectangle and the part of it windows may use (without
// panels and taskbars), on the desktop.
struct MonitorArea {
  ScreenRect Bounds;
  ScreenRect WorkArea;
  friend bool operator==(const MonitorArea&, const MonitorArea&) = default;
};

// What happens to the globe window, as the desktop reports it. Every call
// comes on the one UI thread, one at a time (a modal message box runs a
// nested loop, so timer ticks may arrive inside ShowMessage). The program
// shows its own errors: none escapes into the desktop's loop.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  // The window is shown for the first time.
  virtual void Shown() noexcept = 0;
  // A mouse button went down on the window in a way that starts a drag
  // (the desktop holds a right press back until the pointer moves, so a
  // plain right click opens the menu instead: ClickOrDrag).
  virtual void MouseDown() noexcept = 0;
  // A right click without movement, or the keyboard's menu key: open the
  // menu at this screen point.
  virtual void ContextMenu(ScreenPoint at) noexcept = 0;
  // The window moved (a drag by the desktop's move loop).
  virtual void Moved(ScreenPoint topLeft) noexcept = 0;
  // Monitors were added, removed or rearranged.
  virtual void MonitorsChanged() noexcept = 0;
  // The desktop's scale for the window changed: it was moved to a monitor
  // with another scale, or the user changed the setting. suggested is where
  // the desktop asks the window's top-left corner to stand at the new scale,
  // when it asks (Windows does).
  virtual void DisplayScaleChanged(std::optional<ScreenPoint> suggested) noexcept { (void)suggested; }
  // Whether anybody can see the globe changed: the session was locked or
  // unlocked, a screensaver or the display's power-off began or ended, a
  // full-screen window came to fill the globe's monitor or went. While
  // nobody can, the globe neither composes nor presents frames.
  virtual void VisibilityChanged(bool canBeSeen) noexcept { (void)canBeSeen; }
  // What IsCoveredAt answers may have changed: another window came, went,
  // moved or was restacked. Only from a desktop whose ReportsCoverChanges
  // is true.
  virtual void CoverMayHaveChanged() noexcept {}
  // The window is asked whether it may close: on a close request, or when
  // the user logs off or the system shuts down. False keeps it open.
  virtual bool CloseQuery() noexcept = 0;
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
  // Whether the desktop calls WindowEvents::CoverMayHaveChanged whenever
  // IsCoveredAt may answer otherwise for the same point; without that, a
  // covered globe asks at every beat.
  virtual bool ReportsCoverChanges() { return false; }
  // Shows frame (32-bit, premultiplied, top row first when addressed by
  // row) with its top-left corner at (left, top), the whole scaled by
  // constantAlpha / 255. False when the desktop refused.
  virtual bool Present(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha) = 0;
  // What the user is told when the desktop refuses a frame, in its words.
  virtual std::string PresentFailedMessage() { return N_("UpdateLayeredWindow error"); }
  // The same for a frame that differs from the one shown last, at the same
  // place and constant alpha, only inside dirty (window pixels): a desktop
  // may redraw just that part.
  virtual bool PresentChanged(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha,
                              const PixelRect& dirty) {
    (void)dirty;
    return Present(frame, left, top, constantAlpha);
  }

  // Local wall-clock time as days since 30 December 1899, fraction = time of day.
  virtual double LocalNow() = 0;
  // The local time zone as it stands at the local date-time (same count
  // as LocalNow); only the sky that follows the clock asks.
  virtual TimeZoneInfo LocalTimeZone(double localDateTime) {
    (void)localDateTime;
    return {};
  }
  // date in the user's long date format.
  virtual std::string FormatLongDate(double date) = 0;

  // A modal message box; returns when the user closed it. A text marked
  // for translation (N_) is shown in the user's language.
  virtual void ShowMessage(std::string_view text) = 0;

  // Calls tick every intervalMs milliseconds until the timer is destroyed.
  // Like the window's events, a tick lets no error escape.
  virtual std::unique_ptr<PlatformTimer> StartTimer(int intervalMs, std::function<void()> tick) = 0;

  // Opens a key of the user's settings by path; null when it cannot be
  // opened (or, with create, created).
  virtual std::unique_ptr<SettingsKey> OpenSettingsKey(std::string_view path, bool create) = 0;
  // Why the last OpenSettingsKey gave nothing when the store failed (a
  // file that cannot be read, a registry that refuses); nothing when the
  // key is only missing.
  virtual std::optional<SettingsProblem> SettingsKeyProblem() { return std::nullopt; }
  // Where the user finds the settings (a file, a registry key) for messages
  // about them; empty says nothing.
  virtual std::string SettingsPlace() { return {}; }

  // Device pixels per pixel of the globe's artwork at 100 % for the window
  // where it stands: 1 at 96 DPI, 2 on a screen set to 200 %.
  virtual double DisplayScale() { return 1.0; }

  virtual ScreenSize ScreenSizeOfPrimary() = 0;
  virtual ScreenSize WorkAreaSize() = 0;
  // Every monitor with its work area, in desktop coordinates, the primary first.
  virtual std::vector<MonitorArea> Monitors() = 0;
  // The first command-line argument, empty without one.
  virtual std::string FirstArgument() = 0;
  virtual std::string ExecutablePath() = 0;
  // What the autostart value holds to start this program at log-in.
  virtual std::string AutostartCommand() { return ExecutablePath(); }
  // The catalog of the user's language, or of languageSetting (the stored
  // "Language", a code such as "de" or "pt_BR") when that is one the
  // program speaks; null for English.
  virtual std::unique_ptr<MessageCatalog> OpenCatalog(std::string_view languageSetting) {
    (void)languageSetting;
    return nullptr;
  }
  // The caption of the autostart item in this desktop's words; empty keeps
  // the layout's.
  virtual std::string AutostartCaption() { return {}; }

  // Makes this the globe that runs for the user on this display. With
  // yieldToRunning (a plain start), when another globe already runs there,
  // that one is brought to the front instead and false is returned: the
  // caller then ends without showing anything.
  virtual bool ClaimRunningGlobe(bool yieldToRunning) = 0;

  // --- the globe window ------------------------------------------------------
  // Where the window's events go; set before Run.
  virtual void SetWindowEvents(WindowEvents* events) = 0;
  // Makes the window take per-pixel alpha frames. On failure the system's
  // text for the error; nothing on success.
  virtual std::optional<std::string> MakeWindowLayered() = 0;
  // Places the window with its top-left corner at the point and sets its size.
  virtual void PlaceWindow(ScreenPoint topLeft, int width, int height) = 0;
  virtual ScreenPoint WindowPosition() = 0;
  // The window's shape as a union of rectangles in window pixels.
  virtual void SetWindowShape(const std::vector<ShapeRect>& shape) = 0;
  // No taskbar button and no visible owner: the desktop owns the window.
  virtual void SetOwnerToDesktop() = 0;
  virtual void HideTaskbarButton() = 0;
  // Into or out of the band of windows that stay on top.
  virtual void SetTopmost(bool topmost) = 0;
  // Hands the drag to the desktop's move loop while the button is held.
  virtual void BeginSystemMove() = 0;
  // Whether a mouse button is down now: a drag may still go on.
  virtual bool PointerHeld() { return false; }
  // Shows the menu at the screen point and returns the command the user
  // picked (not yet carried out), or 0.
  virtual std::uint32_t TrackPopupMenu(const MenuModel& menu, ScreenPoint at) = 0;
  // Opens a web address with the user's browser; false when nothing could
  // open it.
  virtual bool OpenWebPage(std::string_view address) = 0;
  // Takes the window off the screen at once: the close is decided, and the
  // rest of the shutdown may take a moment.
  virtual void HideWindow() = 0;
  // Asks the window to close: CloseQuery decides; on yes the window goes
  // and Run returns.
  virtual void RequestClose() = 0;
  // Shows the window (Shown follows) and runs the event loop until the
  // window has closed. Returns the program's exit code.
  virtual int Run() = 0;
};

}  // namespace nivarra
