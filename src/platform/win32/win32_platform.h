#pragma once
// The globe on the Windows desktop: the program's own application window,
// which would carry its taskbar button but is never shown, and the globe
// itself, a borderless layered popup fed with premultiplied 32-bit frames.
// Timers, message boxes, the popup menu, the registry and the event loop
// are the system's own.

#include "platform/win32/windows_api.h"

#include <objbase.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/click_or_drag.h"
#include "platform/platform.h"
#include "platform/win32/frame_bitmap.h"
#include "platform/win32/visibility_watch.h"

namespace nivarra {

// The title of the application window, of the globe and of message boxes.
inline constexpr const wchar_t* kApplicationTitle = L"Nivarra";

class Win32Platform : public Platform {
 public:
  // Creates both windows, hidden. Throws std::system_error when the system
  // refuses.
  Win32Platform();
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  HWND GlobeWindow() const { return globe_; }

  std::uint32_t TickCount() override;
  std::int64_t PerformanceCounter() override;
  bool IsCoveredAt(int screenX, int screenY) override;
  bool Present(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha) override;
  // Copies only the changed part into the frame buffer and tells the
  // system which part that is; the rest of the buffer still holds the
  // frame shown last.
  bool PresentChanged(const PixelStore& frame, int left, int top, std::uint8_t constantAlpha,
                      const PixelRect& dirty) override;
  double LocalNow() override;
  TimeZoneInfo LocalTimeZone(double localDateTime) override;
  std::string FormatLongDate(double date) override;
  void ShowMessage(std::string_view text) override;
  // From the catalogs inside the program, in the user's UI language.
  std::unique_ptr<MessageCatalog> OpenCatalog(std::string_view languageSetting) override;
  std::unique_ptr<PlatformTimer> StartTimer(int intervalMs, std::function<void()> tick) override;
  std::unique_ptr<SettingsKey> OpenSettingsKey(std::string_view path, bool create) override;
  // The DPI of the globe's monitor over 96: the manifest makes the program
  // per-monitor aware, so every coordinate it meets is a device pixel.
  double DisplayScale() override;
  ScreenSize ScreenSizeOfPrimary() override;
  ScreenSize WorkAreaSize() override;
  std::vector<MonitorArea> Monitors() override;
  std::string FirstArgument() override;
  std::string ExecutablePath() override;
  std::optional<SettingsProblem> SettingsKeyProblem() override { return keyProblem_; }
  std::string SettingsPlace() override { return "HKEY_CURRENT_USER\\Software\\Nivarra"; }
  // The path in quotes: a command line, where a path with spaces unquoted
  // could start another program.
  std::string AutostartCommand() override {
    std::string command(1, '"');
    command += ExecutablePath();
    command += '"';
    return command;
  }

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
  bool OpenWebPage(std::string_view address) override;
  bool ClaimRunningGlobe(bool yieldToRunning) override;
  void HideWindow() override;
  void RequestClose() override;
  int Run() override;

 private:
  class Timer;
  struct HandleDeleter {
    void operator()(HANDLE handle) const noexcept { ::CloseHandle(handle); }
  };
  using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleDeleter>;

  enum class Button { None, Left, Middle, Right };

  // COM on the window's thread, as the shell asks of a program that calls
  // ShellExecute: the handler of a web address may be a COM object.
  class ComApartment {
   public:
    ComApartment() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
      if (ok_) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

   private:
    bool ok_;
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT GlobeMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT ApplicationMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void PressButton(Button button);
  void TrackRightPress(POINT cursor);
  void FollowOwnMove(POINT cursor);
  void EndOwnMove();
  void ReportPosition(ScreenPoint position);
  // A close request: the globe leaves the screen, the window's logic
  // decides, and on yes the window goes.
  void Close();
  void ComeToFront();
  void StopTimer(UINT_PTR id);
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

  ComApartment com_;
  HINSTANCE instance_ = nullptr;
  HWND application_ = nullptr;
  HWND globe_ = nullptr;
  WindowEvents* events_ = nullptr;

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
  // Middle and right drags follow the pointer here until their button
  // goes up (the system's move loop ends on the left button only).
  Button ownMoveButton_ = Button::None;
  bool underWine_ = false;
  POINT ownMoveCursor_{};
  ScreenPoint ownMoveWindow_{};

  std::map<UINT_PTR, std::function<void()>> timers_;
  UINT_PTR nextTimerId_ = 1;

  // Why the last settings key could not be opened.
  std::optional<SettingsProblem> keyProblem_;

  bool shown_ = false;
  bool ended_ = false;
  bool closing_ = false;  // a close is being decided

  // Held while this globe runs: a plain start that finds it gives way.
  UniqueHandle claim_;
  // Another start asks the running globe to come to the front.
  UINT comeToFront_ = 0;
};

}  // namespace nivarra
