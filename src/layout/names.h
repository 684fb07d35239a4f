#pragma once
// Names in layouts are identifiers compared without regard to ASCII case.

#include <string_view>

namespace nivarra {

constexpr char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Same length and equal once a to z are folded onto A to Z.
constexpr bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

// A letter or underscore, then letters, digits or underscores.
constexpr bool IsIdentifier(std::string_view name) {
  if (name.empty()) return false;
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!letter(name[0])) return false;
  for (char c : name.substr(1)) {
    if (!letter(c) && !(c >= '0' && c <= '9')) return false;
  }
  return true;
}

}  // namespace nivarra
