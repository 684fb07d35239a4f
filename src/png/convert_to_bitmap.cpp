#include <algorithm>

#include "graphics/bitmap_base.h"
#include "graphics/pixel_store.h"
#include "png/png_errors.h"
#include "png/png_object.h"

namespace nivarra {

void TPNGObject::ConvertToBitmap(PixelStore& bitmap) const {
  const TChunkIHDR& header = HeaderChunk();
  const ImageStorage& storage = header.Storage;
  // A header whose read failed has no storage to convert.
  if (storage.DibInfo.Header.BitCount == 0 ||
      storage.Pixels.size() != static_cast<std::size_t>(storage.RowStride) * static_cast<std::size_t>(header.Height)) {
    RaisePngError<EPNGHeaderNotPresent>(png_text::kHeaderNotPresent);
  }
  PixelStore converted(header.Width, header.Height, storage.DibInfo.Header.BitCount, RowOrder::BottomUp);
  // Same geometry, same row order: the stored rows move as they are.
  std::copy(storage.Pixels.begin(), storage.Pixels.end(), converted.Bytes().begin());
  converted.ColourTable() = storage.DibInfo.Colours;
  bitmap = std::move(converted);
}

void TPNGObject::ConvertToBitmap(TBitmapBase& bitmap) const {
  PixelStore image;
  ConvertToBitmap(image);
  bitmap.AdoptImage(std::move(image));
  if (TransparencyKind() == kTransparencyColourKey) {
    bitmap.SetTransparentColour(TransparentColour());
    bitmap.SetTransparent(true);
  }
}

}  // namespace nivarra
