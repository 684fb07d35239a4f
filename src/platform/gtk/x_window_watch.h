#pragma once
// What the globe reads about other windows from the X server, kept current
// by the server's notifications instead of asked for with every frame: the
// stacking order of the top-level windows (for the cover probe) and whether
// the active window is full screen, and where. A full reading of the
// stacking happens at the start, when a notification names a window not
// known yet, and every few seconds in case one was missed.

#include <gdk/gdk.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/gtk/cover_probe.h"
#include "platform/screen_geometry.h"

struct _XDisplay;

namespace nivarra {

// Errors of the X server (from windows that went meanwhile) are ignored
// while this lives.
class ErrorTrap {
 public:
  explicit ErrorTrap(GdkDisplay* display);
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

 private:
  GdkDisplay* display_;
};

// The root's child that holds the window: the window itself, or the frame
// a reparenting window manager put it in; 0 when it cannot be told.
unsigned long OutermostAncestor(_XDisplay* display, unsigned long root, unsigned long window);

class XWindowWatch {
 public:
  // display must be an X11 one. activeChanged is called when the active
  // window, its full-screen state or its place may have changed;
  // stackingChanged when a top-level window came, went, moved or was
  // restacked (what IsCovered answers may have changed), with ours true
  // when it was the one that holds ours (as of the last reading).
  XWindowWatch(GdkDisplay* display, std::function<void()> activeChanged,
               std::function<void(bool ours)> stackingChanged);
  ~XWindowWatch();
  XWindowWatch(const XWindowWatch&) = delete;
  XWindowWatch& operator=(const XWindowWatch&) = delete;

  // Whether (x, y) shows another window than ours (an X window id).
  bool IsCovered(unsigned long ours, int x, int y);
  // Where the active window stands when it is full screen; never one of
  // this program's windows.
  const std::optional<ScreenRect>& FullScreenActive() const { return fullScreen_; }

 private:
  static GdkFilterReturn OnEvent(GdkXEvent* xevent, GdkEvent*, gpointer self);
  void Notice(const void* xevent);
  // Reads the stacking order from the server.
  void Read(unsigned long ours);
  // Follows _NET_ACTIVE_WINDOW to the window it names now (no report).
  void FollowActiveWindow();
  void ReadFullScreen();

  GdkDisplay* display_;
  unsigned long root_ = 0;
  std::function<void()> activeChanged_;
  std::function<void(bool ours)> stackingChanged_;

  StackingOrder stacking_;
  unsigned long ourWindow_ = 0;  // the window the reading was for
  unsigned long ours_ = 0;       // the root's child that holds it
  std::uint32_t readAt_ = 0;     // ms, g_get_monotonic_time's
  bool stale_ = true;

  unsigned long activeAtom_ = 0;
  unsigned long stateAtom_ = 0;
  unsigned long fullScreenAtom_ = 0;
  // Stops listening to active_, giving back what was selected before.
  void Unwatch();

  unsigned long active_ = 0;  // a foreign window we listen to
  long activeMaskBefore_ = 0;  // what this connection listened to on it before
  std::optional<ScreenRect> fullScreen_;
};

}  // namespace nivarra
