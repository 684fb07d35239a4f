#include "app/globe_form.h"

#include "app/globe_artwork.h"
#include "app/guarded_call.h"
#include "app/region.h"
#include "app/settings.h"
#include "layout/bitmap.h"
#include "layout/layout_errors.h"
#include "layout/picture.h"
#include "platform/desktop.h"
#include "scene/globe_scene.h"

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

TfrmMain::TfrmMain(TComponent* owner) : TForm(owner) {}

TfrmMain::~TfrmMain() = default;

std::uint8_t TfrmMain::TransparencyAlpha() const { return scene_ ? scene_->Settings.TransparencyAlpha : 0; }

void TfrmMain::FormCreate(const TEventArgs&) {
  if (platform_ == nullptr) return;
  AddRealTimeItem();
  AddSizeItems();
  AddShakeItem();
  scene_ = std::make_unique<GlobeScene>();
  ConnectCountdown(*scene_, *this);
  // The globe a person sees, at 1x: the mask's own size is the artwork's.
  TBitmap& mask = PictureAsBitmap(Image(GlobeSlot::imgMask)->Picture());
  outlineAt1x_ = BoundsOf(RegionFromMask(mask, mask.Width(), mask.Height()));
  displayScale_ = platform_->Window.DisplayScale();
  Rescale([this](int, int) { return Place(); }, false);
}

void TfrmMain::Rescale(const std::function<ScreenPoint(int width, int height)>& placeFor, bool bringIn) {
  // No frame is composed from the old empty globe with the new pictures.
  scene_->ClearBaseImage();
  scene_->SetArt(nullptr);
  art_ = std::make_unique<GlobeArtwork>(LoadGlobeArtwork(*this, GlobeScale()));
  scene_->SetArt(&art_->Scene);
  const PixelStore& globe = art_->Scene.EmptyGlobe;
  const int width = !globe.IsEmpty() ? globe.Width() : Width();
  const int height = !globe.IsEmpty() ? globe.Height() : Height();
  ScreenPoint place = placeFor(width, height);
  if (bringIn) place = BringWhollyIn(place, Outline(), platform_->Screen.Monitors());
  // A look at the monitors still to come decides from this new globe.
  if (monitorsSettle_) placeBeforeMonitors_ = place;
  // The one place where the window takes a new size: placed, shaped, then
  // shown whole at that size.
  SetBounds(place.X, place.Y, width, height);
  platform_->Window.PlaceWindow(place, width, height);
  if (shapeSet_) platform_->Window.SetWindowShape(WindowShape());
  InitLayeredWindow();
  RenderFrame();
}

int TfrmMain::FittingPercent(std::span<const MonitorArea> monitors) const {
  const std::optional<std::size_t> home = HomeMonitor(Place(), Outline(), monitors);
  if (!home) return sizePercent_;
  int fitting = kSizePercents.front();
  for (int percent : kSizePercents) {
    const ScreenRect outline = ScaledOutline(outlineAt1x_, displayScale_ * percent / 100.0);
    if (percent <= sizePercent_ && OutlineFits(outline, monitors[*home].WorkArea)) fitting = percent;
  }
  return fitting;
}

void TfrmMain::FitSize(std::span<const MonitorArea> monitors) {
  const int percent = FittingPercent(monitors);
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  // The globe stands on its base: the bottom-right corner stays.
  const int right = Left() + Width();
  const int bottom = Top() + Height();
  Rescale([&](int width, int height) { return ScreenPoint{right - width, bottom - height}; }, true);
}

std::vector<ShapeRect> TfrmMain::WindowShape() { return art_ != nullptr ? art_->Shape : std::vector<ShapeRect>{}; }

const PixelStore* TfrmMain::BaseImage() const { return art_ != nullptr && baseShown_ ? &art_->Scene.EmptyGlobe : nullptr; }

void TfrmMain::DisplayScaleChanged(std::optional<ScreenPoint> suggested) {
  if (platform_ == nullptr || scene_ == nullptr) return;
  const double display = platform_->Window.DisplayScale();
  if (display == displayScale_) {
    // Same scale, another place asked for: only move.
    if (suggested && shown_ && !(*suggested == Place())) {
      MoveTo(KeepOrBringIn(*suggested, Outline(), platform_->Screen.Monitors()));
      UserChanged(nullptr);
    }
    return;
  }
  displayScale_ = display;
  const ScreenPoint before = Place();
  const std::vector<MonitorArea> monitors = platform_->Screen.Monitors();
  shownPercent_ = FittingPercent(monitors);
  Rescale([&](int, int) { return suggested.value_or(before); }, shown_);
  if (!(Place() == before)) UserChanged(nullptr);
}

