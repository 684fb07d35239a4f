#include "platform/gtk/gtk_globe_window.h"
#include "platform/gtk/gtk_monitors.h"

#include <glib-unix.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <stdexcept>
#include <utility>

#include "graphics/pixel_store.h"
#include "platform/frame_part.h"
#include "platform/menu_model.h"

// Last: Xlib's macros (None, Status, True, ...) would clash with the headers above.
#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>

namespace nivarra {
namespace {

using UniqueEvent = std::unique_ptr<GdkEvent, ReleaseWith<gdk_event_free>>;

// How long the window manager may take to carry out a placement we asked
// for; a window manager that puts the window elsewhere has had its say by then.
constexpr std::uint32_t kPlacementGraceMs = 1000;
// How often within the grace a place the window manager pulled away from is asked for again.
constexpr int kPlacementAsks = 3;

int Rounded(double coordinate) { return static_cast<int>(std::lround(coordinate)); }

// GDK counts in units of `scale` device pixels; these convert.
int FloorDiv(int device, int scale) { return device >= 0 ? device / scale : -((-device + scale - 1) / scale); }
int CeilDiv(int device, int scale) { return -FloorDiv(-device, scale); }
}  // namespace

// --- construction ---------------------------------------------------------------

GtkGlobeWindow::GtkGlobeWindow(Clock& clock)
    : clock_(clock),
      loop_(g_main_loop_new(nullptr, FALSE)) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  if (window == nullptr) throw std::runtime_error("GTK could not create the globe window");
  window_.reset(window);
  GtkWindow* globe = GTK_WINDOW(window);
  gtk_window_set_title(globe, kProgramTitle);
  gtk_window_set_decorated(globe, FALSE);
  gtk_window_set_resizable(globe, FALSE);
  // A normal window without a taskbar or pager entry: window managers keep
  // it movable and shown (some hide utility windows of inactive programs).
  // So "show desktop" hides it too: openbox spares only desktop, dock and
  // splash windows, and gives the first two no move; a splash type would
  // tell other window managers the globe goes away after a start.
  gtk_window_set_type_hint(globe, GDK_WINDOW_TYPE_HINT_NORMAL);
  gtk_window_set_skip_taskbar_hint(globe, TRUE);
  gtk_window_set_skip_pager_hint(globe, TRUE);
  // On every workspace, as an ornament of the desktop.
  gtk_window_stick(globe);
  gtk_window_set_focus_on_map(globe, FALSE);
  // The place the globe asks for is the user's (where it was dragged to,
  // kept on a monitor by the globe itself): window managers leave a
  // user-chosen position alone, where they would move a program's.
  GdkGeometry noLimits{};
  gtk_window_set_geometry_hints(globe, nullptr, &noLimits, GDK_HINT_USER_POS);
  gtk_widget_set_app_paintable(window, TRUE);

  screen_ = gtk_widget_get_screen(window);
  if (GdkVisual* visual = gdk_screen_get_rgba_visual(screen_)) gtk_widget_set_visual(window, visual);
  composited_ = gdk_screen_is_composited(screen_);
  compositedHandler_ = g_signal_connect(screen_, "composited-changed", G_CALLBACK(&OnCompositedChanged), this);
  // One report per change, however many of these it raises.
  GdkDisplay* display = gdk_screen_get_display(screen_);
  for (const auto& [object, signal] : {std::pair{G_OBJECT(display), "monitor-added"},
                                       std::pair{G_OBJECT(display), "monitor-removed"},
                                       std::pair{G_OBJECT(screen_), "monitors-changed"},
                                       std::pair{G_OBJECT(screen_), "size-changed"}}) {
    const gulong handler = g_signal_connect_swapped(object, signal, G_CALLBACK(&OnMonitorsChanged), this);
    monitorHandlers_.emplace_back(object, handler);
  }

  gtk_widget_add_events(window, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_BUTTON3_MOTION_MASK |
                                    GDK_KEY_PRESS_MASK | GDK_STRUCTURE_MASK | GDK_VISIBILITY_NOTIFY_MASK);
  g_signal_connect(window, "draw", G_CALLBACK(&OnDraw), this);
  g_signal_connect(window, "button-press-event", G_CALLBACK(&OnButtonPress), this);
  g_signal_connect(window, "button-release-event", G_CALLBACK(&OnButtonRelease), this);
  g_signal_connect(window, "motion-notify-event", G_CALLBACK(&OnMotion), this);
  g_signal_connect(window, "key-press-event", G_CALLBACK(&OnKeyPress), this);
  g_signal_connect(window, "configure-event", G_CALLBACK(&OnConfigure), this);
  g_signal_connect(window, "visibility-notify-event", G_CALLBACK(&OnVisibility), this);
  g_signal_connect(window, "notify::scale-factor", G_CALLBACK(&OnScaleChanged), this);
  g_signal_connect(window, "delete-event", G_CALLBACK(&OnDeleteEvent), this);

  // Who can see the globe, and which windows cover it.
  if (GDK_IS_X11_DISPLAY(display)) {
    xwatch_ = std::make_unique<XWindowWatch>(
        display, [this] { UpdateVisibility(); },
        [this](bool ours) {
          // A window manager may move its frame round the globe and tell
          // the globe's own window nothing.
          if (ours) FollowSeenPosition();
          if (events_ != nullptr) events_->CoverMayHaveChanged();
        });
    xsaver_ = std::make_unique<XScreenSaverWatch>(display, [this] { UpdateVisibility(); });
  }
  sessionWatch_ = std::make_unique<SessionWatch>([this](bool) { UpdateVisibility(); });

  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    signalWatches_.emplace_back(g_unix_signal_add(signal, &OnEndSignal, this));
  }
}

