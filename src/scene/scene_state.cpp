#include "scene/scene_state.h"

#include <algorithm>
#include <cmath>

namespace nivarra {

void SceneState::PrepareFirstShow() {
  snow_.Allocate();
  shake_.Reserve(snow_.Layer(kSnowFar).size(), snow_.Layer(kSnowMiddle).size(), snow_.Layer(kSnowNear).size());
  sky_.SetStartPositions();
}

void SceneState::GlassMoved(std::uint32_t tick, double x, double y) {
  if (Settings.ShakeEnabled) shake_.GlassMoved(tick, x, y);
}

SkyShot SceneState::StepSky(const std::function<std::uint32_t()>& readTick, const FrameInput& input, double now) {
  skyTick_ = skyClock_.Check(readTick, Settings.AnimationInterval);
  spriteTick_ = spriteClock_.Check(readTick, SpriteThreshold(Settings.AnimationInterval));

  // The strip shows the offset the previous frame left; the sun and moon
  // show their state after this frame's step. The sky that follows the
  // clock is placed first, so strip and bodies show the same moment.
  if (Settings.SkyFollowsClock) {
    sky_.Place(realTime_.PositionAt(input.Zone, now, Settings.Latitude, Settings.Longitude));
  }
  return ShowSky(sky_, skyTick_, spriteTick_, Settings.SkyFollowsClock);
}

SkyShot SceneState::ShowSky(Sky& sky, bool skyTick, bool spriteTick, bool inPlace) {
  SkyShot shot;
  shot.StripOffset = sky.SkyOffset();
  const auto draw = [&](SkyBody body, int frame, int x, int y) {
    if (shot.BodyCount < static_cast<int>(shot.Bodies.size())) shot.Bodies[shot.BodyCount++] = {body, frame, x, y};
  };
  if (inPlace) {
    sky.ShowInPlace(skyTick, spriteTick, draw);
  } else {
    sky.Step(skyTick, spriteTick, draw);
  }
  return shot;
}

void SceneState::CatchUp(const FrameInput& input, std::uint32_t from, std::uint32_t to, int beatMs) {
  if (beatMs <= 0) return;
  globeVisible_ = false;
  for (std::uint32_t behind = to - from; behind >= static_cast<std::uint32_t>(beatMs);) {
    behind -= static_cast<std::uint32_t>(beatMs);
    StepBeat(input, to - behind);
  }
}

void SceneState::StepBeat(const FrameInput& input, std::uint32_t tick) {
  constexpr double kMsPerDay = 24.0 * 60 * 60 * 1000;
  StepSky([tick] { return tick; }, input, input.LocalNow - static_cast<std::uint32_t>(input.Tick() - tick) / kMsPerDay);
}

FrameStep SceneState::Step(const FrameInput& input, bool globeVisible) {
  globeVisible_ = globeVisible;
  const double now = input.LocalNow;
  const SkyShot sky = StepSky(input.Tick, input, now);
  shown_ = sky;
  // Past midnight the holidays may move to next year; their menu items name the dates.
  if (countdown_.FollowDate(now) && HolidaysMoved) HolidaysMoved(countdown_);
  const CountdownChoice choice = CountdownChoiceNow ? CountdownChoiceNow() : CountdownChoice{};
  if (!Settings.ShakeEnabled) {
    if (shake_.Stirred()) shake_.Clear();
  } else {
    shake_.Step(input.Tick());
  }
  const bool snowing = Settings.SnowEnabled;
  const bool stirred = shake_.Stirred();
  const FrameKey key{sky, countdown_.CountDays(now, choice), globeVisible && snowing && snow_.HasFlakes(), stirred};
  return FrameStep{key, choice, globeVisible, snowing};
}

std::optional<FrameRest> SceneState::RestFor(std::uint32_t now, double localNow, int beatMs,
                                             bool coverReported) const {
  if (Settings.SkyFollowsClock || Stirred()) return std::nullopt;
  // With snow on, flakes may start at any density tick: every beat counts.
  // Covered, the snow stands still until the desktop says the cover may
  // have gone, if it says so.
  if (Settings.SnowEnabled && (globeVisible_ || !coverReported)) return std::nullopt;
  // A frame shows the sky as the frame before left it: what a clock moved
  // in the last frame shows in the next.
  if (skyTick_ || spriteTick_) return std::nullopt;
  // A clock fires in the first frame more than its threshold after it last
  // fired; every firing is kept, seen or not, so the clocks keep their beat.
  const auto due = [&](const AnimationClock& clock, std::int32_t threshold) {
    return static_cast<std::int64_t>(threshold) + 1 - static_cast<std::uint32_t>(now - clock.LastTick());
  };
  const std::int64_t skyDue = due(skyClock_, Settings.AnimationInterval);
  const std::int64_t spriteDue = due(spriteClock_, SpriteThreshold(Settings.AnimationInterval));
  const std::int64_t firing = std::min(skyDue, spriteDue);
  const double msToMidnight = (std::floor(localNow) + 1 - localNow) * 24 * 60 * 60 * 1000;
  // Days as a double carry some microseconds of rounding.
  const auto midnight = static_cast<std::int64_t>(std::ceil(msToMidnight - 0.01));
  const std::int64_t quiet = std::min({firing, midnight, static_cast<std::int64_t>(kLongestQuietMs)});
  if (quiet <= 0) return std::nullopt;
  if (beatMs > 0 && quiet == firing) {
    // The frame where the clocks fire mostly shows what the last one did
    // (a body is drawn before it moves on): then it need not wake, and the
    // frame after it, which shows the change, takes its step.
    const std::int64_t beat = beatMs;
    const std::int64_t firingFrame = (firing + beat - 1) / beat * beat;
    Sky sky = sky_;
    if (firingFrame < midnight && ShowSky(sky, skyDue <= firingFrame, spriteDue <= firingFrame, false) == shown_) {
      return FrameRest{static_cast<std::uint32_t>(firingFrame + beat), true};
    }
  }
  return FrameRest{static_cast<std::uint32_t>(quiet), false};
}

}  // namespace nivarra
