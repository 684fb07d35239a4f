#pragma once
// Every picture of the scene, each drawn by its own function.

#include <cstdint>
#include <vector>

#include "image.h"

namespace artgen {

// Sky (sky.cpp)
Image DrawSkyStrip();  // imgDay, 201 x 849
Image DrawStars();     // imgStars, 300 x 260

// Sun, setting sun and moon, frames 1 to 5 (bodies.cpp)
Image DrawSun(int frame);         // 161 x 161
Image DrawSettingSun(int frame);  // 161 x 161
Image DrawMoon(int frame);        // 121 x 121

// Scenery inside the glass (scenery.cpp, village.cpp)
Image DrawLandscape();  // imgLandscape: hills and forest, opaque below the skyline
Image DrawVillage();    // imgHome: cottages and firs on the snowy plain
Image DrawSnowdrift();  // imgSugrob: the foreground drift

// The globe itself (globe.cpp)
struct GlobePictures {
  Image Empty;  // imgTree: the whole globe with nothing inside the glass
  Image Front;  // img3: glass highlights, rim, stand and plaque
  std::vector<std::uint8_t> Coverage;  // the silhouette, one byte per pixel
};
GlobePictures DrawGlobe();

// Snowflakes Snow1 to Snow6 (flakes.cpp)
Image DrawFlake(int kind);

// Countdown lettering (lettering.cpp)
inline constexpr int kDigitHeight = 20;
inline constexpr int kDigitWidths[10] = {17, 11, 19, 18, 18, 17, 17, 16, 18, 18};
Image DrawDigit(int digit);
Image DrawDayLabel(bool plural);  // "day" 41 x 20, "days" 53 x 20

}  // namespace artgen
