#pragma once
// Where two frames differ.

#include <optional>

#include "graphics/pixel_store.h"
#include "graphics/rect.h"

namespace nivarra {

// The smallest rectangle holding every pixel in which two frames of the
// same geometry differ; nothing when they are the same. Frames of another
// geometry differ everywhere.
std::optional<TRect> ChangedRect(const PixelStore& a, const PixelStore& b);
// The same where only the pixels within may differ.
std::optional<TRect> ChangedRect(const PixelStore& a, const PixelStore& b, const TRect& within);

}  // namespace nivarra
