#include "platform/gtk/gtk_messages.h"

#include <memory>
#include <string>

#include "core/translation.h"

namespace nivarra {
namespace {

using UniqueError = std::unique_ptr<GError, ReleaseWith<g_error_free>>;
using UniqueObject = std::unique_ptr<void, ReleaseWith<g_object_unref>>;

}  // namespace

UniqueWidget MakeMessageDialog(GtkWindow* parent, GtkMessageType type, std::string_view text) {
  const UniqueText valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  UniqueWidget dialog(gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s", valid.get()));
  gtk_window_set_title(GTK_WINDOW(dialog.get()), kProgramTitle);
  gtk_window_set_position(GTK_WINDOW(dialog.get()), GTK_WIN_POS_CENTER);
  return dialog;
}

void GtkMessages::ShowMessage(std::string_view untranslated) {
  const std::string text = Translate(untranslated);
  g_printerr("nivarra: %.*s\n", static_cast<int>(text.size()), text.data());
  if (window_.Ending() || window_.Widget() == nullptr) return;
  const UniqueWidget dialog = MakeMessageDialog(window_.DialogParent(), GTK_MESSAGE_INFO, text);
  window_.RunModal(dialog.get());
}

bool GtkMessages::OpenWebPage(std::string_view address) {
  const std::string uri(address);
  const UniqueObject context(gdk_display_get_app_launch_context(gdk_display_get_default()));
  GError* error = nullptr;
  const gboolean opened = g_app_info_launch_default_for_uri(uri.c_str(), G_APP_LAUNCH_CONTEXT(context.get()), &error);
  const UniqueError ignored(error);  // the caller tells the user
  return opened != FALSE;
}

}  // namespace nivarra
