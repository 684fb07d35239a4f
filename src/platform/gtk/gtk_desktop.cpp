#include "platform/gtk/gtk_desktop.h"

#include "platform/gtk/executable_path.h"

namespace nivarra {

GtkDesktop::GtkDesktop(int argc, char** argv)
    : program_(ExecutablePath(argc > 0 ? argv[0] : nullptr)),
      language_(program_),
      settings_(DefaultSettingsFile()),
      autostart_(DefaultAutostartEntry(), program_),
      window_(clock_),
      messages_(window_),
      instance_(window_, argc, argv) {}

}  // namespace nivarra
