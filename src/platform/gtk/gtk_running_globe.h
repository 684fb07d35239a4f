#pragma once
// The one globe that runs for the user on a Linux display: it owns an X
// selection named for the user; a plain start that finds it taken asks the
// owner to come to the front. The selection goes with the window from the
// screen, and comes back with it after a refused close.

#include <gtk/gtk.h>

#include <string>

#include "platform/gtk/gtk_globe_window.h"
#include "platform/program_instance.h"

namespace nivarra {

class GtkRunningGlobe : public ProgramInstance {
 public:
  // argv[1] is the first argument.
  GtkRunningGlobe(GtkGlobeWindow& window, int argc, char** argv);
  ~GtkRunningGlobe() override;
  GtkRunningGlobe(const GtkRunningGlobe&) = delete;
  GtkRunningGlobe& operator=(const GtkRunningGlobe&) = delete;

  std::string FirstArgument() override { return firstArgument_; }
  bool ClaimRunningGlobe(bool yieldToRunning) override;

 private:
  static GdkFilterReturn OnGlobeMessage(GdkXEvent* xevent, GdkEvent*, gpointer self);
  // Gives the globe's selection up: a start from now on runs on its own.
  void Release();

  GtkGlobeWindow& window_;
  std::string firstArgument_;
  unsigned long globeSelection_ = 0;  // the X atom naming this user's globe, once claimed
  unsigned long bringToFront_ = 0;  // the atom of kBringToFrontMessage, once owned
  bool ownsGlobeSelection_ = false;
};

}  // namespace nivarra
