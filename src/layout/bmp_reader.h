#pragma once
// Reading a BMP file out of a stream into a pixel store, refusing anything
// malformed or oversized with "Bitmap image is not valid".

#include <cstddef>
#include <cstdint>

#include "graphics/pixel_store.h"

namespace nivarra {

class TStream;

// The largest pixel store a BMP file (or a resize) may ask for. The
// program's own bitmaps are a few hundred kilobytes.
inline constexpr std::uint64_t kMaxBitmapStoreBytes = std::uint64_t{256} << 20;

// Reads a BMP file of fileSize bytes from the stream's position: file
// header, info header (core or longer forms), colour masks, colour table
// and pixel rows. Rows come out in the file's order. Raises EReadError
// "Stream read error" when the stream ends inside the headers, the colour
// table or the pixel data, and EInvalidGraphic "Bitmap image is not valid"
// for anything it cannot or will not turn into a store.
PixelStore ReadBmpFile(TStream& stream, std::uint32_t fileSize);

}  // namespace nivarra
