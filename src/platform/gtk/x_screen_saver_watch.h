#pragma once
// Whether the X server has blanked the screen: its own screen saver is on
// (the MIT-SCREEN-SAVER extension tells when it comes on and goes off), or
// display power management has switched the monitor off (DPMS; the server
// turns its screen saver on with it, so the same notice comes). On a
// server without the extensions it says nothing.

#include <gdk/gdk.h>

#include <functional>

namespace nivarra {

class XScreenSaverWatch {
 public:
  // display must be an X11 one. changed is called when Blanked() changed,
  // never from the constructor.
  XScreenSaverWatch(GdkDisplay* display, std::function<void()> changed);
  ~XScreenSaverWatch();
  XScreenSaverWatch(const XScreenSaverWatch&) = delete;
  XScreenSaverWatch& operator=(const XScreenSaverWatch&) = delete;

  bool Blanked() const { return saverOn_ || monitorOff_; }

 private:
  static GdkFilterReturn OnEvent(GdkXEvent* xevent, GdkEvent*, gpointer self);
  // Whether display power management has the monitor off now.
  bool MonitorOff() const;

  GdkDisplay* display_;
  unsigned long root_ = 0;
  std::function<void()> changed_;
  int eventBase_ = -1;  // the extension's first event; -1 without it
  bool hasPowerManagement_ = false;
  bool saverOn_ = false;
  bool monitorOff_ = false;
};

}  // namespace nivarra
