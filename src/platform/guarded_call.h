#pragma once
// Runs a piece of the program that the desktop's event loop calls (an
// event, a timer tick): an error that escapes it is shown in a message box
// and goes no further, so the loop goes on.

#include <exception>

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
      platform.ShowMessage("Unknown error");
    } catch (...) {
    }
  }
  return false;
}

}  // namespace nivarra
