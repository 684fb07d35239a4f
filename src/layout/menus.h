#pragma once
// Menu items and the popup menu: the layout builds the tree, the platform
// shows it.

#include <memory>
#include <string>
#include <vector>

#include "layout/component.h"

namespace nivarra {

class TMenuItem : public TComponent {
 public:
  NIVARRA_COMPONENT_CLASS()
  explicit TMenuItem(TComponent* owner) : TComponent(owner) {}
  // Leaves the item above and lets go of the items below.
  ~TMenuItem() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value) { caption_ = value; }
  bool IsSeparator() const { return caption_ == "-"; }
  bool Checked() const { return checked_; }
  // Checking a radio item unchecks the radio items of its group under the
  // same parent.
  void SetChecked(bool value);
  bool Default() const { return default_; }
  void SetDefault(bool value) { default_ = value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool value) { radioItem_ = value; }
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool value) { autoCheck_ = value; }
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int value) { groupIndex_ = value; }
  int ShortCut() const { return shortCut_; }
  void SetShortCut(int value) { shortCut_ = value; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value) { hint_ = value; }

  // The sub-items, in order, and the item (or menu root) above.
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Item(int index) const { return items_[static_cast<std::size_t>(index)]; }
  TMenuItem* ParentItem() const { return parent_; }
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);

  // A click: a self-toggling item inverts its check mark, then the handler runs.
  void Click();
  void SetParentComponent(TComponent* parent) override;
  TComponent* ParentComponent() const override;
  void SetChildOrder(TComponent* child, int order) override;

  TMethod OnClick;

 private:
  std::string caption_, hint_;
  bool checked_ = false, default_ = false, enabled_ = true, visible_ = true, radioItem_ = false,
       autoCheck_ = false;
  int groupIndex_ = 0, shortCut_ = 0;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
  TComponent* menu_ = nullptr;  // set on a menu's invisible root item
  friend class TPopupMenu;
};

class TPopupMenu : public TComponent {
 public:
  NIVARRA_COMPONENT_CLASS()
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  // The invisible root whose sub-items are the menu's items.
  TMenuItem& Items() { return *items_; }
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool value) { autoPopup_ = value; }
  void SetChildOrder(TComponent* child, int order) override;

  TMethod OnPopup;

 private:
  std::unique_ptr<TMenuItem> items_;
  bool autoPopup_ = true;
};

}  // namespace nivarra
