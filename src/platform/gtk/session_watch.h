#pragma once
// Whether the session's owner is away from the screen, as the session's
// services tell over D-Bus: a screensaver running (its ActiveChanged
// signals, under either of the names screensavers use) or the session
// locked (logind's Lock and Unlock for this session). Without a bus, or
// without logind, that source says nothing, and no error is shown.

#include <gio/gio.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace nivarra {

class SessionWatch {
 public:
  // changed(away) is called on every change, never from the constructor.
  explicit SessionWatch(std::function<void(bool away)> changed);
  ~SessionWatch();
  SessionWatch(const SessionWatch&) = delete;
  SessionWatch& operator=(const SessionWatch&) = delete;

  bool Away() const { return saverActive_ || gnomeSaverActive_ || locked_; }

 private:
  struct Unref {
    void operator()(gpointer object) const noexcept { g_object_unref(object); }
  };
  using UniqueConnection = std::unique_ptr<GDBusConnection, Unref>;
  using UniqueCancellable = std::unique_ptr<GCancellable, Unref>;
  // A signal subscription, ended when this goes.
  class Subscription {
   public:
    Subscription(GDBusConnection* connection, const char* sender, const char* interface, const char* member,
                 GDBusSignalCallback callback, gpointer self);
    ~Subscription();
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

   private:
    GDBusConnection* connection_;
    guint id_;
  };

  static void OnSignal(GDBusConnection*, const char* sender, const char* path, const char* interface,
                       const char* member, GVariant* parameters, gpointer self);
  static void OnSession(GObject* source, GAsyncResult* result, gpointer self);
  // Asks logind for this session's object: by the process, then by
  // $XDG_SESSION_ID.
  void FindSession(bool byProcess);
  void Set(bool& source, bool value);

  std::function<void(bool)> changed_;
  UniqueCancellable cancellable_{g_cancellable_new()};
  UniqueConnection session_;
  UniqueConnection system_;
  std::string sessionPath_;  // logind's object for this session, once known
  bool askedById_ = false;
  bool saverActive_ = false;
  bool gnomeSaverActive_ = false;
  bool locked_ = false;
  // Last, so they end first: no signal arrives on a half-destroyed watch.
  std::vector<std::unique_ptr<Subscription>> subscriptions_;
};

}  // namespace nivarra
