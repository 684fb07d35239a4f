#include "layout/menus.h"

#include <algorithm>

#include "layout/property_helpers.h"

namespace nivarra {

const TClassInfo& TMenuItem::StaticClassInfo() {
  static const TClassInfo info{
      .Name = "TMenuItem",
      .Parent = &TComponent::StaticClassInfo(),
      .Properties = {BooleanProperty("AutoCheck", &TMenuItem::SetAutoCheck),
                     StringProperty("Caption", &TMenuItem::SetCaption),
                     BooleanProperty("Checked", &TMenuItem::SetChecked),
                     BooleanProperty("Default", &TMenuItem::SetDefault),
                     BooleanProperty("Enabled", &TMenuItem::SetEnabled),
                     IntegerProperty("GroupIndex", &TMenuItem::SetGroupIndex),
                     StringProperty("Hint", &TMenuItem::SetHint),
                     BooleanProperty("RadioItem", &TMenuItem::SetRadioItem),
                     IntegerProperty("ShortCut", &TMenuItem::SetShortCut),
                     BooleanProperty("Visible", &TMenuItem::SetVisible),
                     EventProperty("OnClick", &TMenuItem::OnClick)},
      .Create = &CreateComponentOf<TMenuItem>};
  return info;
}

TMenuItem::~TMenuItem() {
  if (parent_ != nullptr) parent_->Remove(this);
  for (TMenuItem* item : items_) item->parent_ = nullptr;
}

void TMenuItem::SetChecked(bool value) {
  checked_ = value;
  if (!value || !radioItem_ || parent_ == nullptr) return;
  for (TMenuItem* sibling : parent_->items_) {
    if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_) sibling->checked_ = false;
  }
}

void TMenuItem::Add(TMenuItem* item) {
  if (item->parent_ != nullptr) item->parent_->Remove(item);
  items_.push_back(item);
  item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
  items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
  if (item->parent_ == this) item->parent_ = nullptr;
}

void TMenuItem::Click() {
  if (autoCheck_) SetChecked(!checked_);
  Fire(OnClick, TEventArgs{.Sender = this});
}

void TMenuItem::SetParentComponent(TComponent* parent) {
  if (auto* item = dynamic_cast<TMenuItem*>(parent)) {
    item->Add(this);
  } else if (auto* menu = dynamic_cast<TPopupMenu*>(parent)) {
    menu->Items().Add(this);
  }
}

TComponent* TMenuItem::ParentComponent() const {
  if (parent_ != nullptr && parent_->menu_ != nullptr) return parent_->menu_;
  return parent_;
}

void TMenuItem::SetChildOrder(TComponent* child, int order) {
  auto* item = dynamic_cast<TMenuItem*>(child);
  if (item == nullptr || item->parent_ != this) return;
  items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
  const auto at = static_cast<std::size_t>(std::clamp<int>(order, 0, Count()));
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), item);
}

const TClassInfo& TPopupMenu::StaticClassInfo() {
  static const TClassInfo info{
      .Name = "TPopupMenu",
      .Parent = &TComponent::StaticClassInfo(),
      .Properties = {BooleanProperty("AutoPopup", &TPopupMenu::SetAutoPopup),
                     EventProperty("OnPopup", &TPopupMenu::OnPopup)},
      .Create = &CreateComponentOf<TPopupMenu>};
  return info;
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr)) {
  items_->menu_ = this;
}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::SetChildOrder(TComponent* child, int order) { items_->SetChildOrder(child, order); }

}  // namespace nivarra
