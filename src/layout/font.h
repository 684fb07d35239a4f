#pragma once
// TFont: the form's font, which the layout sets through "Font.*" paths.

#include <cstdint>
#include <string>

#include "graphics/persistent.h"
#include "layout/class_info.h"

namespace nivarra {

enum TFontStyle : std::uint32_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TFont : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* PublishedClass() const override { return &StaticClassInfo(); }
  const char* ClassName() const override { return "TFont"; }
  void Assign(const TPersistent* source) override;

  int Charset() const { return charset_; }
  void SetCharset(int value) { charset_ = value; }
  std::int64_t Color() const { return color_; }
  void SetColor(std::int64_t value) { color_ = value; }
  int Height() const { return height_; }
  void SetHeight(int value) { height_ = value; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& value) { name_ = value; }
  std::uint32_t Style() const { return style_; }
  void SetStyle(std::uint32_t value) { style_ = value; }

 private:
  int charset_ = 1;  // DEFAULT_CHARSET
  std::int64_t color_ = 0xFF000008;  // clWindowText
  int height_ = -11;
  std::string name_ = "MS Sans Serif";
  std::uint32_t style_ = 0;
};

}  // namespace nivarra
