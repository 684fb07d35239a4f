#pragma once
// Writes pictures in the one PNG layout the scene ships: 8-bit RGBA, not
// interlaced, filter Sub on every row, and exactly the chunks IHDR, tEXt,
// iTXt, one IDAT, IEND.

#include <cstdint>
#include <string>
#include <vector>

#include "image.h"

namespace artgen {

using Bytes = std::vector<std::uint8_t>;

struct PngText {
  std::string Title;    // written as tEXt "Title"
  std::string Comment;  // written as iTXt "Comment"
};

// Encodes image with libpng; throws std::runtime_error when libpng fails or
// when the result strays from the layout above.
Bytes EncodePng(const Image& image, const PngText& text);

// The chunk types of a PNG stream in file order; throws on a stream that is
// cut short or has a bad signature.
std::vector<std::string> ChunkTypes(const Bytes& png);

void WriteFile(const std::string& path, const Bytes& bytes);

}  // namespace artgen
