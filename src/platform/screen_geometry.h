#pragma once
// Places and sizes on the desktop. Every one is in device pixels, the
// screen's own, whatever the desktop's scale: the window's place and size,
// monitors, probe points, the frames shown and the window's shape. A
// desktop that works in scaled units (GDK) converts at its edge.

namespace nivarra {

struct ScreenSize {
  int Width = 0;
  int Height = 0;
};

struct ScreenPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// A rectangle of pixels, right and bottom edges exclusive.
struct PixelRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};
// On the desktop, in its coordinates.
using ScreenRect = PixelRect;
// One rectangle of the window's shape, in window pixels.
using ShapeRect = PixelRect;

// A monitor's full rectangle and the part of it windows may use (without
// panels and taskbars), on the desktop.
struct MonitorArea {
  ScreenRect Bounds;
  ScreenRect WorkArea;
  friend bool operator==(const MonitorArea&, const MonitorArea&) = default;
};

}  // namespace nivarra
