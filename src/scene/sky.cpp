#include "scene/sky.h"

#include "graphics/canvas.h"
#include "layout/component.h"
#include "layout/controls.h"
#include "layout/picture.h"

namespace nivarra {

void DrawOwnedImage(TCanvas& canvas, const TComponent& owner, const std::string& name, int x, int y) {
  const auto* image = dynamic_cast<const TImage*>(owner.FindOwnedComponent(name));
  if (image == nullptr) return;
  canvas.DrawGraphic(x, y, image->Picture().Graphic());
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

  // The sun and the setting sun share one frame counter; each moves one
  // pixel per full run of its five frames, up while rising, down while setting.
  if (sunVisible_) {
    draw((skyRising_ ? "sun" : "sundown") + std::to_string(sunFrame_), sunX_, sunY_);
    if (spriteTick && ++sunFrame_ > kFrames) {
      sunFrame_ = 1;
      ++sunX_;
      sunY_ += skyRising_ ? -1 : 1;
    }
  }

  if (skyOffset_ > kMoonRiseAbove && !skyRising_) moonVisible_ = true;
  if (moonY_ < kMoonOffBelowY) {
    moonVisible_ = false;
    moonX_ = kMoonStartX;
    moonY_ = kMoonStartY;
  }
  // The moon follows the slow clock, so it crawls compared with the sun.
  if (moonVisible_) {
    draw("moon" + std::to_string(moonFrame_), moonX_, moonY_);
    if (skyTick && ++moonFrame_ > kFrames) {
      moonFrame_ = 1;
      ++moonX_;
      --moonY_;
    }
  }
}

void Sky::Step(TCanvas& canvas, const TComponent& owner, bool skyTick, bool spriteTick) {
  Step(skyTick, spriteTick,
       [&](const std::string& name, int x, int y) { DrawOwnedImage(canvas, owner, name, x, y); });
}

void Sky::DrawStrip(TCanvas& canvas, const TComponent& owner) const {
  DrawOwnedImage(canvas, owner, "imgDay", kStripX, skyOffset_);
}

}  // namespace nivarra
