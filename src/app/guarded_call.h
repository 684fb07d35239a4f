#pragma once
// Runs a piece of the program that the desktop's event loop calls (an
// event, a timer tick): an error that escapes it is shown in a message box
// and goes no further, so the loop goes on. The one place such errors are
// caught: the desktops call the program's handlers and ticks unguarded.

#include <exception>
#include <functional>
#include <memory>
#include <utility>

#include "platform/platform.h"

namespace nivarra {

// False when call ended in an error.
template <class F>
bool GuardedCall(Platform& platform, F&& call) noexcept {
  try {
    call();
    return true;
  } catch (const std::exception& error) {
    try {
      platform.ShowMessage(error.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      platform.ShowMessage(N_("Unknown error"));
    } catch (...) {
    }
  }
  return false;
}

// A desktop timer whose ticks run guarded.
inline std::unique_ptr<PlatformTimer> StartGuardedTimer(Platform& platform, int intervalMs,
                                                        std::function<void()> tick) {
  return platform.StartTimer(intervalMs, [&platform, tick = std::move(tick)] { GuardedCall(platform, tick); });
}

}  // namespace nivarra
