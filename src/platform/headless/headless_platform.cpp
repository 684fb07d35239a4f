#include "platform/headless/headless_platform.h"

#include "core/embedded_catalogs.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace nivarra {

class HeadlessPlatform::HeadlessTimer : public PlatformTimer {
 public:
  HeadlessTimer(HeadlessPlatform& owner, int id) : owner_(owner), id_(id) {}
  ~HeadlessTimer() override {
    std::erase_if(owner_.timers_, [this](const Timer& t) { return t.id == id_; });
  }

 private:
  HeadlessPlatform& owner_;
  int id_;
};

class HeadlessPlatform::HeadlessKey : public SettingsKey {
 public:
  explicit HeadlessKey(std::map<std::string, SettingValue, std::less<>>& values) : values_(values) {}
  bool ValueExists(std::string_view name) override { return values_.find(name) != values_.end(); }
  std::optional<SettingValue> ReadValue(std::string_view name) override {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }
  void WriteInteger(std::string_view name, std::int32_t value) override { values_[std::string(name)] = value; }
  void WriteString(std::string_view name, std::string_view value) override {
    values_[std::string(name)] = std::string(value);
  }
  void DeleteValue(std::string_view name) override {
    const auto it = values_.find(name);
    if (it != values_.end()) values_.erase(it);
  }

 private:
  std::map<std::string, SettingValue, std::less<>>& values_;
};

bool HeadlessPlatform::IsCoveredAt(int screenX, int screenY) {
  return coverProbe_ ? coverProbe_(screenX, screenY) : covered_;
}

bool HeadlessPlatform::Present(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha) {
  if (presentFails_) return false;
  ++presentCount_;
  last_ = Presentation{left, top, constantAlpha};
  if (lastFrame_.Width() != frame.Width() || lastFrame_.Height() != frame.Height() ||
      lastFrame_.BitCount() != frame.BitCount() || lastFrame_.Order() != frame.Order()) {
    lastFrame_ = PixelStore(frame.Width(), frame.Height(), frame.BitCount(), frame.Order());
  }
  std::copy(frame.Bytes().begin(), frame.Bytes().end(), lastFrame_.Bytes().begin());
  if (presentObserver_) presentObserver_(frame);
  return true;
}

bool HeadlessPlatform::PresentChanged(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha,
                                      const PixelRect& dirty) {
  lastDirty_ = dirty;
  return Present(frame, left, top, constantAlpha);
}

std::string HeadlessPlatform::FormatLongDate(double date) {
  char text[32];
  std::snprintf(text, sizeof text, "day %.0f", date);
  return text;
}

std::unique_ptr<PlatformTimer> HeadlessPlatform::StartTimer(int intervalMs, std::function<void()> tick) {
  const int id = nextTimerId_++;
  const int interval = std::max(intervalMs, 1);
  timers_.push_back(Timer{id, interval, elapsed_ + static_cast<std::uint64_t>(interval), std::move(tick)});
  return std::make_unique<HeadlessTimer>(*this, id);
}

void HeadlessPlatform::Advance(std::uint32_t ms) {
  const std::uint64_t end = elapsed_ + ms;
  for (;;) {
    // The next due timer; on a tie the one started first.
    const Timer* next = nullptr;
    for (const Timer& t : timers_) {
      if (t.due <= end && (next == nullptr || t.due < next->due || (t.due == next->due && t.id < next->id))) {
        next = &t;
      }
    }
    if (next == nullptr) break;
    tick_ += static_cast<std::uint32_t>(next->due - elapsed_);
    elapsed_ = next->due;
    const int id = next->id;
    std::function<void()> tick = next->tick;
    for (Timer& t : timers_) {
      if (t.id == id) t.due += static_cast<std::uint64_t>(t.interval);
    }
    ++timerTicks_;
    tick();  // may start or stop timers
  }
  tick_ += static_cast<std::uint32_t>(end - elapsed_);
  elapsed_ = end;
}

std::unique_ptr<SettingsKey> HeadlessPlatform::OpenSettings(bool create) {
  if (settingsStore_ != nullptr) return settingsStore_->OpenSettings(create);
  if (settingsUnavailable_ || (!settings_ && !create)) return nullptr;
  return std::make_unique<HeadlessKey>(Settings());
}

std::optional<SettingsProblem> HeadlessPlatform::LastProblem() {
  if (settingsStore_ != nullptr) return settingsStore_->LastProblem();
  return settingsUnavailable_ ? std::optional(settingsProblem_) : std::nullopt;
}

// Starting with the session fails as the settings do.
std::optional<bool> HeadlessPlatform::IsEnabled() {
  if (settingsUnavailable_ || !autostart_.Known) return std::nullopt;
  return autostart_.Command.has_value();
}

void HeadlessPlatform::Enable() {
  if (settingsUnavailable_) throw SettingsStoreError(settingsProblem_);
  autostart_ = AutostartState{true, "/opt/nivarra/nivarra"};
}

void HeadlessPlatform::Disable() {
  if (settingsUnavailable_) return;
  autostart_ = AutostartState{true, std::nullopt};
}

std::unique_ptr<MessageCatalog> HeadlessPlatform::OpenCatalog(std::string_view languageSetting) {
  return OpenEmbeddedCatalog(languageSetting, preferredLanguages_);
}

void HeadlessPlatform::ShowMessage(std::string_view text) {
  messages_.emplace_back(text);
  if (duringMessage_) duringMessage_();
}

std::optional<std::string> HeadlessPlatform::MakeWindowLayered() {
  if (layeredFailure_) return layeredFailure_;
  window_.Layered = true;
  return std::nullopt;
}

void HeadlessPlatform::PlaceWindow(ScreenPoint topLeft, int width, int height) {
  window_.Position = topLeft;
  window_.Width = width;
  window_.Height = height;
}

void HeadlessPlatform::DragWindowTo(ScreenPoint topLeft) {
  window_.Position = topLeft;
  if (events_ != nullptr) events_->Moved(topLeft);
}

void HeadlessPlatform::ChangeMonitors(std::vector<MonitorArea> monitors) {
  monitors_ = std::move(monitors);
  if (events_ != nullptr) events_->MonitorsChanged();
}

void HeadlessPlatform::ChangeDisplayScale(double scale, std::optional<ScreenPoint> suggested) {
  displayScale_ = scale;
  if (events_ != nullptr) events_->DisplayScaleChanged(suggested);
}

bool HeadlessPlatform::ClaimRunningGlobe(bool yieldToRunning) {
  if (!yieldToRunning || !otherGlobeRunning_) return true;
  ++window_.OtherGlobeBroughtToFront;
  return false;
}

std::uint32_t HeadlessPlatform::TrackPopupMenu(const MenuModel& menu, ScreenPoint at) {
  ++window_.MenusTracked;
  window_.LastMenuAt = at;
  return menuChoice_ ? menuChoice_(menu) : 0;
}

void HeadlessPlatform::RequestClose() {
  if (window_.Closed) return;
  if (events_ == nullptr || events_->CloseQuery()) {
    window_.Hidden = true;
    window_.Closed = true;
  }
}

int HeadlessPlatform::Run() {
  window_.Shown = true;
  if (events_ != nullptr) events_->Shown();
  return 0;
}

}  // namespace nivarra
