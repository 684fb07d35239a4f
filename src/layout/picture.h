#pragma once
// TPicture: the holder of an image component's graphic, and the reading of
// its stored payload (class name, then the graphic's own data).

#include <functional>
#include <memory>

#include "graphics/graphic.h"
#include "graphics/persistent.h"

namespace nivarra {

class TBitmap;
class TStream;

class TPicture : public TPersistent {
 public:
  TPicture();
  ~TPicture() override;

  const char* ClassName() const override { return "TPicture"; }
  // From nothing: empty. From a picture or a graphic: a copy of the graphic
  // in a graphic of the same class.
  void Assign(const TPersistent* source) override;

  TGraphic* Graphic() const { return graphic_.get(); }
  // Frees the current graphic, takes graphic (which may be null) and
  // announces the change.
  void SetGraphic(std::unique_ptr<TGraphic> graphic);

  // 0 without a graphic.
  int Width() const;
  int Height() const;

  // Declares the binary property "Data", read by ReadPictureData.
  void DeclareCustomProperties(TReader& reader) override;

  // Tells the image; also called when the graphic announces a change.
  void Changed();
  std::function<void(TPicture&)> OnChange;

 private:
  std::unique_ptr<TGraphic> graphic_;
};

// Reads a stored payload: one length byte and the graphic's class name,
// then that class's data. The class is looked up in FileFormats(); an
// unknown name leaves the picture empty without an error. When the graphic
// fails to read, the error propagates and the picture keeps its graphic.
void ReadPictureData(TPicture& picture, TStream& stream);

// The picture's graphic as a bitmap, replacing any other graphic (or none)
// by a new empty bitmap first.
TBitmap& PictureAsBitmap(TPicture& picture);

}  // namespace nivarra
