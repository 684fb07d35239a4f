#include "platform/gtk/x_screen_saver_watch.h"

#include <memory>
#include <utility>

// Last: Xlib's macros (None, Status, True, ...) would clash with the headers
// above; the extensions' headers need Xlib's first.
#include <gdk/gdkx.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

namespace nivarra {

XScreenSaverWatch::XScreenSaverWatch(GdkDisplay* display, std::function<void()> changed)
    : display_(display), changed_(std::move(changed)) {
  Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
  root_ = GDK_WINDOW_XID(gdk_screen_get_root_window(gdk_display_get_default_screen(display)));
  int eventBase = 0, errorBase = 0;
  hasPowerManagement_ = DPMSQueryExtension(xdisplay, &eventBase, &errorBase) && DPMSCapable(xdisplay);
  monitorOff_ = MonitorOff();
  if (!XScreenSaverQueryExtension(xdisplay, &eventBase, &errorBase)) return;
  eventBase_ = eventBase;
  gdk_window_add_filter(nullptr, &OnEvent, this);
  XScreenSaverSelectInput(xdisplay, root_, ScreenSaverNotifyMask);
  const std::unique_ptr<XScreenSaverInfo, int (*)(void*)> info(XScreenSaverAllocInfo(), XFree);
  if (info && XScreenSaverQueryInfo(xdisplay, root_, info.get())) saverOn_ = info->state == ScreenSaverOn;
}

XScreenSaverWatch::~XScreenSaverWatch() {
  if (eventBase_ < 0) return;
  XScreenSaverSelectInput(GDK_DISPLAY_XDISPLAY(display_), root_, 0);
  gdk_window_remove_filter(nullptr, &OnEvent, this);
}

bool XScreenSaverWatch::MonitorOff() const {
  if (!hasPowerManagement_) return false;
  CARD16 level = DPMSModeOn;
  BOOL enabled = False;
  return DPMSInfo(GDK_DISPLAY_XDISPLAY(display_), &level, &enabled) && enabled && level != DPMSModeOn;
}

GdkFilterReturn XScreenSaverWatch::OnEvent(GdkXEvent* xevent, GdkEvent*, gpointer self) {
  auto& watch = *static_cast<XScreenSaverWatch*>(self);
  const XEvent& event = *static_cast<const XEvent*>(xevent);
  if (event.type != watch.eventBase_ + ScreenSaverNotify) return GDK_FILTER_CONTINUE;
  const auto& notice = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
  const bool was = watch.Blanked();
  watch.saverOn_ = notice.state == ScreenSaverOn || notice.state == ScreenSaverCycle;
  watch.monitorOff_ = watch.MonitorOff();
  if (watch.Blanked() != was) watch.changed_();
  return GDK_FILTER_CONTINUE;
}

}  // namespace nivarra
