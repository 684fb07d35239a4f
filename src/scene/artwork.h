#pragma once
// Everything the scene draws, at the scale the globe is shown at, decoded
// once: the empty globe, the layers, the sky's bodies, the flakes and the
// plaque's digits and words. The scene keeps every position in its own
// units, the artwork's 1x pixels; ToDevice says where one lands in device
// pixels, rounded the same way for every layer so layers never drift apart.

#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <string>

#include "graphics/pixel_store.h"
#include "scene/sky.h"
#include "scene/snowfall.h"
#include "scene/sprite.h"

namespace nivarra {

// A word of the plaque and its width in scene units, which places the count.
struct PlaqueWord {
  Sprite Picture;
  int Width = 0;
};

struct Artwork {
  double Scale = 1.0;
  // 32 bits per pixel, premultiplied: every frame starts from it.
  PixelStore EmptyGlobe;
  Sprite SkyStrip;
  Sprite Stars;
  Sprite Hills;
  Sprite Houses;
  Sprite Drift;
  Sprite Front;
  // By SkyBody, then frame 1 to Sky::kFrames.
  std::array<std::array<Sprite, Sky::kFrames>, kSkyBodyCount> Bodies;
  // By layer, far to near, then kind 1 and 2.
  std::array<std::array<Sprite, 2>, 3> Flakes;
  std::array<Sprite, 10> Digits;
  // Scene units.
  std::array<int, 10> DigitWidths{};
  // By picture name (PlaqueLabelName): the English words and those of the
  // language in use when the artwork was resolved.
  std::map<std::string, PlaqueWord, std::less<>> Words;

  int ToDevice(int sceneUnits) const {
    return Scale == 1.0 ? sceneUnits : static_cast<int>(std::floor(sceneUnits * Scale + 0.5));
  }
  const Sprite& Body(SkyBody body, int frame) const {
    return Bodies[static_cast<std::size_t>(body)][static_cast<std::size_t>(frame - 1)];
  }
  const Sprite& Flake(int layer, int kind) const {
    return Flakes[static_cast<std::size_t>(layer - kSnowFar)][static_cast<std::size_t>(kind - 1)];
  }
};

}  // namespace nivarra
