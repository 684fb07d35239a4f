#include "layout/class_info.h"

#include <mutex>

#include "layout/names.h"

namespace nivarra {

bool TClassInfo::InheritsFrom(const TClassInfo& ancestor) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->Parent) {
    if (c == &ancestor) return true;
  }
  return false;
}

namespace {

template <class Item, class Member>
const Item* FindInChain(const TClassInfo& cls, std::string_view name, Member member) {
  for (const TClassInfo* c = &cls; c != nullptr; c = c->Parent) {
    for (const Item& item : c->*member) {
      if (SameName(item.Name, name)) return &item;
    }
  }
  return nullptr;
}

struct ClassRegistry {
  std::mutex lock;
  std::vector<const TClassInfo*> classes;
  std::vector<std::pair<std::string, const TClassInfo*>> aliases;
};

ClassRegistry& Registry() {
  static ClassRegistry registry;
  return registry;
}

}  // namespace

const TPropInfo* FindProperty(const TClassInfo& cls, std::string_view name) {
  return FindInChain<TPropInfo>(cls, name, &TClassInfo::Properties);
}

const TSlotInfo* FindSlot(const TClassInfo& cls, std::string_view name) {
  return FindInChain<TSlotInfo>(cls, name, &TClassInfo::Slots);
}

const THandlerInfo* FindHandler(const TClassInfo& cls, std::string_view name) {
  return FindInChain<THandlerInfo>(cls, name, &TClassInfo::Handlers);
}

const TClassInfo* FindSlotClass(const TClassInfo& cls, std::string_view name) {
  for (const TClassInfo* c = &cls; c != nullptr; c = c->Parent) {
    for (const TClassInfo* slotClass : c->SlotClasses) {
      if (SameName(slotClass->Name, name)) return slotClass;
    }
  }
  return nullptr;
}

void RegisterClass(const TClassInfo& cls) {
  ClassRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const TClassInfo* known : r.classes) {
    if (known == &cls) return;
  }
  r.classes.push_back(&cls);
}

void RegisterClassAlias(const TClassInfo& cls, std::string_view alias) {
  ClassRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.aliases.emplace_back(std::string(alias), &cls);
}

const TClassInfo* FindRegisteredClass(std::string_view name) {
  ClassRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const TClassInfo* cls : r.classes) {
    if (SameName(cls->Name, name)) return cls;
  }
  for (const auto& [alias, cls] : r.aliases) {
    if (SameName(alias, name)) return cls;
  }
  return nullptr;
}

int FindEnumOrdinal(std::span<const std::string_view> names, std::string_view name) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (SameName(names[i], name)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace nivarra
