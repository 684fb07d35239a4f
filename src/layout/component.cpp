#include "layout/component.h"

#include <algorithm>

#include "layout/layout_errors.h"
#include "layout/loader.h"
#include "layout/names.h"
#include "layout/reader.h"

namespace nivarra {

const TClassInfo& TComponent::StaticClassInfo() {
  static const TClassInfo info{.Name = "TComponent", .Properties = {}};
  return info;
}

const char* TComponent::ClassName() const { return ClassInfo().Name.data(); }

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) {
    owner->components_.emplace_back(this);
    owner_ = owner;
  }
}

TComponent::~TComponent() {
  SetState(csDestroying);
  DropGlobalFixups(this);
  while (!components_.empty()) {
    std::unique_ptr<TComponent> child = std::move(components_.back());
    components_.pop_back();
    child->owner_ = nullptr;
    BindSlot(child->name_, nullptr);
  }
  if (owner_ != nullptr) {
    owner_->BindSlot(name_, nullptr);
    auto& list = owner_->components_;
    auto it = std::find_if(list.begin(), list.end(), [this](const auto& c) { return c.get() == this; });
    if (it != list.end()) {
      it->release();  // we are being destroyed already
      list.erase(it);
    }
  }
}

TComponent* TComponent::FindOwnedComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (const auto& c : components_) {
    if (SameName(c->name_, name)) return c.get();
  }
  return nullptr;
}

void TComponent::SetName(std::string_view newName) {
  if (newName == name_) return;
  if (!newName.empty() && !IsIdentifier(newName)) {
    throw EComponentError(FormatMessage(layout_text::kInvalidComponentName, {std::string(newName)}));
  }
  if (owner_ != nullptr) {
    owner_->ValidateRename(*this, name_, newName);
  } else {
    ValidateRename(*this, name_, newName);
  }
  if (owner_ != nullptr) owner_->BindSlot(name_, nullptr);
  name_ = std::string(newName);
  if (owner_ != nullptr) owner_->BindSlot(name_, this);
}

void TComponent::ValidateRename(TComponent& component, std::string_view oldName, std::string_view newName) {
  // Only an owner checks; a change of letter case alone is no clash.
  if (&component == this || SameName(oldName, newName)) return;
  if (FindOwnedComponent(newName) != nullptr) {
    throw EComponentError(FormatMessage(layout_text::kDuplicateName, {std::string(newName)}));
  }
}

void TComponent::BindSlot(std::string_view name, TComponent* component) {
  if (name.empty()) return;
  if (const TSlotInfo* slot = FindSlot(ClassInfo(), name)) slot->Bind(*this, component);
}

void TComponent::FinishLoading() { ClearState(csLoading); }

}  // namespace nivarra
