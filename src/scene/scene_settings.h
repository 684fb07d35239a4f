#pragma once
// What the menu and the stored settings decide for the frame, and the
// speeds the menu offers.

#include <cstdint>
#include <optional>

namespace nivarra {

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

}  // namespace nivarra
