#pragma once
// The size of every picture of the scene at 1x, in catalogue order: artgen
// draws each at its scale times this size, and the tests hold the shipped
// artwork and the window's layout to it. Plain numbers, so that code
// without cairo can include it.

namespace artgen {

inline constexpr int kWindowWidth = 300;  // the window, and every picture that fills it
inline constexpr int kWindowHeight = 260;
inline constexpr int kStripWidth = 201;  // the sky strip imgDay
inline constexpr int kStripHeight = 849;
inline constexpr int kSunSize = 161;  // rising and setting sun
inline constexpr int kMoonSize = 121;
inline constexpr int kFlakeSizes[6] = {1, 3, 1, 3, 7, 7};  // Snow1 to Snow6
inline constexpr int kDigitHeight = 20;  // the countdown's lettering
inline constexpr int kDigitWidths[10] = {17, 11, 19, 18, 18, 17, 17, 16, 18, 18};
inline constexpr int kDayLabelWidth = 41;   // "day"
inline constexpr int kDaysLabelWidth = 53;  // "days"

struct PictureSize {
  const char* Name;
  int Width;
  int Height;
};

inline constexpr PictureSize kPictureSizes[] = {
    {"Snow1", kFlakeSizes[0], kFlakeSizes[0]}, {"Snow2", kFlakeSizes[1], kFlakeSizes[1]},
    {"Snow3", kFlakeSizes[2], kFlakeSizes[2]}, {"Snow4", kFlakeSizes[3], kFlakeSizes[3]},
    {"Snow5", kFlakeSizes[4], kFlakeSizes[4]}, {"Snow6", kFlakeSizes[5], kFlakeSizes[5]},
    {"imgTree", kWindowWidth, kWindowHeight},  {"imgMask", kWindowWidth, kWindowHeight},
    {"imgDay", kStripWidth, kStripHeight},     {"imgStars", kWindowWidth, kWindowHeight},
    {"sun1", kSunSize, kSunSize},      {"sun2", kSunSize, kSunSize},      {"sun3", kSunSize, kSunSize},
    {"sun4", kSunSize, kSunSize},      {"sun5", kSunSize, kSunSize},      {"sundown1", kSunSize, kSunSize},
    {"sundown2", kSunSize, kSunSize},  {"sundown3", kSunSize, kSunSize},  {"sundown4", kSunSize, kSunSize},
    {"sundown5", kSunSize, kSunSize},  {"moon1", kMoonSize, kMoonSize},   {"moon2", kMoonSize, kMoonSize},
    {"moon3", kMoonSize, kMoonSize},   {"moon4", kMoonSize, kMoonSize},   {"moon5", kMoonSize, kMoonSize},
    {"imgLandscape", kWindowWidth, kWindowHeight}, {"imgHome", kWindowWidth, kWindowHeight},
    {"imgSugrob", kWindowWidth, kWindowHeight},    {"img3", kWindowWidth, kWindowHeight},
    {"d0", kDigitWidths[0], kDigitHeight}, {"d1", kDigitWidths[1], kDigitHeight}, {"d2", kDigitWidths[2], kDigitHeight},
    {"d3", kDigitWidths[3], kDigitHeight}, {"d4", kDigitWidths[4], kDigitHeight}, {"d5", kDigitWidths[5], kDigitHeight},
    {"d6", kDigitWidths[6], kDigitHeight}, {"d7", kDigitWidths[7], kDigitHeight}, {"d8", kDigitWidths[8], kDigitHeight},
    {"d9", kDigitWidths[9], kDigitHeight}, {"imgDDay", kDayLabelWidth, kDigitHeight},
    {"imgDays", kDaysLabelWidth, kDigitHeight},
};

}  // namespace artgen
