#include "platform/win32/win32_clock.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/date_time.h"
#include "platform/win32/registry_key.h"
#include "platform/win32/system_message.h"
#include "platform/win32/wide_text.h"
#include "platform/windows_zones.h"

namespace nivarra {
namespace {

constexpr const wchar_t* kTimersClass = L"NivarraTimers";

}  // namespace

class Win32Clock::Timer : public PlatformTimer {
 public:
  Timer(Win32Clock& owner, UINT_PTR id) : owner_(owner), id_(id) {}
  ~Timer() override { owner_.StopTimer(id_); }

 private:
  Win32Clock& owner_;
  UINT_PTR id_;
};

Win32Clock::Win32Clock() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &Win32Clock::WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kTimersClass;
  if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    ThrowSystemError(::GetLastError(), "RegisterClassEx");
  }
  window_ = ::CreateWindowExW(0, kTimersClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
  if (window_ == nullptr) ThrowSystemError(::GetLastError(), "CreateWindowEx");
}

Win32Clock::~Win32Clock() {
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  ::DestroyWindow(window_);
}

LRESULT CALLBACK Win32Clock::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Clock*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr && message == WM_TIMER) {
    try {
      const auto found = self->timers_.find(wParam);
      if (found != self->timers_.end()) {
        const std::function<void()> tick = found->second;  // the tick may stop its own timer
        tick();
      }
    } catch (...) {
      // Nothing may unwind through the system's code.
    }
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

std::unique_ptr<PlatformTimer> Win32Clock::StartTimer(int intervalMs, std::function<void()> tick) {
  const UINT_PTR id = nextTimerId_++;
  if (window_ != nullptr && ::SetTimer(window_, id, static_cast<UINT>(std::max(intervalMs, 1)), nullptr) != 0) {
    timers_[id] = std::move(tick);
  }
  return std::make_unique<Timer>(*this, id);
}

void Win32Clock::StopTimer(UINT_PTR id) {
  if (timers_.erase(id) != 0 && window_ != nullptr) ::KillTimer(window_, id);
}

std::uint32_t Win32Clock::TickCount() { return ::GetTickCount(); }

std::int64_t Win32Clock::PerformanceCounter() {
  LARGE_INTEGER counter{};
  return ::QueryPerformanceCounter(&counter) ? static_cast<std::int64_t>(counter.QuadPart) : 0;
}

double Win32Clock::LocalNow() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return EncodeDateTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                        now.wSecond + now.wMilliseconds / 1000.0);
}

namespace {

// The country the user has told Windows they are in, as ISO 3166 two
// letters; empty when Windows does not know.
std::string UserTerritory() {
  const GEOID nation = ::GetUserGeoID(GEOCLASS_NATION);
  wchar_t code[8];
  if (nation == GEOID_NOT_AVAILABLE || ::GetGeoInfoW(nation, GEO_ISO2, code, std::size(code), 0) <= 0) return {};
  return Utf8FromWide(code);
}

// The rules of a Windows zone as the registry keeps them (its TZI value:
// offsets and the dates daylight saving starts and ends); empty when the
// zone has none there.
std::vector<BYTE> ZoneRules(const std::wstring& windowsZone) {
  const std::wstring path = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\" + windowsZone;
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return {};
  const UniqueKey key(opened);
  std::vector<BYTE> rules(64);
  DWORD type = 0;
  auto size = static_cast<DWORD>(rules.size());
  if (::RegQueryValueExW(key.get(), L"TZI", nullptr, &type, rules.data(), &size) != ERROR_SUCCESS ||
      type != REG_BINARY) {
    return {};
  }
  rules.resize(size);
  return rules;
}

}  // namespace

TimeZoneInfo Win32Clock::LocalTimeZone(double localDateTime) {
  TimeZoneInfo zone;
  DYNAMIC_TIME_ZONE_INFORMATION dynamic{};
  if (::GetDynamicTimeZoneInformation(&dynamic) != TIME_ZONE_ID_INVALID && dynamic.TimeZoneKeyName[0] != 0) {
    zone.Name = Utf8FromWide(dynamic.TimeZoneKeyName);
    // One Windows zone covers many places: the user's country picks one.
    // Wine names a Windows zone by the host's rules alone (Paris gets
    // "Central Europe Standard Time"), and users keep a neighbour's zone,
    // so a country the zone does not list looks among the zones with the
    // same rules.
    const std::vector<BYTE> rules = ZoneRules(dynamic.TimeZoneKeyName);
    const auto keepsSameClock = [&](std::string_view other) {
      return !rules.empty() && ZoneRules(WideFromUtf8(other)) == rules;
    };
    if (const auto found = FindWindowsZone(zone.Name, UserTerritory(), keepsSameClock)) {
      zone.Name = std::string(found->Zone);
      zone.Place = found->Place;
    }
  }

  // The offset on that day: the local time against the same moment in UTC,
  // so daylight saving counts where it applies.
  const CalendarDate day = DecodeDate(localDateTime);
  if (day.Year < 1601 || day.Year > 30827) return zone;
  const double fraction = localDateTime - static_cast<double>(static_cast<long long>(localDateTime));
  const auto seconds = static_cast<int>(std::abs(fraction) * 86400.0);
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(day.Year);
  local.wMonth = static_cast<WORD>(day.Month);
  local.wDay = static_cast<WORD>(day.Day);
  local.wHour = static_cast<WORD>(seconds / 3600);
  local.wMinute = static_cast<WORD>(seconds / 60 % 60);
  TIME_ZONE_INFORMATION rules{};
  SYSTEMTIME utc{};
  FILETIME localFile{}, utcFile{};
  if (::GetTimeZoneInformation(&rules) == TIME_ZONE_ID_INVALID ||
      !::TzSpecificLocalTimeToSystemTime(&rules, &local, &utc) || !::SystemTimeToFileTime(&local, &localFile) ||
      !::SystemTimeToFileTime(&utc, &utcFile)) {
    return zone;
  }
  const auto ticks = [](const FILETIME& t) {
    return static_cast<long long>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  zone.UtcOffsetMinutes = static_cast<int>((ticks(localFile) - ticks(utcFile)) / 600000000LL);
  return zone;
}

}  // namespace nivarra
