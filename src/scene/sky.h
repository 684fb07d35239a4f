#pragma once
// The sky cycle: the sky strip's offset moving between night and day, and
// the sun, setting sun and moon sprites that travel across it.

#include <functional>
#include <string>

namespace nivarra {

// The sky's travelling pictures, each drawn in Sky::kFrames frames.
enum class SkyBody { Sun = 0, SettingSun = 1, Moon = 2 };
inline constexpr int kSkyBodyCount = 3;

// The layout's picture of a body's frame (1 to 5): "sun3", "sundown1", "moon5".
std::string SkyPictureName(SkyBody body, int frame);

// Where the sky cycle stands, without the sprites' animation frames.
struct SkyPosition {
  int SkyOffset = 0;
  bool SkyRising = true;
  bool SunVisible = false;
  int SunX = 0, SunY = 0;
  bool MoonVisible = false;
  int MoonX = 0, MoonY = 0;
  friend bool operator==(const SkyPosition&, const SkyPosition&) = default;
};

class Sky {
 public:
  // Draws a body's frame (1 to kFrames) with its top-left corner at (x, y).
  using SpriteSink = std::function<void(SkyBody body, int frame, int x, int y)>;

  static constexpr int kStripX = 45;
  static constexpr int kDeepNight = 0;
  static constexpr int kTurnToDarkBelow = -600;
  static constexpr int kSunRiseOffset = -251;
  static constexpr int kSunSetOffset = -590;
  static constexpr int kMoonRiseAbove = -450;
  static constexpr int kSunStartX = -30, kSunStartY = 65;
  static constexpr int kSunOffBelowY = -100;
  static constexpr int kSunOffX = -40, kSunOffY = -100;
  static constexpr int kMoonOffBelowY = -60;
  static constexpr int kMoonStartX = 0, kMoonStartY = 100;
  static constexpr int kFrames = 5;

  // The state at program start, with the bodies already at the positions
  // the first show gives them.
  Sky() = default;

  // What the first show does: sun to (-30, 65), moon to (0, 100).
  void SetStartPositions();

  // One frame of the cycle: updates the state with the slow and fast clock
  // flags and hands the sun or setting sun, then the moon, to draw.
  void Step(bool skyTick, bool spriteTick, const SpriteSink& draw);
  // The sky following the clock: put where the cycle stands at some
  // moment, then only animated in place.
  SkyPosition Position() const;
  void Place(const SkyPosition& position);
  // Like Step, without moving the sky or the bodies: the sun's frames
  // follow the fast clock and the moon's the slow one.
  void ShowInPlace(bool skyTick, bool spriteTick, const SpriteSink& draw);

  int SkyOffset() const { return skyOffset_; }
  bool SkyRising() const { return skyRising_; }
  bool SunVisible() const { return sunVisible_; }
  int SunX() const { return sunX_; }
  int SunY() const { return sunY_; }
  int SunFrame() const { return sunFrame_; }
  bool MoonVisible() const { return moonVisible_; }
  int MoonX() const { return moonX_; }
  int MoonY() const { return moonY_; }
  int MoonFrame() const { return moonFrame_; }

 private:
  // Steps 8 to 9 and 12 of a frame; bodies travel only when move is set.
  void ShowSun(bool spriteTick, bool move, const SpriteSink& draw);
  void ShowMoon(bool skyTick, bool move, const SpriteSink& draw);

  int skyOffset_ = -250;
  bool skyRising_ = true;
  bool sunVisible_ = false;
  int sunX_ = kSunStartX, sunY_ = kSunStartY;
  int sunFrame_ = 1;
  bool moonVisible_ = false;
  int moonX_ = kMoonStartX, moonY_ = kMoonStartY;
  int moonFrame_ = 1;
};

}  // namespace nivarra
