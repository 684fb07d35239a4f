#include "layout/picture.h"

#include <string>

#include "graphics/stream.h"
#include "layout/bitmap.h"
#include "layout/file_formats.h"
#include "layout/layout_errors.h"
#include "layout/reader.h"

namespace nivarra {

// The registry exists from the first picture on.
TPicture::TPicture() { FileFormats(); }

TPicture::~TPicture() = default;

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  if (graphic_) graphic_->OnChange = [this](TGraphic&) { Changed(); };
  Changed();
}

int TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
int TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

void TPicture::DeclareCustomProperties(TReader& reader) {
  TPersistent::DeclareCustomProperties(reader);
  reader.DeclareBinaryProperty("Data", [this](TStream& stream) { ReadPictureData(*this, stream); });
}

void TPicture::Changed() {
  if (OnChange) OnChange(*this);
}

void TPicture::Assign(const TPersistent* source) {
  if (source == nullptr) {
    SetGraphic(nullptr);
    return;
  }
  const TGraphic* graphic = nullptr;
  if (const auto* picture = dynamic_cast<const TPicture*>(source)) {
    graphic = picture->Graphic();
    if (graphic == nullptr) {
      SetGraphic(nullptr);
      return;
    }
  } else {
    graphic = dynamic_cast<const TGraphic*>(source);
  }
  if (graphic == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  const TFileFormat* format = FileFormats().FindGraphicClass(graphic->ClassName());
  if (format == nullptr || !format->Create) AssignError(source);
  std::unique_ptr<TGraphic> copy = format->Create();
  copy->Assign(graphic);
  SetGraphic(std::move(copy));
}

void ReadPictureData(TPicture& picture, TStream& stream) {
  std::uint8_t length = 0;
  if (stream.Read(&length, 1) != 1) throw EReadError(layout_text::kStreamReadError);
  std::string className(length, '\0');
  if (stream.Read(className.data(), length) != length) throw EReadError(layout_text::kStreamReadError);

  // A class registered without a way to make it (one this program does not
  // have) reads like an unknown one: the picture is left empty.
  std::unique_ptr<TGraphic> graphic;
  const TFileFormat* format = FileFormats().FindGraphicClass(className);
  if (format != nullptr && format->Create) {
    graphic = format->Create();
    graphic->LoadFromStream(stream);
  }
  picture.SetGraphic(std::move(graphic));
}

TBitmap& PictureAsBitmap(TPicture& picture) {
  if (auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic())) return *bitmap;
  picture.SetGraphic(std::make_unique<TBitmap>());
  return static_cast<TBitmap&>(*picture.Graphic());
}

}  // namespace nivarra
