#pragma once
// The monitors of the Linux desktop as GDK knows them, in device pixels.

#include <vector>

#include "platform/monitor_layout.h"

namespace nivarra {

// Every monitor with its work area, the primary first.
std::vector<MonitorArea> GdkMonitorAreas();

class GtkMonitors : public MonitorLayout {
 public:
  // The far right and bottom edges of the primary monitor and of its work
  // area, counted from the screen's origin: the globe's logic places it
  // against those edges and keeps stored positions inside them, so a panel
  // at the top or a primary monitor right of another still gives the
  // bottom right corner. Where the monitor sits at the origin and panels
  // only at the bottom or right, these are the sizes.
  ScreenSize ScreenSizeOfPrimary() override;
  ScreenSize WorkAreaSize() override;
  std::vector<MonitorArea> Monitors() override { return GdkMonitorAreas(); }
};

}  // namespace nivarra
