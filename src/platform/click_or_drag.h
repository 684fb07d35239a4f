#pragma once
// A right press on the globe, as every desktop takes it: held back until it
// is known to be a click or a drag. Moved past the desktop's drag threshold
// while the button is held, it starts a drag from where it went down;
// released before that, it is a click, which opens the menu; another button
// going down drops it. Points and thresholds are in the units the desktop
// reports the pointer in.

#include <cstdlib>
#include <utility>

#include "platform/screen_geometry.h"

namespace nivarra {

class ClickOrDrag {
 public:
  enum class Motion {
    NoPress,  // none is held back (one whose button is up is dropped)
    Waiting,  // still within the threshold
    Drag,     // it has just become a drag, from PressedAt()
  };

  void RightDown(ScreenPoint at) {
    waiting_ = true;
    pressedAt_ = at;
  }

  // The pointer moved to at. A drag once it is more than thresholdX or
  // thresholdY away from the press.
  Motion Moved(ScreenPoint at, bool rightHeld, int thresholdX, int thresholdY) {
    if (!waiting_) return Motion::NoPress;
    if (!rightHeld) {
      waiting_ = false;
      return Motion::NoPress;
    }
    if (std::abs(at.X - pressedAt_.X) <= thresholdX && std::abs(at.Y - pressedAt_.Y) <= thresholdY) {
      return Motion::Waiting;
    }
    waiting_ = false;
    return Motion::Drag;
  }

  // The right button went up: true when that makes a click.
  bool RightUp() { return Drop(); }

  // Another button went down, or the desktop took the pointer away: a press
  // held back comes to nothing. True when there was one.
  bool Drop() { return std::exchange(waiting_, false); }

  bool Waiting() const { return waiting_; }
  // Where the last right press went down; a drag starts there.
  ScreenPoint PressedAt() const { return pressedAt_; }

 private:
  bool waiting_ = false;
  ScreenPoint pressedAt_{};
};

}  // namespace nivarra
