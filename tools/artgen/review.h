#pragma once
// Review pictures: a contact sheet of every picture, and a composed still of
// the globe built the way the program builds a frame.

#include <string>

#include "catalogue.h"

namespace artgen {

// Where the sky cycle stands after a number of slow clock ticks from
// program start at the Normal speed (three fast ticks per slow tick).
struct SkyMoment {
  int SkyOffset = -250;
  bool SkyRising = true;
  bool SunVisible = false;
  int SunX = -30, SunY = 65, SunFrame = 1;
  bool MoonVisible = false;
  int MoonX = 0, MoonY = 100, MoonFrame = 1;
};
SkyMoment SkyAfter(int slowTicks);

// Slow ticks from program start to a dusk with the sun low over the hills.
inline constexpr int kDuskTicks = 575;

struct StillOptions {
  int SlowTicks = kDuskTicks;
  int DaysLeft = 24;
  int Zoom = 2;  // each frame pixel shown as a Zoom x Zoom block
  // Part of the frame to show (for close looks), in 1x frame pixels; all of
  // it by default.
  int CropX = 0, CropY = 0, CropWidth = 0, CropHeight = 0;
  bool Snow = true;
};

// 32-bit frame as the program composes it, at the catalogue's scale: RGBA,
// colour premultiplied by imgTree's alpha, which no layer changes.
Image ComposeFrame(const Catalogue& catalogue, const SkyMoment& sky, int daysLeft, bool withSnow);

Image RenderStill(const Catalogue& catalogue, const StillOptions& options);
Image RenderSheet(const Catalogue& catalogue);
// Frames at eight moments of one sky cycle side by side, each labelled with
// its slow tick and sky offset.
Image RenderCycle(const Catalogue& catalogue);

}  // namespace artgen