GtkGlobeWindow::~GtkGlobeWindow() {
  self_.reset();
  events_ = nullptr;
  window_.reset();
  if (compositedHandler_ != 0) g_signal_handler_disconnect(screen_, compositedHandler_);
  for (const auto& [object, handler] : monitorHandlers_) g_signal_handler_disconnect(object, handler);
}

// --- painting -------------------------------------------------------------------

gboolean GtkGlobeWindow::OnDraw(GtkWidget*, cairo_t* cr, gpointer self) {
  auto& platform = *static_cast<GtkGlobeWindow*>(self);
  // GTK has clipped cr to what was queued: after a PresentChanged, the
  // changed part only.
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  // With the source operator the constant alpha blends the frame with
  // what is under it in the window, so a faded frame needs the window
  // cleared first; at full alpha the frame replaces it all by itself.
  // Without a compositor nothing shows through, and a faded globe would
  // only turn darker.
  const double alpha = platform.composited_ ? platform.alpha_ / 255.0 : 1.0;
  cairo_surface_t* surface = platform.ShownSurface();
  if (surface == nullptr || alpha < 1.0) {
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
    cairo_paint(cr);
  }
  if (surface != nullptr) {
    // The frame is at the screen's resolution: one of its pixels per
    // device pixel, however many of those GDK's unit holds.
    const double scale = platform.Scale();
    cairo_surface_set_device_scale(surface, scale, scale);
    cairo_set_source_surface(cr, surface, 0, 0);
    if (alpha < 1.0) {
      cairo_paint_with_alpha(cr, alpha);
    } else {
      cairo_paint(cr);
    }
  }
  cairo_restore(cr);
  return TRUE;
}

void GtkGlobeWindow::OnCompositedChanged(GdkScreen* screen, gpointer self) {
  auto& platform = *static_cast<GtkGlobeWindow*>(self);
  platform.composited_ = gdk_screen_is_composited(screen);
  if (platform.window_) gtk_widget_queue_draw(platform.window_.get());
}

bool GtkGlobeWindow::FitSurface(int width, int height) {
  GdkWindow* window = window_ ? gtk_widget_get_window(window_.get()) : nullptr;
  const bool fits = surface_ && cairo_image_surface_get_width(surface_.get()) == width &&
                    cairo_image_surface_get_height(surface_.get()) == height;
  if (fits && (frameImage_ || frameImageTried_ || window == nullptr)) return true;
  // The surface goes before the pixels it paints from.
  surface_.reset();
  surfaceCurrent_ = false;
  frameImage_.reset();
  frameImageTried_ = window != nullptr;
  frameImage_ = XFrameImage::Make(window, width, height, [this](const PixelRect& part) { ShowPart(part); });
  UniqueSurface made(frameImage_ ? cairo_image_surface_create_for_data(frameImage_->Pixels(), CAIRO_FORMAT_ARGB32,
                                                                       width, height, frameImage_->Stride())
                                 : cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(made.get()) != CAIRO_STATUS_SUCCESS) {
    frameImage_.reset();
    return false;
  }
  surface_ = std::move(made);
  return true;
}

void GtkGlobeWindow::CopyToSurface(const PixelStore& frame, const PixelRect& part) {
  // Both are premultiplied 32-bit pixels; cairo's are native-endian words
  // 0xAARRGGBB, which on little-endian machines are the frame's B, G, R, A bytes.
  cairo_surface_flush(surface_.get());
  if (frameImage_) {
    frameImage_->Write(frame, part);
  } else if constexpr (std::endian::native == std::endian::little) {
    CopyFramePart(frame, part, cairo_image_surface_get_data(surface_.get()),
                  static_cast<std::size_t>(cairo_image_surface_get_stride(surface_.get())));
  } else {
    unsigned char* target = cairo_image_surface_get_data(surface_.get());
    const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface_.get()));
    for (int y = part.Top; y < part.Bottom; ++y) {
      const std::uint8_t* source = frame.RowAddress(y) + static_cast<std::size_t>(part.Left) * 4;
      unsigned char* row = target + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(part.Left) * 4;
      for (int x = part.Left; x < part.Right; ++x, source += 4, row += 4) {
        const std::uint32_t pixel = std::uint32_t{source[3]} << 24 | std::uint32_t{source[2]} << 16 |
                                    std::uint32_t{source[1]} << 8 | source[0];
        std::memcpy(row, &pixel, 4);
      }
    }
  }
  cairo_surface_mark_dirty_rectangle(surface_.get(), part.Left, part.Top, part.Right - part.Left,
                                     part.Bottom - part.Top);
}

// Shown where the window stands: only PlaceWindow moves it.
bool GtkGlobeWindow::Present(const PixelStore& frame, int, int, std::uint8_t constantAlpha) {
  if (!window_ || frame.BitCount() != 32 || frame.IsEmpty()) return false;
  const int width = frame.Width();
  const int height = frame.Height();
  if (!TakeFrame(frame, {0, 0, width, height})) return false;
  alpha_ = constantAlpha;
  if (width != width_ || height != height_) PlaceWindow(position_, width, height);
  ShowWhole();
  return true;
}

