#include "layout/timer.h"

#include "layout/property_helpers.h"

namespace nivarra {

const TClassInfo& TTimer::StaticClassInfo() {
  static const TClassInfo info{
      .Name = "TTimer",
      .Parent = &TComponent::StaticClassInfo(),
      .Properties = {BooleanProperty("Enabled", &TTimer::SetEnabled), IntegerProperty("Interval", &TTimer::SetInterval),
                     EventProperty("OnTimer", &TTimer::OnTimer)},
      .Create = &CreateComponentOf<TTimer>};
  return info;
}

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (OnSettingsChanged) OnSettingsChanged(*this);
}

void TTimer::SetInterval(int value) {
  if (value == interval_) return;
  interval_ = value;
  if (OnSettingsChanged) OnSettingsChanged(*this);
}

}  // namespace nivarra
