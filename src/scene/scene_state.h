#pragma once
// The part of the globe a frame steps: the two clocks, the sky, the snow,
// the shake and the countdown. It draws nothing: each step says what the
// frame shows, and the compositor draws it.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "scene/animation_clock.h"
#include "scene/countdown.h"
#include "scene/frame_input.h"
#include "scene/real_time_sky.h"
#include "scene/scene_settings.h"
#include "scene/shake.h"
#include "scene/sky.h"
#include "scene/snowfall.h"

namespace nivarra {

// What the sky shows in a frame: the strip's offset and up to two bodies.
struct SkyShot {
  struct Body {
    SkyBody Which = SkyBody::Sun;
    int Frame = 1;
    int X = 0;
    int Y = 0;
    friend bool operator==(const Body&, const Body&) = default;
  };
  int StripOffset = 0;
  int BodyCount = 0;
  std::array<Body, 2> Bodies{};
  friend bool operator==(const SkyShot&, const SkyShot&) = default;
};

// Everything a frame without flakes is made of.
struct FrameKey {
  SkyShot Sky;
  int DaysLeft = -1;
  bool Flakes = false;
  bool Stirred = false;
  friend bool operator==(const FrameKey&, const FrameKey&) = default;
};

// How long the frames may rest after a frame: no frame before Ms can show
// anything new. With StepsBeatBefore the beat one frame interval before Ms
// fires a clock whose change only the frame after it shows; the frame at Ms
// takes that beat's step first (SceneState::StepBeat).
struct FrameRest {
  std::uint32_t Ms = 0;
  bool StepsBeatBefore = false;
};

// One frame's step.
struct FrameStep {
  FrameKey Key;
  CountdownChoice Choice;
  bool GlobeVisible = true;
  bool Snowing = true;
};

class SceneState {
 public:
  SceneSettings Settings;
  // What the plaque counts to, asked every frame (none without it), and
  // who hears of the holidays' new dates after a local midnight.
  std::function<CountdownChoice()> CountdownChoiceNow;
  std::function<void(const HolidayCountdown&)> HolidaysMoved;

  // The first show's part: the snow layers allocated and the sun and moon
  // at their start.
  void PrepareFirstShow();

  // Steps the clocks, the sky, the holidays' dates and the shake for a
  // frame the globe shows (or, covered, does not); the snow steps layer by
  // layer as the frame draws it (StepFlakes).
  FrameStep Step(const FrameInput& input, bool globeVisible);

  // The beats nobody saw, from the one after from up to to (ticks, beatMs
  // apart): each steps the clocks and the sky as a covered frame would. The
  // local time of the last is input's.
  void CatchUp(const FrameInput& input, std::uint32_t from, std::uint32_t to, int beatMs);
  // The clocks and the sky stepped as a frame at tick (at or before
  // input's) would have; nothing else of the frame changes.
  void StepBeat(const FrameInput& input, std::uint32_t tick);

  // Steps a snow layer and hands each flake to draw(kind, x, y), in scene
  // units: stirred, where the shake moved it, and the shake's extra flakes too.
  template <class Draw>
  void StepFlakes(int layer, const FrameStep& step, Draw&& draw) {
    snow_.StepLayerInto(layer, flakeSpots_, step.GlobeVisible, step.Snowing);
    if (!step.Key.Stirred) {
      for (const FlakeSpot& flake : flakeSpots_) draw(flake.Kind, flake.X, flake.Y);
      return;
    }
    // Until the last stirred flake settles, the snow is drawn off its places.
    for (const FlakeSpot& flake : flakeSpots_) {
      const FlakePlace at = shake_.Place(layer, flake.Index, {flake.X, flake.Y});
      draw(flake.Kind, at.X, at.Y);
    }
    if (step.GlobeVisible) shake_.ForEachExtra(layer, draw);
  }

  // How long after the tick now the frames, beatMs apart, can rest (see
  // GlobeScene::RestFor).
  std::optional<FrameRest> RestFor(std::uint32_t now, double localNow, int beatMs, bool coverReported) const;
  static constexpr std::uint32_t kLongestQuietMs = 1000;

  // The window stands at (x, y), in scene units, at tick (with ShakeEnabled).
  void GlassMoved(std::uint32_t tick, double x, double y);
  bool Stirred() const { return shake_.Stirred(); }
  const SnowShake& Shake() const { return shake_; }

  Sky& SkyState() { return sky_; }
  const Sky& SkyState() const { return sky_; }
  Snowfall& Snow() { return snow_; }
  const Snowfall& Snow() const { return snow_; }
  HolidayCountdown& Countdown() { return countdown_; }
  const HolidayCountdown& Countdown() const { return countdown_; }
  bool GlobeVisible() const { return globeVisible_; }
  bool SkyTicked() const { return skyTick_; }
  bool SpriteTicked() const { return spriteTick_; }

 private:
  // A frame's steps of the clocks and the sky; what the sky shows.
  SkyShot StepSky(const std::function<std::uint32_t()>& readTick, const FrameInput& input, double now);
  // What the sky shows in a frame that steps sky with these clocks.
  static SkyShot ShowSky(Sky& sky, bool skyTick, bool spriteTick, bool inPlace);

  Sky sky_;
  RealTimeSky realTime_;
  Snowfall snow_;
  SnowShake shake_;
  HolidayCountdown countdown_;
  AnimationClock skyClock_;
  AnimationClock spriteClock_;
  bool globeVisible_ = true;
  bool skyTick_ = false;
  bool spriteTick_ = false;
  SkyShot shown_;  // what the sky showed in the last frame
  // The flakes of the layer being drawn, reused from frame to frame.
  std::vector<FlakeSpot> flakeSpots_;
};

}  // namespace nivarra