void TfrmMain::SetSizePercent(int percent) {
  if (std::find(kSizePercents.begin(), kSizePercents.end(), percent) == kSizePercents.end()) {
    percent = kDefaultSizePercent;
  }
  for (std::size_t i = 0; i < kSizePercents.size(); ++i) {
    if (i < sizeItems_.size()) sizeItems_[i]->SetChecked(kSizePercents[i] == percent);
  }
  sizePercent_ = percent;
  if (scene_ == nullptr || platform_ == nullptr) {
    shownPercent_ = percent;
    return;
  }
  FitSize(platform_->Screen.Monitors());
}

void TfrmMain::pmiSizeClick(const TEventArgs& args) {
  for (std::size_t i = 0; i < sizeItems_.size() && i < kSizePercents.size(); ++i) {
    if (sizeItems_[i] == args.Sender) SetSizePercent(kSizePercents[i]);
  }
}

void TfrmMain::AddShakeItem() {
  if (shakeItem_ != nullptr) return;
  auto* item = new TMenuItem(this);  // owned and freed by the form
  item->SetName(kShakeItemName);
  item->SetCaption(std::string(kShakeItemCaption));
  item->SetAutoCheck(true);
  item->SetChecked(true);
  item->OnClick = TMethod{FindHandler(ClassInfo(), "pmiShakeClick"), this};
  MenuItem(GlobeSlot::pmiOnTop)->ParentItem()->Add(item);
  shakeItem_ = item;
}

void TfrmMain::pmiShakeClick(const TEventArgs&) {
  if (scene_ && shakeItem_ != nullptr) scene_->Settings.ShakeEnabled = shakeItem_->Checked();
}

void TfrmMain::GlassMoved(ScreenPoint topLeft) {
  if (!shown_ || scene_ == nullptr || platform_ == nullptr || !dragging_) return;
  FeelDrag(topLeft);
}

void TfrmMain::FeelDrag(ScreenPoint topLeft) {
  const std::uint32_t now = platform_->Time.TickCount();
  if (!(topLeft == lastDragPlace_)) {
    lastDragPlace_ = topLeft;
    lastDragTick_ = now;
  } else if (now - lastDragTick_ > kDragPauseMs) {
    dragging_ = false;  // the drag is long over: later places are the desktop's
    return;
  }
  const double scale = GlobeScale();
  scene_->GlassMoved(now, topLeft.X / scale, topLeft.Y / scale);
}

// Adds item to parent's items right after sibling.
static void AddAfter(TMenuItem& parent, const TMenuItem& sibling, TMenuItem& item) {
  parent.Add(&item);
  for (int i = 0; i < parent.Count(); ++i) {
    if (parent.Item(i) == &sibling) parent.SetChildOrder(&item, i + 1);
  }
}

void TfrmMain::AddSizeItems() {
  if (!sizeItems_.empty()) return;
  TMenuItem* transparency = MenuItem(GlobeSlot::ransparent1);
  TMenuItem* options = transparency->ParentItem();
  auto* menu = new TMenuItem(this);  // owned and freed by the form
  menu->SetName(kSizeMenuName);
  menu->SetCaption(std::string(kSizeMenuCaption));
  AddAfter(*options, *transparency, *menu);
  const TMethod click{FindHandler(ClassInfo(), "pmiSizeClick"), this};
  for (int percent : kSizePercents) {
    auto* item = new TMenuItem(this);
    item->SetName(std::string(kSizeMenuName) + std::to_string(percent));
    item->SetCaption(std::to_string(percent) + "%");
    item->SetRadioItem(true);
    item->SetGroupIndex(1);
    item->SetChecked(percent == sizePercent_);
    item->OnClick = click;
    menu->Add(item);
    sizeItems_.push_back(item);
  }
}

void TfrmMain::InitLayeredWindow() {
  // Without an empty globe the scene composes nothing, so timer ticks let
  // through by a message box on the way draw no frame until it is rebuilt.
  scene_->ClearBaseImage();
  baseShown_ = false;
  if (const auto error = platform_->Window.MakeWindowLayered()) platform_->Messages.ShowMessage(*error);

  const PixelStore& globe = art_->Scene.EmptyGlobe;
  if (globe.IsEmpty()) throw EInvalidGraphic("The empty globe's picture is missing");
  baseShown_ = true;

  // The window has the empty globe's size already: Rescale gave it.
  if (!platform_->Window.Present(globe, Left(), Top(), TransparencyAlpha())) {
    platform_->Messages.ShowMessage(kBaseUpdateFailedMessage);
  }
  scene_->SetBaseImage(globe);
}

void TfrmMain::SetTransparency(std::uint8_t alpha) {
  scene_->Settings.TransparencyAlpha = alpha;
  InitLayeredWindow();
}

