#pragma once
// Controls: components with bounds inside a parent window. TImage holds a
// picture and, when auto-sized, keeps the picture's size.

#include <memory>
#include <vector>

#include "layout/component.h"

namespace nivarra {

class TPicture;

class TControl : public TComponent {
 public:
  NIVARRA_COMPONENT_CLASS()
  explicit TControl(TComponent* owner) : TComponent(owner) {}
  // Leaves the parent's controls; the controls inside lose their parent.
  ~TControl() override;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
  void SetTop(int value) { SetBounds(left_, value, width_, height_); }
  void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
  void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
  virtual void SetBounds(int left, int top, int width, int height);

  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  TControl* Parent() const { return parent_; }
  // Only a windowed control (a form) takes controls inside it.
  void SetParentComponent(TComponent* parent) override;
  TComponent* ParentComponent() const override { return parent_; }
  virtual bool AcceptsControls() const { return false; }
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Control(int index) const { return controls_[static_cast<std::size_t>(index)]; }
  void SetChildOrder(TComponent* child, int order) override;
  void ReadOwnState(TReader& reader) override;
  void DeclareCustomProperties(TReader& reader) override;

  TMethod OnClick, OnDblClick, OnMouseDown, OnMouseMove, OnMouseUp;

 private:
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true, enabled_ = true;
  TControl* parent_ = nullptr;
  std::vector<TControl*> controls_;
};

class TGraphicControl : public TControl {
 public:
  NIVARRA_COMPONENT_CLASS()
  explicit TGraphicControl(TComponent* owner) : TControl(owner) {}
};

class TImage : public TGraphicControl {
 public:
  NIVARRA_COMPONENT_CLASS()
  explicit TImage(TComponent* owner);
  ~TImage() override;

  TPicture& Picture() { return *picture_; }
  const TPicture& Picture() const { return *picture_; }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  bool Center() const { return center_; }
  void SetCenter(bool value);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool value);

  // An auto-sized image answers every resize with its picture's size.
  void SetBounds(int left, int top, int width, int height) override;

 private:
  // The reaction to a change of the picture or of how it is shown.
  void PictureChanged();

  std::unique_ptr<TPicture> picture_;
  bool autoSize_ = false, transparent_ = false, stretch_ = false, center_ = false, proportional_ = false;
};

}  // namespace nivarra
