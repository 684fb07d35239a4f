#pragma once
// Every picture of the scene, each drawn by its own function at a drawing
// scale: scale times its 1x size (picture_sizes.h) in each direction.

#include <cstdint>
#include <string_view>
#include <vector>

#include "image.h"
#include "picture_sizes.h"

namespace artgen {

// Sky (sky.cpp)
Image DrawSkyStrip(int scale);  // imgDay
Image DrawStars(int scale);     // imgStars

// Sun, setting sun and moon, frames 1 to 5 (bodies.cpp)
Image DrawSun(int frame, int scale);
Image DrawSettingSun(int frame, int scale);
Image DrawMoon(int frame, int scale);

// Scenery inside the glass (scenery.cpp, village.cpp)
Image DrawLandscape(int scale);  // imgLandscape: hills and forest, opaque below the skyline
Image DrawVillage(int scale);    // imgHome: cottages and firs on the snowy plain
Image DrawSnowdrift(int scale);  // imgSugrob: the foreground drift

// The globe itself (globe.cpp)
struct GlobePictures {
  Image Empty;  // imgTree: the whole globe with nothing inside the glass
  Image Front;  // img3: glass highlights, rim, stand and plaque
  std::vector<std::uint8_t> Coverage;  // the silhouette, one byte per pixel
};
GlobePictures DrawGlobe(int scale);

// Snowflakes Snow1 to Snow6 (flakes.cpp)
Image DrawFlake(int kind, int scale);

// Countdown lettering (lettering.cpp)
Image DrawDigit(int digit, int scale);
Image DrawDayLabel(bool plural, int scale);  // imgDDay "day", imgDays "days"
// Another language's word for the plaque ("дней"), in the same lettering.
Image DrawWord(std::string_view word, int scale);

}  // namespace artgen
