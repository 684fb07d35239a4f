#pragma once
// Small builders for the published property tables: each turns a setter
// (or field) of a class into a TPropInfo.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "layout/class_info.h"

namespace nivarra {

// Shared type details.
const TTypeInfo& IntegerType();
const TTypeInfo& BooleanType();
const TTypeInfo& StringType();
const TTypeInfo& ColourType();  // integer with the colour identifiers

template <class C, class T>
TPropInfo IntegerProperty(std::string_view name, void (C::*setter)(T), const TTypeInfo& type = IntegerType()) {
  return TPropInfo{name, TPropKind::Integer, &type, [setter](TPersistent& o, const TPropValue& v) {
                     (static_cast<C&>(o).*setter)(static_cast<T>(std::get<std::int64_t>(v)));
                   }};
}

template <class C>
TPropInfo BooleanProperty(std::string_view name, void (C::*setter)(bool)) {
  return TPropInfo{name, TPropKind::Enumeration, &BooleanType(), [setter](TPersistent& o, const TPropValue& v) {
                     (static_cast<C&>(o).*setter)(std::get<std::int64_t>(v) != 0);
                   }};
}

template <class C, class T>
TPropInfo EnumProperty(std::string_view name, void (C::*setter)(T), const TTypeInfo& type) {
  return TPropInfo{name, TPropKind::Enumeration, &type, [setter](TPersistent& o, const TPropValue& v) {
                     (static_cast<C&>(o).*setter)(static_cast<T>(std::get<std::int64_t>(v)));
                   }};
}

template <class C>
TPropInfo SetProperty(std::string_view name, void (C::*setter)(std::uint32_t), const TTypeInfo& baseType) {
  return TPropInfo{name, TPropKind::Set, &baseType, [setter](TPersistent& o, const TPropValue& v) {
                     (static_cast<C&>(o).*setter)(static_cast<std::uint32_t>(std::get<std::int64_t>(v)));
                   }};
}

template <class C>
TPropInfo StringProperty(std::string_view name, void (C::*setter)(const std::string&)) {
  return TPropInfo{name, TPropKind::String, &StringType(), [setter](TPersistent& o, const TPropValue& v) {
                     (static_cast<C&>(o).*setter)(std::get<std::string>(v));
                   }};
}

// An event: the bound handler is stored in the field.
template <class C>
TPropInfo EventProperty(std::string_view name, TMethod C::*field) {
  return TPropInfo{name, TPropKind::Method, nullptr, [field](TPersistent& o, const TPropValue& v) {
                     static_cast<C&>(o).*field = std::get<TMethod>(v);
                   }};
}

// An object the class owns (a font, a picture): paths go through it, and a
// value assigned to it is copied in.
template <class C, class T>
TPropInfo OwnedObjectProperty(std::string_view name, T& (C::*getter)(), const TTypeInfo& type) {
  return TPropInfo{name, TPropKind::Class, &type,
                   [getter](TPersistent& o, const TPropValue& v) {
                     (static_cast<C&>(o).*getter)().Assign(std::get<TPersistent*>(v));
                   },
                   [getter](TPersistent& o) -> TPersistent* { return &(static_cast<C&>(o).*getter)(); }};
}

// A reference to another component (resolved after the layout is read).
template <class C, class T>
TPropInfo ReferenceProperty(std::string_view name, T* C::*field, const TTypeInfo& type) {
  return TPropInfo{name, TPropKind::Class, &type,
                   [field](TPersistent& o, const TPropValue& v) {
                     static_cast<C&>(o).*field = dynamic_cast<T*>(std::get<TPersistent*>(v));
                   },
                   [field](TPersistent& o) -> TPersistent* { return static_cast<C&>(o).*field; }};
}

}  // namespace nivarra