std::shared_ptr<PixelMemory> GtkGlobeWindow::FrameMemory(int width, int height) {
  GdkWindow* window = window_ ? gtk_widget_get_window(window_.get()) : nullptr;
  if (window == nullptr || nothingToGive_) return nullptr;
  // The image may outlive the window (the scene holds it): what the server
  // had not yet read when a put came is shown only while the window is.
  std::shared_ptr<XFrameImage> image =
      XFrameImage::Make(window, width, height, [alive = std::weak_ptr<GtkGlobeWindow*>(self_)](const PixelRect& part) {
        if (const std::shared_ptr<GtkGlobeWindow*> self = alive.lock()) (*self)->ShowPart(part);
      });
  // Memory the server does not share would be sent with every put anyway:
  // frames stay in the scene's own and are sent from a copy, as before. A
  // window that cannot have an image now (not X11, a visual of another
  // kind) never will: the scene is not to ask again every frame.
  if (!image || !image->Shared()) {
    nothingToGive_ = true;
    return nullptr;
  }
  UniqueSurface surface(cairo_image_surface_create_for_data(image->Pixels(), CAIRO_FORMAT_ARGB32, width, height,
                                                            image->Stride()));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  std::erase_if(given_, [](const GivenImage& given) { return given.Image.expired(); });
  given_.push_back(GivenImage{image, std::move(surface)});
  return image;
}

bool GtkGlobeWindow::TakeFrame(const PixelStore& frame, const PixelRect& part) {
  for (const GivenImage& given : given_) {
    std::shared_ptr<XFrameImage> image = given.Image.lock();
    if (image && image->Pixels() == frame.Bytes().data() && image->Width() == frame.Width() &&
        image->Height() == frame.Height()) {
      // What GTK's drawing read from it is the server's, not cairo's.
      cairo_surface_mark_dirty_rectangle(given.Surface.get(), part.Left, part.Top, part.Right - part.Left,
                                         part.Bottom - part.Top);
      direct_ = std::move(image);
      directSurface_ = given.Surface.get();
      surfaceCurrent_ = false;
      return true;
    }
  }
  direct_.reset();
  directSurface_ = nullptr;
  const int width = frame.Width(), height = frame.Height();
  if (!FitSurface(width, height)) return false;
  // The frames alternate between two buffers the scene composes into while
  // an earlier one may still wait to be drawn: the surface keeps a copy.
  CopyToSurface(frame, surfaceCurrent_ ? part : PixelRect{0, 0, width, height});
  surfaceCurrent_ = true;
  return true;
}

void GtkGlobeWindow::ShowWhole() {
  cairo_surface_t* surface = ShownSurface();
  if (!window_ || surface == nullptr) return;
  const PixelRect whole{0, 0, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)};
  if (DrawNow(whole)) return;
  // All of the X window as GDK knows it, which a configure event has
  // already grown: the widget's allocation may still be the old size.
  if (GdkWindow* window = gtk_widget_get_window(window_.get())) {
    gdk_window_invalidate_rect(window, nullptr, FALSE);
  } else {
    gtk_widget_queue_draw(window_.get());
  }
}

bool GtkGlobeWindow::DrawNow(const PixelRect& part) {
  XFrameImage* image = ShownImage();
  if (!window_ || ShownSurface() == nullptr || image == nullptr || !gtk_widget_get_mapped(window_.get()) ||
      !SizeSettled()) {
    return false;
  }
  if (composited_ && alpha_ != 255) return false;
  GdkWindow* window = gtk_widget_get_window(window_.get());
  if (window == nullptr || !GDK_IS_X11_WINDOW(window)) return false;
  // The frame's pixels replace the window's, as OnDraw does at full alpha;
  // the X window counts device pixels, as the frame does. The window may
  // go away under us: its errors are not worth a report.
  GdkDisplay* display = gdk_window_get_display(window);
  const ErrorTrap trap(display);
  image->Put(GDK_WINDOW_XID(window), part);
  gdk_display_flush(display);
  image->CollectCompletion();
  return true;
}

void GtkGlobeWindow::ShowPart(const PixelRect& part) {
  // A window still to take its size shows the whole frame once it has.
  if (!window_ || !SizeSettled()) return;
  if (DrawNow(part)) return;
  // In GDK's units, rounded outward: a unit half changed is drawn whole.
  const int scale = Scale();
  const int x = FloorDiv(part.Left, scale), y = FloorDiv(part.Top, scale);
  gtk_widget_queue_draw_area(window_.get(), x, y, CeilDiv(part.Right, scale) - x, CeilDiv(part.Bottom, scale) - y);
}

bool GtkGlobeWindow::PresentChanged(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha,
                                 const PixelRect& dirty) {
  const PixelRect part{std::max(dirty.Left, 0), std::max(dirty.Top, 0), std::min(dirty.Right, frame.Width()),
                       std::min(dirty.Bottom, frame.Height())};
  // Only over the frame shown last, as it was shown; anything else is drawn whole.
  cairo_surface_t* shown = ShownSurface();
  const bool over = window_ && shown != nullptr && frame.BitCount() == 32 && constantAlpha == alpha_ &&
                    frame.Width() == width_ && frame.Height() == height_ &&
                    cairo_image_surface_get_width(shown) == width_ && cairo_image_surface_get_height(shown) == height_;
  if (!over) return Present(frame, left, top, constantAlpha);
  if (part.Right <= part.Left || part.Bottom <= part.Top) return true;
  if (!TakeFrame(frame, part)) return false;
  ShowPart(part);
  return true;
}

