#include "app/globe_form.h"

#include <algorithm>

#include "app/globe_artwork.h"
#include "app/guarded_call.h"
#include "app/scene_presenter.h"
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
  BuildMenu();
  scene_ = std::make_unique<GlobeScene>();
  presenter_ = std::make_unique<ScenePresenter>();
  ScenePresenter::ComposeInWindowMemory(*scene_, *platform_);
  ConnectCountdown(*scene_, *this, [this] { return CountdownChoiceOf(settings_.Countdown); });
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
  if (!home) return settings_.Size;
  int fitting = kSizePercents.front();
  for (int percent : kSizePercents) {
    const ScreenRect outline = ScaledOutline(outlineAt1x_, displayScale_ * percent / 100.0);
    if (percent <= settings_.Size && OutlineFits(outline, monitors[*home].WorkArea)) fitting = percent;
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
  settings_.Size = UsableNumber(kSettingRows[SettingIndex(&GlobeSettings::Size)], percent);
  if (scene_ == nullptr || platform_ == nullptr) {
    shownPercent_ = settings_.Size;
    return;
  }
  FitSize(platform_->Screen.Monitors());
}

void TfrmMain::pmiSizeClick(const TEventArgs&) { SetSizePercent(settings_.Size); }

TMenuItem* TfrmMain::AddCheckItem(TMenuItem& parent, std::string_view name, std::string_view caption) {
  auto* item = new TMenuItem(this);  // owned and freed by the form
  item->SetName(name);
  item->SetCaption(std::string(caption));
  item->SetAutoCheck(true);
  parent.Add(item);
  return item;
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

void TfrmMain::ShowTransparency() {
  // With the marked level chosen again nothing is marked, and the globe
  // stays as it is.
  if (settings_.Transparency != kNothingChosen) {
    scene_->Settings.TransparencyAlpha = TransparencyAlphaOf(settings_.Transparency);
  }
  InitLayeredWindow();
}

void ShowCountdownCaptions(const HolidayCountdown& countdown, const TComponent& form) {
  const auto set = [&](const char* name, const std::string& caption) {
    if (auto* item = dynamic_cast<TMenuItem*>(form.FindOwnedComponent(name))) item->SetCaption(caption);
  };
  set("pmiChristmas", countdown.ChristmasCaption());
  set("pmiNewYear", countdown.NewYearCaption());
  set("pmiJulian", countdown.JulianCaption());
}

void ConnectCountdown(GlobeScene& scene, const TComponent& form, std::function<CountdownChoice()> choice) {
  scene.State().CountdownChoiceNow = std::move(choice);
  scene.State().HolidaysMoved = [&form](const HolidayCountdown& countdown) { ShowCountdownCaptions(countdown, form); };
}

void ShowSceneFirstTime(GlobeScene& scene, const Desktop& desktop, const TComponent* form) {
  scene.PrepareFirstShow();
  scene.Countdown().UpdateHolidayDates(desktop.Time.LocalNow(),
                                       [&](double date) { return desktop.Language.FormatLongDate(date); });
  if (form != nullptr) ShowCountdownCaptions(scene.Countdown(), *form);
}

void TfrmMain::BuildMenu() {
  if (!menuChoices_.empty()) return;
  AddRealTimeItem();
  AddSizeItems();
  TMenuItem& options = *MenuItem(GlobeSlot::pmiOnTop)->ParentItem();
  shakeItem_ = AddCheckItem(options, kShakeItemName, kShakeItemCaption);

  const auto flag = [&](TMenuItem* item, bool GlobeSettings::* field) {
    menuChoices_.push_back(MenuChoice{item, field, nullptr, 0});
  };
  const auto number = [&](TMenuItem* item, int GlobeSettings::* field, int value) {
    menuChoices_.push_back(MenuChoice{item, nullptr, field, value});
  };
  flag(MenuItem(GlobeSlot::pmiOnTop), &GlobeSettings::OnTop);
  flag(MenuItem(GlobeSlot::pmiSnow), &GlobeSettings::Snow);
  flag(MenuItem(GlobeSlot::pmiStartUp), &GlobeSettings::Autostart);
  flag(shakeItem_, &GlobeSettings::Shake);
  int level = 0;
  for (GlobeSlot slot : {GlobeSlot::pmi0, GlobeSlot::pmi10, GlobeSlot::pmi20, GlobeSlot::pmi30, GlobeSlot::pmi40,
                         GlobeSlot::pmi50, GlobeSlot::pmi60, GlobeSlot::pmi70, GlobeSlot::pmi80, GlobeSlot::pmi90}) {
    number(MenuItem(slot), &GlobeSettings::Transparency, level++);
  }
  level = 0;
  for (GlobeSlot slot : {GlobeSlot::pmiSlow, GlobeSlot::pmiNormal, GlobeSlot::pmiFast, GlobeSlot::pmiQuickly}) {
    number(MenuItem(slot), &GlobeSettings::Speed, level++);
  }
  number(realTimeItem_, &GlobeSettings::Speed, kRealTimeSpeed);
  level = 0;
  for (GlobeSlot slot : {GlobeSlot::pmiChristmas, GlobeSlot::pmiNewYear, GlobeSlot::pmiJulian}) {
    number(MenuItem(slot), &GlobeSettings::Countdown, level++);
  }
  for (std::size_t i = 0; i < sizeItems_.size(); ++i) number(sizeItems_[i], &GlobeSettings::Size, kSizePercents[i]);
}

const TfrmMain::MenuChoice* TfrmMain::ChoiceOf(const TMenuItem* item) const {
  const auto found = std::ranges::find(menuChoices_, item, &MenuChoice::Item);
  return found != menuChoices_.end() ? &*found : nullptr;
}

void TfrmMain::ShowSettingsOnMenu() {
  for (const MenuChoice& choice : menuChoices_) {
    choice.Item->SetChecked(choice.Flag != nullptr ? settings_.*choice.Flag
                                                   : settings_.*choice.Number == choice.Value);
  }
}

void TfrmMain::MenuCommand(TMenuItem& item) {
  if (const MenuChoice* choice = ChoiceOf(&item)) {
    if (choice->Flag != nullptr) {
      settings_.*choice->Flag = !(settings_.*choice->Flag);
    } else {
      // An item that marks itself (a transparency level) clears its mark
      // when chosen marked.
      int& number = settings_.*choice->Number;
      number = item.AutoCheck() && number == choice->Value ? kNothingChosen : choice->Value;
    }
    ApplySettings();
  }
  item.Click();
  UserChanged(&item);
}

void TfrmMain::ApplySettings() {
  const bool realTime = settings_.Speed == kRealTimeSpeed;
  // Real time keeps the Normal speed's clocks for the sun's and moon's frames.
  const AnimationSpeed speed =
      SpeedTiming(realTime ? SpeedLevel::Normal : static_cast<SpeedLevel>(settings_.Speed));
  Timer(GlobeSlot::TimerGarland)->SetInterval(speed.FramePeriodMs);
  if (!scene_) return;
  SceneSettings& scene = scene_->Settings;
  scene.AnimationInterval = speed.AnimationInterval;
  // The sky jumps to the clock's moment in the next frame; leaving the
  // clock, the cycle goes on from where the sky stands.
  scene.SkyFollowsClock = realTime;
  scene.SnowEnabled = settings_.Snow;
  scene.ShakeEnabled = settings_.Shake;
  scene.Latitude = settings_.Latitude;
  scene.Longitude = settings_.Longitude;
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
  presenter_->RenderFrame(*scene_, *platform_, Left(), Top());
}

void TfrmMain::SetSeen(bool seen) {
  if (seen == seen_) return;
  seen_ = seen;
  if (!seen || !shown_ || scene_ == nullptr) return;
  scene_->CatchUp(FrameInputFrom(platform_->Time), lastFrameTick_, platform_->Time.TickCount(),
                  Timer(GlobeSlot::TimerGarland)->Interval());
  lastFrameTick_ = platform_->Time.TickCount();
}

std::optional<FrameRest> TfrmMain::RestFor(int beatMs) const {
  if (!shown_ || scene_ == nullptr || platform_ == nullptr || dragging_) return std::nullopt;
  return scene_->RestFor(platform_->Time.TickCount(), platform_->Time.LocalNow(), beatMs,
                         platform_->Window.ReportsCoverChanges());
}

void TfrmMain::StepBeat(std::uint32_t tick) {
  if (shown_ && scene_ != nullptr && platform_ != nullptr) scene_->StepBeat(FrameInputFrom(platform_->Time), tick);
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
  if (platform_ != nullptr) platform_->Window.SetTopmost(settings_.OnTop);
}

void TfrmMain::pmiExitClick(const TEventArgs&) {
  if (platform_ == nullptr) return;
  // Gone from the screen at once; saving and the rest follow.
  platform_->Window.HideWindow();
  platform_->Window.RequestClose();
}

// The settings have changed already, and ApplySettings has shown them.
void TfrmMain::pmiSnowClick(const TEventArgs&) {}
void TfrmMain::pmiChristmasClick(const TEventArgs&) {}
void TfrmMain::pmiNewYearClick(const TEventArgs&) {}
void TfrmMain::pmiJulianClick(const TEventArgs&) {}
void TfrmMain::pmiSlowClick(const TEventArgs&) {}
void TfrmMain::pmiNormalClick(const TEventArgs&) {}
void TfrmMain::pmiFastClick(const TEventArgs&) {}
void TfrmMain::pmiQuicklyClick(const TEventArgs&) {}

void TfrmMain::AddRealTimeItem() {
  if (realTimeItem_ != nullptr) return;
  TMenuItem* quickly = MenuItem(GlobeSlot::pmiQuickly);
  TMenuItem* speeds = quickly->ParentItem();
  auto* item = new TMenuItem(this);  // owned and freed by the form
  item->SetName(kRealTimeItemName);
  item->SetCaption(std::string(kRealTimeCaption));
  item->SetRadioItem(true);
  item->SetGroupIndex(quickly->GroupIndex());
  AddAfter(*speeds, *quickly, *item);
  realTimeItem_ = item;
}

// Each level shows the empty globe anew with its alpha, even the level shown.
#define NIVARRA_TRANSPARENCY_HANDLER(level)              \
  void TfrmMain::pmi##level##Click(const TEventArgs&) { \
    if (scene_) ShowTransparency();                      \
  }
NIVARRA_TRANSPARENCY_HANDLER(0)
NIVARRA_TRANSPARENCY_HANDLER(10)
NIVARRA_TRANSPARENCY_HANDLER(20)
NIVARRA_TRANSPARENCY_HANDLER(30)
NIVARRA_TRANSPARENCY_HANDLER(40)
NIVARRA_TRANSPARENCY_HANDLER(50)
NIVARRA_TRANSPARENCY_HANDLER(60)
NIVARRA_TRANSPARENCY_HANDLER(70)
NIVARRA_TRANSPARENCY_HANDLER(80)
NIVARRA_TRANSPARENCY_HANDLER(90)
#undef NIVARRA_TRANSPARENCY_HANDLER

}  // namespace nivarra
