#pragma once
// TPNGObject: a PNG image read from a stream, decoded into the storage its
// header chunk owns, and drawn with its transparency.

#include <array>
#include <cstdint>

#include "graphics/bitmap_info.h"
#include "graphics/graphic.h"
#include "png/chunk.h"

namespace nivarra {

class PixelStore;
class TBitmapBase;

// How an image is transparent: not at all, by one key colour, or per pixel.
enum : int { kTransparencyNone = 0, kTransparencyColourKey = 1, kTransparencyAlpha = 2 };

class TPNGObject : public TGraphic {
 public:
  TPNGObject() = default;
  ~TPNGObject() override;

  const char* ClassName() const override { return "TPNGObject"; }

  // Replaces the content with the PNG at the stream's position. Reading stops
  // right after IEND. On failure the chunks read so far stay in the list.
  void ReadPngStream(TStream& stream);
  void LoadFromStream(TStream& stream) override { ReadPngStream(stream); }

  // Frees every chunk and resets the gamma maps to the identity.
  void Clear();

  bool HasHeader() const;
  // The first chunk as header; raises EPNGHeaderNotPresent without one.
  TChunkIHDR& HeaderChunk() const;

  bool IsEmpty() const override { return ChunkList.Count() == 0; }
  int Width() const override;
  int Height() const override;
  // Refused: a PNG is never resized through its width or height.
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  bool Transparent() const override { return TransparencyKind() != kTransparencyNone; }

  void DrawToCanvas(TCanvas& canvas, const TRect& rect) const override;
  void Assign(const TPersistent* source) override;
  void AssignTo(TPersistent& dest) const override;

  // Makes this image an independent copy of source.
  void CopyPng(const TPNGObject& source);
  // Fills bitmap with the stored colour bytes at the stored bit count (1, 4,
  // 8 or 24), rows bottom-up, with the colour table. The alpha plane is not
  // transferred.
  void ConvertToBitmap(PixelStore& bitmap) const;
  // The same into a bitmap graphic, which also takes the key colour of a
  // colour-keyed image and turns its transparency on.
  void ConvertToBitmap(TBitmapBase& bitmap) const;

  // Alpha bytes of image row y for colour types 4 and 6, else null. No range
  // test on y. Raises EPNGHeaderNotPresent without a header.
  std::uint8_t* AlphaRow(int y) const;
  // The stored row of image row y. No range test on y.
  std::uint8_t* PixelRow(int y) const;

  int TransparencyKind() const;
  TColor TransparentColour() const;

  TPNGList ChunkList;
  std::array<std::uint8_t, 256> GammaMap{};
  std::array<std::uint8_t, 256> InverseGammaMap{};
  std::uint8_t InterlaceMethod = 0;
};

}  // namespace nivarra
