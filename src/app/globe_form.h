#pragma once
// TfrmMain: the globe window as its layout knows it — one slot for every
// component of the layout and the handlers the layout binds. The handlers'
// behaviour comes with the window itself; here they only exist by name.

#include <array>
#include <string_view>

#include "layout/controls.h"
#include "layout/form.h"
#include "layout/menus.h"
#include "layout/timer.h"

namespace nivarra {

// The form's component slots, in layout order: images, the popup menu and
// its items (depth first), the timers.
#define NIVARRA_GLOBE_SLOTS(X)                                                                            \
  X(Snow1) X(Snow2) X(Snow3) X(Snow4) X(Snow5) X(Snow6) X(imgTree) X(imgMask) X(imgDay) X(imgStars)       \
  X(sun1) X(sun2) X(sun3) X(sun4) X(sun5) X(sundown1) X(sundown2) X(sundown3) X(sundown4) X(sundown5)      \
  X(moon1) X(moon2) X(moon3) X(moon4) X(moon5) X(imgLandscape) X(imgHome) X(imgSugrob) X(img3)            \
  X(d0) X(d1) X(d2) X(d3) X(d4) X(d5) X(d6) X(d7) X(d8) X(d9) X(imgDDay) X(imgDays)                      \
  X(PopupMenu) X(pmiAbout) X(N1) X(Speedofanimation1) X(pmiSlow) X(pmiNormal) X(pmiFast) X(pmiQuickly)   \
  X(Countdown1) X(pmiChristmas) X(pmiNewYear) X(pmiJulian) X(Options1) X(pmiSnow) X(ransparent1) X(pmi0)  \
  X(pmi10) X(pmi20) X(pmi30) X(pmi40) X(pmi50) X(pmi60) X(pmi70) X(pmi80) X(pmi90) X(pmiOnTop)            \
  X(pmiStartUp) X(N2) X(pmiExit) X(TimerGarland) X(timerCountSnow)

// The handlers the layout may bind, by name.
#define NIVARRA_GLOBE_HANDLERS(X)                                                                         \
  X(FormCreate) X(FormDestroy) X(FormMouseDown) X(pmiAboutClick) X(pmiOnTopClick) X(pmiExitClick)         \
  X(FormShow) X(pmi0Click) X(pmi10Click) X(pmi20Click) X(pmi30Click) X(pmi40Click) X(pmi50Click)          \
  X(pmi60Click) X(pmi70Click) X(pmi80Click) X(pmi90Click) X(FormCloseQuery) X(TimerGarlandTimer)          \
  X(pmiChristmasClick) X(pmiNewYearClick) X(pmiJulianClick) X(pmiSlowClick) X(pmiNormalClick)             \
  X(pmiFastClick) X(pmiQuicklyClick) X(pmiSnowClick) X(timerCountSnowTimer)

enum class GlobeSlot {
#define NIVARRA_SLOT_ENUM(name) name,
  NIVARRA_GLOBE_SLOTS(NIVARRA_SLOT_ENUM)
#undef NIVARRA_SLOT_ENUM
  Count
};

inline constexpr int kGlobeSlotCount = static_cast<int>(GlobeSlot::Count);
inline constexpr int kGlobeHandlerCount = 28;

class TfrmMain : public TForm {
 public:
  NIVARRA_COMPONENT_CLASS()
  explicit TfrmMain(TComponent* owner = nullptr) : TForm(owner) {}

  TComponent* Slot(GlobeSlot slot) const { return slots_[static_cast<std::size_t>(slot)]; }
  template <class T>
  T* SlotAs(GlobeSlot slot) const {
    return dynamic_cast<T*>(Slot(slot));
  }
  TImage* Image(GlobeSlot slot) const { return SlotAs<TImage>(slot); }
  TMenuItem* MenuItem(GlobeSlot slot) const { return SlotAs<TMenuItem>(slot); }
  TTimer* Timer(GlobeSlot slot) const { return SlotAs<TTimer>(slot); }

  // The handlers: each a named entry point the layout binds to an event.
#define NIVARRA_HANDLER_DECL(name) virtual void name(const TEventArgs& args);
  NIVARRA_GLOBE_HANDLERS(NIVARRA_HANDLER_DECL)
#undef NIVARRA_HANDLER_DECL

 private:
  friend struct GlobeFormSlots;
  std::array<TComponent*, kGlobeSlotCount> slots_{};
};

}  // namespace nivarra
