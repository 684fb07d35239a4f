#include "platform/gtk/gtk_running_globe.h"

#include <unistd.h>

#include "platform/gtk/x_window_watch.h"

// Last: Xlib's macros (None, Status, True, ...) would clash with the headers above.
#include <gdk/gdkx.h>

namespace nivarra {
namespace {

// The ClientMessage a start sends to the running globe to bring it forward.
constexpr const char* kBringToFrontMessage = "_NIVARRA_BRING_TO_FRONT";

}  // namespace

GtkRunningGlobe::GtkRunningGlobe(GtkGlobeWindow& window, int argc, char** argv)
    : window_(window), firstArgument_(argc > 1 && argv[1] != nullptr ? argv[1] : "") {
  window_.OnUnmapped([this] { Release(); });
  window_.OnShownAgain([this] { ClaimRunningGlobe(false); });
}

GtkRunningGlobe::~GtkRunningGlobe() {
  window_.OnUnmapped(nullptr);
  window_.OnShownAgain(nullptr);
  if (window_.Widget() != nullptr && ownsGlobeSelection_) {
    gdk_window_remove_filter(gtk_widget_get_window(window_.Widget()), &OnGlobeMessage, this);
  }
}

bool GtkRunningGlobe::ClaimRunningGlobe(bool yieldToRunning) {
  GdkDisplay* display = gdk_display_get_default();
  GtkWidget* widget = window_.Widget();
  if (widget == nullptr || !GDK_IS_X11_DISPLAY(display)) return true;
  gtk_widget_realize(widget);
  GdkWindow* window = gtk_widget_get_window(widget);
  Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
  const std::string name = "_NIVARRA_GLOBE_" + std::to_string(::getuid());
  globeSelection_ = XInternAtom(xdisplay, name.c_str(), False);

  // With the server held, two starts at once cannot both find the
  // selection free.
  XGrabServer(xdisplay);
  const ::Window owner = XGetSelectionOwner(xdisplay, globeSelection_);
  if (owner == None) XSetSelectionOwner(xdisplay, globeSelection_, GDK_WINDOW_XID(window), CurrentTime);
  XUngrabServer(xdisplay);
  XFlush(xdisplay);

  if (owner == None) {
    ownsGlobeSelection_ = true;
    bringToFront_ = XInternAtom(xdisplay, kBringToFrontMessage, False);
    gdk_window_add_filter(window, &OnGlobeMessage, this);
    return true;
  }
  if (!yieldToRunning) return true;
  XEvent message{};
  message.xclient.type = ClientMessage;
  message.xclient.window = owner;
  message.xclient.message_type = XInternAtom(xdisplay, kBringToFrontMessage, False);
  message.xclient.format = 32;
  message.xclient.data.l[0] = static_cast<long>(gdk_x11_get_server_time(window));
  const ErrorTrap trap(display);  // the owner may be gone meanwhile
  XSendEvent(xdisplay, owner, False, NoEventMask, &message);
  XSync(xdisplay, False);
  return false;
}

GdkFilterReturn GtkRunningGlobe::OnGlobeMessage(GdkXEvent* xevent, GdkEvent*, gpointer self) {
  auto& globe = *static_cast<GtkRunningGlobe*>(self);
  const auto* event = static_cast<const XEvent*>(xevent);
  if (event->type != ClientMessage || event->xclient.message_type != globe.bringToFront_) {
    return GDK_FILTER_CONTINUE;
  }
  globe.window_.BringToFront(static_cast<guint32>(event->xclient.data.l[0]));
  return GDK_FILTER_REMOVE;
}

void GtkRunningGlobe::Release() {
  if (!ownsGlobeSelection_ || window_.Widget() == nullptr) return;
  ownsGlobeSelection_ = false;
  GdkWindow* window = gtk_widget_get_window(window_.Widget());
  gdk_window_remove_filter(window, &OnGlobeMessage, this);
  Display* xdisplay = GDK_WINDOW_XDISPLAY(window);
  if (XGetSelectionOwner(xdisplay, globeSelection_) == GDK_WINDOW_XID(window)) {
    XSetSelectionOwner(xdisplay, globeSelection_, None, CurrentTime);
  }
}

}  // namespace nivarra
