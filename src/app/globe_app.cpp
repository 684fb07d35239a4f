#include "app/globe_app.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "app/item_menu_model.h"
#include "layout/loader.h"
#include "scene/globe_scene.h"

namespace nivarra {

namespace {

// The stored "Language", empty when there is none (or it cannot be read:
// the system's language does as well).
std::string StoredLanguage(SettingsStore& settings) {
  try {
    const std::unique_ptr<SettingsKey> key = settings.OpenSettings(false);
    const std::optional<SettingValue> value = key != nullptr ? key->ReadValue("Language") : std::nullopt;
    if (const auto* text = value ? std::get_if<std::string>(&*value) : nullptr) return *text;
  } catch (const std::exception&) {
  }
  return {};
}

}  // namespace

GlobeApp::GlobeApp(const Desktop& desktop) : desktop_(desktop) {
  UseCatalog(desktop_.Language.OpenCatalog(StoredLanguage(desktop_.Settings)));
  form_.AttachDesktop(desktop_);
  desktop_.Window.SetWindowEvents(this);
  InitFormFromLayout(form_);
  if (const std::string caption = desktop_.StartWithSystem.Caption(); !caption.empty()) {
    form_.MenuItem(GlobeSlot::pmiStartUp)->SetCaption(caption);
  }
  desktop_.Window.PlaceWindow({form_.Left(), form_.Top()}, form_.Width(), form_.Height());
  // The density timer first: when both fall due together, the frame shows
  // the density of that moment.
  for (GlobeSlot slot : {GlobeSlot::timerCountSnow, GlobeSlot::TimerGarland}) BindTimer(*form_.Timer(slot));
  Guarded([&] { Fire(form_.OnCreate, TEventArgs{.Sender = &form_}); });
}

GlobeApp::~GlobeApp() {
  timers_.clear();
  desktop_.Window.SetWindowEvents(nullptr);
  Guarded([&] { Fire(form_.OnDestroy, TEventArgs{.Sender = &form_}); });
}

void GlobeApp::Shown() noexcept {
  Guarded([&] { Fire(form_.OnShow, TEventArgs{.Sender = &form_}); });
}

void GlobeApp::MouseDown() noexcept {
  Guarded([&] {
    WakeFrames();  // a drag may shake the snow: frames at every beat
    Fire(form_.OnMouseDown, TEventArgs{.Sender = &form_});
  });
}

void GlobeApp::ContextMenu(ScreenPoint at) noexcept {
  Guarded([&] {
    if (form_.PopupMenu == nullptr) return;
    form_.ShowSettingsOnMenu();
    const ItemMenuModel menu = BuildMenuModel(form_.PopupMenu->Items());
    if (TMenuItem* chosen = menu.ItemForCommand(desktop_.Window.TrackPopupMenu(menu, at))) {
      TakeOwedBeat();  // with the speed it came from
      form_.MenuCommand(*chosen);
      WakeFrames();
    }
  });
}

void GlobeApp::Moved(ScreenPoint topLeft) noexcept {
  Guarded([&] {
    form_.SetBounds(topLeft.X, topLeft.Y, form_.Width(), form_.Height());
    form_.GlassMoved(topLeft);
    form_.UserChanged(nullptr);
    form_.WindowMoved();
  });
  Guarded([&] { WakeFrames(); });  // stirred snow moves at every beat
}

void GlobeApp::MonitorsChanged() noexcept {
  Guarded([&] { form_.MonitorsChanged(); });
}

void GlobeApp::DisplayScaleChanged(std::optional<ScreenPoint> suggested) noexcept {
  Guarded([&] { form_.DisplayScaleChanged(suggested); });
}

void GlobeApp::VisibilityChanged(bool canBeSeen) noexcept {
  Guarded([&] {
    TakeOwedBeat();
    form_.SetSeen(canBeSeen);
  });
  if (canBeSeen) {
    Guarded([&] { WakeFrames(); });
  } else if (periods_.size() > kFrameTimer) {
    // Nobody can see it: no frame until somebody can. The density walk goes
    // on, as under a covering window.
    timers_[kFrameTimer].reset();
    periods_[kFrameTimer] = 0;
  }
}

void GlobeApp::CoverMayHaveChanged() noexcept {
  Guarded([&] { WakeFrames(); });  // uncovered, the snow goes on at the next beat
}

bool GlobeApp::CloseQuery() noexcept {
  bool canClose = true;
  const bool ok = Guarded([&] { Fire(form_.OnCloseQuery, TEventArgs{.Sender = &form_, .CanClose = &canClose}); });
  return ok && canClose;
}

void GlobeApp::BindTimer(TTimer& timer) {
  const std::size_t index = timers_.size();
  timers_.emplace_back();
  periods_.push_back(0);
  const auto start = [this, index](TTimer& t) {
    timers_[index].reset();
    periods_[index] = 0;
    if (index == kFrameTimer && !form_.Seen()) return;  // no frames while nobody can see them
    if (index == kDensityTimer && densityResting_) return;  // it wakes with the snow
    if (t.Enabled() && t.Interval() > 0) Arm(index, t, t.Interval());
  };
  timer.OnSettingsChanged = start;
  start(timer);
}

void GlobeApp::Arm(std::size_t index, TTimer& timer, int period) {
  periods_[index] = period;
  if (index == kDensityTimer) densityDue_ = desktop_.Time.TickCount() + static_cast<std::uint32_t>(period);
  // A desktop timer may be replaced from inside its own tick: each desktop
  // keeps a running tick's call alive until it has returned.
  timers_[index] = desktop_.Time.StartTimer(period, [this, &timer, index] {
    if (index == kFrameTimer) {
      // A density step due now comes first, also when its timer was
      // started later: the frame shows the density of its moment.
      Guarded([&] { TakeOwedBeat(); });
      Guarded([&] { TakeDueDensitySteps(); });
      Guarded([&] { timer.Tick(); });
      Guarded([&] { RestFrames(); });
      return;
    }
    Guarded([&] { timer.Tick(); });
    if (index == kDensityTimer) {
      if (periods_[index] != timer.Interval() && timer.Enabled() && timer.Interval() > 0) {
        // The first step after a rest came after what remained of its period.
        Arm(index, timer, timer.Interval());
      } else {
        densityDue_ = desktop_.Time.TickCount() + static_cast<std::uint32_t>(timer.Interval());
      }
      Guarded([&] { RestDensity(); });
    }
  });
}

void GlobeApp::RestFrames() {
  TTimer& frames = *form_.Timer(GlobeSlot::TimerGarland);
  const int beat = frames.Interval();
  if (!form_.Seen() || !frames.Enabled() || beat <= 0 || periods_.size() <= kFrameTimer) return;
  int period = beat;
  owedBeat_.reset();
  if (const auto rest = form_.RestFor(beat)) {
    // The first beat at or after the moment something can change.
    period = static_cast<int>((rest->Ms + beat - 1) / beat) * beat;
    if (rest->StepsBeatBefore) owedBeat_ = desktop_.Time.TickCount() + static_cast<std::uint32_t>(period - beat);
  }
  if (period != periods_[kFrameTimer]) Arm(kFrameTimer, frames, period);
}

void GlobeApp::TakeOwedBeat() {
  if (!owedBeat_) return;
  const std::uint32_t beat = *owedBeat_;
  owedBeat_.reset();
  // Woken before it, the frames beat again and the firing is theirs.
  if (static_cast<std::int32_t>(desktop_.Time.TickCount() - beat) >= 0) form_.StepBeat(beat);
}

void GlobeApp::RestDensity() {
  const GlobeScene* scene = form_.Scene();
  if (densityResting_ || periods_[kDensityTimer] == 0 || scene == nullptr || !scene->DensityCanRest()) return;
  timers_[kDensityTimer].reset();
  periods_[kDensityTimer] = 0;
  densityResting_ = true;
}

void GlobeApp::TakeDueDensitySteps() {
  const GlobeScene* scene = form_.Scene();
  const bool mayRest = scene != nullptr && scene->DensityCanRest();
  if (densityResting_ ? mayRest : periods_[kDensityTimer] == 0) return;
  TTimer& density = *form_.Timer(GlobeSlot::timerCountSnow);
  if (!density.Enabled() || density.Interval() <= 0) {
    densityResting_ = false;
    return;
  }
  const std::uint32_t now = desktop_.Time.TickCount();
  const auto interval = static_cast<std::uint32_t>(density.Interval());
  std::uint32_t ahead = densityDue_ - now;
  if (!densityResting_ && ahead != 0 && ahead <= interval) return;  // no step has come yet
  densityResting_ = false;
  if (ahead == 0 || ahead > interval) {
    // The step due then and one a period after it until now, in order: each
    // draws its random numbers where the running timer's would have.
    const std::uint32_t behind = now - densityDue_;
    const std::uint32_t steps = std::min(behind / interval + 1, kMostMissedDensitySteps);
    for (std::uint32_t i = 0; i < steps; ++i) Guarded([&] { density.Tick(); });
    ahead = interval - behind % interval;
  }
  Arm(kDensityTimer, density, static_cast<int>(ahead));
}

void GlobeApp::WakeFrames() {
  TakeOwedBeat();
  TakeDueDensitySteps();
  TTimer& frames = *form_.Timer(GlobeSlot::TimerGarland);
  if (form_.Seen() && frames.Enabled() && frames.Interval() > 0 && periods_.size() > kFrameTimer &&
      periods_[kFrameTimer] != frames.Interval()) {
    Arm(kFrameTimer, frames, frames.Interval());
  }
}

int RunGlobe(const Desktop& desktop) {
  if (!desktop.Instance.ClaimRunningGlobe(desktop.Instance.FirstArgument() != "add")) return 0;
  GlobeApp app(desktop);
  return app.Run();
}

}  // namespace nivarra
