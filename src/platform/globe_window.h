#pragma once
// The globe's window on the desktop: where it stands, its shape and layer,
// the frames it shows, whether other windows cover it, its menu and the
// desktop's move loop, and the event loop it lives in.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/translation.h"
#include "platform/screen_geometry.h"

namespace nivarra {

class PixelMemory;
class PixelStore;
struct MenuModel;

// What happens to the globe window, as the desktop reports it. Every call
// comes on the one UI thread, one at a time (a modal message box runs a
// nested loop, so timer ticks may arrive inside ShowMessage). The program
// shows its own errors: none escapes into the desktop's loop.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  // The window is shown for the first time.
  virtual void Shown() noexcept = 0;
  // A mouse button went down on the window in a way that starts a drag
  // (the desktop holds a right press back until the pointer moves, so a
  // plain right click opens the menu instead: ClickOrDrag).
  virtual void MouseDown() noexcept = 0;
  // A right click without movement, or the keyboard's menu key: open the
  // menu at this screen point.
  virtual void ContextMenu(ScreenPoint at) noexcept = 0;
  // The window moved (a drag by the desktop's move loop).
  virtual void Moved(ScreenPoint topLeft) noexcept = 0;
  // Monitors were added, removed or rearranged.
  virtual void MonitorsChanged() noexcept = 0;
  // The desktop's scale for the window changed: it was moved to a monitor
  // with another scale, or the user changed the setting. suggested is where
  // the desktop asks the window's top-left corner to stand at the new scale,
  // when it asks (Windows does).
  virtual void DisplayScaleChanged(std::optional<ScreenPoint> suggested) noexcept { (void)suggested; }
  // Whether anybody can see the globe changed: the session was locked or
  // unlocked, a screensaver or the display's power-off began or ended, a
  // full-screen window came to fill the globe's monitor or went. While
  // nobody can, the globe neither composes nor presents frames.
  virtual void VisibilityChanged(bool canBeSeen) noexcept { (void)canBeSeen; }
  // What IsCoveredAt answers may have changed: another window came, went,
  // moved or was restacked. Only from a desktop whose ReportsCoverChanges
  // is true.
  virtual void CoverMayHaveChanged() noexcept {}
  // The window is asked whether it may close: on a close request, or when
  // the user logs off or the system shuts down. False keeps it open.
  virtual bool CloseQuery() noexcept = 0;
};

class GlobeWindow {
 public:
  virtual ~GlobeWindow() = default;

  // Where the window's events go; set before Run.
  virtual void SetWindowEvents(WindowEvents* events) = 0;
  // Makes the window take per-pixel alpha frames. On failure the system's
  // text for the error; nothing on success.
  virtual std::optional<std::string> MakeWindowLayered() = 0;
  // Places the window with its top-left corner at the point and sets its size.
  virtual void PlaceWindow(ScreenPoint topLeft, int width, int height) = 0;
  virtual ScreenPoint WindowPosition() = 0;
  // The window's shape as a union of rectangles in window pixels.
  virtual void SetWindowShape(const std::vector<ShapeRect>& shape) = 0;
  // No taskbar button and no visible owner: the desktop owns the window.
  virtual void SetOwnerToDesktop() = 0;
  virtual void HideTaskbarButton() = 0;
  // Into or out of the band of windows that stay on top.
  virtual void SetTopmost(bool topmost) = 0;
  // Device pixels per pixel of the globe's artwork at 100 % for the window
  // where it stands: 1 at 96 DPI, 2 on a screen set to 200 %.
  virtual double DisplayScale() { return 1.0; }

  // Whether the screen point shows another window than the globe.
  virtual bool IsCoveredAt(int screenX, int screenY) = 0;
  // Whether the desktop calls WindowEvents::CoverMayHaveChanged whenever
  // IsCoveredAt may answer otherwise for the same point; without that, a
  // covered globe asks at every beat.
  virtual bool ReportsCoverChanges() { return false; }
  // Shows frame (32-bit, premultiplied, top row first when addressed by
  // row) with its top-left corner at (left, top), the whole scaled by
  // constantAlpha / 255. False when the desktop refused.
  virtual bool Present(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha) = 0;
  // The same for a frame that differs from the one shown last, at the same
  // place and constant alpha, only inside dirty (window pixels): a desktop
  // may redraw just that part.
  virtual bool PresentChanged(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha,
                              const PixelRect& dirty) {
    (void)dirty;
    return Present(frame, left, top, constantAlpha);
  }
  // Memory for frames of width × height 32-bit pixels (rows width × 4 bytes
  // apart, the top one first) that the window shows straight from: a frame
  // composed in it goes to the screen without a copy. Null where the window
  // has none to give (it then copies each frame it is handed).
  virtual std::shared_ptr<PixelMemory> FrameMemory(int width, int height) {
    (void)width;
    (void)height;
    return nullptr;
  }
  // What the user is told when the desktop refuses a frame, in its words.
  virtual std::string PresentFailedMessage() { return N_("UpdateLayeredWindow error"); }

  // Hands the drag to the desktop's move loop while the button is held.
  virtual void BeginSystemMove() = 0;
  // Whether a mouse button is down now: a drag may still go on.
  virtual bool PointerHeld() { return false; }
  // Shows the menu at the screen point and returns the command the user
  // picked (not yet carried out), or 0.
  virtual std::uint32_t TrackPopupMenu(const MenuModel& menu, ScreenPoint at) = 0;

  // Takes the window off the screen at once: the close is decided, and the
  // rest of the shutdown may take a moment.
  virtual void HideWindow() = 0;
  // Asks the window to close: CloseQuery decides; on yes the window goes
  // and Run returns.
  virtual void RequestClose() = 0;
  // Shows the window (Shown follows) and runs the event loop until the
  // window has closed. Returns the program's exit code.
  virtual int Run() = 0;
};

}  // namespace nivarra
