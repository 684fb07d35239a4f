#pragma once

#include <cstdint>

namespace nivarra {

// Undoes the filter of one row in place. row[0] is the filter type and
// row[1..rowBytes] the data; previous is the row above in the same form
// (all zero for the first row of an image or pass). Filter types 0 and
// those above 4 leave the row as read.
void UnfilterRow(std::uint8_t* row, const std::uint8_t* previous, int rowBytes, int pixelStep);

// The Paeth predictor of the PNG standard.
inline std::uint8_t PaethPredictor(int left, int up, int upperLeft) {
  const int estimate = left + up - upperLeft;
  const int pa = estimate > left ? estimate - left : left - estimate;
  const int pb = estimate > up ? estimate - up : up - estimate;
  const int pc = estimate > upperLeft ? estimate - upperLeft : upperLeft - estimate;
  if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(left);
  if (pb <= pc) return static_cast<std::uint8_t>(up);
  return static_cast<std::uint8_t>(upperLeft);
}

}  // namespace nivarra