void ConnectCountdown(GlobeScene& scene, const TComponent& form) {
  scene.CountdownChoiceNow = [items = HolidayCountdown::FindCountdownItems(form)] {
    return HolidayCountdown::CheckedChoice(items);
  };
  scene.HolidaysMoved = [&form](const HolidayCountdown& countdown) { countdown.ApplyCaptions(form); };
}

void ShowSceneFirstTime(GlobeScene& scene, const Desktop& desktop, const TComponent* form) {
  scene.PrepareFirstShow();
  scene.Countdown().UpdateHolidayDates(desktop.Time.LocalNow(),
                                       [&](double date) { return desktop.Language.FormatLongDate(date); });
  if (form != nullptr) scene.Countdown().ApplyCaptions(*form);
}

void TfrmMain::FormShow(const TEventArgs&) {
  if (platform_ == nullptr || shown_) return;
  platform_->Window.SetWindowShape(WindowShape());
  shapeSet_ = true;
  platform_->Window.SetOwnerToDesktop();
  ShowSceneFirstTime(*scene_, *platform_, this);
  LoadSettings();
  platform_->Window.HideTaskbarButton();
  platform_->Window.SetOwnerToDesktop();
  shown_ = true;
  RenderFrame();
  if (loadProblems_.empty() && !storeProblem_) {
    FinishStart();
  } else {
    // Said once the globe stands on the screen, so the user sees what the
    // message is about.
    startReport_ = StartGuardedTimer(*platform_, kStartReportDelayMs, [this] { FinishStart(); });
  }
}

void TfrmMain::RenderFrame() {
  if (!shown_ || scene_ == nullptr) return;
  // Some window managers tell nothing of a move until it ends: while a
  // drag lasts, every frame asks where the window stands.
  if (dragging_) FeelDrag(platform_->Window.WindowPosition());
  lastFrameTick_ = platform_->Time.TickCount();
  scene_->RenderFrame(*platform_, Left(), Top());
}

void TfrmMain::SetSeen(bool seen) {
  if (seen == seen_) return;
  seen_ = seen;
  if (!seen || !shown_ || scene_ == nullptr) return;
  scene_->CatchUp(platform_->Time, lastFrameTick_, platform_->Time.TickCount(), Timer(GlobeSlot::TimerGarland)->Interval());
  lastFrameTick_ = platform_->Time.TickCount();
}

std::optional<std::uint32_t> TfrmMain::QuietForMs() const {
  if (!shown_ || scene_ == nullptr || platform_ == nullptr || dragging_) return std::nullopt;
  return scene_->QuietFor(platform_->Time.TickCount(), platform_->Time.LocalNow(), platform_->Window.ReportsCoverChanges());
}

void TfrmMain::TimerGarlandTimer(const TEventArgs&) { RenderFrame(); }

void TfrmMain::timerCountSnowTimer(const TEventArgs&) {
  if (scene_) scene_->Snow().AdjustDensity();
}

void TfrmMain::FormMouseDown(const TEventArgs&) {
  if (platform_ == nullptr) return;
  dragging_ = true;
  lastDragTick_ = platform_->Time.TickCount();
  lastDragPlace_ = Place();
  // From here on the place is the user's: the look at the drag's end
  // replaces a second look at monitors that changed just before.
  monitorsSettle_.reset();
  platform_->Window.BeginSystemMove();
}

void TfrmMain::FormCloseQuery(const TEventArgs& args) {
  if (platform_ != nullptr) {
    closing_ = true;
    saveTimer_.reset();
    startReport_.reset();
    // The program ends even when the settings cannot be written: the user
    // is told (unless told already), and keeping the globe would only ask
    // the same again.
    SaveAndReport();
  }
  if (args.CanClose != nullptr) *args.CanClose = true;
}

void TfrmMain::FormDestroy(const TEventArgs&) {
  if (scene_) scene_->ClearBaseImage();
  baseShown_ = false;
}

void TfrmMain::pmiAboutClick(const TEventArgs&) {
  if (platform_ != nullptr && !platform_->Messages.OpenWebPage(kMoreStuffAddress)) {
    std::string text = Translate(kNoBrowserMessage);
    text += kMoreStuffAddress;
    platform_->Messages.ShowMessage(text);
  }
}

void TfrmMain::pmiOnTopClick(const TEventArgs&) {
  if (platform_ != nullptr) platform_->Window.SetTopmost(MenuItem(GlobeSlot::pmiOnTop)->Checked());
}

void TfrmMain::pmiExitClick(const TEventArgs&) {
  if (platform_ == nullptr) return;
  // Gone from the screen at once; saving and the rest follow.
  platform_->Window.HideWindow();
  platform_->Window.RequestClose();
}