// --- the window -----------------------------------------------------------------

std::optional<std::string> GtkGlobeWindow::MakeWindowLayered() {
  // The RGBA visual was chosen when the window was made; on a screen
  // without one, or without a compositor, the globe still shows, opaque.
  return std::nullopt;
}

void GtkGlobeWindow::PlaceWindow(ScreenPoint topLeft, int width, int height) {
  if (!window_) return;
  GtkWindow* globe = GTK_WINDOW(window_.get());
  const int scale = Scale();
  const bool resized = width != width_ || height != height_;
  if (resized) {
    width_ = width;
    height_ = height;
    // A size between two of GDK's units is rounded up; the shape trims the rest.
    const int logicalWidth = std::max(CeilDiv(width, scale), 1);
    const int logicalHeight = std::max(CeilDiv(height, scale), 1);
    gtk_widget_set_size_request(window_.get(), logicalWidth, logicalHeight);
    gtk_window_resize(globe, logicalWidth, logicalHeight);
    sizeRequests_ = 0;
  }
  // The configure events that follow are not news to the window's logic.
  position_ = topLeft;
  BeginPlacement();
  if (gtk_widget_get_mapped(window_.get())) {
    // A new size goes to the window manager with the new place, in one
    // request: GTK sends the size only later, and a window manager that
    // keeps windows on the screen (IceWM) judged the place by the old size,
    // so a globe shrinking about its base moved the wrong way.
    MoveToPosition(resized);
  } else {
    // GTK places the window as it maps, on its own grid; Run puts it on
    // the device pixel after.
    gtk_window_move(globe, FloorDiv(topLeft.X, scale), FloorDiv(topLeft.Y, scale));
  }
  ScheduleSettleCheck();
}

void GtkGlobeWindow::BeginPlacement() {
  placingSince_ = clock_.TickCount();
  placeRequests_ = 0;
}

bool GtkGlobeWindow::SizeSettled() const {
  const int scale = Scale();
  return seenWidth_ == std::max(CeilDiv(width_, scale), 1) && seenHeight_ == std::max(CeilDiv(height_, scale), 1);
}

void GtkGlobeWindow::NoteSeenSize(int width, int height) {
  const bool settled = SizeSettled();
  seenWidth_ = width;
  seenHeight_ = height;
  if (!settled && SizeSettled()) ShowWhole();
}

void GtkGlobeWindow::ScheduleSettleCheck() {
  settleCheck_ = SourceHandle(g_timeout_add(
      kPlacementGraceMs,
      [](gpointer data) -> gboolean {
        auto& owner = *static_cast<GtkGlobeWindow*>(data);
        owner.settleCheck_ = SourceHandle();  // this call is the source's last
        owner.SettlePlacement();
        return G_SOURCE_REMOVE;
      },
      this));
}

void GtkGlobeWindow::SettlePlacement() {
  if (!window_ || closed_ || !gtk_widget_get_mapped(window_.get())) return;
  GdkWindow* window = gtk_widget_get_window(window_.get());
  if (window == nullptr) return;
  LookAtSize();
  if (!SizeSettled()) {
    // Some window managers keep the hints of the old size a while and
    // refuse the new one: asked again a few times, then the frame is
    // shown in what the window has.
    if (sizeRequests_ < 3) {
      ++sizeRequests_;
      AskForSize();
      ScheduleSettleCheck();
      return;
    }
    seenWidth_ = std::max(CeilDiv(width_, Scale()), 1);
    seenHeight_ = std::max(CeilDiv(height_, Scale()), 1);
    ShowWhole();
  }
  // Where the window manager put the window is where it stands.
  placingSince_.reset();
  FollowSeenPosition();
}

void GtkGlobeWindow::LookAtSize() {
  GdkWindow* window = window_ ? gtk_widget_get_window(window_.get()) : nullptr;
  if (window == nullptr || !GDK_IS_X11_WINDOW(window)) return;
  // The size the X server has now, not what events said on the way.
  const ErrorTrap trap(gdk_window_get_display(window));
  ::Window root = 0;
  int x = 0, y = 0;
  unsigned int width = 0, height = 0, border = 0, depth = 0;
  if (XGetGeometry(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), &root, &x, &y, &width, &height, &border,
                   &depth) == 0) {
    return;
  }
  const int scale = Scale();
  NoteSeenSize(static_cast<int>(width) / scale, static_cast<int>(height) / scale);
}

void GtkGlobeWindow::AskForSize() {
  GdkWindow* window = gtk_widget_get_window(window_.get());
  if (window == nullptr) return;
  const int scale = Scale();
  GdkGeometry only{};
  only.min_width = only.max_width = std::max(CeilDiv(width_, scale), 1);
  only.min_height = only.max_height = std::max(CeilDiv(height_, scale), 1);
  gdk_window_set_geometry_hints(window, &only,
                                static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE | GDK_HINT_USER_POS));
  gdk_window_resize(window, only.min_width, only.min_height);
}

