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

Catalogue DrawCatalogue(int scale) {
  Catalogue c;
  c.Scale = scale;
  auto add = [&](std::string name, Image image) { c.Pictures.push_back({std::move(name), std::move(image), false}); };

  GlobePictures globe = DrawGlobe(scale);
  for (int k = 1; k <= 6; ++k) add("Snow" + std::to_string(k), DrawFlake(k, scale));
  add("imgTree", std::move(globe.Empty));
  Image mask(kWindowWidth * scale, kWindowHeight * scale);
  for (int y = 0; y < mask.Height; ++y) {
    for (int x = 0; x < mask.Width; ++x) {
      std::uint8_t* p = mask.At(x, y);
      const auto grey = static_cast<std::uint8_t>(255 - globe.Coverage[static_cast<std::size_t>(y) * mask.Width + x]);
      p[0] = p[1] = p[2] = grey;
      p[3] = 255;
    }
  }
  c.Pictures.push_back({"imgMask", std::move(mask), true});
  c.MaskCoverage = std::move(globe.Coverage);
  add("imgDay", DrawSkyStrip(scale));
  add("imgStars", DrawStars(scale));
  for (int f = 1; f <= 5; ++f) add("sun" + std::to_string(f), DrawSun(f, scale));
  for (int f = 1; f <= 5; ++f) add("sundown" + std::to_string(f), DrawSettingSun(f, scale));
  for (int f = 1; f <= 5; ++f) add("moon" + std::to_string(f), DrawMoon(f, scale));
  add("imgLandscape", DrawLandscape(scale));
  add("imgHome", DrawVillage(scale));
  add("imgSugrob", DrawSnowdrift(scale));
  add("img3", std::move(globe.Front));
  for (int d = 0; d <= 9; ++d) add("d" + std::to_string(d), DrawDigit(d, scale));
  add("imgDDay", DrawDayLabel(false, scale));
  add("imgDays", DrawDayLabel(true, scale));
  return c;
}

}  // namespace artgen
