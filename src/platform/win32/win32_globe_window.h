#pragma once
// The globe's window on the Windows desktop: the program's own application
// window, which would carry its taskbar button but is never shown, and the
// globe itself, a borderless layered popup fed with premultiplied 32-bit
// frames. The popup menu and the event loop are the system's own.

#include "platform/win32/windows_api.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/click_or_drag.h"
#include "platform/globe_window.h"
#include "platform/win32/frame_bitmap.h"
#include "platform/win32/visibility_watch.h"

namespace nivarra {

// The title of the application window, of the globe and of message boxes.
inline constexpr const wchar_t* kApplicationTitle = L"Nivarra";
// The globe's window class, which other starts look for.
inline constexpr const wchar_t* kGlobeClass = L"NivarraGlobe";
// What a plain start sends the running globe instead of showing its own.
inline constexpr const wchar_t* kComeToFrontMessage = L"Nivarra.ComeToFront";
// Set on a globe whose close is decided: a start does not give way to it.
inline constexpr const wchar_t* kClosingProperty = L"Nivarra.Closing";

class Win32GlobeWindow : public GlobeWindow {
 public:
  // Creates both windows, hidden. Throws std::system_error when the system
  // refuses.
  Win32GlobeWindow();
  ~Win32GlobeWindow() override;
  Win32GlobeWindow(const Win32GlobeWindow&) = delete;
  Win32GlobeWindow& operator=(const Win32GlobeWindow&) = delete;

  HWND Handle() const { return globe_; }
  // Called once a close is decided, or the session ends.
  void OnCloseDecided(std::function<void()> call) { closeDecided_ = std::move(call); }

  bool IsCoveredAt(int screenX, int screenY) override;
  bool Present(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha) override;
  // Copies only the changed part into the frame buffer and tells the
  // system which part that is; the rest of the buffer still holds the
  // frame shown last.
  bool PresentChanged(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha,
                      const PixelRect& dirty) override;
  // The DPI of the globe's monitor over 96: the manifest makes the program
  // per-monitor aware, so every coordinate it meets is a device pixel.
  double DisplayScale() override;
  void SetWindowEvents(WindowEvents* events) override { events_ = events; }
  std::optional<std::string> MakeWindowLayered() override;
  void PlaceWindow(ScreenPoint topLeft, int width, int height) override;
  ScreenPoint WindowPosition() override;
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
  enum class Button { None, Left, Middle, Right };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT GlobeMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT ApplicationMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void PressButton(Button button, POINT at);
  void TrackRightPress(POINT cursor);
  void FollowOwnMove(POINT cursor);
  void EndOwnMove();
  // Ends a drag that follows the pointer here, without touching the
  // capture; false when there was none.
  bool StopFollowingPointer();
  void ReportPosition(ScreenPoint position);
  // A close request: the globe leaves the screen, the window's logic
  // decides, and on yes the window goes.
  void Close();
  void ComeToFront();
  // Makes the frame buffer the frame's size; false when it cannot be made.
  bool FitFrameBuffer(int width, int height);
  void CopyToFrameBuffer(const PixelStore& frame, const RECT& part);
  // Shows the frame buffer where the window stands; with dirty, only that
  // part of it changed.
  bool ShowFrameBuffer(std::uint8_t constantAlpha, const RECT* dirty);
  // Tells the window's logic when whether anybody can see the globe changed.
  void ReportVisibility();
  // Tells the window's logic when the monitors or their work areas changed
  // since the last look.
  void LookAtMonitors();

  HINSTANCE instance_ = nullptr;
  HWND application_ = nullptr;
  HWND globe_ = nullptr;
  WindowEvents* events_ = nullptr;
  std::function<void()> closeDecided_;

  // The frame buffer handed to the system, kept while the size stays.
  std::unique_ptr<FrameBitmap> frameBuffer_;
  // Shows part of a frame; Windows Vista and later.
  using UpdateLayeredIndirect = BOOL(WINAPI*)(HWND, const UPDATELAYEREDWINDOWINFO*);
  UpdateLayeredIndirect updateLayeredIndirect_ = nullptr;

  // Gone with the window; the globe counts as seen until it says otherwise.
  std::unique_ptr<VisibilityWatch> visibility_;
  bool seen_ = true;
  std::vector<MonitorArea> knownMonitors_;

  // Our own moves and placements are not news to the window's logic.
  int placing_ = 0;
  ScreenPoint knownPosition_{};
  // Until then a window manager may still move the window that just mapped
  // (under Wine); it is asked once to put it back.
  std::optional<DWORD> mappingUntil_;
  // While the system's move loop runs: where it would put the window.
  std::optional<ScreenPoint> outlinePlace_;

  ClickOrDrag rightPress_;
  // The button whose press is being handed to the window's logic.
  Button pressing_ = Button::None;
  POINT pressedAt_{};  // where on the screen that button went down
  // Middle and right drags follow the pointer here until their button
  // goes up (the system's move loop ends on the left button only).
  Button ownMoveButton_ = Button::None;
  bool underWine_ = false;
  POINT ownMoveCursor_{};
  ScreenPoint ownMoveWindow_{};

  bool shown_ = false;
  bool ended_ = false;
  bool closing_ = false;  // a close is being decided

  // Another start asks the running globe to come to the front.
  UINT comeToFront_ = 0;
};

}  // namespace nivarra
