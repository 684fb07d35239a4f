#pragma once
// Every picture of the scene, each drawn by its own function at a drawing
// scale: scale times the 1x size given here in each direction.

#include <cstdint>
#include <vector>

#include "image.h"

namespace artgen {

// Sky (sky.cpp)
Image DrawSkyStrip(int scale);  // imgDay, 201 x 849
Image DrawStars(int scale);     // imgStars, 300 x 260

// Sun, setting sun and moon, frames 1 to 5 (bodies.cpp)
Image DrawSun(int frame, int scale);         // 161 x 161
Image DrawSettingSun(int frame, int scale);  // 161 x 161
Image DrawMoon(int frame, int scale);        // 121 x 121

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
inline constexpr int kDigitHeight = 20;
inline constexpr int kDigitWidths[10] = {17, 11, 19, 18, 18, 17, 17, 16, 18, 18};
Image DrawDigit(int digit, int scale);
Image DrawDayLabel(bool plural, int scale);  // "day" 41 x 20, "days" 53 x 20

}  // namespace artgen
