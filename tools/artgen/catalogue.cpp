#include "catalogue.h"

#include <stdexcept>

#include "globe_shape.h"
#include "pictures.h"

namespace artgen {

const Image& Catalogue::Get(const std::string& name) const {
  for (const NamedPicture& p : Pictures) {
    if (p.Name == name) return p.Picture;
  }
  throw std::out_of_range("no picture named " + name);
}

Catalogue DrawCatalogue() {
  Catalogue c;
  auto add = [&](std::string name, Image image) { c.Pictures.push_back({std::move(name), std::move(image), false}); };

  GlobePictures globe = DrawGlobe();
  for (int k = 1; k <= 6; ++k) add("Snow" + std::to_string(k), DrawFlake(k));
  add("imgTree", std::move(globe.Empty));
  Image mask(kWindowWidth, kWindowHeight);
  for (int y = 0; y < kWindowHeight; ++y) {
    for (int x = 0; x < kWindowWidth; ++x) {
      std::uint8_t* p = mask.At(x, y);
      const auto grey = static_cast<std::uint8_t>(255 - globe.Coverage[static_cast<std::size_t>(y) * kWindowWidth + x]);
      p[0] = p[1] = p[2] = grey;
      p[3] = 255;
    }
  }
  c.Pictures.push_back({"imgMask", std::move(mask), true});
  c.MaskCoverage = std::move(globe.Coverage);
  add("imgDay", DrawSkyStrip());
  add("imgStars", DrawStars());
  for (int f = 1; f <= 5; ++f) add("sun" + std::to_string(f), DrawSun(f));
  for (int f = 1; f <= 5; ++f) add("sundown" + std::to_string(f), DrawSettingSun(f));
  for (int f = 1; f <= 5; ++f) add("moon" + std::to_string(f), DrawMoon(f));
  add("imgLandscape", DrawLandscape());
  add("imgHome", DrawVillage());
  add("imgSugrob", DrawSnowdrift());
  add("img3", std::move(globe.Front));
  for (int d = 0; d <= 9; ++d) add("d" + std::to_string(d), DrawDigit(d));
  add("imgDDay", DrawDayLabel(false));
  add("imgDays", DrawDayLabel(true));
  return c;
}

}  // namespace artgen
