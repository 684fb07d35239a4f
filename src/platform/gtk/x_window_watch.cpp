#include "platform/gtk/x_window_watch.h"

#include <glib.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

// Last: Xlib's macros (None, Status, True, ...) would clash with the headers above.
#include <X11/Xatom.h>
#include <gdk/gdkx.h>

namespace nivarra {
namespace {

// A full reading in case a notification was missed (a window manager
// restacking with a request the server reports another way, say).
constexpr std::uint32_t kStackingSafetyMs = 3000;

struct XFreeDeleter {
  void operator()(void* data) const noexcept { XFree(data); }
};
template <class T>
using XOwned = std::unique_ptr<T, XFreeDeleter>;

std::uint32_t NowMs() { return static_cast<std::uint32_t>(g_get_monotonic_time() / 1000); }

// A property of 32-bit items of the type (windows, atoms); empty when the
// window has none.
std::vector<unsigned long> ReadList(Display* display, ::Window window, Atom property, Atom wanted, long most) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, property, 0, most, False, wanted, &type, &format, &count, &after, &data) !=
      Success) {
    return {};
  }
  const XOwned<unsigned char> release(data);
  if (type != wanted || format != 32 || data == nullptr) return {};
  // Xlib hands 32-bit items over as longs.
  const auto* items = reinterpret_cast<const unsigned long*>(data);
  return {items, items + count};
}

}  // namespace

ErrorTrap::ErrorTrap(GdkDisplay* display) : display_(display) { gdk_x11_display_error_trap_push(display); }
ErrorTrap::~ErrorTrap() { gdk_x11_display_error_trap_pop_ignored(display_); }

unsigned long OutermostAncestor(Display* display, unsigned long root, unsigned long window) {
  for (int depth = 0; depth < 32; ++depth) {
    ::Window rootOfTree = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &rootOfTree, &parent, &children, &count) == 0) return 0;
    const XOwned<::Window> release(children);
    if (parent == root || parent == 0) return window;
    window = parent;
  }
  return window;
}

XWindowWatch::XWindowWatch(GdkDisplay* display, std::function<void()> activeChanged,
                           std::function<void(bool ours)> stackingChanged)
    : display_(display), activeChanged_(std::move(activeChanged)), stackingChanged_(std::move(stackingChanged)) {
  Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
  root_ = GDK_WINDOW_XID(gdk_screen_get_root_window(gdk_display_get_default_screen(display)));
  activeAtom_ = gdk_x11_get_xatom_by_name_for_display(display, "_NET_ACTIVE_WINDOW");
  stateAtom_ = gdk_x11_get_xatom_by_name_for_display(display, "_NET_WM_STATE");
  fullScreenAtom_ = gdk_x11_get_xatom_by_name_for_display(display, "_NET_WM_STATE_FULLSCREEN");
  // Added to what GDK already listens to on the root: the top-levels'
  // comings, goings, moves and restacking, and the root's properties.
  XWindowAttributes attributes{};
  XGetWindowAttributes(xdisplay, root_, &attributes);
  XSelectInput(xdisplay, root_, attributes.your_event_mask | SubstructureNotifyMask | PropertyChangeMask);
  gdk_window_add_filter(nullptr, &OnEvent, this);
  FollowActiveWindow();
}

XWindowWatch::~XWindowWatch() {
  gdk_window_remove_filter(nullptr, &OnEvent, this);
  const ErrorTrap trap(display_);
  Unwatch();
}

void XWindowWatch::Unwatch() {
  // The number of a window that has gone comes back with the next window
  // made, and may be one of GDK's by now (a window named active when the
  // program started may be an earlier globe's, whose number ours takes):
  // GDK's are left as they are.
  if (active_ != 0 && gdk_x11_window_lookup_for_display(display_, active_) == nullptr) {
    XSelectInput(GDK_DISPLAY_XDISPLAY(display_), active_, activeMaskBefore_);
  }
  active_ = 0;
  activeMaskBefore_ = 0;
}

GdkFilterReturn XWindowWatch::OnEvent(GdkXEvent* xevent, GdkEvent*, gpointer self) {
  static_cast<XWindowWatch*>(self)->Notice(xevent);
  return GDK_FILTER_CONTINUE;  // GDK's own handling goes on
}

