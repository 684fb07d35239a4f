#include "app/globe_app.h"

#include <exception>
#include <string>

#include "layout/loader.h"
#include "platform/guarded_call.h"

namespace nivarra {

GlobeApp::GlobeApp(Platform& platform) : platform_(platform) {
  form_.AttachPlatform(platform);
  platform.SetWindowEvents(this);
  InitFormFromLayout(form_);
  if (const std::string caption = platform.AutostartCaption(); !caption.empty()) {
    form_.MenuItem(GlobeSlot::pmiStartUp)->SetCaption(caption);
  }
  platform.PlaceWindow({form_.Left(), form_.Top()}, form_.Width(), form_.Height());
  for (GlobeSlot slot : {GlobeSlot::TimerGarland, GlobeSlot::timerCountSnow}) BindTimer(*form_.Timer(slot));
  Guarded([&] { Fire(form_.OnCreate, TEventArgs{.Sender = &form_}); });
}

GlobeApp::~GlobeApp() {
  timers_.clear();
  platform_.SetWindowEvents(nullptr);
  Guarded([&] { Fire(form_.OnDestroy, TEventArgs{.Sender = &form_}); });
}

void GlobeApp::Shown() {
  Guarded([&] { Fire(form_.OnShow, TEventArgs{.Sender = &form_}); });
}

void GlobeApp::MouseDown() {
  Guarded([&] { Fire(form_.OnMouseDown, TEventArgs{.Sender = &form_}); });
}

void GlobeApp::ContextMenu(ScreenPoint at) {
  Guarded([&] {
    if (form_.PopupMenu == nullptr) return;
    if (TMenuItem* chosen = platform_.TrackPopupMenu(form_.PopupMenu->Items(), at)) {
      chosen->Click();
      form_.UserChanged(chosen);
    }
  });
}

void GlobeApp::Moved(ScreenPoint topLeft) {
  form_.SetBounds(topLeft.X, topLeft.Y, form_.Width(), form_.Height());
  Guarded([&] { form_.UserChanged(nullptr); });
}

void GlobeApp::MonitorsChanged() {
  Guarded([&] { form_.MonitorsChanged(); });
}

void GlobeApp::DisplayScaleChanged(std::optional<ScreenPoint> suggested) {
  Guarded([&] { form_.DisplayScaleChanged(suggested); });
}

bool GlobeApp::CloseQuery() {
  bool canClose = true;
  const bool ok = Guarded([&] { Fire(form_.OnCloseQuery, TEventArgs{.Sender = &form_, .CanClose = &canClose}); });
  return ok && canClose;
}

bool GlobeApp::Guarded(const std::function<void()>& f) { return GuardedCall(platform_, f); }

void GlobeApp::BindTimer(TTimer& timer) {
  const std::size_t index = timers_.size();
  timers_.emplace_back();
  const auto start = [this, index](TTimer& t) {
    timers_[index].reset();
    if (t.Enabled() && t.Interval() > 0) {
      timers_[index] = platform_.StartTimer(t.Interval(), [this, &t] { Guarded([&] { t.Tick(); }); });
    }
  };
  timer.OnSettingsChanged = start;
  start(timer);
}

int RunGlobe(Platform& platform) {
  if (!platform.ClaimRunningGlobe(platform.FirstArgument() != "add")) return 0;
  GlobeApp app(platform);
  return app.Run();
}

}  // namespace nivarra
