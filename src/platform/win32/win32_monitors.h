#pragma once
// The monitors of the Windows desktop, in device pixels (the program is
// per-monitor aware).

#include <vector>

#include "platform/monitor_layout.h"

namespace nivarra {

// Every monitor with its work area, the primary first.
std::vector<MonitorArea> SystemMonitors();

class Win32Monitors : public MonitorLayout {
 public:
  ScreenSize ScreenSizeOfPrimary() override;
  ScreenSize WorkAreaSize() override;
  std::vector<MonitorArea> Monitors() override { return SystemMonitors(); }
};

}  // namespace nivarra
