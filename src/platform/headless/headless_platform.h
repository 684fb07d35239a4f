#pragma once
// A desktop for tests and tools: the clock, the covering windows and the
// local time are set by the caller, frames shown are recorded, settings live
// in memory and timers fire only when the caller advances them. One object
// stands for every service of the desktop.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "graphics/pixel_store.h"
#include "platform/desktop.h"

namespace nivarra {

class HeadlessPlatform : public Clock,
                         public GlobeWindow,
                         public UserMessages,
                         public SettingsStore,
                         public Autostart,
                         public ProgramInstance,
                         public MonitorLayout,
                         public LanguageSupport {
 public:
  struct Presentation {
    int Left = 0;
    int Top = 0;
    std::uint8_t ConstantAlpha = 0;
  };
  using SettingValues = std::map<std::string, SettingValue, std::less<>>;
  // Starting with the session: whether the desktop can tell at all, and
  // the command it runs (nothing: off).
  struct AutostartState {
    bool Known = false;
    std::optional<std::string> Command;
    friend bool operator==(const AutostartState&, const AutostartState&) = default;
  };

  // Every service is this object.
  Desktop Services() { return Desktop{*this, *this, *this, *this, *this, *this, *this, *this}; }
  operator Desktop() { return Services(); }

  // --- scripted --------------------------------------------------------------
  void SetTickCount(std::uint32_t tick) { tick_ = tick; }
  // With ReportCoverChanges(true) the desktop tells the globe of each
  // SetCovered, and the globe counts on being told.
  void SetCovered(bool covered) {
    covered_ = covered;
    if (reportsCoverChanges_ && events_ != nullptr) events_->CoverMayHaveChanged();
  }
  void ReportCoverChanges(bool report) { reportsCoverChanges_ = report; }
  void SetCoverProbe(std::function<bool(int, int)> probe) { coverProbe_ = std::move(probe); }
  void SetLocalNow(double now) {
    now_ = now;
    nowSetAt_ = elapsed_;
  }
  // The local time runs on with the simulated clock from the last SetLocalNow.
  void SetLocalClockRuns(bool runs) { localClockRuns_ = runs; }
  // The zone LocalTimeZone reports ("unknown" without an offset unless set).
  void SetTimeZone(TimeZoneInfo zone) { zone_ = std::move(zone); }
  int TimeZoneQueries() const { return timeZoneQueries_; }
  void SetPresentFails(bool fails) { presentFails_ = fails; }
  // The user's languages, most wanted first ("ru_RU.UTF-8", "de").
  void SetPreferredLanguages(std::vector<std::string> languages) { preferredLanguages_ = std::move(languages); }
  void SetFirstArgument(std::string argument) { firstArgument_ = std::move(argument); }
  // No browser opens web pages.
  void SetNoBrowser(bool none) { noBrowser_ = none; }

  // The settings live in store instead of memory.
  void SetSettingsStore(SettingsStore* store) { settingsStore_ = store; }
  // The settings store cannot be opened at all, for this reason.
  void SetSettingsUnavailable(bool unavailable,
                              SettingsProblem problem = {"the store is out of order", "the test's memory"}) {
    settingsUnavailable_ = unavailable;
    settingsProblem_ = std::move(problem);
  }
  // MakeWindowLayered fails with this text; nothing for success.
  void SetLayeredFailure(std::optional<std::string> text) { layeredFailure_ = std::move(text); }
  // Picks a command when a menu is tracked (0: the menu is dismissed).
  void SetMenuChoice(std::function<std::uint32_t(const MenuModel& menu)> choose) { menuChoice_ = std::move(choose); }
  // Runs inside ShowMessage, as the timer ticks of a modal box's loop would.
  void SetDuringMessage(std::function<void()> during) { duringMessage_ = std::move(during); }

  // The monitors, the primary first (one of 1280x1024 at the origin, its
  // bottom 40 pixels a panel's, unless set). Given as bounds alone, each
  // monitor's work area is all of it.
  void SetMonitors(std::vector<MonitorArea> monitors) { monitors_ = std::move(monitors); }
  void SetMonitors(const std::vector<ScreenRect>& monitors) { monitors_ = WholeMonitors(monitors); }
  // The monitors change while the globe runs.
  void ChangeMonitors(std::vector<MonitorArea> monitors);
  void ChangeMonitors(const std::vector<ScreenRect>& monitors) { ChangeMonitors(WholeMonitors(monitors)); }
  // The desktop's scale (1 unless set); ChangeDisplayScale tells the globe.
  void SetDisplayScale(double scale) { displayScale_ = scale; }
  void ChangeDisplayScale(double scale, std::optional<ScreenPoint> suggested);
  // The session is locked or unlocked (or a screensaver starts or ends).
  void ChangeVisibility(bool canBeSeen) {
    if (events_ != nullptr) events_->VisibilityChanged(canBeSeen);
  }
  // Another globe already runs for the user on this display.
  void SetOtherGlobeRunning(bool running) { otherGlobeRunning_ = running; }

  // Advances the clock by ms, firing due timers in time order (earlier
  // timers first when two fall on the same millisecond).
  void Advance(std::uint32_t ms);

  // The desktop's side of a drag: the window follows to topLeft.
  void DragWindowTo(ScreenPoint topLeft);

  // --- recorded --------------------------------------------------------------
  int PresentCount() const { return presentCount_; }
  // Told of every frame shown, as it is shown.
  void SetPresentObserver(std::function<void(const PixelStore&)> observer) { presentObserver_ = std::move(observer); }
  // The changed part the last PresentChanged named, if any did.
  const std::optional<PixelRect>& LastDirty() const { return lastDirty_; }
  // How many timer ticks have fired.
  long long TimerTicks() const { return timerTicks_; }
  const Presentation& LastPresentation() const { return last_; }
  const PixelStore& LastFrame() const { return lastFrame_; }
  const std::vector<std::string>& Messages() const { return messages_; }
  // The stored values; there (as after a first save) once asked for.
  SettingValues& Settings() {
    if (!settings_) settings_.emplace();
    return *settings_;
  }
  bool HasSettings() const { return settings_.has_value(); }
  AutostartState& StartWithSystem() { return autostart_; }
  struct WindowState {
    bool Layered = false;
    ScreenPoint Position{310, 213};
    int Width = 0;
    int Height = 0;
    std::vector<ShapeRect> Shape;
    int OwnerToDesktopCount = 0;
    bool TaskbarButtonHidden = false;
    std::optional<bool> Topmost;
    int SystemMoves = 0;
    int MenusTracked = 0;
    ScreenPoint LastMenuAt;
    std::vector<std::string> OpenedPages;
    bool Shown = false;
    bool Hidden = false;
    bool Closed = false;
    int OtherGlobeBroughtToFront = 0;
  };
  const WindowState& Window() const { return window_; }

  // --- the services ----------------------------------------------------------
  std::uint32_t TickCount() override { return tick_; }
  std::int64_t PerformanceCounter() override { return static_cast<std::int64_t>(tick_) * 10000; }
  bool IsCoveredAt(int screenX, int screenY) override;
  bool ReportsCoverChanges() override { return reportsCoverChanges_; }
  bool Present(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha) override;
  bool PresentChanged(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha,
                      const PixelRect& dirty) override;
  double LocalNow() override {
    return localClockRuns_ ? now_ + static_cast<double>(elapsed_ - nowSetAt_) / (24.0 * 60 * 60 * 1000) : now_;
  }
  TimeZoneInfo LocalTimeZone(double) override {
    ++timeZoneQueries_;
    return zone_;
  }
  std::string FormatLongDate(double date) override;
  void ShowMessage(std::string_view text) override;
  std::unique_ptr<MessageCatalog> OpenCatalog(std::string_view languageSetting) override;
  std::unique_ptr<PlatformTimer> StartTimer(int intervalMs, std::function<void()> tick) override;
  std::unique_ptr<SettingsKey> OpenSettings(bool create) override;
  std::optional<SettingsProblem> LastProblem() override;
  std::string Place() override { return settingsStore_ != nullptr ? settingsStore_->Place() : std::string(); }
  std::optional<bool> IsEnabled() override;
  void Enable() override;
  void Disable() override;
  ScreenSize ScreenSizeOfPrimary() override { return {1280, 1024}; }
  ScreenSize WorkAreaSize() override { return {1280, 984}; }
  std::string FirstArgument() override { return firstArgument_; }
  std::vector<MonitorArea> Monitors() override { return monitors_; }
  double DisplayScale() override { return displayScale_; }
  bool ClaimRunningGlobe(bool yieldToRunning) override;

  void SetWindowEvents(WindowEvents* events) override { events_ = events; }
  std::optional<std::string> MakeWindowLayered() override;
  void PlaceWindow(ScreenPoint topLeft, int width, int height) override;
  ScreenPoint WindowPosition() override { return window_.Position; }
  void SetWindowShape(const std::vector<ShapeRect>& shape) override { window_.Shape = shape; }
  void SetOwnerToDesktop() override { ++window_.OwnerToDesktopCount; }
  void HideTaskbarButton() override { window_.TaskbarButtonHidden = true; }
  void SetTopmost(bool topmost) override { window_.Topmost = topmost; }
  void BeginSystemMove() override { ++window_.SystemMoves; }
  std::uint32_t TrackPopupMenu(const MenuModel& menu, ScreenPoint at) override;
  bool OpenWebPage(std::string_view address) override {
    if (noBrowser_) return false;
    window_.OpenedPages.emplace_back(address);
    return true;
  }
  void HideWindow() override { window_.Hidden = true; }
  void RequestClose() override;
  // Shows the window and returns at once: the test drives the rest.
  int Run() override;

 private:
  struct Timer {
    int id;
    int interval;
    std::uint64_t due;  // on the unwrapped simulated clock
    std::function<void()> tick;
  };
  class HeadlessTimer;
  class HeadlessKey;

  std::uint32_t tick_ = 0;
  std::uint64_t elapsed_ = 0;  // simulated milliseconds, never wrapping
  bool covered_ = false;
  bool reportsCoverChanges_ = false;
  std::function<bool(int, int)> coverProbe_;
  double now_ = 0;
  std::uint64_t nowSetAt_ = 0;
  bool localClockRuns_ = false;
  TimeZoneInfo zone_;
  int timeZoneQueries_ = 0;
  bool presentFails_ = false;
  bool noBrowser_ = false;
  std::string firstArgument_;
  std::vector<std::string> preferredLanguages_;
  int presentCount_ = 0;
  Presentation last_;
  PixelStore lastFrame_;
  std::vector<std::string> messages_;
  std::optional<SettingValues> settings_;
  SettingsStore* settingsStore_ = nullptr;
  AutostartState autostart_;
  std::vector<Timer> timers_;
  int nextTimerId_ = 0;
  WindowEvents* events_ = nullptr;
  WindowState window_;
  std::optional<std::string> layeredFailure_;
  bool settingsUnavailable_ = false;
  SettingsProblem settingsProblem_;
  std::function<std::uint32_t(const MenuModel&)> menuChoice_;
  std::function<void()> duringMessage_;
  static std::vector<MonitorArea> WholeMonitors(const std::vector<ScreenRect>& bounds) {
    std::vector<MonitorArea> monitors;
    for (const ScreenRect& b : bounds) monitors.push_back({b, b});
    return monitors;
  }
  std::vector<MonitorArea> monitors_{{{0, 0, 1280, 1024}, {0, 0, 1280, 984}}};
  bool otherGlobeRunning_ = false;
  double displayScale_ = 1.0;
  std::function<void(const PixelStore&)> presentObserver_;
  std::optional<PixelRect> lastDirty_;
  long long timerTicks_ = 0;
};

}  // namespace nivarra