void GtkGlobeWindow::MoveToPosition(bool withSize) {
  GdkWindow* window = gtk_widget_get_window(window_.get());
  if (window == nullptr) return;
  // What gtk_window_move asks of the X server, without GDK's rounding to
  // its units: a stored place is the same device pixel at every scale.
  Display* xdisplay = GDK_WINDOW_XDISPLAY(window);
  if (!withSize) {
    XMoveWindow(xdisplay, GDK_WINDOW_XID(window), position_.X, position_.Y);
    return;
  }
  // The size GTK asks for next, in device pixels.
  const int scale = Scale();
  XMoveResizeWindow(xdisplay, GDK_WINDOW_XID(window), position_.X, position_.Y,
                    static_cast<unsigned>(std::max(CeilDiv(width_, scale), 1) * scale),
                    static_cast<unsigned>(std::max(CeilDiv(height_, scale), 1) * scale));
}

void GtkGlobeWindow::OnScaleChanged(GObject*, GParamSpec*, gpointer self) {
  auto& platform = *static_cast<GtkGlobeWindow*>(self);
  // GDK has kept the window's size in its units, which now hold other
  // device pixels: the next placement sets the size again.
  platform.width_ = 0;
  platform.height_ = 0;
  if (platform.window_) gtk_widget_queue_draw(platform.window_.get());
  if (platform.events_ == nullptr || platform.closed_) return;
  platform.events_->DisplayScaleChanged(std::nullopt);
}

int GtkGlobeWindow::Scale() const { return window_ ? std::max(gtk_widget_get_scale_factor(window_.get()), 1) : 1; }

std::optional<ScreenPoint> GtkGlobeWindow::SeenPosition() {
  if (!window_ || !gtk_widget_get_mapped(window_.get())) return std::nullopt;
  GdkWindow* window = gtk_widget_get_window(window_.get());
  if (window == nullptr || !gdk_window_is_viewable(window)) return std::nullopt;
  // Read from X in device pixels: GDK's root origin is in its units,
  // rounded down.
  Display* xdisplay = GDK_WINDOW_XDISPLAY(window);
  const ::Window root = GDK_WINDOW_XID(gdk_screen_get_root_window(gdk_window_get_screen(window)));
  const ErrorTrap trap(gdk_window_get_display(window));
  const ::Window frame = OutermostAncestor(xdisplay, root, GDK_WINDOW_XID(window));
  ::Window rootOfTree = 0;
  int x = 0, y = 0;
  unsigned int width = 0, height = 0, border = 0, depth = 0;
  if (frame == 0 || XGetGeometry(xdisplay, frame, &rootOfTree, &x, &y, &width, &height, &border, &depth) == 0) {
    return std::nullopt;
  }
  return ScreenPoint{x, y};
}

gboolean GtkGlobeWindow::OnVisibility(GtkWidget*, GdkEventVisibility* event, gpointer self) {
  // Seen again (shown after "show desktop" or a minimise, or uncovered)
  // without a compositor keeping its pixels: nothing of what was hidden is
  // left on the screen, while the frames go on drawing only what changed.
  if (event->state != GDK_VISIBILITY_FULLY_OBSCURED) static_cast<GtkGlobeWindow*>(self)->ShowWhole();
  return FALSE;
}

gboolean GtkGlobeWindow::OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer self) {
  auto& platform = *static_cast<GtkGlobeWindow*>(self);
  platform.NoteSeenSize(event->width, event->height);
  // The event's own x and y are no guide: relative to the frame of a
  // reparenting window manager (often 0, 0), or made up by it.
  platform.FollowSeenPosition();
  return FALSE;  // GTK's own handling follows
}

void GtkGlobeWindow::FollowSeenPosition() {
  const std::optional<ScreenPoint> seen = SeenPosition();
  if (!seen || closed_) return;
  if (*seen == position_) {
    // Where it was asked for; the grace runs on all the same: a window
    // manager may still pull it after telling of that place (xfwm4 as it
    // maps a window on a busy machine), or once the new size is there.
  } else if (placingSince_ && clock_.TickCount() - *placingSince_ < kPlacementGraceMs) {
    // The window manager at work on our placement. Some pull a window
    // wholly onto the screen as it maps, or as it grows (openbox), though
    // they leave a later move alone: asked once more, a place the user
    // chose is kept. A few times at most: a report on the way (the window
    // at 0,0 before its frame takes it in) or a pull after the new size
    // may take the first asks. The settle check looks again at the end of
    // the grace.
    if (placeRequests_ < kPlacementAsks && gtk_widget_get_mapped(window_.get())) {
      ++placeRequests_;
      placingSince_ = clock_.TickCount();
      MoveToPosition();
      ScheduleSettleCheck();
    }
  } else {
    placingSince_.reset();
    position_ = *seen;
    if (events_ != nullptr) events_->Moved(*seen);
    UpdateVisibility();  // perhaps onto another monitor
  }
}

void GtkGlobeWindow::OnMonitorsChanged(gpointer self) {
  auto& platform = *static_cast<GtkGlobeWindow*>(self);
  if (platform.events_ == nullptr || platform.closed_) return;
  platform.monitorsReport_ = SourceHandle(g_idle_add(
      [](gpointer data) -> gboolean {
        auto& owner = *static_cast<GtkGlobeWindow*>(data);
        owner.monitorsReport_ = SourceHandle();  // this call is the source's last
        if (owner.events_ != nullptr && !owner.closed_) owner.events_->MonitorsChanged();
        owner.UpdateVisibility();
        return G_SOURCE_REMOVE;
      },
      &platform));
}

