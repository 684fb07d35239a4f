#include "platform/win32/win32_monitors.h"

#include "platform/win32/windows_api.h"

namespace nivarra {

ScreenSize Win32Monitors::ScreenSizeOfPrimary() {
  return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

ScreenSize Win32Monitors::WorkAreaSize() {
  RECT area{};
  if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) return ScreenSizeOfPrimary();
  return {area.right - area.left, area.bottom - area.top};
}

std::vector<MonitorArea> SystemMonitors() {
  std::vector<MonitorArea> monitors;
  const auto add = [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoW(monitor, &info)) {
      auto& list = *reinterpret_cast<std::vector<MonitorArea>*>(data);
      const MonitorArea rect{{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom},
                             {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom}};
      if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
        list.insert(list.begin(), rect);
      } else {
        list.push_back(rect);
      }
    }
    return TRUE;
  };
  ::EnumDisplayMonitors(nullptr, nullptr, add, reinterpret_cast<LPARAM>(&monitors));
  if (monitors.empty()) {
    Win32Monitors primary;
    const ScreenSize screen = primary.ScreenSizeOfPrimary();
    const ScreenSize work = primary.WorkAreaSize();
    monitors.push_back({{0, 0, screen.Width, screen.Height}, {0, 0, work.Width, work.Height}});
  }
  return monitors;
}

}  // namespace nivarra
