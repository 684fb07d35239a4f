#pragma once
// GLib's and GTK's objects owned the C++ way.

#include <gtk/gtk.h>

#include <memory>
#include <utility>

namespace nivarra {

// Releases a C library's object with its own function.
template <auto Release>
struct ReleaseWith {
  template <class T>
  void operator()(T* object) const noexcept {
    Release(object);
  }
};

using UniqueWidget = std::unique_ptr<GtkWidget, ReleaseWith<gtk_widget_destroy>>;
using UniqueText = std::unique_ptr<gchar, ReleaseWith<g_free>>;
using UniqueDateTime = std::unique_ptr<GDateTime, ReleaseWith<g_date_time_unref>>;

// A GLib event source (timeout, signal watch) removed when this goes.
class SourceHandle {
 public:
  SourceHandle() = default;
  explicit SourceHandle(guint id) : id_(id) {}
  ~SourceHandle() {
    if (id_ != 0) g_source_remove(id_);
  }
  SourceHandle(SourceHandle&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
  SourceHandle& operator=(SourceHandle&& other) noexcept {
    if (this != &other) {
      if (id_ != 0) g_source_remove(id_);
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }

 private:
  guint id_ = 0;
};

}  // namespace nivarra
