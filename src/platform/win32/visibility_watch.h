#pragma once
// Whether anybody can see the globe, from what Windows tells: a locked or
// disconnected session, the console's display switched off, a running
// screensaver, a full-screen window in front on the globe's monitor. The
// session and the display send the window messages; the screensaver and
// the window in front send none and are looked at when asked (on a slow
// timer). Every source is looked up at run time, and one that is missing
// (older Windows, Wine) never says that nobody can see.

#include "platform/win32/windows_api.h"

#include <shellapi.h>

#include <cstring>
#include <cwchar>

#include "platform/win32/system_function.h"

namespace nivarra {

// Session changes come to the window while this lives.
class SessionNotification {
 public:
  explicit SessionNotification(HWND window) : library_(LoadSystemLibrary(L"wtsapi32.dll")) { Register(window); }
  ~SessionNotification() {
    using Unregister = BOOL(WINAPI*)(HWND);
    const auto unregister = SystemFunction<Unregister>(library_.get(), "WTSUnRegisterSessionNotification");
    if (registered_ != nullptr && unregister != nullptr) unregister(registered_);
  }
  SessionNotification(const SessionNotification&) = delete;
  SessionNotification& operator=(const SessionNotification&) = delete;

  // At log-on the session's service may not answer yet; it asks again.
  void Register(HWND window) {
    if (registered_ != nullptr || !retry_) return;
    using RegisterFunction = BOOL(WINAPI*)(HWND, DWORD);
    const auto registerFor = SystemFunction<RegisterFunction>(library_.get(), "WTSRegisterSessionNotification");
    if (registerFor == nullptr) {
      retry_ = false;
    } else if (registerFor(window, 0 /* NOTIFY_FOR_THIS_SESSION */)) {
      registered_ = window;
    } else {
      retry_ = ::GetLastError() == RPC_S_INVALID_BINDING;
    }
  }

 private:
  UniqueLibrary library_;
  HWND registered_ = nullptr;
  bool retry_ = true;
};

// Changes of the console display's power state come to the window while
// this lives; the first tells the state at once.
class DisplayPowerNotification {
 public:
  explicit DisplayPowerNotification(HWND window) {
    using Register = HPOWERNOTIFY(WINAPI*)(HANDLE, LPCGUID, DWORD);
    const auto registerFor = SystemFunction<Register>(User32(), "RegisterPowerSettingNotification");
    if (registerFor != nullptr) handle_ = registerFor(window, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
  ~DisplayPowerNotification() {
    using Unregister = BOOL(WINAPI*)(HPOWERNOTIFY);
    const auto unregister = SystemFunction<Unregister>(User32(), "UnregisterPowerSettingNotification");
    if (handle_ != nullptr && unregister != nullptr) unregister(handle_);
  }
  DisplayPowerNotification(const DisplayPowerNotification&) = delete;
  DisplayPowerNotification& operator=(const DisplayPowerNotification&) = delete;

  // GUID_CONSOLE_DISPLAY_STATE, whose data is 0 off, 1 on, 2 dimmed.
  static constexpr GUID kConsoleDisplayState{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

 private:
  static HMODULE User32() { return ::GetModuleHandleW(L"user32.dll"); }
  HPOWERNOTIFY handle_ = nullptr;
};

class VisibilityWatch {
 public:
  explicit VisibilityWatch(HWND window)
      : window_(window),
        session_(window),
        display_(window),
        notificationState_(SystemFunction<NotificationStateFunction>(::GetModuleHandleW(L"shell32.dll"),
                                                                     "SHQueryUserNotificationState")) {}

  bool CanBeSeen() const { return !locked_ && !disconnected_ && !displayOff_ && !screensaver_ && !fullScreenInFront_; }

  // Takes a message to the window about the session or the display; false
  // for any other. The window procedure still answers it.
  bool Take(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WTSSESSION_CHANGE) {
      switch (wParam) {
        case WTS_SESSION_LOCK:
        case WTS_SESSION_UNLOCK:
          locked_ = wParam == WTS_SESSION_LOCK;
          break;
        // Another user's session on the console, or a remote one that was
        // left: this session shows on no screen.
        case WTS_CONSOLE_DISCONNECT:
        case WTS_REMOTE_DISCONNECT:
        case WTS_CONSOLE_CONNECT:
        case WTS_REMOTE_CONNECT:
          disconnected_ = wParam == WTS_CONSOLE_DISCONNECT || wParam == WTS_REMOTE_DISCONNECT;
          break;
        default:
          break;
      }
      return true;
    }
    if (message == WM_POWERBROADCAST && wParam == PBT_POWERSETTINGCHANGE && lParam != 0) {
      const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
      if (setting->PowerSetting == DisplayPowerNotification::kConsoleDisplayState &&
          setting->DataLength >= sizeof(DWORD)) {
        DWORD state = 1;
        std::memcpy(&state, setting->Data, sizeof state);
        displayOff_ = state == 0;  // a dimmed display still shows the globe
      }
      return true;
    }
    return false;
  }

  // Looks again at what sends no message.
  void Look() {
    session_.Register(window_);
    BOOL running = FALSE;
    screensaver_ = ::SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) && running;
    fullScreenInFront_ = FullScreenInFront();
  }

 private:
  using NotificationStateFunction = HRESULT(WINAPI*)(QUERY_USER_NOTIFICATION_STATE*);

  // The shell holds its notifications back for a full-screen program or a
  // presentation; that covers the globe only when the window in front
  // fills the globe's monitor, and not when the globe stays on top of it
  // (an exclusive Direct3D screen covers even that).
  bool FullScreenInFront() const {
    QUERY_USER_NOTIFICATION_STATE state{};
    if (notificationState_ == nullptr || FAILED(notificationState_(&state))) return false;
    if (state != QUNS_BUSY && state != QUNS_RUNNING_D3D_FULL_SCREEN && state != QUNS_PRESENTATION_MODE) return false;
    const HWND front = ::GetForegroundWindow();
    if (front == nullptr || front == window_ || front == ::GetDesktopWindow() || front == ::GetShellWindow() ||
        !::IsWindowVisible(front) || ::IsIconic(front) || IsDesktopBackground(front)) {
      return false;
    }
    const auto topmost = [](HWND window) { return (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    if (state != QUNS_RUNNING_D3D_FULL_SCREEN && topmost(window_) && !topmost(front)) return false;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT covered{};
    if (!::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !::GetWindowRect(front, &covered)) {
      return false;
    }
    const RECT& screen = monitor.rcMonitor;
    return covered.left <= screen.left && covered.top <= screen.top && covered.right >= screen.right &&
           covered.bottom >= screen.bottom;
  }

  // The window that draws the desktop's wallpaper and icons fills the
  // screen too, and is in front after a click on the desktop.
  static bool IsDesktopBackground(HWND window) {
    wchar_t name[16];
    const int length = ::GetClassNameW(window, name, 16);
    return length > 0 && (std::wcscmp(name, L"WorkerW") == 0 || std::wcscmp(name, L"Progman") == 0);
  }

  HWND window_;
  SessionNotification session_;
  DisplayPowerNotification display_;
  NotificationStateFunction notificationState_;
  bool locked_ = false;
  bool disconnected_ = false;
  bool displayOff_ = false;
  bool screensaver_ = false;
  bool fullScreenInFront_ = false;
};

}  // namespace nivarra