void TfrmMain::pmiSnowClick(const TEventArgs&) {
  if (scene_) scene_->Settings.SnowEnabled = MenuItem(GlobeSlot::pmiSnow)->Checked();
}

void TfrmMain::CheckOnly(GlobeSlot item) { MenuItem(item)->SetChecked(true); }

void TfrmMain::pmiChristmasClick(const TEventArgs&) { CheckOnly(GlobeSlot::pmiChristmas); }
void TfrmMain::pmiNewYearClick(const TEventArgs&) { CheckOnly(GlobeSlot::pmiNewYear); }
void TfrmMain::pmiJulianClick(const TEventArgs&) { CheckOnly(GlobeSlot::pmiJulian); }

void TfrmMain::AddRealTimeItem() {
  if (realTimeItem_ != nullptr) return;
  TMenuItem* quickly = MenuItem(GlobeSlot::pmiQuickly);
  TMenuItem* speeds = quickly->ParentItem();
  auto* item = new TMenuItem(this);  // owned and freed by the form
  item->SetName(kRealTimeItemName);
  item->SetCaption(std::string(kRealTimeCaption));
  item->SetRadioItem(true);
  item->SetGroupIndex(quickly->GroupIndex());
  item->OnClick = TMethod{FindHandler(ClassInfo(), "pmiRealTimeClick"), this};
  AddAfter(*speeds, *quickly, *item);
  realTimeItem_ = item;
}

std::vector<TMenuItem*> TfrmMain::SpeedItems() const {
  std::vector<TMenuItem*> items;
  for (GlobeSlot slot : {GlobeSlot::pmiSlow, GlobeSlot::pmiNormal, GlobeSlot::pmiFast, GlobeSlot::pmiQuickly}) {
    items.push_back(MenuItem(slot));
  }
  if (realTimeItem_ != nullptr) items.push_back(realTimeItem_);
  return items;
}

void TfrmMain::ApplySpeed(TMenuItem* item, int framePeriodMs, std::int32_t animationInterval, bool followClock) {
  item->SetChecked(true);
  Timer(GlobeSlot::TimerGarland)->SetInterval(framePeriodMs);
  if (!scene_) return;
  scene_->Settings.AnimationInterval = animationInterval;
  // Leaving the clock, the cycle goes on from where the sky stands.
  scene_->Settings.SkyFollowsClock = followClock;
}

#define NIVARRA_SPEED_HANDLER(handler, item, level)                                       \
  void TfrmMain::handler(const TEventArgs&) {                                             \
    constexpr AnimationSpeed speed = SpeedTiming(level);                                  \
    ApplySpeed(MenuItem(GlobeSlot::item), speed.FramePeriodMs, speed.AnimationInterval); \
  }
NIVARRA_SPEED_HANDLER(pmiSlowClick, pmiSlow, SpeedLevel::Slow)
NIVARRA_SPEED_HANDLER(pmiNormalClick, pmiNormal, SpeedLevel::Normal)
NIVARRA_SPEED_HANDLER(pmiFastClick, pmiFast, SpeedLevel::Fast)
NIVARRA_SPEED_HANDLER(pmiQuicklyClick, pmiQuickly, SpeedLevel::Quickly)
#undef NIVARRA_SPEED_HANDLER

// The sky jumps to the clock's moment in the next frame; the sun's and
// moon's frames keep the Normal rhythm.
void TfrmMain::pmiRealTimeClick(const TEventArgs&) {
  if (realTimeItem_ == nullptr) return;
  constexpr AnimationSpeed speed = SpeedTiming(SpeedLevel::Normal);
  ApplySpeed(realTimeItem_, speed.FramePeriodMs, speed.AnimationInterval, true);
}

#define NIVARRA_TRANSPARENCY_HANDLER(level)                                       \
  void TfrmMain::pmi##level##0Click(const TEventArgs&) {                          \
    if (scene_) SetTransparency(TransparencyAlphaOf(level));                      \
  }
NIVARRA_TRANSPARENCY_HANDLER(1)
NIVARRA_TRANSPARENCY_HANDLER(2)
NIVARRA_TRANSPARENCY_HANDLER(3)
NIVARRA_TRANSPARENCY_HANDLER(4)
NIVARRA_TRANSPARENCY_HANDLER(5)
NIVARRA_TRANSPARENCY_HANDLER(6)
NIVARRA_TRANSPARENCY_HANDLER(7)
NIVARRA_TRANSPARENCY_HANDLER(8)
NIVARRA_TRANSPARENCY_HANDLER(9)
#undef NIVARRA_TRANSPARENCY_HANDLER

void TfrmMain::pmi0Click(const TEventArgs&) {
  if (scene_) SetTransparency(TransparencyAlphaOf(0));
}

}  // namespace nivarra
