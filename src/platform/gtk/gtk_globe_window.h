#pragma once
// The globe's window on a Linux desktop with GTK 3: a borderless, shaped
// toplevel with an RGBA visual, painted from the frames with cairo and seen
// through where the frames are when a compositor runs. The popup menu and
// the event loop are GTK's. Whether other windows cover the globe is
// read from X11's stacking order, so the program runs on X11 (through
// XWayland in a Wayland session); on a display that cannot tell, the globe
// counts as visible.

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/click_or_drag.h"
#include "platform/gtk/glib_handles.h"
#include "platform/gtk/session_watch.h"
#include "platform/gtk/x_frame_image.h"
#include "platform/gtk/x_screen_saver_watch.h"
#include "platform/gtk/x_window_watch.h"
#include "platform/clock.h"
#include "platform/globe_window.h"

namespace nivarra {

// The title of the globe window and of message dialogs.
inline constexpr const char* kProgramTitle = "Nivarra";

class GtkGlobeWindow : public GlobeWindow {
 public:
  // GTK must be initialised. Creates the globe window, hidden. Throws
  // std::runtime_error when GTK cannot make it.
  explicit GtkGlobeWindow(Clock& clock);
  ~GtkGlobeWindow() override;
  GtkGlobeWindow(const GtkGlobeWindow&) = delete;
  GtkGlobeWindow& operator=(const GtkGlobeWindow&) = delete;

  GtkWidget* Widget() const { return window_.get(); }
  // Runs a modal dialog, which a session's end closes.
  void RunModal(GtkWidget* dialog);
  // The window dialogs belong to: the globe while it is on the screen.
  GtkWindow* DialogParent() const;
  // The session is ending: no more dialogs.
  bool Ending() const { return ending_; }
  // Another start asked for the globe (timestamp of its request).
  void BringToFront(guint32 time);
  // Called when the window leaves the screen, and when a refused close
  // brings it back.
  void OnUnmapped(std::function<void()> call) { unmapped_ = std::move(call); }
  void OnShownAgain(std::function<void()> call) { shownAgain_ = std::move(call); }

  // On X11 with shared memory: an X image the frames are put from as they lie.
  std::shared_ptr<PixelMemory> FrameMemory(int width, int height) override;
  bool IsCoveredAt(int screenX, int screenY) override;
  // On X11, from the server's notifications of other windows.
  bool ReportsCoverChanges() override { return xwatch_ != nullptr; }
  bool Present(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha) override;
  std::string PresentFailedMessage() override {
    return N_("The globe's picture could not be shown on the screen.");
  }
  // Copies and redraws the changed part only.
  bool PresentChanged(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha,
                      const PixelRect& dirty) override;
  // The window's GDK scale (GDK_SCALE or the desktop's setting): GTK 3
  // knows whole numbers only.
  double DisplayScale() override { return Scale(); }
  void SetWindowEvents(WindowEvents* events) override { events_ = events; }
  std::optional<std::string> MakeWindowLayered() override;
  void PlaceWindow(ScreenPoint topLeft, int width, int height) override;
  ScreenPoint WindowPosition() override { return SeenPosition().value_or(position_); }
  void SetWindowShape(const std::vector<ShapeRect>& shape) override;
  void SetOwnerToDesktop() override;
  void HideTaskbarButton() override;
  void SetTopmost(bool topmost) override;
  void BeginSystemMove() override;
  bool PointerHeld() override;
  std::uint32_t TrackPopupMenu(const MenuModel& menu, ScreenPoint at) override;
  void HideWindow() override;
  void RequestClose() override;
  int Run() override;

 private:
  struct MenuSession;
  using UniqueSurface = std::unique_ptr<cairo_surface_t, ReleaseWith<cairo_surface_destroy>>;
  using UniqueCairo = std::unique_ptr<cairo_t, ReleaseWith<cairo_destroy>>;
  using UniqueLoop = std::unique_ptr<GMainLoop, ReleaseWith<g_main_loop_unref>>;

  // A button press that may start a drag of the window.
  struct Press {
    guint Button = 0;
    int RootX = 0;
    int RootY = 0;
    guint32 Time = 0;
  };

