#pragma once
// The Windows desktop's clocks and timers: the system's tick count and
// local time, its time zone placed through the zones' table, and timers on
// a message-only window of their own, which every message loop of the
// thread serves (the globe's, a message box's, a menu's).

#include "platform/win32/windows_api.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "platform/clock.h"

namespace nivarra {

class Win32Clock : public Clock {
 public:
  // Throws std::system_error when the system refuses the timers' window.
  Win32Clock();
  ~Win32Clock() override;
  Win32Clock(const Win32Clock&) = delete;
  Win32Clock& operator=(const Win32Clock&) = delete;

  std::uint32_t TickCount() override;
  std::int64_t PerformanceCounter() override;
  double LocalNow() override;
  TimeZoneInfo LocalTimeZone(double localDateTime) override;
  std::unique_ptr<PlatformTimer> StartTimer(int intervalMs, std::function<void()> tick) override;

 private:
  class Timer;
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void StopTimer(UINT_PTR id);

  HWND window_ = nullptr;
  std::map<UINT_PTR, std::function<void()>> timers_;
  UINT_PTR nextTimerId_ = 1;
};

}  // namespace nivarra
