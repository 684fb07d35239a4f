/* A desktop's screensaver as programs see it on the session bus, for runs
 * on private desktops: owns org.freedesktop.ScreenSaver, answers GetActive
 * and emits ActiveChanged (on /org/freedesktop/ScreenSaver) for each line
 * "true" or "false" on stdin. Prints "ready" once the name is its own and
 * ends at the end of stdin.
 *
 *   cc -o screensaver screensaver.c $(pkg-config --cflags --libs gio-2.0)
 *   DBUS_SESSION_BUS_ADDRESS=... screensaver <commands
 */
#include <gio/gio.h>
#include <stdio.h>
#include <string.h>

static const char kPath[] = "/org/freedesktop/ScreenSaver";
static const char kInterface[] = "org.freedesktop.ScreenSaver";
static const char kIntrospection[] =
    "<node><interface name='org.freedesktop.ScreenSaver'>"
    "<method name='GetActive'><arg type='b' direction='out'/></method>"
    "<signal name='ActiveChanged'><arg type='b'/></signal>"
    "</interface></node>";

static GDBusConnection *bus;
static GMainLoop *loop;
static gboolean active;

static void on_call(GDBusConnection *connection, const char *sender, const char *path, const char *interface,
                    const char *method, GVariant *parameters, GDBusMethodInvocation *invocation, gpointer data) {
  if (strcmp(method, "GetActive") == 0) {
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(b)", active));
  } else {
    g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD, "%s", method);
  }
}

static const GDBusInterfaceVTable kVTable = {on_call, NULL, NULL};

static void on_bus(GDBusConnection *connection, const char *name, gpointer data) {
  GDBusNodeInfo *node = g_dbus_node_info_new_for_xml(kIntrospection, NULL);
  bus = connection;
  g_dbus_connection_register_object(connection, kPath, node->interfaces[0], &kVTable, NULL, NULL, NULL);
  g_dbus_node_info_unref(node);
}

static void on_name(GDBusConnection *connection, const char *name, gpointer data) {
  printf("ready\n");
  fflush(stdout);
}

static void on_name_lost(GDBusConnection *connection, const char *name, gpointer data) {
  fprintf(stderr, "screensaver: could not own %s\n", name);
  g_main_loop_quit(loop);
}

static gboolean on_line(GIOChannel *input, GIOCondition condition, gpointer data) {
  char *line = NULL;
  if (g_io_channel_read_line(input, &line, NULL, NULL, NULL) != G_IO_STATUS_NORMAL) {
    g_main_loop_quit(loop);
    return FALSE;
  }
  g_strstrip(line);
  active = strcmp(line, "true") == 0;
  g_free(line);
  if (bus != NULL) {
    g_dbus_connection_emit_signal(bus, NULL, kPath, kInterface, "ActiveChanged", g_variant_new("(b)", active), NULL);
    g_dbus_connection_flush_sync(bus, NULL, NULL);
  }
  return TRUE;
}

int main(void) {
  GIOChannel *input = g_io_channel_unix_new(0);
  loop = g_main_loop_new(NULL, FALSE);
  g_bus_own_name(G_BUS_TYPE_SESSION, kInterface, G_BUS_NAME_OWNER_FLAGS_NONE, on_bus, on_name, on_name_lost, NULL,
                 NULL);
  g_io_add_watch(input, G_IO_IN | G_IO_HUP, on_line, NULL);
  g_main_loop_run(loop);
  return 0;
}
