#pragma once
// Message dialogs of the Linux desktop, over the globe while it is on the
// screen, and web pages opened with the desktop's default handler.

#include <gtk/gtk.h>

#include <string_view>

#include "platform/gtk/glib_handles.h"
#include "platform/gtk/gtk_globe_window.h"
#include "platform/user_messages.h"

namespace nivarra {

// A message dialog with an OK button, titled with the program's name; text
// need not be valid UTF-8.
UniqueWidget MakeMessageDialog(GtkWindow* parent, GtkMessageType type, std::string_view text);

class GtkMessages : public UserMessages {
 public:
  explicit GtkMessages(GtkGlobeWindow& window) : window_(window) {}
  // Also on stderr; once the session ends, there only.
  void ShowMessage(std::string_view text) override;
  bool OpenWebPage(std::string_view address) override;

 private:
  GtkGlobeWindow& window_;
};

}  // namespace nivarra
