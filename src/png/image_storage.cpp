#include "png/image_storage.h"

#include <new>

#include "graphics/pixel_store.h"
#include "png/chunk.h"
#include "png/png_errors.h"

namespace nivarra {

std::optional<StoredFormat> StoredFormatFor(int colourType, int bitDepth) {
  switch (colourType) {
    case 0:  // greyscale: indices into a grey table
      switch (bitDepth) {
        case 1: return StoredFormat{1, true, false};
        case 2:
        case 4: return StoredFormat{4, true, false};
        case 8:
        case 16: return StoredFormat{8, true, false};
      }
      break;
    case 2:  // truecolour
      if (bitDepth == 8 || bitDepth == 16) return StoredFormat{24, false, false};
      break;
    case 3:  // indexed; 2-bit indices widen to 4 bits
      switch (bitDepth) {
        case 1: return StoredFormat{1, true, false};
        case 2:
        case 4: return StoredFormat{4, true, false};
        case 8: return StoredFormat{8, true, false};
      }
      break;
    case 4:  // greyscale with alpha
      if (bitDepth == 8 || bitDepth == 16) return StoredFormat{8, true, true};
      break;
    case 6:  // truecolour with alpha
      if (bitDepth == 8 || bitDepth == 16) return StoredFormat{24, false, true};
      break;
  }
  return std::nullopt;
}

std::size_t& ImageStorageLimit() {
  static std::size_t limit = kDefaultImageStorageLimit;
  return limit;
}

void TChunkIHDR::FreeImageStorage() {
  Storage.Pixels = {};
  Storage.AlphaPlane = {};
  Storage.BlendSpans.reset();
}

void TChunkIHDR::PrepareImageStorage() {
  Storage.DibInfo = BitmapInfo{};
  Storage.UsesColourTable = false;
  Storage.RowStride = 0;
  FreeImageStorage();

  // The reader checks neither bit depth nor colour type against each other;
  // a combination it cannot store is a broken header.
  const auto format = StoredFormatFor(ColourType, BitDepth);
  if (!format) RaisePngError<EPngInvalidIHDR>(png_text::kInvalidIHDR);

  BitmapInfoHeader& h = Storage.DibInfo.Header;
  h.Size = 40;
  h.Width = Width;
  h.Height = Height;
  h.Planes = 1;
  h.BitCount = static_cast<std::uint16_t>(format->BitCount);
  h.Compression = kBiRgb;
  Storage.UsesColourTable = format->UsesColourTable;

  // Width and Height are at most 65535 here, so none of this overflows.
  const std::size_t rowStride = *StoredRowBytes(Width, format->BitCount);
  const std::size_t pixelBytes = rowStride * static_cast<std::size_t>(Height);
  const std::size_t alphaBytes =
      format->HasAlphaPlane ? static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) : 0;
  if (pixelBytes + alphaBytes > ImageStorageLimit()) {
    RaisePngError<EPNGOutMemory>(png_text::kOutMemory);
  }
  Storage.RowStride = static_cast<std::int32_t>(rowStride);
  try {
    Storage.AlphaPlane.assign(alphaBytes, 0);
    Storage.Pixels.assign(pixelBytes, 0);
  } catch (const std::bad_alloc&) {
    FreeImageStorage();
    RaisePngError<EPNGOutMemory>(png_text::kOutMemory);
  }
}

}  // namespace nivarra
