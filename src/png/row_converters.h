#pragma once
// Row converters: one unfiltered row of PNG samples into the stored format
// of its colour type and bit depth, colour through the gamma map, alpha into
// the alpha plane.

#include <cstdint>

namespace nivarra {

struct RowTarget {
  std::uint8_t* Pixels;  // the stored row
  std::uint8_t* Alpha;   // the alpha row, or null without an alpha plane
  int ColumnStart;       // image column of the first pixel (Adam7 passes)
  int ColumnStep;        // distance between the pixels' image columns
};

// Converts count pixels from samples (the row without its filter byte).
using RowConverter = void (*)(const std::uint8_t* samples, int count, const RowTarget& target,
                              const std::uint8_t* gamma);

// The converter of a stored format; interlaced converters place pixel k at
// column ColumnStart + k × ColumnStep. identityGamma allows a converter that
// skips the (then no-op) gamma lookups. Null for a combination that has no
// stored format.
RowConverter SelectRowConverter(int colourType, int bitDepth, bool interlaced, bool identityGamma);

}  // namespace nivarra
