#pragma once
// One frame of the globe, composed back to front on a copy of the empty
// globe (sky strip, stars, sun or setting sun, moon, hills, far snow,
// houses, middle snow, snowdrift, near snow, glass front, countdown) and
// handed to the desktop with the user's transparency.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "graphics/blend_rows.h"
#include "graphics/pixel_store.h"
#include "graphics/rect.h"
#include "scene/animation_clock.h"
#include "scene/artwork.h"
#include "scene/countdown.h"
#include "scene/real_time_sky.h"
#include "scene/shake.h"
#include "scene/sky.h"
#include "scene/snowfall.h"
#include "scene/sprite.h"
#include "scene/translucent_runs.h"

namespace nivarra {

class Clock;
struct Desktop;

// The frame timer's period and the sky's AnimationInterval of one speed.
struct AnimationSpeed {
  int FramePeriodMs = 20;
  std::int32_t AnimationInterval = 0;
};

enum class SpeedLevel { Slow = 0, Normal = 1, Fast = 2, Quickly = 3 };

constexpr AnimationSpeed SpeedTiming(SpeedLevel level) {
  switch (level) {
    case SpeedLevel::Slow: return {20, 2000};
    case SpeedLevel::Normal: return {20, 1000};
    case SpeedLevel::Fast: return {20, 250};
    case SpeedLevel::Quickly: return {10, 40};
  }
  return {20, 1000};
}

// What the menu and the stored settings decide for the frame.
struct SceneSettings {
  std::int32_t AnimationInterval = 0;
  bool SnowEnabled = true;
  std::uint8_t TransparencyAlpha = 0;
  // The sky stands where the local clock puts it in its cycle; the sun's
  // and moon's frames still follow the clocks.
  bool SkyFollowsClock = false;
  // The place whose sunrise and sunset the sky follows, where the user
  // has stored one; otherwise the time zone's.
  std::optional<double> Latitude;
  std::optional<double> Longitude;
  // Moving the window stirs the snow.
  bool ShakeEnabled = true;
};

// The probe points: the globe counts as covered only when both show
// another window.
inline constexpr int kProbe1X = 75, kProbe1Y = 40;
inline constexpr int kProbe2X = 220, kProbe2Y = 220;

// The smallest rectangle holding every pixel in which two frames of the
// same geometry differ; nothing when they are the same. Frames of another
// geometry differ everywhere.
std::optional<TRect> ChangedRect(const PixelStore& a, const PixelStore& b);
// The same where only the pixels within may differ.
std::optional<TRect> ChangedRect(const PixelStore& a, const PixelStore& b, const TRect& within);

class GlobeScene {
 public:
  GlobeScene();

  // The empty globe every frame starts from: 32 bits per pixel,
  // premultiplied. Frames are not composed until there is one.
  void SetBaseImage(const PixelStore& base);
  // The pictures and device places to draw with (null: nothing but the
  // empty globe); art must outlive its use. The base image is set anew at
  // the same scale.
  void SetArt(const Artwork* art);
  void ClearBaseImage();
  const PixelStore& BaseImage() const { return base_; }

  // The first show's part of the scene: the snow layers allocated and the
  // sun and moon at their start.
  void PrepareFirstShow();

  // RenderFrame: probes whether other windows cover the globe standing at
  // (left, top), composes a frame and shows it there. A frame identical to
  // the one last shown at the same place and alpha is not shown again. A
  // refused presentation is reported once, until one succeeds again.
  void RenderFrame(const Desktop& desktop, int left, int top);

  // The beats nobody saw, from the one after from up to to (ticks, beatMs
  // apart): each steps the clocks and the sky as a covered frame would,
  // drawing nothing, so the first frame after shows what a globe covered
  // all along would show. The local time of the last is the platform's now.
  void CatchUp(Clock& platform, std::uint32_t from, std::uint32_t to, int beatMs);

  // Composes a frame without probing or showing it; the clocks read the
  // platform's tick count and the countdown its local time; on a new local
  // date the holiday dates and the form's countdown captions move on.
  // Returns the frame; every colour byte is at most its pixel's alpha.
  const PixelStore& ComposeFrame(Clock& platform, bool globeVisible);

  // A frame that would come out as the last one composed is not composed
  // again: no clock fired, the sky shows the same, the plaque says the
  // same and no flake is drawn now or was last time; without flakes a sun
  // or moon that moved is composed anew in its own part only; and only the
  // part the glass front lets show is composed anew while the plaque stays
  // the same. On by default; off, every frame is composed whole (tests
  // compare the two).
  void SetSkipUnchanged(bool skip) { skipUnchanged_ = skip; }
  // How many milliseconds after the tick now no frame can differ from the
  // last one (the next firing of a clock, the next local midnight), at
  // most kLongestQuietMs; nothing while the sky follows the clock, while
  // the snow is stirred, or with skipping off, and nothing with snow on
  // (flakes may start at any frame) unless the last frame found the globe
  // covered and the desktop reports when that may change (coverReported).
  std::optional<std::uint32_t> QuietFor(std::uint32_t now, double localNow, bool coverReported = false) const;
  static constexpr std::uint32_t kLongestQuietMs = 1000;

