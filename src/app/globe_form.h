#pragma once
// TfrmMain: the globe window — one slot for every component of its layout,
// the handlers the layout binds, and the window's own state: the empty
// globe every frame starts from, the constant alpha, the scene.

#include "core/translation.h"
#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/globe_settings.h"
#include "app/placement.h"
#include "layout/controls.h"
#include "layout/form.h"
#include "layout/menus.h"
#include "layout/timer.h"
#include "platform/desktop.h"
#include "scene/countdown.h"
#include "scene/scene_state.h"

namespace nivarra {
class ESettingsWriteError;
class GlobeScene;
class ScenePresenter;
class PixelStore;
struct GlobeArtwork;
class PlatformTimer;
class SettingsKey;
}  // namespace nivarra

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

// The handlers the layout may bind, by name (the window binds pmiSizeClick
// to the Size items it adds itself). A menu command has changed the
// settings before its handler runs: the handlers only show the change.
#define NIVARRA_GLOBE_HANDLERS(X)                                                                         \
  X(FormCreate) X(FormDestroy) X(FormMouseDown) X(pmiAboutClick) X(pmiOnTopClick) X(pmiExitClick)         \
  X(FormShow) X(pmi0Click) X(pmi10Click) X(pmi20Click) X(pmi30Click) X(pmi40Click) X(pmi50Click)          \
  X(pmi60Click) X(pmi70Click) X(pmi80Click) X(pmi90Click) X(FormCloseQuery) X(TimerGarlandTimer)          \
  X(pmiChristmasClick) X(pmiNewYearClick) X(pmiJulianClick) X(pmiSlowClick) X(pmiNormalClick)             \
  X(pmiFastClick) X(pmiQuicklyClick) X(pmiSnowClick) X(timerCountSnowTimer) X(pmiSizeClick)

enum class GlobeSlot {
#define NIVARRA_SLOT_ENUM(name) name,
  NIVARRA_GLOBE_SLOTS(NIVARRA_SLOT_ENUM)
#undef NIVARRA_SLOT_ENUM
  Count
};

inline constexpr int kGlobeSlotCount = static_cast<int>(GlobeSlot::Count);

// A change the user made is saved this long after the last one of a burst.
inline constexpr int kSaveDelayMs = 500;
// How long after the first show the message about unusable settings comes.
inline constexpr int kStartReportDelayMs = 200;

inline constexpr std::string_view kMoreStuffAddress = "https://en.wikipedia.org/wiki/Christmas_traditions";
// Said when no browser opens the page, followed by the address (no full
// stop after it: it would be copied with the address).
inline constexpr std::string_view kNoBrowserMessage =
    N_("No web browser could open the page about Christmas traditions. Its address is ");
inline constexpr std::string_view kBaseUpdateFailedMessage = N_("No!!!!!");

// The speed item the window adds to the layout's four: the sky follows the
// local clock. Stored as speed 4 (kRealTimeSpeed).
inline constexpr std::string_view kRealTimeItemName = "pmiRealTime";
inline constexpr std::string_view kRealTimeCaption = N_("Real time");

// Options › Size, added by the window after Transparent: the globe's size
// in percent of its artwork (kSizePercents), times the desktop's own scale.
inline constexpr std::string_view kSizeMenuName = "pmiSize";
inline constexpr std::string_view kSizeMenuCaption = N_("Size");

// Options › "Shake the snow when moved", added by the window after Always
// OnTop: dragging the globe stirs its snow.
inline constexpr std::string_view kShakeItemName = "pmiShake";
inline constexpr std::string_view kShakeItemCaption = N_("Shake the snow when moved");

// The constant alpha of transparency level 0..9 ("0%" .. "90%").
constexpr std::uint8_t TransparencyAlphaOf(int level) { return static_cast<std::uint8_t>(255 - 22 * level); }

// The scene's part of the first show: snow and sky at their start and the
// countdown at the holiday dates of the platform's day; with a form, its
// countdown items take the dates' captions.
void ShowSceneFirstTime(GlobeScene& scene, const Desktop& desktop, const TComponent* form);
// The plaque counts to what choice says, and form's countdown items take
// the holidays' captions whenever their dates move on.
void ConnectCountdown(GlobeScene& scene, const TComponent& form, std::function<CountdownChoice()> choice);
// Puts the countdown's captions on form's pmiChristmas, pmiNewYear and pmiJulian.
void ShowCountdownCaptions(const HolidayCountdown& countdown, const TComponent& form);

class TfrmMain : public TForm {
 public:
  NIVARRA_COMPONENT_CLASS()
  explicit TfrmMain(TComponent* owner = nullptr);
  ~TfrmMain() override;

  // The desktop the window lives on; set before FormCreate runs. Without
  // one the handlers do nothing (the layout alone can be loaded and looked at).
  void AttachDesktop(const Desktop& desktop) { platform_ = &desktop; }

