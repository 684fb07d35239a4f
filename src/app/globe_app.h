#pragma once
// The program: the globe window created from its layout resource and run
// on a desktop until it closes.

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "app/globe_form.h"
#include "app/guarded_call.h"
#include "platform/desktop.h"

namespace nivarra {

// The application object: the globe window on a desktop, its timers, and
// the display of an error that escapes a handler, after which the program
// goes on.
class GlobeApp : public WindowEvents {
 public:
  // Creates the window from the layout resource "TFRMMAIN" (which the
  // caller has registered); FormCreate runs at the end.
  explicit GlobeApp(const Desktop& desktop);
  ~GlobeApp() override;

  // Shows the window and runs the desktop's event loop until it closes.
  int Run() { return desktop_.Window.Run(); }
  TfrmMain& Form() { return form_; }

  void Shown() noexcept override;
  void MouseDown() noexcept override;
  void ContextMenu(ScreenPoint at) noexcept override;
  void Moved(ScreenPoint topLeft) noexcept override;
  void MonitorsChanged() noexcept override;
  void DisplayScaleChanged(std::optional<ScreenPoint> suggested) noexcept override;
  void VisibilityChanged(bool canBeSeen) noexcept override;
  void CoverMayHaveChanged() noexcept override;
  bool CloseQuery() noexcept override;

 private:
  // Runs f; an error that escapes it is shown in a message box. False then.
  template <class F>
  bool Guarded(F&& f) noexcept {
    return GuardedCall(desktop_.Messages, std::forward<F>(f));
  }
  // One desktop timer per layout timer, restarted whenever its interval or
  // enabled state changes.
  void BindTimer(TTimer& timer);
  // Starts timer index's desktop timer with period.
  void Arm(std::size_t index, TTimer& timer, int period);
  // After a frame: while nothing on the globe can change, the frame timer
  // waits until the first of its beats at which something can, instead of
  // waking at every beat to find the same frame.
  void RestFrames();
  // Something may change the next frame: the frame timer beats again.
  void WakeFrames();
  // The beat a resting frame timer left to the frame after it, stepped
  // once its moment has come (before a menu command changes the speed, say).
  void TakeOwedBeat();
  // While the snow is off nobody sees the density walk, so its timer rests;
  // when the snow comes back the walk first takes the steps it missed, each
  // as its tick would have, so that the snow is as if it had never rested.
  void RestDensity();
  // Takes the density steps whose time has come and the timer has not
  // taken: those missed while it rested, or one due at this very moment.
  void TakeDueDensitySteps();

  // The density timer is bound first, the frame timer second.
  static constexpr std::size_t kDensityTimer = 0;
  static constexpr std::size_t kFrameTimer = 1;
  // At most this many missed steps are taken at once (an hour's): the walk
  // has long forgotten where it stood by then.
  static constexpr std::uint32_t kMostMissedDensitySteps = 18000;

  const Desktop desktop_;
  TfrmMain form_;
  std::vector<std::unique_ptr<PlatformTimer>> timers_;
  std::vector<int> periods_;  // each desktop timer's period, 0 when stopped
  std::uint32_t densityDue_ = 0;  // the tick count of the density timer's next step
  bool densityResting_ = false;
  std::optional<std::uint32_t> owedBeat_;  // the tick of that beat
};

// GlobeApp on desktop, run until the window has closed; a plain start
// while another globe runs brings that one to the front and ends at once.
// Returns the exit code.
int RunGlobe(const Desktop& desktop);

}  // namespace nivarra
