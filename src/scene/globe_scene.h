#pragma once
// The globe's scene in its three parts: the state each frame steps (clocks,
// sky, snow, shake, countdown), the compositor that draws what a step says
// from the artwork, and, on the app's side, the presenter that hands the
// frames to the desktop. The scene is fed one FrameInput a frame and never
// sees the desktop.

#include <cstdint>
#include <optional>

#include "graphics/blend_rows.h"
#include "graphics/pixel_store.h"
#include "scene/artwork.h"
#include "scene/changed_rect.h"
#include "scene/compositor.h"
#include "scene/frame_input.h"
#include "scene/scene_settings.h"
#include "scene/scene_state.h"

namespace nivarra {

class GlobeScene {
  // First: Settings refers into the state.
  SceneState state_;
  SceneCompositor compositor_;

 public:
  GlobeScene() = default;
  GlobeScene(const GlobeScene&) = delete;
  GlobeScene& operator=(const GlobeScene&) = delete;

  // The empty globe every frame starts from: 32 bits per pixel,
  // premultiplied. Frames are not composed until there is one.
  void SetBaseImage(const PixelStore& base) { compositor_.SetBaseImage(base); }
  // The pictures and device places to draw with (null: nothing but the
  // empty globe); art must outlive its use. The base image is set anew at
  // the same scale.
  void SetArt(const Artwork* art) { compositor_.SetArt(art); }
  void ClearBaseImage() { compositor_.ClearBaseImage(); }
  const PixelStore& BaseImage() const { return compositor_.BaseImage(); }

  // The first show's part of the scene: the snow layers allocated and the
  // sun and moon at their start.
  void PrepareFirstShow() { state_.PrepareFirstShow(); }

  // The beats nobody saw, from the one after from up to to (ticks, beatMs
  // apart): each steps the clocks and the sky as a covered frame would,
  // drawing nothing, so the first frame after shows what a globe covered
  // all along would show. The local time of the last is input's.
  void CatchUp(const FrameInput& input, std::uint32_t from, std::uint32_t to, int beatMs) {
    state_.CatchUp(input, from, to, beatMs);
  }

  // Steps the scene with input and composes the frame; on a new local date
  // the holiday dates and their captions move on. Returns the frame; every
  // colour byte is at most its pixel's alpha.
  const PixelStore& ComposeFrame(const FrameInput& input, bool globeVisible) {
    return compositor_.Compose(state_.Step(input, globeVisible), state_);
  }

  // A frame that would come out as the last one composed is not composed
  // again: no clock fired, the sky shows the same, the plaque says the
  // same and no flake is drawn now or was last time; without flakes a sun
  // or moon that moved is composed anew in its own part only; and only the
  // part the glass front lets show is composed anew while the plaque stays
  // the same. On by default; off, every frame is composed whole (tests
  // compare the two).
  void SetSkipUnchanged(bool skip) { compositor_.SetSkipUnchanged(skip); }
  // How long after the tick now the frames, beatMs apart, can rest: no
  // frame can differ from the last one before the next firing of a clock
  // or the next local midnight, at most kLongestQuietMs; or until the frame
  // after a firing that shows nothing new, which then takes that firing's
  // beat first (StepBeat). Nothing while the sky follows the clock, while
  // the snow is stirred, or with skipping off, and nothing with snow on
  // (flakes may start at any frame) unless the last frame found the globe
  // covered and the desktop reports when that may change (coverReported).
  std::optional<FrameRest> RestFor(std::uint32_t now, double localNow, int beatMs, bool coverReported = false) const {
    if (!compositor_.SkipUnchanged() || !compositor_.HasFrame()) return std::nullopt;
    return state_.RestFor(now, localNow, beatMs, coverReported);
  }
  // The clocks and the sky stepped as the frame at tick (before input's
  // moment) would have.
  void StepBeat(const FrameInput& input, std::uint32_t tick) { state_.StepBeat(input, tick); }
  static constexpr std::uint32_t kLongestQuietMs = SceneState::kLongestQuietMs;
  // Whether the density walk may wait: while the snow is off nothing shows
  // it (with skipping off it never waits; tests compare the two).
  bool DensityCanRest() const { return compositor_.SkipUnchanged() && !Settings.SnowEnabled; }

  // The window stands at (x, y), in scene units, at tick: every place the
  // desktop reports while the globe is dragged. Its acceleration stirs the
  // snow (with ShakeEnabled; otherwise this does nothing).
  void GlassMoved(std::uint32_t tick, double x, double y) { state_.GlassMoved(tick, x, y); }
  // Whether the shake still moves something the snowfall alone would not.
  bool Stirred() const { return state_.Stirred(); }
  const SnowShake& Shake() const { return state_.Shake(); }

  // The instructions frames are drawn with: the fastest the machine has,
  // unless a test asks for another to compare the two.
  void SetBlendPath(BlendPath path) { compositor_.SetBlendPath(path); }

  // The frame composed last.
  const PixelStore& Frame() const { return compositor_.Frame(); }
  // Something else was shown in the window: the next frame is shown in any case.
  void ForgetPresentation() { compositor_.SetOnScreen(std::nullopt); }

  SceneState& State() { return state_; }
  const SceneState& State() const { return state_; }
  SceneCompositor& Compositor() { return compositor_; }
  const SceneCompositor& Compositor() const { return compositor_; }

  SceneSettings& Settings = state_.Settings;

  Sky& SkyState() { return state_.SkyState(); }
  const Sky& SkyState() const { return state_.SkyState(); }
  Snowfall& Snow() { return state_.Snow(); }
  const Snowfall& Snow() const { return state_.Snow(); }
  HolidayCountdown& Countdown() { return state_.Countdown(); }
  const HolidayCountdown& Countdown() const { return state_.Countdown(); }
  bool GlobeVisible() const { return state_.GlobeVisible(); }
  bool SkyTicked() const { return state_.SkyTicked(); }
  bool SpriteTicked() const { return state_.SpriteTicked(); }
};

}  // namespace nivarra
