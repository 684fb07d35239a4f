#include "layout/controls.h"

#include <algorithm>

#include "layout/reader.h"

#include "layout/picture.h"
#include "layout/property_helpers.h"

namespace nivarra {

namespace {
const TTypeInfo& PictureType() {
  static const TTypeInfo type{.Name = "TPicture"};
  return type;
}
}  // namespace

const TClassInfo& TControl::StaticClassInfo() {
  static const TClassInfo info{
      .Name = "TControl",
      .Parent = &TComponent::StaticClassInfo(),
      .Properties = {IntegerProperty("Left", &TControl::SetLeft), IntegerProperty("Top", &TControl::SetTop),
                     IntegerProperty("Width", &TControl::SetWidth), IntegerProperty("Height", &TControl::SetHeight),
                     BooleanProperty("Visible", &TControl::SetVisible),
                     BooleanProperty("Enabled", &TControl::SetEnabled),
                     EventProperty("OnClick", &TControl::OnClick), EventProperty("OnDblClick", &TControl::OnDblClick),
                     EventProperty("OnMouseDown", &TControl::OnMouseDown),
                     EventProperty("OnMouseMove", &TControl::OnMouseMove),
                     EventProperty("OnMouseUp", &TControl::OnMouseUp)}};
  return info;
}

TControl::~TControl() {
  SetParentComponent(nullptr);
  for (TControl* control : controls_) control->parent_ = nullptr;
}

void TControl::SetParentComponent(TComponent* parent) {
  auto* window = dynamic_cast<TControl*>(parent);
  if (window != nullptr && !window->AcceptsControls()) window = nullptr;
  if (window == parent_) return;
  if (parent_ != nullptr) std::erase(parent_->controls_, this);
  parent_ = window;
  if (parent_ != nullptr) parent_->controls_.push_back(this);
}

void TControl::SetChildOrder(TComponent* child, int order) {
  auto* control = dynamic_cast<TControl*>(child);
  if (control == nullptr || control->parent_ != this) return;
  std::erase(controls_, control);
  const auto at = static_cast<std::size_t>(std::clamp<int>(order, 0, ControlCount()));
  controls_.insert(controls_.begin() + static_cast<std::ptrdiff_t>(at), control);
}

void TControl::ReadOwnState(TReader& reader) { TComponent::ReadOwnState(reader); }

void TControl::DeclareCustomProperties(TReader& reader) {
  TComponent::DeclareCustomProperties(reader);
  // Written by designers for controls that are not windows; nothing to keep.
  reader.DeclareProperty("IsControl", [](TReader& r) { r.ReadBooleanValue(); });
}

void TControl::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

const TClassInfo& TGraphicControl::StaticClassInfo() {
  static const TClassInfo info{.Name = "TGraphicControl", .Parent = &TControl::StaticClassInfo()};
  return info;
}

const TClassInfo& TImage::StaticClassInfo() {
  static const TClassInfo info{
      .Name = "TImage",
      .Parent = &TGraphicControl::StaticClassInfo(),
      .Properties = {BooleanProperty("AutoSize", &TImage::SetAutoSize),
                     OwnedObjectProperty<TImage, TPicture>("Picture", &TImage::Picture, PictureType()),
                     BooleanProperty("Transparent", &TImage::SetTransparent),
                     BooleanProperty("Stretch", &TImage::SetStretch),
                     BooleanProperty("Center", &TImage::SetCenter),
                     BooleanProperty("Proportional", &TImage::SetProportional)},
      .Create = &CreateComponentOf<TImage>};
  return info;
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
  TControl::SetBounds(0, 0, 105, 105);
  picture_->OnChange = [this](TPicture&) { PictureChanged(); };
}

TImage::~TImage() = default;

void TImage::SetAutoSize(bool value) {
  autoSize_ = value;
  if (value) PictureChanged();
}

void TImage::SetTransparent(bool value) {
  transparent_ = value;
  PictureChanged();
}

void TImage::SetStretch(bool value) {
  stretch_ = value;
  PictureChanged();
}

void TImage::SetCenter(bool value) {
  center_ = value;
  PictureChanged();
}

void TImage::SetProportional(bool value) {
  proportional_ = value;
  PictureChanged();
}

void TImage::SetBounds(int left, int top, int width, int height) {
  if (autoSize_ && picture_->Width() > 0 && picture_->Height() > 0) {
    width = picture_->Width();
    height = picture_->Height();
  }
  TControl::SetBounds(left, top, width, height);
}

void TImage::PictureChanged() {
  if (autoSize_ && picture_->Width() > 0 && picture_->Height() > 0) {
    SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
  }
  // Metafiles and icons keep their own transparency; we have neither.
  if (TGraphic* graphic = picture_->Graphic()) graphic->SetTransparent(transparent_);
}

}  // namespace nivarra
