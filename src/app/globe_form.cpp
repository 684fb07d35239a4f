#include "app/globe_form.h"

namespace nivarra {

struct GlobeFormSlots {
  static TSlotInfo Make(std::string_view name, GlobeSlot slot) {
    return TSlotInfo{name, [slot](TComponent& form, TComponent* component) {
                       static_cast<TfrmMain&>(form).slots_[static_cast<std::size_t>(slot)] = component;
                     }};
  }
};

const TClassInfo& TfrmMain::StaticClassInfo() {
  static const TClassInfo info{
      .Name = "TfrmMain",
      .Parent = &TForm::StaticClassInfo(),
      .Slots =
          {
#define NIVARRA_SLOT_INFO(name) GlobeFormSlots::Make(#name, GlobeSlot::name),
              NIVARRA_GLOBE_SLOTS(NIVARRA_SLOT_INFO)
#undef NIVARRA_SLOT_INFO
          },
      .SlotClasses = {&TPopupMenu::StaticClassInfo(), &TMenuItem::StaticClassInfo(), &TTimer::StaticClassInfo(),
                      &TImage::StaticClassInfo()},
      .Handlers = {
#define NIVARRA_HANDLER_INFO(name) \
  THandlerInfo{#name, [](TComponent& root, const TEventArgs& args) { static_cast<TfrmMain&>(root).name(args); }},
          NIVARRA_GLOBE_HANDLERS(NIVARRA_HANDLER_INFO)
#undef NIVARRA_HANDLER_INFO
      }};
  return info;
}

// Until the window gives them their behaviour, the handlers do nothing.
#define NIVARRA_HANDLER_DEF(name) \
  void TfrmMain::name(const TEventArgs&) {}
NIVARRA_GLOBE_HANDLERS(NIVARRA_HANDLER_DEF)
#undef NIVARRA_HANDLER_DEF

}  // namespace nivarra
