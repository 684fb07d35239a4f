#pragma once
// What both floors share with the globe: its window, the live area the
// snow falls in (at 100 %, in pixels), and the round outline they may take.

namespace floor_globe {

constexpr int kWidth = 300, kHeight = 260;
constexpr int kLiveLeft = 50, kLiveTop = 20, kLiveWidth = 200, kLiveHeight = 165;

// Whether the pixel at (column, row) lies within the ellipse that fills a
// width x height window.
inline bool InsideRoundOutline(int column, int row, int width, int height) {
  const double dx = (column + 0.5) / width * 2 - 1, dy = (row + 0.5) / height * 2 - 1;
  return dx * dx + dy * dy <= 1;
}

}  // namespace floor_globe
