#pragma once
// Runs a piece of the program that the desktop's event loop calls (an
// event, a timer tick): an error that escapes it is shown in a message box
// and goes no further, so the loop goes on. The one place such errors are
// caught: the desktops call the program's handlers and ticks unguarded.

#include <exception>
#include <functional>
#include <memory>
#include <utility>

#include "platform/desktop.h"

namespace nivarra {

// False when call ended in an error.
template <class F>
bool GuardedCall(UserMessages& messages, F&& call) noexcept {
  try {
    call();
    return true;
  } catch (const std::exception& error) {
    try {
      messages.ShowMessage(error.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      messages.ShowMessage(N_("Unknown error"));
    } catch (...) {
    }
  }
  return false;
}

// A desktop timer whose ticks run guarded.
inline std::unique_ptr<PlatformTimer> StartGuardedTimer(const Desktop& desktop, int intervalMs,
                                                        std::function<void()> tick) {
  return desktop.Time.StartTimer(intervalMs, [&messages = desktop.Messages, tick = std::move(tick)] {
    GuardedCall(messages, tick);
  });
}

}  // namespace nivarra
