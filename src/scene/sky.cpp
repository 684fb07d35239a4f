#include "scene/sky.h"

namespace nivarra {

std::string SkyPictureName(SkyBody body, int frame) {
  static const char* const kNames[kSkyBodyCount] = {"sun", "sundown", "moon"};
  return kNames[static_cast<int>(body)] + std::to_string(frame);
}

void Sky::SetStartPositions() {
  sunX_ = kSunStartX;
  sunY_ = kSunStartY;
  moonX_ = kMoonStartX;
  moonY_ = kMoonStartY;
}

void Sky::Step(bool skyTick, bool spriteTick, const SpriteSink& draw) {
  if (skyRising_ && skyTick) --skyOffset_;
  if (!skyRising_ && skyTick) ++skyOffset_;

  if (skyOffset_ == kDeepNight) {
    sunX_ = kSunStartX;
    sunY_ = kSunStartY;
    skyRising_ = true;
    sunVisible_ = false;
  }
  if (skyOffset_ < kTurnToDarkBelow) skyRising_ = false;
  if (skyOffset_ == kSunRiseOffset && skyRising_) sunVisible_ = true;
  if (skyOffset_ == kSunSetOffset && !skyRising_) sunVisible_ = true;
  if (sunY_ < kSunOffBelowY && skyRising_) {
    sunVisible_ = false;
    sunX_ = kSunOffX;
    sunY_ = kSunOffY;
  }

  ShowSun(spriteTick, true, draw);

  if (skyOffset_ > kMoonRiseAbove && !skyRising_) moonVisible_ = true;
  if (moonY_ < kMoonOffBelowY) {
    moonVisible_ = false;
    moonX_ = kMoonStartX;
    moonY_ = kMoonStartY;
  }
  ShowMoon(skyTick, true, draw);
}

// The sun and the setting sun share one frame counter; each moves one
// pixel per full run of its five frames, up while rising, down while setting.
void Sky::ShowSun(bool spriteTick, bool move, const SpriteSink& draw) {
  if (!sunVisible_) return;
  draw(skyRising_ ? SkyBody::Sun : SkyBody::SettingSun, sunFrame_, sunX_, sunY_);
  if (spriteTick && ++sunFrame_ > kFrames) {
    sunFrame_ = 1;
    if (!move) return;
    ++sunX_;
    sunY_ += skyRising_ ? -1 : 1;
  }
}

// The moon follows the slow clock, so it crawls compared with the sun.
void Sky::ShowMoon(bool skyTick, bool move, const SpriteSink& draw) {
  if (!moonVisible_) return;
  draw(SkyBody::Moon, moonFrame_, moonX_, moonY_);
  if (skyTick && ++moonFrame_ > kFrames) {
    moonFrame_ = 1;
    if (!move) return;
    ++moonX_;
    --moonY_;
  }
}

void Sky::ShowInPlace(bool skyTick, bool spriteTick, const SpriteSink& draw) {
  ShowSun(spriteTick, false, draw);
  ShowMoon(skyTick, false, draw);
}

SkyPosition Sky::Position() const {
  return SkyPosition{skyOffset_, skyRising_, sunVisible_, sunX_, sunY_, moonVisible_, moonX_, moonY_};
}

void Sky::Place(const SkyPosition& p) {
  skyOffset_ = p.SkyOffset;
  skyRising_ = p.SkyRising;
  sunVisible_ = p.SunVisible;
  sunX_ = p.SunX;
  sunY_ = p.SunY;
  moonVisible_ = p.MoonVisible;
  moonX_ = p.MoonX;
  moonY_ = p.MoonY;
}

}  // namespace nivarra
