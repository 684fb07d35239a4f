#pragma once
// TForm: the root of a layout. It reads its own properties, remembers the
// client size while loading, owns its font, refers to its popup menu and
// is one of the process's top-level components.

#include <memory>
#include <string>
#include <vector>

#include "layout/controls.h"

namespace nivarra {

class TFont;
class TPopupMenu;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

class TForm : public TControl {
 public:
  NIVARRA_COMPONENT_CLASS()
  explicit TForm(TComponent* owner);
  ~TForm() override;

  TFont& Font() { return *font_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value) { caption_ = value; }
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle value) { borderStyle_ = value; }
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  // While the layout is read these are only remembered.
  void SetClientWidth(int value);
  void SetClientHeight(int value);
  std::int64_t Color() const { return color_; }
  void SetColor(std::int64_t value) { color_ = value; }
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool value) { keyPreview_ = value; }
  bool OldCreateOrder() const { return oldCreateOrder_; }
  void SetOldCreateOrder(bool value) { oldCreateOrder_ = value; }
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int value) { pixelsPerInch_ = value; }
  int TextHeight() const { return textHeight_; }

  TPopupMenu* PopupMenu = nullptr;
  TMethod OnCreate, OnDestroy, OnShow, OnCloseQuery, OnClose;

  bool AcceptsControls() const override { return true; }
  void ReadOwnState(TReader& reader) override;
  void DeclareCustomProperties(TReader& reader) override;

  // The process's top-level components (its forms), in creation order.
  static std::vector<TForm*> TopLevelForms();
  static TForm* FindTopLevelForm(std::string_view name);

 private:
  std::unique_ptr<TFont> font_;
  std::string caption_;
  TFormBorderStyle borderStyle_ = bsSizeable;
  int clientWidth_ = 0, clientHeight_ = 0;
  int rememberedClientWidth_ = 0, rememberedClientHeight_ = 0;
  std::int64_t color_ = 0xFF00000F;  // clBtnFace
  bool keyPreview_ = false, oldCreateOrder_ = false;
  int pixelsPerInch_ = 96;
  int textHeight_ = 0;
};

}  // namespace nivarra
