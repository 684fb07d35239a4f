#pragma once
// Where the globe may stand. What counts is the globe a person sees, its
// outline (the mask's opaque part at the size shown), not the window's box,
// whose margins are transparent: a window with only its margin on a screen
// shows nothing and cannot be grabbed.

#include <cstddef>
#include <optional>
#include <span>

#include "platform/screen_geometry.h"

namespace nivarra {

// The outline's box on the screen for a window whose top-left is at place;
// outline is the box in window pixels.
ScreenRect OutlineAt(ScreenPoint place, const ScreenRect& outline);

// The outline's box at scale, from its box at 1x: grown outward to whole pixels.
ScreenRect ScaledOutline(const ScreenRect& outlineAt1x, double scale);

// Whether the outline fits within the area at all.
bool OutlineFits(const ScreenRect& outline, const ScreenRect& area);

// The monitor the globe belongs to: the one that holds most of its outline;
// when none holds any, the nearest. Nothing without monitors.
std::optional<std::size_t> HomeMonitor(ScreenPoint place, const ScreenRect& outline,
                                       std::span<const MonitorArea> monitors);

// The place nearest to place at which the whole outline lies in area. An
// outline larger than the area keeps its top-left part in it.
ScreenPoint BringInto(ScreenPoint place, const ScreenRect& outline, const ScreenRect& area);

// A place is kept when at least half the outline's width and half its
// height lie on one monitor. Otherwise the globe goes the shortest way to
// stand wholly in the work area of its home monitor.
ScreenPoint KeepOrBringIn(ScreenPoint place, const ScreenRect& outline, std::span<const MonitorArea> monitors);

// After a change of size or scale: the whole outline in the work area of
// its home monitor, moved the shortest way.
ScreenPoint BringWhollyIn(ScreenPoint place, const ScreenRect& outline, std::span<const MonitorArea> monitors);

}  // namespace nivarra
