#include "platform/gtk/gtk_monitors.h"

#include <gtk/gtk.h>

namespace nivarra {
namespace {

GdkMonitor* PrimaryMonitor() {
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return nullptr;
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  return monitor != nullptr ? monitor : gdk_display_get_monitor(display, 0);
}

ScreenSize FarEdges(const GdkRectangle& area) { return {area.x + area.width, area.y + area.height}; }

GdkRectangle InDevicePixels(const GdkRectangle& logical, int scale) {
  return {logical.x * scale, logical.y * scale, logical.width * scale, logical.height * scale};
}

}  // namespace

ScreenSize GtkMonitors::ScreenSizeOfPrimary() {
  GdkMonitor* monitor = PrimaryMonitor();
  if (monitor == nullptr) return {};
  GdkRectangle area{};
  gdk_monitor_get_geometry(monitor, &area);
  return FarEdges(InDevicePixels(area, gdk_monitor_get_scale_factor(monitor)));
}

ScreenSize GtkMonitors::WorkAreaSize() {
  GdkMonitor* monitor = PrimaryMonitor();
  if (monitor == nullptr) return {};
  GdkRectangle area{};
  gdk_monitor_get_workarea(monitor, &area);
  return FarEdges(InDevicePixels(area, gdk_monitor_get_scale_factor(monitor)));
}

std::vector<MonitorArea> GdkMonitorAreas() {
  std::vector<MonitorArea> monitors;
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return monitors;
  GdkMonitor* primary = PrimaryMonitor();
  const auto add = [&](GdkMonitor* monitor) {
    const int scale = gdk_monitor_get_scale_factor(monitor);
    GdkRectangle bounds{}, work{};
    gdk_monitor_get_geometry(monitor, &bounds);
    gdk_monitor_get_workarea(monitor, &work);
    const auto rect = [scale](const GdkRectangle& logical) {
      const GdkRectangle area = InDevicePixels(logical, scale);
      return ScreenRect{area.x, area.y, area.x + area.width, area.y + area.height};
    };
    monitors.push_back({rect(bounds), rect(work)});
  };
  if (primary != nullptr) add(primary);
  const int count = gdk_display_get_n_monitors(display);
  for (int i = 0; i < count; ++i) {
    GdkMonitor* monitor = gdk_display_get_monitor(display, i);
    if (monitor != nullptr && monitor != primary) add(monitor);
  }
  return monitors;
}

}  // namespace nivarra
