#pragma once
// TGraphic: a picture that can be read from a stream, measured and drawn
// into a rectangle of a canvas.

#include <functional>

#include "graphics/persistent.h"
#include "graphics/rect.h"

namespace nivarra {

class TCanvas;
class TStream;

class TGraphic : public TPersistent {
 public:
  const char* ClassName() const override { return "TGraphic"; }

  virtual void DrawToCanvas(TCanvas& canvas, const TRect& rect) const = 0;
  virtual bool IsEmpty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int value) = 0;
  virtual void SetHeight(int value) = 0;
  virtual bool Transparent() const { return transparent_; }
  // Stores the flag and announces a change when it differs.
  virtual void SetTransparent(bool value);
  // Replaces the content with what the stream holds at its position.
  virtual void LoadFromStream(TStream& stream) = 0;

  // Marks the graphic modified and tells the picture that holds it.
  virtual void Changed();
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }

  std::function<void(TGraphic&)> OnChange;

 private:
  bool transparent_ = false;
  bool modified_ = false;
};

}  // namespace nivarra