  // The window stands at (x, y), in scene units, at tick: every place the
  // desktop reports while the globe is dragged. Its acceleration stirs the
  // snow (with ShakeEnabled; otherwise this does nothing).
  void GlassMoved(std::uint32_t tick, double x, double y);
  // Whether the shake still moves something the snowfall alone would not.
  bool Stirred() const { return shake_.Stirred(); }
  const SnowShake& Shake() const { return shake_; }

  // The instructions frames are drawn with: the fastest the machine has,
  // unless a test asks for another to compare the two.
  void SetBlendPath(BlendPath path) { blendPath_ = path; }

  // The frame composed last.
  const PixelStore& Frame() const { return frames_[composed_]; }
  // Something else was shown in the window: the next frame is shown in any case.
  void ForgetPresentation() { presented_.Valid = false; }

  SceneSettings Settings;
  // What the plaque counts to, asked every frame (none without it), and
  // who hears of the holidays' new dates after a local midnight.
  std::function<CountdownChoice()> CountdownChoiceNow;
  std::function<void(const HolidayCountdown&)> HolidaysMoved;

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
  struct SpriteDraw {
    const Sprite* Picture = nullptr;
    int X = 0;
    int Y = 0;
    friend bool operator==(const SpriteDraw&, const SpriteDraw&) = default;
  };
  // Everything that decides the layers behind the far snow.
  struct BackgroundKey {
    int StripOffset = 0;
    int SpriteCount = 0;
    std::array<SpriteDraw, 2> Sprites{};
    friend bool operator==(const BackgroundKey&, const BackgroundKey&) = default;
  };
  // Everything a frame without flakes is made of.
  struct FrameKey {
    BackgroundKey Background;
    int DaysLeft = -1;
    bool Flakes = false;
    bool Stirred = false;
    friend bool operator==(const FrameKey&, const FrameKey&) = default;
  };
  struct Presented {
    bool Valid = false;
    int Left = 0;
    int Top = 0;
    std::uint8_t Alpha = 0;
    int Index = 0;
  };

  // A frame's steps of the clocks and the sky; what the sky shows.
  BackgroundKey StepSky(Clock& platform, const std::function<std::uint32_t()>& readTick, double now);
  int Device(int sceneUnits) const { return art_->ToDevice(sceneUnits); }
  // Draws within clip only, at the device place of (x, y).
  void DrawScaled(PixelStore& target, const TRect& clip, int x, int y, const Sprite& picture) const;
  // The plaque's pictures for this frame's count.
  void PlacePlaque(int daysLeft);
  // Steps a snow layer and draws its flakes within clip: stirred, where
  // the shake moved them, and the shake's extra flakes too.
  void DrawFlakes(PixelStore& target, const TRect& clip, int layer, bool globeVisible, bool snowing, bool stirred);
  void DrawBackground(PixelStore& target, const BackgroundKey& key);
  // The layers behind the far snow over the base, and the snow layers
  // (snowLayer(layer) draws one) with the houses, the drift, the glass
  // front and this frame's plaque, within clip.
  void DrawBackgroundLayers(PixelStore& target, const BackgroundKey& key, const TRect& clip) const;
  template <class SnowLayer>
  void DrawForeground(PixelStore& target, const TRect& clip, SnowLayer&& snowLayer) const;
  // The device part of the frame in which anything beneath the glass front
  // can show; outside it every pixel is the front's own or transparent.
  // Nothing when the base is not 32 bits or nothing shows.
  std::optional<TRect> LiveArea();
  // After a new base or new art: the background, the frames and the live
  // area are worked out anew.
  void ForgetComposition();
  // The device part within which two skies differ, when they differ only
  // in their sun and moon; nothing otherwise.
  std::optional<TRect> SpritesMoved(const BackgroundKey& from, const BackgroundKey& to, const TRect& within) const;
  // The frame buffer being composed, with this beat's flakes over the
  // background: only the live area when the buffer already holds the glass
  // front's own pixels for this plaque around it.
  void ComposeWithFlakes(const std::optional<TRect>& live, bool globeVisible, bool snowing, bool stirred);
  // The background and frame composed anew in area only, in place.
  void RecomposePart(PixelStore& frame, const BackgroundKey& key, const TRect& area);
  void Present(const Desktop& desktop, int left, int top);

  const Artwork* art_;
  BlendPath blendPath_ = FastestBlendPath();

  PixelStore base_;
  TranslucentRuns translucent_;
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

  // The layers behind the far snow change only with the sky's state.
  PixelStore background_;
  BackgroundKey backgroundKey_;
  bool backgroundValid_ = false;

  CountdownChoice lastChoice_{};
  // What the plaque shows in this frame.
  std::vector<SpriteDraw> plaqueDraws_;
  // The flakes of the layer being drawn, reused from frame to frame.
  std::vector<FlakeSpot> flakeSpots_;
  std::optional<TRect> liveArea_;
  bool liveAreaKnown_ = false;
  // The plaque each frame buffer was last composed whole with; nothing when
  // it must be composed whole.
  std::array<std::optional<std::vector<SpriteDraw>>, 2> wholePlaque_;

  bool skipUnchanged_ = true;
  bool skipped_ = false;
  FrameKey frameKey_;
  bool frameKeyValid_ = false;

  // Two frames: the one last shown stays for comparison while the next is composed.
  std::array<PixelStore, 2> frames_;
  int composed_ = 0;
  Presented presented_;
  bool failureReported_ = false;
};

}  // namespace nivarra
