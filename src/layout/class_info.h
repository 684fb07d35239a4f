#pragma once
// Published metadata: what the layout reader knows of each class. One
// table per class, searched from the class through its ancestors: its
// published properties with their kind and type details, its component
// slots, its handlers and its virtual constructor. The tables are built by
// small registration code next to each class.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace nivarra {

class TPersistent;
class TComponent;
struct TClassInfo;

enum class TPropKind { Integer, Char, Enumeration, Float, String, WideString, Int64, Set, Class, Method, Interface, Variant };

// Names and values an integer type accepts as identifiers ("clBtnFace").
struct TIdentMapEntry {
  std::string_view Name;
  std::int64_t Value;
};

// Type details of a property.
struct TTypeInfo {
  std::string_view Name;
  // Enumerations (and a set's base enumeration): the names by ordinal.
  std::vector<std::string_view> EnumNames;
  // Integer types: the identifier map, if one is registered.
  std::vector<TIdentMapEntry> IdentMap;
  // Class properties: the class of the object the property holds.
  const TClassInfo* ObjectClass = nullptr;
};

// A bound event handler: a handler of the root's class and the root object.
struct THandlerInfo;
struct TMethod {
  const THandlerInfo* Handler = nullptr;
  TComponent* Data = nullptr;
  explicit operator bool() const { return Handler != nullptr; }
};

// Everything an event may carry; each event uses what it needs.
enum class TMouseButton { Left, Right, Middle };
struct TEventArgs {
  TPersistent* Sender = nullptr;
  TMouseButton Button = TMouseButton::Left;
  std::uint32_t Shift = 0;
  int X = 0;
  int Y = 0;
  bool* CanClose = nullptr;
};

struct THandlerInfo {
  std::string_view Name;
  std::function<void(TComponent& root, const TEventArgs& args)> Invoke;
};

// Fires a bound event.
inline void Fire(const TMethod& method, const TEventArgs& args) {
  if (method.Handler != nullptr && method.Data != nullptr) method.Handler->Invoke(*method.Data, args);
}

// A value on its way to a property setter.
using TPropValue = std::variant<std::int64_t, double, std::string, std::u16string, TPersistent*, TMethod>;

struct TPropInfo {
  std::string_view Name;
  TPropKind Kind;
  const TTypeInfo* Type = nullptr;
  // Null for a property without a setter (read-only).
  std::function<void(TPersistent& object, const TPropValue& value)> Set;
  // Class properties: the object the property holds now.
  std::function<TPersistent*(TPersistent& object)> Get;
};

// A named field of a form that refers to the owned component of that name.
struct TSlotInfo {
  std::string_view Name;
  std::function<void(TComponent& form, TComponent* component)> Bind;
};

struct TClassInfo {
  std::string_view Name;
  const TClassInfo* Parent = nullptr;
  std::vector<TPropInfo> Properties;
  std::vector<TSlotInfo> Slots;
  std::vector<const TClassInfo*> SlotClasses;
  std::vector<THandlerInfo> Handlers;
  // The virtual constructor: a new instance owned by owner. Null for
  // classes that are not components or cannot be created by the reader.
  TComponent* (*Create)(TComponent* owner) = nullptr;

  bool InheritsFrom(const TClassInfo& ancestor) const;
};

// Lookups through the class and its ancestors, names compared without
// regard to ASCII case.
const TPropInfo* FindProperty(const TClassInfo& cls, std::string_view name);
const TSlotInfo* FindSlot(const TClassInfo& cls, std::string_view name);
const THandlerInfo* FindHandler(const TClassInfo& cls, std::string_view name);
const TClassInfo* FindSlotClass(const TClassInfo& cls, std::string_view name);

// The registered classes a layout may name beyond the form's slot classes.
void RegisterClass(const TClassInfo& cls);
// Another name under which a layout may name a registered class.
void RegisterClassAlias(const TClassInfo& cls, std::string_view alias);
const TClassInfo* FindRegisteredClass(std::string_view name);

// Ordinal of name among names (ASCII case ignored), or -1.
int FindEnumOrdinal(std::span<const std::string_view> names, std::string_view name);

template <class T>
TComponent* CreateComponentOf(TComponent* owner) {
  return new T(owner);
}

}  // namespace nivarra
