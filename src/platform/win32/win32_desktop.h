#pragma once
// The Windows desktop, service by service: the globe's window, the system's
// clock and timers, message boxes, the registry's settings and Run key, the
// claim of the running globe, the monitors and the catalogs inside the
// program.

#include "platform/desktop.h"
#include "platform/win32/registry_settings.h"
#include "platform/win32/run_key_autostart.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_globe_window.h"
#include "platform/win32/win32_language.h"
#include "platform/win32/win32_messages.h"
#include "platform/win32/win32_monitors.h"
#include "platform/win32/win32_running_globe.h"

namespace nivarra {

class Win32Desktop {
 public:
  // Throws std::system_error when the system refuses the windows.
  Win32Desktop() : messages_(window_), instance_(window_) {}

  Desktop Services() {
    return Desktop{clock_, window_, messages_, settings_, autostart_, instance_, monitors_, language_};
  }

 private:
  ComApartment com_;
  Win32Clock clock_;
  Win32Monitors monitors_;
  Win32Language language_;
  RegistrySettings settings_;
  RunKeyAutostart autostart_;
  Win32GlobeWindow window_;
  // After the window, which they use: they go first.
  Win32Messages messages_;
  Win32RunningGlobe instance_;
};

}  // namespace nivarra