void GtkGlobeWindow::SetWindowShape(const std::vector<ShapeRect>& shape) {
  if (!window_) return;
  // Straight to X's shape extension: GDK's shapes are in its units, which
  // at a scale of 2 would make the outline blocky.
  gtk_widget_realize(window_.get());
  GdkWindow* window = gtk_widget_get_window(window_.get());
  Display* xdisplay = GDK_WINDOW_XDISPLAY(window);
  int eventBase = 0, errorBase = 0;
  if (!XShapeQueryExtension(xdisplay, &eventBase, &errorBase)) return;
  std::vector<XRectangle> rects;
  rects.reserve(shape.size());
  constexpr int kMost = std::numeric_limits<short>::max();
  for (const ShapeRect& r : shape) {
    const int left = std::clamp(r.Left, 0, kMost), top = std::clamp(r.Top, 0, kMost);
    const int right = std::clamp(r.Right, 0, kMost), bottom = std::clamp(r.Bottom, 0, kMost);
    if (right <= left || bottom <= top) continue;
    rects.push_back({static_cast<short>(left), static_cast<short>(top), static_cast<unsigned short>(right - left),
                     static_cast<unsigned short>(bottom - top)});
  }
  for (const int kind : {ShapeBounding, ShapeInput}) {
    XShapeCombineRectangles(xdisplay, GDK_WINDOW_XID(window), kind, 0, 0, rects.data(), static_cast<int>(rects.size()),
                            ShapeSet, Unsorted);
  }
}

void GtkGlobeWindow::SetOwnerToDesktop() {
  // No owner window exists here; the hints keep the globe out of the
  // taskbar and the pager.
  HideTaskbarButton();
}

void GtkGlobeWindow::HideTaskbarButton() {
  if (!window_) return;
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window_.get()), TRUE);
  gtk_window_set_skip_pager_hint(GTK_WINDOW(window_.get()), TRUE);
}

void GtkGlobeWindow::SetTopmost(bool topmost) {
  if (window_) gtk_window_set_keep_above(GTK_WINDOW(window_.get()), topmost);
}

// --- the mouse and the keyboard -------------------------------------------------

gboolean GtkGlobeWindow::OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer self) {
  auto& platform = *static_cast<GtkGlobeWindow*>(self);
  // A double or triple click sends its own presses first; the extra event adds nothing.
  if (event->type != GDK_BUTTON_PRESS) return TRUE;
  const Press press{event->button, Rounded(event->x_root), Rounded(event->y_root), event->time};
  if (event->button == GDK_BUTTON_SECONDARY) {
    platform.rightPress_.RightDown({press.RootX, press.RootY});
  } else if (event->button == GDK_BUTTON_PRIMARY || event->button == GDK_BUTTON_MIDDLE) {
    platform.rightPress_.Drop();
    platform.PressForDrag(press);
  }
  return TRUE;
}

gboolean GtkGlobeWindow::OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self) {
  auto& platform = *static_cast<GtkGlobeWindow*>(self);
  if (!platform.rightPress_.Waiting()) return FALSE;
  gint threshold = 8;
  g_object_get(gtk_widget_get_settings(widget), "gtk-dnd-drag-threshold", &threshold, nullptr);
  const ScreenPoint at{Rounded(event->x_root), Rounded(event->y_root)};
  const bool held = (event->state & GDK_BUTTON3_MASK) != 0;
  switch (platform.rightPress_.Moved(at, held, threshold, threshold)) {
    case ClickOrDrag::Motion::NoPress:
      return FALSE;
    case ClickOrDrag::Motion::Waiting:
      return TRUE;
    case ClickOrDrag::Motion::Drag:
      break;
  }
  // A drag after all, from where the button went down.
  const ScreenPoint from = platform.rightPress_.PressedAt();
  platform.PressForDrag({GDK_BUTTON_SECONDARY, from.X, from.Y, event->time});
  return TRUE;
}

gboolean GtkGlobeWindow::OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer self) {
  auto& platform = *static_cast<GtkGlobeWindow*>(self);
  if (event->button != GDK_BUTTON_SECONDARY || !platform.rightPress_.RightUp()) return FALSE;
  const double scale = platform.Scale();
  platform.OpenContextMenu({Rounded(event->x_root * scale), Rounded(event->y_root * scale)});
  return TRUE;
}

gboolean GtkGlobeWindow::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto& platform = *static_cast<GtkGlobeWindow*>(self);
  // The menu key, or Shift+F10 as GTK's own widgets take it.
  const bool shiftF10 = event->keyval == GDK_KEY_F10 && (event->state & GDK_SHIFT_MASK) != 0;
  if (event->keyval != GDK_KEY_Menu && !shiftF10) return FALSE;
  platform.OpenContextMenu(platform.position_);
  return TRUE;
}

void GtkGlobeWindow::PressForDrag(const Press& press) {
  if (events_ == nullptr) return;
  pressing_ = press;
  events_->MouseDown();
  pressing_.reset();
}

void GtkGlobeWindow::BeginSystemMove() {
  // Only while a press is being handed over: the move follows that button.
  if (!window_ || !pressing_) return;
  placingSince_.reset();  // from here on the window moves as the user drags it
  gtk_window_begin_move_drag(GTK_WINDOW(window_.get()), static_cast<gint>(pressing_->Button), pressing_->RootX,
                             pressing_->RootY, pressing_->Time);
}

