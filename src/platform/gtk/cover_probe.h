#pragma once
// Whether another window covers a point of the screen, decided from the
// window system's stacking order. Knows nothing of any window system: the
// desktop gathers the top-level windows, this picks the one on top.

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace nivarra {

// A top-level window as the window system stacks it.
struct StackedWindow {
  std::uint64_t Id = 0;
  // The outer rectangle on the screen, borders included.
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  // Mapped with all its ancestors and drawn (an input-only window is not).
  bool Viewable = false;
  // Not input-only: shown whenever it is mapped.
  bool Drawn = true;
};

// The top-level windows, kept in stacking order from the window system's
// notifications between two full readings. Each change answers false when
// it names a window not known here: then only a new reading can tell.
class StackingOrder {
 public:
  void Reset(std::vector<StackedWindow> bottomToTop) { windows_ = std::move(bottomToTop); }
  std::span<const StackedWindow> BottomToTop() const { return windows_; }

  bool Destroyed(std::uint64_t id);
  bool Mapped(std::uint64_t id, bool mapped);
  // New geometry (Id, X, Y, Width, Height of moved), and right above the
  // window below (0: at the bottom).
  bool Configured(const StackedWindow& moved, std::uint64_t below);
  // To the top or the bottom of the stack.
  bool Circulated(std::uint64_t id, bool toTop);

 private:
  std::vector<StackedWindow>::iterator Find(std::uint64_t id);
  std::vector<StackedWindow> windows_;
};

// Whether (x, y) shows another window than ours: true when the topmost
// viewable window there is not ours, or when none is there (the desktop
// shows). bottomToTop lists the top-levels in stacking order, the lowest
// first; ours is the top-level that holds our window (with a reparenting
// window manager, its frame). Without a known window of ours (0) nothing
// can be decided and the point counts as not covered.
bool IsPointCovered(std::span<const StackedWindow> bottomToTop, std::uint64_t ours, int x, int y);

}  // namespace nivarra
