#pragma once
// The scene on the desktop: each frame fed from the desktop's clock, probed
// for cover, composed and shown, only as far as it changed.

#include <cstdint>

#include "scene/frame_input.h"

namespace nivarra {

class Clock;
class GlobeScene;
struct Desktop;

// The probe points: the globe counts as covered only when both show
// another window.
inline constexpr int kProbe1X = 75, kProbe1Y = 40;
inline constexpr int kProbe2X = 220, kProbe2Y = 220;

// A frame's input from the desktop's clock: its tick count, local time and zone.
FrameInput FrameInputFrom(Clock& clock);

class ScenePresenter {
 public:
  // Frames are composed straight into memory the desktop's window shows
  // them from, where it has such memory to give.
  static void ComposeInWindowMemory(GlobeScene& scene, const Desktop& desktop);

  // RenderFrame: probes whether other windows cover the globe standing at
  // (left, top), composes a frame and shows it there. A frame identical to
  // the one last shown at the same place and alpha is not shown again. A
  // refused presentation is reported once, until one succeeds again.
  void RenderFrame(GlobeScene& scene, const Desktop& desktop, int left, int top);

 private:
  void Present(GlobeScene& scene, const Desktop& desktop, int left, int top);

  // Where and with which alpha the frame on the screen was shown.
  int left_ = 0;
  int top_ = 0;
  std::uint8_t alpha_ = 0;
  bool failureReported_ = false;
};

}  // namespace nivarra
