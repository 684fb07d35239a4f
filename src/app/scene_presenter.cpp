#include "app/scene_presenter.h"

#include <optional>

#include "platform/desktop.h"
#include "scene/globe_scene.h"

namespace nivarra {

FrameInput FrameInputFrom(Clock& clock) {
  return FrameInput{[&clock] { return clock.TickCount(); }, clock.LocalNow(),
                    [&clock](double at) { return clock.LocalTimeZone(at); }};
}

void ScenePresenter::ComposeInWindowMemory(GlobeScene& scene, const Desktop& desktop) {
  scene.Compositor().SetFrameMemory(
      [&window = desktop.Window](int width, int height) { return window.FrameMemory(width, height); });
}

void ScenePresenter::RenderFrame(GlobeScene& scene, const Desktop& desktop, int left, int top) {
  const SceneCompositor& compositor = scene.Compositor();
  if (compositor.BaseImage().IsEmpty()) return;  // the window is between two empty globes
  bool visible = true;
  if (desktop.Window.IsCoveredAt(left + compositor.Device(kProbe1X), top + compositor.Device(kProbe1Y))) {
    visible = !desktop.Window.IsCoveredAt(left + compositor.Device(kProbe2X), top + compositor.Device(kProbe2Y));
  }
  scene.ComposeFrame(FrameInputFrom(desktop.Time), visible);
  Present(scene, desktop, left, top);
}

void ScenePresenter::Present(GlobeScene& scene, const Desktop& desktop, int left, int top) {
  SceneCompositor& compositor = scene.Compositor();
  const std::uint8_t alpha = scene.Settings.TransparencyAlpha;
  const PixelStore& frame = compositor.Frame();
  const std::optional<int> onScreen = compositor.OnScreen();
  const bool samePlace = onScreen && left_ == left && top_ == top && alpha_ == alpha;
  std::optional<TRect> dirty;
  if (samePlace) {
    if (compositor.Composed() == *onScreen) return;  // nothing was composed since
    // Frames composed whole with the same plaque differ only where the
    // glass lets the scene show; while flakes fall the live area changes
    // nearly whole from frame to frame, and looking for the changed part
    // there costs more than it saves.
    const std::optional<TRect> within = compositor.BuffersDifferWithin();
    const TRect whole{0, 0, frame.Width(), frame.Height()};
    dirty = within && compositor.FlakesInFrame() ? within
                                                 : ChangedRect(frame, compositor.Buffer(*onScreen), within.value_or(whole));
    if (!dirty) {
      // The same pixels: either buffer stands for what is on the screen.
      compositor.SetOnScreen(compositor.Composed());
      return;
    }
  }
  const bool shown = dirty ? desktop.Window.PresentChanged(frame, left, top, alpha,
                                                           PixelRect{dirty->Left, dirty->Top, dirty->Right, dirty->Bottom})
                           : desktop.Window.Present(frame, left, top, alpha);
  if (shown) {
    compositor.SetOnScreen(compositor.Composed());
    left_ = left;
    top_ = top;
    alpha_ = alpha;
    failureReported_ = false;
    return;
  }
  compositor.SetOnScreen(std::nullopt);
  if (failureReported_) return;
  // Set before the box opens: frames keep coming while it is open.
  failureReported_ = true;
  desktop.Messages.ShowMessage(desktop.Window.PresentFailedMessage());
}

}  // namespace nivarra
