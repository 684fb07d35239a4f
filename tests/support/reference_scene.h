#pragma once
// The globe's frame as its layers list it, back to front: the sky strip,
// the stars, the sun or setting sun and the moon, the hills, the far snow,
// the houses, the middle snow, the drift, the near snow, the glass front
// and the plaque. Every picture is handed out by its name in the layout and
// its place in scene units, for a test or a benchmark to draw in its own
// plain way and compare with the scene's frames.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "scene/animation_clock.h"
#include "scene/countdown.h"
#include "scene/sky.h"
#include "scene/snowfall.h"
#include "support/plaque_glyphs.h"

namespace nivarra::test {

class ReferenceScene {
 public:
  using DrawNamed = std::function<void(const std::string& name, int x, int y)>;

  // As the first show leaves the scene, the holidays counted from now.
  explicit ReferenceScene(double now) {
    snow_.Allocate();
    sky_.SetStartPositions();
    countdown_.UpdateHolidayDates(now, [](double) { return std::string("date"); });
  }

  // One frame at tick and the local time now: the clocks, the sky and the
  // snow step, and everything the frame shows is handed to draw; the plaque
  // counts to choice's holiday, placed with form's images.
  void Frame(const TComponent& form, std::uint32_t tick, double now, CountdownChoice choice,
             std::int32_t animationInterval, bool snowEnabled, const DrawNamed& draw) {
    const auto readTick = [tick] { return tick; };
    const bool skyTick = skyClock_.Check(readTick, animationInterval);
    const bool spriteTick = spriteClock_.Check(readTick, SpriteThreshold(animationInterval));
    draw("imgDay", Sky::kStripX, sky_.SkyOffset());
    draw("imgStars", 0, 0);
    sky_.Step(skyTick, spriteTick,
              [&](SkyBody body, int step, int x, int y) { draw(SkyPictureName(body, step), x, y); });
    draw("imgLandscape", 0, 0);
    const std::pair<int, const char*> layers[] = {{kSnowFar, "imgHome"}, {kSnowMiddle, "imgSugrob"}, {kSnowNear, "img3"}};
    for (const auto& [layer, cover] : layers) {
      snow_.StepLayer(
          layer, [&, layer = layer](int kind, int x, int y) { draw(Snowfall::SpriteName(layer, kind), x, y); }, true,
          snowEnabled);
      draw(cover, 0, 0);
    }
    DrawCountdownFrom(form, countdown_, now, choice, draw);
  }

  const Sky& SkyState() const { return sky_; }
  Snowfall& Snow() { return snow_; }

 private:
  Sky sky_;
  Snowfall snow_;
  HolidayCountdown countdown_;
  AnimationClock skyClock_;
  AnimationClock spriteClock_;
};

}  // namespace nivarra::test
