#pragma once
// A small 5 by 7 pixel font (with two rows for descenders) for the labels of
// the review sheet, so the sheet looks the same on every machine.

#include <cairo.h>

#include <string_view>

namespace artgen {

inline constexpr int kPixelFontAdvance = 6;  // pixels per character at scale 1
inline constexpr int kPixelFontHeight = 9;

// Draws text with its top-left corner at (x, y) in the current source.
void DrawPixelText(cairo_t* cr, double x, double y, std::string_view text, int scale);
int PixelTextWidth(std::string_view text, int scale);

}  // namespace artgen
