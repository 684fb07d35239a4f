#pragma once
// The globe window's shape, cut from its mask: every pixel that is not
// exactly white belongs to the window.

#include <vector>

#include "platform/screen_geometry.h"

namespace nivarra {

class TBitmap;

// The shape of a width by height window as rectangles: per row, the runs of
// pixels whose colour is not pure white (0xFFFFFF), with runs of the same
// span in consecutive rows joined into one taller rectangle. Pixels are
// read through the mask's canvas; outside the mask they count as white.
// A width or height of 0 gives no rectangles.
std::vector<ShapeRect> RegionFromMask(TBitmap& mask, int width, int height);

// The same for a window of another size than the mask (a mask drawn larger,
// cut to the size the globe is shown at): a window pixel belongs to the
// shape when any mask pixel under it is not pure white.
std::vector<ShapeRect> RegionFromScaledMask(TBitmap& mask, int width, int height);

// The smallest rectangle holding every rectangle of shape; empty for none.
ShapeRect BoundsOf(const std::vector<ShapeRect>& shape);

}  // namespace nivarra
