#include "app/scene_presenter.h"

#include <optional>

#include "platform/platform.h"
#include "scene/globe_scene.h"

namespace nivarra {

FrameInput FrameInputFrom(Platform& platform) {
  return FrameInput{[&platform] { return platform.TickCount(); }, platform.LocalNow(),
                    [&platform](double at) { return platform.LocalTimeZone(at); }};
}

void ScenePresenter::RenderFrame(GlobeScene& scene, Platform& platform, int left, int top) {
  const SceneCompositor& compositor = scene.Compositor();
  if (compositor.BaseImage().IsEmpty()) return;  // the window is between two empty globes
  bool visible = true;
  if (platform.IsCoveredAt(left + compositor.Device(kProbe1X), top + compositor.Device(kProbe1Y))) {
    visible = !platform.IsCoveredAt(left + compositor.Device(kProbe2X), top + compositor.Device(kProbe2Y));
  }
  scene.ComposeFrame(FrameInputFrom(platform), visible);
  Present(scene, platform, left, top);
}

void ScenePresenter::Present(GlobeScene& scene, Platform& platform, int left, int top) {
  SceneCompositor& compositor = scene.Compositor();
  const std::uint8_t alpha = scene.Settings.TransparencyAlpha;
  const PixelStore& frame = compositor.Frame();
  const std::optional<int> onScreen = compositor.OnScreen();
  const bool samePlace = onScreen && left_ == left && top_ == top && alpha_ == alpha;
  std::optional<TRect> dirty;
  if (samePlace) {
    if (compositor.Composed() == *onScreen) return;  // nothing was composed since
    // Frames composed whole with the same plaque differ only where the
    // glass lets the scene show, and while flakes fall they differ there.
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
  const bool shown = dirty ? platform.PresentChanged(frame, left, top, alpha,
                                                     PixelRect{dirty->Left, dirty->Top, dirty->Right, dirty->Bottom})
                           : platform.Present(frame, left, top, alpha);
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
  platform.ShowMessage(platform.PresentFailedMessage());
}

}  // namespace nivarra
