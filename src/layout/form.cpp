#include "layout/form.h"

#include <algorithm>
#include <mutex>

#include "layout/font.h"
#include "layout/menus.h"
#include "layout/names.h"
#include "layout/property_helpers.h"
#include "layout/reader.h"

namespace nivarra {

namespace {

const TTypeInfo& BorderStyleType() {
  static const TTypeInfo type{.Name = "TFormBorderStyle",
                              .EnumNames = {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow",
                                            "bsSizeToolWin"}};
  return type;
}

const TTypeInfo& FontType() {
  static const TTypeInfo type{.Name = "TFont", .ObjectClass = &TFont::StaticClassInfo()};
  return type;
}

const TTypeInfo& PopupMenuType() {
  static const TTypeInfo type{.Name = "TPopupMenu", .ObjectClass = &TPopupMenu::StaticClassInfo()};
  return type;
}

struct FormList {
  std::mutex lock;
  std::vector<TForm*> forms;
};

FormList& Forms() {
  static FormList list;
  return list;
}

}  // namespace

const TClassInfo& TForm::StaticClassInfo() {
  static const TClassInfo info{
      .Name = "TForm",
      .Parent = &TControl::StaticClassInfo(),
      .Properties = {EnumProperty("BorderStyle", &TForm::SetBorderStyle, BorderStyleType()),
                     StringProperty("Caption", &TForm::SetCaption),
                     IntegerProperty("ClientHeight", &TForm::SetClientHeight),
                     IntegerProperty("ClientWidth", &TForm::SetClientWidth),
                     IntegerProperty("Color", &TForm::SetColor, ColourType()),
                     OwnedObjectProperty<TForm, TFont>("Font", &TForm::Font, FontType()),
                     BooleanProperty("KeyPreview", &TForm::SetKeyPreview),
                     BooleanProperty("OldCreateOrder", &TForm::SetOldCreateOrder),
                     IntegerProperty("PixelsPerInch", &TForm::SetPixelsPerInch),
                     ReferenceProperty<TForm, TPopupMenu>("PopupMenu", &TForm::PopupMenu, PopupMenuType()),
                     EventProperty("OnCreate", &TForm::OnCreate), EventProperty("OnDestroy", &TForm::OnDestroy),
                     EventProperty("OnShow", &TForm::OnShow), EventProperty("OnCloseQuery", &TForm::OnCloseQuery),
                     EventProperty("OnClose", &TForm::OnClose)}};
  return info;
}

TForm::TForm(TComponent* owner) : TControl(owner), font_(std::make_unique<TFont>()) {
  FormList& list = Forms();
  std::lock_guard<std::mutex> guard(list.lock);
  list.forms.push_back(this);
}

TForm::~TForm() {
  FormList& list = Forms();
  std::lock_guard<std::mutex> guard(list.lock);
  list.forms.erase(std::remove(list.forms.begin(), list.forms.end(), this), list.forms.end());
}

std::vector<TForm*> TForm::TopLevelForms() {
  FormList& list = Forms();
  std::lock_guard<std::mutex> guard(list.lock);
  return list.forms;
}

TForm* TForm::FindTopLevelForm(std::string_view name) {
  for (TForm* form : TopLevelForms()) {
    if (!name.empty() && SameName(form->Name(), name)) return form;
  }
  return nullptr;
}

void TForm::SetClientWidth(int value) {
  if (HasState(csReading)) {
    rememberedClientWidth_ = value;
  } else {
    clientWidth_ = value;
  }
}

void TForm::SetClientHeight(int value) {
  if (HasState(csReading)) {
    rememberedClientHeight_ = value;
  } else {
    clientHeight_ = value;
  }
}

void TForm::ReadOwnState(TReader& reader) {
  rememberedClientWidth_ = 0;
  rememberedClientHeight_ = 0;
  textHeight_ = 0;
  oldCreateOrder_ = true;
  TControl::ReadOwnState(reader);
  // The layout's text height is that of this display: no scaling. The
  // globe's size comes from its picture anyway.
  if (rememberedClientWidth_ > 0 && rememberedClientHeight_ > 0) {
    clientWidth_ = rememberedClientWidth_;
    clientHeight_ = rememberedClientHeight_;
  }
}

void TForm::DeclareCustomProperties(TReader& reader) {
  TControl::DeclareCustomProperties(reader);
  reader.DeclareProperty("TextHeight", [this](TReader& r) { textHeight_ = r.ReadWholeNumber(); });
  // The size the layout was designed at: two numbers in a list.
  reader.DeclareProperty("DesignSize", [](TReader& r) {
    r.ExpectListStart();
    r.ReadWholeNumber();
    r.ReadWholeNumber();
    r.ExpectListEnd();
  });
  // A top-level form has no parent to take a font from: the default one.
  reader.DeclareProperty("IgnoreFontProperty", [this](TReader& r) {
    if (r.ReadBooleanValue()) font_ = std::make_unique<TFont>();
  });
}

}  // namespace nivarra
