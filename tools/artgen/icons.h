#pragma once
// The program's icon: the globe at dusk with a blank plaque (digits would be
// a smudge at small sizes), cut square around its silhouette and resampled
// to each size a desktop asks for.

#include <span>
#include <vector>

#include "catalogue.h"
#include "png_writer.h"

namespace artgen {

// The sizes of the Linux icon theme and of the Windows icon.
inline constexpr int kThemeIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};
inline constexpr int kWindowsIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The icon at each of the sizes (size x size, straight alpha).
std::vector<Image> RenderIcons(const Catalogue& catalogue, std::span<const int> sizes);

// A Windows .ico holding the given square pictures: 256 px and larger as
// PNG, smaller ones as 32-bit bitmaps with an AND mask for old readers.
Bytes EncodeIco(const std::vector<Image>& pictures);

}  // namespace artgen