bool GtkGlobeWindow::PointerHeld() {
  if (!window_) return false;
  GdkDisplay* display = gtk_widget_get_display(window_.get());
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
  if (pointer == nullptr) return false;
  // Asked of the X server: while the window manager moves the window it
  // has the pointer, and no button event comes here.
  GdkModifierType state{};
  gdk_device_get_state(pointer, gdk_screen_get_root_window(gdk_display_get_default_screen(display)), nullptr, &state);
  constexpr auto kButtons = GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK | GDK_BUTTON4_MASK | GDK_BUTTON5_MASK;
  return (state & kButtons) != 0;
}

void GtkGlobeWindow::OpenContextMenu(ScreenPoint at) {
  if (events_ != nullptr) events_->ContextMenu(at);
}

// --- the popup menu ---------------------------------------------------------------

struct GtkGlobeWindow::MenuSession {
  const MenuModel& Model;
  UniqueLoop Loop{g_main_loop_new(nullptr, FALSE)};
  std::uint32_t Picked = 0;

  static void OnActivate(GtkMenuItem* item, gpointer data) {
    static_cast<MenuSession*>(data)->Picked =
        GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(item), "nivarra-command"));
  }
  static void OnDeactivate(GtkMenuShell*, gpointer data) { g_main_loop_quit(static_cast<MenuSession*>(data)->Loop.get()); }

  GtkWidget* MakeItem(const MenuEntry& entry) {
    switch (entry.Kind) {
      case MenuEntryKind::Separator:
        return gtk_separator_menu_item_new();
      case MenuEntryKind::Submenu:
        return gtk_menu_item_new_with_label(entry.Caption.c_str());
      case MenuEntryKind::Command:
        break;
    }
    GtkWidget* item = nullptr;
    const bool checkable = entry.RadioCheck || entry.Checked || entry.AutoCheck;
    if (checkable) {
      item = gtk_check_menu_item_new_with_label(entry.Caption.c_str());
      gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(item), entry.RadioCheck);
      // Set before any handler is connected: the state shown is not a click.
      gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), entry.Checked);
    } else {
      item = gtk_menu_item_new_with_label(entry.Caption.c_str());
    }
    if (entry.Default) {
      const UniqueText markup(g_markup_printf_escaped("<b>%s</b>", entry.Caption.c_str()));
      gtk_label_set_markup(GTK_LABEL(gtk_bin_get_child(GTK_BIN(item))), markup.get());
    }
    g_object_set_data(G_OBJECT(item), "nivarra-command", GUINT_TO_POINTER(entry.Command));
    g_signal_connect(item, "activate", G_CALLBACK(&OnActivate), this);
    return item;
  }

  // The GTK menu of the model; its submenus and items belong to it.
  GtkWidget* Build() {
    GtkWidget* root = gtk_menu_new();
    std::vector<GtkWidget*> submenus(Model.Entries.size(), nullptr);
    for (std::size_t i = 0; i < Model.Entries.size(); ++i) {
      const MenuEntry& entry = Model.Entries[i];
      GtkWidget* parent = entry.Parent < 0 ? root : submenus[static_cast<std::size_t>(entry.Parent)];
      GtkWidget* item = MakeItem(entry);
      if (entry.Kind == MenuEntryKind::Submenu) {
        submenus[i] = gtk_menu_new();
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), submenus[i]);
      }
      gtk_widget_set_sensitive(item, entry.Enabled);
      gtk_menu_shell_append(GTK_MENU_SHELL(parent), item);
      gtk_widget_show(item);
    }
    return root;
  }
};

std::uint32_t GtkGlobeWindow::TrackPopupMenu(const MenuModel& menuModel, ScreenPoint at) {
  if (!window_ || !gtk_widget_get_mapped(window_.get()) || ending_) return 0;
  MenuSession session{menuModel};
  const UniqueWidget menu(session.Build());
  gtk_menu_attach_to_widget(GTK_MENU(menu.get()), window_.get(), nullptr);
  g_signal_connect(menu.get(), "deactivate", G_CALLBACK(&MenuSession::OnDeactivate), &session);

  // At the point, whatever brought the menu up (a click or a key).
  GdkWindow* gdkWindow = gtk_widget_get_window(window_.get());
  gint originX = 0, originY = 0;
  gdk_window_get_origin(gdkWindow, &originX, &originY);
  const int scale = Scale();
  const GdkRectangle rect{FloorDiv(at.X, scale) - originX, FloorDiv(at.Y, scale) - originY, 1, 1};
  const UniqueEvent trigger(gtk_get_current_event());
  gtk_menu_popup_at_rect(GTK_MENU(menu.get()), gdkWindow, &rect, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST,
                         trigger.get());
  // Without the pointer and keyboard grabs the menu does not open.
  if (!gtk_widget_get_visible(menu.get())) return 0;

  modals_.push_back(menu.get());
  g_main_loop_run(session.Loop.get());
  modals_.pop_back();
  return session.Picked;
}

// --- closing ------------------------------------------------------------------------

void GtkGlobeWindow::BringToFront(guint32 time) {
  // A globe still starting shows itself anyway; a closing one is going.
  // A minimised one is no longer mapped, but still shown as far as GTK goes.
  if (!window_ || !shown_ || !gtk_widget_get_visible(window_.get()) || closed_ || ending_) return;
  GdkWindow* window = gtk_widget_get_window(window_.get());
  if (window == nullptr) return;
  gtk_window_deiconify(GTK_WINDOW(window_.get()));
  gdk_x11_window_move_to_current_desktop(window);
  gdk_window_raise(window);
  gtk_window_present_with_time(GTK_WINDOW(window_.get()), time);
}