  TComponent* Slot(GlobeSlot slot) const { return slots_[static_cast<std::size_t>(slot)]; }
  template <class T>
  T* SlotAs(GlobeSlot slot) const {
    return dynamic_cast<T*>(Slot(slot));
  }
  TImage* Image(GlobeSlot slot) const { return SlotAs<TImage>(slot); }
  TMenuItem* MenuItem(GlobeSlot slot) const { return SlotAs<TMenuItem>(slot); }
  TTimer* Timer(GlobeSlot slot) const { return SlotAs<TTimer>(slot); }
  // "Real time", after "Quickly"; there once the window has been created.
  TMenuItem* RealTimeItem() const { return realTimeItem_; }
  // The Size items in the order of kSizePercents; there once the window has been created.
  const std::vector<TMenuItem*>& SizeItems() const { return sizeItems_; }
  // "Shake the snow when moved"; there once the window has been created.
  TMenuItem* ShakeItem() const { return shakeItem_; }

  // The handlers: each a named entry point the layout binds to an event.
#define NIVARRA_HANDLER_DECL(name) virtual void name(const TEventArgs& args);
  NIVARRA_GLOBE_HANDLERS(NIVARRA_HANDLER_DECL)
#undef NIVARRA_HANDLER_DECL

  // Makes the window layered and shows the empty globe alone with the current constant alpha, where the window
  // stands.
  void InitLayeredWindow();
  // What the user has set (its place is where the window stood when last
  // read or saved; where it stands now is Place()).
  const GlobeSettings& Settings() const { return settings_; }
  // Sets the menu's check marks from the settings, as the menu opens.
  void ShowSettingsOnMenu();
  // The user picked item from the menu: the settings change as it says,
  // its handler shows the change, and the change is saved soon.
  void MenuCommand(TMenuItem& item);
  // Reads the stored settings, places the window and shows them; a value
  // that cannot be read is reported and its default used.
  void LoadSettings();
  // Writes every setting and the autostart value; raises ESettingsError
  // when a value cannot be written. Until the start has finished only the
  // values read from the store or changed by the user are written.
  void SaveSettings();
  // The user changed what item sets (a menu command), or the window's
  // place (item empty): saved soon, once per burst of changes.
  void UserChanged(const TMenuItem* item);
  // The monitors changed: a globe left on none moves to the nearest place
  // that fits one.
  void MonitorsChanged();
  // The user (or the desktop) moved the window: once the buttons are up, a
  // globe left mostly off the monitors comes back onto one.
  void WindowMoved();
  // The desktop's scale where the window stands changed; suggested is where
  // the desktop asks its top-left corner to go.
  void DisplayScaleChanged(std::optional<ScreenPoint> suggested);
  // Shows the globe at percent of its size (one of kSizePercents), its
  // bottom-right corner staying where it was as far as its monitor allows.
  // On a monitor too small for it the globe is shown at the largest size
  // that fits; the choice stays and applies again where it fits.
  void SetSizePercent(int percent);
  // The size chosen, and the size shown.
  int SizePercent() const { return settings_.Size; }
  int ShownSizePercent() const { return shownPercent_; }
  // Device pixels per artwork pixel: the desktop's scale times the size shown.
  double GlobeScale() const { return displayScale_ * shownPercent_ / 100.0; }
  // The box of the globe a person sees, in window pixels at the size shown.
  ScreenRect Outline() const { return ScaledOutline(outlineAt1x_, GlobeScale()); }
  // Where the window's top-left corner stands, in screen pixels.
  ScreenPoint Place() const { return {Left(), Top()}; }
  // Whether the start, with its report of unusable settings, is over.
  bool StartFinished() const { return startFinished_; }
  // False for a globe started with "add": it reads the settings and never
  // writes them, so the user's own globe keeps its place and choices.
  bool KeepsSettings() const { return keepsSettings_; }
  // One frame of the scene at the window's place; nothing until the window
  // has been shown, nor while the empty globe is being rebuilt.
  void RenderFrame();
  // The window stands at topLeft (device pixels) now. In a drag the snow
  // feels the glass move; a place the desktop or the program chose does
  // not stir it.
  void GlassMoved(ScreenPoint topLeft);
  // Whether anybody can see the globe (a locked session, a screensaver or a
  // full-screen window says nobody can). Seen again, the sky catches up
  // with the beats nobody saw, as under a covering window.
  void SetSeen(bool seen);
  bool Seen() const { return seen_; }
  // How long after now the frames, beatMs apart, can rest (see
  // GlobeScene::RestFor); nothing before the first show.
  std::optional<FrameRest> RestFor(int beatMs) const;
  // The clocks and the sky stepped as a frame at tick would have (a beat
  // the resting frames left to the frame after it).
  void StepBeat(std::uint32_t tick);

  std::uint8_t TransparencyAlpha() const;
  GlobeScene* Scene() const { return scene_.get(); }
  // The empty globe the frames start from; null while there is none.
  const PixelStore* BaseImage() const;
  bool ShowSequenceDone() const { return shown_; }

