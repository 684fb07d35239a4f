// The Linux program: the globe on GTK 3 over X11 (XWayland in a Wayland
// session), with the window's layout and icon linked into the executable.

#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "app/globe_app.h"
#include "layout/resources.h"
#include "platform/gtk/gtk_desktop.h"

namespace nivarra {
std::vector<std::span<const std::uint8_t>> WindowIconPngs();
}  // namespace nivarra

namespace {

// The first lines of the help, also shown under an unknown option.
constexpr const char* kUsage =
    "Usage: nivarra [add]\n"
    "       nivarra -h | --help | --version\n";

// The rest of it, a format whose %s is the settings file.
constexpr const char* kHelp =
    "\n"
    "A snow globe for the desktop. Drag it with the mouse; right-click it for\n"
    "its menu:\n"
    "  More Christmas stuff...  opens a web page about Christmas traditions\n"
    "  Speed of animation       Slow, Normal, Fast, Quickly, or Real time: a sky\n"
    "                           that keeps the time of day\n"
    "  Countdown                what the plaque counts the days to: Christmas,\n"
    "                           New Year or Julian Christmas\n"
    "  Options                  Snow (for slow PC) on or off; Transparent, 0%% to\n"
    "                           90%%; Size, 75%% to 200%%; Always OnTop; Shake the\n"
    "                           snow when moved\n"
    "  Start Nivarra when I log in\n"
    "                           starts the globe with the session\n"
    "  Exit                     closes the globe\n"
    "\n"
    "The globe remembers its place and choices in\n"
    "%s\n"
    "Starting nivarra again while it runs brings the running globe to the front.\n"
    "\n"
    "  add          start another globe, at a random place; it reads the\n"
    "               settings and never writes them\n"
    "  -h, --help   show this help and exit\n"
    "  --version    show the version and exit\n";

// Answers --help and --version, and turns away other options, before GTK
// needs a display. Returns the exit status, or nothing to start the globe.
std::optional<int> AnswerCommandLine(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::printf(kHelp, nivarra::DefaultSettingsFile().c_str());
      return 0;
    }
    if (arg == "--version") {
      std::printf("nivarra %s\n", NIVARRA_VERSION);
      return 0;
    }
    if (arg.starts_with('-')) {
      std::fprintf(stderr, "nivarra: unknown option %s\n%sTry \"nivarra --help\" for more.\n", argv[i], kUsage);
      return 2;
    }
  }
  return std::nullopt;
}

void FreePixbufList(GList* list) { g_list_free_full(list, g_object_unref); }

// The installed icon follows the icon theme; a program run from anywhere
// else still shows its own.
void SetWindowIcon() {
  if (gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), "nivarra")) {
    gtk_window_set_default_icon_name("nivarra");
    return;
  }
  using UniqueLoader = std::unique_ptr<GdkPixbufLoader, nivarra::ReleaseWith<g_object_unref>>;
  using UniqueList = std::unique_ptr<GList, nivarra::ReleaseWith<FreePixbufList>>;
  UniqueList icons;
  for (const std::span<const std::uint8_t> png : nivarra::WindowIconPngs()) {
    const UniqueLoader loader(gdk_pixbuf_loader_new_with_type("png", nullptr));
    if (!loader) return;
    const bool written = gdk_pixbuf_loader_write(loader.get(), png.data(), png.size(), nullptr);
    if (!gdk_pixbuf_loader_close(loader.get(), nullptr) || !written) continue;
    if (GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get())) {
      icons.reset(g_list_append(icons.release(), g_object_ref(pixbuf)));
    }
  }
  if (icons) gtk_window_set_default_icon_list(icons.get());
}

void ReportFatal(std::string_view text) {
  std::fprintf(stderr, "nivarra: %.*s\n", static_cast<int>(text.size()), text.data());
  const nivarra::UniqueWidget dialog = nivarra::MakeMessageDialog(nullptr, GTK_MESSAGE_ERROR, text);
  gtk_dialog_run(GTK_DIALOG(dialog.get()));
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::optional<int> status = AnswerCommandLine(argc, argv)) return *status;
  // The cover probe reads X11's stacking order: in a Wayland session the
  // globe runs through XWayland.
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "nivarra: cannot open the display (an X11 or XWayland display is needed)\n");
    return 1;
  }
  SetWindowIcon();
  try {
    nivarra::RegisterLayoutResources();
    nivarra::GtkDesktop desktop(argc, argv);
    return nivarra::RunGlobe(desktop.Services());
  } catch (const std::exception& error) {
    ReportFatal(error.what());
  } catch (...) {
    ReportFatal(nivarra::Translate("Nivarra stopped after an unknown error."));
  }
  return 1;
}
