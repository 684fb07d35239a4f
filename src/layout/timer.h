#pragma once
// TTimer: an interval and a handler; the platform makes it tick.

#include <functional>

#include "layout/component.h"

namespace nivarra {

class TTimer : public TComponent {
 public:
  NIVARRA_COMPONENT_CLASS()
  explicit TTimer(TComponent* owner) : TComponent(owner) {}

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  int Interval() const { return interval_; }
  void SetInterval(int value);
  // One tick: the handler runs.
  void Tick() { Fire(OnTimer, TEventArgs{.Sender = this}); }

  TMethod OnTimer;
  // Told whenever Enabled or Interval changes, so the platform restarts
  // the system timer.
  std::function<void(TTimer&)> OnSettingsChanged;

 private:
  bool enabled_ = true;
  int interval_ = 1000;
};

}  // namespace nivarra
