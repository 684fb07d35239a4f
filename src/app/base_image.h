#pragma once
// The empty globe the window shows and every frame starts from: the
// picture of imgTree as a 32-bit bitmap whose colour is premultiplied by
// its own alpha.

#include "layout/bitmap.h"

namespace nivarra {

class TGraphic;
class TPNGObject;

// Copies png's alpha samples into byte 3 of every pixel of the 32-bit
// bitmap of the same size, row by row from the top.
void CopyPngAlpha(TBitmap& bitmap, const TPNGObject& png);

// Multiplies the three colour bytes of every pixel by its alpha / 255,
// rounding down; the alpha stays.
void Premultiply(TBitmap& bitmap);

// Builds BaseImage from a copy of png (kept in basePng): colour pixels as a
// 32-bit device-independent bitmap, the alpha samples for colour types 4
// and 6, then premultiplied.
void BuildBaseImage(const TPNGObject& png, TPNGObject& basePng, TBitmap& baseImage);

// The same from the picture of imgTree at the globe's scale; raises
// EInvalidGraphic when there is no PNG picture to build from.
void BuildBaseImage(const TGraphic* tree, TPNGObject& basePng, TBitmap& baseImage);

}  // namespace nivarra
