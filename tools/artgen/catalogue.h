#pragma once
// The scene's pictures by name, in catalogue order.

#include <string>
#include <vector>

#include "image.h"

namespace artgen {

struct NamedPicture {
  std::string Name;
  Image Picture;  // the mask's picture shows its greys, for the review sheet
  bool IsMask = false;
};

struct Catalogue {
  int Scale = 1;  // every picture is Scale times its 1x size
  std::vector<NamedPicture> Pictures;
  std::vector<std::uint8_t> MaskCoverage;  // the silhouette the mask is made from
  const Image& Get(const std::string& name) const;
};

Catalogue DrawCatalogue(int scale = 1);

}  // namespace artgen
