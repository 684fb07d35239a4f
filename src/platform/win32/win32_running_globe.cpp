#include "platform/win32/win32_running_globe.h"

#include <shellapi.h>

#include <cwchar>
#include <iterator>
#include <vector>

#include "platform/win32/wide_text.h"

namespace nivarra {
namespace {

// How often, 50 ms apart, a start asks for the claim while its holder has
// no globe to give way to (it is giving way itself, or closing).
constexpr int kClaimAttempts = 60;

// The claim of the user's running globe, in the session's namespace.
std::wstring ClaimName() {
  std::wstring name = L"Local\\Nivarra.Globe";
  wchar_t user[257];
  DWORD size = std::size(user);
  if (::GetUserNameW(user, &size)) {
    name += '.';
    name += user;
  }
  return name;
}

// The globes of other processes on this desktop that are not closing.
std::vector<HWND> OtherRunningGlobes() {
  std::vector<HWND> globes;
  const auto each = [](HWND window, LPARAM data) -> BOOL {
    wchar_t name[32];
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != ::GetCurrentProcessId() && ::GetClassNameW(window, name, std::size(name)) > 0 &&
        std::wcscmp(name, kGlobeClass) == 0 && ::GetPropW(window, kClosingProperty) == nullptr) {
      reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    }
    return TRUE;
  };
  ::EnumWindows(each, reinterpret_cast<LPARAM>(&globes));
  return globes;
}

}  // namespace

Win32RunningGlobe::Win32RunningGlobe(Win32GlobeWindow& window)
    : window_(window), comeToFront_(::RegisterWindowMessageW(kComeToFrontMessage)) {
  window_.OnCloseDecided([this] { claim_.reset(); });
}

Win32RunningGlobe::~Win32RunningGlobe() { window_.OnCloseDecided(nullptr); }

std::string Win32RunningGlobe::FirstArgument() {
  int count = 0;
  LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (arguments == nullptr) return {};
  std::string first = count > 1 ? Utf8FromWide(arguments[1]) : std::string();
  ::LocalFree(arguments);
  return first;
}

bool Win32RunningGlobe::ClaimRunningGlobe(bool yieldToRunning) {
  // Every globe holds the claim, "add" ones too, so a plain start finds
  // any of them. A globe makes its window before it claims, so a claim
  // without a window belongs to a start that is giving way itself (it lets
  // go at once) or to a globe that is closing (it lets go once saved).
  const std::wstring name = ClaimName();
  for (int attempt = 1;; ++attempt) {
    UniqueHandle claim(::CreateMutexW(nullptr, FALSE, name.c_str()));
    const bool taken = claim && ::GetLastError() == ERROR_ALREADY_EXISTS;
    if (!taken || !yieldToRunning) {
      claim_ = std::move(claim);
      return true;
    }
    claim.reset();
    const std::vector<HWND> others = OtherRunningGlobes();
    if (!others.empty()) {
      for (const HWND other : others) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(other, &process);
        ::AllowSetForegroundWindow(process);
        ::PostMessageW(other, comeToFront_, 0, 0);
      }
      return false;
    }
    // Better a second globe than none at all.
    if (attempt == kClaimAttempts) return true;
    ::Sleep(50);
  }
}

}  // namespace nivarra
