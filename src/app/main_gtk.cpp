// The Linux program: the globe on GTK 3 over X11 (XWayland in a Wayland
// session), with the window's layout linked into the executable.

#include <cstdio>
#include <exception>
#include <string_view>

#include "app/globe_app.h"
#include "platform/gtk/gtk_platform.h"

namespace nivarra {
void RegisterLayoutResources();
}

namespace {

void ReportFatal(std::string_view text) {
  std::fprintf(stderr, "nivarra: %.*s\n", static_cast<int>(text.size()), text.data());
  const nivarra::UniqueWidget dialog = nivarra::MakeMessageDialog(nullptr, GTK_MESSAGE_ERROR, text);
  gtk_dialog_run(GTK_DIALOG(dialog.get()));
}

}  // namespace

int main(int argc, char** argv) {
  // The cover probe reads X11's stacking order: in a Wayland session the
  // globe runs through XWayland.
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "nivarra: cannot open the display (an X11 or XWayland display is needed)\n");
    return 1;
  }
  try {
    nivarra::RegisterLayoutResources();
    nivarra::GtkPlatform platform(argc, argv);
    return nivarra::RunGlobe(platform);
  } catch (const std::exception& error) {
    ReportFatal(error.what());
  } catch (...) {
    ReportFatal("Nivarra stopped after an unknown error.");
  }
  return 1;
}
