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
  SkyShot shot;
  if (Settings.SkyFollowsClock) {
    sky_.Place(realTime_.PositionAt(input.Zone, now, Settings.Latitude, Settings.Longitude));
  }
  shot.StripOffset = sky_.SkyOffset();
  const auto draw = [&](SkyBody body, int frame, int x, int y) {
    if (shot.BodyCount < static_cast<int>(shot.Bodies.size())) shot.Bodies[shot.BodyCount++] = {body, frame, x, y};
  };
  if (Settings.SkyFollowsClock) {
    sky_.ShowInPlace(skyTick_, spriteTick_, draw);
  } else {
    sky_.Step(skyTick_, spriteTick_, draw);
  }
  return shot;
}

void SceneState::CatchUp(const FrameInput& input, std::uint32_t from, std::uint32_t to, int beatMs) {
  if (beatMs <= 0) return;
  globeVisible_ = false;
  constexpr double kMsPerDay = 24.0 * 60 * 60 * 1000;
  for (std::uint32_t behind = to - from; behind >= static_cast<std::uint32_t>(beatMs);) {
    behind -= static_cast<std::uint32_t>(beatMs);
    const std::uint32_t tick = to - behind;
    StepSky([tick] { return tick; }, input, input.LocalNow - behind / kMsPerDay);
  }
}

FrameStep SceneState::Step(const FrameInput& input, bool globeVisible) {
  globeVisible_ = globeVisible;
  const double now = input.LocalNow;
  const SkyShot sky = StepSky(input.Tick, input, now);
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

std::optional<std::uint32_t> SceneState::QuietFor(std::uint32_t now, double localNow, bool coverReported) const {
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
  std::int64_t quiet = kLongestQuietMs;
  const auto until = [&](const AnimationClock& clock, std::int32_t threshold) {
    const std::int64_t due = static_cast<std::int64_t>(threshold) + 1 - static_cast<std::uint32_t>(now - clock.LastTick());
    quiet = std::min(quiet, due);
  };
  until(skyClock_, Settings.AnimationInterval);
  until(spriteClock_, SpriteThreshold(Settings.AnimationInterval));
  const double msToMidnight = (std::floor(localNow) + 1 - localNow) * 24 * 60 * 60 * 1000;
  // Days as a double carry some microseconds of rounding.
  quiet = std::min<std::int64_t>(quiet, static_cast<std::int64_t>(std::ceil(msToMidnight - 0.01)));
  if (quiet <= 0) return std::nullopt;
  return static_cast<std::uint32_t>(quiet);
}

}  // namespace nivarra