void GtkGlobeWindow::RunModal(GtkWidget* dialog) {
  modals_.push_back(dialog);
  gtk_dialog_run(GTK_DIALOG(dialog));
  modals_.pop_back();
}

GtkWindow* GtkGlobeWindow::DialogParent() const {
  return window_ && gtk_widget_get_mapped(window_.get()) ? GTK_WINDOW(window_.get()) : nullptr;
}

void GtkGlobeWindow::Unmap() {
  if (!window_) return;
  if (unmapped_) unmapped_();
  gtk_widget_hide(window_.get());
  gdk_display_flush(gtk_widget_get_display(window_.get()));
}

void GtkGlobeWindow::HideWindow() { Unmap(); }

void GtkGlobeWindow::RequestClose() {
  if (closed_ || querying_) return;
  bool close = true;
  if (events_ != nullptr) {
    querying_ = true;
    close = events_->CloseQuery();
    querying_ = false;
  }
  if (close) Close();
}

gboolean GtkGlobeWindow::OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer self) {
  auto& platform = *static_cast<GtkGlobeWindow*>(self);
  if (platform.closed_ || platform.querying_) return TRUE;
  // Gone at once; back only when the close is refused.
  platform.Unmap();
  platform.RequestClose();
  if (!platform.closed_ && platform.window_) {
    platform.Show();
    if (platform.shownAgain_) platform.shownAgain_();
  }
  return TRUE;  // the window goes only through Close
}

gboolean GtkGlobeWindow::OnEndSignal(gpointer self) {
  static_cast<GtkGlobeWindow*>(self)->EndSession();
  return G_SOURCE_CONTINUE;
}

void GtkGlobeWindow::EndSession() {
  if (closed_) return;
  ending_ = true;
  EndModals();
  Unmap();
  // A close already asking saves the settings itself.
  if (!querying_ && events_ != nullptr) {
    querying_ = true;
    events_->CloseQuery();
    querying_ = false;
  }
  Close();
}

void GtkGlobeWindow::EndModals() {
  for (auto it = modals_.rbegin(); it != modals_.rend(); ++it) {
    if (GTK_IS_DIALOG(*it)) {
      gtk_dialog_response(GTK_DIALOG(*it), GTK_RESPONSE_NONE);
    } else if (GTK_IS_MENU_SHELL(*it)) {
      gtk_menu_shell_deactivate(GTK_MENU_SHELL(*it));
    }
  }
}

void GtkGlobeWindow::Close() {
  closed_ = true;
  Unmap();
  g_main_loop_quit(loop_.get());
}

int GtkGlobeWindow::Run() {
  if (closed_) return 0;
  if (!shown_) {
    shown_ = true;
    // The first show's shape, place and frame are set before the window
    // maps, so it never appears unshaped or in the wrong place.
    gtk_widget_realize(window_.get());
    if (events_ != nullptr) events_->Shown();
  }
  if (!closed_) Show();
  if (!closed_) g_main_loop_run(loop_.get());
  return 0;
}

void GtkGlobeWindow::Show() {
  // The window manager places the window as it maps, which on a busy
  // machine can come well after the place was asked for: the grace for
  // its pulls starts here.
  BeginPlacement();
  gtk_widget_show(window_.get());
  const int scale = Scale();
  if (position_.X % scale != 0 || position_.Y % scale != 0) MoveToPosition();
  // Without a window manager no event tells the size the window maps with.
  LookAtSize();
  ScheduleSettleCheck();
}

// --- the cover probe ----------------------------------------------------------------

bool GtkGlobeWindow::IsCoveredAt(int screenX, int screenY) {
  if (!window_ || !gtk_widget_get_realized(window_.get())) return false;
  GdkWindow* window = gtk_widget_get_window(window_.get());
  if (!GDK_IS_X11_DISPLAY(gdk_window_get_display(window))) return false;  // cannot tell: visible
  return xwatch_ && xwatch_->IsCovered(GDK_WINDOW_XID(window), screenX, screenY);
}

// --- whether anybody can see the globe -------------------------------------------------

std::optional<ScreenRect> GtkGlobeWindow::GlobeMonitor() {
  const ScreenPoint centre{position_.X + width_ / 2, position_.Y + height_ / 2};
  for (const MonitorArea& area : GdkMonitorAreas()) {
    const ScreenRect& monitor = area.Bounds;
    if (centre.X >= monitor.Left && centre.X < monitor.Right && centre.Y >= monitor.Top && centre.Y < monitor.Bottom) {
      return monitor;
    }
  }
  return std::nullopt;
}

void GtkGlobeWindow::UpdateVisibility() {
  bool fullScreenOver = false;
  if (const std::optional<ScreenRect> full = xwatch_ ? xwatch_->FullScreenActive() : std::nullopt) {
    if (const std::optional<ScreenRect> monitor = GlobeMonitor()) {
      fullScreenOver = full->Left <= monitor->Left && full->Top <= monitor->Top && full->Right >= monitor->Right &&
                       full->Bottom >= monitor->Bottom;
    }
  }
  const bool canBeSeen =
      !fullScreenOver && !(sessionWatch_ && sessionWatch_->Away()) && !(xsaver_ && xsaver_->Blanked());
  if (canBeSeen == canBeSeen_) return;
  canBeSeen_ = canBeSeen;
  if (events_ != nullptr && !closed_) events_->VisibilityChanged(canBeSeen);
}

}  // namespace nivarra
