#pragma once
// The plaque's writing as a form's pictures give it: the count to the
// chosen holiday worked out by a HolidayCountdown, and each digit and label
// image that writes it handed over by name and place, with the widths of
// the images the form owns.

#include <string>

#include "layout/component.h"
#include "layout/controls.h"
#include "scene/countdown.h"

namespace nivarra::test {

template <typename Sink>  // void(const std::string& name, int x, int y)
void DrawCountdownFrom(const TComponent& owner, HolidayCountdown& countdown, double now, CountdownChoice choice,
                       Sink&& draw) {
  const int daysLeft = countdown.CountDays(now, choice);
  const auto digitWidth = [&](char digit) {
    const auto* image = dynamic_cast<const TImage*>(owner.FindOwnedComponent(std::string("d") + digit));
    return image != nullptr ? image->Width() : 0;
  };
  const auto label = [&](int count) -> PlaqueLabel {
    const std::string name = PlaqueLabelName(count);
    const auto* image = dynamic_cast<const TImage*>(owner.FindOwnedComponent(name));
    // A language without label pictures writes the English word.
    if (image == nullptr) return EnglishPlaqueLabel(count);
    return {name, image->Width()};
  };
  for (const CountdownGlyph& glyph : CountdownGlyphs(daysLeft, digitWidth, label)) draw(glyph.Name, glyph.X, glyph.Y);
}

}  // namespace nivarra::test
