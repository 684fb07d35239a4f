#include "layout/file_formats.h"

#include <algorithm>

#include "layout/bitmap.h"
#include "png/png_object.h"

namespace nivarra {

void TFileFormatsList::RegisterFileFormat(std::string_view extension, std::string_view description,
                                          std::string_view className, TGraphicFactory factory) {
  std::string lower(extension);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  entries_.push_back(TFileFormat{std::string(className), std::move(lower), std::string(description), std::move(factory)});
}

const TFileFormat* TFileFormatsList::FindGraphicClass(std::string_view className) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (it->ClassName == className) return &*it;
  }
  return nullptr;
}

namespace {

template <class T>
std::unique_ptr<TGraphic> Make() {
  return std::make_unique<T>();
}

TFileFormatsList MakeProgramFormats() {
  TFileFormatsList list;
  // Metafiles, icons, GIF and JPEG images are registered for their names
  // only: no picture of the layout holds one, and a payload naming one
  // leaves its picture empty, as an unknown class would.
  list.RegisterFileFormat("wmf", "Metafiles", "TMetafile", nullptr);
  list.RegisterFileFormat("emf", "Enhanced Metafiles", "TMetafile", nullptr);
  list.RegisterFileFormat("ico", "Icons", "TIcon", nullptr);
  list.RegisterFileFormat("bmp", "Bitmaps", "TBitmap", Make<TBitmap>);
  // The image units, in the order they start.
  list.RegisterFileFormat("PNG", "Portable Network Graphics", "TPNGObject", Make<TPNGObject>);
  list.RegisterFileFormat("gif", "CompuServe GIF Image", "TGIFImage", nullptr);
  list.RegisterFileFormat("jpeg", "JPEG Image File", "TJPEGImage", nullptr);
  list.RegisterFileFormat("jpg", "JPEG Image File", "TJPEGImage", nullptr);
  return list;
}

}  // namespace

TFileFormatsList& FileFormats() {
  static TFileFormatsList list = MakeProgramFormats();
  return list;
}

}  // namespace nivarra