void XWindowWatch::Notice(const void* raw) {
  const XEvent& event = *static_cast<const XEvent*>(raw);
  if (event.xany.window == root_) {
    switch (event.type) {
      case DestroyNotify:
        if (!stacking_.Destroyed(event.xdestroywindow.window)) stale_ = true;
        break;
      case MapNotify:
        if (!stacking_.Mapped(event.xmap.window, true)) stale_ = true;
        break;
      case UnmapNotify:
        if (!stacking_.Mapped(event.xunmap.window, false)) stale_ = true;
        break;
      case ConfigureNotify: {
        const XConfigureEvent& c = event.xconfigure;
        if (c.window == root_) return;  // the screen's size: RandR tells the monitors
        const int border = 2 * c.border_width;
        if (!stacking_.Configured({c.window, c.x, c.y, c.width + border, c.height + border}, c.above)) stale_ = true;
        break;
      }
      case CirculateNotify:
        if (!stacking_.Circulated(event.xcirculate.window, event.xcirculate.place == PlaceOnTop)) stale_ = true;
        break;
      case CreateNotify:  // whether it is drawn or input-only takes a question
      case ReparentNotify:  // ours may be in a new frame
      case GravityNotify:
        stale_ = true;
        break;
      case PropertyNotify:
        if (event.xproperty.atom != activeAtom_) return;
        FollowActiveWindow();
        activeChanged_();
        return;
      default:
        return;
    }
    // The window the event is about: the second window field of each of
    // these events (after the root's).
    const unsigned long about = event.xmap.window;
    stackingChanged_(about != 0 && (about == ours_ || about == ourWindow_));
    return;
  }
  if (active_ == 0 || event.xany.window != active_) return;
  switch (event.type) {
    case PropertyNotify:
      if (event.xproperty.atom != stateAtom_) return;
      ReadFullScreen();
      break;
    case ConfigureNotify:
      ReadFullScreen();
      break;
    case UnmapNotify:
    case DestroyNotify:
      fullScreen_.reset();
      break;
    default:
      return;
  }
  activeChanged_();
}

void XWindowWatch::Read(unsigned long ours) {
  Display* xdisplay = GDK_DISPLAY_XDISPLAY(display_);
  const ErrorTrap trap(display_);
  stale_ = false;
  readAt_ = NowMs();
  ourWindow_ = ours;
  ours_ = OutermostAncestor(xdisplay, root_, ours);
  std::vector<StackedWindow> windows;
  ::Window rootOfTree = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (ours_ != 0 && XQueryTree(xdisplay, root_, &rootOfTree, &parent, &children, &count) != 0) {
    const XOwned<::Window> release(children);
    windows.reserve(count);
    for (unsigned int i = 0; i < count; ++i) {
      XWindowAttributes attributes{};
      if (XGetWindowAttributes(xdisplay, children[i], &attributes) == 0) continue;  // gone meanwhile
      const int border = 2 * attributes.border_width;
      const bool drawn = attributes.c_class == InputOutput;
      windows.push_back(StackedWindow{children[i], attributes.x, attributes.y, attributes.width + border,
                                      attributes.height + border, attributes.map_state == IsViewable && drawn,
                                      drawn});
    }
  } else {
    ours_ = 0;
  }
  stacking_.Reset(std::move(windows));
}

bool XWindowWatch::IsCovered(unsigned long ours, int x, int y) {
  if (stale_ || ours != ourWindow_ || NowMs() - readAt_ >= kStackingSafetyMs) Read(ours);
  return IsPointCovered(stacking_.BottomToTop(), ours_, x, y);
}

void XWindowWatch::FollowActiveWindow() {
  Display* xdisplay = GDK_DISPLAY_XDISPLAY(display_);
  const ErrorTrap trap(display_);
  const std::vector<unsigned long> named = ReadList(xdisplay, root_, activeAtom_, XA_WINDOW, 1);
  unsigned long active = named.empty() ? 0 : named.front();
  // This program's own windows are GDK's to listen to, and never full screen.
  if (active != 0 && gdk_x11_window_lookup_for_display(display_, active) != nullptr) active = 0;
  if (active != active_) {
    Unwatch();
    // The event mask is this connection's, which GDK shares: whatever was
    // selected on the window before is kept, and given back after.
    XWindowAttributes attributes{};
    if (active != 0 && XGetWindowAttributes(xdisplay, active, &attributes) != 0) {
      active_ = active;
      activeMaskBefore_ = attributes.your_event_mask;
      XSelectInput(xdisplay, active_, activeMaskBefore_ | PropertyChangeMask | StructureNotifyMask);
    }
  }
  ReadFullScreen();
}

void XWindowWatch::ReadFullScreen() {
  fullScreen_.reset();
  if (active_ == 0) return;
  Display* xdisplay = GDK_DISPLAY_XDISPLAY(display_);
  const ErrorTrap trap(display_);
  const std::vector<unsigned long> states = ReadList(xdisplay, active_, stateAtom_, XA_ATOM, 64);
  if (std::find(states.begin(), states.end(), fullScreenAtom_) == states.end()) return;
  ::Window rootOfTree = 0, child = 0;
  int x = 0, y = 0, rootX = 0, rootY = 0;
  unsigned int width = 0, height = 0, border = 0, depth = 0;
  if (XGetGeometry(xdisplay, active_, &rootOfTree, &x, &y, &width, &height, &border, &depth) == 0 ||
      XTranslateCoordinates(xdisplay, active_, root_, 0, 0, &rootX, &rootY, &child) == 0) {
    return;
  }
  fullScreen_ = ScreenRect{rootX, rootY, rootX + static_cast<int>(width), rootY + static_cast<int>(height)};
}

}  // namespace nivarra
