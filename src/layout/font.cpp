#include "layout/font.h"

#include "layout/property_helpers.h"

namespace nivarra {

namespace {

const TTypeInfo& CharsetType() {
  static const TTypeInfo type{
      .Name = "TFontCharset",
      .IdentMap = {{"ANSI_CHARSET", 0}, {"DEFAULT_CHARSET", 1}, {"SYMBOL_CHARSET", 2},
                   {"SHIFTJIS_CHARSET", 128}, {"HANGEUL_CHARSET", 129}, {"GB2312_CHARSET", 134},
                   {"CHINESEBIG5_CHARSET", 136}, {"OEM_CHARSET", 255}, {"JOHAB_CHARSET", 130},
                   {"HEBREW_CHARSET", 177}, {"ARABIC_CHARSET", 178}, {"GREEK_CHARSET", 161},
                   {"TURKISH_CHARSET", 162}, {"VIETNAMESE_CHARSET", 163}, {"THAI_CHARSET", 222},
                   {"EASTEUROPE_CHARSET", 238}, {"RUSSIAN_CHARSET", 204}, {"MAC_CHARSET", 77},
                   {"BALTIC_CHARSET", 186}}};
  return type;
}

const TTypeInfo& FontStyleType() {
  static const TTypeInfo type{.Name = "TFontStyle", .EnumNames = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
  return type;
}

}  // namespace

const TClassInfo& TFont::StaticClassInfo() {
  static const TClassInfo info{
      .Name = "TFont",
      .Properties = {IntegerProperty("Charset", &TFont::SetCharset, CharsetType()),
                     IntegerProperty("Color", &TFont::SetColor, ColourType()),
                     IntegerProperty("Height", &TFont::SetHeight),
                     StringProperty("Name", &TFont::SetName),
                     SetProperty("Style", &TFont::SetStyle, FontStyleType())}};
  return info;
}

void TFont::Assign(const TPersistent* source) {
  if (const auto* font = dynamic_cast<const TFont*>(source)) {
    charset_ = font->charset_;
    color_ = font->color_;
    height_ = font->height_;
    name_ = font->name_;
    style_ = font->style_;
    return;
  }
  TPersistent::Assign(source);
}

}  // namespace nivarra
