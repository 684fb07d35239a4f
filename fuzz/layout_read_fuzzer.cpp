// Feeds arbitrary bytes to the layout loader as the layout of a form shaped
// like the program's window. Every refusal must arrive as one of our
// exceptions; anything else is a finding. Inputs whose first byte is odd
// are read with an error hook that lets reading go on past every error it
// may, which walks the skipping paths.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/exception.h"
#include "graphics/stream.h"
#include "layout/controls.h"
#include "layout/form.h"
#include "layout/loader.h"
#include "layout/menus.h"
#include "layout/timer.h"
#include "png/image_storage.h"

namespace {

using namespace nivarra;

class TFuzzForm : public TForm {
 public:
  NIVARRA_COMPONENT_CLASS()
  TFuzzForm() : TForm(nullptr) {}
  TImage* imgTree = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  TTimer* Timer1 = nullptr;
};

const TClassInfo& TFuzzForm::StaticClassInfo() {
  static const TClassInfo info{
      .Name = "TFuzzForm",
      .Parent = &TForm::StaticClassInfo(),
      .Slots = {{"imgTree", [](TComponent& f, TComponent* c) { static_cast<TFuzzForm&>(f).imgTree = dynamic_cast<TImage*>(c); }},
                {"PopupMenu1",
                 [](TComponent& f, TComponent* c) { static_cast<TFuzzForm&>(f).PopupMenu1 = dynamic_cast<TPopupMenu*>(c); }},
                {"Timer1", [](TComponent& f, TComponent* c) { static_cast<TFuzzForm&>(f).Timer1 = dynamic_cast<TTimer*>(c); }}},
      .SlotClasses = {&TImage::StaticClassInfo(), &TPopupMenu::StaticClassInfo(), &TMenuItem::StaticClassInfo(),
                      &TTimer::StaticClassInfo()},
      .Handlers = {{"FormShow", [](TComponent&, const TEventArgs&) {}},
                   {"pmiClick", [](TComponent&, const TEventArgs&) {}}}};
  return info;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ImageStorageLimit() = std::size_t{16} << 20;
  const bool withHook = size > 0 && (data[0] & 1) != 0;
  TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
  TFuzzForm form;
  try {
    TReader reader(stream, 4096);
    TLayoutLoader loader(reader);
    if (withHook) loader.OnError = [](const std::string&, bool& handled) { handled = true; };
    loader.ReadLayoutRoot(form);
  } catch (const Exception&) {
    // A refused layout: the components made so far go with the form.
  }
  return 0;
}
