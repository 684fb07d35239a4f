#include "platform/gtk/session_watch.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

namespace nivarra {
namespace {

constexpr const char* kSaver = "org.freedesktop.ScreenSaver";
constexpr const char* kGnomeSaver = "org.gnome.ScreenSaver";
constexpr const char* kLogin = "org.freedesktop.login1";
constexpr const char* kLoginSession = "org.freedesktop.login1.Session";
// logind answers at once or not at all.
constexpr int kLoginTimeoutMs = 2000;

struct FreeError {
  void operator()(GError* error) const noexcept { g_error_free(error); }
};
using UniqueError = std::unique_ptr<GError, FreeError>;
struct FreeText {
  void operator()(gchar* text) const noexcept { g_free(text); }
};
using UniqueText = std::unique_ptr<gchar, FreeText>;

// A connection to the bus, or null. Never starts a bus of its own: GLib
// would launch one for a session that has none.
GDBusConnection* Connect(GBusType type) {
  GError* error = nullptr;
  const UniqueText address(g_dbus_address_get_for_bus_sync(type, nullptr, &error));
  const UniqueError addressError(error);
  if (!address || std::string_view(address.get()).starts_with("autolaunch:")) return nullptr;
  error = nullptr;
  GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
      address.get(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, &error);
  const UniqueError connectError(error);
  if (connection != nullptr) g_dbus_connection_set_exit_on_close(connection, FALSE);
  return connection;
}

}  // namespace

SessionWatch::Subscription::Subscription(GDBusConnection* connection, const char* sender, const char* interface,
                                         const char* member, GDBusSignalCallback callback, gpointer self)
    : connection_(connection),
      id_(g_dbus_connection_signal_subscribe(connection, sender, interface, member, nullptr, nullptr,
                                             G_DBUS_SIGNAL_FLAGS_NONE, callback, self, nullptr)) {}

SessionWatch::Subscription::~Subscription() { g_dbus_connection_signal_unsubscribe(connection_, id_); }

SessionWatch::SessionWatch(std::function<void(bool away)> changed)
    : changed_(std::move(changed)), session_(Connect(G_BUS_TYPE_SESSION)), system_(Connect(G_BUS_TYPE_SYSTEM)) {
  if (session_) {
    // From whoever owns the name: any sender, either path screensavers use.
    for (const char* interface : {kSaver, kGnomeSaver}) {
      subscriptions_.push_back(
          std::make_unique<Subscription>(session_.get(), nullptr, interface, "ActiveChanged", &OnSignal, this));
    }
  }
  if (system_) {
    for (const char* member : {"Lock", "Unlock"}) {
      subscriptions_.push_back(
          std::make_unique<Subscription>(system_.get(), kLogin, kLoginSession, member, &OnSignal, this));
    }
    FindSession(true);
  }
}

SessionWatch::~SessionWatch() { g_cancellable_cancel(cancellable_.get()); }

void SessionWatch::FindSession(bool byProcess) {
  GVariant* arguments = nullptr;
  const char* method = "GetSessionByPID";
  if (byProcess) {
    arguments = g_variant_new("(u)", static_cast<guint32>(::getpid()));
  } else {
    const char* id = std::getenv("XDG_SESSION_ID");
    if (id == nullptr || *id == '\0') return;
    askedById_ = true;
    method = "GetSession";
    arguments = g_variant_new("(s)", id);
  }
  g_dbus_connection_call(system_.get(), kLogin, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", method,
                         arguments, G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, kLoginTimeoutMs,
                         cancellable_.get(), &OnSession, this);
}

void SessionWatch::OnSession(GObject* source, GAsyncResult* result, gpointer self) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  const UniqueError failed(error);
  // Cancelled: the watch is gone.
  if (failed && g_error_matches(failed.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;
  auto& watch = *static_cast<SessionWatch*>(self);
  if (reply == nullptr) {
    if (!watch.askedById_) watch.FindSession(false);
    return;
  }
  const char* path = nullptr;
  g_variant_get(reply, "(&o)", &path);
  watch.sessionPath_ = path;
  g_variant_unref(reply);
}

void SessionWatch::OnSignal(GDBusConnection*, const char*, const char* path, const char* interface,
                            const char* member, GVariant* parameters, gpointer self) {
  auto& watch = *static_cast<SessionWatch*>(self);
  if (std::strcmp(interface, kLoginSession) == 0) {
    if (!watch.sessionPath_.empty() && watch.sessionPath_ == path) {
      watch.Set(watch.locked_, std::strcmp(member, "Lock") == 0);
    }
    return;
  }
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
  gboolean active = FALSE;
  g_variant_get(parameters, "(b)", &active);
  watch.Set(std::strcmp(interface, kSaver) == 0 ? watch.saverActive_ : watch.gnomeSaverActive_, active != FALSE);
}

void SessionWatch::Set(bool& source, bool value) {
  const bool was = Away();
  source = value;
  if (Away() != was) changed_(Away());
}

}  // namespace nivarra