 private:
  friend struct GlobeFormSlots;
  // A menu item and the field of the settings it sets: a yes or no it
  // turns over (Flag), or a number it sets to Value.
  struct MenuChoice {
    TMenuItem* Item = nullptr;
    bool GlobeSettings::* Flag = nullptr;
    int GlobeSettings::* Number = nullptr;
    int Value = 0;
  };
  // Adds the window's own items to the layout's menu, and binds every item
  // that sets something to its field of the settings.
  void BuildMenu();
  // A check item added at the end of parent.
  TMenuItem* AddCheckItem(TMenuItem& parent, std::string_view name, std::string_view caption);
  const MenuChoice* ChoiceOf(const TMenuItem* item) const;
  // The settings to the scene and the frame timer: speed, snow, shake and
  // the sky's place (the plaque asks for its holiday at every frame).
  void ApplySettings();
  // The transparency to the window: the empty globe shown anew with its
  // constant alpha.
  void ShowTransparency();
  // Adds "Real time" to the speed submenu (the layout stays as it was designed).
  void AddRealTimeItem();
  // Adds Options › Size after Transparent.
  void AddSizeItems();
  // Draws the globe anew at GlobeScale(): pictures, empty globe, window size
  // and shape; the window's top-left goes where placeFor says for the new
  // width and height, moved as little as keeps the globe wholly on its
  // monitor's work area when bringIn.
  void Rescale(const std::function<ScreenPoint(int width, int height)>& placeFor, bool bringIn);
  // The size to show on the monitor the globe stands on: the chosen one,
  // or the largest smaller one that fits its work area.
  int FittingPercent(std::span<const MonitorArea> monitors) const;
  // Shows the size that fits where the globe stands, growing or shrinking
  // about the bottom-right corner.
  void FitSize(std::span<const MonitorArea> monitors);
  // Moves the window, size kept, to place and shows the frame there.
  void MoveTo(ScreenPoint place);
  // The globe where the monitors keep it when it stood at from (nothing:
  // where it stands), at the size that fits there.
  void KeepOnMonitors(std::optional<ScreenPoint> from, std::span<const MonitorArea> monitors);
  // The window's shape at the current scale, cut from the mask.
  std::vector<ShapeRect> WindowShape();

  // The user changed the value of a row of kSettingRows: known, and not
  // stored until a save works.
  void Changed(std::size_t row) {
    known_.set(row);
    unsaved_.set(row);
  }
  // The same failure named by the first value not stored yet: the change
  // the user will miss.
  [[noreturn]] void RethrowForUnsaved(const ESettingsWriteError& error) const;
  // After the show sequence: reports the values that could not be used,
  // once the globe is visible, then counts the start as finished.
  void FinishStart();
  void SaveInBackground();
  // Saves, and tells the user of a failure unless it is the one told last.
  void SaveAndReport();

  std::array<TComponent*, kGlobeSlotCount> slots_{};
  TMenuItem* realTimeItem_ = nullptr;  // owned by the form
  std::vector<TMenuItem*> sizeItems_;   // owned by the form
  TMenuItem* shakeItem_ = nullptr;      // owned by the form
  std::vector<MenuChoice> menuChoices_;
  GlobeSettings settings_ = GlobeSettings::Defaults();
  int shownPercent_ = settings_.Size;
  ScreenRect outlineAt1x_;
  double displayScale_ = 1.0;
  std::unique_ptr<GlobeArtwork> art_;
  bool shapeSet_ = false;
  bool seen_ = true;
  // A drag goes on while the desktop reports places no further apart than
  // this after the press that began it.
  static constexpr std::uint32_t kDragPauseMs = 2000;
  bool dragging_ = false;
  std::uint32_t lastDragTick_ = 0;   // when the drag's place last changed
  ScreenPoint lastDragPlace_;
  // Hands the window's place in a drag to the scene.
  void FeelDrag(ScreenPoint topLeft);
  std::uint32_t lastFrameTick_ = 0;  // when the last frame was rendered
  const Desktop* platform_ = nullptr;
  std::unique_ptr<GlobeScene> scene_;
  std::unique_ptr<ScenePresenter> presenter_;
  bool baseShown_ = false;
  bool shown_ = false;

  // The settings read from the store or set by the user, by row.
  SettingSet known_;
  SettingSet unsaved_;  // changed by the user since the last save that worked
  bool keepsSettings_ = true;
  bool startFinished_ = false;
  std::vector<std::string> loadProblems_;
  std::optional<SettingsProblem> storeProblem_;  // the store could not be used at start
  // The store's failure the user was told of last, until a save works: the
  // same one again is not repeated at every change or at the close.
  std::optional<SettingsProblem> shownProblem_;
  std::unique_ptr<PlatformTimer> startReport_;
  std::unique_ptr<PlatformTimer> saveTimer_;
  std::unique_ptr<PlatformTimer> monitorsSettle_;
  static constexpr int kMonitorsSettleMs = 1500;
  // While monitorsSettle_ runs: where the globe stood before the change
  // (nothing: where it stands when the look comes), and the monitors as
  // the change left them.
  std::optional<ScreenPoint> placeBeforeMonitors_;
  std::vector<MonitorArea> monitorsAtChange_;
  std::unique_ptr<PlatformTimer> moveSettle_;
  static constexpr int kMoveSettleMs = 300;
  bool closing_ = false;  // the close has saved; nothing is written after it
};

}  // namespace nivarra
