#pragma once
// The monitors of the desktop and the parts of them windows may use.

#include <vector>

#include "platform/screen_geometry.h"

namespace nivarra {

class MonitorLayout {
 public:
  virtual ~MonitorLayout() = default;
  virtual ScreenSize ScreenSizeOfPrimary() = 0;
  virtual ScreenSize WorkAreaSize() = 0;
  // Every monitor with its work area, in desktop coordinates, the primary first.
  virtual std::vector<MonitorArea> Monitors() = 0;
};

}  // namespace nivarra