  // Signal handlers of the window.
  static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer self);
  static gboolean OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer self);
  static gboolean OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer self);
  static gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self);
  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self);
  static gboolean OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer self);
  static gboolean OnVisibility(GtkWidget*, GdkEventVisibility* event, gpointer self);
  // Where the window stands may have changed: told to the window's logic
  // when it is not our own placement under way.
  void FollowSeenPosition();
  // The window manager's moves from now on, for the grace, are its work on
  // position_ and may be asked back.
  void BeginPlacement();
  // Whether the X window has the size asked for.
  bool SizeSettled() const;
  // The X window was seen at this size (GDK's units).
  void NoteSeenSize(int width, int height);
  // Shows the whole of surface_, now or through GTK's drawing.
  void ShowWhole();
  // Looks, once the window manager has had its time, whether the window
  // stands where and at the size asked; asks again for a size not taken
  // and reports a place the window manager chose.
  void ScheduleSettleCheck();
  void SettlePlacement();
  // Asks for the size once more, with hints that allow only it.
  void AskForSize();
  // Reads the X window's size from the server.
  void LookAtSize();
  static gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer self);
  static void OnCompositedChanged(GdkScreen* screen, gpointer self);
  static void OnScaleChanged(GObject*, GParamSpec*, gpointer self);
  static void OnMonitorsChanged(gpointer self);
  static gboolean OnEndSignal(gpointer self);

  // Makes surface_ the frame's size, over frameImage_'s pixels where the
  // window can be drawn from them. False when cairo cannot make it.
  bool FitSurface(int width, int height);
  // Copies part (frame pixels, inside the frame) of the frame into surface_,
  // which is the frame's size.
  void CopyToSurface(const PixelStore& frame, const PixelRect& part);
  // The frame becomes the one the window shows: from the memory it lies in
  // when the window gave it (FrameMemory), else copied into surface_ (part
  // of it, when surface_ holds the frame shown last). False when cairo
  // cannot make the surface.
  bool TakeFrame(const PixelStore& frame, const PixelRect& part);
  // The image and surface the frame shown last is drawn from.
  XFrameImage* ShownImage() const { return direct_ ? direct_.get() : frameImage_.get(); }
  cairo_surface_t* ShownSurface() const { return direct_ ? directSurface_ : surface_.get(); }
  // Shows part of surface_ in the window, once it has its size.
  void ShowPart(const PixelRect& part);
  // Shows part of surface_ in the window at once, put from frameImage_
  // straight onto the X window: no trip through GTK's drawing cycle and its
  // double buffer. False where that cannot be done (not X11, not mapped, a
  // faded frame on a compositor, which needs the window cleared first);
  // GTK draws it then.
  bool DrawNow(const PixelRect& part);
  // Where the user sees the window: the root position of its frame's
  // top-left corner in device pixels, which is what a move places. Nothing
  // while the window is not on the screen.
  std::optional<ScreenPoint> SeenPosition();
  // Device pixels per unit of GDK's for the window.
  int Scale() const;
  // Asks for the window at position_ in device pixels.
  // With withSize, the size asked for goes in the same request.
  void MoveToPosition(bool withSize = false);
  // Maps the window where the window's logic placed it.
  void Show();

  // The press reaches the window's logic as the start of a drag.
  void PressForDrag(const Press& press);
  void OpenContextMenu(ScreenPoint at);
  // The session ends (SIGTERM, SIGINT, SIGHUP): the settings are saved and
  // the program goes, whatever CloseQuery says; messages go to stderr only.
  void EndSession();
  // Takes the window off the screen and tells the X server at once: the
  // shutdown that follows may take a while.
  void Unmap();
  void Close();
  // Ends the open menus and message dialogs, innermost first.
  void EndModals();
  // The monitor that holds the globe's centre.
  std::optional<ScreenRect> GlobeMonitor();
  // Tells the window's logic when whether anybody can see the globe changed.
  void UpdateVisibility();

  Clock& clock_;
  WindowEvents* events_ = nullptr;
  std::function<void()> unmapped_;
  std::function<void()> shownAgain_;

  UniqueLoop loop_;
  // The frame as an X image of the window's (on X11), and as the cairo
  // surface GTK's drawing paints from: over the image's pixels where there
  // is one. The image is tried again once the window is realised.
  std::unique_ptr<XFrameImage> frameImage_;
  bool frameImageTried_ = false;
  UniqueSurface surface_;
  // Whether surface_ holds the frame shown last.
  bool surfaceCurrent_ = false;
  // The images given as frame memory, each with the surface GTK's drawing
  // paints it from, and the one the frame shown last lies in (none: it was
  // copied into surface_).
  struct GivenImage {
    std::weak_ptr<XFrameImage> Image;
    UniqueSurface Surface;
  };
  std::vector<GivenImage> given_;
  std::shared_ptr<XFrameImage> direct_;
  cairo_surface_t* directSurface_ = nullptr;
  // The server cannot share memory: no image is given.
  bool nothingToGive_ = false;
  // Reaches the window from the images given, while it is there.
  std::shared_ptr<GtkGlobeWindow*> self_ = std::make_shared<GtkGlobeWindow*>(this);
  std::uint8_t alpha_ = 255;
  bool composited_ = false;
  ScreenPoint position_{};  // the place the window's logic knows
  // When our own last placement was asked for, until the window is seen
  // there: configure events meanwhile show the window manager at work,
  // not the user.
  std::optional<std::uint32_t> placingSince_;
  int width_ = 0;  // device pixels, as the window's logic asked
  int height_ = 0;
  // The X window's size as last seen, in GDK's units. Until it is the size
  // asked for, frames wait in surface_ and are shown whole once it is:
  // drawn before, the part beyond the old size would stay empty.
  int seenWidth_ = 0;
  int seenHeight_ = 0;
  // Once a placement's grace is over: what the window manager made of it.
  SourceHandle settleCheck_;
  int sizeRequests_ = 0;  // asked again for a size the window did not take
  int placeRequests_ = 0;  // asked again for a place the window manager changed

  std::optional<Press> pressing_;  // the press being handed to MouseDown
  ClickOrDrag rightPress_;

  // The other windows and the X server's screen saver (on X11), and the
  // session's screensaver and lock.
  std::unique_ptr<XWindowWatch> xwatch_;
  std::unique_ptr<XScreenSaverWatch> xsaver_;
  std::unique_ptr<SessionWatch> sessionWatch_;
  bool canBeSeen_ = true;  // as last reported

  // Menus and message dialogs running their own loops, innermost last.
  std::vector<GtkWidget*> modals_;

  bool shown_ = false;
  bool closed_ = false;
  bool querying_ = false;
  bool ending_ = false;

  GdkScreen* screen_ = nullptr;
  gulong compositedHandler_ = 0;
  // The display's and the screen's monitor signals, and the idle call that
  // reports a burst of them once.
  std::vector<std::pair<GObject*, gulong>> monitorHandlers_;
  SourceHandle monitorsReport_;
  std::vector<SourceHandle> signalWatches_;
  // Last, so it goes first: no handler runs on a half-destroyed platform.
  UniqueWidget window_;
};

}  // namespace nivarra
