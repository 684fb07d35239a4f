#pragma once
// TComponent: a named object with an owner that frees it, a list of the
// components it owns, and the state flags the layout reader sets.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/persistent.h"
#include "layout/class_info.h"

namespace nivarra {

class TReader;

enum TComponentState : std::uint32_t {
  csLoading = 1,
  csReading = 2,
  csInline = 4,
  csDesigning = 8,
  csDestroying = 16,
};

class TComponent : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
  const char* ClassName() const override;
  const TClassInfo* PublishedClass() const override { return &ClassInfo(); }

  // Joins owner's list of owned components, at its end.
  explicit TComponent(TComponent* owner);
  // Frees every owned component (last first) and leaves the owner's list.
  ~TComponent() override;

  const std::string& Name() const { return name_; }
  // Renames: validates the identifier, refuses a name the owner already
  // has (letter case ignored) and rebinds the owner's component slots.
  void SetName(std::string_view newName);

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Component(int index) const { return components_[static_cast<std::size_t>(index)].get(); }
  // The first owned component whose name matches (ASCII case ignored);
  // null for an empty name or no match.
  TComponent* FindOwnedComponent(std::string_view name) const;

  std::uint32_t ComponentState() const { return state_; }
  bool HasState(std::uint32_t flags) const { return (state_ & flags) != 0; }
  void SetState(std::uint32_t flags) { state_ |= flags; }
  void ClearState(std::uint32_t flags) { state_ &= ~flags; }

  // The design position of a component that is not a control.
  int DesignLeft() const { return designLeft_; }
  int DesignTop() const { return designTop_; }
  void SetDesignPosition(int left, int top) {
    designLeft_ = left;
    designTop_ = top;
  }

  // --- what the layout reader calls ---------------------------------------
  // A control makes the enclosing window its parent, a menu item joins the
  // enclosing menu; other components ignore it.
  virtual void SetParentComponent(TComponent* parent) { (void)parent; }
  // The component that encloses this one (a control's window, a menu item's
  // item or menu), or null.
  virtual TComponent* ParentComponent() const { return nullptr; }
  // Where this component's child records go, and who owns them (null: the root).
  virtual TComponent* ChildParent() { return this; }
  virtual TComponent* ChildOwner() { return nullptr; }
  // Moves child to position order among this component's children.
  virtual void SetChildOrder(TComponent* child, int order) {
    (void)child;
    (void)order;
  }
  // Reads this component's property records and child records.
  virtual void ReadOwnState(TReader& reader);
  // The end of loading: clears the loading flag; subclasses complete what
  // they deferred.
  virtual void FinishLoading();
  // "Left" and "Top" of components that are not controls.
  void DeclareCustomProperties(TReader& reader) override;

 protected:
  // Checks that newName is free among the owned components.
  virtual void ValidateRename(TComponent& component, std::string_view oldName, std::string_view newName);

 private:
  void BindSlot(std::string_view name, TComponent* component);

  TComponent* owner_ = nullptr;
  std::vector<std::unique_ptr<TComponent>> components_;
  std::string name_;
  std::uint32_t state_ = 0;
  int designLeft_ = 0;
  int designTop_ = 0;
};

// Declares the class table of a component class: StaticClassInfo and the
// ClassInfo override.
#define NIVARRA_COMPONENT_CLASS()                                   \
  static const TClassInfo& StaticClassInfo();                       \
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

}  // namespace nivarra
