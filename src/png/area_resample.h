#pragma once
// Resizing a decoded picture by area: every pixel of the result is the
// average of the source pixels it covers, each weighted by how much of it
// lies under the result pixel, in premultiplied colour (so transparent
// pixels lend no colour to their neighbours). Used once per picture when
// the globe is shown at a scale between two drawn sets, never per frame.

#include <memory>

namespace nivarra {

class TPNGObject;

// A truecolour-with-alpha copy of source at width × height. Sources of
// colour type 2 or 6 at 8 bits (the artwork's) are taken; anything else
// raises std::invalid_argument, as does a size below 1.
std::unique_ptr<TPNGObject> ResampleByArea(const TPNGObject& source, int width, int height);

// A blank truecolour-with-alpha picture of width × height, every pixel
// transparent black, for filling by hand.
std::unique_ptr<TPNGObject> BlankRgbaPng(int width, int height);

}  // namespace nivarra
