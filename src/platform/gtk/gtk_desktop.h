#pragma once
// The Linux desktop with GTK 3, service by service: the globe's window,
// GLib's clock, message dialogs, the settings file, the autostart entry,
// the X selection of the running globe, GDK's monitors and gettext.

#include "platform/desktop.h"
#include "platform/gtk/autostart_entry.h"
#include "platform/gtk/gtk_clock.h"
#include "platform/gtk/gtk_globe_window.h"
#include "platform/gtk/gtk_language.h"
#include "platform/gtk/gtk_messages.h"
#include "platform/gtk/gtk_monitors.h"
#include "platform/gtk/gtk_running_globe.h"
#include "platform/gtk/settings_file.h"

namespace nivarra {

class GtkDesktop {
 public:
  // GTK must be initialised; argv[1] is the first argument. Throws
  // std::runtime_error when GTK cannot make the window.
  GtkDesktop(int argc, char** argv);

  Desktop Services() {
    return Desktop{clock_, window_, messages_, settings_, autostart_, instance_, monitors_, language_};
  }

 private:
  std::string program_;
  GtkClock clock_;
  GtkMonitors monitors_;
  GtkLanguage language_;
  SettingsFileStore settings_;
  AutostartEntryFile autostart_;
  GtkGlobeWindow window_;
  // After the window, which they use: they go first.
  GtkMessages messages_;
  GtkRunningGlobe instance_;
};

}  // namespace nivarra
